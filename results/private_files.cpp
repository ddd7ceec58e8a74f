// What the platforms share of the files that hold health data.

#include "results/private_files.h"

namespace private_files {

Stamp stampOf(const std::filesystem::path& file)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    Stamp stamp;
    stamp.exists = !error && std::filesystem::exists(status);
    stamp.regular = stamp.exists && std::filesystem::is_regular_file(status);
    if (!stamp.regular)
        return stamp;
    stamp.size = std::filesystem::file_size(file, error);
    stamp.changed = std::filesystem::last_write_time(file, error).time_since_epoch().count();
    return stamp;
}

std::filesystem::path targetOf(const std::filesystem::path& file)
{
    std::filesystem::path target = file;
    // A loop of links ends here, and the write is then refused.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(target, error))
            return target;
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error)
            return target;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

} // namespace private_files
