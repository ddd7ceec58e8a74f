#include "sets/disc_image.h"

// The library declares its burn_source itself when libburn is not used.
#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>

namespace sets {
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

namespace fs = std::filesystem;

// The first entry of the folder that cannot be read whole, as the image
// would hold it (hidden entries left out), with the system's reason.
std::optional<WriteError> unreadableEntry(const fs::path& folder)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        return WriteError{WriteError::Kind::unreadable, folder, error};
    for (const fs::directory_entry& entry : entries) {
        if (entry.path().filename().string().starts_with("."))
            continue;
        if (entry.is_directory(error) && !entry.is_symlink(error)) {
            if (auto problem = unreadableEntry(entry.path()))
                return problem;
            continue;
        }
        if (!entry.is_regular_file(error))
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::array<char, 65536> block;
        while (file.read(block.data(), block.size()))
            ;
        if (!file.eof())
            return WriteError{WriteError::Kind::unreadable, entry.path(), {errno, std::generic_category()}};
    }
    return std::nullopt;
}

// What failed while the library read the folder: a file or folder that
// cannot be read is named; else the folder as a whole.
WriteError readError(const fs::path& discFolder)
{
    if (auto problem = unreadableEntry(discFolder))
        return *problem;
    return {WriteError::Kind::unreadable, discFolder, {}};
}

// The image's temporary name beside it, hidden, of its own for each run.
fs::path temporaryName(const fs::path& imageFile)
{
    std::random_device device;
    return imageFile.parent_path() /
           (".tavrel-image-" + std::to_string(std::uniform_int_distribution<unsigned long long>(0, 1ULL << 48)(device)));
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
        return WriteError{WriteError::Kind::failed, imageFile, {}};
    const std::unique_ptr<IsoImage, ImageRelease> image(rawImage);
    // replaceFolder's working entries, and anything else hidden, stay out.
    iso_tree_set_ignore_hidden(image.get(), 1);
    const std::filesystem::path folder = std::filesystem::absolute(discFolder);
    status = iso_tree_add_dir_rec(image.get(), iso_image_get_root(image.get()), folder.c_str());
    if (status < 0)
        return readError(discFolder);

    // Profile 2: Rock Ridge and Joliet, files readable by all, owned by root.
    IsoWriteOpts* rawOptions = nullptr;
    status = iso_write_opts_new(&rawOptions, 2);
    if (status < 0)
        return WriteError{WriteError::Kind::failed, imageFile, {}};
    const std::unique_ptr<IsoWriteOpts, OptionsRelease> options(rawOptions);
    burn_source* rawSource = nullptr;
    status = iso_image_create_burn_source(image.get(), options.get(), &rawSource);
    if (status < 0)
        return WriteError{WriteError::Kind::failed, imageFile, {}};
    const std::unique_ptr<burn_source, SourceRelease> source(rawSource);

    const fs::path target = fs::absolute(imageFile);
    const fs::path temporary = temporaryName(target);
    NewFile file(temporary, access);
    if (file.error()) {
        source->cancel(source.get());
        return WriteError{WriteError::Kind::failed, imageFile, file.error()};
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
            return readError(discFolder);
        }
        file.write(std::as_bytes(std::span(block.data(), static_cast<std::size_t>(read))));
        if (file.error()) {
            source->cancel(source.get());
            return WriteError{WriteError::Kind::failed, imageFile, file.error()};
        }
    }
    std::error_code error = file.finish();
    if (!error)
        fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        return WriteError{WriteError::Kind::failed, imageFile, error};
    }
    syncFolder(target.parent_path());
    return std::nullopt;
}

} // namespace sets
