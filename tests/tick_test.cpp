#include "support/exercise_fixture.h"

#include <algorithm>
#include <set>

using C = Control;

namespace {

const std::string messageNoBodyPart =
    "choisissez les options mains,pieds,visage ou patient, puis choisissez les options identifier D G ou "
    "Imaginer faire le mouvement ou Faire le mouvement, merci ";

} // namespace

class TickTest : public ExerciseTest {
protected:
    TickTest()
    {
        uncheck(C::optFeedBack); // no waits unless a test asks for them
        // Long exercises, so that the end of an exercise does not cut the
        // runs of ticks below; the end has tests of its own.
        state.exerciseMinutes = 1000;
        startButton();
        window.clearCalls();
    }

    void ensureRunning()
    {
        if (state.running != 1)
            startButton();
    }

    // The image set chosen by each of the next ticks.
    std::vector<std::string> imageDirsOver(int ticks)
    {
        std::vector<std::string> dirs;
        for (int i = 0; i < ticks; ++i) {
            tick();
            dirs.push_back(text(state.imageDir));
        }
        return dirs;
    }

    // The numbers drawn by the next ticks.
    std::set<int> numbersDrawnOver(int ticks)
    {
        std::set<int> drawn;
        for (int i = 0; i < ticks; ++i) {
            tick();
            drawn.insert(static_cast<int>(state.imageIndex.number()));
        }
        return drawn;
    }
};

TEST_F(TickTest, StartUpSettingsShowEasyHandsPicturesEvery3Seconds)
{
    const std::set<int> drawn = numbersDrawnOver(400);
    EXPECT_EQ(*drawn.begin(), 1);
    EXPECT_EQ(*drawn.rbegin(), 20);
    EXPECT_EQ(drawn.size(), 20u);
    EXPECT_EQ(text(state.imageDir), ":\\mainDGfacile\\");
    EXPECT_EQ(window.timerInterval, 3000);
    EXPECT_EQ(window.picture, "E:\\mainDGfacile\\" + text(state.imageIndex) + ".jpg");
    EXPECT_EQ(state.shownCount, 400);
}

TEST_F(TickTest, PaceFollowsTheButtonThePhaseAndTheBodyPart)
{
    // Milliseconds for hands in phase 1, for the feet, the face and the
    // patient's photographs in phase 1, and for every body part in phases 2
    // and 3.
    struct Pace {
        Control button;
        int hands;
        int othersPhase1;
        int otherPhases;
    };
    const Pace paces[] = {
        {C::OptNormal, 3000, 4500, 60000}, {C::OptDiff, 2000, 3000, 20000}, {C::OptTresDiff, 1000, 1500, 10000},
        {C::OptExtreme, 500, 750, 5000},   {C::opt5sec, 5000, 7500, 5000},  {C::opt10sec, 10000, 15000, 10000},
    };
    for (const Pace& pace : paces) {
        for (Control part : {C::optMain, C::optPied, C::optVisage, C::optPatient}) {
            for (Control phase : {C::optDG, C::optImagine, C::optFaireMvt}) {
                window.files.insert("E:\\PatientDGfacile\\1.jpg");
                window.files.insert("E:\\PatientMvtfacile\\1.jpg");
                window.selectPace(pace.button);
                check(part);
                check(phase);
                ensureRunning();
                tick();

                const bool phase1 = phase == C::optDG;
                const int expected = !phase1 ? pace.otherPhases : part == C::optMain ? pace.hands : pace.othersPhase1;
                const std::string where = std::string(controlName(pace.button)) + " " +
                                          std::string(controlName(part)) + " " + std::string(controlName(phase));
                EXPECT_EQ(state.intervalMs.number(), expected) << where;
                EXPECT_EQ(window.timerInterval, expected) << where;
                // The factor 1.5 leaves a real; 60000 does not fit 16 bits.
                const Value::Kind kind = phase1 && part != C::optMain ? Value::Kind::Real
                                         : expected == 60000          ? Value::Kind::Int32
                                                                      : Value::Kind::Int16;
                EXPECT_EQ(state.intervalMs.kind(), kind) << where;
            }
        }
    }
}

