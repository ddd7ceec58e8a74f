#include "results/results_folder.h"

#include "model/work_lane.h"
#include "results/private_files.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <map>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view historyPrefix = "resultats";
constexpr std::string_view answersPrefix = "reponses";
constexpr std::string_view csvEnding = ".csv";
// In the private folder: the folder chosen, and the folder of the exercises
// not yet written to it, whose files the private folder, when it is the one
// in use, does not read as its own.
constexpr std::string_view choiceFile = "dossier-resultats.txt";
constexpr std::string_view waitingFolderName = "en-attente";
constexpr std::size_t longestPart = 64;

std::string lowered(std::string_view s)
{
    std::string low(s);
    for (char& c : low)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return low;
}

// The length of the UTF-8 sequence that begins at i, or 0 when it is not one.
std::size_t sequenceLength(std::string_view s, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2)
            return 0;
    }
    return length;
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

std::string trimmedOf(std::string s, std::string_view blanks)
{
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
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
        name = trimmedOf(name, " ");
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

fs::path pathFromUtf8(std::string_view text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string utf8Of(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string fileNamePart(std::string_view computer)
{
    std::string part;
    for (std::size_t i = 0; i < computer.size();) {
        const std::size_t length = sequenceLength(computer, i);
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
    part = trimmedOf(part, " .");
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
    return trimmedOf(rest, " -_.");
}

FolderHistory mergeHistories(const std::vector<SourceFile>& files)
{
    FolderHistory merged;
    std::set<std::string> seen;
    std::set<std::pair<std::string, std::string>> seenAnswers;
    std::map<std::string, std::map<std::string, std::string>> bySource; // line -> patient
    for (const SourceFile& file : files) {
        merged.history.skipped += file.contents.skipped;
        // An exercise's pictures come whole from the first file that has
        // them.
        for (const ExerciseAnswers& answers : file.contents.answers) {
            if (seenAnswers.insert({answers.date, answers.patient}).second)
                merged.history.answers.push_back(answers);
        }
        for (const ExerciseResult& result : file.contents.results) {
            const std::string line = historyLine(result);
            bySource[file.source].emplace(line, trimmedOf(result.patient, " \t"));
            if (seen.insert(line).second)
                merged.history.results.push_back(result);
        }
    }
    // The dates are written so that their order as text is their order in
    // time; exercises of the same second keep the order of the files.
    std::stable_sort(merged.history.results.begin(), merged.history.results.end(),
                     [](const ExerciseResult& a, const ExerciseResult& b) { return a.date < b.date; });
    std::stable_sort(merged.history.answers.begin(), merged.history.answers.end(),
                     [](const ExerciseAnswers& a, const ExerciseAnswers& b) { return a.date < b.date; });
    for (const auto& [source, lines] : bySource) {
        ResultsSource counted{source, static_cast<int>(lines.size()), {}};
        for (const auto& [line, patient] : lines)
            ++counted.byPatient[patient];
        merged.sources.push_back(std::move(counted));
    }
    return merged;
}

namespace {

// The files of the folder, each named by the computer it comes from; this
// computer's own file by its name.
std::optional<std::vector<SourceFile>> readSources(const fs::path& folder, const fs::path& ownFile,
                                                   const std::string& ownName)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        return std::nullopt;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : entries) {
        std::error_code typeError;
        const std::string name = utf8Of(entry.path().filename());
        if (entry.is_regular_file(typeError) && (isHistoryFile(name) || isAnswersFile(name)))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    // Each file is read alone: a conflict copy holds the same exercises
    // again, which the merge then counts once.
    std::vector<SourceFile> sources;
    for (const fs::path& file : files) {
        const std::optional<std::string> text = private_files::read(file);
        if (!text)
            continue;
        const std::string name = utf8Of(file.filename());
        const bool answers = isAnswersFile(name);
        const fs::path resultsFile = answers ? file.parent_path() / pathFromUtf8(std::string(historyPrefix) +
                                                                                  name.substr(answersPrefix.size()))
                                             : file;
        std::string source = computerOfFile(name);
        if (!ownFile.empty() && source == computerOfFile(utf8Of(ownFile.filename())))
            source = ownName;
        if (source.empty())
            source = utf8Of(resultsFile.filename());
        HistoryContents contents;
        answers ? parseAnswers(*text, contents) : parseHistory(*text, contents);
        sources.push_back({source, std::move(contents)});
    }
    return sources;
}

std::string folderAway(const fs::path& folder)
{
    return "Le dossier des résultats « " + utf8Of(folder) +
           " » ne répond pas (réseau coupé, clé retirée, dossier supprimé ?). Les exercices faits sur cet "
           "ordinateur y sont gardés et y seront écrits dès qu'il répondra de nouveau.";
}

} // namespace

std::optional<FolderHistory> readFolder(const fs::path& folder)
{
    const std::optional<std::vector<SourceFile>> sources = readSources(folder, {}, {});
    if (!sources)
        return std::nullopt;
    return mergeHistories(*sources);
}

std::string sourcesNote(const std::vector<ResultsSource>& sources, const std::string& thisComputer,
                        const std::string& patient)
{
    const std::string who = trimmedOf(patient, " \t");
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

    mutable std::mutex mutex;
    std::condition_variable settled;
    fs::path chosen; // empty for the private folder
    FolderHistory contents;
    std::vector<SourceFile> lastSources; // the folder's files as last read
    bool read = false;
    bool answering = false;
    std::string problem;
    int asked = 0; // works posted, and ended
    int done = 0;
    // Held while the window is told, so that once onChange has changed it
    // the old one is never called again.
    std::mutex changedMutex;
    std::function<void()> changed;
    // Held while the waiting file is read or added to, never while the
    // chosen folder is written, which may stall.
    std::mutex waitingMutex;

    fs::path folderInUse() const { return chosen.empty() ? privateFolder : chosen; }
    // What ends the names of this computer's files in the folder in use.
    std::string nameEnd() const { return chosen.empty() ? std::string() : '-' + fileNamePart(computer); }
    fs::path waitingFolder() const { return privateFolder / pathFromUtf8(waitingFolderName); }

    HistoryContents waiting()
    {
        const std::lock_guard lock(waitingMutex);
        return History(waitingFolder()).read();
    }

    // Writes the waiting exercises to this computer's files in the folder,
    // those they do not hold yet; the waiting files go once they are all
    // there. Empty text when nothing waits any more.
    std::string writeWaiting(const fs::path& folder, const std::string& ending)
    {
        const HistoryContents waitingNow = waiting();
        if (waitingNow.results.empty())
            return {};
        std::error_code error;
        if (!fs::is_directory(folder, error))
            return folderAway(folder);
        History own(folder, ending);
        std::set<std::string> there;
        for (const ExerciseResult& r : own.read().results)
            there.insert(historyLine(r));
        for (const ExerciseResult& r : waitingNow.results) {
            if (there.contains(historyLine(r)))
                continue;
            ExerciseRecord record{r, {}};
            for (const ExerciseAnswers& answers : waitingNow.answers) {
                if (answers.date == r.date && answers.patient == r.patient)
                    record.pictures = answers.pictures;
            }
            const std::string failure = own.append(record);
            if (!failure.empty())
                return failure + " Les exercices faits sur cet ordinateur y sont gardés et y seront écrits dès que "
                                 "possible.";
        }
        // Only what was read goes: an exercise saved meanwhile stays.
        const std::lock_guard lock(waitingMutex);
        if (History(waitingFolder()).read().results.size() == waitingNow.results.size())
            fs::remove_all(waitingFolder(), error);
        return {};
    }

    // Writes what waits, then reads the folder.
    void update()
    {
        fs::path folder;
        std::string ending;
        {
            const std::lock_guard lock(mutex);
            folder = folderInUse();
            ending = nameEnd();
        }
        // In the private folder only the window's thread writes; in a chosen
        // one only this thread does, this computer's files.
        std::string failure;
        if (!ending.empty()) {
            failure = History(folder, ending).addWaitingLines();
            const std::string waitingFailure = writeWaiting(folder, ending);
            failure = waitingFailure.empty() ? failure : waitingFailure;
        }
        std::optional<std::vector<SourceFile>> sources =
            readSources(folder, History(folder, ending).file(), fileNamePart(computer));
        if (!sources && failure.empty())
            failure = folderAway(folder);
        // What waits is this computer's too, and shows until it is written.
        const HistoryContents waitingNow = waiting();

        const std::lock_guard lock(mutex);
        if (folder != folderInUse())
            return; // chosen again meanwhile; the next read is under way
        if (sources)
            lastSources = *sources;
        // Away, the folder shows as it was last read, with what waits.
        std::vector<SourceFile> shown = lastSources;
        if (!waitingNow.results.empty())
            shown.push_back({fileNamePart(computer), waitingNow});
        contents = mergeHistories(shown);
        problem = failure;
        read = true;
        answering = sources.has_value();
    }
};

ResultsFolder::ResultsFolder(fs::path privateFolder, std::string computer)
    : privateFolder_(std::move(privateFolder)), computer_(std::move(computer)), private_(privateFolder_),
      shared_(std::make_shared<Shared>()), lane_(std::make_unique<WorkLane>())
{
    shared_->privateFolder = privateFolder_;
    shared_->computer = computer_;
    std::string remembered = private_files::read(privateFolder_ / pathFromUtf8(choiceFile)).value_or(std::string());
    while (!remembered.empty() && (remembered.back() == '\n' || remembered.back() == '\r'))
        remembered.pop_back();
    if (!remembered.empty())
        shared_->chosen = pathFromUtf8(remembered);
    // Exercises left waiting by an earlier run are written now if the
    // folder answers.
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
    return History(shared_->folderInUse(), shared_->nameEnd()).file();
}

void ResultsFolder::useForThisRun(const fs::path& folder)
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->chosen = folder == privateFolder_ ? fs::path() : folder;
        shared_->read = false;
        shared_->problem.clear();
        shared_->contents = {};
        shared_->lastSources.clear();
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

void ResultsFolder::post(std::function<void(Shared&)> work)
{
    {
        const std::lock_guard lock(shared_->mutex);
        ++shared_->asked;
    }
    lane_->post([shared = shared_, work = std::move(work)] {
        work(*shared);
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

std::string ResultsFolder::save(const ExerciseRecord& record)
{
    std::string failure;
    if (isPrivate()) {
        // The private folder is on this computer's own disk: written at once,
        // as the history always was.
        failure = private_.append(record);
    } else {
        // Kept on this computer first, in one flushed write, so that nothing
        // is lost if the folder does not answer or the program ends; the
        // folder's thread then writes it there.
        const std::lock_guard lock(shared_->waitingMutex);
        failure = History(shared_->waitingFolder()).append(record);
    }
    refresh();
    return failure;
}

std::string ResultsFolder::addWaitingLines()
{
    // A chosen folder's thread writes what waits at each read.
    if (!isPrivate())
        return {};
    // Exercises kept for a chosen folder given up since go to this one.
    std::string said = private_.addWaitingLines();
    const std::string failure = shared_->writeWaiting(privateFolder_, {});
    return failure.empty() ? said : failure;
}

void ResultsFolder::refresh()
{
    // The private folder is read when asked, on the window's thread.
    if (isPrivate())
        return;
    post([](Shared& shared) { shared.update(); });
}

FolderHistory ResultsFolder::contents() const
{
    if (isPrivate()) {
        // This computer's own disk, read at once as the history always was.
        std::vector<SourceFile> sources =
            readSources(privateFolder_, private_.file(), fileNamePart(computer_)).value_or(std::vector<SourceFile>{});
        sources.push_back({fileNamePart(computer_), shared_->waiting()});
        return mergeHistories(sources);
    }
    const std::lock_guard lock(shared_->mutex);
    return shared_->contents;
}

bool ResultsFolder::read() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->read || shared_->chosen.empty();
}

bool ResultsFolder::answering() const
{
    if (isPrivate()) {
        std::error_code error;
        return fs::is_directory(privateFolder_, error);
    }
    const std::lock_guard lock(shared_->mutex);
    return shared_->answering;
}

std::string ResultsFolder::problem() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->problem;
}

bool ResultsFolder::finish(std::chrono::milliseconds limit)
{
    std::unique_lock lock(shared_->mutex);
    return shared_->settled.wait_for(lock, limit, [&] { return shared_->done == shared_->asked; });
}

std::string folderNote(const ResultsFolder& results, const std::string& patient)
{
    std::string note = "Dossier des résultats : " + utf8Of(results.folder());
    if (!results.isPrivate())
        note += " (cet ordinateur y écrit " + utf8Of(results.ownFile().filename()) + ")";
    note += '.';
    if (!results.read()) {
        note += " Lecture du dossier…";
    } else {
        const std::string sources =
            sourcesNote(results.contents().sources, fileNamePart(results.computer()), patient);
        if (!sources.empty())
            note += ' ' + sources;
    }
    const std::string problem = results.problem();
    return problem.empty() ? note : note + '\n' + problem;
}
