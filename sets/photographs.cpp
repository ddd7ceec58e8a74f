#include "sets/photographs.h"

#include "disc/picture_file.h"
#include "model/text.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace sets {
namespace {

std::string quoted(const fs::path& path)
{
    return "« " + utf8Of(path.filename()) + " »";
}

Photograph refused(std::string text)
{
    return {{}, std::move(text)};
}

std::string sizeText(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

} // namespace

Pixels mirrored(const Pixels& picture)
{
    Pixels flipped = picture;
    for (int y = 0; y < picture.height; ++y) {
        auto row = flipped.data.begin() + static_cast<std::ptrdiff_t>(y) * picture.width;
        std::reverse(row, row + picture.width);
    }
    return flipped;
}

Pixels reduced(const Pixels& picture, int width, int height)
{
    if (width >= picture.width && height >= picture.height)
        return picture;
    Pixels small{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    // Each new pixel averages the whole source pixels its area starts in,
    // up to where the next one starts: every source pixel counts once.
    std::vector<int> columns(static_cast<std::size_t>(width) + 1);
    for (int x = 0; x <= width; ++x)
        columns[static_cast<std::size_t>(x)] = static_cast<int>(static_cast<long long>(x) * picture.width / width);
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        const int top = static_cast<int>(static_cast<long long>(y) * picture.height / height);
        const int bottom = std::max(top + 1, static_cast<int>(static_cast<long long>(y + 1) * picture.height / height));
        std::fill(sums.begin(), sums.end(), 0u);
        for (int sy = top; sy < bottom; ++sy) {
            const std::uint32_t* row = picture.data.data() + static_cast<std::size_t>(sy) * picture.width;
            for (int x = 0; x < width; ++x) {
                std::uint32_t r = 0, g = 0, b = 0;
                for (int sx = columns[static_cast<std::size_t>(x)]; sx < std::max(columns[static_cast<std::size_t>(x) + 1], columns[static_cast<std::size_t>(x)] + 1); ++sx) {
                    r += row[sx] >> 16 & 0xFF;
                    g += row[sx] >> 8 & 0xFF;
                    b += row[sx] & 0xFF;
                }
                sums[static_cast<std::size_t>(x) * 3] += r;
                sums[static_cast<std::size_t>(x) * 3 + 1] += g;
                sums[static_cast<std::size_t>(x) * 3 + 2] += b;
            }
        }
        for (int x = 0; x < width; ++x) {
            const std::uint32_t count = static_cast<std::uint32_t>(bottom - top) *
                static_cast<std::uint32_t>(std::max(columns[static_cast<std::size_t>(x) + 1] - columns[static_cast<std::size_t>(x)], 1));
            const auto average = [&](int channel) { return (sums[static_cast<std::size_t>(x) * 3 + channel] + count / 2) / count; };
            small.data[static_cast<std::size_t>(y) * width + x] = 0xFF000000u | average(0) << 16 | average(1) << 8 | average(2);
        }
    }
    return small;
}

Pixels turnedUpright(const Pixels& stored, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return stored;
    const int w = stored.width;
    const int h = stored.height;
    const bool side = liesOnItsSide(orientation);
    Pixels upright{side ? h : w, side ? w : h, {}};
    upright.data.resize(stored.data.size());
    // For each upright pixel, the stored pixel it shows.
    for (int y = 0; y < upright.height; ++y) {
        for (int x = 0; x < upright.width; ++x) {
            int sx = x;
            int sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = h - 1 - x; break;
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;
            case 8: sx = w - 1 - y; sy = x; break;
            default: break;
            }
            upright.data[static_cast<std::size_t>(y) * upright.width + x] = stored.data[static_cast<std::size_t>(sy) * w + sx];
        }
    }
    return upright;
}

