#include "results/history.h"

#include "model/local_time.h"
#include "model/text.h"
#include "results/patient_name.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <deque>
#include <iterator>
#include <random>
#include <utility>

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view lineBreak = "\r\n";
constexpr std::array<BodyPart, 4> bodyParts = {BodyPart::hands, BodyPart::feet, BodyPart::face, BodyPart::patient};
constexpr int most = 1'000'000'000;

// Reasons a line is not read, as the notes say them.
constexpr std::string_view damagedLine = "contenu abîmé ou étranger au programme";
constexpr std::string_view unknownDate = "date non reconnue";

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

std::string_view headerOf(HistoryParser::Kind kind)
{
    return kind == HistoryParser::Kind::results ? historyHeader : answersHeader;
}

std::size_t atFirstOf(HistoryParser::Kind kind)
{
    return kind == HistoryParser::Kind::results ? historyColumnsAtFirst : answersColumnsAtFirst;
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
std::string csvField(std::string_view field, char separator = ';')
{
    if (field.find_first_of("\"\r\n") == std::string_view::npos && field.find(separator) == std::string_view::npos &&
        !field.starts_with('\''))
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

std::string patientFromField(std::string_view field)
{
    if (field.size() > 1 && field.front() == '\'' && looksLikeFormula(field.substr(1)))
        field.remove_prefix(1);
    return composed(field);
}


// Windows-1252's characters from 0x80 to 0x9F; 0 where it has none.
constexpr std::array<char16_t, 32> windows1252High = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

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

// The code points of UTF-8 text, which the program itself made.
std::u32string codePoints(std::string_view s)
{
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < s.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out += code;
        i += length;
    }
    return out;
}

// UTF-8 text in Windows-1252; nothing when a character has no place there.
std::optional<std::string> toWindows1252(std::string_view s)
{
    std::string out;
    for (char32_t wide : codePoints(s)) {
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

std::string fromUtf16(std::string_view s, bool bigEndian)
{
    std::string out;
    out.reserve(s.size() / 2);
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
        const auto unit = [&](std::size_t at) {
            const auto a = static_cast<unsigned char>(s[at]);
            const auto b = static_cast<unsigned char>(s[at + 1]);
            return static_cast<char32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
        };
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < s.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, c);
    }
    return out;
}

std::string toUtf16(std::string_view s, bool bigEndian)
{
    std::string out;
    const auto put = [&](char32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (char32_t c : codePoints(s)) {
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

// The fields of one record of a file, split at the separator, quotes taken
// away. The views stay valid until the next record is split.
class Splitter {
public:
    // Splits the record at pos; false when it is not well formed (an
    // unclosed quote, text after a closing quote). next is where the
    // following record begins, or, for a record that is not well formed,
    // the following line.
    bool split(std::string_view text, std::size_t pos, char separator, std::size_t& next)
    {
        const auto nextLineAfter = [&](std::size_t at) {
            const std::size_t lineEnd = text.find('\n', at);
            return lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        };
        pieces_.clear();
        owned_.clear();
        std::size_t i = pos;
        for (;;) {
            if (i < text.size() && text[i] == '"') {
                std::string field;
                bool closed = false;
                for (++i; i < text.size() && !closed; ++i) {
                    if (text[i] != '"')
                        field += text[i];
                    else if (i + 1 < text.size() && text[i + 1] == '"')
                        field += text[++i];
                    else
                        closed = true;
                }
                const bool ends = i >= text.size() || text[i] == separator || text[i] == '\n' ||
                                  (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
                if (!closed || !ends) {
                    next = nextLineAfter(closed ? i : pos);
                    return false;
                }
                pieces_.push_back({0, 0, owned_.size(), true});
                owned_.push_back(std::move(field));
            } else {
                const std::size_t start = i;
                unsigned char high = 0;
                while (i < text.size() && text[i] != separator && text[i] != '\n')
                    high |= static_cast<unsigned char>(text[i++]);
                std::size_t end = i;
                if (i < text.size() && text[i] == '\n' && end > start && text[end - 1] == '\r')
                    --end;
                pieces_.push_back({start, end - start, noOwned, (high & 0x80) != 0});
            }
            if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            if (i >= text.size() || text[i] == '\n') {
                next = i >= text.size() ? text.size() : i + 1;
                break;
            }
            ++i; // the separator
        }
        fields.clear();
        for (const Piece& p : pieces_) {
            std::string_view field = p.owned != noOwned ? std::string_view(owned_[p.owned]) : text.substr(p.start, p.length);
            if (p.high && !isUtf8(field)) {
                // A line a spreadsheet saved in Windows-1252, as a French
                // Windows does by default.
                owned_.push_back(fromWindows1252(field));
                field = owned_.back();
            }
            fields.push_back(field);
        }
        return true;
    }

    std::vector<std::string_view> fields;

private:
    static constexpr std::size_t noOwned = std::string_view::npos;
    struct Piece {
        std::size_t start;
        std::size_t length;
        std::size_t owned; // its place in owned_, for a field unquoted or converted
        bool high;         // whether it holds bytes beyond ASCII
    };
    std::vector<Piece> pieces_;
    std::deque<std::string> owned_; // never moves what it holds
};

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

std::string_view markName(KeyMark mark) { return mark == KeyMark::tooSoon ? "trop tôt" : "réponse déjà affichée"; }

std::optional<KeyMark> markFromName(std::string_view name)
{
    for (KeyMark mark : {KeyMark::tooSoon, KeyMark::afterReveal}) {
        if (name == markName(mark))
            return mark;
    }
    return std::nullopt;
}

bool isBlank(std::string_view s) { return trimmed(s).empty(); }

bool sameName(std::string_view field, std::string_view name) { return !name.empty() && trimmed(field) == name; }

// A header names the date and the patient columns, wherever they are.
bool looksLikeHeader(const std::vector<std::string_view>& fields)
{
    const auto names = [&](std::string_view name) {
        return std::ranges::any_of(fields, [&](std::string_view f) { return sameName(f, name); });
    };
    return names("date") && names("patient");
}

// An exercise's identity as a line holds it, in lower case; empty text for
// a line written before exercises had one; nothing for a field that is no
// identity.
std::optional<std::string> exerciseIdOf(std::string_view field)
{
    const std::string id(trimmed(field));
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

int daysInMonth(int year, int month)
{
    constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[static_cast<std::size_t>(month - 1)];
}

// The numbers of a date and time in the order written, with what separates
// the date's parts; nothing for text of another shape.
struct DateParts {
    int n[6] = {0, 0, 0, 0, 0, 0};
    int digits[3] = {0, 0, 0}; // of the date's three numbers
    char separator = 0;
    bool seconds = false;
    int afternoon = -1; // 1 for PM, 0 for AM, -1 for neither
};

std::optional<DateParts> partsOf(std::string_view text)
{
    DateParts p;
    std::size_t i = 0;
    const auto number = [&](int& into, int fewest, int mostDigits) {
        const std::size_t start = i;
        into = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < static_cast<std::size_t>(mostDigits))
            into = into * 10 + (text[i++] - '0');
        const auto count = static_cast<int>(i - start);
        return count >= fewest ? count : 0;
    };
    for (int k = 0; k < 3; ++k) {
        if (!(p.digits[k] = number(p.n[k], 1, 4)))
            return std::nullopt;
        if (k < 2) {
            if (i >= text.size() || (text[i] != '/' && text[i] != '.' && text[i] != '-'))
                return std::nullopt;
            if (k == 0)
                p.separator = text[i];
            else if (text[i] != p.separator)
                return std::nullopt;
            ++i;
        }
    }
    if (i >= text.size() || (text[i] != ' ' && text[i] != 'T'))
        return std::nullopt;
    ++i;
    if (!number(p.n[3], 1, 2) || i >= text.size() || text[i] != ':')
        return std::nullopt;
    ++i;
    if (number(p.n[4], 2, 2) != 2)
        return std::nullopt;
    if (i < text.size() && text[i] == ':') {
        ++i;
        if (number(p.n[5], 2, 2) != 2)
            return std::nullopt;
        p.seconds = true;
    }
    const std::string_view rest = text.substr(i);
    if (rest == " PM" || rest == " pm")
        p.afternoon = 1;
    else if (rest == " AM" || rest == " am")
        p.afternoon = 0;
    else if (!rest.empty())
        return std::nullopt;
    return p;
}

std::optional<std::string> dateFrom(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
    return std::string(out);
}

// Whether a date of day and month (not the ISO form) could be read either
// way, or shows its order by a number above 12.
enum class OrderShown { none, dayFirst, monthFirst, either };

OrderShown orderShownBy(const DateParts& p)
{
    if (p.digits[0] == 4 || p.separator == '.')
        return OrderShown::none;
    if (p.n[0] > 12 && p.n[1] <= 12)
        return OrderShown::dayFirst;
    if (p.n[1] > 12 && p.n[0] <= 12)
        return OrderShown::monthFirst;
    return p.n[0] == p.n[1] ? OrderShown::none : OrderShown::either;
}

std::optional<std::string> dateOfParts(const DateParts& p, DateOrder order)
{
    int hour = p.n[3];
    if (p.afternoon >= 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (p.afternoon ? 12 : 0);
    }
    if (p.digits[0] == 4) // 2026-12-07, the program's and ISO's order
        return p.digits[1] <= 2 && p.digits[2] <= 2 ? dateFrom(p.n[0], p.n[1], p.n[2], hour, p.n[4], p.n[5])
                                                     : std::nullopt;
    if (p.digits[0] > 2 || p.digits[1] > 2 || (p.digits[2] != 2 && p.digits[2] != 4))
        return std::nullopt;
    const int year = p.digits[2] == 2 ? 2000 + p.n[2] : p.n[2];
    // German dates (07.12.2026) always put the day first.
    const bool monthFirst = order == DateOrder::monthFirst && p.separator != '.';
    return dateFrom(year, monthFirst ? p.n[0] : p.n[1], monthFirst ? p.n[1] : p.n[0], hour, p.n[4], p.n[5]);
}

// The places of the program's columns in the lines under a header, and the
// width of a line; the first of the columns the files had from the start
// that the header lacks, if any. A column added since, which the header of
// an older file does not name, follows its last named column (a spreadsheet
// may have filled the header with empty cells up to the longest line).
struct HeaderColumns {
    std::vector<std::size_t> at;
    std::size_t wider = 0;
    std::string missing;
};

HeaderColumns headerColumns(const std::vector<std::string_view>& fields, HistoryParser::Kind kind)
{
    const std::vector<std::string_view> wanted = columnsOf(headerOf(kind));
    std::size_t named = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!isBlank(fields[i]))
            named = i + 1;
    }
    HeaderColumns c;
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        std::size_t found = fields.size();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (sameName(fields[i], wanted[k]))
                found = i;
        }
        if (found == fields.size()) {
            if (k < atFirstOf(kind) && c.missing.empty())
                c.missing = std::string(wanted[k]);
            found = named++;
        }
        c.at.push_back(found);
    }
    c.wider = std::max(fields.size(), named);
    return c;
}

} // namespace

