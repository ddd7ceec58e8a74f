#include "results/history.h"

#include "model/local_time.h"
#include "results/private_files.h"

#include <array>
#include <charconv>
#include <ctime>
#include <optional>

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view lineBreak = "\r\n";
constexpr std::array<BodyPart, 4> bodyParts = {BodyPart::hands, BodyPart::feet, BodyPart::face, BodyPart::patient};
constexpr std::size_t fieldCount = 11;

// A spreadsheet takes a cell that begins with one of these for a formula, so
// a name such as "=HYPERLINK(...)" would run as one when the file is opened.
// Such a name is written behind an apostrophe, which spreadsheets take as
// "text follows", and read back without it.
bool looksLikeFormula(std::string_view name)
{
    return !name.empty() && std::string_view("=+-@\t\r").find(name.front()) != std::string_view::npos;
}

std::string patientField(const std::string& name)
{
    const bool formula = looksLikeFormula(name);
    if (!formula && name.find_first_of(";\"\r\n") == std::string::npos)
        return name;
    std::string quoted = formula ? "\"'" : "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string patientFromField(std::string field)
{
    if (field.size() > 1 && field.front() == '\'' && looksLikeFormula(std::string_view(field).substr(1)))
        field.erase(0, 1);
    return field;
}

// One record of the file: its fields, and where the next record begins.
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
            return record;
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
    record.next = text.size();
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

bool isDateTime(std::string_view s)
{
    constexpr std::string_view shape = "0000-00-00T00:00:00";
    if (s.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool digit = s[i] >= '0' && s[i] <= '9';
        if (shape[i] == '0' ? !digit : s[i] != shape[i])
            return false;
    }
    return true;
}

std::optional<ExerciseResult> resultOf(const std::vector<std::string>& f)
{
    if (f.size() != fieldCount || !isDateTime(f[0]))
        return std::nullopt;
    constexpr int most = 1'000'000'000;
    std::optional<BodyPart> part;
    for (BodyPart p : bodyParts) {
        if (f[2] == partName(p))
            part = p;
    }
    const auto level = wholeNumber(f[3], 1, 4);
    const auto interval = wholeNumber(f[4], 1, most);
    const auto feedback = wholeNumber(f[5], 0, 1);
    const auto pictures = wholeNumber(f[6], 0, most);
    const auto answers = wholeNumber(f[7], 0, most);
    const auto correct = wholeNumber(f[8], 0, most);
    const auto mean = wholeNumber(f[9], 0, most);
    const auto median = wholeNumber(f[10], 0, most);
    if (!part || !level || !interval || !feedback || !pictures || !answers || !correct || !mean || !median ||
        *correct > *answers || *answers > *pictures)
        return std::nullopt;
    return ExerciseResult{f[0], patientFromField(f[1]),
                          Tally{{*part, *level, *interval, *feedback == 1}, *pictures, *answers, *correct, *mean,
                                *median}};
}

bool isHeader(const std::vector<std::string>& fields)
{
    std::string joined;
    for (const std::string& field : fields)
        joined += (joined.empty() ? "" : ";") + field;
    return joined == historyHeader;
}

std::string utf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

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

std::string historyLine(const ExerciseResult& r)
{
    const Tally& t = r.tally;
    std::string line = r.date + ';' + patientField(r.patient) + ';' + std::string(partName(t.settings.part));
    for (int n : {t.settings.level, t.settings.intervalMs, t.settings.feedback ? 1 : 0, t.pictures, t.answers,
                  t.correct, t.meanMs, t.medianMs})
        line += ';' + std::to_string(n);
    return line;
}

HistoryContents parseHistory(std::string_view text)
{
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    HistoryContents contents;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lineEnd = text.find('\n', pos);
        const std::size_t nextLine = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        const std::string_view line = text.substr(pos, nextLine - pos);
        if (line.find_first_not_of("\r\n") == std::string_view::npos) {
            pos = nextLine;
            continue;
        }
        const std::optional<Record> record = readRecord(text, pos);
        const std::optional<ExerciseResult> result = record ? resultOf(record->fields) : std::nullopt;
        if (result) {
            contents.results.push_back(*result);
            pos = record->next;
            continue;
        }
        // A damaged record costs its own line only: reading goes on with
        // the next line, also when an unclosed quote ran past it.
        if (!(pos == 0 && record && isHeader(record->fields)))
            ++contents.skipped;
        pos = nextLine;
    }
    return contents;
}

std::string localDateTimeNow()
{
    const std::tm local = localTime(std::time(nullptr));
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

History::History(std::filesystem::path folder, std::string fileName)
    : folder_(std::move(folder)), fileName_(std::u8string(fileName.begin(), fileName.end()))
{
}

std::string History::failure(const std::string& what, const std::string& reason) const
{
    return what + " dans le dossier « " + utf8(folder_) + " » : " + reason + ".";
}

std::string History::append(const ExerciseResult& result)
{
    std::string error = private_files::makeFolder(folder_);
    if (error.empty()) {
        const std::string header = std::string(byteOrderMark) + std::string(historyHeader) + std::string(lineBreak);
        error = private_files::appendLine(file(), historyLine(result) + std::string(lineBreak), header);
    }
    return error.empty() ? std::string() : failure("Les résultats n'ont pas pu être enregistrés", error);
}

HistoryContents History::read() const
{
    return parseHistory(private_files::read(file()).value_or(std::string()));
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
