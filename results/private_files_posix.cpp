// Health-data files on POSIX systems: folders 0700, files 0600, each write
// followed by fsync of the file and, for a new name, of its folder.

#include "results/private_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace private_files {
namespace {

constexpr mode_t ownerOnlyFolder = 0700;
constexpr mode_t ownerOnlyFile = 0600;

std::string reasonOf(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT: return "le disque est plein";
    case EACCES:
    case EPERM: return "l'accès est refusé";
    case EROFS: return "le disque est protégé en écriture";
    case ENOTDIR:
    case EEXIST: return "un fichier porte déjà ce nom";
    case ENOENT: return "le dossier n'existe pas";
    case EIO: return "le disque ne répond pas";
    // No system number inside a French sentence: what the user can act on
    // is said above; anything else is a refusal of the system.
    default: return "le système a refusé l'écriture";
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, so that an error of the close is seen.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// A name just made in the folder lasts a crash only once the folder itself
// is on the disk.
void syncFolder(const std::filesystem::path& folder)
{
    const Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void makeOwnerOnly(int fd, mode_t mode)
{
    struct stat status {};
    if (::fstat(fd, &status) == 0 && (status.st_mode & 077) != 0)
        ::fchmod(fd, mode);
}

} // namespace

std::string makeFolder(const std::filesystem::path& folder)
{
    if (folder.empty())
        return reasonOf(ENOENT);
    std::filesystem::path made;
    for (const std::filesystem::path& part : folder) {
        made /= part;
        if (::mkdir(made.c_str(), ownerOnlyFolder) != 0 && errno != EEXIST)
            return reasonOf(errno);
    }
    const Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return reasonOf(errno);
    makeOwnerOnly(dir.get(), ownerOnlyFolder);
    return {};
}

Appended appendLine(const std::filesystem::path& file, std::string_view line, std::string_view header)
{
    Descriptor fd(::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, ownerOnlyFile));
    if (fd.get() < 0)
        return {reasonOf(errno)};
    makeOwnerOnly(fd.get(), ownerOnlyFile);
    // Another copy of the program may be adding its lines: one at a time,
    // so that the size read below is the one the write follows. The lock
    // goes with the descriptor.
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return {reasonOf(errno)};
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return {reasonOf(errno)};
    if (!S_ISREG(status.st_mode))
        return {reasonOf(EEXIST)};
    const off_t before = status.st_size;

    std::string bytes;
    if (before == 0) {
        bytes = header;
    } else {
        char last = '\n';
        if (::pread(fd.get(), &last, 1, before - 1) == 1 && last != '\n')
            bytes = "\r\n";
    }
    bytes += line;

    if (!writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
        const int error = errno;
        // What was written of the line goes again, so that the file ends as
        // it did.
        if (::ftruncate(fd.get(), before) == 0)
            ::fsync(fd.get());
        return {reasonOf(error)};
    }
    if (!fd.close())
        return {reasonOf(errno)};
    if (before == 0)
        syncFolder(file.parent_path());
    return {};
}

std::string replace(const std::filesystem::path& file, std::string_view content)
{
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    Descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, ownerOnlyFile));
    if (fd.get() < 0)
        return reasonOf(errno);
    makeOwnerOnly(fd.get(), ownerOnlyFile);
    if (!writeAll(fd.get(), content) || ::fsync(fd.get()) != 0 || !fd.close() ||
        ::rename(temporary.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return reasonOf(error);
    }
    syncFolder(file.parent_path());
    return {};
}

std::optional<std::string> read(const std::filesystem::path& file, std::size_t most)
{
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return content;
        content.append(buffer, static_cast<std::size_t>(got));
        if (content.size() >= most)
            return content.substr(0, most);
    }
}

} // namespace private_files
