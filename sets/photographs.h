#pragma once
// The patient's photographs read and checked, and a set's twenty pictures
// made of them, with any picture codec.

#include "sets/patient_sets.h"
#include "sets/picture_codec.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace sets {

// The size of the window's picture area: pictures are reduced to fit it.
inline constexpr int pictureAreaWidth = 640;
inline constexpr int pictureAreaHeight = 480;
// Pictures of the sets are stored as JPEG of this quality.
inline constexpr int setJpegQuality = 90;

struct Photograph {
    Pixels pixels;     // empty when the file cannot be used
    std::string error; // then why, in French, naming the file
};

// Whether the bytes begin as a JPEG file, or as a PNG file, does.
bool looksLikeJpeg(std::span<const std::byte> file);
bool looksLikePng(std::span<const std::byte> file);

// The file read whole and checked before any decoder sees it (its size; a
// JPEG whole, of a sensible size and few enough scans), then decoded upright
// within the size given.
Photograph readPhotograph(const std::filesystem::path& path, PictureCodec& codec, int mostWidth = pictureAreaWidth,
                          int mostHeight = pictureAreaHeight);

struct PhotographChoice {
    std::filesystem::path path;
    Side side = Side::left;
};

// How far the work has gone, out of how much; false to stop it.
using Progress = std::function<bool(int done, int total)>;

struct SetFiles {
    std::vector<std::vector<std::byte>> jpegFiles; // 1 to 20; empty on failure
    std::string error;                             // in French
    bool cancelled = false;
};

// The twenty JPEG files of a set made of these photographs (planSet): each
// photograph decoded once, picture n + 10 the exact mirror of picture n
// before either is encoded.
SetFiles makeSetFiles(const std::vector<PhotographChoice>& photographs, PictureCodec& codec,
                      const Progress& progress = {});

// The steps makeSetFiles reports for this many photographs.
int setFileSteps(std::size_t photographs);

} // namespace sets
