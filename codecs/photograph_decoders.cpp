#include "codecs/photograph_decoders.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>
#include <png.h>

namespace codecs {
namespace {

using sets::Decoded;
using sets::Pixels;
using sets::PictureSize;

Decoded withProblem(Decoded::Problem problem, int width = 0, int height = 0)
{
    Decoded decoded;
    decoded.problem = problem;
    decoded.storedWidth = width;
    decoded.storedHeight = height;
    return decoded;
}

// libjpeg's failures come back here instead of ending the program, and its
// warnings (corrupt data it decodes through) are counted instead of printed.
struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf escape{};
    int warnings = 0;
};

[[noreturn]] void failJpeg(j_common_ptr decoder)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(decoder->err)->escape, 1);
}

void noteJpegMessage(j_common_ptr decoder, int level)
{
    // Negative levels are warnings; the others trace what is decoded.
    if (level < 0)
        ++reinterpret_cast<JpegErrors*>(decoder->err)->warnings;
}

void printNothing(j_common_ptr) {}

struct Decompression {
    jpeg_decompress_struct info{};
    JpegErrors errors;
    ~Decompression() { jpeg_destroy_decompress(&info); }
};

// The largest reduction the decoder makes by itself that keeps the picture
// at least as large as the size it is reduced to afterwards.
unsigned decoderScale(int width, int height, PictureSize fitted)
{
    unsigned scale = 8;
    while (scale > 1 && ((width + static_cast<int>(scale) - 1) / static_cast<int>(scale) < fitted.width ||
                         (height + static_cast<int>(scale) - 1) / static_cast<int>(scale) < fitted.height))
        scale /= 2;
    return scale;
}

// CMYK and YCCK JPEGs come out as Adobe writes them, inverted.
std::uint32_t fromInvertedCmyk(const JSAMPLE* cmyk)
{
    const unsigned k = cmyk[3];
    const auto channel = [k](unsigned value) { return (value * k + 127) / 255; };
    return 0xFF000000u | channel(cmyk[0]) << 16 | channel(cmyk[1]) << 8 | channel(cmyk[2]);
}

// The size as stored that fits within the most once turned by the orientation.
PictureSize storedFit(int width, int height, int mostWidth, int mostHeight, int orientation)
{
    return sets::liesOnItsSide(orientation) ? sets::fittedSize(width, height, mostHeight, mostWidth)
                                            : sets::fittedSize(width, height, mostWidth, mostHeight);
}

} // namespace

Decoded decodeJpeg(std::span<const std::byte> file, int mostWidth, int mostHeight)
{
    Decompression jpeg;
    jpeg.info.err = jpeg_std_error(&jpeg.errors.manager);
    jpeg.errors.manager.error_exit = failJpeg;
    jpeg.errors.manager.emit_message = noteJpegMessage;
    jpeg.errors.manager.output_message = printNothing;
    // A failure comes back to the setjmp below: everything that lives past
    // it is made before it, and what changes after it is volatile.
    Pixels stored;
    std::vector<JSAMPLE> cmykRow;
    volatile int storedWidth = 0;
    volatile int storedHeight = 0;
    if (setjmp(jpeg.errors.escape) != 0)
        return withProblem(storedWidth == 0 ? Decoded::Problem::notPicture : Decoded::Problem::damaged, storedWidth,
                           storedHeight);
    jpeg_create_decompress(&jpeg.info);
    jpeg_mem_src(&jpeg.info, reinterpret_cast<const unsigned char*>(file.data()), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&jpeg.info, TRUE);
    const int width = static_cast<int>(jpeg.info.image_width);
    const int height = static_cast<int>(jpeg.info.image_height);
    storedWidth = width;
    storedHeight = height;
    if (!sets::withinPictureCaps(width, height))
        return withProblem(Decoded::Problem::tooLarge, width, height);

    const int orientation = sets::exifOrientation(file);
    const PictureSize fitted = storedFit(width, height, mostWidth, mostHeight, orientation);
    jpeg.info.scale_num = 1;
    jpeg.info.scale_denom = decoderScale(width, height, fitted);
    const bool cmyk = jpeg.info.jpeg_color_space == JCS_CMYK || jpeg.info.jpeg_color_space == JCS_YCCK;
    // 0xFFRRGGBB in memory on a little-endian machine is B, G, R, X.
    jpeg.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&jpeg.info);
    stored = {static_cast<int>(jpeg.info.output_width), static_cast<int>(jpeg.info.output_height), {}};
    stored.data.resize(static_cast<std::size_t>(stored.width) * static_cast<std::size_t>(stored.height));
    cmykRow.resize(cmyk ? static_cast<std::size_t>(stored.width) * 4 : 0);
    while (jpeg.info.output_scanline < jpeg.info.output_height) {
        std::uint32_t* row = stored.data.data() + static_cast<std::size_t>(jpeg.info.output_scanline) * stored.width;
        JSAMPROW into = cmyk ? cmykRow.data() : reinterpret_cast<JSAMPROW>(row);
        jpeg_read_scanlines(&jpeg.info, &into, 1);
        for (int x = 0; cmyk && x < stored.width; ++x)
            row[x] = fromInvertedCmyk(cmykRow.data() + 4 * static_cast<std::size_t>(x));
    }
    // Read to its end: data garbled anywhere shows as a warning.
    jpeg_finish_decompress(&jpeg.info);
    if (jpeg.errors.warnings > 0)
        return withProblem(Decoded::Problem::damaged, width, height);
    for (std::uint32_t& pixel : stored.data)
        pixel |= 0xFF000000u;

    Decoded decoded;
    decoded.storedWidth = width;
    decoded.storedHeight = height;
    decoded.pixels = sets::turnedUpright(sets::reduced(stored, fitted.width, fitted.height), orientation);
    return decoded;
}

Decoded decodePng(std::span<const std::byte> file, int mostWidth, int mostHeight)
{
    // libpng's simplified reader keeps its messages in the image.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return withProblem(Decoded::Problem::notPicture);
    const int width = static_cast<int>(image.width);
    const int height = static_cast<int>(image.height);
    if (!sets::withinPictureCaps(width, height)) {
        png_image_free(&image);
        return withProblem(Decoded::Problem::tooLarge, width, height);
    }
    // Transparent parts composed on white, as any viewer shows them.
    image.format = PNG_FORMAT_BGR;
    const png_color white{255, 255, 255};
    std::vector<unsigned char> bgr(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, &white, bgr.data(), 0, nullptr))
        return withProblem(Decoded::Problem::damaged, width, height);

    Pixels stored{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (std::size_t i = 0; i < stored.data.size(); ++i)
        stored.data[i] = 0xFF000000u | std::uint32_t{bgr[3 * i + 2]} << 16 | std::uint32_t{bgr[3 * i + 1]} << 8 | bgr[3 * i];
    const PictureSize fitted = sets::fittedSize(width, height, mostWidth, mostHeight);
    Decoded decoded;
    decoded.storedWidth = width;
    decoded.storedHeight = height;
    decoded.pixels = sets::reduced(stored, fitted.width, fitted.height);
    return decoded;
}

} // namespace codecs
