#include "support/exercise_fixture.h"

#include <algorithm>

using C = Control;

class FeedbackTest : public ExerciseTest {
protected:
    FeedbackTest()
    {
        startButton();
        window.clearCalls();
    }

    // The calls the feedback made in the last tick: from the shown picture on.
    std::vector<std::string> feedbackCalls() const
    {
        const auto effects = window.effects();
        const auto shown = std::find_if(effects.begin(), effects.end(),
                                        [](const std::string& c) { return c.starts_with("showPicture("); });
        return shown == effects.end() ? std::vector<std::string>{} : std::vector<std::string>(shown + 1, effects.end());
    }
};

TEST_F(FeedbackTest, AtStartUpSettingsTheAnswerComesAfter2Point8Seconds)
{
    window.clock = 36000;
    window.randomNumbers = {0.50, 0.45};
    tick();
    EXPECT_EQ(state.imageIndex, 11);
    EXPECT_EQ(feedbackCalls(), (std::vector<std::string>{"setVisible(Label4, true)", "setVisible(TextReponse, true)",
                                                         "pause(2.8)", "setText(TextReponse, \" Droite\")"}));
    EXPECT_NEAR(window.clock, 36002.8, 1e-9);
    EXPECT_EQ(text(state.answerText), " Droite");

    window.clearCalls();
    tick();
    EXPECT_EQ(state.imageIndex, 10);
    EXPECT_EQ(window.textOf[C::TextReponse], " gauche");
}

TEST_F(FeedbackTest, TheWaitMustExceedHalfASecond)
{
    // Hands at the expert pace: 500 ms leaves 0.3 s, too short.
    state.answerText = " Droite";
    window.visible[C::Label4] = window.visible[C::TextReponse] = true;
    window.selectPace(C::OptExtreme);
    tick();
    EXPECT_EQ(feedbackCalls(), (std::vector<std::string>{"setVisible(Label4, false)", "setVisible(TextReponse, false)"}));
    EXPECT_EQ(text(state.answerText), " Droite");

    // Feet at the expert pace: 750 ms leaves 0.55 s.
    window.click(C::optPied);
    window.clearCalls();
    tick();
    const auto calls = feedbackCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2], "pause(0.55)");
    EXPECT_TRUE(window.visible[C::Label4]);
}

TEST_F(FeedbackTest, TheWaitEndsAcrossMidnight)
{
    window.clock = 86399.9;
    tick();
    EXPECT_NEAR(window.clock, 2.7, 1e-6);
    EXPECT_FALSE(window.textOf[C::TextReponse].empty());
}

TEST_F(FeedbackTest, OutsidePhase1TheAnswerPairKeepsItsVisibility)
{
    tick();
    ASSERT_TRUE(window.visible[C::Label4]);
    window.click(C::optImagine);
    window.clearCalls();
    tick();
    EXPECT_TRUE(feedbackCalls().empty());
    EXPECT_TRUE(window.visible[C::Label4]);
    EXPECT_TRUE(window.visible[C::TextReponse]);
    EXPECT_EQ(window.textOf[C::TextReponse], "");

    // Unchecking the feedback in phase 1 leaves them as they are too.
    window.click(C::optDG);
    window.click(C::optFeedBack);
    window.clearCalls();
    tick();
    EXPECT_TRUE(feedbackCalls().empty());
    EXPECT_TRUE(window.visible[C::Label4]);
}
