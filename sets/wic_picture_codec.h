#pragma once
// The picture codec over Windows Imaging Component (Windows): the decoder,
// the Fant scaler and the flip-rotator of ui/win32/wic_picture, and WIC's
// JPEG encoder.

#include "sets/picture_codec.h"

namespace patient {

class WicPictureCodec final : public PictureCodec {
public:
    Decoded decodeUpright(std::span<const std::byte> file, int mostWidth, int mostHeight) override;
    std::optional<std::vector<std::byte>> encodeJpeg(const Pixels& picture, int quality) override;
};

} // namespace patient
