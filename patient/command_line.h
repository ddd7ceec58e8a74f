#pragma once
// The command line of tavrel-patient, read without any toolkit:
//
//   tavrel-patient --disc DOSSIER --set JEU [--side gauche|droite] [--remplacer] PHOTO... [--iso FICHIER]
//   tavrel-patient --disc DOSSIER --iso FICHIER
//   tavrel-patient --help
//   tavrel-patient --version
//
// Without any argument the program opens its window instead.

#include "sets/patient_sets.h"

#include <optional>
#include <string>
#include <vector>

namespace patient {

struct Request {
    bool help = false;
    bool version = false;
    std::string discFolder;
    std::string setName; // empty: no set is written, only the image
    sets::Side side = sets::Side::left;
    bool replace = false; // a set that holds pictures may be replaced
    std::vector<std::string> photographs;
    std::string imageFile; // empty: no image
};

struct ParsedCommandLine {
    std::optional<Request> request;
    std::string error; // in French, when there is no request
};

// The arguments after the program's name.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The French help that --help prints.
std::string helpText();
// What --version prints: the version and the licence, in French and English.
std::string versionText();

// Exit statuses.
inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1; // the work could not be done
inline constexpr int exitUsage = 2;   // the command itself is wrong

} // namespace patient
