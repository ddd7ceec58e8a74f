#include "results/journal.h"

#include "model/text.h"
#include "results/patient_name.h"
#include "results/private_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <set>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view journalMark = "tavrel journal 1";
constexpr std::string_view recordEnding = ".txt";
constexpr std::string_view lineBreak = "\r\n";

// A value on a line of its own in the record's file.
std::string escaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::string unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const std::string_view code = text.substr(i + 1, 2);
            out += code == "0A" ? '\n' : code == "0D" ? '\r' : '%';
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string textOf(const JournalRecord& r)
{
    return std::string(journalMark) + '\n' + escaped(utf8Of(r.to.folder)) + '\n' + escaped(r.to.nameEnd) + '\n' +
           (r.to.chosen ? "1" : "0") + '\n' + r.id + '\n' + escaped(r.resultLine) + '\n' + r.answerLines;
}

std::optional<JournalRecord> recordOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            return std::nullopt;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    if (lines[0] != journalMark)
        return std::nullopt;
    return JournalRecord{{pathFromUtf8(unescaped(lines[1])), unescaped(lines[2]), lines[3] == "1"},
                         std::string(lines[4]),
                         unescaped(lines[5]),
                         std::string(text.substr(pos))};
}

// The record's file in the journal: named by the moment it was kept, so
// that the records are written in the order they were saved, and its
// identity; lines an older version kept, by their text, so that keeping
// them twice makes one record, before all others.
std::string nameOf(const JournalRecord& r)
{
    if (!r.id.empty()) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        char moment[24];
        std::snprintf(moment, sizeof moment, "%020lld",
                      static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        return moment + ('-' + r.id + std::string(recordEnding));
    }
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : textOf(r)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char name[40];
    std::snprintf(name, sizeof name, "0-ancien-%016llx", static_cast<unsigned long long>(hash));
    return name + std::string(recordEnding);
}

