#pragma once
// The picture the next tick of the timer will show, worked out between ticks
// so that the window can decode it before the tick comes: a photograph from
// a phone takes longer to decode than a frame of the screen lasts.

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ExerciseState;
class RandomSequence;
class WindowServices;

// What is known of a file without waiting for the disc: its name, empty text
// for none, or nothing when not known yet.
using ProbeAhead = std::function<std::optional<std::string>(const std::string& path)>;

// The paths the next tick passes to showPicture, in order, if no setting
// changes before it comes: its picture, and the closing picture when the
// tick ends the exercise. The tick runs on copies of the state and of the
// random sequence, against services that read the window's controls but
// change nothing, up to where it would wait for the clock or for the user.
// Files are looked up with the probe; one not known yet is taken to be
// there, as every picture of a set but those of an empty patient set is.
// None when that tick shows no picture, or would first open a message box.
std::vector<std::string> nextPicturePaths(const ExerciseState& state, const RandomSequence& random,
                                          WindowServices& window, const ProbeAhead& probe);