std::optional<std::string> normalDateTime(std::string_view text, DateOrder order)
{
    const std::optional<DateParts> p = partsOf(text);
    if (!p)
        return std::nullopt;
    return dateOfParts(*p, order);
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
    // The system's entropy, opened once per thread.
    thread_local std::random_device entropy;
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
                 std::to_string(p.number) + ';' + sideWord(p.shown) + ';' +
                 (p.answer ? sideWord(*p.answer) : "") + ';' + (p.answer ? (p.correct() ? "1" : "0") : "") +
                 ';' + (p.responseMs ? std::to_string(*p.responseMs) : "") + ';' +
                 (out ? sideWord(out->side) : "") + ';' + (out ? std::to_string(out->ms) : "") + ';' +
                 (out ? std::string(markName(out->mark)) : "") + ';' + record.result.id + std::string(lineBreak);
    }
    return lines;
}

HistoryParser::HistoryParser(Kind kind, std::optional<DateOrder> order, std::optional<std::string> onlyPatient)
    : kind_(kind), order_(order), only_(onlyPatient ? std::optional(patientKey(*onlyPatient)) : std::nullopt)
{
    const std::size_t all = columnsOf(headerOf(kind)).size();
    for (std::size_t i = 0; i < all; ++i)
        at_.push_back(i);
    count_ = atFirstOf(kind);
    wider_ = all;
}

