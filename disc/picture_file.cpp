#include "disc/picture_file.h"

namespace {

unsigned byteAt(std::span<const std::byte> b, std::size_t i) { return std::to_integer<unsigned>(b[i]); }

unsigned bigEndian16(std::span<const std::byte> b, std::size_t i) { return byteAt(b, i) << 8 | byteAt(b, i + 1); }

std::uint32_t littleEndian32(std::span<const std::byte> b, std::size_t i)
{
    return byteAt(b, i) | byteAt(b, i + 1) << 8 | byteAt(b, i + 2) << 16 | static_cast<std::uint32_t>(byteAt(b, i + 3)) << 24;
}

// The frame headers that give a JPEG's size: SOF0 to SOF15 but DHT (C4),
// JPG (C8) and DAC (CC).
bool isFrameHeader(unsigned marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the JPEG's markers from the start of image to the end of image,
// segment by segment, and through the compressed data after each start of
// scan, where a byte FF is only ever followed by 00 or a restart marker.
// Bytes inside a segment (such as a thumbnail in the EXIF data) are not
// mistaken for markers.
void examineJpeg(std::span<const std::byte> b, PictureFacts& facts)
{
    facts.format = PictureFormat::jpeg;
    std::size_t pos = 2;
    while (pos < b.size()) {
        if (byteAt(b, pos) != 0xFF)
            return; // no marker where one must be: corrupt
        while (pos < b.size() && byteAt(b, pos) == 0xFF)
            ++pos; // fill bytes
        if (pos >= b.size())
            return;
        const unsigned marker = byteAt(b, pos++);
        if (marker == 0xD9) {
            facts.complete = true;
            return;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a segment
        if (pos + 2 > b.size())
            return;
        const unsigned length = bigEndian16(b, pos);
        if (length < 2 || pos + length > b.size())
            return;
        if (isFrameHeader(marker) && length >= 7) {
            facts.height = static_cast<int>(bigEndian16(b, pos + 3));
            facts.width = static_cast<int>(bigEndian16(b, pos + 5));
        }
        pos += length;
        if (marker != 0xDA)
            continue;
        ++facts.scans;
        while (pos + 1 < b.size()) {
            const unsigned next = byteAt(b, pos + 1);
            if (byteAt(b, pos) == 0xFF && next != 0x00 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7))
                break;
            ++pos;
        }
        if (pos + 1 >= b.size())
            return; // cut off inside the compressed data
    }
}

// A bitmap: the file header (14 bytes), then the header of the picture,
// whose first field is its own size: 12 bytes for the oldest form with
// 16-bit dimensions, 40 and more for the others with 32-bit ones (the
// height negative for a picture stored top down).
void examineBitmap(std::span<const std::byte> b, PictureFacts& facts)
{
    if (b.size() < 26)
        return;
    const std::uint32_t headerSize = littleEndian32(b, 14);
    long long width = 0;
    long long height = 0;
    if (headerSize == 12) {
        width = byteAt(b, 18) | byteAt(b, 19) << 8;
        height = byteAt(b, 20) | byteAt(b, 21) << 8;
    } else if (headerSize >= 40 && headerSize <= 1024 && b.size() >= 26) {
        width = static_cast<std::int32_t>(littleEndian32(b, 18));
        height = static_cast<std::int32_t>(littleEndian32(b, 22));
    } else {
        return;
    }
    facts.format = PictureFormat::bitmap;
    facts.width = static_cast<int>(width < 0 ? -width : width);
    facts.height = static_cast<int>(height < 0 ? -height : height);
    facts.complete = littleEndian32(b, 10) <= b.size();
}

} // namespace

PictureFacts examinePicture(std::span<const std::byte> file)
{
    PictureFacts facts;
    if (file.size() >= 4 && byteAt(file, 0) == 0xFF && byteAt(file, 1) == 0xD8)
        examineJpeg(file, facts);
    else if (file.size() >= 2 && byteAt(file, 0) == 'B' && byteAt(file, 1) == 'M')
        examineBitmap(file, facts);
    return facts;
}

bool pictureIsSound(const PictureFacts& facts)
{
    if (facts.format == PictureFormat::unknown || !facts.complete)
        return false;
    if (facts.width < 1 || facts.height < 1 || facts.width > largestPictureSide || facts.height > largestPictureSide ||
        static_cast<std::int64_t>(facts.width) * facts.height > mostPicturePixels)
        return false;
    return facts.format != PictureFormat::jpeg || (facts.scans >= 1 && facts.scans <= mostJpegScans);
}
