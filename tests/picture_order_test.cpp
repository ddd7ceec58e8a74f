// The order of the pictures from one start of the program to the next: the
// same sequence at every start until another order at each session is asked
// for in the results window; then two starts at different clock readings
// draw different pictures. The choice is remembered across runs.

#include "support/temp_folder.h"

#include "results/picture_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono_literals;

// The picture numbers a sequence gives, as the tick draws them from 1 to 20.
std::vector<int> picturesOf(RandomSequence sequence)
{
    std::vector<int> numbers;
    for (int i = 0; i < 30; ++i)
        numbers.push_back(static_cast<int>(sequence.next() * 20) + 1);
    return numbers;
}

} // namespace

TEST(PictureOrderTest, TheSameOrderAtEveryStartUnlessAnotherIsAskedFor)
{
    TempFolder folder;
    const std::filesystem::path privateFolder = folder.path() / "tavrel";
    const auto monday = std::chrono::system_clock::from_time_t(1'796'000'000);
    const auto tuesday = monday + 24h + 3min + 17s;
    const std::vector<int> usual = picturesOf(RandomSequence());

    // Off at first: the usual order, whatever the clock.
    EXPECT_FALSE(PictureOrderChoice(privateFolder).varies());
    EXPECT_EQ(picturesOf(PictureOrderChoice(privateFolder).sequenceAt(monday)), usual);
    EXPECT_EQ(picturesOf(PictureOrderChoice(privateFolder).sequenceAt(tuesday)), usual);

    // Asked for, and read back by the next run: each start its own order.
    EXPECT_EQ(PictureOrderChoice(privateFolder).setVaries(true), "");
    const PictureOrderChoice nextRun(privateFolder);
    EXPECT_TRUE(nextRun.varies());
    const std::vector<int> onMonday = picturesOf(nextRun.sequenceAt(monday));
    const std::vector<int> onTuesday = picturesOf(nextRun.sequenceAt(tuesday));
    const std::vector<int> aMillisecondLater = picturesOf(nextRun.sequenceAt(tuesday + 1ms));
    EXPECT_NE(onMonday, usual);
    EXPECT_NE(onTuesday, usual);
    EXPECT_NE(onMonday, onTuesday);
    EXPECT_NE(onTuesday, aMillisecondLater);
#if !defined(_WIN32)
    EXPECT_EQ(std::filesystem::status(privateFolder / "ordre-des-images.txt").permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif

    // Unticked again: the usual order at the next start.
    EXPECT_EQ(PictureOrderChoice(privateFolder).setVaries(false), "");
    EXPECT_FALSE(PictureOrderChoice(privateFolder).varies());
    EXPECT_EQ(picturesOf(PictureOrderChoice(privateFolder).sequenceAt(tuesday)), usual);

    // A private folder that cannot be made: said in French, nothing changes.
    folder.makeFile("blocked", "not a folder");
    PictureOrderChoice blocked(folder.path() / "blocked");
    EXPECT_TRUE(blocked.setVaries(true).starts_with("Le choix de l'ordre des images n'a pas pu être gardé"));
    EXPECT_FALSE(blocked.varies());
}
