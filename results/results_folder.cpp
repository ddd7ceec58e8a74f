#include "results/results_folder.h"

#include "model/work_lane.h"
#include "results/history_reader.h"
#include "results/journal.h"
#include "results/patient_name.h"
#include "results/private_files.h"
#include "results/results_view.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <map>
#include <set>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view historyPrefix = "resultats";
constexpr std::string_view answersPrefix = "reponses";
constexpr std::string_view csvEnding = ".csv";
// In the private folder: the folder chosen.
constexpr std::string_view choiceFile = "dossier-resultats.txt";
constexpr std::size_t longestPart = 64;

std::string lowered(std::string_view s)
{
    std::string low(s);
    for (char& c : low)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return low;
}

bool reservedOnWindows(const std::string& name)
{
    const std::string stem = lowered(name.substr(0, name.find('.')));
    static const std::set<std::string> devices = {"con", "prn", "aux", "nul"};
    if (devices.contains(stem))
        return true;
    return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) && stem[3] >= '1' &&
           stem[3] <= '9';
}

// What a synchronisation service adds to a file's name when two copies
// conflict: " (1)", " (conflicted copy 2026-12-07)", " (copie en conflit …)",
// ".sync-conflict-20261207-140509-ABCDEFG", " - Copie".
std::string withoutConflictMark(std::string name)
{
    if (const auto mark = name.find(".sync-conflict-"); mark != std::string::npos)
        name.resize(mark);
    for (;;) {
        const std::string before = name;
        name = std::string(trimmed(name, " "));
        if (name.ends_with(')')) {
            const auto open = name.rfind('(');
            if (open != std::string::npos && (open == 0 || name[open - 1] == ' '))
                name.resize(open);
        }
        for (std::string_view copy : {" - Copie", " - Copy", " - copie", " - copy"}) {
            if (name.ends_with(copy))
                name.resize(name.size() - copy.size());
        }
        if (name == before)
            return name;
    }
}

} // namespace

std::string fileNamePart(std::string_view computer)
{
    std::string part;
    for (std::size_t i = 0; i < computer.size();) {
        const std::size_t length = utf8SequenceLength(computer, i);
        const auto c = static_cast<unsigned char>(computer[i]);
        if (length == 0 || c < 0x20 || c == 0x7F || std::string_view("<>:\"/\\|?*").find(computer[i]) != std::string_view::npos) {
            part += '_';
            i += std::max<std::size_t>(length, 1);
            continue;
        }
        if (part.size() + length > longestPart)
            break;
        part.append(computer.substr(i, length));
        i += length;
    }
    part = std::string(trimmed(part, " ."));
    if (part.empty())
        return "ordinateur";
    return reservedOnWindows(part) ? '_' + part : part;
}

bool isHistoryFile(std::string_view fileName)
{
    const std::string low = lowered(fileName);
    return low.starts_with(historyPrefix) && low.ends_with(csvEnding);
}

bool isAnswersFile(std::string_view fileName)
{
    const std::string low = lowered(fileName);
    return low.starts_with(answersPrefix) && low.ends_with(csvEnding);
}

std::string computerOfFile(std::string_view fileName)
{
    const std::size_t prefix = isHistoryFile(fileName) ? historyPrefix.size()
                               : isAnswersFile(fileName) ? answersPrefix.size()
                                                         : 0;
    if (prefix == 0)
        return {};
    std::string rest = withoutConflictMark(
        std::string(fileName.substr(prefix, fileName.size() - prefix - csvEnding.size())));
    // The files the history keeps beside a computer's own: the lines that
    // wait for it, and those written after its columns were changed.
    for (std::string_view beside : {"-en-attente", "-suite"}) {
        if (lowered(rest).ends_with(beside))
            rest.resize(rest.size() - beside.size());
    }
    return std::string(trimmed(rest, " -_."));
}

