// Health-data files on POSIX systems: the private folder 0700, files the
// program makes 0600, each write followed by fsync of the file and, for a
// new name, of its folder.

#include "results/private_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    case EISDIR: return "c'est un dossier, pas un fichier";
    case ELOOP: return "c'est un lien symbolique qui ne mène à aucun fichier";
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

// Why the program will not write where the path leads, or empty text for a
// regular file or a new name. A device or a named pipe is never replaced nor
// written to, whatever the user's rights.
std::string notAFile(const std::filesystem::path& file)
{
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0)
        return {};
    if (S_ISDIR(status.st_mode))
        return reasonOf(EISDIR);
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return "c'est un périphérique, pas un fichier";
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode))
        return "c'est un tube nommé, pas un fichier";
    return S_ISREG(status.st_mode) ? std::string() : reasonOf(EEXIST);
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

Appended appendLine(const std::filesystem::path& file, std::string_view line, std::string_view header,
                    std::string_view lineEnd, Place place)
{
    // A symbolic link is followed as its maker expects, unless another
    // account made it, in a folder others may write.
    struct stat link {};
    if (::lstat(file.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && link.st_uid != ::geteuid())
        return {"le lien symbolique qui porte ce nom appartient à un autre compte"};
    if (std::string refused = notAFile(file); !refused.empty())
        return {refused};
    Descriptor fd(::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, ownerOnlyFile));
    if (fd.get() < 0)
        return {reasonOf(errno)};
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return {reasonOf(errno)};
    if (!S_ISREG(status.st_mode))
        return {notAFile(file).empty() ? reasonOf(EEXIST) : notAFile(file)};
    if (place == Place::privateFolder)
        makeOwnerOnly(fd.get(), ownerOnlyFile);
    // Another copy of the program may be adding its lines: one at a time,
    // so that the size read below is the one the write follows. The lock
    // goes with the descriptor.
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return {reasonOf(errno)};
    }
    if (::fstat(fd.get(), &status) != 0)
        return {reasonOf(errno)};
    const off_t before = status.st_size;

    std::string bytes;
    if (before == 0) {
        bytes = header;
    } else {
        std::string last(lineEnd.size(), '\0');
        const auto size = static_cast<off_t>(lineEnd.size());
        if (before < size || ::pread(fd.get(), last.data(), last.size(), before - size) != size || last != lineEnd)
            bytes = lineEnd;
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
        syncFolder(targetOf(file).parent_path());
    return {};
}

std::string replace(const std::filesystem::path& link, std::string_view content)
{
    const std::filesystem::path file = targetOf(link);
    if (std::string refused = notAFile(file); !refused.empty())
        return refused;
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

std::optional<std::string> readBytes(const std::filesystem::path& file, std::size_t most, std::uint64_t from)
{
    // Never waits on a named pipe nor reads a device.
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    // Lines another copy of the program is adding, which takes a moment, are
    // read whole or not at all. A file held longer (a record of the journal
    // another copy is writing through), or on a file system without locks,
    // is read all the same.
    for (int attempt = 0; attempt < 20 && ::flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno != EINVAL &&
                          errno != ENOLCK && errno != EOPNOTSUPP;
         ++attempt)
        ::usleep(5000);
    // Straight into the text, which is sized once when the file's size is
    // known.
    std::string content;
    const std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
    content.resize(size > from ? static_cast<std::size_t>(std::min<std::uint64_t>(most, size - from)) : 0);
    std::size_t got = 0;
    auto at = static_cast<off_t>(from);
    for (;;) {
        if (got == content.size()) {
            if (got >= most)
                return content;
            content.resize(std::min(most, got + 65536));
        }
        const ssize_t read = ::pread(fd.get(), content.data() + got, content.size() - got, at);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return std::nullopt;
        if (read == 0) {
            content.resize(got);
            return content;
        }
        got += static_cast<std::size_t>(read);
        at += read;
    }
}

Claim::Claim(const std::filesystem::path& file) : file_(file)
{
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    struct stat status {};
    // Claimed by another meanwhile, or already removed by the one that
    // claimed it before.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &status) != 0 || status.st_nlink == 0) {
        ::close(fd);
        return;
    }
    handle_ = fd;
}

Claim::~Claim()
{
    if (held())
        ::close(static_cast<int>(handle_));
}

std::optional<std::string> Claim::content() const
{
    if (!held())
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(static_cast<int>(handle_), buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return content;
        content.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
}

bool Claim::remove()
{
    if (!held() || ::unlink(file_.c_str()) != 0)
        return false;
    syncFolder(file_.parent_path());
    return true;
}

} // namespace private_files
