#include "support/exercise_fixture.h"

using C = Control;

namespace {

const std::string startUpCaption =
    "Choisissez l'option Mains ou Pieds, le niveau de difficulté, la vitesse, puis la phase (1,2 ou3) puis "
    "Cliquez ici pour &Débuter";

} // namespace

class ExerciseEndTest : public ExerciseTest {
protected:
    // Runs ticks until the exercise stops; the number of pictures shown.
    int picturesUntilStop(int atMost = 2000)
    {
        const int before = state.shownCount;
        for (int i = 0; i < atMost && state.running == 1; ++i)
            tick();
        return state.shownCount - before;
    }
};

TEST_F(ExerciseTest, TheStartButtonStartsAndStopsWithItsCaptions)
{
    EXPECT_EQ(window.caption[C::cmdOnOff], startUpCaption);
    EXPECT_TRUE(state.running.isUnset());

    startButton();
    EXPECT_EQ(window.effects(), (std::vector<std::string>{"setCaption(cmdOnOff, \"&Arrêter l'exercice\")",
                                                          "setVisible(Label5, false)"}));
    EXPECT_EQ(state.running, 1);
    tick();
    const std::string shown = window.picture;

    window.clearCalls();
    startButton();
    EXPECT_EQ(window.effects(), std::vector<std::string>{"setCaption(cmdOnOff, \"&Démarrer l'exercice\")"});
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(window.picture, shown);
    EXPECT_FALSE(window.visible[C::Label5]);

    // Starting again resets nothing and hides the appeal again.
    window.clearCalls();
    startButton();
    EXPECT_EQ(window.effects(), (std::vector<std::string>{"setCaption(cmdOnOff, \"&Arrêter l'exercice\")",
                                                          "setVisible(Label5, false)"}));
    EXPECT_EQ(state.shownCount, 1);
}

TEST_F(ExerciseTest, TheQuitButtonEndsTheProgramAtOnceRunningOrNot)
{
    cmdExit_Click(state, window);
    EXPECT_TRUE(window.ended);
    EXPECT_EQ(window.calls, std::vector<std::string>{"endProgram()"});
}

TEST_F(ExerciseTest, TicksBeforeTheFirstStartChangeNothing)
{
    tick(50);
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(state.shownCount, 0);
}

TEST_F(ExerciseTest, TheRoadOfOneExercise)
{
    window.click(C::optPied);
    startButton();
    EXPECT_EQ(window.caption[C::cmdOnOff], "&Arrêter l'exercice");
    window.randomNumbers = {0.30};
    window.clearCalls();

    tick();

    const std::vector<std::string> expected = {
        "isChecked(optDG)",
        "isSelected(OptDiff)", "isSelected(OptTresDiff)", "isSelected(OptExtreme)",
        "isSelected(opt5sec)", "isSelected(opt10sec)",
        "isChecked(optPied)", "isChecked(optDG)", "isChecked(optVisage)", "isChecked(optPatient)",
        "setTimerInterval(4500)",
        "isChecked(optDG)", "isChecked(optMain)", "isChecked(optPied)",
        "isChecked(optDG)",
        "randomUnit()",
        "setText(TextReponse, \"\")",
        "isChecked(optPatient)",
        "probeFile(\"E:\\piedDGfacile\\1.jpg\")",
        "showPicture(\"E:\\piedDGfacile\\7.jpg\")",
        "isChecked(optFeedBack)", "isChecked(optDG)",
        "setVisible(Label4, true)", "setVisible(TextReponse, true)",
        "clockSeconds()", "pause(4.3)", "clockSeconds()",
        "setText(TextReponse, \" gauche\")",
    };
    EXPECT_EQ(window.calls, expected);

    // The tick of the 134th picture at 4500 ms ends the exercise.
    tick(132);
    EXPECT_EQ(state.running, 1);
    EXPECT_EQ(state.shownCount, 133);
    window.clearCalls();
    tick();
    const std::vector<std::string> effects = window.effects();
    ASSERT_GE(effects.size(), 2u);
    EXPECT_EQ(effects[effects.size() - 2], "showPicture(\"E:\\bravo.bmp\")");
    EXPECT_EQ(effects.back(), "setCaption(cmdOnOff, \"&Démarrer l'exercice\")");
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(text(state.closingPicturePath), "E:\\bravo.bmp");
}

TEST_F(ExerciseEndTest, TheExerciseEndsWithThe200thPictureAt3Seconds)
{
    startButton();
    EXPECT_EQ(picturesUntilStop(), 200);
    EXPECT_EQ(window.picture, "E:\\bravo.bmp");
    EXPECT_EQ(window.caption[C::cmdOnOff], "&Démarrer l'exercice");
}

TEST_F(ExerciseEndTest, AStopAndAStartContinueTheSameCount)
{
    startButton();
    tick(50);
    startButton();
    tick(10); // stopped: nothing is counted
    startButton();
    EXPECT_EQ(picturesUntilStop(), 150);
}

TEST_F(ExerciseEndTest, AfterTheEndTicksRepeatTheEndAndAStartLastsOneTick)
{
    startButton();
    picturesUntilStop();
    window.picture.clear();
    window.clearCalls();
    tick();
    EXPECT_EQ(window.effects(), (std::vector<std::string>{"showPicture(\"E:\\bravo.bmp\")",
                                                          "setCaption(cmdOnOff, \"&Démarrer l'exercice\")"}));

    startButton();
    window.clearCalls();
    tick();
    EXPECT_EQ(state.shownCount, 201);
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(window.picture, "E:\\bravo.bmp");
    EXPECT_EQ(window.caption[C::cmdOnOff], "&Démarrer l'exercice");
}

TEST_F(ExerciseEndTest, AFasterPaceAfterTheEndRaisesTheLimit)
{
    startButton();
    EXPECT_EQ(picturesUntilStop(), 200);
    window.selectPace(C::OptTresDiff); // 1000 ms: 600 pictures
    startButton();
    EXPECT_EQ(picturesUntilStop(), 400);
}

TEST_F(ExerciseEndTest, TheLimitFollowsThePaceOfEachTick)
{
    window.click(C::optPied); // 4500 ms: 133.33... pictures
    startButton();
    EXPECT_EQ(picturesUntilStop(), 134);

    // 60000 ms outside phase 1: ten pictures in ten minutes.
    ExerciseState fresh;
    setInitialValues(fresh);
    RecordingServices other(fresh);
    other.click(C::optDG);
    cmdOnOff_Click(fresh, other);
    int ticks = 0;
    while (fresh.running == 1 && ticks < 100) {
        Timer1_Timer(fresh, other);
        ++ticks;
    }
    EXPECT_EQ(fresh.shownCount, 10);
    EXPECT_EQ(other.picture, ":\\bravo.bmp") << "no drive letter: the path starts with the colon";
}
