// Drive letters where the system has none: the mounted file systems of the
// mount table get C:, D:, E:, ..., and a path HEAD:\rest is looked up under
// the mount point of drive HEAD, or under the folder HEAD when HEAD is not
// one drive letter (for a disc copied to a folder).

#include "disc/drives.h"
#include "disc/mount_table.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <span>
#include <sstream>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace drives::posix {
namespace {

// Mounts that are not drives and get no letter: the kernel's virtual file
// systems, memory-backed ones (tmpfs holds /run, /dev/shm and the like),
// automount placeholders (the file system mounted over one is listed when it
// comes), squashfs program images (one for every snap package) and the FUSE
// helpers of the desktop that show no disk. Overlay is kept: it is the root
// file system of containers and live systems.
constexpr std::string_view notDrives[] = {
    "proc", "sysfs", "devtmpfs", "devpts", "devfs", "tmpfs", "ramfs", "rootfs", "cgroup", "cgroup2", "cpuset",
    "securityfs", "debugfs", "tracefs", "pstore", "efivarfs", "bpf", "configfs", "fusectl", "hugetlbfs", "mqueue",
    "autofs", "binfmt_misc", "rpc_pipefs", "nfsd", "nsfs", "selinuxfs", "smackfs", "apparmorfs", "squashfs",
    "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",
};

// Optical discs, and disc images mounted with fuseiso.
constexpr std::string_view cdromTypes[] = {"iso9660", "udf", "fuse.fuseiso"};

constexpr std::string_view networkTypes[] = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph", "glusterfs", "9p", "davfs",
    "sshfs", "fuse.sshfs", "fuse.rclone", "fuse.glusterfs", "fuse.curlftpfs",
};

bool among(std::string_view type, std::span<const std::string_view> types)
{
    return std::ranges::find(types, type) != types.end();
}

struct MountEntry {
    std::string device;     // major:minor of the file system
    std::string root;       // its folder shown at the mount point ("/" for all of it)
    std::string mountPoint;
    std::string type;
};

bool underFolder(const std::string& path, std::string_view folder)
{
    return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

std::int32_t typeCode(const MountEntry& entry, const RemovableDevice& removable)
{
    if (among(entry.type, cdromTypes))
        return cdromDriveType;
    if (among(entry.type, networkTypes))
        return networkDriveType;
    if (underFolder(entry.mountPoint, "/media") || underFolder(entry.mountPoint, "/run/media") ||
        (removable && !entry.device.empty() && removable(entry.device)))
        return removableType;
    return fixedDiskType;
}

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isOctal(char c) { return c >= '0' && c <= '7'; }

// The table writes a blank, a tab, a newline and a backslash inside a field
// as \040, \011, \012 and \134.
std::string unescape(std::string_view field)
{
    std::string plain;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            plain += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            plain += field[i];
        }
    }
    return plain;
}

// One line of mountinfo: ID, parent ID, major:minor, root, mount point,
// options, optional fields, "-", type, source, super options. Lines not of
// that shape are passed over.
std::vector<MountEntry> parseMountInfo(std::string_view table)
{
    std::vector<MountEntry> entries;
    std::istringstream lines{std::string(table)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        const std::vector<std::string> fields{std::istream_iterator<std::string>(words), {}};
        if (fields.size() < 8)
            continue;
        const auto dash = std::find(fields.begin() + 6, fields.end(), "-");
        if (dash == fields.end() || dash + 1 == fields.end())
            continue;
        entries.push_back({fields[2], unescape(fields[3]), unescape(fields[4]), *(dash + 1)});
    }
    return entries;
}

const Drive* driveOf(const std::vector<Drive>& drives, char letter)
{
    const auto found = std::ranges::find(drives, asciiUpper(letter), &Drive::letter);
    return found == drives.end() ? nullptr : &*found;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, {}, asciiLower, asciiLower);
}

