#include "codecs/qt_picture_codec.h"

#include "codecs/photograph_decoders.h"
#include "sets/photographs.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <cstring>

namespace codecs {

using namespace sets;

namespace {

// A photograph with transparency (a PNG) is laid on white, as it shows in
// any viewer, since JPEG keeps no transparency.
QImage withoutTransparency(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    return flat;
}

} // namespace

QImage toImage(const Pixels& picture)
{
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y), picture.data.data() + static_cast<std::size_t>(y) * picture.width,
                    static_cast<std::size_t>(picture.width) * 4);
    return image;
}

Pixels fromImage(const QImage& source)
{
    const QImage image = withoutTransparency(source);
    Pixels picture{image.width(), image.height(), {}};
    picture.data.resize(static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(picture.data.data() + static_cast<std::size_t>(y) * image.width(), image.constScanLine(y),
                    static_cast<std::size_t>(image.width()) * 4);
    return picture;
}

Decoded QtPictureCodec::decodeUpright(std::span<const std::byte> file, int mostWidth, int mostHeight)
{
    if (looksLikeJpeg(file))
        return decodeJpeg(file, mostWidth, mostHeight);
    if (looksLikePng(file))
        return decodePng(file, mostWidth, mostHeight);
    // Other formats (HEIC where a plugin reads it) through Qt's readers.
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    Decoded decoded;
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty()) {
        decoded.problem = Decoded::Problem::notPicture;
        return decoded;
    }
    decoded.storedWidth = stored.width();
    decoded.storedHeight = stored.height();
    if (!withinPictureCaps(stored.width(), stored.height())) {
        decoded.problem = Decoded::Problem::tooLarge;
        return decoded;
    }
    // The program's caps decide, not Qt's own allocation limit (256 MB),
    // which refuses large but valid photographs: a PNG is decoded whole, up
    // to eight bytes a pixel, before it is reduced.
    reader.setAllocationLimit(0);

    // The size is chosen upright; the decoder scales the picture as stored
    // (a JPEG while it decodes, far faster than decoding it whole) and then
    // turns it.
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize upright = turned ? stored.transposed() : stored;
    const PictureSize shown = fittedSize(upright.width(), upright.height(), mostWidth, mostHeight);
    const QSize scaled(shown.width, shown.height);
    reader.setScaledSize(turned ? scaled.transposed() : scaled);
    reader.setQuality(100); // smooth scaling, never nearest-neighbour
    const QImage image = reader.read();
    if (image.isNull()) {
        decoded.problem = Decoded::Problem::damaged;
        return decoded;
    }
    decoded.pixels = fromImage(image);
    return decoded;
}

std::optional<std::vector<std::byte>> QtPictureCodec::encodeJpeg(const Pixels& picture, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(toImage(picture)))
        return std::nullopt;
    const auto* data = reinterpret_cast<const std::byte*>(bytes.constData());
    return std::vector<std::byte>(data, data + bytes.size());
}

} // namespace codecs
