#pragma once
// Starting, stopping and ending an exercise, and the quit button.

#include <string>

struct ExerciseState;
class WindowServices;

void cmdOnOff_Click(ExerciseState& state, WindowServices& window);
void cmdExit_Click(ExerciseState& state, WindowServices& window);

// Every stop: running := 0 and a new caption on the start button.
void stopExercise(ExerciseState& state, WindowServices& window, const std::string& caption);

// Whether as many pictures have been shown since start-up as fit into the
// exercise's length at the current pace.
bool pictureLimitReached(const ExerciseState& state);

// Ends the exercise with the closing picture once as many pictures have been
// shown since start-up as fit into the exercise's length at the current pace.
void checkExerciseEnd(ExerciseState& state, WindowServices& window);

inline constexpr const char* captionStop = "&Arrêter l'exercice";
inline constexpr const char* captionStart = "&Démarrer l'exercice";
inline constexpr const char* captionNoBodyPart = "&Débuter l'exercice";
