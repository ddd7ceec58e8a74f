#pragma once
// JPEG and PNG photographs decoded with libjpeg and libpng themselves
// (Linux): both report damage that Qt's readers pass over, and neither
// writes its English messages on the error output.

#include "sets/picture_codec.h"

#include <cstddef>
#include <span>

namespace codecs {

// The photograph turned upright by the EXIF orientation, reduced to fit
// within the size given, never enlarged. A JPEG is decoded to the end at
// the smallest of the decoder's scales (1/2, 1/4, 1/8) not below that size,
// then reduced by averaging; any data the decoder finds corrupt, which it
// would pass over with a warning, makes the picture damaged.
sets::Decoded decodeJpeg(std::span<const std::byte> file, int mostWidth, int mostHeight);

// The PNG picture reduced by averaging to fit within the size given, laid
// on white where it is transparent. A bad checksum or a file cut short
// makes it damaged.
sets::Decoded decodePng(std::span<const std::byte> file, int mostWidth, int mostHeight);

} // namespace codecs
