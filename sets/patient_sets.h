#pragma once
// The rules of the patient's own picture sets, without any toolkit: the four
// sets, which photograph gives which picture number, how a set made of fewer
// than ten photographs is filled, and what a set folder of a disc copy holds.
//
// In every set of the disc, pictures 1 to 10 show a left limb and 11 to 20 a
// right one, and picture n + 10 is the mirror image of picture n. A left
// photograph gives picture n as it is and picture n + 10 as its mirror; a
// right photograph gives picture n + 10 as it is and picture n as its mirror.
// Texts are French, in UTF-8.

#include "disc/layout.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sets {

// The sides of the disc's pictures, and their words.
using ::Side;
using ::sideFromWord;
using ::sideWord;

struct PatientSet {
    std::string name;  // the disc's folder, "PatientDGfacile"
    std::string label; // what the clinician reads, "identifier, facile"
};
inline constexpr std::size_t patientSetCount = 4;

// The four sets in the order of the disc's table: phase 1 easy and normal,
// movement easy and normal.
const std::array<PatientSet, patientSetCount>& patientSets();
// The position of a set given by its folder name, written exactly.
std::optional<std::size_t> patientSetIndex(std::string_view name);
// Why a name is not one of the four sets, naming the four; empty when it is.
std::string setNameProblem(std::string_view name);

inline constexpr int pairsPerSet = 10;
inline constexpr int picturesPerSet = 2 * pairsPerSet;

// Where one picture of a set comes from: a photograph, by its position in the
// list the set is made of, as it is or mirrored.
struct PictureSource {
    std::size_t photograph = 0;
    bool mirrored = false;
};
using SetPlan = std::array<PictureSource, picturesPerSet>; // pictures 1 to 20

// Why a set cannot be made of that many photographs (none, or more than the
// ten pairs a set holds); empty text when it can.
std::string photographCountProblem(std::size_t count);

// The picture numbers of a set made of photographs of these sides, in order.
// With fewer than ten, the photographs are taken again in the same order
// until the ten pairs are filled, so that no number is missing. Nothing when
// photographCountProblem names a problem.
std::optional<SetPlan> planSet(const std::vector<Side>& sides);

// What the clinician reads before a set of fewer than ten photographs is
// written: for each photograph, the numbers it gives as it is and mirrored.
// Empty text for ten photographs, where each gives one pair.
std::string fillNotice(const std::vector<std::string>& names, const std::vector<Side>& sides);

// What a set folder of a disc copy holds.
struct SetContent {
    int pictures = 0;          // how many of 1.jpg to 20.jpg
    bool otherEntries = false; // anything else in it
    bool empty() const { return pictures == 0 && !otherEntries; }
};
SetContent inspectSet(const std::filesystem::path& discFolder, std::string_view setName);
// "vide", "rempli, 20 images" or "incomplet, 7 images sur 20".
std::string describeSet(const SetContent& content);

// Whether the folder holds a copy of the image disc: bravo.bmp at its root,
// in any case of letters.
bool isDiscFolder(const std::filesystem::path& folder);

} // namespace sets