TEST_F(TickTest, WithoutAPhaseThePaceIsTheSlowOne)
{
    uncheck(C::optDG);
    tick();
    EXPECT_EQ(state.intervalMs.kind(), Value::Kind::Int32);
    EXPECT_EQ(window.timerInterval, 60000);
    EXPECT_EQ(text(state.imageDir), ":\\mainMvtfacile\\");
}

TEST_F(TickTest, TheLevelDecidesHowManyTicksInFourTakeTheEasySet)
{
    const std::string easy = ":\\piedDGfacile\\", normal = ":\\piedDG\\";
    check(C::optPied);
    // Before any level box is clicked, every set is the easy one.
    EXPECT_EQ(imageDirsOver(4), std::vector<std::string>(4, easy));

    const std::vector<std::pair<Control, std::vector<std::string>>> levels = {
        {C::Chkniv1, {easy, easy, easy, easy}},
        {C::ChKniv2, {easy, easy, easy, normal}},
        {C::Chkniv3, {easy, easy, normal, normal}},
        {C::Chkniv4, {easy, normal, normal, normal}},
    };
    for (const auto& [box, expected] : levels) {
        window.click(box);
        EXPECT_EQ(imageDirsOver(4), expected) << controlName(box);
    }
}

TEST_F(TickTest, TheCycleCarriesOverFromOneExerciseToTheNext)
{
    check(C::optVisage);
    window.click(C::Chkniv3);
    EXPECT_EQ(imageDirsOver(3), (std::vector<std::string>{":\\VisageDGfacile\\", ":\\VisageDGfacile\\", ":\\visageDG\\"}));
    startButton(); // stop
    tick(5);       // ticks while stopped do not step the cycle
    startButton();
    EXPECT_EQ(imageDirsOver(2), (std::vector<std::string>{":\\visageDG\\", ":\\VisageDGfacile\\"}));
    EXPECT_EQ(state.cycleCounter, 3);
}

TEST_F(TickTest, EveryBodyPartHasItsFourSets)
{
    for (const char* set : {"PatientDGfacile", "PatientDG", "PatientMvtfacile", "PatientMvt"})
        window.files.insert("E:\\" + std::string(set) + "\\1.jpg");
    window.click(C::Chkniv4); // one tick in four takes the easy set
    const std::pair<Control, std::vector<std::string>> phase1[] = {
        {C::optMain, {":\\mainDGfacile\\", ":\\mainDG\\", ":\\mainDG\\", ":\\mainDG\\"}},
        {C::optPied, {":\\piedDGfacile\\", ":\\piedDG\\", ":\\piedDG\\", ":\\piedDG\\"}},
        {C::optVisage, {":\\VisageDGfacile\\", ":\\visageDG\\", ":\\visageDG\\", ":\\visageDG\\"}},
        {C::optPatient, {":\\PatientDGfacile\\", ":\\PatientDG\\", ":\\PatientDG\\", ":\\PatientDG\\"}},
    };
    for (const auto& [part, expected] : phase1) {
        check(part);
        EXPECT_EQ(imageDirsOver(4), expected) << controlName(part);
    }
    EXPECT_EQ(window.picture.substr(0, 13), "E:\\PatientDG\\");

    check(C::optImagine);
    const std::pair<Control, std::vector<std::string>> movement[] = {
        {C::optMain, {":\\mainMvtfacile\\", ":\\mainMvt\\", ":\\mainMvt\\", ":\\mainMvt\\"}},
        {C::optPied, {":\\piedMvtfacile\\", ":\\piedMvt\\", ":\\piedMvt\\", ":\\piedMvt\\"}},
        {C::optVisage, {":\\VisageMvtfacile\\", ":\\visageMvt\\", ":\\visageMvt\\", ":\\visageMvt\\"}},
        {C::optPatient, {":\\PatientMvtfacile\\", ":\\PatientMvt\\", ":\\PatientMvt\\", ":\\PatientMvt\\"}},
    };
    for (const auto& [part, expected] : movement) {
        check(part);
        EXPECT_EQ(imageDirsOver(4), expected) << controlName(part);
    }
    // Phase 3 and no phase at all use the same movement sets.
    check(C::optFaireMvt);
    check(C::optMain);
    EXPECT_EQ(imageDirsOver(1), std::vector<std::string>{":\\mainMvtfacile\\"});
    uncheck(C::optFaireMvt);
    EXPECT_EQ(imageDirsOver(1), std::vector<std::string>{":\\mainMvt\\"});
}

