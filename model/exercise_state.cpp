#include "model/exercise_state.h"

void setInitialValues(ExerciseState& state)
{
    state.shownCount = 0;
    state.exerciseMinutes = 10;
    state.intervalMs = 1000;
    state.cycleCounter = 4;
    state.previousIndex = 0;
    state.imageIndex = 1;
    state.cdLetters = "";
    state.markerLength = 0;
}