HistoryParser HistoryParser::continuation() const
{
    HistoryParser next(kind_, order_, only_);
    next.encoding_ = encoding_;
    next.headerSeen_ = headerSeen_;
    next.separator_ = separator_;
    next.at_ = at_;
    next.count_ = count_;
    next.wider_ = wider_;
    next.missingColumn_ = missingColumn_;
    return next;
}

std::string_view HistoryParser::lineEnd() const
{
    switch (encoding_) {
    case Encoding::utf16le: return std::string_view("\n\0", 2);
    case Encoding::utf16be: return std::string_view("\0\n", 2);
    case Encoding::utf8: return "\n";
    case Encoding::unknown: break;
    }
    return {};
}

void HistoryParser::learnEncoding(std::string_view start)
{
    if (encoding_ != Encoding::unknown)
        return;
    // A spreadsheet's « Unicode text » is UTF-16, with or without its
    // byte-order mark: then every other byte of plain text is 0.
    if (start.starts_with("\xFF\xFE") || (start.size() >= 2 && start[1] == '\0' && start[0] != '\0'))
        encoding_ = Encoding::utf16le;
    else if (start.starts_with("\xFE\xFF") || (start.size() >= 2 && start[0] == '\0' && start[1] != '\0'))
        encoding_ = Encoding::utf16be;
    else
        encoding_ = Encoding::utf8;
}

