#pragma once
// The journal: every exercise saved goes first, whole (its line of
// resultats.csv and its lines of reponses.csv), into one durable write in the
// program's private folder. From there each of its two files receives what it
// does not hold yet, checked by the exercise's identity, so that running it
// again adds nothing and stopping it anywhere (a crash, a power cut, a full
// disk, a file a spreadsheet holds open, a folder gone) loses nothing. The
// record leaves the journal only once both files hold it. Two copies of the
// program take records one at a time, each claimed, so that none is written
// twice. When even the private folder cannot be written, the record is kept
// in memory, and each later save and the program's end try again.

#include "results/history.h"
#include "results/history_reader.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Where an exercise's lines go: the two history files of a folder.
struct Destination {
    std::filesystem::path folder;
    std::string nameEnd; // as "-PC" for resultats-PC.csv; empty in the private folder
    bool chosen = false; // a folder the user chose, rather than the private folder

    std::filesystem::path file(HistoryParser::Kind kind, std::string_view suffix = ".csv") const;
    bool operator==(const Destination&) const = default;
};

// One exercise as the journal keeps it: its lines as the program writes
// them, and where they go.
struct JournalRecord {
    Destination to;
    std::string id;          // empty for lines an older version kept waiting
    std::string resultLine;  // without its line break; empty when already in its file
    std::string answerLines; // each ended by CRLF
};

// What writing a record through to its files gave.
struct WriteOutcome {
    bool done = false;  // both files hold it
    bool inUse = false; // a file is held by another program: later
    std::string trouble; // what keeps it from its files, in French
    std::string note;    // lines went to a new file beside one whose form cannot take them
};

// What to tell of a folder that does not answer (network down, stick
// pulled out), in French.
std::string folderAway(const std::filesystem::path& folder);

// Writes into the record's two files what they do not hold of it.
WriteOutcome writeThrough(const JournalRecord& record, HistoryReader& reader);

class Journal {
public:
    // The journal lies in the private folder, in a folder of its own.
    explicit Journal(std::filesystem::path privateFolder);

    // Keeps the exercise's record in one durable write. Empty text when
    // kept; otherwise why it could not be, in French: the record is then
    // kept in memory.
    std::string keep(const ExerciseRecord& record, const Destination& to);
    // Writes the records through to their files, each claimed while it is
    // written, and lets go of those both files hold; those kept in memory
    // are written to the journal first if they can be. What the writing
    // had to say, each outcome once.
    std::vector<WriteOutcome> work(HistoryReader& reader);
    // The exercises waiting for the destination.
    HistoryContents waiting(const Destination& to) const;
    // How many exercises are kept in memory only.
    std::size_t inMemory() const;
    // Why the last record kept in memory could not be written to the journal.
    std::string memoryTrouble() const;

    // Lines an older version kept waiting beside a history file
    // (resultats-en-attente.csv) or in the private folder's en-attente
    // folder, for a chosen folder, become records of the journal, once.
    void takeOlderWaiting(const Destination& privateFiles, const Destination& inUse);

    const std::filesystem::path& folder() const { return folder_; }

private:
    std::string keepOnDisk(const JournalRecord& record);
    std::filesystem::path privateFolder_;
    std::filesystem::path folder_;
    mutable std::mutex mutex_; // over the records in memory
    std::vector<JournalRecord> memory_;
    std::string memoryTrouble_;
};
