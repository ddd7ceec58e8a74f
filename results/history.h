#pragma once
// The history of the exercises, in the user's own data folder, in two files
// a French spreadsheet opens as they stand (UTF-8 with a byte-order mark,
// ";" between fields, CRLF):
// - resultats.csv, one line per exercise with at least one answer;
// - reponses.csv, one line per phase-1 picture of those exercises, answered
//   or not, tied to its exercise by the same date and patient.
// Lines are only ever added, those of one exercise in one write flushed to
// the disk; a damaged or foreign line is skipped when reading, never the
// file refused. A file a spreadsheet saved back (Windows-1252, French dates,
// columns moved or added) is read by its header's names, and written to in
// its own column order and encoding, or, when that cannot be, left as it is
// with the lines going to a new file beside it. The patient's name in force
// is kept in patient.txt.

#include "results/answer_sheet.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view historyHeader =
    "date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;temps_moyen_ms;temps_médian_ms;exercice";
inline constexpr std::string_view answersHeader =
    "date;patient;ordre;partie;jeu;image;côté;réponse;juste;temps_ms;touche_écartée;écartée_ms;motif;exercice";
// The columns the files had from the start. Those after them were added
// later: lines written before lack them, and in a file begun before, whose
// header does not name them, they follow the header's columns.
inline constexpr std::size_t historyColumnsAtFirst = 11;
inline constexpr std::size_t answersColumnsAtFirst = 10;

// One line of resultats.csv.
struct ExerciseResult {
    std::string date; // local date and time, as 2026-12-07T14:05:09
    std::string patient;
    Tally tally;
    // The exercise's identity, the same on its lines of both files; empty
    // for an exercise saved before exercises had one.
    std::string id;

    bool operator==(const ExerciseResult&) const = default;
};

// The lines of reponses.csv of one exercise.
struct ExerciseAnswers {
    std::string date; // as the exercise's line in resultats.csv
    std::string patient;
    BodyPart part = BodyPart::hands;
    std::vector<PictureAnswer> pictures;
    std::string id; // as the exercise's line in resultats.csv

    bool operator==(const ExerciseAnswers&) const = default;
};

// An exercise as the two files keep it; no pictures for one saved before
// reponses.csv existed.
struct ExerciseRecord {
    ExerciseResult result;
    std::vector<PictureAnswer> pictures;

    bool operator==(const ExerciseRecord&) const = default;
};

// A new identity for an exercise: 128 random bits, written as a UUID
// (8-4-4-4-12 hexadecimal digits), which no spreadsheet takes for a number.
std::string newExerciseId();

// The line of a result, without its line break.
std::string historyLine(const ExerciseResult& result);
// The lines of an exercise's pictures, each ended by CRLF.
std::string answerLines(const ExerciseRecord& record);

struct HistoryContents {
    std::vector<ExerciseResult> results;  // in the order of the file
    std::vector<ExerciseAnswers> answers; // one per exercise, in the order of its first line
    int skipped = 0;                      // damaged or foreign lines
    // Files there that could not be read (held open by another program).
    std::vector<std::string> unreadable;
};
// The lines a file's text holds, added to the contents; the text may begin
// with the byte-order mark and a header, in any encoding and column order a
// spreadsheet gives it.
void parseHistory(std::string_view text, HistoryContents& into);
void parseAnswers(std::string_view text, HistoryContents& into);
inline HistoryContents parseHistory(std::string_view text)
{
    HistoryContents contents;
    parseHistory(text, contents);
    return contents;
}

// A date and time as the program writes it, 2026-12-07T14:05:09, from that
// form or the forms a spreadsheet saves (2026-12-07 14:05:09, 07/12/2026
// 14:05:09, 07/12/2026 14:05, 07/12/26 14:05); nothing for a text that is
// none or a date that does not exist (2026-13-45T99:00:00).
std::optional<std::string> normalDateTime(std::string_view text);

// The French name of a body part in the history: mains, pieds, visage, patient.
std::string_view partName(BodyPart part);

// The local date and time now, or at the moment given, as 2026-12-07T14:05:09.
std::string localDateTimeNow();
std::string localDateTime(std::time_t when);

// The last exercise of the patient that the history holds, with its
// pictures when reponses.csv has them. Names are compared without the
// blanks around them.
std::optional<ExerciseRecord> lastExerciseOf(const HistoryContents& history, const std::string& patient);

class History {
public:
    // The files lie in this folder, which is made when first written. Their
    // names end with nameEnd, as resultats-PC.csv in a folder that several
    // computers share.
    explicit History(std::filesystem::path folder, std::string nameEnd = {});

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path file() const { return fileOf("resultats", ".csv"); }
    std::filesystem::path answersFile() const { return fileOf("reponses", ".csv"); }

    // Adds the exercise's line to resultats.csv and its pictures' lines to
    // reponses.csv. Lines that cannot be added now because another program
    // holds the file open (a spreadsheet, on Windows) are kept beside it
    // and added as soon as it can be written. Empty text when nothing needs
    // saying; otherwise a French message for the user: a failure, or, once
    // per run, that lines wait for the file or went to a new file.
    std::string append(const ExerciseRecord& record);
    // Adds the lines that wait for a file held open by another program;
    // a French message as append() gives.
    std::string addWaitingLines();
    // Both files, with the lines still waiting.
    HistoryContents read() const;

    // The patient's name remembered from the last run, empty at first.
    std::string patient() const;
    // Empty text when saved, otherwise a French message.
    std::string setPatient(const std::string& name);

private:
    std::string write(const std::string& name, std::string_view fileHeader, const std::string& lines);
    std::string failure(const std::string& what, const std::string& reason) const;

    std::filesystem::path fileOf(const std::string& name, std::string_view suffix) const;

    std::filesystem::path folder_;
    std::string nameEnd_;
    bool toldInUse_ = false;
    bool toldNewFile_ = false;
};
