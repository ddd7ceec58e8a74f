// The next tick's pictures, worked out and decoded while the window waits
// between ticks: the trial tick finds the very pictures the tick then shows
// and changes nothing on the way; a picture decoded ahead is painted only
// while its file, the window's size and the settings are as they were. And
// the buffers pictures pass through go back to the system when freed.

#include "support/window_fixture.h"

#include "disc/drives.h"
#include "ui/next_picture.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QFile>
#include <QLineEdit>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using C = Control;
namespace fs = std::filesystem;

namespace {

// Every picture of the tests is written at this size, padded after its end
// marker, so that a file rewritten with other content keeps its size.
constexpr qsizetype paddedSize = 64 * 1024;

void writePicture(const QString& path, const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "JPEG", 95));
    ASSERT_LT(bytes.size(), paddedSize);
    bytes.append(paddedSize - bytes.size(), '\0');
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), paddedSize);
}

const QColor black{0, 0, 0};

class NextPictureTest : public WindowTest {
protected:
    NextPictureTest()
    {
        for (int number = 1; number <= 20; ++number)
            writePicture(disc.file(QStringLiteral("mainDGfacile/%1.jpg").arg(number)),
                         TestDisc::solid(TestDisc::pictureSize, TestDisc::colourOf(number)));
        showWindow();
    }

    void click(Control c) { QTest::mouseClick(widget(c), Qt::LeftButton); }
    void start()
    {
        click(C::OptExtreme);
        click(C::cmdOnOff);
        ASSERT_EQ(window.state().running, 1);
    }

    std::vector<std::string> trial()
    {
        return nextPicturePaths(window.state(), window.services().randomSequence(), window.services());
    }

    // The window left alone for a moment, as between two ticks: what it
    // does when nothing else waits has been done.
    void betweenTicks() { QTest::qWait(50); }

    int shownNumber() { return static_cast<int>(window.state().imageIndex.number()); }
    bool shows(QColor colour) { return nearColour(pixelAt(freeSpot), colour); }

    // A spot covered by no control.
    static constexpr QPoint freeSpot{20, 200};
};

} // namespace

TEST_F(NextPictureTest, TrialFindsThePicturesEveryTickShows)
{
    start();
    for (int i = 0; i < 40; ++i) {
        if (i == 10)
            click(C::Chkniv3); // easy and normal sets in turn
        if (i == 20) {
            click(C::optFeedBack); // feet at 750 ms would wait for the answer
            click(C::optPied);
        }
        if (i == 30)
            click(C::optMain);
        const std::vector<std::string> next = trial();
        tick();
        EXPECT_EQ(next, std::vector{text(window.state().imagePath)}) << "tick " << i;
    }

    // The last tick of the exercise shows its picture and then the closing
    // picture; the ticks after it show the closing picture again.
    window.state().shownCount = INT16_MAX - 1;
    const std::vector<std::string> last = trial();
    tick();
    EXPECT_EQ(window.state().running, 0);
    const std::string closing = disc.programPath("bravo.bmp");
    EXPECT_EQ(last, (std::vector{text(window.state().imagePath), closing}));
    EXPECT_EQ(trial(), std::vector{closing});
}

TEST_F(NextPictureTest, TrialChangesNothingAndOpensNoBox)
{
    start();
    tick();
    tick();
    const ExerciseState before = window.state();
    RandomSequence sequence = window.services().randomSequence();
    const double nextRandom = sequence.next();
    auto* answer = widget<QLineEdit>(C::TextReponse);
    answer->setText(QStringLiteral(" gauche"));
    const int interval = window.timer1().interval();
    const QString caption = widget<QAbstractButton>(C::cmdOnOff)->text();
    const qint64 picture = window.backgroundPicture().cacheKey();

    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(trial().size(), 1u);

    const ExerciseState& after = window.state();
    EXPECT_EQ(after.imagePath, before.imagePath);
    EXPECT_EQ(after.previousIndex, before.previousIndex);
    EXPECT_EQ(after.shownCount, before.shownCount);
    EXPECT_EQ(after.cycleCounter, before.cycleCounter);
    EXPECT_EQ(after.running, before.running);
    sequence = window.services().randomSequence();
    EXPECT_EQ(sequence.next(), nextRandom) << "the program's random sequence has not moved";
    EXPECT_EQ(answer->text(), QStringLiteral(" gauche"));
    EXPECT_FALSE(widget(C::Label4)->isVisible());
    EXPECT_EQ(window.timer1().interval(), interval);
    EXPECT_EQ(widget<QAbstractButton>(C::cmdOnOff)->text(), caption);
    EXPECT_EQ(window.backgroundPicture().cacheKey(), picture);

    // A tick that would ask the user something shows no picture, and the
    // trial opens no box and stops nothing.
    click(C::optPatient); // no set of the patient's photographs on this disc
    EXPECT_TRUE(trial().empty());
    click(C::optPatient); // no body part at all
    EXPECT_TRUE(trial().empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window.state().running, 1);

    click(C::optMain);
    click(C::cmdOnOff);
    EXPECT_TRUE(trial().empty()) << "no picture while no exercise runs";
}

