#pragma once
// What the bytes of a picture file show before any pixel is decoded: its
// format and size, and whether it is whole and sound enough to decode. A
// picture of the disc is a JPEG or a bitmap; a file cut short, one claiming
// absurd dimensions, or a JPEG built to keep its decoder busy for ever is
// refused here, whatever decoder the window then uses.

#include <cstddef>
#include <cstdint>
#include <span>

// Far larger than any picture of the disc, and than any picture a decoder
// takes in: a larger file is refused unread.
inline constexpr std::int64_t largestPictureFile = 256LL * 1024 * 1024;
// No picture of the disc comes near this side; a forged header must not make
// the program allocate gigabytes.
inline constexpr int largestPictureSide = 20000;
// A progressive JPEG is decoded whole in memory, about 3 bytes a pixel,
// before it is reduced; 64 megapixels hold a photograph from any common
// camera.
inline constexpr std::int64_t mostPicturePixels = 64'000'000;
// Cameras write one scan, encoders a dozen or so in progressive mode (ten
// with libjpeg's own progression, about as many with mozjpeg's). Each scan
// makes the decoder go over the whole picture again, so a small file with
// thousands of scans holds it for minutes: libjpeg-turbo's tools take a
// limit on scans for this reason. A hundred leaves room for any encoder.
inline constexpr int mostJpegScans = 100;

enum class PictureFormat { unknown, jpeg, bitmap };

struct PictureFacts {
    PictureFormat format = PictureFormat::unknown;
    int width = 0;
    int height = 0;
    int scans = 0;         // start-of-scan markers of a JPEG
    bool complete = false; // a JPEG reaches its end-of-image marker
};

PictureFacts examinePicture(std::span<const std::byte> file);

// Whether the file may be handed to a decoder: a JPEG or bitmap of sensible
// dimensions, a JPEG whole and of few enough scans.
bool pictureIsSound(const PictureFacts& facts);
