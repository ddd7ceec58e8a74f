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
// Every exercise goes through the journal (journal.h) into its files. The
// folder, the private folder too, is written and read on a thread of its
// own, so that a network folder that stalls or a history of years never
// holds the window; the reader (history_reader.h) reads only what was added
// since. A folder that does not answer (network down, stick pulled out) is
// said in French; the exercises saved meanwhile wait in the journal and are
// written to the chosen folder as soon as it answers again.

#include "model/text.h"
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
    std::map<std::string, int> byPatient; // names composed, without the blanks around them
    bool operator==(const ResultsSource&) const = default;
};

struct FolderHistory {
    // Merged, each exercise once, in the order of the dates, each one's
    // pictures tied to it: in this history an exercise saved before
    // exercises had an identity has one of its own for the reading
    // ("~1", "~2"...), never written anywhere. Only the patient's exercises
    // when the history was read for one patient.
    HistoryContents history;
    std::vector<ResultsSource> sources;  // by name
    std::map<std::string, int> patients; // every patient of the folder, with their exercises
};

// One history file as read: where it comes from and what it holds.
struct SourceFile {
    std::string source;               // the computer it comes from
    std::string file;                 // its name
    const HistoryContents* contents;  // what it holds
    std::string trouble;              // why it could not be read, in French; empty when it could
};
// Merges the files, each exercise once: the same exercise in two files (a
// conflict copy, a file copied twice) counts once, by its identity; lines
// written before exercises had one, by their date, patient and figures,
// within one computer's file and its copies, never across two computers'
// files. With a patient, only that patient's exercises are kept.
FolderHistory mergeHistories(const std::vector<SourceFile>& files, const std::optional<std::string>& patient = std::nullopt);

// Every history file of the folder, merged, read whole; nothing when the
// folder cannot be listed.
std::optional<FolderHistory> readFolder(const std::filesystem::path& folder);

// The computers the patient's exercises came from, in French, for the
// results window and the report: empty when they all come from this one.
std::string sourcesNote(const std::vector<ResultsSource>& sources, const std::string& thisComputer,
                        const std::string& patient);

struct HistoryView;

// The folder as the results window shows it, all taken at one moment.
struct FolderState {
    std::filesystem::path folder; // in use
    bool isPrivate = true;
    std::string ownFile; // the name of this computer's history file there
    // Whether a read for the folder and the patient has ended since they
    // were last chosen.
    bool read = false;
    std::string problem; // what is wrong with the folder or its files, in French, or empty text
    // The patient's history as last read, worked out for the window on the
    // folder's thread; null before the first read.
    std::shared_ptr<const HistoryView> history;
};

class ResultsFolder {
public:
    // How long the program waits at its end for the folder to take what it
    // has not written yet.
    static constexpr std::chrono::seconds endWait{3};

    // The private folder holds the choice of folder, the patient's name and
    // the journal of the exercises not yet in their files. The computer's
    // name makes the names of this computer's files in a chosen folder.
    // For a report of one patient (reportOf), the folder is only read, that
    // patient's lines alone, and the journal is shown but not written.
    ResultsFolder(std::filesystem::path privateFolder, std::string computer,
                  std::optional<std::string> reportOf = std::nullopt);
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

    // The patient's name in force, remembered from the last run (empty at
    // first); contents() holds that patient's exercises.
    std::string patient() const;
    // Empty text when remembered for the next run, otherwise a French
    // message.
    std::string setPatient(const std::string& name);
    // contents() holds this patient's exercises from the next read on, the
    // name remembered staying as it was.
    void follow(const std::string& patient);

    // Saves the exercise: into the journal at once, in one durable write,
    // then into its files by the folder's thread. Empty text when kept;
    // otherwise a French message, said once, for an exercise that only
    // memory keeps.
    std::string save(const ExerciseRecord& record);
    // Writes what the journal holds and reads the folder again, without
    // waiting; onChange tells when it is done.
    void refresh();
    // The folder as last read, the patient's exercises, with those still
    // waiting to be written.
    std::shared_ptr<const FolderHistory> contents() const;
    // Whether the folder answered at the last read.
    bool answering() const;
    // What is wrong with the folder or its files, in French, or empty text.
    std::string problem() const;
    // What the results window shows of the folder.
    FolderState state() const;
    // Waits until what was asked of the folder is done, at most the limit;
    // true when it is.
    bool finish(std::chrono::milliseconds limit);
    // The program ends: what the journal holds is written if it can be,
    // waiting at most endWait. A French message when exercises could not be
    // kept anywhere and are lost with the program, otherwise empty text.
    std::string end();

private:
    struct Shared;

    std::filesystem::path privateFolder_;
    std::string computer_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<WorkLane> lane_;
    std::string toldOfMemory_;
};

