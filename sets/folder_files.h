#pragma once
// The few file operations of the set writer that differ between systems:
// a lock held by one writer at a time, a new file written and flushed to the
// disc, a folder made with the access asked for, the names of a folder
// flushed, and two folders swapped in one step where the system can.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <system_error>

namespace sets {

// Who may read what is written: the patient's photographs are health data.
enum class Access {
    ownerOnly, // folders 0700, files 0600
    usual,     // as the user's file creation mask gives
};

// What went wrong, as the messages tell it: no room, no right, a medium
// that cannot be written, a folder gone, a folder that is another file
// system's mount point, a file another program holds.
enum class Cause { noSpace, denied, readOnly, missing, mountPoint, inUse, other };
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

// A file that must not exist yet, written piece by piece and flushed to the
// disc when it is finished. One that is not finished (a failure, a
// cancellation) is removed when the object goes.
class NewFile {
public:
    NewFile(const std::filesystem::path& path, Access access);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // The first error met, creating the file included; then nothing more is
    // written.
    std::error_code error() const { return error_; }
    void write(std::span<const std::byte> bytes);
    // Flushes the file to the disc and closes it; its error, if any.
    std::error_code finish();

private:
    std::filesystem::path path_;
    std::intptr_t handle_; // the system's handle of the open file
    bool open_ = false;
    std::error_code error_;
};

std::error_code makeFolder(const std::filesystem::path& path, Access access);

// Flushes the names a folder holds to the disc, so that a rename that
// follows never publishes data still in memory.
std::error_code syncFolder(const std::filesystem::path& path);

// Swaps two folders in one step where the system can (Linux); false where it
// cannot, and the caller then moves them one after the other.
bool exchangeFolders(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace sets
