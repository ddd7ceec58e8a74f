#pragma once
// Where the results are kept, and the results of several computers read
// together. By default the history lies in the program's private data
// folder, as resultats.csv. The clinician may choose another folder, one the
// clinic shares on its network or one a synchronisation service keeps in step
// between the patient's computer and the clinic's: there each computer writes
// only files of its own, resultats-<computer>.csv, so that two computers never
// write the same file, and every history file of the folder is read, merged
// by date, each exercise once. A history file copied into the folder by hand
// is read the same way.
//
// The folder is written and read on a thread of its own, so that a network
// folder that stalls never holds the window. A folder that does not answer
// (network down, stick pulled out) is said in French; the exercises saved
// meanwhile are kept in the private folder and written to the chosen folder
// as soon as it answers again.

#include "results/history.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class WorkLane;

// Paths to and from the UTF-8 texts the program shows and takes, whatever
// the system's code page.
std::filesystem::path pathFromUtf8(std::string_view text);
std::string utf8Of(const std::filesystem::path& path);

// The computer's name made into a part of a file name that every system
// takes: no separator, reserved or control character, no blank or dot at
// either end, no name Windows keeps for its devices, not too long.
std::string fileNamePart(std::string_view computer);

// The computer a history file of a shared folder comes from, read from its
// name: "PC-CABINET" for resultats-PC-CABINET.csv and reponses-PC-CABINET.csv, also for the copies a
// synchronisation service makes when it sees a conflict
// (resultats-PC-CABINET (1).csv, resultats-PC-CABINET.sync-conflict-….csv);
// empty text for a plain resultats.csv.
std::string computerOfFile(std::string_view fileName);

// Whether the file's name is that of a history file, resultats*.csv, or of
// the answers of its exercises, reponses*.csv.
bool isHistoryFile(std::string_view fileName);
bool isAnswersFile(std::string_view fileName);

// The exercises of one computer in the folder.
struct ResultsSource {
    std::string name; // the computer, or the file's name when it does not say
    int exercises = 0;
    std::map<std::string, int> byPatient; // names without the blanks around them
    bool operator==(const ResultsSource&) const = default;
};

struct FolderHistory {
    HistoryContents history;             // merged by date, each exercise once
    std::vector<ResultsSource> sources;  // by name
};

// One history file as read: where it comes from and what it holds.
struct SourceFile {
    std::string source;
    HistoryContents contents;
};
// Merges the files' results by date, each exercise once: the same line in two
// files (a conflict copy, a file copied twice) counts once.
FolderHistory mergeHistories(const std::vector<SourceFile>& files);

// Every history file of the folder, merged; nothing when the folder cannot be
// listed.
std::optional<FolderHistory> readFolder(const std::filesystem::path& folder);

// The computers the patient's exercises came from, in French, for the
// results window and the report: empty when they all come from this one.
std::string sourcesNote(const std::vector<ResultsSource>& sources, const std::string& thisComputer,
                        const std::string& patient);

class ResultsFolder {
public:
    // How long the program waits at its end for the folder to take what it
    // has not written yet.
    static constexpr std::chrono::seconds endWait{3};

    // The private folder holds the choice of folder, the patient's name and
    // the lines waiting for a folder that does not answer. The computer's
    // name makes the names of this computer's files in a chosen folder.
    ResultsFolder(std::filesystem::path privateFolder, std::string computer);
    ~ResultsFolder();
    ResultsFolder(const ResultsFolder&) = delete;
    ResultsFolder& operator=(const ResultsFolder&) = delete;

    // Called on the folder's thread when a save or a read has ended; the
    // window then shows the folder again (from its own thread). Once
    // changed (to nothing, when the window goes), the old one is no longer
    // called.
    void onChange(std::function<void()> changed);

    const std::filesystem::path& privateFolder() const { return privateFolder_; }
    // The folder in use: the one chosen, or the private folder.
    std::filesystem::path folder() const;
    bool isPrivate() const;
    const std::string& computer() const { return computer_; }
    // This computer's history file in the folder in use.
    std::filesystem::path ownFile() const;

    // Uses the folder for this run only, as the command line asks.
    void useForThisRun(const std::filesystem::path& folder);
    // Uses the folder from now on and remembers it for the next runs; an
    // empty path goes back to the private folder. Empty text when
    // remembered, otherwise a French message.
    std::string choose(const std::filesystem::path& folder);

    // The history of the private folder: the patient's name is kept there.
    History& privateHistory() { return private_; }

    // Saves the exercise without waiting for a chosen folder: it is kept on
    // this computer at once and written to the folder by its thread. Empty
    // text when kept, otherwise a French message.
    std::string save(const ExerciseRecord& record);
    // Reads a chosen folder again without waiting; onChange tells when it
    // is done. What waits for the folder is written first. The private
    // folder, on this computer's own disk, is read by contents() itself.
    void refresh();
    // Adds the lines that wait for a file held open by another program, or
    // for a folder that did not answer, in the private folder, with what to
    // tell the user. A chosen folder's thread does it at each read, and
    // tells what is wrong through problem().
    std::string addWaitingLines();
    // The folder as last read, with the lines still waiting to be written.
    FolderHistory contents() const;
    // Whether a read has ended since the folder was last chosen.
    bool read() const;
    // Whether the folder answered at the last read.
    bool answering() const;
    // What is wrong with the folder, in French, or empty text.
    std::string problem() const;
    // Waits until what was asked of the folder is done, at most the limit;
    // true when it is.
    bool finish(std::chrono::milliseconds limit);

private:
    struct Shared;
    void post(std::function<void(Shared&)> work);

    std::filesystem::path privateFolder_;
    std::string computer_;
    History private_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<WorkLane> lane_;
};

// What the results window says of the folder, in French: where the results
// are kept, which computers the patient's came from, what is wrong with the
// folder.
std::string folderNote(const ResultsFolder& results, const std::string& patient);