std::vector<fs::path> recordFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = utf8Of(entry->path().filename());
        if (name.ends_with(recordEnding) && !name.starts_with("."))
            files.push_back(entry->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string_view baseName(HistoryParser::Kind kind)
{
    return kind == HistoryParser::Kind::results ? "resultats" : "reponses";
}

std::string_view headerOf(HistoryParser::Kind kind)
{
    return kind == HistoryParser::Kind::results ? historyHeader : answersHeader;
}

// Whether the files hold the record's result.
bool holdsResult(const FileHistory* file, const ExerciseResult& result)
{
    if (!file)
        return false;
    for (const HistoryContents* part : {&file->lines, &file->lastLine}) {
        for (const ExerciseResult& r : part->results) {
            if (result.id.empty() ? r.id.empty() && r.date == result.date && r.patient == result.patient &&
                                        r.tally == result.tally
                                  : r.id == result.id)
                return true;
        }
    }
    return false;
}

// The orders of the record's pictures the file holds.
void ordersHeld(const FileHistory* file, const ExerciseAnswers& answers, std::set<int>& held)
{
    if (!file)
        return;
    for (const HistoryContents* part : {&file->lines, &file->lastLine}) {
        for (const ExerciseAnswers& a : part->answers) {
            if (answers.id.empty() ? a.id.empty() && a.date == answers.date && a.patient == answers.patient
                                   : a.id == answers.id) {
                for (const PictureAnswer& p : a.pictures)
                    held.insert(p.order);
            }
        }
    }
}

// The message of a file held open by another program.
std::string inUseMessage(const fs::path& file, bool officeLock)
{
    std::string message = "Le fichier « " + utf8Of(file.filename()) + " » du dossier « " + utf8Of(file.parent_path()) +
                          " » est ouvert dans un autre programme (un tableur, peut-être). L'exercice est gardé sur cet "
                          "ordinateur, et il y sera ajouté dès que ce fichier sera fermé.";
    if (officeLock)
        message += " LibreOffice le signale par le fichier « .~lock." + utf8Of(file.filename()) +
                   "# » : s'il n'est plus ouvert, supprimez ce fichier.";
    return message;
}

// Writes the lines into the file of the kind, or the new file beside it
// when the file's form cannot take them.
void writeKind(const JournalRecord& record, HistoryParser::Kind kind, const std::string& lines, HistoryReader& reader,
               WriteOutcome& out)
{
    const fs::path main = record.to.file(kind);
    const fs::path beside = record.to.file(kind, "-suite.csv");
    // What the files hold of the record already.
    HistoryContents wanted;
    std::string missing;
    if (kind == HistoryParser::Kind::results) {
        parseHistory(lines, wanted);
        if (wanted.results.size() != 1 || holdsResult(reader.read(main, kind), wanted.results[0]) ||
            holdsResult(reader.read(beside, kind), wanted.results[0]))
            return;
        missing = lines;
    } else {
        parseAnswers(lines, wanted);
        for (const ExerciseAnswers& a : wanted.answers) {
            std::set<int> held;
            ordersHeld(reader.read(main, kind), a, held);
            ordersHeld(reader.read(beside, kind), a, held);
            ExerciseRecord rest{{a.date, a.patient, Tally{{a.part, 1, 0, false}, 0, 0, 0, 0, 0}, a.id}, {}};
            for (const PictureAnswer& p : a.pictures) {
                if (!held.contains(p.order))
                    rest.pictures.push_back(p);
            }
            missing += answerLines(rest);
        }
        if (missing.empty())
            return;
    }

    const private_files::Place place =
        record.to.chosen ? private_files::Place::chosenFolder : private_files::Place::privateFolder;
    fs::path target = main;
    FileLayout layout = layoutOf(private_files::readBytes(main, 65536), kind);
    std::optional<std::string> bytes = shaped(missing, layout);
    if (!bytes) {
        const std::string why = layout.refusal.empty() ? "un nom ne peut pas s'écrire dans son codage" : layout.refusal;
        target = beside;
        layout = layoutOf(private_files::readBytes(beside, 65536), kind);
        bytes = shaped(missing, layout);
        if (!bytes) {
            out.trouble = "L'exercice n'a pas pu être écrit dans les fichiers « " + utf8Of(main.filename()) + " » et « " +
                          utf8Of(beside.filename()) + " » du dossier « " + utf8Of(record.to.folder) +
                          " » : un autre programme en a changé les colonnes. Il est gardé sur cet ordinateur.";
            return;
        }
        out.note = "Le fichier « " + utf8Of(main.filename()) + " » est laissé tel quel (" + why +
                   ") : les résultats sont désormais enregistrés dans le fichier « " + utf8Of(beside.filename()) +
                   " », dans le dossier « " + utf8Of(record.to.folder) + " ».";
    }
    // LibreOffice marks the file it has open with a lock file beside it, and
    // saves its own copy over the file when asked: lines added meanwhile
    // would be lost.
    const fs::path officeLock = target.parent_path() / pathFromUtf8(".~lock." + utf8Of(target.filename()) + "#");
    std::error_code ignored;
    if (fs::exists(officeLock, ignored)) {
        out.inUse = true;
        out.trouble = inUseMessage(target, true);
        return;
    }
    const std::string header = "\xEF\xBB\xBF" + std::string(headerOf(kind)) + std::string(lineBreak);
    const private_files::Appended added = private_files::appendLine(target, *bytes, header, encodedLineEnd(layout), place);
    if (added.inUse) {
        out.inUse = true;
        out.trouble = inUseMessage(target, false);
    } else if (!added.done()) {
        out.trouble = "L'exercice n'a pas pu être écrit dans le fichier « " + utf8Of(target.filename()) +
                      " » du dossier « " + utf8Of(record.to.folder) + " » : " + added.reason +
                      ". Il est gardé sur cet ordinateur, et y sera écrit dès que possible.";
    }
}

} // namespace

fs::path Destination::file(HistoryParser::Kind kind, std::string_view suffix) const
{
    return folder / pathFromUtf8(std::string(baseName(kind)) + nameEnd + std::string(suffix));
}

