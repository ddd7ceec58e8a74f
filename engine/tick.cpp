#include "engine/tick.h"

#include "disc/layout.h"
#include "engine/exercise.h"
#include "model/exercise_state.h"
#include "model/window_services.h"

#include <array>
#include <exception>
#include <optional>

namespace {

using C = Control;

constexpr const char* messageNoBodyPart =
    "choisissez les options mains,pieds,visage ou patient, puis choisissez les options identifier D G ou "
    "Imaginer faire le mouvement ou Faire le mouvement, merci ";
constexpr const char* messageEmptySet = "le répertoire d'images est vide, sélectionner une autre option";
constexpr double secondsPerDay = 86400;

bool checked(WindowServices& w, Control box) { return w.isChecked(box) == 1; }

// Milliseconds between pictures for a pace button, in phase 1 and outside it.
struct Pace {
    Control button;
    int phase1;
    int otherPhases;
};
constexpr std::array<Pace, 5> paceTable = {{
    {C::OptDiff, 2000, 20000},
    {C::OptTresDiff, 1000, 10000},
    {C::OptExtreme, 500, 5000},
    {C::opt5sec, 5000, 5000},
    {C::opt10sec, 10000, 10000},
}};
constexpr Pace normalPace = {C::OptNormal, 3000, 60000};

void setPace(ExerciseState& s, WindowServices& w)
{
    const bool phase1 = checked(w, C::optDG);
    Pace pace = normalPace;
    for (const Pace& row : paceTable) {
        if (w.isSelected(row.button)) {
            pace = row;
            break;
        }
    }
    s.intervalMs = phase1 ? pace.phase1 : pace.otherPhases;

    // Feet, face and the patient's photographs are slower to judge in phase 1.
    for (Control part : {C::optPied, C::optVisage, C::optPatient}) {
        if (checked(w, part) && checked(w, C::optDG))
            s.intervalMs = s.intervalMs * 1.5;
    }
    w.setTimerInterval(toInt32(s.intervalMs));
}

// The image set of the ticked body part, or nothing when no body part is ticked.
std::optional<std::string> chooseImageSet(const ExerciseState& s, WindowServices& w)
{
    constexpr std::array<std::pair<Control, BodyPart>, 4> parts = {{
        {C::optMain, BodyPart::hands},
        {C::optPied, BodyPart::feet},
        {C::optVisage, BodyPart::face},
        {C::optPatient, BodyPart::patient},
    }};
    const bool phase1 = checked(w, C::optDG);
    // An unset level compares as 0: every set is then the easy one.
    const bool easy = s.cycleCounter >= s.level;
    for (const auto& [box, part] : parts) {
        if (checked(w, box))
            return imageDirectory(part, phase1, easy);
    }
    return std::nullopt;
}

void stepCycle(ExerciseState& s)
{
    s.cycleCounter = s.cycleCounter - 1;
    if (s.cycleCounter < 1)
        s.cycleCounter = 4;
}

// Phase 1 draws from every picture; phases 2 and 3 from the chosen side.
// Without a phase, or without a side in phase 2 or 3, the bounds stay.
void setDrawRange(ExerciseState& s, WindowServices& w)
{
    if (checked(w, C::optDG)) {
        s.lowIndex = 1;
        s.highIndex = 20;
    } else if (checked(w, C::optFaireMvt) || checked(w, C::optImagine)) {
        if (checked(w, C::optD)) {
            s.lowIndex = 11;
            s.highIndex = 20;
        } else if (checked(w, C::optG)) {
            s.lowIndex = 1;
            s.highIndex = 10;
        } else if (checked(w, C::optLes2)) {
            s.lowIndex = 1;
            s.highIndex = 20;
        }
    }
}

// Draws a number of the range other than the previous one. Bounds that were
// never set hold no second number, so the redraw could never end: the draw
// then takes every picture, 1 to 20.
void drawPicture(ExerciseState& s, WindowServices& w)
{
    Value low = s.lowIndex;
    Value high = s.highIndex;
    if (high - low < 1) {
        low = 1;
        high = 20;
    }
    do {
        s.imageIndex = intPart((high - low + 1) * w.randomUnit() + low);
    } while (s.imageIndex == Value::int16(s.previousIndex));
    s.previousIndex = static_cast<std::int16_t>(s.imageIndex.number());
}

// The emptiness probe; a drive that cannot be read holds no picture either.
// Only the patient's sets are refused for lack of picture 1, so only for
// them is a drive slow to answer waited for.
bool setHoldsFirstPicture(const ExerciseState& s, WindowServices& w)
{
    const std::string path = emptinessProbePath(s.driveLetter, s.imageDir);
    try {
        try {
            return !w.probeFile(path).empty();
        } catch (const DriveNotReady&) {
            return checked(w, C::optPatient) && !w.probeSlowDrive(path).empty();
        }
    } catch (const std::exception&) {
        return false;
    }
}

// The presentation of one running tick. Returns false when the tick refused
// to go on and must end at once.
bool presentPicture(ExerciseState& s, WindowServices& w)
{
    setPace(s, w);

    const std::optional<std::string> imageSet = chooseImageSet(s, w);
    if (!imageSet) {
        w.showMessage(messageNoBodyPart);
        stopExercise(s, w, captionNoBodyPart);
        return false;
    }
    s.imageDir = *imageSet;

    stepCycle(s);
    setDrawRange(s, w);
    drawPicture(s, w);
    w.setText(C::TextReponse, "");
    s.imagePath = picturePath(s.driveLetter, s.imageDir, s.imageIndex);

    // The probe is made whatever the body part; only the patient's sets,
    // which may be left empty on the disc, are refused for lack of picture 1.
    const bool patient = checked(w, C::optPatient);
    if (!setHoldsFirstPicture(s, w) && patient) {
        w.showMessage(messageEmptySet);
        stopExercise(s, w, captionStart);
        w.showPicture(text(s.closingPicturePath));
        return false;
    }

    w.showPicture(text(s.imagePath));
    if (s.shownCount < INT16_MAX)
        ++s.shownCount;
    return true;
}

} // namespace

double secondsSince(double start, double now)
{
    const double elapsed = now - start;
    return elapsed < 0 ? elapsed + secondsPerDay : elapsed;
}

void showFeedback(ExerciseState& s, WindowServices& w)
{
    const bool feedback = checked(w, C::optFeedBack);
    const bool phase1 = checked(w, C::optDG);
    if (!(feedback && phase1))
        return;

    const double wait = (s.intervalMs / 1000 - 0.2).number();
    if (!(wait > 0.5)) {
        w.setVisible(C::Label4, false);
        w.setVisible(C::TextReponse, false);
        return;
    }
    w.setVisible(C::Label4, true);
    w.setVisible(C::TextReponse, true);
    const double start = w.clockSeconds();
    for (double elapsed = 0; elapsed < wait; elapsed = secondsSince(start, w.clockSeconds()))
        w.pause(wait - elapsed);
    s.answerText = s.imageIndex > 10 ? " Droite" : " gauche";
    w.setText(C::TextReponse, text(s.answerText));
}

void Timer1_Timer(ExerciseState& s, WindowServices& w)
{
    if (s.running == 1) {
        if (!presentPicture(s, w))
            return;
        showFeedback(s, w);
    }
    checkExerciseEnd(s, w);
}