namespace {

bool isConflictCopy(std::string_view fileName)
{
    std::string name(fileName.substr(0, fileName.size() - std::min(fileName.size(), csvEnding.size())));
    return withoutConflictMark(name) != trimmed(name, " ");
}

// What a result and its pictures must share to be one exercise: its
// figures, and for lines written before exercises had an identity, its
// date to the minute (a spreadsheet may have dropped the seconds) and its
// patient, within one computer's files.
std::string figuresOf(const Tally& t)
{
    std::string text(partName(t.settings.part));
    for (int n : {t.settings.level, t.settings.intervalMs, t.settings.feedback ? 1 : 0, t.pictures, t.answers,
                  t.correct, t.meanMs, t.medianMs})
        text += ';' + std::to_string(n);
    return text;
}

// Whether the pictures give the figures of the result: as many pictures,
// answers and correct answers.
bool picturesMatch(const std::vector<PictureAnswer>& pictures, const Tally& t)
{
    int answers = 0;
    int correct = 0;
    for (const PictureAnswer& p : pictures) {
        answers += p.answer ? 1 : 0;
        correct += p.answer && p.correct() ? 1 : 0;
    }
    return static_cast<int>(pictures.size()) == t.pictures && answers == t.answers && correct == t.correct;
}

std::string plural(std::size_t count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + ' ' + (count > 1 ? many : one);
}

} // namespace