void HistoryParser::read(std::string_view bytes, HistoryContents& into)
{
    if (encoding_ == Encoding::unknown)
        learnEncoding(bytes);
    if (encoding_ == Encoding::utf8) {
        readLines(bytes, into);
        return;
    }
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        bytes.remove_prefix(2);
    const std::string text = fromUtf16(bytes, encoding_ == Encoding::utf16be);
    readLines(text, into);
}

void HistoryParser::readLines(std::string_view text, HistoryContents& into)
{
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    Splitter splitter;
    const auto skip = [&](std::string_view why, std::string_view patient) {
        ++into.skipped;
        ++into.skippedWhy[{missingColumn_.empty() ? std::string(why)
                                                  : "la colonne « " + missingColumn_ + " » manque au fichier",
                           patient.empty() ? std::string() : patientFromField(patient)}];
    };
    std::vector<std::string_view> f(at_.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == '\n' || (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')) {
            pos += text[pos] == '\n' ? 1 : 2;
            continue;
        }
        std::size_t next = 0;
        if (headerSeen_ && only_ && othersLine(text, pos, next, into)) {
            pos = next;
            continue;
        }
        const std::size_t lineEnd = text.find('\n', pos);
        const std::size_t nextLine = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        if (!headerSeen_) {
            // The first line tells the separator: a spreadsheet's « Unicode
            // text » puts tabs between fields.
            const std::string_view first = text.substr(pos, nextLine - pos);
            if (first.find(';') == std::string_view::npos && first.find('\t') != std::string_view::npos)
                separator_ = '\t';
        }
        next = nextLine;
        const bool wellFormed = splitter.split(text, pos, separator_, next);
        const std::vector<std::string_view>& fields = splitter.fields;
        // A header begins with a name, never with a date.
        const bool mayBeHeader = !fields.empty() && !fields[0].empty() && (fields[0][0] < '0' || fields[0][0] > '9');
        if (wellFormed && mayBeHeader && looksLikeHeader(fields)) {
            // A header: the first tells the file's columns; one written
            // again further down is no damage.
            if (!headerSeen_) {
                HeaderColumns columns = headerColumns(fields, kind_);
                missingColumn_ = columns.missing;
                if (missingColumn_.empty()) {
                    at_ = std::move(columns.at);
                    count_ = fields.size();
                    wider_ = columns.wider;
                }
            }
            headerSeen_ = true;
            pos = next;
            continue;
        }
        headerSeen_ = true;
        // A line that does not fit the header is read in the program's
        // order, as the program writes it under a header that a spreadsheet
        // changed.
        const auto fits = [&](const std::vector<std::size_t>& at, std::size_t count, std::size_t wider) {
            const std::size_t size = fields.size();
            if (size != count && size != wider)
                return false;
            for (std::size_t i = 0; i < f.size(); ++i)
                f[i] = at[i] < size ? fields[at[i]] : std::string_view();
            return true;
        };
        const std::size_t all = at_.size();
        bool taken = false;
        bool fitted = false;
        if (wellFormed && missingColumn_.empty() && fits(at_, count_, wider_)) {
            fitted = true;
            taken = take(f, into);
        }
        if (!taken && wellFormed && (fields.size() == atFirstOf(kind_) || fields.size() == all)) {
            std::vector<std::size_t> ours(all);
            for (std::size_t i = 0; i < all; ++i)
                ours[i] = i;
            fitted = fits(ours, atFirstOf(kind_), all);
            taken = take(f, into);
        }
        if (!taken && (!only_ || !fitted || patientFromField(f[1]) == *only_))
            skip(fitted && !normalDateTime(f[0], order_.value_or(DateOrder::dayFirst)) ? unknownDate : damagedLine,
                 fitted ? f[1] : std::string_view());
        pos = wellFormed ? next : nextLine;
    }
    if (sawUndecided_ && !sawDayFirst_ && !sawMonthFirst_)
        into.undecidedDates = true;
}

