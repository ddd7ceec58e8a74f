#pragma once
// The few file operations of the set writer that differ between systems:
// a lock held by one writer at a time, a new file written and flushed to the
// disc, a folder made with the access asked for, the names of a folder
// flushed, and two folders swapped in one step where the system can.

#include <filesystem>
#include <memory>
#include <span>
#include <system_error>

namespace discwriter {

// Who may read what is written: the patient's photographs are health data.
enum class Access {
    ownerOnly, // folders 0700, files 0600
    usual,     // as the user's file creation mask gives
};

// What went wrong, as the messages tell it.
enum class Cause { noSpace, denied, readOnly, missing, other };
Cause causeOf(const std::error_code& error);

// A lock on a name, held until the object is gone; the lock's file goes
// with it. A lock left by a killed run is free again: the system lets it go
// with the process.
class FolderLock {
public:
    virtual ~FolderLock() = default;
};

struct LockAttempt {
    std::unique_ptr<FolderLock> lock; // null when not taken
    bool heldByAnother = false;       // else error says why
    std::error_code error;
};
LockAttempt lockFile(const std::filesystem::path& path);

// Writes the bytes into a file that must not exist yet and flushes them to
// the disc.
std::error_code writeNewFile(const std::filesystem::path& path, std::span<const std::byte> bytes, Access access);

std::error_code makeFolder(const std::filesystem::path& path, Access access);

// Flushes the names a folder holds to the disc, so that a rename that
// follows never publishes data still in memory.
std::error_code syncFolder(const std::filesystem::path& path);

// Swaps two folders in one step where the system can (Linux); false where it
// cannot, and the caller then moves them one after the other.
bool exchangeFolders(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace discwriter
