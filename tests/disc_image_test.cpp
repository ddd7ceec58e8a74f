// The start-up scan over the machine's real drives, with an ISO 9660 image of
// the disc mounted through fuseiso as the CD-ROM drive.

#include "disc/drives.h"
#include "disc/form_load.h"
#include "disc/layout.h"

#include "support/machine_drives.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path)
{
    std::string shell = "'";
    for (const char c : path.string())
        shell += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return shell + "'";
}

bool succeeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Unmounts the image however the test ends.
class Unmount {
public:
    explicit Unmount(fs::path mountPoint) : mountPoint_(std::move(mountPoint)) {}
    ~Unmount() { succeeds("fusermount -u -z " + quoted(mountPoint_)); }
    Unmount(const Unmount&) = delete;
    Unmount& operator=(const Unmount&) = delete;

private:
    fs::path mountPoint_;
};

} // namespace

class DiscImage : public ::testing::Test {
protected:
    DiscImage()
    {
        folder.makeFile("disque/bravo.bmp");
        folder.makeFile("disque/mainDG/7.jpg");
        folder.makeFile("disque/VisageDGfacile/13.jpg");
        fs::create_directory(mountPoint);
    }

    // Why the image cannot be mounted on this machine, or empty text.
    static std::string fuseMissing()
    {
        if (!fs::exists("/dev/fuse"))
            return "FUSE is not available here (no /dev/fuse): the disc image cannot be mounted";
        if (!succeeds("command -v fuseiso"))
            return "fuseiso is not installed: the disc image cannot be mounted";
        return {};
    }

    // Burns the folder into an image, with Joliet and Rock Ridge long names or
    // with plain ISO 9660 names only.
    bool burn(bool longNames) const
    {
        const std::string names = longNames ? "-joliet on" : "-rockridge off -joliet off";
        return succeeds("xorriso -report_about FAILURE " + names + " -outdev " + quoted(image) + " -map " +
                        quoted(folder.path() / "disque") + " / -commit");
    }

    // Runs the scan with the image mounted; empty text when it ran, else why not.
    std::string scanWithImageMounted()
    {
        const Unmount unmount(mountPoint);
        if (!succeeds("fuseiso " + quoted(image) + " " + quoted(mountPoint)) || !fs::exists(mountPoint / "bravo.bmp"))
            return "fuseiso could not mount the disc image here";
        Form_Load(state, window);
        foundFile = drives::localPath(closingPicturePath(state.driveLetter));
        handPicture = drives::localPath(picturePath(state.driveLetter, imageDirectory(BodyPart::hands, true, false), 7));
        facePicture = drives::localPath(picturePath(state.driveLetter, imageDirectory(BodyPart::face, true, true), 13));
        foundType = drives::driveType(text(state.driveLetter) + ":\\");
        return {};
    }

    bool asked() const
    {
        for (const std::string& call : window.calls) {
            if (call.starts_with("askText("))
                return true;
        }
        return false;
    }

    TempFolder folder;
    const fs::path image = folder.path() / "tavrel.iso";
    // The blank is written \040 in the mount table.
    const fs::path mountPoint = fs::canonical(folder.path()) / "lecteur cd";
    ExerciseState state;
    MachineDrives window{state};
    std::string foundFile, handPicture, facePicture;
    std::int32_t foundType = 0;
};

TEST_F(DiscImage, TheScanFindsTheMountedImageAndItsPictures)
{
    if (const std::string why = fuseMissing(); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(burn(true)) << "xorriso could not build the disc image (make test installs it)";
    if (const std::string why = scanWithImageMounted(); !why.empty())
        GTEST_SKIP() << why;

    EXPECT_FALSE(asked());
    ASSERT_EQ(text(state.driveLetter).size(), 1u);
    EXPECT_EQ(foundType, cdromDriveType);
    EXPECT_NE(text(state.cdLetters).find(text(state.driveLetter) + " "), std::string::npos);
    EXPECT_EQ(foundFile, mountPoint / "bravo.bmp");
    EXPECT_EQ(handPicture, mountPoint / "mainDG" / "7.jpg");
    EXPECT_EQ(facePicture, mountPoint / "VisageDGfacile" / "13.jpg");
}

TEST_F(DiscImage, ADiscBurnedWithoutLongNamesIsReadThroughItsLowerCaseNames)
{
    if (const std::string why = fuseMissing(); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(burn(false)) << "xorriso could not build the disc image (make test installs it)";
    if (const std::string why = scanWithImageMounted(); !why.empty())
        GTEST_SKIP() << why;

    EXPECT_FALSE(asked());
    EXPECT_EQ(foundFile, mountPoint / "bravo.bmp");
    EXPECT_EQ(handPicture, mountPoint / "maindg" / "7.jpg");
    EXPECT_EQ(facePicture, mountPoint / "visagedgfacile" / "13.jpg");
}
