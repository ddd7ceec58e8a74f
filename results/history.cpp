#include "results/history.h"

#include "model/local_time.h"
#include "results/private_files.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <random>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view lineBreak = "\r\n";
constexpr std::array<BodyPart, 4> bodyParts = {BodyPart::hands, BodyPart::feet, BodyPart::face, BodyPart::patient};
constexpr int most = 1'000'000'000;

std::vector<std::string_view> columnsOf(std::string_view header)
{
    std::vector<std::string_view> columns;
    for (std::size_t pos = 0;;) {
        const std::size_t end = header.find(';', pos);
        columns.push_back(header.substr(pos, end - pos));
        if (end == std::string_view::npos)
            return columns;
        pos = end + 1;
    }
}

// A spreadsheet takes a cell that begins with one of these for a formula, so
// a name such as "=HYPERLINK(...)" would run as one when the file is opened.
// Such a name is written behind an apostrophe, which spreadsheets take as
// "text follows", and read back without it.
bool looksLikeFormula(std::string_view name)
{
    return !name.empty() && std::string_view("=+-@\t\r").find(name.front()) != std::string_view::npos;
}

// A field as the file holds it: quoted when it holds a separator, a quote
// or a line break, or begins with the apostrophe that guards a formula.
std::string csvField(std::string_view field)
{
    if (field.find_first_of(";\"\r\n") == std::string_view::npos && !field.starts_with('\''))
        return std::string(field);
    std::string quoted = "\"";
    for (char c : field) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string patientField(const std::string& name)
{
    return csvField(looksLikeFormula(name) ? "'" + name : name);
}

std::string patientFromField(std::string field)
{
    if (field.size() > 1 && field.front() == '\'' && looksLikeFormula(std::string_view(field).substr(1)))
        field.erase(0, 1);
    return field;
}

// Text that is not UTF-8 comes from a spreadsheet that saved the file in
// Windows-1252, as a French Windows does by default.
bool isUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > s.size() || (length == 2 && c < 0xC2))
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        }
        i += length;
    }
    return true;
}

// Windows-1252's characters from 0x80 to 0x9F; 0 where it has none.
constexpr std::array<char16_t, 32> windows1252High = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string fromWindows1252(std::string_view s)
{
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        const char32_t wide = c >= 0x80 && c < 0xA0 ? windows1252High[c - 0x80] : c;
        appendUtf8(out, wide ? wide : U'\uFFFD');
    }
    return out;
}

// UTF-8 text in Windows-1252; nothing when a character has no place there.
std::optional<std::string> toWindows1252(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        char32_t wide = c;
        std::size_t length = 1;
        if (c >= 0xE0 && i + 2 < s.size()) {
            wide = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            length = c >= 0xF0 ? 4 : 3;
        } else if (c >= 0xC0 && i + 1 < s.size()) {
            wide = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
            length = 2;
        }
        i += length;
        if (length == 4)
            return std::nullopt;
        if (wide < 0x80 || (wide >= 0xA0 && wide < 0x100)) {
            out += static_cast<char>(wide);
            continue;
        }
        const auto found = std::find(windows1252High.begin(), windows1252High.end(), static_cast<char16_t>(wide));
        if (wide > 0xFFFF || found == windows1252High.end())
            return std::nullopt;
        out += static_cast<char>(0x80 + (found - windows1252High.begin()));
    }
    return out;
}

// One record of a file: its fields, and where the next record begins.
// Nothing when the record is not well formed (an unclosed quote, text after
// a closing quote).
struct Record {
    std::vector<std::string> fields;
    std::size_t next;
};

std::optional<Record> readRecord(std::string_view text, std::size_t pos)
{
    Record record{{std::string()}, pos};
    bool quoted = false;
    bool afterQuote = false;
    for (std::size_t i = pos; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                record.fields.back() += c;
            else if (i + 1 < text.size() && text[i + 1] == '"')
                record.fields.back() += text[++i];
            else {
                quoted = false;
                afterQuote = true;
            }
            continue;
        }
        if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            record.next = i + (c == '\r' ? 2 : 1);
            break;
        }
        if (c == ';') {
            record.fields.emplace_back();
            afterQuote = false;
        } else if (afterQuote) {
            return std::nullopt;
        } else if (c == '"' && record.fields.back().empty()) {
            quoted = true;
        } else {
            record.fields.back() += c;
        }
    }
    if (quoted)
        return std::nullopt;
    if (record.next == pos)
        record.next = text.size();
    for (std::string& field : record.fields) {
        if (!isUtf8(field))
            field = fromWindows1252(field);
    }
    return record;
}

