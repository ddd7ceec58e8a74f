#include "model/settings.h"

#include "model/exercise_state.h"
#include "model/window_services.h"

#include <initializer_list>

namespace {

// Unchecks the other boxes of the group, in the order given, when the click
// has just checked the box. Each uncheck runs that box's own handler inside
// setChecked.
void keepGroupExclusive(WindowServices& window, Control box, std::initializer_list<Control> others)
{
    if (window.isChecked(box) != 1)
        return;
    for (Control other : others)
        window.setChecked(other, 0);
}

// The level is stored after the group has been settled, whether the click
// checked the box or unchecked it, so the clicked box's level is the one
// that stays.
void levelClick(ExerciseState& state, WindowServices& window, Control box,
                std::initializer_list<Control> others, int level)
{
    keepGroupExclusive(window, box, others);
    state.level = level;
}

} // namespace

using C = Control;

void optMain_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optMain, {C::optPied, C::optVisage, C::optPatient}); }
void optPied_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optPied, {C::optMain, C::optVisage, C::optPatient}); }
void optVisage_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optVisage, {C::optMain, C::optPied, C::optPatient}); }
void optPatient_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optPatient, {C::optMain, C::optPied, C::optVisage}); }
void optDG_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optDG, {C::optFaireMvt, C::optImagine}); }
void optImagine_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optImagine, {C::optDG, C::optFaireMvt}); }
void optFaireMvt_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optFaireMvt, {C::optDG, C::optImagine}); }
void optD_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optD, {C::optG, C::optLes2}); }
void optG_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optG, {C::optD, C::optLes2}); }
void optLes2_Click(ExerciseState&, WindowServices& w) { keepGroupExclusive(w, C::optLes2, {C::optG, C::optD}); }
void Chkniv1_Click(ExerciseState& s, WindowServices& w) { levelClick(s, w, C::Chkniv1, {C::ChKniv2, C::Chkniv3, C::Chkniv4}, 1); }
void ChKniv2_Click(ExerciseState& s, WindowServices& w) { levelClick(s, w, C::ChKniv2, {C::Chkniv1, C::Chkniv3, C::Chkniv4}, 2); }
void Chkniv3_Click(ExerciseState& s, WindowServices& w) { levelClick(s, w, C::Chkniv3, {C::ChKniv2, C::Chkniv1, C::Chkniv4}, 3); }
void Chkniv4_Click(ExerciseState& s, WindowServices& w) { levelClick(s, w, C::Chkniv4, {C::ChKniv2, C::Chkniv3, C::Chkniv1}, 4); }

void checkBoxClicked(Control box, ExerciseState& s, WindowServices& w)
{
    switch (box) {
    case C::optMain: optMain_Click(s, w); break;
    case C::optPied: optPied_Click(s, w); break;
    case C::optVisage: optVisage_Click(s, w); break;
    case C::optPatient: optPatient_Click(s, w); break;
    case C::optDG: optDG_Click(s, w); break;
    case C::optImagine: optImagine_Click(s, w); break;
    case C::optFaireMvt: optFaireMvt_Click(s, w); break;
    case C::optD: optD_Click(s, w); break;
    case C::optG: optG_Click(s, w); break;
    case C::optLes2: optLes2_Click(s, w); break;
    case C::Chkniv1: Chkniv1_Click(s, w); break;
    case C::ChKniv2: ChKniv2_Click(s, w); break;
    case C::Chkniv3: Chkniv3_Click(s, w); break;
    case C::Chkniv4: Chkniv4_Click(s, w); break;
    default: break;
    }
}
