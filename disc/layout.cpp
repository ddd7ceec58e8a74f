#include "disc/layout.h"

#include <array>

std::string imageDirectory(BodyPart part, bool phase1, bool easy)
{
    // Columns: phase 1 easy, phase 1 normal, movement easy, movement normal.
    static constexpr std::array<std::array<const char*, 4>, 4> fragments = {{
        {":\\mainDGfacile\\", ":\\mainDG\\", ":\\mainMvtfacile\\", ":\\mainMvt\\"},
        {":\\piedDGfacile\\", ":\\piedDG\\", ":\\piedMvtfacile\\", ":\\piedMvt\\"},
        {":\\VisageDGfacile\\", ":\\visageDG\\", ":\\VisageMvtfacile\\", ":\\visageMvt\\"},
        {":\\PatientDGfacile\\", ":\\PatientDG\\", ":\\PatientMvtfacile\\", ":\\PatientMvt\\"},
    }};
    const int column = (phase1 ? 0 : 2) + (easy ? 0 : 1);
    return fragments[static_cast<std::size_t>(part)][column];
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