TEST_F(NextPictureTest, PicturesDecodedAheadArePaintedWithoutReadingTheFilesAgain)
{
    start();
    betweenTicks();
    std::vector<std::string> next = trial();
    ASSERT_EQ(next.size(), 1u);

    // The file's content changes behind the program's back, its size and its
    // time kept: the tick paints what was decoded before.
    const fs::path file = drives::localPath(next.front());
    const fs::file_time_type modified = fs::last_write_time(file);
    writePicture(QString::fromStdString(file.string()), TestDisc::solid(TestDisc::pictureSize, black));
    fs::last_write_time(file, modified);
    tick();
    EXPECT_EQ(text(window.state().imagePath), next.front());
    EXPECT_TRUE(shows(TestDisc::colourOf(shownNumber())));

    // The same for the closing picture of the exercise's last tick.
    window.state().shownCount = INT16_MAX - 2;
    betweenTicks();
    next = trial();
    ASSERT_EQ(next.size(), 2u);
    const fs::path bravo = drives::localPath(next.back());
    const fs::file_time_type bravoModified = fs::last_write_time(bravo);
    ASSERT_TRUE(TestDisc::solid(QSize(100, 80), black).save(QString::fromStdString(bravo.string()), "BMP"));
    fs::last_write_time(bravo, bravoModified);
    tick();
    EXPECT_EQ(window.state().running, 0);
    EXPECT_TRUE(nearColour(pixelAt({20, 20}), TestDisc::bravoColour));
}

TEST_F(NextPictureTest, PictureReadAgainWhenItsFileTheWindowOrTheSettingsChanged)
{
    start();

    // The file rewritten after it was decoded ahead.
    betweenTicks();
    std::vector<std::string> next = trial();
    ASSERT_EQ(next.size(), 1u);
    const fs::path file = drives::localPath(next.front());
    const fs::file_time_type modified = fs::last_write_time(file);
    writePicture(QString::fromStdString(file.string()), TestDisc::solid(TestDisc::pictureSize, black));
    fs::last_write_time(file, modified + std::chrono::seconds(2));
    tick();
    EXPECT_EQ(text(window.state().imagePath), next.front());
    EXPECT_TRUE(shows(black));

    // The window made smaller than the picture after it was decoded ahead.
    betweenTicks();
    window.resize(300, 200);
    tick();
    EXPECT_EQ(window.backgroundPicture().size(), TestDisc::pictureSize.scaled(300, 200, Qt::KeepAspectRatio));

    // Another body part chosen after the hands' picture was decoded ahead,
    // the tick coming before the window could decode the feet's.
    for (int number = 1; number <= 20; ++number)
        writePicture(disc.file(QStringLiteral("piedDGfacile/%1.jpg").arg(number)),
                     TestDisc::solid(TestDisc::pictureSize, black));
    window.resize(TestDisc::pictureSize + QSize(100, 100));
    click(C::optFeedBack); // feet at 750 ms would wait for the answer
    betweenTicks();
    next = trial();
    ASSERT_EQ(next.size(), 1u);
    ASSERT_NE(next.front().find("mainDGfacile"), std::string::npos);
    click(C::optPied);
    tick();
    EXPECT_NE(text(window.state().imagePath).find("piedDGfacile"), std::string::npos);
    EXPECT_TRUE(shows(black));
}

// Once a block of several megabytes has been freed, a block of a megabyte
// and a half, the size of a picture of the window, is still mapped from the
// system rather than carved from the heap, which would keep its space.
TEST(PictureBuffers, MegabyteBlocksAreMappedEvenAfterALargerOneWasFreed)
{
#if !defined(__GLIBC__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the memory is not managed by the GNU C library's allocator here";
#else
    // Held in volatile pointers, so that the compiler keeps every allocation.
    void* volatile large = std::malloc(8 * 1024 * 1024);
    std::free(large);
    const std::size_t mappedBefore = mallinfo2().hblkhd;
    void* volatile picture = std::malloc(1536 * 1024);
    const std::size_t mappedWith = mallinfo2().hblkhd;
    std::free(picture);
    EXPECT_GE(mappedWith, mappedBefore + 1536 * 1024);
#endif
}
