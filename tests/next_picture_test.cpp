// The trial of the next tick, worked out between ticks so that its pictures
// can be decoded ahead: it finds the very pictures the tick then shows, and
// changes nothing on the way.

#include "support/exercise_fixture.h"

#include "engine/next_picture.h"

using C = Control;

class NextPictureTest : public ExerciseTest {
protected:
    NextPictureTest()
    {
        for (const char* set : {"mainDGfacile", "mainDG", "piedDGfacile", "piedDG"})
            window.files.insert("E:\\" + std::string(set) + "\\1.jpg");
        window.selectPace(C::OptExtreme);
        startButton();
    }

    // What the disc answers ahead: all but the probes the test keeps unknown.
    std::vector<std::string> trial()
    {
        const ProbeAhead probe = [this](const std::string& path) -> std::optional<std::string> {
            if (unknown)
                return std::nullopt;
            return window.files.contains(path) ? path.substr(path.find_last_of('\\') + 1) : std::string();
        };
        return nextPicturePaths(state, window.sequence(), window, probe);
    }

    std::vector<std::string> picturesOfTheTick()
    {
        window.clearCalls();
        tick();
        std::vector<std::string> shown;
        for (const std::string& call : window.calls) {
            if (call.starts_with("showPicture(\""))
                shown.push_back(call.substr(13, call.size() - 15));
        }
        return shown;
    }

    bool unknown = false;
};

TEST_F(NextPictureTest, TrialFindsThePicturesEveryTickShows)
{
    for (int i = 0; i < 40; ++i) {
        if (i == 10)
            window.click(C::Chkniv3); // easy and normal sets in turn
        if (i == 20) {
            window.click(C::optFeedBack); // feet at 750 ms would wait for the answer
            window.click(C::optPied);
        }
        if (i == 30)
            window.click(C::optMain);
        const std::vector<std::string> next = trial();
        EXPECT_EQ(picturesOfTheTick(), next) << "tick " << i;
        EXPECT_EQ(next.size(), 1u);
    }

    // The last tick of the exercise shows its picture and then the closing
    // picture; the ticks after it show the closing picture again.
    state.shownCount = INT16_MAX - 1;
    const std::vector<std::string> last = trial();
    EXPECT_EQ(picturesOfTheTick(), last);
    EXPECT_EQ(last.size(), 2u);
    EXPECT_EQ(last.back(), "E:\\bravo.bmp");
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(trial(), std::vector<std::string>{"E:\\bravo.bmp"});
}

TEST_F(NextPictureTest, TrialChangesNothingAndOpensNoBox)
{
    tick(2);
    const ExerciseState before = state;
    RandomSequence sequence = window.sequence();
    const double nextRandom = sequence.next();
    window.clearCalls();

    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(trial().size(), 1u);
    EXPECT_TRUE(window.effects().empty()) << "the trial only reads the controls";
    EXPECT_EQ(state.imagePath, before.imagePath);
    EXPECT_EQ(state.previousIndex, before.previousIndex);
    EXPECT_EQ(state.shownCount, before.shownCount);
    EXPECT_EQ(state.cycleCounter, before.cycleCounter);
    sequence = window.sequence();
    EXPECT_EQ(sequence.next(), nextRandom) << "the program's random sequence has not moved";

    // A tick that would ask the user something shows no picture: an empty
    // patient set, no body part at all, or no exercise running.
    window.click(C::optPatient);
    EXPECT_TRUE(trial().empty());
    unknown = true;
    EXPECT_EQ(trial().size(), 1u) << "a set not probed yet is taken to hold its pictures";
    unknown = false;
    window.click(C::optPatient);
    EXPECT_TRUE(trial().empty());
    window.clearCalls();
    window.click(C::optMain);
    startButton();
    EXPECT_TRUE(trial().empty());
    EXPECT_EQ(state.running, 0);
}