std::string folderAway(const fs::path& folder)
{
    return "Le dossier des résultats « " + utf8Of(folder) +
           " » ne répond pas (réseau coupé, clé retirée, dossier supprimé ?). Les exercices faits sur cet "
           "ordinateur y sont gardés et y seront écrits dès qu'il répondra de nouveau.";
}

WriteOutcome writeThrough(const JournalRecord& record, HistoryReader& reader)
{
    WriteOutcome out;
    std::error_code error;
    if (!fs::is_directory(record.to.folder, error)) {
        out.trouble = folderAway(record.to.folder);
        return out;
    }
    if (!record.resultLine.empty())
        writeKind(record, HistoryParser::Kind::results, record.resultLine + std::string(lineBreak), reader, out);
    if (out.trouble.empty() && !record.answerLines.empty())
        writeKind(record, HistoryParser::Kind::answers, record.answerLines, reader, out);
    out.done = out.trouble.empty();
    return out;
}

Journal::Journal(fs::path privateFolder) : privateFolder_(std::move(privateFolder)), folder_(privateFolder_ / "journal")
{
}

std::string Journal::keepOnDisk(const JournalRecord& record)
{
    std::string failure = private_files::makeFolder(folder_);
    if (failure.empty())
        failure = private_files::replace(folder_ / pathFromUtf8(nameOf(record)), textOf(record));
    return failure;
}

std::string Journal::keep(const ExerciseRecord& exercise, const Destination& to)
{
    JournalRecord record{to, exercise.result.id, historyLine(exercise.result), answerLines(exercise)};
    const std::lock_guard lock(mutex_);
    // Those kept in memory first, in their order.
    std::erase_if(memory_, [&](const JournalRecord& r) { return keepOnDisk(r).empty(); });
    const std::string failure = keepOnDisk(record);
    if (failure.empty())
        return {};
    memory_.push_back(std::move(record));
    memoryTrouble_ = "Les résultats n'ont pas pu être enregistrés dans le dossier « " + utf8Of(privateFolder_) +
                     " » : " + failure +
                     ". Ils sont gardés en mémoire, et le programme essaiera de nouveau à chaque exercice et à sa fin : "
                     "libérez de la place ou rendez ce dossier accessible en écriture.";
    return memoryTrouble_;
}

std::vector<WriteOutcome> Journal::work(HistoryReader& reader)
{
    std::vector<WriteOutcome> outcomes;
    const auto add = [&](const WriteOutcome& o) {
        if ((!o.trouble.empty() || !o.note.empty()) &&
            std::ranges::none_of(outcomes, [&](const WriteOutcome& x) { return x.trouble == o.trouble && x.note == o.note; }))
            outcomes.push_back(o);
    };
    std::vector<JournalRecord> inMemory;
    {
        const std::lock_guard lock(mutex_);
        std::erase_if(memory_, [&](const JournalRecord& r) { return keepOnDisk(r).empty(); });
        inMemory = memory_;
    }
    for (const fs::path& file : recordFiles(folder_)) {
        private_files::Claim claim(file);
        if (!claim.held())
            continue; // another copy of the program is writing it
        const std::optional<std::string> text = claim.content();
        const std::optional<JournalRecord> record = text ? recordOf(*text) : std::nullopt;
        if (!record)
            continue;
        const WriteOutcome outcome = writeThrough(*record, reader);
        add(outcome);
        if (outcome.done)
            claim.remove();
    }
    for (const JournalRecord& record : inMemory) {
        const WriteOutcome outcome = writeThrough(record, reader);
        add(outcome);
        if (outcome.done) {
            const std::lock_guard lock(mutex_);
            std::erase_if(memory_, [&](const JournalRecord& r) { return textOf(r) == textOf(record); });
        }
    }
    return outcomes;
}

