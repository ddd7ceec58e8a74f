#include "results/history_reader.h"

#include <algorithm>

namespace {

// How many bytes before the end of what was read identify it: the end of
// the last line, with its exercise's identity.
constexpr std::size_t checkedBytes = 64;

// Where the text's last line break ends, in a text of the encoding whose
// line end is given (two bytes in UTF-16, at an even place); 0 when there
// is none.
std::size_t afterLastLineEnd(std::string_view bytes, std::string_view lineEnd)
{
    for (std::size_t at = bytes.rfind(lineEnd); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : bytes.rfind(lineEnd, at - 1)) {
        if (at % lineEnd.size() == 0)
            return at + lineEnd.size();
    }
    return 0;
}

} // namespace

const FileHistory* HistoryReader::read(const std::filesystem::path& file, HistoryParser::Kind kind)
{
    const private_files::Stamp stamp = private_files::stampOf(file);
    if (!stamp.exists) {
        entries_.erase(file);
        return nullptr;
    }
    auto [at, added] = entries_.try_emplace(file);
    Entry& entry = at->second;
    if (added || entry.kind != kind || !stamp.regular) {
        entry = Entry{};
        entry.kind = kind;
        entry.parser = HistoryParser(kind, std::nullopt, only_);
    }
    if (!stamp.regular) {
        entry.file.trouble = "ce n'est pas un fichier";
        return &entry.file;
    }
    if (!added && entry.file.trouble.empty() && stamp == entry.stamp)
        return &entry.file;
    // Grown, or as long as before and changed: the end of what was read
    // tells whether the file was only added to.
    if (stamp.size < entry.readTo || !readFrom(entry, file))
        readWhole(entry, file, std::nullopt);
    // A day above 12 in the lines showed that the file writes the month
    // first.
    if (entry.parser.monthFirstLearnt())
        readWhole(entry, file, DateOrder::monthFirst);
    entry.stamp = stamp;
    return &entry.file;
}

void HistoryReader::readWhole(Entry& entry, const std::filesystem::path& file, std::optional<DateOrder> order)
{
    entry.parser = HistoryParser(entry.kind, order, only_);
    entry.readTo = 0;
    entry.lastBytes.clear();
    entry.file = {};
    readFrom(entry, file);
}

bool HistoryReader::readFrom(Entry& entry, const std::filesystem::path& file)
{
    // In pieces, each parsed up to its last whole line: the file is never
    // all in memory at once.
    constexpr std::size_t piece = 4 << 20;
    std::uint64_t at = entry.readTo - entry.lastBytes.size();
    std::string bytes;
    bool checked = entry.lastBytes.empty();
    for (;;) {
        const std::optional<std::string> read = private_files::readBytes(file, piece, at);
        if (!read) {
            entry.file.trouble = "il n'a pas pu être ouvert (est-il ouvert dans un autre programme ?)";
            return true;
        }
        bytesRead_ += read->size();
        at += read->size();
        bytes += *read;
        if (!checked) {
            // Changed under us: a spreadsheet saved it back.
            if (bytes.size() < entry.lastBytes.size() || !std::string_view(bytes).starts_with(entry.lastBytes))
                return false;
            bytes.erase(0, entry.lastBytes.size());
            checked = true;
        }
        const bool end = read->size() < piece;
        entry.file.trouble.clear();
        entry.parser.learnEncoding(bytes);
        const std::size_t whole = end ? bytes.size() : afterLastLineEnd(bytes, entry.parser.lineEnd());
        take(entry, std::string_view(bytes).substr(0, whole), end);
        bytes.erase(0, whole);
        if (end)
            return true;
    }
}

void HistoryReader::take(Entry& entry, std::string_view bytes, bool end)
{
    // The last line without its line end is read apart, and again once it
    // is whole.
    const std::size_t whole = end ? afterLastLineEnd(bytes, entry.parser.lineEnd()) : bytes.size();
    entry.parser.read(bytes.substr(0, whole), entry.file.lines);
    if (end) {
        entry.file.lastLine = {};
        if (whole < bytes.size())
            entry.parser.continuation().read(bytes.substr(whole), entry.file.lastLine);
    }
    entry.readTo += whole;
    entry.lastBytes += bytes.substr(0, whole);
    if (entry.lastBytes.size() > checkedBytes)
        entry.lastBytes.erase(0, entry.lastBytes.size() - checkedBytes);
}

void HistoryReader::keepOnly(const std::set<std::filesystem::path>& files)
{
    std::erase_if(entries_, [&](const auto& entry) { return !files.contains(entry.first); });
}
