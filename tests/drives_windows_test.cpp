// The disc scan over the real Win32 drive calls. tools/test-windows.sh gives
// Wine the drives and names their letters in the environment:
//   TAVREL_TEST_DISC_DRIVE    a CD-ROM drive holding a disc tree
//   TAVREL_TEST_EMPTY_DRIVE   a CD-ROM drive without a disc, listed before it
//   TAVREL_TEST_FIXED_DRIVES  hard disks over the same disc tree, enough of
//                             them that the drive list outgrows 64 characters
// Each file of the disc tree holds its own path on the disc as its text.

#include "app/command_line.h"
#include "disc/drives.h"
#include "disc/form_load.h"
#include "disc/layout.h"
#include "model/exercise_state.h"

#include "support/machine_drives.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string root(char letter) { return std::string(1, letter) + ":\\"; }

// The file at a path in UTF-8, as the drive layer gives it.
std::string contents(const std::string& path)
{
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

class WindowsDrives : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (disc.size() != 1 || empty.size() != 1 || fixed.empty())
            GTEST_SKIP() << "TAVREL_TEST_DISC_DRIVE, TAVREL_TEST_EMPTY_DRIVE and TAVREL_TEST_FIXED_DRIVES name "
                            "no drives: tools/test-windows.sh sets them up under Wine";
    }

    const std::string disc = environment("TAVREL_TEST_DISC_DRIVE");
    const std::string empty = environment("TAVREL_TEST_EMPTY_DRIVE");
    const std::string fixed = environment("TAVREL_TEST_FIXED_DRIVES");
    const std::string discRoot = root(disc.empty() ? '?' : disc[0]);
    const std::string emptyRoot = root(empty.empty() ? '?' : empty[0]);
};

TEST_F(WindowsDrives, TheDriveCallsListEveryDriveWithItsType)
{
    const DriveRoots roots = drives::listDriveRoots(1024);
    ASSERT_GT(roots.length, 0);
    EXPECT_EQ(roots.text.size(), static_cast<std::size_t>(roots.length));
    EXPECT_EQ(roots.text.back(), '\0');

    EXPECT_NE(roots.text.find(emptyRoot + '\0'), std::string::npos);
    EXPECT_NE(roots.text.find(discRoot + '\0'), std::string::npos);
    EXPECT_EQ(drives::driveType(emptyRoot), cdromDriveType);
    EXPECT_EQ(drives::driveType(discRoot), cdromDriveType);
    for (const char letter : fixed) {
        SCOPED_TRACE(letter);
        EXPECT_NE(roots.text.find(root(letter) + '\0'), std::string::npos);
        EXPECT_EQ(drives::driveType(root(letter)), DRIVE_FIXED);
    }
}

// The list is delivered only when it fits with its final NUL; otherwise the
// length reported is the room it needs.
TEST_F(WindowsDrives, AListThatDoesNotFitIsNotDelivered)
{
    const DriveRoots whole = drives::listDriveRoots(1024);
    ASSERT_GT(whole.length, 64) << "the fixed drives should make the list longer than the first capacity";

    const DriveRoots first = drives::listDriveRoots(64);
    EXPECT_GT(first.length, 64);
    EXPECT_TRUE(first.text.empty());

    const DriveRoots noRoomForTheEnd = drives::listDriveRoots(whole.length);
    EXPECT_EQ(noRoomForTheEnd.length, whole.length + 1);
    EXPECT_TRUE(noRoomForTheEnd.text.empty());

    const DriveRoots justEnough = drives::listDriveRoots(whole.length + 1);
    EXPECT_EQ(justEnough.length, whole.length);
    EXPECT_EQ(justEnough.text, whole.text);
}

// The empty drive comes first and fails its probe; the disc comes next; the
// hard disks over the same tree are passed over.
TEST_F(WindowsDrives, FormLoadFindsTheDiscOnTheCdromDrive)
{
    ExerciseState state;
    MachineDrives window(state);
    Form_Load(state, window);

    for (const std::string& call : window.calls)
        EXPECT_FALSE(call.starts_with("askText(")) << call;
    EXPECT_EQ(text(state.driveLetter), disc);
    EXPECT_EQ(text(state.discRoot), discRoot);
    EXPECT_EQ(state.discFound, Value(1));

    const std::string cdLetters = text(state.cdLetters);
    const auto emptyAt = cdLetters.find(empty + " ");
    const auto discAt = cdLetters.find(disc + " ");
    ASSERT_NE(emptyAt, std::string::npos) << cdLetters;
    ASSERT_NE(discAt, std::string::npos) << cdLetters;
    EXPECT_LT(emptyAt, discAt);
    for (const char letter : fixed)
        EXPECT_EQ(cdLetters.find(letter), std::string::npos) << "hard disk " << letter << " in " << cdLetters;
}