TEST_F(TickTest, DrawRangeFollowsThePhaseAndTheSide)
{
    check(C::optD);
    EXPECT_EQ(numbersDrawnOver(300).size(), 20u) << "phase 1 ignores the side";

    check(C::optFaireMvt);
    std::set<int> drawn = numbersDrawnOver(300);
    EXPECT_EQ(*drawn.begin(), 11);
    EXPECT_EQ(*drawn.rbegin(), 20);
    EXPECT_EQ(drawn.size(), 10u);

    check(C::optG);
    drawn = numbersDrawnOver(300);
    EXPECT_EQ(*drawn.begin(), 1);
    EXPECT_EQ(*drawn.rbegin(), 10);

    check(C::optImagine);
    check(C::optLes2);
    EXPECT_EQ(numbersDrawnOver(300).size(), 20u);
}

TEST_F(TickTest, BoundsCarryOverWhenNoSideOrNoPhaseIsTicked)
{
    check(C::optFaireMvt);
    check(C::optG);
    tick();
    startButton(); // stop
    uncheck(C::optG);
    check(C::optImagine);
    startButton();
    std::set<int> drawn = numbersDrawnOver(200);
    EXPECT_EQ(*drawn.rbegin(), 10) << "no side: the left-side bounds of the last exercise stay";

    uncheck(C::optImagine);
    drawn = numbersDrawnOver(200);
    EXPECT_EQ(*drawn.rbegin(), 10) << "no phase: the bounds stay too";
    EXPECT_EQ(state.lowIndex, 1);
    EXPECT_EQ(state.highIndex, 10);
}

TEST_F(TickTest, NeverTheSameNumberTwiceInARowEachDrawTakingOneRandomNumber)
{
    // r = 0.30 gives 7 from 1..20; the repeats are drawn again.
    window.randomNumbers = {0.30, 0.30, 0.30, 0.45};
    tick();
    EXPECT_EQ(state.imageIndex, 7);
    window.clearCalls();
    tick();
    EXPECT_EQ(state.imageIndex, 10);
    EXPECT_EQ(std::count(window.calls.begin(), window.calls.end(), "randomUnit()"), 3);
    EXPECT_EQ(state.previousIndex, 10);

    // Across a change of body part and of exercise: the number compares alone.
    startButton();
    check(C::optPied);
    startButton();
    window.randomNumbers = {0.45, 0.0};
    tick();
    EXPECT_EQ(state.imageIndex, 1);
    EXPECT_EQ(window.picture, "E:\\piedDGfacile\\1.jpg");

    window.randomNumbers.clear();
    int previous = 1;
    for (int i = 0; i < 2000; ++i) {
        tick();
        const int drawn = static_cast<int>(state.imageIndex.number());
        ASSERT_NE(drawn, previous);
        previous = drawn;
    }
}

TEST_F(TickTest, UnsetBoundsDrawFromEveryPictureInsteadOfLoopingForever)
{
    // Phase 3 without a side in a fresh run: the bounds were never set.
    check(C::optFaireMvt);
    uncheck(C::optLes2);
    window.randomNumbers = {0.0, 0.999};
    tick();
    EXPECT_TRUE(state.lowIndex.isUnset());
    EXPECT_EQ(state.imageIndex, 1);
    EXPECT_EQ(window.picture, "E:\\mainMvtfacile\\1.jpg");
    tick();
    EXPECT_EQ(state.imageIndex, 20);
    EXPECT_EQ(state.shownCount, 2);
}

TEST_F(TickTest, NoBodyPartRefusesAtTheFirstTickWithItsMessage)
{
    uncheck(C::optMain);
    check(C::optFeedBack);
    state.shownCount = 32767; // the end check would close the exercise if it ran
    window.clearCalls();

    tick();

    const std::vector<std::string> expected = {
        "setTimerInterval(3000)",
        "showMessage(\"" + messageNoBodyPart + "\")",
        "setCaption(cmdOnOff, \"&Débuter l'exercice\")",
    };
    EXPECT_EQ(window.effects(), expected);
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(state.shownCount, 32767);
    EXPECT_EQ(state.cycleCounter, 4);
    EXPECT_EQ(state.previousIndex, 0);
    EXPECT_TRUE(state.imagePath.isUnset());
    EXPECT_TRUE(state.imageDir.isUnset());
    EXPECT_TRUE(window.picture.empty());

    state.shownCount = 0;
    window.clearCalls();
    tick();
    EXPECT_TRUE(window.effects().empty()) << "no further message";
}