// Glances at the patient's field of a line without reading the rest: a line
// of another patient, written plainly, is stepped over.
bool HistoryParser::othersLine(std::string_view text, std::size_t pos, std::size_t& next, HistoryContents& into)
{
    const std::size_t column = at_[1];
    std::size_t start = pos;
    for (std::size_t k = 0; k < column; ++k) {
        while (start < text.size() && text[start] != separator_ && text[start] != '\n' && text[start] != '"')
            ++start;
        if (start >= text.size() || text[start] != separator_)
            return false; // quoted, or too short: read whole
        ++start;
    }
    std::size_t end = start;
    while (end < text.size() && text[end] != separator_ && text[end] != '\n' && text[end] != '"')
        ++end;
    if (end >= text.size() || text[end] != separator_)
        return false;
    const std::string_view name = text.substr(start, end - start);
    // The lines of one exercise follow each other: the last name judged is
    // most often the next.
    if (name != lastOther_) {
        const std::string decoded = isUtf8(name) ? std::string(name) : fromWindows1252(name);
        if (patientFromField(decoded) == *only_)
            return false;
        lastOther_ = std::string(name);
    }
    const std::size_t lineEnd = text.find('\n', end);
    next = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
    if (kind_ == Kind::results)
        ++into.namesSeen[patientFromField(name)];
    return true;
}

std::optional<std::string> HistoryParser::dateOf(std::string_view text)
{
    const std::optional<DateParts> p = partsOf(text);
    if (!p)
        return std::nullopt;
    switch (orderShownBy(*p)) {
    case OrderShown::dayFirst: sawDayFirst_ = true; break;
    case OrderShown::monthFirst: sawMonthFirst_ = true; break;
    case OrderShown::either: sawUndecided_ = true; break;
    case OrderShown::none: break;
    }
    return dateOfParts(*p, order_.value_or(DateOrder::dayFirst));
}

bool HistoryParser::take(const std::vector<std::string_view>& f, HistoryContents& into)
{
    if (kind_ == Kind::answers)
        return takeAnswer(f, into);
    const std::optional<std::string> date = dateOf(f[0]);
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
        return false;
    into.results.push_back({*date, patientFromField(f[1]),
                            Tally{{*part, *level, *interval, *feedback == 1}, *pictures, *answers, *correct, *mean,
                                  *median},
                            *id});
    return true;
}

