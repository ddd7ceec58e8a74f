#pragma once

struct ExerciseState;
class WindowServices;

// The window's load handler: gives the state its initial values, then looks
// for the marker bravo.bmp at the root of every CD-ROM drive and settles
// driveLetter, asking the user when no drive holds the marker.
void Form_Load(ExerciseState& state, WindowServices& window);
