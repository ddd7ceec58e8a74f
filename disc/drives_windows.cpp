// The drives as Windows gives them: the drive list and the drive types of
// the Win32 calls, and paths in UTF-16. A path headed by a drive letter,
// E:\mainDG\7.jpg, is used as it stands; one headed by a folder,
// C:\Disque:\mainDG\7.jpg, names the file inside that folder, for a disc
// copied to a folder.

#include "disc/drives.h"
#include "model/text.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>

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

// The program's texts are UTF-8; files are named to the system in UTF-16.
std::wstring wide(const std::string& path) { return pathFromUtf8(path).wstring(); }

// The path the system is given for a program path: HEAD:\rest as it stands
// when HEAD is one letter (or nothing), else HEAD\rest. Names on Windows hold
// no colon, so the last ":\" is the one that heads the disc's fragment.
std::wstring systemPath(const std::string& path)
{
    const auto colon = path.rfind(":\\");
    if (colon == std::string::npos || colon <= 1)
        return wide(path);
    std::string head = path.substr(0, colon);
    if (!head.ends_with('\\') && !head.ends_with('/'))
        head += '\\';
    return wide(head + path.substr(colon + 2));
}

std::string utf8(const wchar_t* name) { return utf8Of(std::filesystem::path(name)); }

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
    const std::wstring file = systemPath(path);
    if (holdsNul(path) || file.empty())
        return {};
    const NoCriticalErrorBox quiet;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(file.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    // The first match that is a file: a folder of that name does not count.
    std::string name;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            name = utf8(found.cFileName);
            break;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return name;
}

std::vector<Medium> media()
{
    DriveRoots roots = listDriveRoots(64);
    if (roots.length > 64)
        roots = listDriveRoots(roots.length + 1);
    std::vector<Medium> found;
    const NoCriticalErrorBox quiet;
    for (std::size_t start = 0, end; (end = roots.text.find('\0', start)) != std::string::npos; start = end + 1) {
        const std::string root = roots.text.substr(start, end - start);
        const std::int32_t type = driveType(root);
        if (type != cdromDriveType && type != removableDriveType)
            continue;
        // A drive without a medium has no volume to tell of.
        wchar_t label[MAX_PATH + 1] = {};
        if (!GetVolumeInformationW(wide(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
            continue;
        found.push_back({root, type, root, utf8(label)});
    }
    return found;
}

std::string localPath(const std::string& path)
{
    const std::wstring file = systemPath(path);
    if (holdsNul(path) || file.empty())
        return {};
    const NoCriticalErrorBox quiet;
    const DWORD attributes = GetFileAttributesW(file.c_str());
    const bool isFile = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    return isFile ? utf8(file.c_str()) : std::string();
}

} // namespace drives
