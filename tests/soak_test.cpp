// A day of ticks at the fastest pace (172,800 ticks of 500 ms) through
// starts, stops, ends, refusals and setting changes chosen by a seeded
// script, on a simulated clock that crosses midnight. After every tick the
// exercise state must still make sense, and the heap must not grow.

#include "support/exercise_fixture.h"

#include "model/settings.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own count of the bytes allocated; GCC ships the
// runtime but not the header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

using C = Control;

namespace {

constexpr int ticksInADay = 24 * 60 * 60 * 2;
constexpr double secondsPerDay = 86400;

const std::string captionAtStartUp =
    "Choisissez l'option Mains ou Pieds, le niveau de difficulté, la vitesse, puis la phase (1,2 ou3) "
    "puis Cliquez ici pour &Débuter";
const std::set<std::string> captions = {captionAtStartUp, captionStop, captionStart, captionNoBodyPart};

// Every interval the pace rules can give, phase 1 with the factor 1.5 included.
const std::set<std::int32_t> intervals = {500, 750, 1000, 1500, 2000, 3000, 4500, 5000,
                                          7500, 10000, 15000, 20000, 60000};

// Bytes of the heap in use. Under AddressSanitizer the allocator is its own
// and the freed blocks it holds back would hide a leak from the process's
// resident size, so it is asked directly.
std::size_t heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

std::size_t countCalls(const std::vector<std::string>& calls, const std::string& call)
{
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

bool startsWithAny(const std::vector<std::string>& calls, const std::string& prefix)
{
    return std::ranges::any_of(calls, [&](const std::string& c) { return c.starts_with(prefix); });
}

} // namespace

class SoakTest : public ExerciseTest {
protected:
    SoakTest()
    {
        // Half an hour before midnight, so the day's ticks and the feedback
        // waits cross it.
        window.clock = secondsPerDay - 1800;
        // Two of the patient's sets hold their pictures; the others are
        // empty and refused.
        window.files = {"E:\\PatientDGfacile\\1.jpg", "E:\\PatientMvt\\1.jpg"};
        window.selectPace(C::OptExtreme);
    }

    // One step of the script before a tick: the user's clicks, chosen at
    // random, with starts far more frequent than stops so that the count of
    // pictures reaches its 16-bit limit within the day.
    void userActs()
    {
        const auto chance = [this](double p) { return std::bernoulli_distribution(p)(script); };
        const auto pick = [this](std::initializer_list<Control> among) {
            std::uniform_int_distribution<std::size_t> which(0, among.size() - 1);
            return *(among.begin() + which(script));
        };
        if (chance(state.running == 1 ? 0.02 : 0.5))
            startButton();
        if (chance(0.02))
            window.click(pick({C::optMain, C::optPied, C::optVisage, C::optPatient}));
        if (chance(0.01))
            window.click(pick({C::optDG, C::optImagine, C::optFaireMvt}));
        if (chance(0.01))
            window.click(pick({C::optD, C::optG, C::optLes2}));
        if (chance(0.01))
            window.click(pick({C::Chkniv1, C::ChKniv2, C::Chkniv3, C::Chkniv4}));
        if (chance(0.005))
            window.click(C::optFeedBack);
        if (chance(0.02)) {
            // Mostly back to the fastest pace, sometimes any other.
            window.selectPace(chance(0.5) ? C::OptExtreme
                                          : pick({C::OptNormal, C::OptDiff, C::OptTresDiff, C::OptExtreme,
                                                  C::opt5sec, C::opt10sec}));
        }
    }

    // One tick of the timer at the simulated time: the next one comes one
    // interval after this one began, or at once when this one (its feedback
    // wait) lasted longer.
    void timerTick()
    {
        const double began = window.clock;
        tick();
        const double interval = window.timerInterval / 1000.0;
        if (secondsSince(began, window.clock) < interval)
            window.clock = std::fmod(began + interval, secondsPerDay);
    }