int exifOrientation(std::span<const std::byte> file)
{
    const auto at = [&](std::size_t i) { return std::to_integer<unsigned>(file[i]); };
    if (file.size() < 4 || at(0) != 0xFF || at(1) != 0xD8)
        return 1;
    // The segments before the first scan, one after the other.
    for (std::size_t pos = 2; pos + 4 <= file.size() && at(pos) == 0xFF;) {
        const unsigned marker = at(pos + 1);
        const std::size_t length = at(pos + 2) << 8 | at(pos + 3);
        if (marker == 0xDA || marker == 0xD9 || length < 2 || pos + 2 + length > file.size())
            return 1;
        const std::size_t body = pos + 4;
        const std::size_t end = pos + 2 + length;
        if (marker == 0xE1 && length >= 16 && std::memcmp(file.data() + body, "Exif\0\0", 6) == 0) {
            // A TIFF header: byte order, 42, the first directory's offset.
            const std::size_t tiff = body + 6;
            const bool big = at(tiff) == 'M';
            const auto read16 = [&](std::size_t i) { return big ? at(i) << 8 | at(i + 1) : at(i) | at(i + 1) << 8; };
            const auto read32 = [&](std::size_t i) {
                return big ? std::uint32_t{at(i)} << 24 | at(i + 1) << 16 | at(i + 2) << 8 | at(i + 3)
                           : at(i) | at(i + 1) << 8 | at(i + 2) << 16 | std::uint32_t{at(i + 3)} << 24;
            };
            const std::size_t directory = tiff + read32(tiff + 4);
            if (directory < tiff + 8 || directory + 2 > end)
                return 1;
            const unsigned entries = read16(directory);
            for (unsigned i = 0; i < entries; ++i) {
                const std::size_t entry = directory + 2 + 12 * static_cast<std::size_t>(i);
                if (entry + 12 > end)
                    return 1;
                if (read16(entry) == 0x0112) {
                    const unsigned value = read16(entry + 8);
                    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
                }
            }
            return 1;
        }
        pos = end;
    }
    return 1;
}

bool looksLikeJpeg(std::span<const std::byte> file)
{
    return file.size() >= 3 && file[0] == std::byte{0xFF} && file[1] == std::byte{0xD8} && file[2] == std::byte{0xFF};
}

bool looksLikePng(std::span<const std::byte> file)
{
    static constexpr unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return file.size() >= sizeof signature && std::memcmp(file.data(), signature, sizeof signature) == 0;
}

bool withinPictureCaps(int width, int height)
{
    return width > 0 && height > 0 && width <= largestPictureSide && height <= largestPictureSide &&
           static_cast<std::int64_t>(width) * height <= mostPicturePixels;
}

PictureSize fittedSize(int width, int height, int mostWidth, int mostHeight)
{
    if (width <= mostWidth && height <= mostHeight)
        return {width, height};
    // The side that limits the reduction fills the area; the other follows,
    // rounded, and never below one pixel.
    const bool widthLimits = static_cast<long long>(width) * mostHeight >= static_cast<long long>(height) * mostWidth;
    if (widthLimits)
        return {mostWidth, std::max(1, static_cast<int>((static_cast<long long>(height) * mostWidth + width / 2) / width))};
    return {std::max(1, static_cast<int>((static_cast<long long>(width) * mostHeight + height / 2) / height)), mostHeight};
}

Photograph readPhotograph(const fs::path& path, PictureCodec& codec, int mostWidth, int mostHeight)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        return refused(quoted(path) + " est introuvable.");
    if (!fs::is_regular_file(status))
        return refused(quoted(path) + " n'est pas un fichier.");
    const auto size = fs::file_size(path, error);
    if (error)
        return refused(quoted(path) + " ne peut pas être lu : vérifiez que vous avez le droit de le lire.");
    if (size > static_cast<std::uintmax_t>(largestPictureFile))
        return refused(quoted(path) + " est trop gros pour une photographie (plus de 256 Mo).");
    // Read whole, not mapped: a file cut short while it is decoded (a card
    // pulled out) ends a read early, where a mapping would crash.
    std::vector<std::byte> bytes(static_cast<std::size_t>(size));
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())) ||
        file.peek() != std::ifstream::traits_type::eof())
        return refused(quoted(path) + " ne peut pas être lu : vérifiez que vous avez le droit de le lire, et qu'il "
                                      "ne change pas pendant la lecture.");

    // A JPEG is checked as the program checks the disc's pictures: one cut
    // short (half-copied from a phone) would come out grey where its data
    // is missing, and one of thousands of scans keeps a decoder busy for
    // minutes. PNG and HEIC go to their decoders.
    const PictureFacts facts = examinePicture(bytes);
    if (facts.format == PictureFormat::jpeg) {
        if (!facts.complete)
            return refused(quoted(path) + " est incomplète (la fin du fichier manque) : copiez de nouveau la "
                                          "photographie depuis l'appareil.");
        if (!withinPictureCaps(facts.width, facts.height))
            return refused(quoted(path) + " est trop grande (" + sizeText(facts.width, facts.height) + ").");
        if (facts.scans < 1 || facts.scans > mostJpegScans)
            return refused(quoted(path) + " est une image JPEG abîmée ou d'une forme que ce programme refuse (" +
                           std::to_string(facts.scans) + " passes) : enregistrez-la de nouveau depuis l'appareil.");
    }

    Decoded decoded = codec.decodeUpright(bytes, mostWidth, mostHeight);
    switch (decoded.problem) {
    case Decoded::Problem::none:
        return {std::move(decoded.pixels), {}};
    case Decoded::Problem::notPicture:
        // A file that begins as a JPEG or a PNG does and cannot be decoded
        // is damaged, whatever the decoder calls it.
        if (!looksLikeJpeg(bytes) && !looksLikePng(bytes))
            return refused(quoted(path) + " n'est pas une image que ce programme sait lire (JPEG ou PNG).");
        break;
    case Decoded::Problem::tooLarge:
        return refused(quoted(path) + " est trop grande (" + sizeText(decoded.storedWidth, decoded.storedHeight) + ").");
    case Decoded::Problem::damaged:
        break;
    }
    return refused(quoted(path) + " est abîmée : elle ne peut pas être lue jusqu'au bout.");
}