std::optional<int> wholeNumber(std::string_view field, int lowest, int highest)
{
    int n = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), n);
    if (error != std::errc() || end != field.data() + field.size() || n < lowest || n > highest)
        return std::nullopt;
    return n;
}

std::optional<BodyPart> partFromName(std::string_view name)
{
    for (BodyPart p : bodyParts) {
        if (name == partName(p))
            return p;
    }
    return std::nullopt;
}

std::optional<Side> sideFromName(std::string_view name)
{
    if (name == "gauche")
        return Side::left;
    if (name == "droite")
        return Side::right;
    return std::nullopt;
}

std::string_view sideName(Side side) { return side == Side::left ? "gauche" : "droite"; }

std::string_view markName(KeyMark mark) { return mark == KeyMark::tooSoon ? "trop tôt" : "réponse déjà affichée"; }

std::optional<KeyMark> markFromName(std::string_view name)
{
    for (KeyMark mark : {KeyMark::tooSoon, KeyMark::afterReveal}) {
        if (name == markName(mark))
            return mark;
    }
    return std::nullopt;
}

// A file's header, as the program writes it, and how many of its columns
// the files had from the start.
struct FileColumns {
    std::string_view header;
    std::size_t atFirst;
};

constexpr FileColumns historyColumns{historyHeader, historyColumnsAtFirst};
constexpr FileColumns answersColumns{answersHeader, answersColumnsAtFirst};

// Where each of the program's columns lies in a line of the file: at first
// in the program's order; a header gives the file's. A line has count
// fields, or, with the columns added since the file was begun, wider.
struct Columns {
    std::vector<std::size_t> at;
    std::size_t count = 0;
    std::size_t wider = 0;
    bool fileOrder = false;
};

// The program's order, in a line written before the later columns were
// added or after.
Columns programOrder(const FileColumns& file)
{
    const std::size_t all = columnsOf(file.header).size();
    Columns c{std::vector<std::size_t>(all), file.atFirst, all, false};
    for (std::size_t i = 0; i < all; ++i)
        c.at[i] = i;
    return c;
}

std::string trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// A header names the date and the patient columns, wherever they are.
bool looksLikeHeader(const std::vector<std::string>& fields)
{
    const auto names = [&](std::string_view name) {
        return std::ranges::any_of(fields, [&](const std::string& f) { return trimmed(f) == name; });
    };
    return names("date") && names("patient");
}

// The file's columns as its header names them; nothing when one of the
// columns the files had from the start is missing. A column added since,
// which a header of an older file does not name, follows the header's last
// named column (a spreadsheet may have filled the header with empty cells
// up to the longest line).
std::optional<Columns> columnsOfHeader(const std::vector<std::string>& header, const FileColumns& file)
{
    const std::vector<std::string_view> wanted = columnsOf(file.header);
    std::size_t named = 0;
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (!trimmed(header[i]).empty())
            named = i + 1;
    }
    Columns c{{}, header.size(), header.size(), true};
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        std::size_t found = header.size();
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (trimmed(header[i]) == wanted[k])
                found = i;
        }
        if (found == header.size()) {
            if (k < file.atFirst)
                return std::nullopt;
            found = named++;
        }
        c.at.push_back(found);
    }
    c.wider = std::max(c.count, named);
    c.fileOrder = !std::ranges::equal(c.at, programOrder(file).at);
    return c;
}

