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
    if (!added && entry.kind != kind) {
        entries_.erase(at);
        return read(file, kind);
    }
    entry.kind = kind;
    if (!stamp.regular) {
        entry = Entry{};
        entry.kind = kind;
        entry.parser = HistoryParser(kind);
        entry.file.trouble = "ce n'est pas un fichier";
        return &entry.file;
    }
    if (!added && entry.file.trouble.empty() && stamp == entry.stamp)
        return &entry.file;
    if (added || stamp.size < entry.readTo) {
        readWhole(entry, file, std::nullopt);
    } else {
        const std::uint64_t from = entry.readTo - entry.lastBytes.size();
        const std::optional<std::string> bytes = private_files::read(file, std::string::npos, from);
        if (!bytes) {
            entry.file.trouble = "il n'a pas pu être ouvert (est-il ouvert dans un autre programme ?)";
            return &entry.file;
        }
        bytesRead_ += bytes->size();
        if (!std::string_view(*bytes).starts_with(entry.lastBytes)) {
            // Changed under us: a spreadsheet saved it back.
            readWhole(entry, file, std::nullopt);
        } else {
            take(entry, std::string_view(*bytes).substr(entry.lastBytes.size()));
            // A day above 12 in the added lines showed that the file writes
            // the month first.
            if (entry.parser.monthFirstLearnt())
                readWhole(entry, file, DateOrder::monthFirst);
        }
    }
    entry.stamp = stamp;
    return &entry.file;
}

void HistoryReader::readWhole(Entry& entry, const std::filesystem::path& file, std::optional<DateOrder> order)
{
    entry.parser = HistoryParser(entry.kind, order);
    entry.readTo = 0;
    entry.lastBytes.clear();
    entry.file = {};
    const std::optional<std::string> bytes = private_files::read(file);
    if (!bytes) {
        entry.file.trouble = "il n'a pas pu être ouvert (est-il ouvert dans un autre programme ?)";
        return;
    }
    bytesRead_ += bytes->size();
    take(entry, *bytes);
    // The dates showed that the file writes the month first.
    if (!order && entry.parser.monthFirstLearnt())
        readWhole(entry, file, DateOrder::monthFirst);
}

void HistoryReader::take(Entry& entry, std::string_view bytes)
{
    entry.file.trouble.clear();
    entry.file.lastLine = {};
    if (bytes.empty())
        return;
    // The first bytes tell the encoding, and so what ends a line.
    entry.parser.learnEncoding(bytes);
    const std::size_t whole = afterLastLineEnd(bytes, entry.parser.lineEnd());
    entry.parser.read(bytes.substr(0, whole), entry.file.lines);
    if (whole < bytes.size())
        entry.parser.continuation().read(bytes.substr(whole), entry.file.lastLine);
    entry.readTo += whole;
    entry.lastBytes += bytes.substr(0, whole);
    if (entry.lastBytes.size() > checkedBytes)
        entry.lastBytes.erase(0, entry.lastBytes.size() - checkedBytes);
}

void HistoryReader::keepOnly(const std::set<std::filesystem::path>& files)
{
    std::erase_if(entries_, [&](const auto& entry) { return !files.contains(entry.first); });
}
