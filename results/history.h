#pragma once
// The history of the exercises, in two files a French spreadsheet opens as
// they stand (UTF-8 with a byte-order mark, ";" between fields, CRLF):
// - resultats.csv, one line per exercise with at least one answer;
// - reponses.csv, one line per phase-1 picture of those exercises, answered
//   or not.
// Each exercise has an identity, the same on its line of resultats.csv and
// on its lines of reponses.csv, which ties them; lines written before
// exercises had one are tied by their date and patient. Lines are only ever
// added, those of one exercise in one write flushed to the disk; a damaged or
// foreign line is skipped when reading and counted with its reason, never the
// file refused. A file a spreadsheet saved back (Windows-1252 or UTF-16,
// ";" or tabs, French, English or German dates, LF line ends, columns moved
// or added) is read by its header's names, and written to in its own form,
// or, when that cannot be, left as it is with the lines going to a new file
// beside it.

#include "results/answer_sheet.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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
    int skipped = 0;                      // lines that could not be read
    // How many of them for each reason, in French ("une date qui n'est pas
    // reconnue"), and the patient whose line it was (composed), or empty
    // text when the line does not say.
    std::map<std::pair<std::string, std::string>, int> skippedWhy;
    // Read for one patient: the other patients' names seen in resultats
    // lines, each with its lines.
    std::map<std::string, int> namesSeen;
    // Files there that could not be read at all, with the reason.
    std::vector<std::string> unreadable;
    // What the reading has to tell the user, in French sentences: lines
    // left out with their reasons, file by file; unreadable files; dates
    // read in one of two ways; exercises found only in a conflict copy.
    std::vector<std::string> notes;
    // Whether the file's dates are written day and month (03/11/2026) in an
    // order nothing in it shows, and were read as the French order.
    bool undecidedDates = false;
};

// The order of day and month in a file's dates such as 03/11/2026: French
// (day first) unless a day above 12 shows that the file writes the month
// first, as a spreadsheet in English does.
enum class DateOrder { dayFirst, monthFirst };

// A date and time as the program writes it, 2026-12-07T14:05:09, from that
// form or the forms a spreadsheet saves: 2026-12-07 14:05(:09), 07/12/2026
// 14:05(:09) and 07/12/26 14:05 (French), 12/07/2026 2:05 PM (English, month
// first), 07.12.2026 14:05 (German); nothing for a text that is none or a
// date that does not exist (2026-13-45T99:00:00).
std::optional<std::string> normalDateTime(std::string_view text, DateOrder order = DateOrder::dayFirst);

// Reads a history file's text, from its start or, fed again, what was added
// to it since; the file's form (encoding, separator, columns, order of its
// dates) is learnt from its start and kept for what follows.
class HistoryParser {
public:
    enum class Kind { results, answers };
    // With a patient, only that patient's lines are read; the others are
    // glanced at for their patient's name.
    explicit HistoryParser(Kind kind, std::optional<DateOrder> order = std::nullopt,
                           std::optional<std::string> onlyPatient = std::nullopt);

    // Reads the text's lines into the contents: the whole file, or what
    // follows the text read before.
    void read(std::string_view bytes, HistoryContents& into);
    // Learns the file's encoding from its first bytes, before a first read.
    void learnEncoding(std::string_view start);
    // A parser that reads what follows with the same form but a fresh
    // start, for a line still being written.
    HistoryParser continuation() const;

    // The file's dates showed, after some were read, that it writes the
    // month first: it must be read again, whole, with that order.
    bool monthFirstLearnt() const { return !order_ && sawMonthFirst_ && !sawDayFirst_; }
    // What ends a line of the file, in its encoding: "\n", or "\n\0" in
    // UTF-16 little-endian...; empty before the first read.
    std::string_view lineEnd() const;

private:
    enum class Encoding { unknown, utf8, utf16le, utf16be };
    void readLines(std::string_view text, HistoryContents& into);
    bool take(const std::vector<std::string_view>& f, HistoryContents& into);
    bool takeAnswer(const std::vector<std::string_view>& f, HistoryContents& into);
    std::optional<std::string> dateOf(std::string_view text);

    // Whether the line at pos is another patient's than the one read.
    bool othersLine(std::string_view text, std::size_t pos, std::size_t& next, HistoryContents& into);

    Kind kind_;
    std::optional<DateOrder> order_;
    std::optional<std::string> only_;
    std::string lastOther_; // the last other patient's name stepped over, as written
    Encoding encoding_ = Encoding::unknown;
    bool headerSeen_ = false;
    char separator_ = ';';
    std::vector<std::size_t> at_;  // for each of the program's columns, its place in a line
    std::size_t count_ = 0;        // the fields of a line as the header names them
    std::size_t wider_ = 0;        // with the columns added after it
    std::string missingColumn_;    // a column the files had from the start that the header lacks
    bool sawDayFirst_ = false;
    bool sawMonthFirst_ = false;
    bool sawUndecided_ = false;
    // The exercise the last line of reponses.csv went to.
    std::string lastDate_, lastPatient_, lastId_;
    std::size_t lastAt_ = 0;
    int lastOrder_ = 0;
    std::unordered_map<std::string, std::size_t> byId_;
    std::unordered_map<std::string, std::vector<std::size_t>> byDate_;
};

// The lines a whole file's text holds, added to the contents.
void parseHistory(std::string_view text, HistoryContents& into);
void parseAnswers(std::string_view text, HistoryContents& into);
inline HistoryContents parseHistory(std::string_view text)
{
    HistoryContents contents;
    parseHistory(text, contents);
    return contents;
}

// The French name of a body part in the history: mains, pieds, visage, patient.
std::string_view partName(BodyPart part);

// The local date and time now, or at the moment given, as 2026-12-07T14:05:09.
std::string localDateTimeNow();
std::string localDateTime(std::time_t when);

// The last exercise of the patient that the history holds, with its
// pictures when reponses.csv has them. Names are compared composed and
// without the blanks around them.
std::optional<ExerciseRecord> lastExerciseOf(const HistoryContents& history, const std::string& patient);

// How new lines must be written into a file so as to match it: its columns,
// encoding, separator and line end, learnt from its start (a missing or
// empty file is written as the program writes); nothing, with the reason in
// French, when the program's lines cannot match it.
struct FileLayout {
    std::vector<std::size_t> at;
    std::size_t wider = 0;
    bool programOrder = true;
    bool windows1252 = false;
    bool utf16 = false;
    bool bigEndian = false;
    char separator = ';';
    std::string lineEnd = "\r\n"; // as the file writes it, in UTF-8
    std::string refusal;          // why lines cannot be written there
};
FileLayout layoutOf(const std::optional<std::string>& start, HistoryParser::Kind kind);
// The program's lines written as the layout wants them; nothing when a
// character has no place in the file's encoding.
std::optional<std::string> shaped(std::string_view lines, const FileLayout& layout);
// What ends a line in the layout's encoding.
std::string encodedLineEnd(const FileLayout& layout);
