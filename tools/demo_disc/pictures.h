#pragma once
// The pictures of the demo disc. Each set holds twenty pictures: 1 to 10
// show the left side, 11 to 20 are their mirror images and show the right
// side. Sets are numbered as in mark.h.

#include <QImage>

namespace demo {

inline constexpr int pictureWidth = 640;
inline constexpr int pictureHeight = 480;

// Whether the set holds pictures: the patient's two movement sets are left
// empty, as for a patient whose own photographs were taken for phase 1 only.
bool setHasPictures(int set);

// Picture number 1 to 20 of the set, with its mark.
QImage demoPicture(int set, int number);

// The closing picture that also marks the disc: "Bravo !".
QImage closingPicture();

} // namespace demo