FolderHistory mergeHistories(const std::vector<SourceFile>& files, const std::optional<std::string>& patient)
{
    struct Exercise {
        ExerciseResult result;
        const ExerciseAnswers* answers = nullptr;
        std::string family;
        bool inOriginal = false;   // held by a file that is no conflict copy
        std::string conflictFile; // else the first conflict copy that holds it
    };
    std::vector<Exercise> all;
    std::unordered_map<std::string, std::size_t> byId;
    std::unordered_map<std::string, std::size_t> byFigures;
    std::unordered_map<std::string, std::vector<std::size_t>> byMinute;
    std::map<std::string, std::set<std::size_t>> bySource;
    std::map<std::string, int> leftOut; // answers lines without their exercise, by file
    std::vector<std::string> notes;
    FolderHistory merged;

    const std::optional<std::string> who = patient ? std::optional(patientKey(*patient)) : std::nullopt;
    // Other patients' exercises are only counted, by their identity or
    // their line.
    std::set<std::string> others;
    const auto familyOf = [](const SourceFile& f) { return lowered(computerOfFile(f.file)); };
    for (const SourceFile& file : files) {
        const std::string family = familyOf(file);
        const bool conflict = isConflictCopy(file.file);
        for (const ExerciseResult& r : file.contents->results) {
            if (who && r.patient != *who) {
                if (others.insert(r.id.empty() ? family + '\n' + historyLine(r) : r.id).second)
                    ++merged.patients[r.patient];
                continue;
            }
            const std::string& patientName = r.patient;
            const std::string minute = family + '\n' + patientName + '\n' + r.date.substr(0, 16);
            const std::string figures = minute + '\n' + figuresOf(r.tally);
            std::optional<std::size_t> at;
            if (!r.id.empty()) {
                if (const auto found = byId.find(r.id); found != byId.end())
                    at = found->second;
            }
            // The same exercise without its identity (a spreadsheet dropped
            // the column, a line cut short), or without it both times.
            if (const auto found = byFigures.find(figures);
                !at && found != byFigures.end() && (r.id.empty() || all[found->second].result.id.empty()))
                at = found->second;
            if (!at) {
                at = all.size();
                all.push_back({r, nullptr, family, false, {}});
                byMinute[minute + '\n' + std::string(partName(r.tally.settings.part))].push_back(*at);
            }
            Exercise& e = all[*at];
            if (e.result.id.empty() && !r.id.empty())
                e.result.id = r.id;
            if (!e.result.id.empty())
                byId.emplace(e.result.id, *at);
            byFigures.emplace(figures, *at);
            e.inOriginal = e.inOriginal || !conflict;
            if (conflict && e.conflictFile.empty())
                e.conflictFile = file.file;
            bySource[file.source].insert(*at);
        }
    }
    for (const SourceFile& file : files) {
        const std::string family = familyOf(file);
        for (const ExerciseAnswers& a : file.contents->answers) {
            if (who && a.patient != *who)
                continue;
            std::optional<std::size_t> at;
            if (!a.id.empty()) {
                if (const auto found = byId.find(a.id); found != byId.end())
                    at = found->second;
            } else {
                const std::string minute = family + '\n' + a.patient + '\n' + a.date.substr(0, 16) + '\n' +
                                           std::string(partName(a.part));
                const auto candidates = byMinute.find(minute);
                if (candidates != byMinute.end()) {
                    // Its figures tell which exercise of the minute it is;
                    // one that has its pictures already holds them again
                    // (a copy).
                    for (std::size_t e : candidates->second) {
                        if (picturesMatch(a.pictures, all[e].result.tally) &&
                            (!all[e].answers || all[e].answers->pictures == a.pictures)) {
                            at = e;
                            break;
                        }
                    }
                    for (std::size_t e : candidates->second) {
                        if (!at && !all[e].answers && all[e].result.date == a.date)
                            at = e;
                    }
                }
            }
            if (!at) {
                leftOut[file.file] += static_cast<int>(a.pictures.size());
                continue;
            }
            Exercise& e = all[*at];
            // Whole pictures, from the first file that has them.
            if (!e.answers || (!picturesMatch(e.answers->pictures, e.result.tally) && picturesMatch(a.pictures, e.result.tally)))
                e.answers = &a;
        }
    }

    // What the reading has to tell, file by file.
    std::map<std::string, int> onlyInCopy;
    for (const SourceFile& file : files) {
        // Lines of the patient, and those that do not say whose they are.
        std::map<std::string, int> skipped;
        for (const auto& [why, count] : file.contents->skippedWhy) {
            if (!who || why.second.empty() || why.second == *who)
                skipped[why.first] += count;
        }
        for (const auto& [why, count] : skipped) {
            merged.history.skipped += count;
            notes.push_back("Fichier « " + file.file + " » : " +
                            plural(static_cast<std::size_t>(count), "ligne laissée de côté", "lignes laissées de côté") +
                            " (" + why + ").");
        }
        for (const auto& [name, count] : file.contents->namesSeen)
            merged.patients[name] += count;
        if (!file.trouble.empty()) {
            merged.history.unreadable.push_back(file.file);
            notes.push_back("Le fichier « " + file.file + " » n'a pas pu être lu : " + file.trouble +
                            ". Ses exercices manquent ici ; il est laissé tel quel.");
        }
        if (file.contents->undecidedDates)
            notes.push_back("Les dates du fichier « " + file.file +
                            " » (comme 03/11/2026) peuvent se lire jour/mois ou mois/jour : elles sont lues jour/mois, à "
                            "la française.");
    }
    for (const auto& [file, lines] : leftOut) {
        merged.history.skipped += lines;
        notes.push_back("Fichier « " + file + " » : " +
                        plural(static_cast<std::size_t>(lines), "ligne laissée de côté", "lignes laissées de côté") +
                        " (leur exercice ne se trouve dans aucun fichier « resultats »).");
    }
    for (const Exercise& e : all) {
        if (!e.inOriginal)
            ++onlyInCopy[e.conflictFile];
    }
    for (const auto& [file, count] : onlyInCopy)
        notes.push_back(plural(static_cast<std::size_t>(count), "exercice ne se trouve", "exercices ne se trouvent") +
                        " que dans « " + file +
                        " », une copie faite par le service de synchronisation lors d'un conflit : gardez ce fichier, "
                        "sans quoi ces exercices seraient perdus.");
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    merged.history.notes = std::move(notes);

    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < all.size(); ++i) {
        ++merged.patients[all[i].result.patient];
        kept.push_back(i);
    }
    // The dates are written so that their order as text is their order in
    // time; exercises of the same second keep the order of the files.
    std::stable_sort(kept.begin(), kept.end(),
                     [&](std::size_t a, std::size_t b) { return all[a].result.date < all[b].result.date; });
    int tie = 0;
    for (std::size_t i : kept) {
        Exercise& e = all[i];
        if (e.result.id.empty())
            e.result.id = "~" + std::to_string(++tie);
        merged.history.results.push_back(e.result);
        if (e.answers)
            merged.history.answers.push_back({e.result.date, e.result.patient, e.result.tally.settings.part,
                                              e.answers->pictures, e.result.id});
    }
    for (const auto& [source, exercises] : bySource) {
        ResultsSource counted{source, static_cast<int>(exercises.size()), {}};
        for (std::size_t e : exercises)
            ++counted.byPatient[all[e].result.patient];
        merged.sources.push_back(std::move(counted));
    }
    return merged;
}

