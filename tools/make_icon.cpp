// Draws the program's icon, a raised open hand, and writes it in the forms the
// build needs:
//   run.ico                         the icon file: 32x32 in 2 colours, 32x32 and
//                                   16x16 in 16 colours
//   icon_30001.bin .. icon_30003.bin  the same three images as icon resources
//   icon_group.bin                  the icon group that lists them by number
//   run-SIZE.png                    a true-colour icon for the Linux desktop,
//                                   for each size given
//
// Usage: make_icon OUTPUT_FOLDER [SIZE...]

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put32BigEndian(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// ---- The drawing -------------------------------------------------------

// The hand is drawn on a 32-unit square as the union of simple shapes, each
// given by its signed distance: negative inside, positive outside.
double capsule(double x, double y, double ax, double ay, double bx, double by, double r)
{
    const double px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const double t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - t * dx, py - t * dy) - r;
}

double roundedBox(double x, double y, double left, double top, double right, double bottom, double r)
{
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double qx = std::abs(x - cx) - ((right - left) / 2 - r);
    const double qy = std::abs(y - cy) - ((bottom - top) / 2 - r);
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
}

double handDistance(double x, double y)
{
    double d = roundedBox(x, y, 9, 14, 24, 28, 3);          // palm
    d = std::min(d, roundedBox(x, y, 11, 26, 22, 33, 1));   // wrist, running off the bottom edge
    d = std::min(d, capsule(x, y, 10.5, 6.0, 10.5, 16, 1.5));  // index
    d = std::min(d, capsule(x, y, 14.5, 3.5, 14.5, 16, 1.5));  // middle
    d = std::min(d, capsule(x, y, 18.5, 5.0, 18.5, 16, 1.5));  // ring
    d = std::min(d, capsule(x, y, 22.5, 8.5, 22.5, 17, 1.5));  // little finger
    d = std::min(d, capsule(x, y, 10.5, 23, 5.0, 15.5, 1.9));  // thumb
    return d;
}

enum class Paint { none, outline, skin };

// The hand sampled at the centre of each pixel of a square icon: the pixels
// inside it are skin, those of them beside a pixel outside it are outline.
std::vector<Paint> drawHand(int size)
{
    const double unit = 32.0 / size;
    auto inside = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < size && y < size && handDistance((x + 0.5) * unit, (y + 0.5) * unit) < 0;
    };
    std::vector<Paint> pixels(static_cast<std::size_t>(size * size), Paint::none);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (!inside(x, y))
                continue;
            const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            pixels[static_cast<std::size_t>(y * size + x)] = edge ? Paint::outline : Paint::skin;
        }
    }
    return pixels;
}

// ---- Icon images -------------------------------------------------------

struct Rgb {
    std::uint8_t r, g, b;
};
constexpr Rgb outlineColour{96, 48, 16};
constexpr Rgb skinColour{244, 196, 148};

struct IconImage {
    int size;
    int bitsPerPixel; // 1 or 4
    Bytes data;       // the image as an icon resource holds it
};

