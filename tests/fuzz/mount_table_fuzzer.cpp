// The mount table read as drives: any bytes, in place of /proc/self/mountinfo,
// must give C: on the root folder, then consecutive letters on distinct mount
// points, a drive list of the platform's shape, and letters that stay with
// their mount points when the table is read again with other lines.
//
// The input is two tables, the first read before the second, separated by the
// first form feed (the second is empty when there is none).

#include "disc/mount_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using drives::posix::Drive;

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

void checkDrives(const std::vector<Drive>& drives)
{
    require(!drives.empty(), "the root folder always has a drive");
    require(drives.front().letter == 'C' && drives.front().mountPoint == "/", "C: is the root folder");
    require(drives.size() <= 24, "letters C to Z only");
    std::set<std::string> mountPoints;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        require(drives[i].letter == static_cast<char>('C' + i), "letters follow the table without gaps");
        require(mountPoints.insert(drives[i].mountPoint).second, "one letter per mount point");
        const std::int32_t type = drives[i].type;
        require(type == cdromDriveType || type == drives::posix::removableType ||
                    type == drives::posix::fixedDiskType || type == drives::posix::networkDriveType,
                "a CD-ROM, removable, fixed or network drive");
    }
}

// The list as the platform writes it, at every capacity from too small to
// more than enough, and each root's type read back.
void checkDriveList(const std::vector<Drive>& drives)
{
    const auto needed = static_cast<std::int32_t>(4 * drives.size());
    for (std::int32_t capacity : {-1, 0, 1, needed, needed + 1, 64, 1000}) {
        const DriveRoots roots = drives::posix::listDriveRoots(drives, capacity);
        if (needed + 1 > capacity) {
            require(roots.text.empty() && roots.length == needed + 1, "a list that does not fit reports its size");
            continue;
        }
        require(roots.length == needed && roots.text.size() == static_cast<std::size_t>(needed),
                "the length written without the final NUL");
        for (std::size_t i = 0; i < drives.size(); ++i) {
            const std::string root = roots.text.substr(4 * i, 3);
            require(roots.text[4 * i + 3] == '\0', "each root followed by one NUL");
            require(root == std::string{drives[i].letter, ':', '\\'}, "the roots in letter order");
            require(drives::posix::driveType(drives, root) == drives[i].type, "the root's type");
        }
    }
}

void checkLettersKept(const std::vector<Drive>& before, const std::vector<Drive>& after,
                      const drives::posix::GivenLetters& given)
{
    for (const Drive& later : after) {
        const auto found = given.find(later.mountPoint);
        require(found != given.end() && found->second == later.letter, "a drive keeps the letter it was given");
        for (const Drive& earlier : before) {
            if (earlier.mountPoint == later.mountPoint)
                require(earlier.letter == later.letter, "a mount point read again keeps its letter");
            else
                require(earlier.letter != later.letter, "a letter is never given to a second mount point");
        }
    }
    std::set<char> letters;
    for (const Drive& drive : after)
        require(letters.insert(drive.letter).second, "letters stay distinct");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\f');
    const std::string_view first = input.substr(0, split);
    const std::string_view second = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const std::vector<Drive> drives = drives::posix::drivesFromMountInfo(first);
    checkDrives(drives);
    checkDriveList(drives);

    // Garbage roots are no drive.
    for (std::string_view root : {std::string_view(first.substr(0, 3)), std::string_view(second.substr(0, 3))}) {
        const std::int32_t type = drives::posix::driveType(drives, std::string(root));
        require(type == drives::posix::noRootDirType || (root.size() == 3 && root.substr(1) == ":\\"),
                "only a root LETTER:\\ has a type");
    }

    drives::posix::GivenLetters given;
    const std::vector<Drive> firstRead = drives::posix::keepLetters(drives, given);
    require(firstRead.size() == drives.size(), "every drive of a first reading keeps its letter");
    for (std::size_t i = 0; i < drives.size(); ++i)
        require(firstRead[i].letter == drives[i].letter, "a first reading gives the table's letters");

    const std::vector<Drive> secondRead = drives::posix::keepLetters(drives::posix::drivesFromMountInfo(second), given);
    checkLettersKept(firstRead, secondRead, given);
    checkDriveList(secondRead);
    return 0;
}
