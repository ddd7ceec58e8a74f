#include "sets/disc_image.h"

#include <QFile>
#include <QSaveFile>

// The library declares its burn_source itself when libburn is not used.
#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <unistd.h>

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

// The library's own codes tell nothing the clinician can act on: what failed
// is named, with the system's reason when there is one.
WriteError libraryError(const std::filesystem::path& path, [[maybe_unused]] int code)
{
    return {WriteError::Kind::failed, path, {}};
}

// Why the image file could not be written: a full disc is reported by Qt as
// a resource error; a refusal to open is asked of the system again.
WriteError fileError(const QFileDevice& file, const std::filesystem::path& path)
{
    if (file.error() == QFileDevice::ResourceError)
        return {WriteError::Kind::failed, path, std::make_error_code(std::errc::no_space_on_device)};
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    if (::access(folder.c_str(), W_OK) != 0)
        return {WriteError::Kind::failed, path, {errno, std::generic_category()}};
    return {WriteError::Kind::failed, path, std::make_error_code(std::errc::io_error)};
}

} // namespace

std::optional<WriteError> makeDiscImage(const std::filesystem::path& discFolder, const std::filesystem::path& imageFile,
                                        const std::string& volumeId, Access access)
{
    const Library library;
    if (!library.ready())
        return WriteError{WriteError::Kind::failed, imageFile, {}};

    IsoImage* rawImage = nullptr;
    int status = iso_image_new(volumeId.c_str(), &rawImage);
    if (status < 0)
        return libraryError(imageFile, status);
    const std::unique_ptr<IsoImage, ImageRelease> image(rawImage);
    // replaceFolder's working entries, and anything else hidden, stay out.
    iso_tree_set_ignore_hidden(image.get(), 1);
    const std::filesystem::path folder = std::filesystem::absolute(discFolder);
    status = iso_tree_add_dir_rec(image.get(), iso_image_get_root(image.get()), folder.c_str());
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

    QSaveFile file(QFile::decodeName(imageFile.c_str()));
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
