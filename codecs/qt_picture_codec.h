#pragma once
// The picture codec of Linux: JPEG and PNG photographs decoded with libjpeg
// and libpng (photograph_decoders.h), other formats with Qt's image readers;
// pictures encoded with Qt's JPEG writer.

#include "sets/picture_codec.h"

#include <QImage>

namespace codecs {

class QtPictureCodec final : public sets::PictureCodec {
public:
    sets::Decoded decodeUpright(std::span<const std::byte> file, int mostWidth, int mostHeight) override;
    std::optional<std::vector<std::byte>> encodeJpeg(const sets::Pixels& picture, int quality) override;
};

// The pixels as a QImage and back, for the window and the demo disc.
QImage toImage(const sets::Pixels& picture);
sets::Pixels fromImage(const QImage& image);

} // namespace codecs
