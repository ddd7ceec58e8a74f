#pragma once
// The history files as last read. A history only grows between two saves:
// for each file the reader remembers how far it read, when and at what size
// the file stood then, and the end of its last line, and reads again only
// what was added. It reads a file whole again only when it shrank or changed
// under it (a spreadsheet saved it back). So a clinic's folder of years of
// exercises is read whole once, and a save costs the reading of its own
// lines.

#include "results/history.h"
#include "results/private_files.h"

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

// What a history file holds, as last read.
struct FileHistory {
    HistoryContents lines;    // its lines that end with a line break
    HistoryContents lastLine; // a last line without one: being written, or a spreadsheet's
    // Empty when the file could be read; otherwise why not, in French. What
    // was read of it before stays.
    std::string trouble;
};

class HistoryReader {
public:
    // With a patient, only that patient's lines are read: a report of one
    // patient does not read a clinic's years of others.
    explicit HistoryReader(std::optional<std::string> onlyPatient = std::nullopt) : only_(std::move(onlyPatient)) {}

    // The file as it stands now, read as a file of the kind given; null
    // when there is no such file.
    const FileHistory* read(const std::filesystem::path& file, HistoryParser::Kind kind);
    // Forgets the files other than these, which are no longer read.
    void keepOnly(const std::set<std::filesystem::path>& files);
    // The bytes read from the files so far.
    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    struct Entry {
        HistoryParser parser{HistoryParser::Kind::results};
        HistoryParser::Kind kind = HistoryParser::Kind::results;
        private_files::Stamp stamp;
        std::uint64_t readTo = 0; // the end of the last line read whole
        std::string lastBytes;    // the file's bytes just before readTo
        FileHistory file;
    };
    void readWhole(Entry& entry, const std::filesystem::path& file, std::optional<DateOrder> order);
    // Reads what follows readTo; false when the file's bytes before it are
    // no longer those read.
    bool readFrom(Entry& entry, const std::filesystem::path& file);
    // Reads the bytes, which begin at readTo, into the entry; at the file's
    // end, a last line without its line end too.
    void take(Entry& entry, std::string_view bytes, bool end);

    std::optional<std::string> only_;
    std::map<std::filesystem::path, Entry> entries_;
    std::uint64_t bytesRead_ = 0;
};