int setFileSteps(std::size_t photographs)
{
    return static_cast<int>(photographs);
}

SetFiles makeSetFiles(const std::vector<PhotographChoice>& photographs, PictureCodec& codec, const Progress& progress)
{
    std::vector<Side> sides;
    for (const PhotographChoice& choice : photographs)
        sides.push_back(choice.side);
    const auto plan = planSet(sides);
    if (!plan)
        return {{}, photographCountProblem(photographs.size())};

    // Each photograph decoded once and its two pictures, as it is and
    // mirrored, encoded at once; the photographs on as many threads as the
    // machine runs at once. Picture n + 10 is the exact mirror of picture n
    // before either is encoded.
    struct Pictures {
        std::vector<std::byte> plain;
        std::vector<std::byte> mirror;
        std::string error;
    };
    const std::size_t count = photographs.size();
    std::vector<Pictures> made(count);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, count);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t finished = 0;
    std::size_t running = threads;
    const auto work = [&] {
        for (std::size_t i; !stop && (i = next++) < count;) {
            Pictures pictures;
            Photograph photograph = readPhotograph(photographs[i].path, codec);
            pictures.error = photograph.error;
            if (pictures.error.empty()) {
                auto plain = codec.encodeJpeg(photograph.pixels, setJpegQuality);
                auto mirror = plain ? codec.encodeJpeg(mirrored(photograph.pixels), setJpegQuality) : std::nullopt;
                if (!plain || !mirror)
                    pictures.error = "Une image du jeu n'a pas pu être enregistrée en JPEG.";
                else
                    pictures = {std::move(*plain), std::move(*mirror), {}};
            }
            // The first photograph that cannot be used ends the work.
            if (!pictures.error.empty())
                stop = true;
            const std::lock_guard lock(mutex);
            made[i] = std::move(pictures);
            ++finished;
            changed.notify_one();
        }
        const std::lock_guard lock(mutex);
        --running;
        changed.notify_one();
    };
    std::vector<std::jthread> workers;
    for (std::size_t t = 0; t < threads; ++t)
        workers.emplace_back(work);
    // Progress is told on the caller's thread alone.
    bool cancelled = false;
    {
        std::unique_lock lock(mutex);
        for (std::size_t told = 0;;) {
            changed.wait(lock, [&] { return finished > told || running == 0; });
            if (finished == told)
                break;
            told = finished;
            lock.unlock();
            cancelled = progress && !progress(static_cast<int>(told), static_cast<int>(count));
            lock.lock();
            if (cancelled) {
                stop = true;
                break;
            }
        }
    }
    workers.clear();
    if (cancelled)
        return {{}, {}, true};
    for (const Pictures& pictures : made) {
        if (!pictures.error.empty())
            return {{}, pictures.error};
    }
    SetFiles set;
    for (const PictureSource& source : *plan) {
        const Pictures& pictures = made[source.photograph];
        set.jpegFiles.push_back(source.mirrored ? pictures.mirror : pictures.plain);
    }
    return set;
}

} // namespace sets