HistoryContents Journal::waiting(const Destination& to) const
{
    std::vector<JournalRecord> records;
    for (const fs::path& file : recordFiles(folder_)) {
        const std::optional<std::string> text = private_files::readBytes(file);
        if (const std::optional<JournalRecord> record = text ? recordOf(*text) : std::nullopt)
            records.push_back(*record);
    }
    {
        const std::lock_guard lock(mutex_);
        records.insert(records.end(), memory_.begin(), memory_.end());
    }
    HistoryContents contents;
    for (const JournalRecord& r : records) {
        if (r.to.folder != to.folder || r.to.nameEnd != to.nameEnd)
            continue;
        if (!r.resultLine.empty())
            parseHistory(r.resultLine + std::string(lineBreak), contents);
        parseAnswers(r.answerLines, contents);
    }
    return contents;
}

std::size_t Journal::inMemory() const
{
    const std::lock_guard lock(mutex_);
    return memory_.size();
}

std::string Journal::memoryTrouble() const
{
    const std::lock_guard lock(mutex_);
    return memory_.empty() ? std::string() : memoryTrouble_;
}

void Journal::takeOlderWaiting(const Destination& privateFiles, const Destination& inUse)
{
    struct Older {
        std::vector<fs::path> files; // resultats first, then reponses
        Destination to;
        bool folder; // the files lie in a folder of their own, removed with them
    };
    const fs::path waitingFolder = privateFolder_ / "en-attente";
    const Destination waitingFiles{waitingFolder, "", false};
    std::vector<Older> older = {
        {{privateFiles.file(HistoryParser::Kind::results, "-en-attente.csv"),
          privateFiles.file(HistoryParser::Kind::answers, "-en-attente.csv")},
         privateFiles,
         false},
        {{waitingFiles.file(HistoryParser::Kind::results), waitingFiles.file(HistoryParser::Kind::results, "-en-attente.csv"),
          waitingFiles.file(HistoryParser::Kind::answers), waitingFiles.file(HistoryParser::Kind::answers, "-en-attente.csv")},
         inUse,
         true},
    };
    if (inUse.chosen)
        older.push_back({{inUse.file(HistoryParser::Kind::results, "-en-attente.csv"),
                          inUse.file(HistoryParser::Kind::answers, "-en-attente.csv")},
                         inUse,
                         false});
    for (const Older& o : older) {
        HistoryContents lines;
        bool any = false;
        for (const fs::path& file : o.files) {
            const std::optional<std::string> text = private_files::readBytes(file);
            if (!text)
                continue;
            any = true;
            utf8Of(file.filename()).starts_with("resultats") ? parseHistory(*text, lines) : parseAnswers(*text, lines);
        }
        if (!any)
            continue;
        std::vector<JournalRecord> records;
        std::vector<bool> tied(lines.answers.size(), false);
        for (const ExerciseResult& r : lines.results) {
            JournalRecord record{o.to, r.id, historyLine(r), {}};
            for (std::size_t i = 0; i < lines.answers.size(); ++i) {
                const ExerciseAnswers& a = lines.answers[i];
                if (!tied[i] && (r.id.empty() ? a.id.empty() && a.date == r.date && a.patient == r.patient : a.id == r.id)) {
                    record.answerLines = answerLines({r, a.pictures});
                    tied[i] = true;
                }
            }
            records.push_back(std::move(record));
        }
        // Pictures whose exercise's line reached its file already.
        for (std::size_t i = 0; i < lines.answers.size(); ++i) {
            if (tied[i])
                continue;
            const ExerciseAnswers& a = lines.answers[i];
            records.push_back({o.to, a.id, {}, answerLines({{a.date, a.patient, Tally{{a.part, 1, 0, false}, 0, 0, 0, 0, 0}, a.id}, a.pictures})});
        }
        const std::lock_guard lock(mutex_);
        if (std::ranges::any_of(records, [&](const JournalRecord& r) { return !keepOnDisk(r).empty(); }))
            continue; // left where they are, for the next start
        std::error_code ignored;
        for (const fs::path& file : o.files)
            fs::remove(file, ignored);
        if (o.folder)
            fs::remove_all(waitingFolder, ignored);
    }
}
