#pragma once
// The picture the next tick of the timer will show, worked out between ticks
// so that the window can decode it before the tick comes: a photograph from
// a phone takes longer to decode than a frame of the screen lasts.

#include <optional>
#include <string>

struct ExerciseState;
class RandomSequence;
class WindowServices;

// The path the next tick passes to showPicture if no setting changes before
// it comes. The tick runs on copies of the state and of the random sequence,
// against services that read the window's controls and the disc but change
// nothing, and stops at its first picture. Nothing when that tick shows no
// picture, or would first open a message box.
std::optional<std::string> nextPicturePath(const ExerciseState& state, const RandomSequence& random,
                                           WindowServices& window);