int rowBytes(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

// An icon image: a bitmap header of twice the height, the palette, the colour
// pixels, then the transparency mask, both bottom row first.
IconImage makeIconImage(int size, int bitsPerPixel)
{
    const std::vector<Paint> hand = drawHand(size);
    const int colours = 1 << bitsPerPixel;
    const int colourRow = rowBytes(size, bitsPerPixel);
    const int maskRow = rowBytes(size, 1);

    // Two colours: black outline on a white hand. Sixteen: outline and skin.
    std::vector<Rgb> palette(static_cast<std::size_t>(colours), Rgb{0, 0, 0});
    std::uint8_t outlineIndex = 0, skinIndex = 1;
    if (bitsPerPixel == 1) {
        palette[1] = {255, 255, 255};
    } else {
        outlineIndex = 1;
        skinIndex = 2;
        palette[1] = outlineColour;
        palette[2] = skinColour;
    }

    Bytes out;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, static_cast<std::uint32_t>(size * 2));
    put16(out, 1);
    put16(out, static_cast<unsigned>(bitsPerPixel));
    put32(out, 0); // no compression
    put32(out, static_cast<std::uint32_t>((colourRow + maskRow) * size));
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    for (const Rgb& c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }

    for (int y = size - 1; y >= 0; --y) {
        Bytes row(static_cast<std::size_t>(colourRow), 0);
        for (int x = 0; x < size; ++x) {
            const Paint p = hand[static_cast<std::size_t>(y * size + x)];
            const std::uint8_t index = p == Paint::outline ? outlineIndex : p == Paint::skin ? skinIndex : 0;
            const int bit = x * bitsPerPixel;
            row[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(index << (8 - bitsPerPixel - bit % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) {
        Bytes row(static_cast<std::size_t>(maskRow), 0);
        for (int x = 0; x < size; ++x) {
            if (hand[static_cast<std::size_t>(y * size + x)] == Paint::none)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return {size, bitsPerPixel, out};
}

// The directory entry common to the icon file and the icon group: width,
// height, colour count (0 for 256 and more), reserved, planes, bits per pixel,
// bytes of the image.
void putEntry(Bytes& out, const IconImage& image)
{
    out.push_back(static_cast<std::uint8_t>(image.size));
    out.push_back(static_cast<std::uint8_t>(image.size));
    out.push_back(static_cast<std::uint8_t>(1 << image.bitsPerPixel));
    out.push_back(0);
    put16(out, 1);
    put16(out, static_cast<unsigned>(image.bitsPerPixel));
    put32(out, static_cast<std::uint32_t>(image.data.size()));
}

Bytes iconFile(const std::vector<IconImage>& images)
{
    Bytes out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const IconImage& image : images) {
        putEntry(out, image);
        put32(out, offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const IconImage& image : images)
        out.insert(out.end(), image.data.begin(), image.data.end());
    return out;
}

Bytes iconGroup(const std::vector<IconImage>& images, unsigned firstId)
{
    Bytes out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<unsigned>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        putEntry(out, images[i]);
        put16(out, firstId + static_cast<unsigned>(i));
    }
    return out;
}

// ---- PNG ---------------------------------------------------------------

std::uint32_t crc32(const Bytes& data, std::size_t from)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < data.size(); ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putChunk(Bytes& png, const char* type, const Bytes& body)
{
    put32BigEndian(png, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), body.begin(), body.end());
    put32BigEndian(png, crc32(png, start));
}

// The image data as a zlib stream of stored (uncompressed) blocks: the icons
// are small, and this needs no compressor.
Bytes zlibStored(const Bytes& raw)
{
    Bytes out{0x78, 0x01};
    std::size_t pos = 0;
    do {
        const std::size_t length = std::min<std::size_t>(raw.size() - pos, 65535);
        const bool last = pos + length == raw.size();
        out.push_back(last ? 1 : 0);
        put16(out, static_cast<unsigned>(length));
        put16(out, static_cast<unsigned>(~length & 0xFFFF));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                   raw.begin() + static_cast<std::ptrdiff_t>(pos + length));
        pos += length;
    } while (pos < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32BigEndian(out, (b << 16) | a);
    return out;
}

// A smooth true-colour icon: each pixel averages 4x4 samples, with an
// outline of one thirty-second of the icon's width.
Bytes pngIcon(int size)
{
    constexpr int samples = 4;
    const double unit = 32.0 / size;
    const double outlineWidth = 1.0;
    Bytes raw;
    for (int y = 0; y < size; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < size; ++x) {
            double cover = 0, skin = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double d = handDistance((x + (sx + 0.5) / samples) * unit, (y + (sy + 0.5) / samples) * unit);
                    cover += d < 0;
                    skin += d < -outlineWidth;
                }
            }
            const double alpha = cover / (samples * samples);
            const double mix = cover > 0 ? skin / cover : 0;
            auto channel = [&](std::uint8_t s, std::uint8_t o) {
                return static_cast<std::uint8_t>(std::lround(s * mix + o * (1 - mix)));
            };
            raw.push_back(channel(skinColour.r, outlineColour.r));
            raw.push_back(channel(skinColour.g, outlineColour.g));
            raw.push_back(channel(skinColour.b, outlineColour.b));
            raw.push_back(static_cast<std::uint8_t>(std::lround(alpha * 255)));
        }
    }
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32BigEndian(header, static_cast<std::uint32_t>(size));
    put32BigEndian(header, static_cast<std::uint32_t>(size));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits per channel, RGBA
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlibStored(raw));
    putChunk(png, "IEND", {});
    return png;
}

bool write(const std::filesystem::path& file, const Bytes& data)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out)
        std::cerr << "make_icon: cannot write " << file << '\n';
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::cerr << "usage: make_icon OUTPUT_FOLDER [SIZE...]\n";
        return 2;
    }
    std::vector<int> pngSizes;
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::cerr << "make_icon: not an icon size: " << argv[i] << '\n';
            return 2;
        }
        pngSizes.push_back(size);
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    constexpr unsigned firstIconId = 30001;
    const std::vector<IconImage> images = {makeIconImage(32, 1), makeIconImage(32, 4), makeIconImage(16, 4)};
    bool ok = write(folder / "run.ico", iconFile(images));
    for (std::size_t i = 0; i < images.size(); ++i)
        ok = write(folder / ("icon_" + std::to_string(firstIconId + i) + ".bin"), images[i].data) && ok;
    ok = write(folder / "icon_group.bin", iconGroup(images, firstIconId)) && ok;
    for (int size : pngSizes)
        ok = write(folder / ("run-" + std::to_string(size) + ".png"), pngIcon(size)) && ok;
    return ok ? 0 : 1;
}
