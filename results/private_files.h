#pragma once
// Files that hold health data: written so that nothing already saved is lost
// or damaged by a crash, a power cut or a full disk. In the program's private
// folder they are readable by their owner only; in a folder the user chose,
// the folder keeps the permissions its owner gave it and a file the program
// makes there is its owner's alone. One implementation per platform:
// private_files_posix.cpp and private_files_windows.cpp.
//
// The functions return empty text on success, otherwise the reason in
// French, for a message to the user.

#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace private_files {

// Makes the folder and any missing parent readable by their owner only; an
// existing folder is made so. Only for the program's private folder.
std::string makeFolder(const std::filesystem::path& folder);

// Where a file lies: in the program's private folder, whose files stay
// their owner's, or in a folder the user chose, whose files keep what their
// owner made of them.
enum class Place { privateFolder, chosenFolder };

// What an append gives: empty reason when done. inUse when another
// program holds the file open against writing (a spreadsheet, on Windows):
// it can be written again once that program closes it.
struct Appended {
    std::string reason;
    bool inUse = false;
    bool done() const { return reason.empty(); }
};

// Adds the lines at the end of the file in one write, then flushes the file
// to the disk before returning. A new or empty file gets the header first,
// in the same write; a file whose last line was cut short by a crash gets a
// line end first (lineEnd, as the file writes it), so that the cut line
// stays alone. Two programs adding lines at once take turns, so that each
// line and the header are written once and whole. When anything fails, the
// file is left as it was. A file that is a symbolic link is written through
// to its target; a device, a named pipe or a folder is refused.
Appended appendLine(const std::filesystem::path& file, std::string_view line, std::string_view header,
                    std::string_view lineEnd = "\r\n", Place place = Place::privateFolder);

// Replaces the file's whole content at once: a crash leaves the old content
// or the new one. A symbolic link is written through to its target; a
// device, a named pipe or a folder is refused, and left as it is.
std::string replace(const std::filesystem::path& file, std::string_view content);

// The file's content from the offset, or its bytes up to most; nothing
// when it cannot be read (a missing file too).
std::optional<std::string> readBytes(const std::filesystem::path& file, std::size_t most = std::string::npos,
                                     std::uint64_t from = 0);

// What is known of a file without reading it: its size and time of last
// change, and whether it is there.
struct Stamp {
    bool exists = false;
    bool regular = false;
    std::uint64_t size = 0;
    std::int64_t changed = 0; // in the system's own unit
    bool operator==(const Stamp&) const = default;
};
Stamp stampOf(const std::filesystem::path& file);

// The file a path names once its symbolic links are followed: the path
// itself when it is none.
std::filesystem::path targetOf(const std::filesystem::path& file);

// Holds a file for this program alone, as long as the claim lives: another
// program, or another copy of this one, cannot claim it meanwhile. A claim
// that failed holds nothing. A claim ends with the process that holds it,
// however it ends.
class Claim {
public:
    explicit Claim(const std::filesystem::path& file);
    ~Claim();
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;
    bool held() const { return handle_ != -1; }
    // The claimed file's content.
    std::optional<std::string> content() const;
    // Removes the claimed file, while it is still held.
    bool remove();

private:
    std::filesystem::path file_;
    std::intptr_t handle_ = -1; // a descriptor, or a Windows handle
};

} // namespace private_files
