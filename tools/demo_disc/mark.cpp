#include "mark.h"

#include "disc/layout.h"

#include <QColor>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace demo {
namespace {

constexpr int blockSize = 8;
constexpr int digitCount = 5;
constexpr std::array<int, 4> levels = {0, 85, 170, 255};
// Largest distance from a level that still reads as that level, and largest
// spread of brightness inside one block.
constexpr int levelTolerance = 36;
constexpr int flatnessTolerance = 40;

int brightness(QRgb pixel)
{
    return (299 * qRed(pixel) + 587 * qGreen(pixel) + 114 * qBlue(pixel)) / 1000;
}

// The digit a block holds, or -1 when it is not one flat grey of a level.
// The block's rim is left out: the scaler or the window may soften edges.
int readBlock(const QImage& image, QPoint corner)
{
    int low = 255, high = 0, sum = 0, count = 0;
    for (int y = 1; y < blockSize - 1; ++y) {
        for (int x = 1; x < blockSize - 1; ++x) {
            const int value = brightness(image.pixel(corner + QPoint(x, y)));
            low = std::min(low, value);
            high = std::max(high, value);
            sum += value;
            ++count;
        }
    }
    if (high - low > flatnessTolerance)
        return -1;
    const int mean = sum / count;
    for (std::size_t digit = 0; digit < levels.size(); ++digit) {
        if (std::abs(mean - levels[digit]) <= levelTolerance)
            return static_cast<int>(digit);
    }
    return -1;
}

} // namespace

std::string setName(int set)
{
    const auto part = static_cast<BodyPart>(set / 4);
    const int column = set % 4;
    const std::string fragment = imageDirectory(part, column < 2, column % 2 == 0);
    // ":\name\" -> "name"
    return fragment.substr(2, fragment.size() - 3);
}

void drawMark(QImage& picture, PictureId id)
{
    int code = id.set * 32 + id.number;
    std::array<int, digitCount + 1> digits{};
    for (int i = digitCount - 1; i >= 0; --i) {
        digits[static_cast<std::size_t>(i)] = code % 4;
        code /= 4;
    }
    int sum = 0;
    for (int i = 0; i < digitCount; ++i)
        sum += digits[static_cast<std::size_t>(i)];
    digits[digitCount] = sum % 4;

    for (std::size_t i = 0; i < digits.size(); ++i) {
        const int level = levels[static_cast<std::size_t>(digits[i])];
        const QColor grey(level, level, level);
        for (int y = 0; y < blockSize; ++y)
            for (int x = 0; x < blockSize; ++x)
                picture.setPixelColor(static_cast<int>(i) * blockSize + x, y, grey);
    }
}

std::optional<PictureId> readMark(const QImage& image, QPoint origin)
{
    if (origin.x() < 0 || origin.y() < 0 || origin.x() + markWidth > image.width() ||
        origin.y() + markHeight > image.height())
        return std::nullopt;

    int code = 0, sum = 0, check = 0;
    for (int i = 0; i <= digitCount; ++i) {
        const int digit = readBlock(image, origin + QPoint(i * blockSize, 0));
        if (digit < 0)
            return std::nullopt;
        if (i < digitCount) {
            code = code * 4 + digit;
            sum += digit;
        } else {
            check = digit;
        }
    }
    if (sum % 4 != check)
        return std::nullopt;
    const PictureId id{code / 32, code % 32};
    if (id.set >= setCount || id.number < 1 || id.number > 20)
        return std::nullopt;
    return id;
}

} // namespace demo
