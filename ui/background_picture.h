#pragma once
// Reading a bitmap or JPEG file as the window's background picture.

#include <QImage>
#include <QSize>
#include <QString>

// Pictures whose header gives a side longer than this are refused before any
// pixel is decoded: no picture of the disc comes near it, and a forged
// header must not make the program allocate gigabytes.
inline constexpr int maxPictureSide = 20000;
// Nor are pictures of more pixels than this: a progressive JPEG is decoded
// whole in memory, at about 3 bytes a pixel, before it is reduced, so a
// forged header of 20000 x 20000 would take over a gigabyte and seconds.
// 64 megapixels hold a photograph from any common camera.
inline constexpr qint64 maxPicturePixels = 64'000'000;

// The picture in the file at the size it is shown: its own size when it fits
// the area, else reduced with its aspect kept to fit the area, never
// enlarged. A JPEG is decoded directly at that size. A null image when the
// file cannot be shown: missing, not a regular file, empty, unreadable,
// corrupt, cut short, or of absurd dimensions.
QImage readBackgroundPicture(const QString& file, const QSize& area);
