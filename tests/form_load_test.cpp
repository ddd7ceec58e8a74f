#include "disc/form_load.h"

#include "support/recording_services.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const std::string promptStart = "Veuillez indiquer la lettre qui désigne votre lecteur CD. Ce pourrait être ";
const std::string promptEnd = "  .Tapez une seule lettre.";

// The drive list as the platform writes it: each root followed by one NUL.
std::string rootList(const std::vector<std::string>& roots)
{
    std::string list;
    for (const std::string& root : roots)
        list += root + '\0';
    return list;
}

// A truth value's truth, or nothing when the value holds something else.
std::optional<bool> truth(const Value& v)
{
    if (v.kind() != Value::Kind::Bool)
        return std::nullopt;
    return v.number() != 0;
}

} // namespace

class FormLoadTest : public ::testing::Test {
protected:
    void drives(const std::vector<std::string>& roots) { window.driveRoots = rootList(roots); }
    void cdrom(const std::string& root) { window.driveTypes[root] = cdromDriveType; }
    void marker(const std::string& root) { window.files.insert(root + "bravo.bmp"); }
    void load() { Form_Load(state, window); }

    // The prompts of the questions asked, in order.
    std::vector<std::string> questions() const
    {
        std::vector<std::string> prompts;
        for (const std::string& call : window.calls) {
            if (call.starts_with("askText(\""))
                prompts.push_back(call.substr(9, call.size() - 11));
        }
        return prompts;
    }
    std::vector<std::string> probes() const
    {
        std::vector<std::string> made;
        for (const std::string& call : window.calls) {
            if (call.starts_with("probeFile("))
                made.push_back(call);
        }
        return made;
    }

    ExerciseState state;
    RecordingServices window{state};
};

// --- The disc found ---

TEST_F(FormLoadTest, TheMarkerOnEOnlySettlesEWithoutAQuestion)
{
    drives({"A:\\", "C:\\", "D:\\", "E:\\"});
    cdrom("D:\\");
    cdrom("E:\\");
    marker("E:\\");
    load();

    EXPECT_EQ(text(state.driveLetter), "E");
    EXPECT_TRUE(questions().empty());
    EXPECT_EQ(text(state.discRoot), "E:\\");
    EXPECT_TRUE(state.discFound == 1);
    EXPECT_EQ(state.discFound.kind(), Value::Kind::Int16);
    EXPECT_EQ(text(state.cdLetters), "D E ");
    EXPECT_EQ(truth(state.markerFound), true);
    EXPECT_EQ(state.markerLength, 0);
}

TEST_F(FormLoadTest, WithTheMarkerOnSeveralDrivesTheLastListedWins)
{
    drives({"C:\\", "D:\\", "E:\\", "F:\\"});
    cdrom("D:\\");
    cdrom("E:\\");
    cdrom("F:\\");
    marker("D:\\");
    marker("E:\\");
    load();

    EXPECT_EQ(text(state.driveLetter), "E");
    EXPECT_EQ(text(state.discRoot), "E:\\");
    EXPECT_EQ(text(state.cdLetters), "D E F ");
    // F was examined after E and held no marker; E stays the disc.
    EXPECT_EQ(truth(state.markerFound), false);
    EXPECT_TRUE(questions().empty());
}

TEST_F(FormLoadTest, EachProbeIsJudgedByItsOwnOutcome)
{
    // D is a CD-ROM drive without a disc, the disc is in E.
    drives({"C:\\", "D:\\", "E:\\"});
    cdrom("D:\\");
    cdrom("E:\\");
    window.drivesNotReady = {"D:\\"};
    marker("E:\\");
    load();
    EXPECT_EQ(text(state.driveLetter), "E");
    EXPECT_EQ(text(state.cdLetters), "D E ");
    EXPECT_TRUE(questions().empty());

    // The disc in D, and E without a disc: the error on E does not undo D.
    ExerciseState other;
    RecordingServices second(other);
    second.driveRoots = rootList({"C:\\", "D:\\", "E:\\"});
    second.driveTypes = {{"D:\\", cdromDriveType}, {"E:\\", cdromDriveType}};
    second.drivesNotReady = {"E:\\"};
    second.files = {"D:\\bravo.bmp"};
    Form_Load(other, second);
    EXPECT_EQ(text(other.driveLetter), "D");
    EXPECT_EQ(truth(other.markerFound), false);
    EXPECT_TRUE(other.discFound == 1);
}

