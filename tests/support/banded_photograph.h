#pragma once
// A photograph for the tests of the patient's sets: one colour with a white
// band along its right quarter, so that a mirror image or a turned picture
// is told apart from the photograph as it was taken.

#include <QColor>
#include <QImage>
#include <QPainter>

#include <cstdlib>

inline QImage bandedPhotograph(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QPainter(&image).fillRect(QRect(size.width() * 3 / 4, 0, size.width() - size.width() * 3 / 4, size.height()),
                              Qt::white);
    return image;
}

// Two colours that differ by no more than JPEG compression makes them.
inline bool nearColour(QColor a, QColor b, int tolerance = 12)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The colour in the middle of the left or right tenth of a picture.
inline QColor bandSample(const QImage& image, bool right)
{
    return image.pixelColor(right ? image.width() * 19 / 20 : image.width() / 20, image.height() / 2);
}

// Whether the picture shows the photograph of that colour as it is (the band
// on the right) or mirrored (the band on the left).
inline bool showsBanded(const QImage& image, QColor colour, bool mirrored)
{
    return nearColour(bandSample(image, !mirrored), Qt::white, 24) && nearColour(bandSample(image, mirrored), colour, 24);
}