// The entry of the folder with this name: the exact name when there is one,
// else the first in name order that differs from it only in letter case.
// Empty when there is none or the folder cannot be read.
fs::path entryNamed(const fs::path& folder, const std::string& name)
{
    std::error_code error;
    fs::path exact = folder / name;
    if (fs::exists(exact, error))
        return exact;
    std::string match;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string candidate = entry->path().filename().string();
        if (sameIgnoringCase(candidate, name) && (match.empty() || candidate < match))
            match = candidate;
    }
    return match.empty() ? fs::path() : folder / match;
}

// The first letter from C: never given in this run, or NUL past Z.
char unusedLetter(const GivenLetters& given)
{
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if (std::ranges::find(given, letter, &GivenLetters::value_type::second) == given.end())
            return letter;
    }
    return '\0';
}

// Whether the text can name a block device, "major:minor", and nothing else.
bool isDeviceNumber(const std::string& device)
{
    return !device.empty() && device.find('/') == std::string::npos && !device.starts_with(".");
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// udev writes the characters of a label unsafe in a file name as \xNN.
std::string unescapeLabel(std::string_view name)
{
    std::string plain;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && isHex(name[i + 2]) && isHex(name[i + 3])) {
            plain += static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            plain += name[i];
        }
    }
    return plain;
}

} // namespace

bool removableInSysfs(const fs::path& sysfs, const std::string& device)
{
    // dev/block/MAJOR:MINOR leads to the device's folder; a partition's folder
    // lies in its disk's, which holds the flag.
    if (!isDeviceNumber(device))
        return false;
    const fs::path folder = sysfs / "dev" / "block" / device;
    for (const fs::path& flag : {folder / "removable", folder / ".." / "removable"}) {
        std::ifstream file(flag);
        char value = '\0';
        if (file >> value)
            return value == '1';
    }
    return false;
}

