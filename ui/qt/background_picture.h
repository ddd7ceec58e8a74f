#pragma once
// Decoding a bitmap or JPEG file as the window's background picture, with
// Qt's image readers, on the thread that reads the disc.

#include "disc/disc_reader.h"

#include <QImage>

// A picture decoded for the window, ready to be painted.
struct QtPicture : DecodedPicture {
    explicit QtPicture(QImage i) : image(std::move(i)) {}
    QImage image;
};

// The picture in the file at the size it is shown: its own size when it fits
// the area, else reduced with its aspect kept to fit the area, never
// enlarged. A JPEG is decoded directly at that size. Null when the file
// cannot be decoded, or once stop() holds.
std::shared_ptr<const DecodedPicture> decodeBackgroundPicture(std::span<const std::byte> file, PictureArea area,
                                                              const StopCheck& stop);

// Made once at the program's start: blocks of a megabyte and more, such as
// the buffers every picture passes through, are mapped from the system and
// given back whole when freed, so that the memory stays flat from picture
// to picture.
void mapPictureBuffersFromTheSystem();
