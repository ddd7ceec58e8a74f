// The window's logic between the window and the handlers: a key held down,
// a key pressed while no picture is on screen, input that came while a
// handler waited, and closing the window while a handler runs.

#include "support/form_fixture.h"

#include <thread>

using C = Control;

using Form1Test = FormTest;

TEST_F(Form1Test, AHeldKeyIsOneAnswerAndAKeyWithNoPictureOnScreenNone)
{
    form.clicked(C::cmdOnOff);
    tickAt(100);
    const Side held = shownSide();
    EXPECT_TRUE(form.arrowKey(held, 100.400));
    // The key stays down across two more pictures: its repeats are the
    // exercise's keys, and answer nothing.
    tickAt(103);
    EXPECT_TRUE(form.arrowKey(held, 103.300, true));
    tickAt(106);
    EXPECT_TRUE(form.arrowKey(held, 106.300, true));
    EXPECT_EQ(form.answers().keysPlaced(), 1);

    // The next picture is still being read: the background is cleared, and
    // a key then answers neither it nor the picture before.
    tickAt(109, false);
    EXPECT_TRUE(form.arrowKey(shownSide(), 109.200));
    EXPECT_EQ(form.answers().keysPlaced(), 1);
    form.backgroundChanged(text(state.imagePath));
    form.frameEnded(109.900);
    EXPECT_TRUE(form.arrowKey(shownSide(), 110.150));
    EXPECT_EQ(form.answers().keysPlaced(), 2);
    EXPECT_DOUBLE_EQ(form.answers().latestKeySeconds(), 0.250);

    form.clicked(C::cmdOnOff);
    const std::vector<ExerciseResult> saved = history.read().results;
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].tally.pictures, 4);
    EXPECT_EQ(saved[0].tally.answers, 2);
    EXPECT_EQ(saved[0].tally.correct, 2);
}

// A click on the start button and a close during the feedback wait: both
// wait for the tick, the click first; the exercise is saved with the moment
// of the click.
TEST_F(Form1Test, InputDuringAWaitIsHandledAfterItInOrderAndStampedWhenItCame)
{
    window.checkedValue[C::optFeedBack] = 1;
    form.clicked(C::cmdOnOff);
    form.timerTick();
    form.backgroundChanged(text(state.imagePath));
    form.frameEnded(window.clock);
    form.arrowKey(shownSide(), window.clock + 0.5);

    std::string clickedAt;
    std::vector<std::string> order;
    window.duringPause = [&] {
        if (!clickedAt.empty())
            return;
        clickedAt = localDateTimeNow();
        form.holdInput([&] {
            order.push_back("click");
            form.clicked(C::cmdOnOff);
        });
        EXPECT_FALSE(form.closeRequested());
        // The click is handled a second later than it came.
        while (localDateTimeNow() == clickedAt)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(state.running, 1);
    };
    form.timerTick();
    EXPECT_EQ(order, std::vector<std::string>{"click"});
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(host.closesPosted, 1) << "the close is asked again once the handlers have ended";
    EXPECT_FALSE(form.ended());
    const std::vector<ExerciseResult> saved = history.read().results;
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].date, clickedAt);

    EXPECT_TRUE(form.closeRequested());
    EXPECT_TRUE(form.ended());
}