std::string labelOf(const fs::path& sysfs, const fs::path& dev, const std::string& device)
{
    if (!isDeviceNumber(device))
        return {};
    std::error_code error;
    const fs::path node = fs::canonical(sysfs / "dev" / "block" / device, error);
    if (error)
        return {};
    for (fs::directory_iterator entry(dev / "disk" / "by-label", error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code unreadable;
        if (fs::read_symlink(entry->path(), unreadable).filename() == node.filename() && !unreadable)
            return unescapeLabel(entry->path().filename().string());
    }
    return {};
}

std::vector<Medium> media(const std::vector<Drive>& drives, const fs::path& sysfs, const fs::path& dev)
{
    std::vector<Medium> found;
    for (const Drive& drive : drives) {
        if (drive.type != cdromDriveType && drive.type != removableType)
            continue;
        std::string label = labelOf(sysfs, dev, drive.device);
        if (label.empty())
            label = fs::path(drive.mountPoint).filename().string();
        found.push_back({std::string{drive.letter, ':', '\\'}, drive.type, drive.mountPoint, label});
    }
    return found;
}

std::vector<Drive> drivesFromMountInfo(std::string_view table, const RemovableDevice& removable)
{
    // A file system mounted over another at the same point hides it.
    std::vector<MountEntry> visible;
    for (MountEntry& entry : parseMountInfo(table)) {
        std::erase_if(visible, [&](const MountEntry& shown) { return shown.mountPoint == entry.mountPoint; });
        if (!among(entry.type, notDrives))
            visible.push_back(std::move(entry));
    }

    // The root folder is always C:, also when the table does not show it.
    const auto root = std::ranges::find(visible, "/", &MountEntry::mountPoint);
    if (root == visible.end())
        visible.insert(visible.begin(), MountEntry{"", "", "/", ""});
    else
        std::rotate(visible.begin(), root, root + 1);

    // The same folder of the same file system mounted at a second place
    // (a bind mount) is the same drive: it keeps its first letter only.
    // File systems beyond Z get no letter; their folders can still be typed
    // at the drive question.
    std::vector<Drive> drives;
    std::set<std::pair<std::string, std::string>> lettered;
    char letter = 'C';
    for (const MountEntry& entry : visible) {
        if (letter > 'Z')
            break;
        if (lettered.insert({entry.device, entry.root}).second)
            drives.push_back({letter++, entry.mountPoint, typeCode(entry, removable), entry.device});
    }
    return drives;
}

std::vector<Drive> keepLetters(const std::vector<Drive>& drives, GivenLetters& given)
{
    std::vector<Drive> kept;
    for (Drive drive : drives) {
        auto [place, isNew] = given.try_emplace(drive.mountPoint, '\0');
        if (isNew)
            place->second = unusedLetter(given);
        if (place->second == '\0') {
            given.erase(place);
            continue;
        }
        drive.letter = place->second;
        kept.push_back(std::move(drive));
    }
    std::ranges::sort(kept, {}, &Drive::letter);
    return kept;
}

// Each root followed by one NUL; when that and the final NUL do not fit in
// the capacity, nothing is written and the size needed is reported.
DriveRoots listDriveRoots(const std::vector<Drive>& drives, std::int32_t capacity)
{
    std::string roots;
    for (const Drive& drive : drives)
        roots += std::string{drive.letter, ':', '\\', '\0'};
    const auto length = static_cast<std::int32_t>(roots.size());
    if (length + 1 > capacity)
        return {std::string(), length + 1};
    return {roots, length};
}

std::int32_t driveType(const std::vector<Drive>& drives, const std::string& root)
{
    const Drive* drive = root.size() == 3 && root.ends_with(":\\") ? driveOf(drives, root[0]) : nullptr;
    return drive ? drive->type : noRootDirType;
}

std::string localPath(const std::vector<Drive>& drives, const std::string& path)
{
    const auto colon = path.find(":\\");
    // A NUL would cut the path short when it reaches the system.
    if (colon == std::string::npos || colon == 0 || path.find('\0') != std::string::npos)
        return {};
    const std::string head = path.substr(0, colon);
    const Drive* drive = head.size() == 1 ? driveOf(drives, head[0]) : nullptr;

    std::error_code error;
    fs::path found = fs::absolute(drive ? fs::path(drive->mountPoint) : fs::path(head), error);
    if (error)
        return {};
    std::string rest = path.substr(colon + 2);
    std::ranges::replace(rest, '\\', '/');
    std::istringstream names(rest);
    for (std::string name; std::getline(names, name, '/');) {
        if (name.empty())
            continue;
        found = entryNamed(found, name);
        if (found.empty())
            return {};
    }
    return fs::is_regular_file(found, error) ? found.string() : std::string();
}

} // namespace drives::posix

namespace drives {
namespace {

// The table is read at every call, so that a disc mounted while the program
// runs is seen; the letters given stay with their mount points for the run.
// Without a table (no /proc) only C: is listed, and the folder of the disc
// can still be typed at the drive question. Threads that read the disc call
// this at the same time. The drive types that tell a removable drive need
// sysfs, which is read only when they are asked for.
std::vector<posix::Drive> machineDrives(const posix::RemovableDevice& removable = nullptr)
{
    static std::mutex lettersGiven;
    const std::lock_guard lock(lettersGiven);
    static posix::GivenLetters given;
    std::ifstream file("/proc/self/mountinfo");
    std::ostringstream table;
    if (file)
        table << file.rdbuf();
    return posix::keepLetters(posix::drivesFromMountInfo(table.str(), removable), given);
}

bool removableOnThisMachine(const std::string& device) { return posix::removableInSysfs("/sys", device); }

} // namespace

DriveRoots listDriveRoots(std::int32_t capacity) { return posix::listDriveRoots(machineDrives(), capacity); }

std::int32_t driveType(const std::string& root) { return posix::driveType(machineDrives(removableOnThisMachine), root); }

std::vector<Medium> media() { return posix::media(machineDrives(removableOnThisMachine), "/sys", "/dev"); }

std::string probeFile(const std::string& path) { return fs::path(localPath(path)).filename().string(); }

std::string localPath(const std::string& path) { return posix::localPath(machineDrives(), path); }

} // namespace drives
