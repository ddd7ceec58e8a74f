#pragma once
// The printable report of one patient: a self-contained HTML page in French
// (no script, no file or address outside it), which the system's browser
// opens and the clinician prints or saves as PDF. It holds the patient's
// name, the period, the number of exercises, the last exercise's figures
// with left and right apart, the charts of progress drawn as inline SVG,
// and the table of the exercises. Its print styles lay it on A4 pages
// without a chart cut across two of them. Written by the same code for
// every window and for the command line.

#include "results/results_folder.h"

#include <chrono>
#include <filesystem>
#include <string>

struct ReportRequest {
    std::string patient;
    FolderHistory folder;     // every computer's exercises, merged
    std::string thisComputer; // as the folder names its files
    std::string madeAt;       // local date and time, as 2026-12-07T14:05:09
};

// The report of the patient from the folder as last read, made now.
ReportRequest reportRequest(const ResultsFolder& results, const std::string& patient);

// The page, in UTF-8.
std::string reportPage(const ReportRequest& request);

// Writes the page into the file, readable by its owner only, replacing the
// file at once. Empty text when written, otherwise a French message.
std::string writeReport(const std::filesystem::path& file, const std::string& page);

// Writes the report into the program's private data folder, one file per
// patient and day, for the window to open it.
struct WrittenReport {
    std::filesystem::path file;
    std::string failure; // empty when written
};
WrittenReport writePrivateReport(const std::filesystem::path& privateFolder, const ReportRequest& request);
// What to say when the system's browser could not open the report.
std::string notOpened(const std::filesystem::path& file);

// The report asked for on the command line: the folder read (waiting at
// most the limit for it), the page written into the file. What to tell the
// user, and the program's status: 0 when written, 1 otherwise.
// How long the command line waits for the results folder.
inline constexpr std::chrono::seconds reportWait{20};
struct ReportOutcome {
    std::string message;
    int status = 0;
};
ReportOutcome writeReportCommand(const std::filesystem::path& file, const std::string& patient,
                                 ResultsFolder& folder, std::chrono::milliseconds limit);
