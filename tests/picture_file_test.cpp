// What a picture file shows before it is decoded: JPEG and bitmap sizes,
// files cut short, and JPEGs built to hold a decoder for minutes.

#include "disc/picture_file.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;

void add(Bytes& b, std::initializer_list<int> values)
{
    for (int v : values)
        b.push_back(static_cast<std::byte>(v));
}

// A segment: its marker, its length, its content.
void segment(Bytes& b, int marker, const Bytes& content)
{
    const int length = static_cast<int>(content.size()) + 2;
    add(b, {0xFF, marker, length >> 8, length & 0xFF});
    b.insert(b.end(), content.begin(), content.end());
}

Bytes frameHeader(int width, int height)
{
    Bytes f;
    add(f, {8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, 1, 1, 0x11, 0});
    return f;
}

// A scan: its header, then compressed data with a stuffed FF 00 and a
// restart marker, as real data has.
void scan(Bytes& b)
{
    segment(b, 0xDA, Bytes(6, std::byte{0}));
    add(b, {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3, 0x56});
}

// A JPEG of the given number of scans, with a thumbnail in its EXIF data
// whose own markers must not count.
Bytes jpeg(int width, int height, int scans, bool ending = true)
{
    Bytes b;
    add(b, {0xFF, 0xD8});
    Bytes exif;
    add(exif, {'E', 'x', 'i', 'f', 0, 0, 0xFF, 0xD8, 0xFF, 0xDA, 0, 2, 0xFF, 0xD9});
    segment(b, 0xE1, exif);
    segment(b, scans > 1 ? 0xC2 : 0xC0, frameHeader(width, height));
    segment(b, 0xC4, Bytes(20, std::byte{1}));
    for (int i = 0; i < scans; ++i)
        scan(b);
    if (ending)
        add(b, {0xFF, 0xD9});
    return b;
}

Bytes bitmap(int headerSize, int width, int height)
{
    Bytes b;
    const int offset = 14 + headerSize;
    add(b, {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, offset & 0xFF, offset >> 8, 0, 0});
    add(b, {headerSize, 0, 0, 0});
    if (headerSize == 12) {
        add(b, {width & 0xFF, width >> 8, height & 0xFF, height >> 8});
    } else {
        for (int v : {width, height})
            add(b, {v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, (v >> 24) & 0xFF});
    }
    b.resize(static_cast<std::size_t>(offset) + 64);
    return b;
}

} // namespace

TEST(PictureFileTest, JpegSizeScansAndEnd)
{
    const PictureFacts photo = examinePicture(jpeg(4000, 3000, 1));
    EXPECT_EQ(photo.format, PictureFormat::jpeg);
    EXPECT_EQ(photo.width, 4000);
    EXPECT_EQ(photo.height, 3000);
    EXPECT_EQ(photo.scans, 1) << "the thumbnail's markers inside the EXIF data do not count";
    EXPECT_TRUE(photo.complete);
    EXPECT_TRUE(pictureIsSound(photo));

    EXPECT_TRUE(pictureIsSound(examinePicture(jpeg(640, 480, 10)))) << "a progressive JPEG as encoders write it";

    Bytes padded = jpeg(640, 480, 1);
    padded.resize(padded.size() + 5000, std::byte{0});
    EXPECT_TRUE(pictureIsSound(examinePicture(padded))) << "bytes after the end are no concern";

    Bytes cut = jpeg(640, 480, 3);
    cut.resize(cut.size() - 6);
    EXPECT_FALSE(examinePicture(cut).complete);
    EXPECT_FALSE(pictureIsSound(examinePicture(cut)));
    EXPECT_FALSE(pictureIsSound(examinePicture(jpeg(640, 480, 1, false))));
}

TEST(PictureFileTest, HostileJpegsAreRefused)
{
    // Its scans repeated thousands of times: minutes of decoding from a small file.
    const PictureFacts bomb = examinePicture(jpeg(5000, 5000, 20000));
    EXPECT_EQ(bomb.scans, 20000);
    EXPECT_FALSE(pictureIsSound(bomb));
    EXPECT_FALSE(pictureIsSound(examinePicture(jpeg(5000, 5000, 101))));
    EXPECT_TRUE(pictureIsSound(examinePicture(jpeg(5000, 5000, 100))));

    EXPECT_FALSE(pictureIsSound(examinePicture(jpeg(60000, 60000, 1)))) << "a side over 20000";
    EXPECT_FALSE(pictureIsSound(examinePicture(jpeg(20000, 20000, 1)))) << "more than 64 megapixels";
    EXPECT_FALSE(pictureIsSound(examinePicture(jpeg(0, 480, 1))));
    EXPECT_FALSE(pictureIsSound(examinePicture(Bytes(5000, std::byte{0x5A}))));
    EXPECT_FALSE(pictureIsSound(examinePicture({})));
}

TEST(PictureFileTest, BitmapHeaders)
{
    const PictureFacts info = examinePicture(bitmap(40, 100, 80));
    EXPECT_EQ(info.format, PictureFormat::bitmap);
    EXPECT_EQ(info.width, 100);
    EXPECT_EQ(info.height, 80);
    EXPECT_TRUE(pictureIsSound(info));
    EXPECT_EQ(examinePicture(bitmap(40, 100, -80)).height, 80) << "a bitmap stored top down";
    EXPECT_EQ(examinePicture(bitmap(12, 300, 200)).width, 300) << "the oldest header";
    EXPECT_TRUE(pictureIsSound(examinePicture(bitmap(124, 640, 480))));
    EXPECT_FALSE(pictureIsSound(examinePicture(bitmap(40, 60000, 60000))));

    Bytes nonsense = {std::byte{'B'}, std::byte{'M'}};
    nonsense.resize(200, std::byte{0xFF});
    EXPECT_FALSE(pictureIsSound(examinePicture(nonsense)));
    Bytes shortOfItsPixels = bitmap(40, 100, 80);
    shortOfItsPixels.resize(40);
    EXPECT_FALSE(pictureIsSound(examinePicture(shortOfItsPixels)));
}