// Gives each line of the text to use(), its fields in the program's column
// order (empty for a column the line lacks), and counts the lines that use()
// refuses. A line that does not fit the header is read in the program's
// order, as the program writes it under a header that a spreadsheet changed.
int forEachLine(std::string_view text, const FileColumns& file,
                const std::function<bool(const std::vector<std::string>&)>& use)
{
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    const Columns ours = programOrder(file);
    std::optional<Columns> columns = ours;
    std::vector<std::string> fields(ours.at.size());
    const auto usable = [&](const Record& record, const Columns& c) {
        const std::size_t size = record.fields.size();
        if (size != c.count && size != c.wider)
            return false;
        for (std::size_t i = 0; i < fields.size(); ++i)
            fields[i] = c.at[i] < size ? record.fields[c.at[i]] : std::string();
        return use(fields);
    };
    int skipped = 0;
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        const std::size_t lineEnd = text.find('\n', pos);
        const std::size_t nextLine = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        if (text.substr(pos, nextLine - pos).find_first_not_of("\r\n") == std::string_view::npos) {
            pos = nextLine;
            continue;
        }
        const std::optional<Record> record = readRecord(text, pos);
        if (record && looksLikeHeader(record->fields)) {
            // A header: the first tells the file's columns; one written
            // again further down is no damage.
            if (first)
                columns = columnsOfHeader(record->fields, file);
            first = false;
            pos = record->next;
            continue;
        }
        first = false;
        if (record && ((columns && usable(*record, *columns)) || usable(*record, ours))) {
            pos = record->next;
            continue;
        }
        // A damaged record costs its own line only: reading goes on with
        // the next line, also when an unclosed quote ran past it.
        ++skipped;
        pos = nextLine;
    }
    return skipped;
}

// An exercise's identity as a line holds it, in lower case; empty text for
// a line written before exercises had one; nothing for a field that is no
// identity.
std::optional<std::string> exerciseIdOf(std::string_view field)
{
    const std::string id = trimmed(field);
    if (id.empty())
        return id;
    constexpr std::string_view shape = "00000000-0000-0000-0000-000000000000";
    if (id.size() != shape.size())
        return std::nullopt;
    std::string lower;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const char c = id[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (shape[i] == '-' ? c != '-' : !hex)
            return std::nullopt;
        lower += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    return lower;
}

std::optional<ExerciseResult> resultOf(const std::vector<std::string>& f)
{
    const std::optional<std::string> date = normalDateTime(f[0]);
    const std::optional<BodyPart> part = partFromName(f[2]);
    const auto level = wholeNumber(f[3], 1, 4);
    const auto interval = wholeNumber(f[4], 1, most);
    const auto feedback = wholeNumber(f[5], 0, 1);
    const auto pictures = wholeNumber(f[6], 0, most);
    const auto answers = wholeNumber(f[7], 0, most);
    const auto correct = wholeNumber(f[8], 0, most);
    const auto mean = wholeNumber(f[9], 0, most);
    const auto median = wholeNumber(f[10], 0, most);
    const std::optional<std::string> id = exerciseIdOf(f[11]);
    if (!date || !part || !level || !interval || !feedback || !pictures || !answers || !correct || !mean ||
        !median || !id || *correct > *answers || *answers > *pictures)
        return std::nullopt;
    return ExerciseResult{*date, patientFromField(f[1]),
                          Tally{{*part, *level, *interval, *feedback == 1}, *pictures, *answers, *correct, *mean,
                                *median},
                          *id};
}

std::string utf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

int daysInMonth(int year, int month)
{
    constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[static_cast<std::size_t>(month - 1)];
}

// Reads digits at the shape's '0's and the shape's other characters as they
// stand, into the numbers in the order they come; false for a text of
// another shape.
bool readShape(std::string_view text, std::string_view shape, std::vector<int>& numbers)
{
    if (text.size() != shape.size())
        return false;
    numbers.clear();
    bool inNumber = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (shape[i] != '0') {
            if (text[i] != shape[i])
                return false;
            inNumber = false;
            continue;
        }
        if (text[i] < '0' || text[i] > '9')
            return false;
        if (!inNumber)
            numbers.push_back(0);
        numbers.back() = numbers.back() * 10 + (text[i] - '0');
        inNumber = true;
    }
    return true;
}

// The columns a file's lines must be written in, and how: nothing when the
// program's lines cannot be written there so as to match its header.
struct Layout {
    Columns columns;
    bool windows1252 = false;
};