namespace {

// The files of the folder, each named by the computer it comes from; this
// computer's own file by its name. Each file is read alone: a conflict copy
// holds the same exercises again, which the merge then counts once.
std::optional<std::vector<SourceFile>> readSources(const fs::path& folder, const fs::path& ownFile,
                                                   const std::string& ownName, HistoryReader& reader)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        return std::nullopt;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : entries) {
        const std::string name = utf8Of(entry.path().filename());
        // Lines an older version kept waiting are the journal's.
        if ((isHistoryFile(name) || isAnswersFile(name)) && !lowered(name).ends_with("-en-attente.csv"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<SourceFile> sources;
    for (const fs::path& file : files) {
        const std::string name = utf8Of(file.filename());
        const FileHistory* read =
            reader.read(file, isAnswersFile(name) ? HistoryParser::Kind::answers : HistoryParser::Kind::results);
        if (!read)
            continue;
        std::string source = computerOfFile(name);
        if (!ownFile.empty() && source == computerOfFile(utf8Of(ownFile.filename())))
            source = ownName;
        if (source.empty())
            source = std::string(historyPrefix) + name.substr(isAnswersFile(name) ? answersPrefix.size() : historyPrefix.size());
        sources.push_back({source, name, &read->lines, read->trouble});
        if (!read->lastLine.results.empty() || !read->lastLine.answers.empty() || read->lastLine.skipped)
            sources.push_back({source, name, &read->lastLine, {}});
    }
    reader.keepOnly(std::set<fs::path>(files.begin(), files.end()));
    return sources;
}

} // namespace

std::optional<FolderHistory> readFolder(const fs::path& folder)
{
    HistoryReader reader;
    const std::optional<std::vector<SourceFile>> sources = readSources(folder, {}, {}, reader);
    if (!sources)
        return std::nullopt;
    return mergeHistories(*sources);
}

std::string sourcesNote(const std::vector<ResultsSource>& sources, const std::string& thisComputer,
                        const std::string& patient)
{
    const std::string who = patientKey(patient);
    std::vector<std::pair<std::string, int>> counted;
    for (const ResultsSource& s : sources) {
        if (const auto found = s.byPatient.find(who); found != s.byPatient.end())
            counted.emplace_back(s.name, found->second);
    }
    if (counted.empty() || (counted.size() == 1 && counted.front().first == thisComputer))
        return {};
    std::string note = counted.size() == 1 ? "Exercices venus de : " : "Exercices venus de plusieurs ordinateurs : ";
    for (std::size_t i = 0; i < counted.size(); ++i) {
        const auto& [name, exercises] = counted[i];
        note += (i > 0 ? ", " : "") + name + (name == thisComputer ? " (cet ordinateur)" : "") + " : " +
                std::to_string(exercises);
    }
    return note + '.';
}

struct ResultsFolder::Shared {
    fs::path privateFolder;
    std::string computer;
    Journal journal{privateFolder};

    mutable std::mutex mutex;
    std::condition_variable settled;
    fs::path chosen;     // empty for the private folder
    std::string patient; // whose exercises the contents hold
    std::shared_ptr<const FolderHistory> contents = std::make_shared<FolderHistory>();
    std::shared_ptr<const HistoryView> shownHistory; // for the window; none for a report
    bool read = false;
    bool answering = false;
    bool queued = false; // an update waits on the lane
    bool olderTaken = false;
    std::string problem;
    std::vector<std::string> notes; // on the lane's thread only
    int asked = 0; // works posted, and ended
    int done = 0;
    // Held while the window is told, so that once onChange has changed it
    // the old one is never called again.
    std::mutex changedMutex;
    std::function<void()> changed;
    // Only the lane's thread reads and writes the files.
    HistoryReader reader;
    bool reportOnly = false;

    Shared(fs::path folder, std::string name, std::optional<std::string> reportOf)
        : privateFolder(std::move(folder)), computer(std::move(name)), reader(reportOf), reportOnly(reportOf.has_value())
    {
        if (reportOf)
            patient = patientKey(*reportOf);
    }

    fs::path folderInUse() const { return chosen.empty() ? privateFolder : chosen; }
    Destination destination() const
    {
        return chosen.empty() ? Destination{privateFolder, {}, false}
                              : Destination{chosen, '-' + fileNamePart(computer), true};
    }

    // Writes what the journal holds, then reads the folder.
    void update()
    {
        Destination to;
        std::string who;
        {
            const std::lock_guard lock(mutex);
            queued = false;
            to = destination();
            who = patient;
        }
        if (!reportOnly && !std::exchange(olderTaken, true))
            journal.takeOlderWaiting({privateFolder, {}, false}, to);
        std::string trouble;
        const auto tell = [&](const std::string& said) {
            if (!said.empty() && trouble.find(said) == std::string::npos)
                trouble += (trouble.empty() ? "" : "\n") + said;
        };
        for (const WriteOutcome& outcome : reportOnly ? std::vector<WriteOutcome>{} : journal.work(reader)) {
            tell(outcome.trouble);
            // Lines going to a new file beside the user's go on going
            // there: said as long as the program runs.
            if (!outcome.note.empty() && std::ranges::find(notes, outcome.note) == notes.end())
                notes.push_back(outcome.note);
        }
        for (const std::string& note : notes)
            tell(note);
        std::optional<std::vector<SourceFile>> sources =
            readSources(to.folder, to.file(HistoryParser::Kind::results), fileNamePart(computer), reader);
        // The private folder is made with the first exercise saved.
        if (!sources && to.chosen)
            tell(folderAway(to.folder));
        // What waits is this computer's too, and shows until it is written.
        const HistoryContents waiting = journal.waiting(to);
        std::vector<SourceFile> shown = sources.value_or(std::vector<SourceFile>{});
        if (!waiting.results.empty() || !waiting.answers.empty())
            shown.push_back({fileNamePart(computer), utf8Of(to.file(HistoryParser::Kind::results).filename()), &waiting, {}});
        auto merged = std::make_shared<const FolderHistory>(mergeHistories(shown, who));
        // The window's view of it is worked out here, beside the window.
        auto view = reportOnly ? nullptr
                               : std::make_shared<const HistoryView>(historyView(*merged, who, fileNamePart(computer)));

        const std::lock_guard lock(mutex);
        if (to != destination() || who != patient)
            return; // chosen again meanwhile; the next read is under way
        contents = std::move(merged);
        shownHistory = std::move(view);
        problem = trouble;
        read = true;
        answering = sources.has_value() || !to.chosen;
    }
};

ResultsFolder::ResultsFolder(fs::path privateFolder, std::string computer, std::optional<std::string> reportOf)
    : privateFolder_(std::move(privateFolder)), computer_(std::move(computer)),
      shared_(std::make_shared<Shared>(privateFolder_, computer_, reportOf)), lane_(std::make_unique<WorkLane>())
{
    std::string remembered = private_files::readBytes(privateFolder_ / pathFromUtf8(choiceFile)).value_or(std::string());
    while (!remembered.empty() && (remembered.back() == '\n' || remembered.back() == '\r'))
        remembered.pop_back();
    if (!remembered.empty())
        shared_->chosen = pathFromUtf8(remembered);
    std::string name = private_files::readBytes(privateFolder_ / "patient.txt").value_or(std::string());
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
        name.pop_back();
    if (!reportOf)
        shared_->patient = patientKey(name);
    // Exercises left in the journal by an earlier run are written now if
    // their folder answers.
    refresh();
}

ResultsFolder::~ResultsFolder()
{
    finish(endWait);
    lane_.reset();
}

void ResultsFolder::onChange(std::function<void()> changed)
{
    const std::lock_guard lock(shared_->changedMutex);
    shared_->changed = std::move(changed);
}

fs::path ResultsFolder::folder() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->folderInUse();
}

