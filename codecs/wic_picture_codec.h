#pragma once
// The picture codec over Windows Imaging Component (Windows): the
// photographs decoded by codecs/wic_picture, and WIC's JPEG encoder.

#include "sets/picture_codec.h"

namespace codecs {

class WicPictureCodec final : public sets::PictureCodec {
public:
    sets::Decoded decodeUpright(std::span<const std::byte> file, int mostWidth, int mostHeight) override;
    std::optional<std::vector<std::byte>> encodeJpeg(const sets::Pixels& picture, int quality) override;
};

} // namespace codecs
