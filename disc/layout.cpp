#include "disc/layout.h"

#include <array>

namespace {

// Rows by body part; columns: phase 1 easy, phase 1 normal, movement easy,
// movement normal.
constexpr std::array<std::array<const char*, 4>, 4> fragments = {{
    {":\\mainDGfacile\\", ":\\mainDG\\", ":\\mainMvtfacile\\", ":\\mainMvt\\"},
    {":\\piedDGfacile\\", ":\\piedDG\\", ":\\piedMvtfacile\\", ":\\piedMvt\\"},
    {":\\VisageDGfacile\\", ":\\visageDG\\", ":\\VisageMvtfacile\\", ":\\visageMvt\\"},
    {":\\PatientDGfacile\\", ":\\PatientDG\\", ":\\PatientMvtfacile\\", ":\\PatientMvt\\"},
}};

} // namespace

std::string sideWord(Side side)
{
    return side == Side::left ? "gauche" : "droite";
}

std::optional<Side> sideFromWord(std::string_view word)
{
    if (word == "gauche")
        return Side::left;
    if (word == "droite")
        return Side::right;
    return std::nullopt;
}

std::string imageDirectory(BodyPart part, bool phase1, bool easy)
{
    const int column = (phase1 ? 0 : 2) + (easy ? 0 : 1);
    return fragments[static_cast<std::size_t>(part)][column];
}

std::optional<BodyPart> bodyPartOf(const std::string& fragment)
{
    for (std::size_t row = 0; row < fragments.size(); ++row) {
        for (const char* f : fragments[row]) {
            if (fragment == f)
                return static_cast<BodyPart>(row);
        }
    }
    return std::nullopt;
}

std::string picturePath(const Value& driveLetter, const Value& imageDir, const Value& number)
{
    return text(driveLetter) + text(imageDir) + text(number) + ".jpg";
}

std::string emptinessProbePath(const Value& driveLetter, const Value& imageDir)
{
    return text(driveLetter) + text(imageDir) + "1.jpg";
}

std::string closingPicturePath(const Value& driveLetter)
{
    return text(driveLetter) + ":\\bravo.bmp";
}

std::string markerProbePath(const std::string& root)
{
    return root + "bravo.bmp";
}