bool ResultsFolder::isPrivate() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->chosen.empty();
}

fs::path ResultsFolder::ownFile() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->destination().file(HistoryParser::Kind::results);
}

void ResultsFolder::useForThisRun(const fs::path& folder)
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->chosen = folder == privateFolder_ ? fs::path() : folder;
        shared_->read = false;
        shared_->problem.clear();
        shared_->contents = std::make_shared<FolderHistory>();
        shared_->shownHistory = nullptr;
    }
    refresh();
}

std::string ResultsFolder::choose(const fs::path& folder)
{
    std::string failure = private_files::makeFolder(privateFolder_);
    if (failure.empty())
        failure = private_files::replace(privateFolder_ / pathFromUtf8(choiceFile),
                                         folder.empty() || folder == privateFolder_ ? std::string()
                                                                                   : utf8Of(folder) + '\n');
    useForThisRun(folder.empty() ? privateFolder_ : folder);
    return failure.empty() ? std::string()
                           : "Le choix du dossier des résultats n'a pas pu être gardé pour la prochaine fois : " +
                                 failure + ".";
}

std::string ResultsFolder::patient() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->patient;
}

void ResultsFolder::follow(const std::string& patient)
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->patient = patientKey(patient);
        shared_->read = false;
    }
    refresh();
}

