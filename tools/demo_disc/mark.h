#pragma once
// Every demo picture carries a small mark in its top left corner that a test
// can read back from a screenshot, to know which picture is on screen.
//
// The mark is a strip of six grey blocks of 8 x 8 pixels, (0,0) to (47,7),
// laid on the 8 x 8 grid of JPEG so that compression keeps each block flat.
// Each block holds one base-4 digit as a grey level: 0, 85, 170 or 255.
// Blocks 0 to 4 hold the code set * 32 + number, most significant digit
// first; block 5 holds the sum of the first five digits modulo 4, so that
// ordinary picture content is not taken for a mark. Only brightness carries
// the digits: JPEG keeps colour at half resolution and may tint a grey block
// that borders a coloured background.
//
// Sets are numbered as the disc's table lists them: hands, feet, face,
// patient; within each, phase 1 easy, phase 1 normal, movement easy,
// movement normal (mainDGfacile is 0, visageMvt is 11, PatientMvt is 15).

#include <QImage>
#include <QPoint>

#include <optional>
#include <string>

namespace demo {

struct PictureId {
    int set = 0;    // 0 to 15
    int number = 0; // 1 to 20
};

inline constexpr int setCount = 16;
inline constexpr int markWidth = 48;
inline constexpr int markHeight = 8;

// The directory name of a set, for instance "VisageDGfacile".
std::string setName(int set);

// Paints the mark at the top left corner of the picture.
void drawMark(QImage& picture, PictureId id);

// Reads the mark whose top left corner lies at origin, or nothing when the
// pixels there hold no valid mark.
std::optional<PictureId> readMark(const QImage& image, QPoint origin);

} // namespace demo
