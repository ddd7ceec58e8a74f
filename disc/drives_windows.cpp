// The drives as Windows gives them: the drive list and the drive types of
// the Win32 calls, and paths used as they stand.

#include "disc/drives.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace drives {
namespace {

// While it lives, a drive without a disc makes the file calls of this thread
// fail instead of showing the system's "insert a disk" box. The mode is the
// thread's own: the disc is read on several threads at once.
class NoCriticalErrorBox {
public:
    NoCriticalErrorBox() { SetThreadErrorMode(GetThreadErrorMode() | SEM_FAILCRITICALERRORS, &previous_); }
    ~NoCriticalErrorBox() { SetThreadErrorMode(previous_, nullptr); }
    NoCriticalErrorBox(const NoCriticalErrorBox&) = delete;
    NoCriticalErrorBox& operator=(const NoCriticalErrorBox&) = delete;

private:
    DWORD previous_ = 0;
};

// A NUL would cut the path short when it reaches the system.
bool holdsNul(const std::string& path) { return path.find('\0') != std::string::npos; }

} // namespace

DriveRoots listDriveRoots(std::int32_t capacity)
{
    const DWORD room = capacity > 0 ? static_cast<DWORD>(capacity) : 0;
    std::string roots(room, '\0');
    const DWORD length = GetLogicalDriveStringsA(room, roots.data());
    // 0 when the call failed, and above the capacity the size needed when
    // the list did not fit; nothing was written then.
    if (length == 0 || length > room)
        return {std::string(), static_cast<std::int32_t>(length)};
    roots.resize(length);
    return {roots, static_cast<std::int32_t>(length)};
}

std::int32_t driveType(const std::string& root)
{
    return static_cast<std::int32_t>(GetDriveTypeA(root.c_str()));
}

std::string probeFile(const std::string& path)
{
    if (holdsNul(path))
        return {};
    const NoCriticalErrorBox quiet;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    // The first match that is a file: a folder of that name does not count.
    std::string name;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            name = found.cFileName;
            break;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return name;
}

std::string localPath(const std::string& path)
{
    if (holdsNul(path))
        return {};
    const NoCriticalErrorBox quiet;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool isFile = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    return isFile ? path : std::string();
}

} // namespace drives