TEST_F(FormLoadTest, AFoundLetterKeepsThePlatformsCaseWhileCdLettersHoldUpperCase)
{
    drives({"c:\\", "e:\\"});
    cdrom("e:\\");
    marker("e:\\");
    load();

    EXPECT_EQ(text(state.driveLetter), "e");
    EXPECT_EQ(text(state.discRoot), "e:\\");
    EXPECT_EQ(text(state.cdLetters), "E ");
}

TEST_F(FormLoadTest, OnlyCdromDrivesAreProbedInListOrder)
{
    drives({"A:\\", "C:\\", "D:\\", "E:\\", "F:\\"});
    window.driveTypes["A:\\"] = 2;
    window.driveTypes["F:\\"] = 4;
    cdrom("D:\\");
    cdrom("E:\\");
    marker("C:\\"); // a copy on the hard disk is not found by the scan
    marker("E:\\");
    load();

    EXPECT_EQ(window.calls, (std::vector<std::string>{
                                "listDriveRoots(64)",
                                R"(driveType("A:\"))",
                                R"(driveType("C:\"))",
                                R"(driveType("D:\"))",
                                R"(probeFile("D:\bravo.bmp"))",
                                R"(driveType("E:\"))",
                                R"(probeFile("E:\bravo.bmp"))",
                                R"(driveType("F:\"))",
                            }));
    EXPECT_EQ(text(state.driveLetter), "E");
}

// --- The question ---

TEST_F(FormLoadTest, WithoutACdromDriveThePromptTextsStandSideBySide)
{
    drives({"C:\\", "D:\\"});
    marker("C:\\");
    window.answers = {"C"};
    load();

    EXPECT_TRUE(probes().empty());
    EXPECT_EQ(questions(), std::vector<std::string>{"Veuillez indiquer la lettre qui désigne votre lecteur CD. "
                                                    "Ce pourrait être   .Tapez une seule lettre."});
    EXPECT_EQ(questions(), std::vector<std::string>{promptStart + promptEnd});
    EXPECT_EQ(text(state.driveLetter), "C");
    EXPECT_TRUE(state.discFound.isUnset());
}

TEST_F(FormLoadTest, OneCdromDriveWithoutTheMarkerIsProposed)
{
    drives({"C:\\", "E:\\"});
    cdrom("E:\\");
    window.answers = {"E"};
    load();

    // E, the blank that follows each letter, then the two blanks of the second text.
    EXPECT_EQ(questions(), std::vector<std::string>{promptStart + "E   .Tapez une seule lettre."});
    EXPECT_EQ(text(state.driveLetter), "E");
    EXPECT_EQ(truth(state.markerFound), false);
}

TEST_F(FormLoadTest, SeveralCdromDrivesWithoutADiscAreAllProposed)
{
    drives({"C:\\", "D:\\", "E:\\"});
    cdrom("D:\\");
    cdrom("E:\\");
    window.drivesNotReady = {"D:\\", "E:\\"};
    load();

    EXPECT_EQ(questions(), std::vector<std::string>{promptStart + "D E " + promptEnd});
    EXPECT_EQ(probes().size(), 2u);
}

TEST_F(FormLoadTest, TheAnswerIsTakenAsTyped)
{
    for (const std::string answer : {"e", "E:", "disque", ""}) {
        ExerciseState fresh;
        RecordingServices services(fresh);
        services.driveRoots = rootList({"C:\\"});
        if (!answer.empty())
            services.answers = {answer};
        Form_Load(fresh, services);
        EXPECT_EQ(text(fresh.driveLetter), answer);
        EXPECT_EQ(fresh.driveLetter.kind(), Value::Kind::Text);
    }
}

TEST_F(FormLoadTest, AFolderAnswerHeadsThePicturePaths)
{
    drives({"C:\\"});
    window.answers = {"/home/me/disque"};
    load();
    EXPECT_EQ(text(state.driveLetter) + ":\\bravo.bmp", "/home/me/disque:\\bravo.bmp");
}