std::string ResultsFolder::setPatient(const std::string& name)
{
    follow(name);
    std::string error = private_files::makeFolder(privateFolder_);
    if (error.empty())
        error = private_files::replace(privateFolder_ / "patient.txt", patientKey(name) + '\n');
    return error.empty() ? std::string()
                         : "Le nom du patient n'a pas pu être enregistré dans le dossier « " + utf8Of(privateFolder_) +
                               " » : " + error + ".";
}

std::string ResultsFolder::save(const ExerciseRecord& record)
{
    Destination to;
    {
        const std::lock_guard lock(shared_->mutex);
        to = shared_->destination();
    }
    const std::string failure = shared_->journal.keep(record, to);
    refresh();
    // Where it could not be written is told once.
    if (failure.empty() || failure == toldOfMemory_)
        return {};
    toldOfMemory_ = failure;
    return failure;
}

void ResultsFolder::refresh()
{
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->queued)
            return; // the update waiting on the lane will see this too
        shared_->queued = true;
        ++shared_->asked;
    }
    lane_->post([shared = shared_] {
        shared->update();
        {
            const std::lock_guard lock(shared->mutex);
            ++shared->done;
            shared->settled.notify_all();
        }
        const std::lock_guard lock(shared->changedMutex);
        if (shared->changed)
            shared->changed();
    });
}

std::shared_ptr<const FolderHistory> ResultsFolder::contents() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->contents;
}

bool ResultsFolder::answering() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->answering;
}

std::string ResultsFolder::problem() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->problem;
}

FolderState ResultsFolder::state() const
{
    const std::lock_guard lock(shared_->mutex);
    return {shared_->folderInUse(), shared_->chosen.empty(),
            utf8Of(shared_->destination().file(HistoryParser::Kind::results).filename()), shared_->read,
            shared_->problem, shared_->shownHistory};
}

bool ResultsFolder::finish(std::chrono::milliseconds limit)
{
    std::unique_lock lock(shared_->mutex);
    return shared_->settled.wait_for(lock, limit, [&] { return shared_->done == shared_->asked; });
}

std::string ResultsFolder::end()
{
    refresh();
    finish(endWait);
    const std::size_t lost = shared_->journal.inMemory();
    if (lost == 0)
        return {};
    return plural(lost, "exercice de cette séance n'a pu être enregistré", "exercices de cette séance n'ont pu être enregistrés") +
           " nulle part : " + shared_->journal.memoryTrouble() +
           " Le programme se ferme : ces exercices sont perdus. Vérifiez le dossier « " + utf8Of(privateFolder_) +
           " » avant le prochain exercice.";
}
