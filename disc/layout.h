#pragma once
// The image disc: bravo.bmp at the root (marker and closing picture) and
// sixteen directories of pictures 1.jpg to 20.jpg; 1 to 10 show the left
// side, 11 to 20 the right side. Paths are built by plain concatenation.

#include "model/value.h"

#include <optional>
#include <string>
#include <string_view>

enum class BodyPart { hands, feet, face, patient };

// The side a picture shows: 1 to 10 the left, 11 to 20 the right.
enum class Side { left, right };
inline Side sideOf(int pictureNumber) { return pictureNumber > 10 ? Side::right : Side::left; }
// "gauche" or "droite", as the history files and the clinician write it.
std::string sideWord(Side side);
std::optional<Side> sideFromWord(std::string_view word);

// The directory fragment, ":\" + name + "\", for instance ":\VisageDGfacile\".
std::string imageDirectory(BodyPart part, bool phase1, bool easy);
// The body part of a directory fragment, nothing for a text that is none.
std::optional<BodyPart> bodyPartOf(const std::string& fragment);

// driveLetter + fragment + number + ".jpg"
std::string picturePath(const Value& driveLetter, const Value& imageDir, const Value& number);
// driveLetter + fragment + "1.jpg": a patient set without it counts as empty.
std::string emptinessProbePath(const Value& driveLetter, const Value& imageDir);
// driveLetter + ":\bravo.bmp"
std::string closingPicturePath(const Value& driveLetter);
// A drive root as listed ("E:\") + "bravo.bmp"
std::string markerProbePath(const std::string& root);
