#include "sets/disc_image.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// The library declares its burn_source itself when libburn is not used.
#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <array>
#include <cstdlib>
#include <memory>

namespace discwriter {
namespace {

// The library's state lives from iso_init to iso_finish.
class Library {
public:
    Library() : ready_(iso_init() >= 0)
    {
        if (!ready_)
            return;
        // Nothing on standard error: every failure comes back as a result.
        char never[] = "NEVER";
        char prefix[] = "";
        iso_set_msgs_severities(never, never, prefix);
        // A file that cannot be read must fail the image, not be skipped.
        char sorry[] = "SORRY";
        iso_set_abort_severity(sorry);
    }
    ~Library()
    {
        if (ready_)
            iso_finish();
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    bool ready() const { return ready_; }

private:
    bool ready_;
};

struct ImageRelease {
    void operator()(IsoImage* image) const { iso_image_unref(image); }
};
struct OptionsRelease {
    void operator()(IsoWriteOpts* options) const { iso_write_opts_free(options); }
};
struct SourceRelease {
    void operator()(burn_source* source) const
    {
        source->free_data(source);
        std::free(source);
    }
};

WriteError libraryError(const QString& path, int code)
{
    return {WriteError::Kind::failed, path, QString::fromLocal8Bit(iso_error_to_msg(code))};
}

} // namespace

std::optional<WriteError> makeDiscImage(const QString& discFolder, const QString& imageFile, const QString& volumeId,
                                        Access access)
{
    const Library library;
    if (!library.ready())
        return WriteError{WriteError::Kind::failed, imageFile, QStringLiteral("libisofs")};

    IsoImage* rawImage = nullptr;
    int status = iso_image_new(volumeId.toLatin1().constData(), &rawImage);
    if (status < 0)
        return libraryError(imageFile, status);
    const std::unique_ptr<IsoImage, ImageRelease> image(rawImage);
    // replaceFolder's working entries, and anything else hidden, stay out.
    iso_tree_set_ignore_hidden(image.get(), 1);
    const QByteArray folder = QFile::encodeName(QFileInfo(discFolder).absoluteFilePath());
    status = iso_tree_add_dir_rec(image.get(), iso_image_get_root(image.get()), folder.constData());
    if (status < 0)
        return libraryError(discFolder, status);

    // Profile 2: Rock Ridge and Joliet, files readable by all, owned by root.
    IsoWriteOpts* rawOptions = nullptr;
    status = iso_write_opts_new(&rawOptions, 2);
    if (status < 0)
        return libraryError(imageFile, status);
    const std::unique_ptr<IsoWriteOpts, OptionsRelease> options(rawOptions);
    burn_source* rawSource = nullptr;
    status = iso_image_create_burn_source(image.get(), options.get(), &rawSource);
    if (status < 0)
        return libraryError(imageFile, status);
    const std::unique_ptr<burn_source, SourceRelease> source(rawSource);

    QSaveFile file(imageFile);
    if (!file.open(QIODevice::WriteOnly) ||
        (access == Access::ownerOnly && !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner))) {
        source->cancel(source.get());
        return fileError(file, imageFile);
    }
    // The image comes out one 2048-byte block at a time from the library's
    // writing thread.
    std::array<unsigned char, 2048> block{};
    for (;;) {
        const int read = source->read_xt(source.get(), block.data(), static_cast<int>(block.size()));
        if (read == 0)
            break;
        if (read < 0) {
            source->cancel(source.get());
            return WriteError{WriteError::Kind::failed, discFolder, {}};
        }
        if (file.write(reinterpret_cast<const char*>(block.data()), read) != read) {
            source->cancel(source.get());
            return fileError(file, imageFile);
        }
    }
    if (!file.commit())
        return fileError(file, imageFile);
    return std::nullopt;
}

} // namespace discwriter
