#include "model/settings.h"

#include "support/exercise_fixture.h"

#include <vector>

using C = Control;

namespace {

std::vector<Control> checkedAmong(RecordingServices& w, std::initializer_list<Control> group)
{
    std::vector<Control> result;
    for (Control box : group) {
        if (w.checkedValue[box])
            result.push_back(box);
    }
    return result;
}

const auto bodyParts = {C::optMain, C::optPied, C::optVisage, C::optPatient};
const auto phases = {C::optDG, C::optImagine, C::optFaireMvt};
const auto sides = {C::optD, C::optG, C::optLes2};
const auto levels = {C::Chkniv1, C::ChKniv2, C::Chkniv3, C::Chkniv4};

} // namespace

using SettingsTest = ExerciseTest;

TEST_F(SettingsTest, CheckingABoxUnchecksTheOthersOfItsGroupOnly)
{
    window.click(C::optPied);
    EXPECT_EQ(checkedAmong(window, bodyParts), std::vector{C::optPied});
    EXPECT_EQ(checkedAmong(window, phases), std::vector{C::optDG});
    EXPECT_EQ(checkedAmong(window, sides), std::vector{C::optLes2});
    EXPECT_EQ(checkedAmong(window, levels), std::vector{C::Chkniv1});

    window.click(C::optFaireMvt);
    window.click(C::optDG);
    EXPECT_EQ(checkedAmong(window, phases), std::vector{C::optDG});
    EXPECT_EQ(checkedAmong(window, sides), std::vector{C::optLes2});

    window.click(C::optG);
    EXPECT_EQ(checkedAmong(window, sides), std::vector{C::optG});
}

TEST_F(SettingsTest, ClickingTheCheckedBoxLeavesItsGroupEmpty)
{
    window.click(C::optMain);
    EXPECT_TRUE(checkedAmong(window, bodyParts).empty());

    window.click(C::optLes2);
    EXPECT_TRUE(checkedAmong(window, sides).empty());
}

TEST_F(SettingsTest, EachBoxUnchecksTheOthersInItsOwnOrder)
{
    struct Row {
        Control box;
        std::vector<std::string> unchecks;
    };
    const std::vector<Row> rows = {
        {C::optMain, {"optPied", "optVisage", "optPatient"}},
        {C::optPied, {"optMain", "optVisage", "optPatient"}},
        {C::optVisage, {"optMain", "optPied", "optPatient"}},
        {C::optPatient, {"optMain", "optPied", "optVisage"}},
        {C::optDG, {"optFaireMvt", "optImagine"}},
        {C::optImagine, {"optDG", "optFaireMvt"}},
        {C::optFaireMvt, {"optDG", "optImagine"}},
        {C::optD, {"optG", "optLes2"}},
        {C::optG, {"optD", "optLes2"}},
        {C::optLes2, {"optG", "optD"}},
        {C::Chkniv1, {"ChKniv2", "Chkniv3", "Chkniv4"}},
        {C::ChKniv2, {"Chkniv1", "Chkniv3", "Chkniv4"}},
        {C::Chkniv3, {"ChKniv2", "Chkniv1", "Chkniv4"}},
        {C::Chkniv4, {"ChKniv2", "Chkniv3", "Chkniv1"}},
    };
    for (const Row& row : rows) {
        window.checkedValue.clear();
        window.checkedValue[row.box] = 1;
        window.clearCalls();
        checkBoxClicked(row.box, state, window);
        std::vector<std::string> expected = {"isChecked(" + std::string(controlName(row.box)) + ")"};
        for (const std::string& other : row.unchecks)
            expected.push_back("setChecked(" + other + ", 0)");
        EXPECT_EQ(window.calls, expected) << controlName(row.box);
    }
}

TEST_F(SettingsTest, TheClickedLevelIsStoredAfterTheUnchecksItSetsOff)
{
    // ChKniv2 checked and level 2; the user checks Chkniv1.
    window.click(C::ChKniv2);
    ASSERT_EQ(state.level, 2);
    window.clearCalls();

    window.click(C::Chkniv1);

    EXPECT_EQ(checkedAmong(window, levels), std::vector{C::Chkniv1});
    EXPECT_EQ(state.level, 1);
    EXPECT_EQ(state.level.kind(), Value::Kind::Int16);
    // The uncheck of ChKniv2 runs its own handler inside setChecked; the
    // boxes already unchecked set off nothing.
    const std::vector<std::string> expected = {
        "isChecked(Chkniv1)", "setChecked(ChKniv2, 0)", "isChecked(ChKniv2)",
        "setChecked(Chkniv3, 0)", "setChecked(Chkniv4, 0)",
    };
    EXPECT_EQ(window.calls, expected);
}

TEST_F(SettingsTest, LevelIsUnsetUntilALevelBoxIsClickedAndStoredOnUncheckToo)
{
    EXPECT_TRUE(state.level.isUnset());
    EXPECT_EQ(window.checkedValue[C::Chkniv1], 1);

    window.click(C::Chkniv3);
    EXPECT_EQ(checkedAmong(window, levels), std::vector{C::Chkniv3});
    EXPECT_EQ(state.level, 3);

    window.click(C::ChKniv2);
    window.click(C::ChKniv2); // unchecks it
    EXPECT_TRUE(checkedAmong(window, levels).empty());
    EXPECT_EQ(state.level, 2);
}

TEST_F(SettingsTest, BoxesWithoutHandlersChangeNothing)
{
    window.clearCalls();
    checkBoxClicked(C::optFeedBack, state, window);
    checkBoxClicked(C::OptDiff, state, window);
    EXPECT_TRUE(window.calls.empty());
}
