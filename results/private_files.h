#pragma once
// Files that hold health data: in a folder readable by its owner only, and
// written so that nothing already saved is lost or damaged by a crash, a
// power cut or a full disk. One implementation per platform:
// private_files_posix.cpp and private_files_windows.cpp.
//
// The functions return empty text on success, otherwise the reason in
// French, for a message to the user.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace private_files {

// Makes the folder and any missing parent readable by their owner only; an
// existing folder is made so.
std::string makeFolder(const std::filesystem::path& folder);

// What an append gives: empty reason when done. inUse when another
// program holds the file open against writing (a spreadsheet, on Windows):
// it can be written again once that program closes it.
struct Appended {
    std::string reason;
    bool inUse = false;
    bool done() const { return reason.empty(); }
};

// Adds the line at the end of the file in one write, then flushes the file
// to the disk before returning. A new or empty file gets the header first,
// in the same write; a file whose last line was cut short by a crash gets a
// line break first, so that the cut line stays alone. Two programs adding
// lines at once take turns, so that each line and the header are written
// once and whole. When anything fails, the file is left as it was.
Appended appendLine(const std::filesystem::path& file, std::string_view line, std::string_view header);

// Replaces the file's whole content at once: a crash leaves the old content
// or the new one.
std::string replace(const std::filesystem::path& file, std::string_view content);

// The file's content, or its first bytes up to most; nothing when it cannot
// be read (a missing file too).
std::optional<std::string> read(const std::filesystem::path& file, std::size_t most = std::string::npos);

} // namespace private_files