TEST_F(WindowsDrives, TheDriveWithoutADiscHoldsNothing)
{
    EXPECT_EQ(drives::probeFile(markerProbePath(emptyRoot)), "");
    EXPECT_EQ(drives::localPath(closingPicturePath(Value(empty))), "");
    EXPECT_EQ(drives::probeFile(empty + ":\\mainDG\\7.jpg"), "");
}

TEST_F(WindowsDrives, PathsIntoTheDiscResolveToItsFiles)
{
    const std::string hand = picturePath(Value(disc), Value(imageDirectory(BodyPart::hands, true, false)), Value(7));
    ASSERT_EQ(hand, disc + ":\\mainDG\\7.jpg");
    EXPECT_EQ(drives::probeFile(hand), "7.jpg");
    ASSERT_EQ(drives::localPath(hand), hand);
    EXPECT_EQ(contents(drives::localPath(hand)), "mainDG/7.jpg");

    const std::string closing = closingPicturePath(Value(disc));
    EXPECT_EQ(drives::probeFile(closing), "bravo.bmp");
    ASSERT_EQ(drives::localPath(closing), closing);
    EXPECT_EQ(contents(closing), "bravo.bmp");
}

TEST_F(WindowsDrives, WhatIsNotAFileOnTheDiscResolvesToNothing)
{
    const std::string missing = disc + ":\\mainDG\\8.jpg";
    EXPECT_EQ(drives::probeFile(missing), "");
    EXPECT_EQ(drives::localPath(missing), "");

    const std::string folder = disc + ":\\mainDG";
    EXPECT_EQ(drives::probeFile(folder), "");
    EXPECT_EQ(drives::localPath(folder), "");

    // A NUL would cut the path short, to the marker, at the system.
    const std::string cut = markerProbePath(discRoot) + std::string(1, '\0') + "x";
    EXPECT_EQ(drives::probeFile(cut), "");
    EXPECT_EQ(drives::localPath(cut), "");
}

// run.exe names the disc's drive by its letter, with or without a colon and a
// backslash; a copy at the root of a hard disk counts too, though the scan
// passes hard disks over. A drive without the marker is refused. A folder
// holding a copy of the disc is its root: the program paths under it lead to
// the files inside it.
TEST_F(WindowsDrives, TheCommandLineNamesTheDiscsDriveOrAFolderHoldingACopy)
{
    const std::filesystem::path copy = std::filesystem::temp_directory_path() / L"Tavrel disque copié";
    std::filesystem::remove_all(copy);
    std::filesystem::create_directories(copy / "mainDG");
    std::ofstream(copy / "bravo.bmp") << "bravo.bmp";
    std::ofstream(copy / "mainDG" / "7.jpg") << "mainDG/7.jpg";
    const std::u8string folderText = copy.u8string();
    const std::string folder(folderText.begin(), folderText.end());
    for (const std::string& argument : {folder, folder + "\\"}) {
        const CommandLine command = readCommandLine({"run.exe", argument});
        ASSERT_TRUE(command.startWindow) << command.message;
        ASSERT_EQ(command.discFolder, std::optional<std::string>(argument));
        const std::string hand = picturePath(Value(argument), Value(":\\mainDG\\"), Value(7));
        EXPECT_EQ(drives::probeFile(hand), "7.jpg") << hand;
        EXPECT_EQ(contents(drives::localPath(hand)), "mainDG/7.jpg") << hand;
        EXPECT_EQ(drives::probeFile(closingPicturePath(Value(argument))), "bravo.bmp");
    }
    EXPECT_FALSE(readCommandLine({"run.exe", folder + "\\mainDG"}).startWindow);
    std::filesystem::remove_all(copy);

    const std::string lower(1, static_cast<char>(disc[0] - 'A' + 'a'));
    for (const auto& [argument, head] : {std::pair{disc, disc}, std::pair{disc + ":", disc},
                                         std::pair{lower + ":\\", lower}, std::pair{fixed.substr(0, 1), fixed.substr(0, 1)}})
        EXPECT_EQ(readCommandLine({"run.exe", argument}).discFolder, std::optional<std::string>(head)) << argument;

    const CommandLine noDisc = readCommandLine({"run.exe", empty + ":"});
    EXPECT_FALSE(noDisc.startWindow);
    EXPECT_EQ(noDisc.exitStatus, 1);
    EXPECT_TRUE(readCommandLine({"C:\\Tavrel\\RUN.EXE", "--help"}).message.starts_with("Utilisation : RUN [DOSSIER]\n"));
}
