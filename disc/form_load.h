#pragma once

#include <optional>
#include <string>

struct ExerciseState;
class WindowServices;

// The window's load handler: gives the state its initial values, then looks
// for the marker bravo.bmp at the root of every CD-ROM drive and settles
// driveLetter; when no CD-ROM drive holds the marker, the first removable
// drive that holds it; asking the user when no drive does. A disc folder
// given on the command line becomes driveLetter instead, with no scan and no
// question, even when a CD-ROM holding the marker is mounted.
void Form_Load(ExerciseState& state, WindowServices& window,
               const std::optional<std::string>& discFolder = std::nullopt);