// A folder given on the command line wins even over a CD-ROM holding the
// marker: the drives are neither listed nor probed, and nothing is asked.
TEST_F(FormLoadTest, AFolderFromTheCommandLineIsTheDriveLetterWithoutAScan)
{
    drives({"C:\\", "E:\\"});
    cdrom("E:\\");
    marker("E:\\");
    state.shownCount = 5;
    Form_Load(state, window, std::string("/usr/share/tavrel/demo disc é"));

    EXPECT_EQ(text(state.driveLetter), "/usr/share/tavrel/demo disc é");
    EXPECT_TRUE(window.calls.empty()) << window.calls.front();
    EXPECT_EQ(state.shownCount, 0);
    EXPECT_EQ(state.intervalMs.number(), 1000);
}

// --- The drive list ---

TEST_F(FormLoadTest, AReportedLengthOfZeroMeansNoDrive)
{
    drives({"C:\\", "E:\\"});
    cdrom("E:\\");
    marker("E:\\");
    window.reportedLength = 0;
    load();

    EXPECT_EQ(window.calls.front(), "listDriveRoots(64)");
    EXPECT_EQ(state.driveListLength, 0);
    EXPECT_EQ(state.driveList, "");
    EXPECT_TRUE(probes().empty());
    EXPECT_EQ(text(state.cdLetters), "");
    EXPECT_EQ(questions(), std::vector<std::string>{promptStart + promptEnd});
}

TEST_F(FormLoadTest, TheListIsCutToTheReportedLength)
{
    drives({"C:\\", "D:\\", "E:\\"});
    cdrom("D:\\");
    cdrom("E:\\");
    marker("E:\\");
    window.reportedLength = 8; // C:\ and D:\ only
    load();

    EXPECT_EQ(text(state.cdLetters), "D ");
    EXPECT_EQ(probes(), std::vector<std::string>{R"(probeFile("D:\bravo.bmp"))"});
    EXPECT_EQ(questions().size(), 1u);
}

TEST_F(FormLoadTest, AReportedLengthAboveTheCapacityIsAskedAgainWithARoomierOne)
{
    drives({"C:\\", "D:\\", "E:\\"});
    cdrom("E:\\");
    marker("E:\\");
    window.reportedLength = 100;
    load();

    EXPECT_EQ(window.calls[0], "listDriveRoots(64)");
    EXPECT_EQ(window.calls[1], "listDriveRoots(101)");
    EXPECT_EQ(text(state.driveLetter), "E");
    EXPECT_TRUE(questions().empty());
}

TEST_F(FormLoadTest, MoreThanFifteenDrivesAreAllExamined)
{
    std::vector<std::string> roots;
    for (char letter = 'C'; letter <= 'Z'; ++letter)
        roots.push_back(std::string{letter, ':', '\\'});
    drives(roots);
    cdrom("X:\\");
    cdrom("Y:\\");
    marker("Y:\\");
    load();

    // 24 drives take 96 characters and the final NUL one more.
    EXPECT_EQ(window.calls[0], "listDriveRoots(64)");
    EXPECT_EQ(window.calls[1], "listDriveRoots(98)");
    int typesAsked = 0;
    for (const std::string& call : window.calls)
        typesAsked += call.starts_with("driveType(") ? 1 : 0;
    EXPECT_EQ(typesAsked, 24);
    EXPECT_EQ(text(state.cdLetters), "X Y ");
    EXPECT_EQ(text(state.driveLetter), "Y");
}

// A platform whose drive list never fits, however roomy the capacity.
class NeverFits : public RecordingServices {
public:
    using RecordingServices::RecordingServices;
    DriveRoots listDriveRoots(std::int32_t capacity) override
    {
        RecordingServices::listDriveRoots(capacity);
        return {std::string(), capacity + 1};
    }
};

TEST_F(FormLoadTest, AListThatNeverFitsStillEndsTheScanWithTheQuestion)
{
    NeverFits platform(state);
    platform.answers = {"E"};
    Form_Load(state, platform);

    EXPECT_LE(platform.calls.size(), 10u);
    EXPECT_EQ(platform.calls.back(), "askText(\"" + promptStart + promptEnd + "\")");
    EXPECT_EQ(text(state.driveLetter), "E");
}

