#include "sets/folder_files.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace fs = std::filesystem;

namespace sets {
namespace {

std::error_code lastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

class WindowsLock final : public FolderLock {
public:
    explicit WindowsLock(HANDLE file) : file_(file) {}
    ~WindowsLock() override { CloseHandle(file_); }

private:
    HANDLE file_;
};

} // namespace

Cause causeOf(const std::error_code& error)
{
    if (error.category() != std::system_category())
        return error == std::errc::no_space_on_device ? Cause::noSpace : Cause::other;
    switch (error.value()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Cause::noSpace;
    case ERROR_ACCESS_DENIED:
        return Cause::denied;
    case ERROR_WRITE_PROTECT:
        return Cause::readOnly;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NOT_READY:
        return Cause::missing;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return Cause::inUse;
    default:
        return Cause::other;
    }
}

// Opened shared with nobody and deleted when closed: the system closes it
// when the process ends, however it ends.
LockAttempt lockFile(const fs::path& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return {nullptr, error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION,
                {static_cast<int>(error), std::system_category()}};
    }
    return {std::make_unique<WindowsLock>(file), false, {}};
}

// The folder's own access (the user's folders are the user's alone) is
// inherited: Windows has no creation mask to narrow.
NewFile::NewFile(const fs::path& path, Access)
    : path_(path), handle_(reinterpret_cast<std::intptr_t>(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)))
{
    open_ = reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE;
    if (!open_)
        error_ = lastError();
}

NewFile::~NewFile()
{
    if (!open_)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    DeleteFileW(path_.c_str());
}

void NewFile::write(std::span<const std::byte> bytes)
{
    for (std::size_t written = 0; written < bytes.size() && !error_;) {
        const DWORD most = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 20));
        DWORD count = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), bytes.data() + written, most, &count, nullptr) || count == 0)
            error_ = lastError();
        written += count;
    }
}

std::error_code NewFile::finish()
{
    if (!open_)
        return error_;
    const HANDLE file = reinterpret_cast<HANDLE>(handle_);
    if (!error_ && !FlushFileBuffers(file))
        error_ = lastError();
    CloseHandle(file);
    open_ = false;
    if (error_)
        DeleteFileW(path_.c_str());
    return error_;
}

std::error_code makeFolder(const fs::path& path, Access)
{
    return CreateDirectoryW(path.c_str(), nullptr) ? std::error_code() : lastError();
}

// Windows flushes a folder's names with its files.
std::error_code syncFolder(const fs::path&)
{
    return {};
}

bool exchangeFolders(const fs::path&, const fs::path&)
{
    return false;
}

} // namespace sets
