#pragma once
// The program's command line, the same for tavrel, run and run.exe:
//   PROGRAM            finds the image disc at start-up, asking when it finds none
//   PROGRAM FOLDER     takes FOLDER as the disc's root, as if it had been typed
//                      at the drive question, and asks nothing
//   PROGRAM --help     the usage
//   PROGRAM --version  the name and version
//   PROGRAM --resultats DOSSIER [FOLDER]
//                      keeps the results in DOSSIER for this run
//   PROGRAM --bilan FICHIER.html --patient NOM [--resultats DOSSIER]
//                      writes the patient's printable report and ends
// A FOLDER that holds no bravo.bmp is refused before the window opens. The
// texts are French; the front-end prints them, or shows them in a message box
// where a program with a window has no console (Windows).

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

// The arguments as the system gives them, in UTF-8; the first is the
// program's own path, whose file name the texts use.
CommandLine readCommandLine(const std::vector<std::string>& arguments);

// The version the program shows, "1.00".
std::string_view programVersion();
