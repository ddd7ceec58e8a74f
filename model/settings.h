#pragma once
// Click handlers of the body-part, phase, side and level check boxes: a click
// that checks a box unchecks the other boxes of its group; a level box also
// stores its level. The window calls a handler after the box's value changed,
// whether the user or setChecked changed it.

#include "model/controls.h"

struct ExerciseState;
class WindowServices;

void optMain_Click(ExerciseState& state, WindowServices& window);
void optPied_Click(ExerciseState& state, WindowServices& window);
void optVisage_Click(ExerciseState& state, WindowServices& window);
void optPatient_Click(ExerciseState& state, WindowServices& window);
void optDG_Click(ExerciseState& state, WindowServices& window);
void optImagine_Click(ExerciseState& state, WindowServices& window);
void optFaireMvt_Click(ExerciseState& state, WindowServices& window);
void optD_Click(ExerciseState& state, WindowServices& window);
void optG_Click(ExerciseState& state, WindowServices& window);
void optLes2_Click(ExerciseState& state, WindowServices& window);
void Chkniv1_Click(ExerciseState& state, WindowServices& window);
void ChKniv2_Click(ExerciseState& state, WindowServices& window);
void Chkniv3_Click(ExerciseState& state, WindowServices& window);
void Chkniv4_Click(ExerciseState& state, WindowServices& window);

// Runs the click handler of a check box; a box without one (optFeedBack)
// and every other control do nothing.
void checkBoxClicked(Control box, ExerciseState& state, WindowServices& window);
