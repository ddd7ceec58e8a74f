#pragma once
// The program's command line, the same for tavrel, run and run.exe:
//   PROGRAM             finds the image disc at start-up, asking when it finds none
//   PROGRAM DOSSIER     takes DOSSIER as the disc's root, as if it had been typed
//                       at the drive question, and asks nothing; a drive's
//                       root (E:) names the disc in that drive
//   PROGRAM --help      the usage
//   PROGRAM --version   the name, the version and the licence
//   PROGRAM -- DOSSIER  a DOSSIER that begins with a dash
//   PROGRAM --resultats DOSSIER_RESULTATS [DOSSIER]
//                       keeps the results in DOSSIER_RESULTATS for this run
//   PROGRAM --bilan FICHIER.html --patient NOM [--resultats DOSSIER_RESULTATS]
//                       writes the patient's printable report and ends
// A DOSSIER that holds no bravo.bmp is refused before the window opens, and so
// is one whose drive does not answer in time. The texts are French; the
// front-end prints them, or shows them in a message box where a program with a
// window has no console (Windows).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The printable report asked for on the command line.
struct ReportOrder {
    std::string file;
    std::string patient;
    bool operator==(const ReportOrder&) const = default;
};

struct CommandLine {
    // Open the window; with the disc's root when the command line gave one.
    bool startWindow = true;
    std::optional<std::string> discFolder;
    // The results folder for this run, when the command line gave one.
    std::optional<std::string> resultsFolder;
    // Write this report instead of opening the window.
    std::optional<ReportOrder> report;
    // Otherwise what to tell the user, and the status to end with: 0 after
    // --help and --version, 1 for a folder that is no disc, 2 for a command
    // line that cannot be read.
    std::string message;
    int exitStatus = 0;
};

// Looks for the marker at a program path: the name of the file found, empty
// text when there is none, nothing when the drive has not answered in time.
using MarkerProbe = std::function<std::optional<std::string>(const std::string& path)>;

// The probe of the start-up scan, with the same time limit: a stalled drive
// named on the command line never keeps the program from going on.
std::optional<std::string> probeWithStartupLimit(const std::string& path);

// The arguments as the system gives them, in UTF-8; the first is the
// program's own path, whose file name the texts use.
CommandLine readCommandLine(const std::vector<std::string>& arguments,
                            const MarkerProbe& probeMarker = probeWithStartupLimit);

// The version the program shows, "1.00".
std::string_view programVersion();

// What --version prints for a program of this project: its name and version,
// then the copyright and the licence in French and in English.
std::string versionNotice(std::string_view programName);
