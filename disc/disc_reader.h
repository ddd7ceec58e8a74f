#pragma once
// Reading the disc beside the window's thread. A disc that stalls (a
// scratched CD read again and again, a drive that does not answer) or a
// picture that takes long to decode must never hold the window: probes of
// files run on a thread per drive and are waited for a bounded time;
// pictures are read and decoded on a thread of their own, and handed to the
// window when they are ready.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A picture decoded by the window's own decoder, at the size it is shown.
class DecodedPicture {
public:
    virtual ~DecodedPicture() = default;
};

// The part of the window a picture is shown in, in pixels, and the dots
// per inch of its screen where the window draws pictures in its own pixels:
// a picture's pixel is then a pixel at 96 dpi, enlarged with the screen.
struct PictureArea {
    int width = 0;
    int height = 0;
    int dpi = 96;
    bool operator==(const PictureArea&) const = default;
};

// Asked again and again while a picture is read and decoded: true once the
// picture is no longer wanted or its time is over, and the work stops.
using StopCheck = std::function<bool()>;

// Decodes a picture file that has passed the checks of picture_file.h, for
// an area; null when it cannot.
using PictureDecoder =
    std::function<std::shared_ptr<const DecodedPicture>(std::span<const std::byte> file, PictureArea area,
                                                        const StopCheck& stop)>;

class WorkLane;

class DiscReader {
public:
    // A read and decode of one picture that takes longer than this is given
    // up: the picture counts as one that cannot be loaded.
    static constexpr std::chrono::seconds pictureTimeLimit{5};

    // pictureReady is called, on the reading thread, when the picture asked
    // for display is ready; the window then takes it with takeReady().
    DiscReader(PictureDecoder decoder, std::function<void()> pictureReady);
    // Waits a moment for the threads to end; one stuck in a read of a stalled
    // disc is left to end with the process.
    ~DiscReader();
    DiscReader(const DiscReader&) = delete;
    DiscReader& operator=(const DiscReader&) = delete;

    // The name of the file at the program path, without its folder, or empty
    // text when there is none; nothing when the drive has not answered within
    // the limit. An answer found ahead (probeAhead) is used once, at once.
    std::optional<std::string> probe(const std::string& path, std::chrono::milliseconds limit);
    // The answer of a probe made earlier, without waiting; nothing when there
    // is none yet, and the probe is then made.
    std::optional<std::string> probeAhead(const std::string& path);

    // Has these pictures decoded ahead; those asked for before and not now
    // are given up.
    void prepare(const std::vector<std::string>& paths, PictureArea area);
    // The picture at the program path for display: at once when it has been
    // decoded ahead; otherwise nothing, and it is read and decoded now, in
    // place of any picture asked for display before.
    std::shared_ptr<const DecodedPicture> show(const std::string& path, PictureArea area);
    // Gives up the picture asked for display.
    void cancelShow();

    struct Ready {
        std::string path;
        std::shared_ptr<const DecodedPicture> picture;
    };
    // The picture asked for display, once it is decoded; handed over once.
    std::optional<Ready> takeReady();
    // Whether the picture asked for display is still being read or decoded.
    bool loading() const;
    // Whether no picture is being read or decoded, nor waits to be.
    bool idle() const;

private:
    struct Shared;
    struct PictureJob;

    std::shared_ptr<Shared> shared_;
    std::unique_ptr<WorkLane> pictureLane_;
    std::map<std::string, std::unique_ptr<WorkLane>> probeLanes_; // one per drive
};

// The bytes of the file, read in pieces while stop() is false; nothing when
// it is no regular file, is empty, larger than a picture may be, cannot be
// read whole, or was stopped.
std::optional<std::vector<std::byte>> readPictureFile(const std::string& file, const StopCheck& stop);