std::optional<Layout> layoutOf(const std::optional<std::string>& start, const FileColumns& file)
{
    // A missing, empty or unreadable file is written as the program writes.
    if (!start || start->empty())
        return Layout{programOrder(file), false};
    std::string_view text = *start;
    const bool marked = text.starts_with(byteOrderMark);
    if (marked)
        text.remove_prefix(byteOrderMark.size());
    // The start may end inside a character: only whole lines are judged.
    const std::size_t lastLine = text.rfind('\n');
    const bool windows1252 = !marked && !isUtf8(text.substr(0, lastLine == std::string_view::npos ? 0 : lastLine));
    const std::optional<Record> first = readRecord(text, 0);
    if (!first)
        return std::nullopt;
    const Columns ours = programOrder(file);
    if (!looksLikeHeader(first->fields)) {
        // Lines without a header: the program's own, or someone else's.
        if (first->fields.size() == ours.count || first->fields.size() == ours.wider)
            return Layout{ours, windows1252};
        return std::nullopt;
    }
    const std::optional<Columns> columns = columnsOfHeader(first->fields, file);
    if (!columns)
        return std::nullopt;
    return Layout{*columns, windows1252};
}

// The program's lines, in its own order and UTF-8, as the layout wants them.
std::optional<std::string> shaped(std::string_view lines, const Layout& layout)
{
    if (!layout.columns.fileOrder && !layout.windows1252)
        return std::string(lines);
    std::string out;
    std::size_t pos = 0;
    while (pos < lines.size()) {
        const std::optional<Record> record = readRecord(lines, pos);
        if (!record || record->fields.size() != layout.columns.at.size())
            return std::nullopt;
        std::vector<std::string> fields(layout.columns.wider);
        for (std::size_t i = 0; i < record->fields.size(); ++i)
            fields[layout.columns.at[i]] = record->fields[i];
        std::string line;
        for (std::size_t i = 0; i < fields.size(); ++i)
            line += (i ? ";" : "") + csvField(fields[i]);
        out += line + std::string(lineBreak);
        pos = record->next;
    }
    if (!layout.windows1252)
        return out;
    return toWindows1252(out);
}

} // namespace

std::optional<std::string> normalDateTime(std::string_view text)
{
    std::vector<int> n;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (readShape(text, "0000-00-00T00:00:00", n) || readShape(text, "0000-00-00 00:00:00", n)) {
        year = n[0], month = n[1], day = n[2], hour = n[3], minute = n[4], second = n[5];
    } else if (readShape(text, "0000-00-00 00:00", n)) {
        year = n[0], month = n[1], day = n[2], hour = n[3], minute = n[4];
    } else if (readShape(text, "00/00/0000 00:00:00", n) || readShape(text, "00/00/0000 00:00", n)) {
        day = n[0], month = n[1], year = n[2], hour = n[3], minute = n[4], second = n.size() > 5 ? n[5] : 0;
    } else if (readShape(text, "00/00/00 00:00:00", n) || readShape(text, "00/00/00 00:00", n)) {
        day = n[0], month = n[1], year = 2000 + n[2], hour = n[3], minute = n[4], second = n.size() > 5 ? n[5] : 0;
    } else {
        return std::nullopt;
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
    return std::string(out);
}

std::string_view partName(BodyPart part)
{
    switch (part) {
    case BodyPart::hands: return "mains";
    case BodyPart::feet: return "pieds";
    case BodyPart::face: return "visage";
    case BodyPart::patient: return "patient";
    }
    return "mains";
}

std::string newExerciseId()
{
    std::random_device entropy;
    std::array<unsigned char, 16> bits{};
    for (unsigned char& b : bits)
        b = static_cast<unsigned char>(entropy());
    // A version-4 UUID: random, with its version and variant marked.
    bits[6] = static_cast<unsigned char>((bits[6] & 0x0F) | 0x40);
    bits[8] = static_cast<unsigned char>((bits[8] & 0x3F) | 0x80);
    std::string id;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            id += '-';
        id += "0123456789abcdef"[bits[i] >> 4];
        id += "0123456789abcdef"[bits[i] & 0x0F];
    }
    return id;
}

