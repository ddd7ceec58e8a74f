#pragma once
// What the patient's sets need of a picture library, behind one small
// interface: a photograph decoded, turned upright and reduced, and a picture
// encoded as JPEG. Qt gives one on Linux, Windows Imaging Component the
// other on Windows; the rules around them (the checks before decoding, the
// mirror images, the set's plan) are shared.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sets {

// An opaque picture: 0xFFRRGGBB pixels, rows top down.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;
};

// The picture mirrored left to right, pixel for pixel.
Pixels mirrored(const Pixels& picture);

// The picture reduced to the size given by averaging the pixels each new
// one covers (a box filter, never nearest-neighbour).
Pixels reduced(const Pixels& picture, int width, int height);

// The picture as stored with that EXIF orientation, turned upright.
Pixels turnedUpright(const Pixels& stored, int orientation);
// Whether pictures of that orientation lie on their side (5 to 8).
inline bool liesOnItsSide(int orientation) { return orientation >= 5 && orientation <= 8; }

struct Decoded {
    enum class Problem {
        none,
        notPicture, // no decoder knows the bytes
        tooLarge,   // the decoder's header gives a size beyond the caps
        damaged,    // the decoder failed on the pixels
    };
    Problem problem = Problem::none;
    Pixels pixels;
    int storedWidth = 0; // as the header gives it, when it was read
    int storedHeight = 0;
};

// Used from several threads at once: a set's photographs are decoded side
// by side.
class PictureCodec {
public:
    virtual ~PictureCodec() = default;
    // The picture in the file's bytes turned upright by its EXIF orientation
    // (as phones record it), reduced with good quality to fit within the
    // size given with its aspect ratio kept, never enlarged, and laid on
    // white where it is transparent. The size in the header is checked
    // against the caps (withinPictureCaps) before any pixel is decoded.
    virtual Decoded decodeUpright(std::span<const std::byte> file, int mostWidth, int mostHeight) = 0;
    // The JPEG file of the picture, or nothing when it cannot be encoded.
    virtual std::optional<std::vector<std::byte>> encodeJpeg(const Pixels& picture, int quality) = 0;
};

// The EXIF orientation a JPEG file records (1 to 8, as phones write it in
// their APP1 segment); 1, upright, when it records none.
int exifOrientation(std::span<const std::byte> file);

// Whether a photograph of that stored size may be decoded: the program's own
// picture caps, not a decoder's.
bool withinPictureCaps(int width, int height);

// The size a picture of that size is reduced to, to fit within the most
// given with its aspect ratio kept; never enlarged.
struct PictureSize {
    int width = 0;
    int height = 0;
};
PictureSize fittedSize(int width, int height, int mostWidth, int mostHeight);

} // namespace sets
