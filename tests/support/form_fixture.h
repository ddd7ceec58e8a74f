#pragma once
// The window's logic, Form1, over the recording substitute of the window
// services and the recording host, with a results folder of its own: the disc
// in drive E, the feedback off unless a test turns it on, and the test giving
// every tick at a time of the clock it moves itself.

#include "support/recording_host.h"
#include "support/recording_services.h"
#include "support/saved_history.h"
#include "support/temp_folder.h"

#include "engine/form1.h"

#include <gtest/gtest.h>

class FormTest : public ::testing::Test {
protected:
    FormTest()
    {
        setInitialValues(state);
        state.driveLetter = "E";
        window.checkedValue[Control::optFeedBack] = 0;
    }

    // A tick at the given time of the clock. Its picture reaches the screen
    // when the frame that follows ends, a frame later, unless it is not
    // ready yet; then the window is idle again.
    void tickAt(double seconds, bool ready = true)
    {
        window.clock = seconds;
        const std::int16_t shown = state.shownCount;
        form.timerTick();
        if (state.shownCount != shown) {
            form.backgroundChanged(ready ? text(state.imagePath) : std::string());
            form.frameEnded(seconds + frame);
        }
        form.idle();
    }

    Side shownSide() const { return sideOf(static_cast<int>(state.imageIndex.number())); }
    static Side other(Side s) { return s == Side::left ? Side::right : Side::left; }

    // The delay from a tick to the end of the frame that shows its picture.
    static constexpr double frame = 0.010;

    TempFolder folder;
    ResultsFolder results{folder.path() / "tavrel", "PC"};
    SavedHistory history{results};
    ExerciseState state;
    RecordingServices window{state};
    RecordingHost host;
    Form1 form{state, window, window.sequence(), host, &results};
};
