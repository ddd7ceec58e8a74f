#include "sets/set_writer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLockFile>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace discwriter {
namespace {

const QString workingPrefix = QStringLiteral(".tavrel-");

fs::path toPath(const QString& path) { return fs::path(path.toStdU16String()); }

WriteError errorFrom(const QString& path, const std::error_code& error)
{
    const bool full = error == std::errc::no_space_on_device;
    return {full ? WriteError::Kind::noSpace : WriteError::Kind::failed, path,
            QString::fromLocal8Bit(error.message().c_str())};
}

std::optional<WriteError> removeAll(const QString& path)
{
    std::error_code error;
    fs::remove_all(toPath(path), error);
    if (error)
        return errorFrom(path, error);
    return std::nullopt;
}

std::optional<WriteError> rename(const QString& from, const QString& to)
{
    std::error_code error;
    fs::rename(toPath(from), toPath(to), error);
    if (error)
        return errorFrom(from, error);
    return std::nullopt;
}

bool exists(const QString& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(toPath(path), ignored));
}

// Flushes what was written into a file, or the names a folder holds, to the
// disc, so that a rename that follows never publishes data still in memory.
std::optional<WriteError> syncToDisc(const QString& path, [[maybe_unused]] int openFile = -1)
{
#if defined(Q_OS_UNIX)
    const int fd = openFile >= 0 ? openFile : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errorFrom(path, std::error_code(errno, std::generic_category()));
    const int status = ::fsync(fd);
    const int error = errno;
    if (openFile < 0)
        ::close(fd);
    if (status != 0)
        return errorFrom(path, std::error_code(error, std::generic_category()));
#endif
    return std::nullopt;
}

// Swaps two folders in one step where the system can (Linux); false where it
// cannot, and the caller then moves them one after the other.
bool exchange([[maybe_unused]] const QString& a, [[maybe_unused]] const QString& b)
{
#if defined(Q_OS_LINUX) && defined(RENAME_EXCHANGE)
    return ::renameat2(AT_FDCWD, QFile::encodeName(a).constData(), AT_FDCWD, QFile::encodeName(b).constData(),
                       RENAME_EXCHANGE) == 0;
#else
    return false;
#endif
}

std::optional<WriteError> makeFolder(const QString& path, Access access)
{
    const QDir here;
    const bool made = access == Access::ownerOnly
                          ? here.mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
                          : here.mkdir(path);
    if (!made)
        return WriteError{WriteError::Kind::failed, path, {}};
    return std::nullopt;
}

} // namespace

WriteError fileError(const QFileDevice& file, const QString& path)
{
    const auto kind = file.error() == QFileDevice::ResourceError ? WriteError::Kind::noSpace : WriteError::Kind::failed;
    return {kind, path, file.errorString()};
}

bool isWorkingEntry(const QString& name)
{
    return name.startsWith(workingPrefix);
}

std::optional<WriteError> writeNewFile(const QString& path, const QByteArray& bytes, Access access)
{
    QFile file(path);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered;
    const bool opened = access == Access::ownerOnly ? file.open(mode, QFile::ReadOwner | QFile::WriteOwner)
                                                    : file.open(mode);
    if (!opened)
        return fileError(file, path);
    // A write cut short by a full disc reports no error; the one after it does.
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0)
            return fileError(file, path);
        written += count;
    }
    return syncToDisc(path, file.handle());
}

std::optional<WriteError> replaceFolder(const QString& parent, const QString& name, Access access,
                                        const FolderFiller& fill)
{
    const QDir dir(parent);
    if (!dir.exists())
        return WriteError{WriteError::Kind::failed, parent, {}};
    // One writer at a time for a name; a lock left by a killed run is taken over.
    QLockFile lock(dir.filePath(workingPrefix + QStringLiteral("lock-") + name));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return WriteError{WriteError::Kind::busy, dir.filePath(name), {}};

    const QString target = dir.filePath(name);
    const QString fresh = dir.filePath(workingPrefix + QStringLiteral("new-") + name);
    const QString aside = dir.filePath(workingPrefix + QStringLiteral("old-") + name);

    // A run killed between its two renames left the old folder aside.
    if (!exists(target) && exists(aside)) {
        if (auto error = rename(aside, target))
            return error;
    }
    for (const QString& leftover : {fresh, aside}) {
        if (auto error = removeAll(leftover))
            return error;
    }

    if (auto error = makeFolder(fresh, access))
        return error;
    std::optional<WriteError> error = fill(fresh);
    if (!error)
        error = syncToDisc(fresh);
    if (error) {
        removeAll(fresh);
        return error;
    }

    if (!exists(target)) {
        error = rename(fresh, target);
    } else if (exchange(fresh, target)) {
        error = removeAll(fresh);
    } else {
        // Without an atomic swap the old folder is moved aside first; a kill
        // between the two renames is mended by the next run (above).
        error = rename(target, aside);
        if (!error)
            error = rename(fresh, target);
        if (!error)
            error = removeAll(aside);
    }
    if (error) {
        removeAll(fresh);
        return error;
    }
    return syncToDisc(parent);
}

std::optional<WriteError> writeSet(const QString& discFolder, const QString& setName,
                                   const std::vector<QImage>& pictures, Access access)
{
    if (pictures.size() != picturesPerSet)
        return WriteError{WriteError::Kind::failed, QDir(discFolder).filePath(setName), QStringLiteral("not 20 pictures")};
    return replaceFolder(discFolder, setName, access, [&](const QString& folder) -> std::optional<WriteError> {
        for (int number = 1; number <= picturesPerSet; ++number) {
            const QString path = QDir(folder).filePath(QString::number(number) + QStringLiteral(".jpg"));
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(90);
            if (!writer.write(pictures[static_cast<std::size_t>(number - 1)]))
                return WriteError{WriteError::Kind::failed, path, writer.errorString()};
            if (auto error = writeNewFile(path, bytes, access))
                return error;
        }
        return std::nullopt;
    });
}

} // namespace discwriter
