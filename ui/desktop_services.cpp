#include "ui/desktop_services.h"

#include "disc/drives.h"
#include "model/local_time.h"

#include <cmath>

namespace {

constexpr double secondsPerDay = 86400;
// How often the wait for a slow drive looks whether it has answered.
constexpr double slowDriveLook = 0.02;

double secondsSinceMidnight()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t whole = std::chrono::system_clock::to_time_t(now);
    const std::tm local = localTime(whole);
    const double fraction =
        std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(whole)).count();
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
}

} // namespace

DesktopServices::DesktopServices(PictureDecoder decoder, std::function<void()> pictureReady)
    : reader_(std::move(decoder), std::move(pictureReady)), start_(std::chrono::steady_clock::now()),
      startSeconds_(secondsSinceMidnight())
{
}

std::string DesktopServices::probeFile(const std::string& path)
{
    checkRunning();
    std::optional<std::string> name = reader_.probe(path, probeWait_);
    if (!name)
        throw DriveNotReady("the drive of " + path + " does not answer");
    return *name;
}

// The wait lives as the feedback wait does; the picture of the last tick,
// which the exercise has left, is cleared meanwhile.
std::string DesktopServices::probeSlowDrive(const std::string& path)
{
    checkRunning();
    reader_.cancelShow();
    setBackground(nullptr, std::string());
    const auto deadline = std::chrono::steady_clock::now() + DiscReader::pictureTimeLimit;
    for (;;) {
        if (std::optional<std::string> name = reader_.probe(path, std::chrono::milliseconds(0)))
            return *name;
        if (std::chrono::steady_clock::now() >= deadline)
            throw DriveNotReady("the drive of " + path + " does not answer");
        pause(slowDriveLook);
    }
}

void DesktopServices::preparePictures(const std::vector<std::string>& paths)
{
    reader_.prepare(paths, pictureArea());
}

DriveRoots DesktopServices::listDriveRoots(std::int32_t capacity)
{
    checkRunning();
    return drives::listDriveRoots(capacity);
}

std::int32_t DesktopServices::driveType(const std::string& root)
{
    checkRunning();
    return drives::driveType(root);
}

double DesktopServices::clockAt(std::chrono::steady_clock::time_point moment) const
{
    const double elapsed = std::chrono::duration<double>(moment - start_).count();
    return std::fmod(std::fmod(startSeconds_ + elapsed, secondsPerDay) + secondsPerDay, secondsPerDay);
}

double DesktopServices::clockSeconds()
{
    checkRunning();
    return clockAt(std::chrono::steady_clock::now());
}

double DesktopServices::randomUnit()
{
    checkRunning();
    return random_.next();
}

void DesktopServices::showPicture(const std::string& path)
{
    checkRunning();
    if (path.empty()) {
        reader_.cancelShow();
        setBackground(nullptr, path);
        return;
    }
    setBackground(reader_.show(path, pictureArea()), path);
}

void DesktopServices::showReadyPicture()
{
    const std::optional<DiscReader::Ready> ready = reader_.takeReady();
    if (ready && ready->picture)
        setBackground(ready->picture, ready->path);
}