std::string historyLine(const ExerciseResult& r)
{
    const Tally& t = r.tally;
    std::string line = r.date + ';' + patientField(r.patient) + ';' + std::string(partName(t.settings.part));
    for (int n : {t.settings.level, t.settings.intervalMs, t.settings.feedback ? 1 : 0, t.pictures, t.answers,
                  t.correct, t.meanMs, t.medianMs})
        line += ';' + std::to_string(n);
    return line + ';' + r.id;
}

std::string answerLines(const ExerciseRecord& record)
{
    const std::string start = record.result.date + ';' + patientField(record.result.patient) + ';';
    const std::string part(partName(record.result.tally.settings.part));
    std::string lines;
    for (const PictureAnswer& p : record.pictures) {
        const std::optional<LeftOutKey>& out = p.leftOut;
        lines += start + std::to_string(p.order) + ';' + part + ';' + csvField(p.imageSet) + ';' +
                 std::to_string(p.number) + ';' + std::string(sideName(p.shown)) + ';' +
                 (p.answer ? std::string(sideName(*p.answer)) : "") + ';' + (p.answer ? (p.correct() ? "1" : "0") : "") +
                 ';' + (p.responseMs ? std::to_string(*p.responseMs) : "") + ';' +
                 (out ? std::string(sideName(out->side)) : "") + ';' + (out ? std::to_string(out->ms) : "") + ';' +
                 (out ? std::string(markName(out->mark)) : "") + ';' + record.result.id + std::string(lineBreak);
    }
    return lines;
}

void parseHistory(std::string_view text, HistoryContents& into)
{
    into.skipped += forEachLine(text, historyColumns, [&](const std::vector<std::string>& f) {
        std::optional<ExerciseResult> result = resultOf(f);
        if (result)
            into.results.push_back(std::move(*result));
        return result.has_value();
    });
}

void parseAnswers(std::string_view text, HistoryContents& into)
{
    // The lines of one exercise follow each other as written; they are
    // gathered by exercise all the same, should a spreadsheet have sorted
    // them: by its identity, or by its date and patient for lines written
    // before exercises had one.
    const auto exerciseKey = [](const std::string& id, const std::string& date, const std::string& patient) {
        return id.empty() ? date + '\n' + patient : id;
    };
    std::unordered_map<std::string, std::size_t> exercises;
    for (std::size_t i = 0; i < into.answers.size(); ++i)
        exercises.emplace(exerciseKey(into.answers[i].id, into.answers[i].date, into.answers[i].patient), i);
    // An exercise's lines follow each other: its date and patient are
    // worked out once.
    std::string lastDate;
    std::string lastPatient;
    std::string lastId;
    std::size_t lastAt = 0;
    into.skipped += forEachLine(text, answersColumns, [&](const std::vector<std::string>& f) {
        const bool same = !into.answers.empty() && f[0] == lastDate && f[1] == lastPatient && f[13] == lastId;
        const std::optional<std::string> date = same ? into.answers[lastAt].date : normalDateTime(f[0]);
        const auto order = wholeNumber(f[2], 1, most);
        const std::optional<BodyPart> part = partFromName(f[3]);
        const auto number = wholeNumber(f[5], 1, most);
        const std::optional<Side> shown = sideFromName(f[6]);
        const std::optional<Side> answer = sideFromName(f[7]);
        const auto correct = wholeNumber(f[8], 0, 1);
        const auto ms = wholeNumber(f[9], 0, most);
        const bool unanswered = f[7].empty() && f[8].empty() && f[9].empty();
        const std::optional<Side> outSide = sideFromName(f[10]);
        const auto outMs = wholeNumber(f[11], 0, most);
        const std::optional<KeyMark> outMark = markFromName(f[12]);
        const bool nothingLeftOut = f[10].empty() && f[11].empty() && f[12].empty();
        const std::optional<std::string> id = same ? into.answers[lastAt].id : exerciseIdOf(f[13]);
        if (!date || !order || !part || !number || !shown || f[4].empty() || !id ||
            !(unanswered || (answer && correct && ms && (*correct == 1) == (*answer == *shown))) ||
            !(nothingLeftOut || (outSide && outMs && outMark)))
            return false;
        if (!same) {
            const std::string patient = patientFromField(f[1]);
            const auto [at, added] = exercises.emplace(exerciseKey(*id, *date, patient), into.answers.size());
            if (added)
                into.answers.push_back({*date, patient, *part, {}, *id});
            lastAt = at->second;
            lastDate = f[0];
            lastPatient = f[1];
            lastId = f[13];
        }
        std::optional<LeftOutKey> leftOut;
        if (!nothingLeftOut)
            leftOut = LeftOutKey{*outSide, *outMs, *outMark};
        into.answers[lastAt].pictures.push_back({*order, *number, f[4], *shown, unanswered ? std::nullopt : answer,
                                                 unanswered ? std::nullopt : ms, leftOut});
        return true;
    });
}