// The lines of one exercise follow each other as written; they are gathered
// by exercise all the same, should a spreadsheet have sorted them: by its
// identity, or, for lines written before exercises had one, by its date and
// patient, a picture of an order already there beginning another exercise
// of the same date (two exercises of one minute, in a file whose dates lost
// their seconds).
bool HistoryParser::takeAnswer(const std::vector<std::string_view>& f, HistoryContents& into)
{
    const auto order = wholeNumber(f[2], 1, most);
    const bool same = !into.answers.empty() && lastAt_ < into.answers.size() && f[0] == lastDate_ &&
                      f[1] == lastPatient_ && f[13] == lastId_ && order && *order > lastOrder_;
    const std::optional<std::string> date = same ? into.answers[lastAt_].date : dateOf(f[0]);
    const std::optional<BodyPart> part = partFromName(f[3]);
    const auto number = wholeNumber(f[5], 1, most);
    const std::optional<Side> shown = sideFromWord(f[6]);
    const std::optional<Side> answer = sideFromWord(f[7]);
    const auto correct = wholeNumber(f[8], 0, 1);
    const auto ms = wholeNumber(f[9], 0, most);
    const bool unanswered = f[7].empty() && f[8].empty() && f[9].empty();
    const std::optional<Side> outSide = sideFromWord(f[10]);
    const auto outMs = wholeNumber(f[11], 0, most);
    const std::optional<KeyMark> outMark = markFromName(f[12]);
    const bool nothingLeftOut = f[10].empty() && f[11].empty() && f[12].empty();
    const std::optional<std::string> id = same ? into.answers[lastAt_].id : exerciseIdOf(f[13]);
    if (!date || !order || !part || !number || !shown || f[4].empty() || !id ||
        !(unanswered || (answer && correct && ms && (*correct == 1) == (*answer == *shown))) ||
        !(nothingLeftOut || (outSide && outMs && outMark)))
        return false;
    if (!same) {
        const std::string patient = patientFromField(f[1]);
        const auto holds = [&](std::size_t at) {
            return std::ranges::any_of(into.answers[at].pictures, [&](const PictureAnswer& p) { return p.order == *order; });
        };
        std::optional<std::size_t> at;
        if (!id->empty()) {
            const auto [found, added] = byId_.emplace(*id, into.answers.size());
            if (!added) {
                // The same picture again: written twice by an older version.
                if (holds(found->second))
                    return true;
                at = found->second;
            }
        } else {
            std::vector<std::size_t>& exercises = byDate_[*date + '\n' + patient];
            for (std::size_t e : exercises) {
                if (into.answers[e].part == *part && !holds(e)) {
                    at = e;
                    break;
                }
            }
            if (!at)
                exercises.push_back(into.answers.size());
        }
        if (!at) {
            at = into.answers.size();
            into.answers.push_back({*date, patient, *part, {}, *id});
        }
        lastAt_ = *at;
        lastDate_ = std::string(f[0]);
        lastPatient_ = std::string(f[1]);
        lastId_ = std::string(f[13]);
    }
    lastOrder_ = *order;
    std::optional<LeftOutKey> leftOut;
    if (!nothingLeftOut)
        leftOut = LeftOutKey{*outSide, *outMs, *outMark};
    into.answers[lastAt_].pictures.push_back({*order, *number, std::string(f[4]), *shown,
                                              unanswered ? std::nullopt : answer, unanswered ? std::nullopt : ms,
                                              leftOut});
    return true;
}

namespace {

// A whole file: read again with the month first when its dates show it.
void parseWhole(std::string_view text, HistoryContents& into, HistoryParser::Kind kind)
{
    HistoryContents read;
    HistoryParser parser(kind);
    parser.read(text, read);
    if (parser.monthFirstLearnt()) {
        read = {};
        HistoryParser(kind, DateOrder::monthFirst).read(text, read);
    }
    std::ranges::move(read.results, std::back_inserter(into.results));
    std::ranges::move(read.answers, std::back_inserter(into.answers));
    into.skipped += read.skipped;
    for (const auto& [why, count] : read.skippedWhy)
        into.skippedWhy[why] += count;
    into.undecidedDates = into.undecidedDates || read.undecidedDates;
}

} // namespace

void parseHistory(std::string_view text, HistoryContents& into)
{
    parseWhole(text, into, HistoryParser::Kind::results);
}

void parseAnswers(std::string_view text, HistoryContents& into)
{
    parseWhole(text, into, HistoryParser::Kind::answers);
}

