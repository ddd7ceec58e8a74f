#pragma once
// A window at start-up with the disc found in drive E, for the tests of the
// exercise: the state given its initial values and the recording substitute
// with every control in its state at start.

#include "support/recording_services.h"

#include "engine/exercise.h"
#include "engine/tick.h"

#include <gtest/gtest.h>

class ExerciseTest : public ::testing::Test {
protected:
    ExerciseTest()
    {
        setInitialValues(state);
        state.driveLetter = "E";
    }

    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i)
            Timer1_Timer(state, window);
    }
    void startButton() { cmdOnOff_Click(state, window); }
    // Checks a box the way a user does, its group rules included.
    void check(Control box)
    {
        if (!window.checkedValue[box])
            window.click(box);
    }
    void uncheck(Control box)
    {
        if (window.checkedValue[box])
            window.click(box);
    }

    ExerciseState state;
    RecordingServices window{state};
};