// --- Start-up values ---

// Notes the pace at the moment the question is asked.
class WatchingTheQuestion : public RecordingServices {
public:
    explicit WatchingTheQuestion(ExerciseState& state) : RecordingServices(state), watched_(state) {}
    std::string askText(const std::string& prompt) override
    {
        intervalWhenAsked = watched_.intervalMs;
        return RecordingServices::askText(prompt);
    }
    Value intervalWhenAsked;

private:
    const ExerciseState& watched_;
};

TEST_F(FormLoadTest, TheInitialValuesAreGivenFirst)
{
    state.shownCount = 12;
    state.previousIndex = 7;
    state.markerLength = 3;
    state.cdLetters = "Q ";
    WatchingTheQuestion platform(state);
    platform.driveRoots = rootList({"C:\\"});
    Form_Load(state, platform);

    EXPECT_EQ(state.shownCount, 0);
    EXPECT_EQ(state.previousIndex, 0);
    EXPECT_EQ(state.markerLength, 0);
    EXPECT_EQ(text(state.cdLetters), "");
    EXPECT_EQ(state.cdLetters.kind(), Value::Kind::Text);
    for (const auto& [field, expected] : {std::pair{&state.exerciseMinutes, 10}, std::pair{&state.intervalMs, 1000},
                                          std::pair{&state.cycleCounter, 4}, std::pair{&state.imageIndex, 1}}) {
        EXPECT_EQ(field->kind(), Value::Kind::Int16);
        EXPECT_EQ(field->number(), expected);
    }
    // In place before the question, so that a tick while it is open finds them.
    EXPECT_EQ(platform.intervalWhenAsked.kind(), Value::Kind::Int16);
    EXPECT_EQ(platform.intervalWhenAsked.number(), 1000);
    EXPECT_TRUE(state.running.isUnset());
    EXPECT_TRUE(state.level.isUnset());
}

// --- A copy on a USB stick ---

TEST_F(FormLoadTest, WithoutTheDiscInACdromDriveTheFirstStickHoldingItIsTakenWithoutAQuestion)
{
    // D an empty CD-ROM drive; F a stick that does not answer, G one without
    // the disc, H and I two sticks holding it; C a hard disk holding a copy.
    drives({"C:\\", "D:\\", "F:\\", "G:\\", "H:\\", "I:\\"});
    cdrom("D:\\");
    for (const std::string root : {"F:\\", "G:\\", "H:\\", "I:\\"})
        window.driveTypes[root] = removableDriveType;
    window.drivesNotReady = {"D:\\", "F:\\"};
    for (const std::string root : {"C:\\", "H:\\", "I:\\"})
        marker(root);
    load();

    EXPECT_EQ(text(state.driveLetter), "H");
    EXPECT_TRUE(questions().empty());
    EXPECT_EQ(text(state.cdLetters), "D ");
    EXPECT_EQ(probes(), (std::vector<std::string>{"probeFile(\"D:\\bravo.bmp\")", "probeFile(\"F:\\bravo.bmp\")",
                                                  "probeFile(\"G:\\bravo.bmp\")", "probeFile(\"H:\\bravo.bmp\")"}));
}

TEST_F(FormLoadTest, TheDiscInACdromDriveComesBeforeAStickAndNoStickLeavesTheQuestionAsItWas)
{
    drives({"C:\\", "D:\\", "E:\\"});
    window.driveTypes["D:\\"] = removableDriveType;
    cdrom("E:\\");
    marker("D:\\");
    marker("E:\\");
    load();
    EXPECT_EQ(text(state.driveLetter), "E");
    EXPECT_TRUE(questions().empty());

    ExerciseState other;
    RecordingServices second(other);
    second.driveRoots = rootList({"C:\\", "D:\\", "E:\\"});
    second.driveTypes = {{"D:\\", removableDriveType}, {"E:\\", cdromDriveType}};
    second.answers = {"E"};
    Form_Load(other, second);
    bool asked = false;
    for (const std::string& call : second.calls)
        asked = asked || call == "askText(\"" + promptStart + "E " + promptEnd + "\")";
    EXPECT_TRUE(asked);
    EXPECT_EQ(text(other.driveLetter), "E");
}
