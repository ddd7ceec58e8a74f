#pragma once
// Decoding a bitmap or JPEG file as the window's background picture with
// Windows Imaging Component, on the thread that reads the disc.

#include "disc/disc_reader.h"
#include "disc/picture_file.h"

#include <cstdint>
#include <functional>
#include <vector>

// A picture decoded for the window: 32-bit BGR pixels, rows top down, ready
// to be copied to the screen.
struct WicPicture : DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// The size a picture is shown at: its own size at the area's dots per inch
// (640 x 480 at 96 dpi are 960 x 720 at 144 dpi) when that fits the area,
// else reduced with its aspect kept to fit the area. Empty when the area or
// the picture is.
PictureArea shownSize(int width, int height, PictureArea area);

// The picture in the file at the size it is shown. Null when the file cannot
// be decoded, or once stop() holds: the decoder reads the bytes through a
// stream that fails from then on, and the pixels are taken in bands with
// stop() asked between them.
std::shared_ptr<const DecodedPicture> decodeWicPicture(std::span<const std::byte> file, PictureArea area,
                                                       const StopCheck& stop);

// A photograph for tavrel-patient, as it is stored, for the caller to reduce
// with the filter it chooses to the size reducedTo gives for its stored
// size: at the smallest size the system's decoder makes by itself (a JPEG
// at 1/2, 1/4 or 1/8 of its size, through IWICBitmapSourceTransform) that
// is not below that size, else whole.
// A picture whose stored size is beyond the picture caps of
// disc/picture_file.h is refused before any pixel is decoded.
struct WicPhotograph {
    enum class Outcome { decoded, notPicture, tooLarge, damaged };
    Outcome outcome = Outcome::notPicture;
    int storedWidth = 0; // as the file stores it, once its header is read
    int storedHeight = 0;
    WicPicture picture;
};
using ReducedSize = std::function<PictureArea(int storedWidth, int storedHeight)>;
WicPhotograph decodeWicPhotograph(std::span<const std::byte> file, const ReducedSize& reducedTo = {});