    // The first invariant this tick broke, or empty text. Counts what the
    // tick did on the way.
    std::string brokenInvariant()
    {
        const std::vector<std::string>& calls = window.calls;
        const bool drew = countCalls(calls, "randomUnit()") > 0;
        std::ostringstream broken;

        if (drew) {
            const double drawn = state.imageIndex.number();
            double low = 1;
            double high = 20;
            if (!state.lowIndex.isUnset() && !state.highIndex.isUnset() && state.highIndex - state.lowIndex >= 1) {
                low = state.lowIndex.number();
                high = state.highIndex.number();
            }
            if (drawn < low || drawn > high || drawn != std::floor(drawn))
                broken << "picture " << drawn << " drawn outside " << low << ".." << high << "; ";
            if (hasDrawn && drawn == lastDrawn)
                broken << "picture " << drawn << " drawn twice in a row; ";
            if (state.previousIndex != drawn)
                broken << "previousIndex " << state.previousIndex << " is not the picture drawn; ";
            hasDrawn = true;
            lastDrawn = drawn;
        }

        if (!(state.cycleCounter >= 1 && state.cycleCounter <= 4))
            broken << "cycleCounter " << text(state.cycleCounter) << "; ";

        // Every picture of a set (a .jpg) is counted, up to the 16-bit limit.
        for (const std::string& call : calls) {
            if (call.starts_with("showPicture(") && call.ends_with(".jpg\")"))
                ++picturesShown;
        }
        const long expectedCount = std::min<long>(picturesShown, 32767);
        if (state.shownCount != expectedCount)
            broken << "shownCount " << state.shownCount << " after " << picturesShown << " pictures; ";

        const std::string& caption = window.caption[C::cmdOnOff];
        if (!captions.contains(caption))
            broken << "caption " << caption << "; ";
        // The button says "stop" exactly while an exercise runs.
        if ((state.running == 1) != (caption == captionStop))
            broken << "running " << text(state.running) << " with the caption " << caption << "; ";
        if (!state.running.isUnset() && !(state.running == 0 || state.running == 1))
            broken << "running " << text(state.running) << "; ";

        if (!intervals.contains(window.timerInterval) || window.timerInterval != toInt32(state.intervalMs))
            broken << "timer interval " << window.timerInterval << " for intervalMs " << text(state.intervalMs)
                   << "; ";

        closingPictures += countCalls(calls, "showPicture(\"E:\\bravo.bmp\")");
        feedbackWaits += startsWithAny(calls, "pause(") ? 1 : 0;
        noBodyPartRefusals += startsWithAny(calls, "showMessage(\"choisissez") ? 1 : 0;
        emptySetRefusals += startsWithAny(calls, "showMessage(\"le répertoire") ? 1 : 0;
        return broken.str();
    }

    std::mt19937 script{20060223};
    bool hasDrawn = false;
    double lastDrawn = 0;
    long picturesShown = 0;
    std::size_t closingPictures = 0;
    int feedbackWaits = 0;
    int noBodyPartRefusals = 0;
    int emptySetRefusals = 0;
};

TEST_F(SoakTest, ADayOfTicksKeepsTheStateSoundAndTheHeapFlat)
{
    constexpr int earlyCheckpoint = 20000;
    std::size_t heapEarly = 0;
    int midnights = 0;

    for (int i = 1; i <= ticksInADay; ++i) {
        userActs();
        const double before = window.clock;
        timerTick();
        if (window.clock < before)
            ++midnights;
        const std::string broken = brokenInvariant();
        ASSERT_EQ(broken, "") << "at tick " << i;
        // The substitute records every call; the log is emptied so that only
        // the program's own memory is measured.
        window.clearCalls();
        if (i == earlyCheckpoint)
            heapEarly = heapInUse();
    }
    const std::size_t heapLate = heapInUse();

    // A leak of a few bytes a tick would add megabytes over the day.
    EXPECT_LT(heapLate, heapEarly + 512 * 1024) << "heap in use grew from " << heapEarly << " to " << heapLate;

    // The script went through every road it is meant to.
    EXPECT_EQ(state.shownCount, 32767);
    EXPECT_GT(picturesShown, 32767);
    EXPECT_GT(closingPictures, 1000u);
    EXPECT_GT(feedbackWaits, 100);
    EXPECT_GT(noBodyPartRefusals, 10);
    EXPECT_GT(emptySetRefusals, 10);
    EXPECT_GE(midnights, 1);
}
