#include "sets/folder_files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace sets {
namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

class PosixLock final : public FolderLock {
public:
    PosixLock(int fd, fs::path path) : fd_(fd), path_(std::move(path)) {}
    ~PosixLock() override
    {
        // Removed while still held: a writer that opens the name afterwards
        // makes a new file and finds it free, as it is.
        ::unlink(path_.c_str());
        ::close(fd_);
    }

private:
    int fd_;
    fs::path path_;
};

mode_t modeOf(Access access, bool folder)
{
    if (access == Access::ownerOnly)
        return folder ? 0700 : 0600;
    return folder ? 0777 : 0666;
}

} // namespace

Cause causeOf(const std::error_code& error)
{
    if (error == std::errc::no_space_on_device || error == std::errc::file_too_large)
        return Cause::noSpace;
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return Cause::denied;
    if (error == std::errc::read_only_file_system)
        return Cause::readOnly;
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory)
        return Cause::missing;
    // What rename says of a folder on which a file system is mounted.
    if (error == std::errc::device_or_resource_busy)
        return Cause::mountPoint;
    return Cause::other;
}

LockAttempt lockFile(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return {nullptr, false, lastError()};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const std::error_code error = lastError();
        ::close(fd);
        return {nullptr, error == std::errc::operation_would_block, error};
    }
    // The holder before us may have removed the name between our open and
    // our lock: then the lock is on a file nobody else will look at.
    struct stat held {}, named {};
    if (::fstat(fd, &held) != 0 || ::stat(path.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev) {
        ::close(fd);
        return {nullptr, true, {}};
    }
    return {std::make_unique<PosixLock>(fd, path), false, {}};
}

NewFile::NewFile(const fs::path& path, Access access)
    : path_(path), handle_(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modeOf(access, false)))
{
    open_ = handle_ >= 0;
    if (!open_)
        error_ = lastError();
}

NewFile::~NewFile()
{
    if (!open_)
        return;
    ::close(static_cast<int>(handle_));
    ::unlink(path_.c_str());
}

void NewFile::write(std::span<const std::byte> bytes)
{
    for (std::size_t written = 0; written < bytes.size() && !error_;) {
        const ssize_t count = ::write(static_cast<int>(handle_), bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            error_ = count < 0 ? lastError() : std::make_error_code(std::errc::no_space_on_device);
        else
            written += static_cast<std::size_t>(count);
    }
}

std::error_code NewFile::finish()
{
    if (!open_ || error_)
        return error_;
    if (::fsync(static_cast<int>(handle_)) != 0)
        error_ = lastError();
    if (::close(static_cast<int>(handle_)) != 0 && !error_)
        error_ = lastError();
    open_ = false;
    if (error_)
        ::unlink(path_.c_str());
    return error_;
}

std::error_code makeFolder(const fs::path& path, Access access)
{
    return ::mkdir(path.c_str(), modeOf(access, true)) == 0 ? std::error_code() : lastError();
}

std::error_code syncFolder(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    const std::error_code error = ::fsync(fd) == 0 ? std::error_code() : lastError();
    ::close(fd);
    return error;
}

bool exchangeFolders([[maybe_unused]] const fs::path& a, [[maybe_unused]] const fs::path& b)
{
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
#else
    return false;
#endif
}

} // namespace sets
