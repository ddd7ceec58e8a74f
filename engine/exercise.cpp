#include "engine/exercise.h"

#include "disc/layout.h"
#include "model/exercise_state.h"
#include "model/window_services.h"

void cmdOnOff_Click(ExerciseState& s, WindowServices& w)
{
    if (s.running == 1) {
        stopExercise(s, w, captionStart);
        return;
    }
    s.running = 1;
    w.setCaption(Control::cmdOnOff, captionStop);
    w.setVisible(Control::Label5, false);
}

void cmdExit_Click(ExerciseState&, WindowServices& w)
{
    w.endProgram();
}

void stopExercise(ExerciseState& s, WindowServices& w, const std::string& caption)
{
    s.running = 0;
    w.setCaption(Control::cmdOnOff, caption);
}

bool pictureLimitReached(const ExerciseState& s)
{
    if (!(s.intervalMs > 0))
        return false;
    // The product (600000 for ten minutes) widens past 16 bits; the quotient
    // is a real, so 4500 ms gives 133.33... and the 134th picture ends it.
    const Value pictureLimit = s.exerciseMinutes * 60 * 1000 / s.intervalMs;
    return !(Value::int16(s.shownCount) < pictureLimit);
}

void checkExerciseEnd(ExerciseState& s, WindowServices& w)
{
    if (!pictureLimitReached(s))
        return;
    // The stop and the closing picture, in this order: the closing picture
    // replaces the last picture within the same tick.
    s.running = 0;
    s.closingPicturePath = closingPicturePath(s.driveLetter);
    w.showPicture(text(s.closingPicturePath));
    w.setCaption(Control::cmdOnOff, captionStart);
}
