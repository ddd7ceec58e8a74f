// The demo image disc: the mark that lets the whole-program tests recognise a
// picture on screen, the pictures themselves, and the tree the build writes.

#include "mark.h"
#include "pictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> setNames = {
    "mainDGfacile",    "mainDG",    "mainMvtfacile",    "mainMvt",
    "piedDGfacile",    "piedDG",    "piedMvtfacile",    "piedMvt",
    "VisageDGfacile",  "visageDG",  "VisageMvtfacile",  "visageMvt",
    "PatientDGfacile", "PatientDG", "PatientMvtfacile", "PatientMvt",
};

QImage throughJpeg(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG", 90);
    return QImage::fromData(bytes, "JPEG");
}

// Share of pixels, outside the two top corners where the marks lie, whose
// colour differs by more than a rounding of the edges.
double differingShare(const QImage& a, const QImage& b)
{
    int differing = 0, counted = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (y < demo::markHeight && (x < demo::markWidth || x >= a.width() - demo::markWidth))
                continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            differing += d > 40;
            ++counted;
        }
    }
    return static_cast<double>(differing) / counted;
}

TEST(DemoMark, NamesTheSetsInTheOrderOfTheDiscTable)
{
    for (int set = 0; set < demo::setCount; ++set)
        EXPECT_EQ(demo::setName(set), setNames[static_cast<std::size_t>(set)]);
}

TEST(DemoMark, ReadsBackEveryPictureAfterJpegOnAnyBackground)
{
    for (int set = 0; set < demo::setCount; ++set) {
        for (int number = 1; number <= 20; ++number) {
            // saturated backgrounds tint the grey blocks once JPEG has halved the colour
            QImage picture(64, 32, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv((set * 20 + number * 7) % 360, 255, 40 + number * 10));
            demo::drawMark(picture, {set, number});
            const auto id = demo::readMark(throughJpeg(picture), QPoint(0, 0));
            ASSERT_TRUE(id.has_value()) << set << " " << number;
            EXPECT_EQ(id->set, set);
            EXPECT_EQ(id->number, number);
        }
    }
}

TEST(DemoMark, IsFoundAtAnyOriginAndNotWhereThereIsNone)
{
    QImage screen(200, 100, QImage::Format_RGB32);
    screen.fill(QColor(30, 30, 30));
    QImage picture(64, 32, QImage::Format_RGB32);
    picture.fill(QColor(200, 220, 240));
    demo::drawMark(picture, {9, 17});
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            screen.setPixel(37 + x, 21 + y, picture.pixel(x, y));

    const auto id = demo::readMark(screen, QPoint(37, 21));
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(id->set, 9);
    EXPECT_EQ(id->number, 17);
    EXPECT_FALSE(demo::readMark(screen, QPoint(0, 0)).has_value());
    EXPECT_FALSE(demo::readMark(screen, QPoint(190, 95)).has_value()) << "a mark cut by the edge";
}

TEST(DemoMark, RefusesAStripWhoseCheckDigitDoesNotMatch)
{
    QImage picture(64, 32, QImage::Format_RGB32);
    picture.fill(Qt::white);
    demo::drawMark(picture, {3, 5});
    // turn the first digit's block to another level
    const int level = qGray(picture.pixel(3, 3)) == 0 ? 85 : 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            picture.setPixelColor(x, y, QColor(level, level, level));
    EXPECT_FALSE(demo::readMark(picture, QPoint(0, 0)).has_value());
}

TEST(DemoPictures, RightSidePicturesAreMirrorImagesOfTheLeftSideOnes)
{
    for (int set = 0; set < demo::setCount; ++set) {
        if (!demo::setHasPictures(set))
            continue;
        for (int number = 1; number <= 10; ++number) {
            const QImage left = demo::demoPicture(set, number);
            const QImage right = demo::demoPicture(set, number + 10);
            EXPECT_LT(differingShare(left.mirrored(true, false), right), 0.002)
                << demo::setName(set) << " " << number << ": nothing but the figure may tell the sides apart";
        }
    }
}

TEST(DemoPictures, EachSetShowsTenDifferentPicturesOfTheFullSize)
{
    for (int set = 0; set < demo::setCount; ++set) {
        if (!demo::setHasPictures(set))
            continue;
        std::set<QByteArray> seen;
        for (int number = 1; number <= 10; ++number) {
            const QImage picture = demo::demoPicture(set, number);
            ASSERT_EQ(picture.size(), QSize(demo::pictureWidth, demo::pictureHeight));
            const QImage figure = picture.copy(0, demo::markHeight, picture.width(), picture.height() - demo::markHeight);
            seen.insert(QCryptographicHash::hash(
                QByteArray(reinterpret_cast<const char*>(figure.constBits()), figure.sizeInBytes()),
                QCryptographicHash::Sha1));
        }
        EXPECT_EQ(seen.size(), 10u) << demo::setName(set);
    }
}

TEST(DemoDiscTree, HoldsTheMarkerAndTheSixteenDirectoriesByTheirExactNames)
{
    const QDir disc(QStringLiteral(DEMO_DISC_DIR));
    ASSERT_TRUE(disc.exists()) << DEMO_DISC_DIR;

    QStringList expected;
    for (const std::string& name : setNames)
        expected << QString::fromStdString(name);
    expected << QStringLiteral("bravo.bmp");
    expected.sort();
    QStringList found = disc.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    found.sort();
    EXPECT_EQ(found, expected);

    QImageReader marker(disc.filePath(QStringLiteral("bravo.bmp")));
    EXPECT_EQ(marker.format(), "bmp");
    EXPECT_EQ(marker.size(), QSize(640, 480));
}

TEST(DemoDiscTree, HoldsTwentyMarkedJpegPicturesPerSetButTwoPatientSetsEmpty)
{
    const QDir disc(QStringLiteral(DEMO_DISC_DIR));
    int emptyPatientSets = 0;
    for (int set = 0; set < demo::setCount; ++set) {
        const QDir dir(disc.filePath(QString::fromStdString(setNames[static_cast<std::size_t>(set)])));
        const QStringList files = dir.entryList(QDir::Files);
        if (files.isEmpty()) {
            EXPECT_GE(set, 12) << "only a patient set may be empty";
            ++emptyPatientSets;
            continue;
        }
        QStringList expected;
        for (int number = 1; number <= 20; ++number)
            expected << QString::number(number) + QStringLiteral(".jpg");
        QStringList sorted = files;
        sorted.sort();
        expected.sort();
        ASSERT_EQ(sorted, expected) << setNames[static_cast<std::size_t>(set)];

        for (int number = 1; number <= 20; ++number) {
            QImageReader reader(dir.filePath(QString::number(number) + QStringLiteral(".jpg")));
            EXPECT_EQ(reader.format(), "jpeg");
            const QImage picture = reader.read();
            ASSERT_EQ(picture.size(), QSize(640, 480));
            const auto id = demo::readMark(picture, QPoint(0, 0));
            ASSERT_TRUE(id.has_value()) << setNames[static_cast<std::size_t>(set)] << " " << number;
            EXPECT_EQ(id->set, set);
            EXPECT_EQ(id->number, number);
        }
    }
    EXPECT_EQ(emptyPatientSets, 2);
}

} // namespace