std::optional<ExerciseRecord> lastExerciseOf(const HistoryContents& history, const std::string& patient)
{
    const std::string who = trimmed(patient);
    for (auto r = history.results.rbegin(); r != history.results.rend(); ++r) {
        if (trimmed(r->patient) != who)
            continue;
        ExerciseRecord record{*r, {}};
        // Its pictures carry its identity; those of an exercise saved before
        // exercises had one have its date to the second, or to the minute
        // where a spreadsheet dropped the seconds of one file's dates.
        const ExerciseAnswers* near = nullptr;
        for (const ExerciseAnswers& a : history.answers) {
            if (!r->id.empty() && a.id == r->id) {
                near = &a;
                break;
            }
            if (!r->id.empty() || !a.id.empty() || trimmed(a.patient) != who || a.part != r->tally.settings.part)
                continue;
            if (a.date == r->date) {
                near = &a;
                break;
            }
            if (a.date.compare(0, 16, r->date, 0, 16) == 0)
                near = &a;
        }
        if (near)
            record.pictures = near->pictures;
        return record;
    }
    return std::nullopt;
}

std::string localDateTimeNow()
{
    return localDateTime(std::time(nullptr));
}

std::string localDateTime(std::time_t when)
{
    const std::tm local = localTime(when);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

namespace {

// The two files: their names, their headers, and how their lines are read.
struct FileKind {
    std::string name; // "resultats"
    std::string_view header;
    void (*parse)(std::string_view, HistoryContents&);
};

const std::array<FileKind, 2>& kinds()
{
    static const std::array<FileKind, 2> both = {{
        {"resultats", historyHeader, [](std::string_view t, HistoryContents& c) { parseHistory(t, c); }},
        {"reponses", answersHeader, [](std::string_view t, HistoryContents& c) { parseAnswers(t, c); }},
    }};
    return both;
}

// The messages, each said once.
void addMessage(std::string& said, const std::string& message)
{
    if (!message.empty() && said.find(message) == std::string::npos)
        said += (said.empty() ? "" : "\n") + message;
}

} // namespace

History::History(std::filesystem::path folder, std::string nameEnd)
    : folder_(std::move(folder)), nameEnd_(std::move(nameEnd))
{
}

std::filesystem::path History::fileOf(const std::string& name, std::string_view suffix) const
{
    const std::string file = name + nameEnd_ + std::string(suffix);
    return folder_ / std::filesystem::path(std::u8string(file.begin(), file.end()));
}

std::string History::failure(const std::string& what, const std::string& reason) const
{
    return what + " dans le dossier « " + utf8(folder_) + " » : " + reason + ".";
}

// The lines go to the file, after those that wait for it. A file whose
// header a spreadsheet changed gets them in its own columns and encoding;
// one they cannot match is left as it is, and they go to a new file beside
// it. A file held open by another program gets them later: they wait in a
// file of their own.
std::string History::write(const std::string& name, std::string_view fileHeader, const std::string& lines)
{
    const std::filesystem::path waitingFile = fileOf(name, "-en-attente.csv");
    const std::string waiting = private_files::read(waitingFile).value_or(std::string());
    if (lines.empty() && waiting.empty())
        return {};
    const std::string header = std::string(byteOrderMark) + std::string(fileHeader) + std::string(lineBreak);

    std::filesystem::path target = fileOf(name, ".csv");
    const FileColumns& file = fileHeader == historyHeader ? historyColumns : answersColumns;
    std::optional<Layout> layout = layoutOf(private_files::read(target, 65536), file);
    std::optional<std::string> bytes = layout ? shaped(waiting + lines, *layout) : std::nullopt;
    std::string note;
    if (!bytes) {
        const std::filesystem::path beside = fileOf(name, "-suite.csv");
        layout = layoutOf(private_files::read(beside, 65536), file);
        bytes = layout ? shaped(waiting + lines, *layout) : std::nullopt;
        if (!bytes)
            return failure("Les résultats n'ont pas pu être enregistrés",
                           "les colonnes des fichiers « " + name + nameEnd_ + ".csv » et « " + name + nameEnd_ +
                               "-suite.csv » ont été changées par un autre programme");
        if (!std::exchange(toldNewFile_, true))
            note = "Les colonnes du fichier « " + name + nameEnd_ + ".csv » ont été changées par un autre programme : il "
                   "est laissé tel quel, et les résultats sont désormais enregistrés dans le fichier « " +
                   name + nameEnd_ + "-suite.csv », dans le dossier « " + utf8(folder_) + " ».";
        target = beside;
    }
    if (!waiting.empty()) {
        // The waiting lines may have been added already, by a run that
        // ended before it could forget them.
        const std::optional<std::string> shapedWaiting = shaped(waiting, *layout);
        if (shapedWaiting && private_files::read(target).value_or(std::string()).ends_with(*shapedWaiting))
            bytes = shaped(lines, *layout);
    }

    const private_files::Appended added = private_files::appendLine(target, *bytes, header);
    if (added.done()) {
        if (!waiting.empty()) {
            std::error_code ignored;
            std::filesystem::remove(waitingFile, ignored);
        }
        return note;
    }
    if (!added.inUse)
        return failure("Les résultats n'ont pas pu être enregistrés", added.reason);
    if (!lines.empty()) {
        const private_files::Appended kept = private_files::appendLine(waitingFile, lines, {});
        if (!kept.done())
            return failure("Les résultats n'ont pas pu être enregistrés", kept.reason);
    }
    if (std::exchange(toldInUse_, true))
        return note;
    return "Le fichier « " + utf8(target.filename()) +
           " » est ouvert dans un autre programme (un tableur, peut-être). Les résultats sont gardés, et ils y "
           "seront ajoutés dès que ce fichier sera fermé.";
}

std::string History::append(const ExerciseRecord& record)
{
    std::string error = private_files::makeFolder(folder_);
    if (!error.empty())
        return failure("Les résultats n'ont pas pu être enregistrés", error);
    std::string said;
    addMessage(said, write(kinds()[0].name, kinds()[0].header, historyLine(record.result) + std::string(lineBreak)));
    addMessage(said, write(kinds()[1].name, kinds()[1].header, answerLines(record)));
    return said;
}

std::string History::addWaitingLines()
{
    std::string said;
    for (const FileKind& kind : kinds()) {
        std::error_code ignored;
        if (std::filesystem::exists(fileOf(kind.name, "-en-attente.csv"), ignored))
            addMessage(said, write(kind.name, kind.header, {}));
    }
    return said;
}

HistoryContents History::read() const
{
    HistoryContents contents;
    for (const FileKind& kind : kinds()) {
        for (const char* suffix : {".csv", "-suite.csv", "-en-attente.csv"}) {
            const std::filesystem::path file = fileOf(kind.name, suffix);
            const std::optional<std::string> text = private_files::read(file);
            std::error_code ignored;
            if (text)
                kind.parse(*text, contents);
            else if (std::filesystem::exists(file, ignored))
                contents.unreadable.push_back(file.filename().string());
        }
    }
    return contents;
}

std::string History::patient() const
{
    std::string name = private_files::read(folder_ / "patient.txt").value_or(std::string());
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
        name.pop_back();
    return name;
}

std::string History::setPatient(const std::string& name)
{
    std::string error = private_files::makeFolder(folder_);
    if (error.empty())
        error = private_files::replace(folder_ / "patient.txt", name + '\n');
    return error.empty() ? std::string() : failure("Le nom du patient n'a pas pu être enregistré", error);
}