TEST_F(TickTest, AnEmptyPatientSetIsRefusedAndTheClosingPictureOrNoneShown)
{
    check(C::optPatient);
    window.files.insert("E:\\PatientDGfacile\\5.jpg"); // pictures, but no 1.jpg
    window.randomNumbers = {0.30};
    const std::int16_t shown = state.shownCount;
    window.clearCalls();

    tick();

    const std::vector<std::string> expected = {
        "setTimerInterval(4500)",
        "setText(TextReponse, \"\")",
        "probeFile(\"E:\\PatientDGfacile\\1.jpg\")",
        "showMessage(\"le répertoire d'images est vide, sélectionner une autre option\")",
        "setCaption(cmdOnOff, \"&Démarrer l'exercice\")",
        "showPicture(\"\")",
    };
    EXPECT_EQ(window.effects(), expected);
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(state.shownCount, shown);
    EXPECT_EQ(text(state.imageDir), ":\\PatientDGfacile\\");
    EXPECT_EQ(state.previousIndex, 7);
    EXPECT_EQ(text(state.imagePath), "E:\\PatientDGfacile\\7.jpg");

    // After an exercise has ended, the refusal shows the closing picture again.
    state.closingPicturePath = "E:\\bravo.bmp";
    startButton();
    tick();
    EXPECT_EQ(window.picture, "E:\\bravo.bmp");

    // A set that holds picture 1 is shown.
    window.files.insert("E:\\PatientDGfacile\\1.jpg");
    startButton();
    tick();
    EXPECT_EQ(state.running, 1);
    EXPECT_EQ(state.shownCount, shown + 1);
}

TEST_F(TickTest, TheEmptinessProbeIsMadeForEveryBodyPartAndAnUnreadableDriveHoldsNothing)
{
    window.drivesNotReady.insert("E:\\");
    tick();
    EXPECT_EQ(state.shownCount, 1) << "hands are shown without a test";
    EXPECT_EQ(std::count_if(window.calls.begin(), window.calls.end(),
                            [](const std::string& c) { return c.starts_with("probeFile("); }),
              1);

    check(C::optPatient);
    tick();
    EXPECT_EQ(state.running, 0) << "a patient set on a drive that cannot be read counts as empty";
}

// A drive slow to answer is waited for only where its answer matters: for
// the patient's sets, which are refused without picture 1.
TEST_F(TickTest, ASlowDriveIsWaitedForOnlyForThePatientsSets)
{
    window.slowDrives.insert("E:\\");
    window.files.insert("E:\\PatientDGfacile\\1.jpg");
    tick();
    EXPECT_EQ(state.shownCount, 1);
    EXPECT_EQ(std::ranges::count_if(window.calls, [](const std::string& c) { return c.starts_with("probeSlow"); }), 0);

    check(C::optPatient);
    window.clearCalls();
    tick();
    EXPECT_EQ(state.running, 1) << "not refused: picture 1 is there";
    EXPECT_EQ(state.shownCount, 2);
    const std::vector<std::string> probes = {"probeFile(\"E:\\PatientDGfacile\\1.jpg\")",
                                             "probeSlowDrive(\"E:\\PatientDGfacile\\1.jpg\")"};
    std::vector<std::string> seen;
    std::ranges::copy_if(window.calls, std::back_inserter(seen), [](const std::string& c) { return c.starts_with("probe"); });
    EXPECT_EQ(seen, probes);
    EXPECT_EQ(window.picture, text(state.imagePath));

    window.files.clear();
    tick();
    EXPECT_EQ(state.running, 0) << "refused on the drive's answer that picture 1 is absent";
}

TEST_F(TickTest, ShownCountStopsAt32767)
{
    state.exerciseMinutes = 100000; // a limit the count never reaches
    state.shownCount = 32766;
    tick(3);
    EXPECT_EQ(state.shownCount, 32767);
    EXPECT_EQ(state.running, 1);
}

TEST_F(TickTest, TheAnswerBoxIsEmptiedBeforeEachPicture)
{
    window.textOf[C::TextReponse] = " Droite";
    tick();
    EXPECT_EQ(window.textOf[C::TextReponse], "");
}