std::optional<ExerciseRecord> lastExerciseOf(const HistoryContents& history, const std::string& patient)
{
    const std::string who = patientKey(patient);
    for (auto r = history.results.rbegin(); r != history.results.rend(); ++r) {
        if (patientKey(r->patient) != who)
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
            if (!r->id.empty() || !a.id.empty() || patientKey(a.patient) != who || a.part != r->tally.settings.part)
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

FileLayout layoutOf(const std::optional<std::string>& start, HistoryParser::Kind kind)
{
    FileLayout layout;
    const std::size_t all = columnsOf(headerOf(kind)).size();
    for (std::size_t i = 0; i < all; ++i)
        layout.at.push_back(i);
    layout.wider = all;
    // A missing, empty or unreadable file is written as the program writes.
    if (!start || start->empty())
        return layout;
    std::string_view raw = *start;
    std::string decoded;
    if (raw.starts_with("\xFF\xFE") || raw.starts_with("\xFE\xFF") || (raw.size() >= 2 && (raw[0] == '\0') != (raw[1] == '\0'))) {
        layout.utf16 = true;
        layout.bigEndian = raw.starts_with("\xFE\xFF") || raw[0] == '\0';
        if (raw.starts_with("\xFF\xFE") || raw.starts_with("\xFE\xFF"))
            raw.remove_prefix(2);
        decoded = fromUtf16(raw.substr(0, raw.size() & ~std::size_t(1)), layout.bigEndian);
        raw = decoded;
    }
    const bool marked = raw.starts_with(byteOrderMark);
    if (marked)
        raw.remove_prefix(byteOrderMark.size());
    // The start may end inside a character: only whole lines are judged.
    const std::size_t lastLine = raw.rfind('\n');
    layout.windows1252 = !layout.utf16 && !marked && !isUtf8(raw.substr(0, lastLine == std::string_view::npos ? 0 : lastLine));
    const std::size_t firstEnd = raw.find('\n');
    if (firstEnd != std::string_view::npos && (firstEnd == 0 || raw[firstEnd - 1] != '\r'))
        layout.lineEnd = "\n";
    const std::string_view firstLine = raw.substr(0, firstEnd);
    if (firstLine.find(';') == std::string_view::npos && firstLine.find('\t') != std::string_view::npos)
        layout.separator = '\t';
    Splitter splitter;
    std::size_t next = 0;
    if (!splitter.split(raw, 0, layout.separator, next)) {
        layout.refusal = "sa première ligne est abîmée";
        return layout;
    }
    const std::vector<std::string_view>& fields = splitter.fields;
    if (!looksLikeHeader(fields)) {
        // Lines without a header: the program's own, or someone else's.
        if (fields.size() != atFirstOf(kind) && fields.size() != all)
            layout.refusal = "ses lignes ne sont pas celles du programme";
        return layout;
    }
    const HeaderColumns columns = headerColumns(fields, kind);
    if (!columns.missing.empty()) {
        layout.refusal = "sa colonne « " + columns.missing + " » a été supprimée";
        return layout;
    }
    layout.at = columns.at;
    layout.wider = columns.wider;
    for (std::size_t i = 0; i < layout.at.size(); ++i)
        layout.programOrder = layout.programOrder && layout.at[i] == i;
    layout.programOrder = layout.programOrder && layout.wider == all;
    return layout;
}

std::optional<std::string> shaped(std::string_view lines, const FileLayout& layout)
{
    if (!layout.refusal.empty())
        return std::nullopt;
    std::string out;
    if (layout.programOrder && layout.separator == ';') {
        out = lines;
    } else {
        Splitter splitter;
        std::size_t pos = 0;
        while (pos < lines.size()) {
            std::size_t next = pos;
            if (!splitter.split(lines, pos, ';', next) || splitter.fields.size() != layout.at.size())
                return std::nullopt;
            std::vector<std::string> fields(layout.wider);
            for (std::size_t i = 0; i < splitter.fields.size(); ++i)
                fields[layout.at[i]] = std::string(splitter.fields[i]);
            std::string line;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (i)
                    line += layout.separator;
                // The patient's field keeps its apostrophe: it is written
                // as the program wrote it.
                line += csvField(fields[i], layout.separator);
            }
            out += line + std::string(lineBreak);
            pos = next;
        }
    }
    if (layout.lineEnd != lineBreak) {
        std::string ended;
        for (std::size_t pos = 0; pos < out.size();) {
            const std::size_t end = out.find(lineBreak, pos);
            if (end == std::string::npos) {
                ended += out.substr(pos);
                break;
            }
            ended += out.substr(pos, end - pos) + layout.lineEnd;
            pos = end + lineBreak.size();
        }
        out = std::move(ended);
    }
    if (layout.utf16)
        return toUtf16(out, layout.bigEndian);
    if (layout.windows1252)
        return toWindows1252(out);
    return out;
}

std::string encodedLineEnd(const FileLayout& layout)
{
    return layout.utf16 ? toUtf16(layout.lineEnd, layout.bigEndian) : layout.lineEnd;
}
