#pragma once
// What the services of the program's windows share, whatever the toolkit:
// the drives and the disc, read beside the window's thread with bounded
// waits; the background picture, read and decoded the same way; the clock
// and the random sequence. Each window adds its controls, its boxes, its
// timer, its picture decoder and its painting.

#include "disc/disc_reader.h"
#include "model/random.h"
#include "model/window_services.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class DesktopServices : public WindowServices {
public:
    // At start-up a drive may take this long to answer the marker probe
    // before it counts as not ready: a CD-ROM drive spins a disc up within
    // about a second, and the window must still appear soon.
    static constexpr std::chrono::milliseconds startupProbeLimit{2000};
    // Once the window is up, a probe holds it no longer than a frame. The
    // tick's probe is normally answered ahead, between ticks.
    static constexpr std::chrono::milliseconds probeLimit{15};

    std::string probeFile(const std::string& path) override;
    std::string probeSlowDrive(const std::string& path) override;
    // The pictures the next tick will show, decoded ahead for the window.
    void preparePictures(const std::vector<std::string>& paths);
    DriveRoots listDriveRoots(std::int32_t capacity) override;
    std::int32_t driveType(const std::string& root) override;
    double clockSeconds() override;
    double randomUnit() override;
    // The picture when it has been decoded ahead; otherwise the background
    // is cleared at once, never left stale, and the picture follows when it
    // has been read and decoded (showReadyPicture).
    void showPicture(const std::string& path) override;

    // The program's random sequence as it stands, for a trial of the next tick.
    const RandomSequence& randomSequence() const { return random_; }
    // The sequence this run draws from, given at start-up before any draw.
    void useSequence(const RandomSequence& sequence) { random_ = sequence; }
    // A moment of the steady clock on the window's clock.
    double clockAt(std::chrono::steady_clock::time_point moment) const;
    DiscReader& disc() { return reader_; }
    // The window is up: from now on a probe waits a frame at most.
    void windowShown() { probeWait_ = probeLimit; }
    // On the window's thread, once the reader has said a picture is ready:
    // shows the picture asked for display, unless it could not be loaded.
    void showReadyPicture();

protected:
    // pictureReady is called on a reading thread; the window then calls
    // showReadyPicture() on its own thread.
    DesktopServices(PictureDecoder decoder, std::function<void()> pictureReady);

    // Throws ProgramEnded once the program has ended.
    virtual void checkRunning() = 0;
    // The window's background picture from the file at the program path;
    // null for none.
    virtual void setBackground(std::shared_ptr<const DecodedPicture> picture, const std::string& path) = 0;
    // Where pictures are shown: the window's client area.
    virtual PictureArea pictureArea() = 0;

private:
    DiscReader reader_;
    RandomSequence random_;
    std::chrono::milliseconds probeWait_ = startupProbeLimit;
    // The clock: the time of day read once, then the steady clock, so that a
    // change of the system time cannot stretch or cut a wait.
    std::chrono::steady_clock::time_point start_;
    double startSeconds_;
};
