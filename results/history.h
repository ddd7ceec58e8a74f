#pragma once
// The history of the exercises, one line per exercise with at least one
// answer, in resultats.csv in the user's own data folder: UTF-8 with a
// byte-order mark and ";" between fields, so that a French spreadsheet opens
// it as it stands. Lines are only ever added, each in one write flushed to
// the disk; a damaged or foreign line is skipped when reading, never the file
// refused. The patient's name in force is kept beside it in patient.txt.

#include "results/answer_sheet.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view historyHeader =
    "date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;temps_moyen_ms;temps_médian_ms";

// One line of the history.
struct ExerciseResult {
    std::string date; // local date and time, as 2026-12-07T14:05:09
    std::string patient;
    Tally tally;

    bool operator==(const ExerciseResult&) const = default;
};

// The line of a result, without its line break.
std::string historyLine(const ExerciseResult& result);

struct HistoryContents {
    std::vector<ExerciseResult> results; // in the order of the file
    int skipped = 0;                     // damaged or foreign lines
};
// The results a history file holds; the text may begin with the byte-order
// mark and the header.
HistoryContents parseHistory(std::string_view text);

// The French name of a body part in the history: mains, pieds, visage, patient.
std::string_view partName(BodyPart part);

// The local date and time now, as 2026-12-07T14:05:09.
std::string localDateTimeNow();

class History {
public:
    // The files lie in this folder, which is made when first written; the
    // history is the file of that name there.
    explicit History(std::filesystem::path folder, std::string fileName = "resultats.csv");

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path file() const { return folder_ / fileName_; }

    // Adds the result's line. Empty text when it is saved on the disk,
    // otherwise a French message for the user that names the folder.
    std::string append(const ExerciseResult& result);
    HistoryContents read() const;

    // The patient's name remembered from the last run, empty at first.
    std::string patient() const;
    // Empty text when saved, otherwise a French message.
    std::string setPatient(const std::string& name);

private:
    std::string failure(const std::string& what, const std::string& reason) const;

    std::filesystem::path folder_;
    std::filesystem::path fileName_;
};
