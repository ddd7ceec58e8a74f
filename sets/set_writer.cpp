#include "sets/set_writer.h"

#include <random>

namespace fs = std::filesystem;

namespace sets {
namespace {

constexpr std::string_view workingPrefix = ".tavrel-";

WriteError failure(const fs::path& path, std::error_code cause = {})
{
    return {WriteError::Kind::failed, path, cause};
}

bool entryExists(const fs::path& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

std::optional<WriteError> removeAll(const fs::path& path)
{
    std::error_code error;
    fs::remove_all(path, error);
    if (error)
        return failure(path, error);
    return std::nullopt;
}

std::optional<WriteError> renameEntry(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    fs::rename(from, to, error);
    if (error)
        return failure(from, error);
    return std::nullopt;
}

// A working name of its own for each run, so that a leftover nobody can
// remove never blocks the runs after it.
std::string uniqueSuffix()
{
    std::random_device device;
    return std::to_string(std::uniform_int_distribution<unsigned long long>(0, 1ULL << 48)(device));
}

std::string workingName(std::string_view kind, const std::string& name)
{
    return std::string(workingPrefix) + std::string(kind) + "-" + name + ".";
}

// Puts back the old folder a run killed between its two renames left aside,
// and removes every other leftover of the name it can; the first it cannot
// remove (an old folder of another user) is told.
std::optional<WriteError> tidy(const fs::path& parent, const std::string& name)
{
    const std::string fresh = workingName("new", name);
    const std::string aside = workingName("old", name);
    std::vector<fs::path> leftovers;
    std::error_code error;
    for (fs::directory_iterator entry(parent, error), end; !error && entry != end; entry.increment(error)) {
        const std::string entryName = entry->path().filename().string();
        if (entryName.starts_with(fresh) || entryName.starts_with(aside))
            leftovers.push_back(entry->path());
    }
    const fs::path target = parent / name;
    std::optional<WriteError> left;
    for (const fs::path& leftover : leftovers) {
        if (!entryExists(target) && leftover.filename().string().starts_with(aside) && !renameEntry(leftover, target))
            continue;
        if (auto problem = removeAll(leftover); problem && !left)
            left = WriteError{WriteError::Kind::oldLeft, leftover, problem->cause};
    }
    return left;
}

} // namespace

bool isWorkingEntry(std::string_view name)
{
    return name.starts_with(workingPrefix);
}

std::optional<WriteError> writeFile(const fs::path& path, std::span<const std::byte> bytes, Access access)
{
    NewFile file(path, access);
    file.write(bytes);
    if (const std::error_code error = file.finish())
        return failure(path, error);
    return std::nullopt;
}

std::optional<WriteError> replaceFolder(const fs::path& parent, const std::string& name, Access access,
                                        const FolderCheck& check, const FolderFiller& fill)
{
    std::error_code error;
    if (!fs::is_directory(parent, error))
        return failure(parent, error ? error : std::make_error_code(std::errc::not_a_directory));
    const LockAttempt lock = lockFile(parent / (std::string(workingPrefix) + "lock-" + name));
    if (!lock.lock) {
        if (lock.heldByAnother)
            return WriteError{WriteError::Kind::busy, parent / name, {}};
        return failure(parent, lock.error);
    }

    const std::optional<WriteError> leftBefore = tidy(parent, name);
    const fs::path target = parent / name;
    if (check) {
        if (auto problem = check(target))
            return problem;
    }

    const std::string suffix = uniqueSuffix();
    const fs::path fresh = parent / (workingName("new", name) + suffix);
    const fs::path aside = parent / (workingName("old", name) + suffix);
    if (const std::error_code made = makeFolder(fresh, access))
        return failure(parent, made);
    std::optional<WriteError> problem = fill(fresh);
    if (!problem) {
        if (const std::error_code synced = syncFolder(fresh))
            problem = failure(fresh, synced);
    }
    if (problem) {
        removeAll(fresh);
        return problem;
    }

    bool oldAside = false;
    if (!entryExists(target)) {
        problem = renameEntry(fresh, target);
    } else if (exchangeFolders(fresh, target)) {
        // The old folder is now under the new one's working name.
        oldAside = !renameEntry(fresh, aside);
        if (!oldAside)
            return WriteError{WriteError::Kind::oldLeft, fresh, {}};
    } else {
        // Without an atomic swap the old folder is moved aside first; a kill
        // between the two renames is mended by the next run (tidy).
        problem = renameEntry(target, aside);
        if (!problem) {
            oldAside = true;
            if ((problem = renameEntry(fresh, target))) {
                renameEntry(aside, target);
                oldAside = false;
            }
        }
    }
    if (problem) {
        removeAll(fresh);
        return problem;
    }
    syncFolder(parent);
    if (oldAside) {
        if (auto left = removeAll(aside))
            return WriteError{WriteError::Kind::oldLeft, aside, left->cause};
    }
    return leftBefore;
}

std::optional<WriteError> writeSet(const fs::path& discFolder, const std::string& setName,
                                   const std::vector<std::vector<std::byte>>& jpegFiles, Access access,
                                   const FolderCheck& check)
{
    if (jpegFiles.size() != picturesPerSet)
        return failure(discFolder / setName, std::make_error_code(std::errc::invalid_argument));
    return replaceFolder(discFolder, setName, access, check, [&](const fs::path& folder) -> std::optional<WriteError> {
        for (int number = 1; number <= picturesPerSet; ++number) {
            if (auto error = writeFile(folder / (std::to_string(number) + ".jpg"),
                                       jpegFiles[static_cast<std::size_t>(number - 1)], access))
                return error;
        }
        return std::nullopt;
    });
}

} // namespace sets
