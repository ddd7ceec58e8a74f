#pragma once
// The drive letters of a POSIX system, worked out from a mount table in the
// form of /proc/self/mountinfo. The functions of drives.h read the real table
// and hand it to these; the tests hand them tables of their own.

#include "disc/drives.h"
#include "model/window_services.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace drives::posix {

inline constexpr std::int32_t noRootDirType = 1;
inline constexpr std::int32_t removableType = removableDriveType;
inline constexpr std::int32_t fixedDiskType = 3;
inline constexpr std::int32_t networkDriveType = 4;

// A file system that has a letter: its root is LETTER:\ and its files lie
// under the mount point.
struct Drive {
    char letter = 'C';
    std::string mountPoint;
    std::int32_t type = fixedDiskType;
    std::string device = {}; // major:minor of its file system, when the table gives it
};

// Whether the block device of a file system, "major:minor", is removable.
using RemovableDevice = std::function<bool(const std::string& device)>;

// The kernel's removable flag of the block device, or for a partition of its
// disk, as sysfs shows it under the folder given (/sys on a running system).
bool removableInSysfs(const std::filesystem::path& sysfs, const std::string& device);

// The lettered file systems of a table: the root folder is C:, the others
// follow in table order from D: to Z:. Optical discs get the CD-ROM type;
// file systems mounted under /media or /run/media, where the desktop mounts
// what is plugged in, and those whose device is removable get the removable
// type.
std::vector<Drive> drivesFromMountInfo(std::string_view table, const RemovableDevice& removable = nullptr);

// The mount points' letters given so far in this run.
using GivenLetters = std::map<std::string, char>;

// The drives of a table read again, with the letters the same mount points
// were given before: a file system unmounted while the program runs does not
// shift the letters of the others, and a disc mounted again at the same place
// gets its letter back. A new mount point gets the first letter never given.
std::vector<Drive> keepLetters(const std::vector<Drive>& drives, GivenLetters& given);

DriveRoots listDriveRoots(const std::vector<Drive>& drives, std::int32_t capacity);
std::int32_t driveType(const std::vector<Drive>& drives, const std::string& root);
// The file that HEAD:\rest names, as an absolute path, or empty text.
std::string localPath(const std::vector<Drive>& drives, const std::string& path);

// The label of the file system on the block device "major:minor", as udev
// lists it under dev/disk/by-label of the folder given (/dev on a running
// system), the device told by its name in sysfs; empty text when it has
// none.
std::string labelOf(const std::filesystem::path& sysfs, const std::filesystem::path& dev, const std::string& device);

// The CD-ROM and removable drives among those, each named by its label
// (labelOf) or else by its mount point's folder name, where desktops mount
// a medium under its label.
std::vector<Medium> media(const std::vector<Drive>& drives, const std::filesystem::path& sysfs,
                          const std::filesystem::path& dev);

} // namespace drives::posix
