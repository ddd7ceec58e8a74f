#include "disc/disc_reader.h"

#include "disc/drives.h"
#include "disc/picture_file.h"
#include "model/text.h"
#include "model/work_lane.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// The drive part of a program path: "E" of E:\mainDG\7.jpg, or the folder
// typed in place of a letter. Each has its own probing thread, so that a
// stalled drive holds up no other.
std::string driveOf(const std::string& path)
{
    return path.substr(0, path.find(":\\"));
}

} // namespace

struct DiscReader::PictureJob {
    std::string path;
    PictureArea area;
    std::atomic<bool> givenUp{false};
    // Set under the shared mutex.
    bool done = false;
    std::shared_ptr<const DecodedPicture> picture;
};

struct DiscReader::Shared {
    PictureDecoder decoder;
    std::function<void()> pictureReady;

    std::mutex mutex;
    std::condition_variable probeAnswered;
    std::map<std::string, std::string> probeAnswers; // path -> name, found ahead
    std::set<std::string> probesUnderWay;

    std::vector<std::shared_ptr<PictureJob>> prepared;
    std::shared_ptr<PictureJob> shown;
    bool shownHandedOver = false;
    std::deque<std::shared_ptr<PictureJob>> queue; // display first, then the pictures to prepare
    int reading = 0;                               // pictures being read and decoded now

    // Reads and decodes the first picture of the queue.
    static void readNext(const std::shared_ptr<Shared>& shared);
    void readPicture(const std::shared_ptr<PictureJob>& job);
    void giveUp(const std::shared_ptr<PictureJob>& job);
};

void DiscReader::Shared::readNext(const std::shared_ptr<Shared>& shared)
{
    std::shared_ptr<PictureJob> next;
    {
        const std::lock_guard lock(shared->mutex);
        if (shared->queue.empty())
            return;
        next = shared->queue.front();
        shared->queue.pop_front();
        ++shared->reading;
    }
    shared->readPicture(next);
    const std::lock_guard lock(shared->mutex);
    --shared->reading;
}

void DiscReader::Shared::readPicture(const std::shared_ptr<PictureJob>& job)
{
    const Clock::time_point deadline = Clock::now() + pictureTimeLimit;
    const StopCheck stop = [&] { return job->givenUp || Clock::now() > deadline; };
    std::shared_ptr<const DecodedPicture> picture;
    if (!stop()) {
        const std::string file = drives::localPath(job->path);
        const auto bytes = file.empty() ? std::nullopt : readPictureFile(file, stop);
        if (bytes && pictureIsSound(examinePicture(*bytes)) && !stop())
            picture = decoder(*bytes, job->area, stop);
        // A read that came back after its time, from a drive that stalled,
        // is given up all the same.
        if (stop())
            picture = nullptr;
    }
    const std::lock_guard lock(mutex);
    job->done = true;
    job->picture = std::move(picture);
    // Under the lock, so that no call comes once the reader is going.
    if (shown == job)
        pictureReady();
}

void DiscReader::Shared::giveUp(const std::shared_ptr<PictureJob>& job)
{
    if (!job || job == shown || std::ranges::find(prepared, job) != prepared.end())
        return;
    job->givenUp = true;
    std::erase(queue, job);
}

DiscReader::DiscReader(PictureDecoder decoder, std::function<void()> pictureReady)
    : shared_(std::make_shared<Shared>()), pictureLane_(std::make_unique<WorkLane>())
{
    shared_->decoder = std::move(decoder);
    shared_->pictureReady = std::move(pictureReady);
}

DiscReader::~DiscReader()
{
    {
        const std::lock_guard lock(shared_->mutex);
        for (const auto& job : shared_->queue)
            job->givenUp = true;
        if (shared_->shown)
            shared_->shown->givenUp = true;
        shared_->queue.clear();
        // No picture is handed to a window that is going.
        shared_->pictureReady = [] {};
    }
    pictureLane_.reset();
    probeLanes_.clear();
}

std::optional<std::string> DiscReader::probe(const std::string& path, std::chrono::milliseconds limit)
{
    std::unique_lock lock(shared_->mutex);
    if (!shared_->probeAnswers.contains(path) && !shared_->probesUnderWay.contains(path)) {
        lock.unlock();
        probeAhead(path);
        lock.lock();
    }
    const bool answered =
        shared_->probeAnswered.wait_for(lock, limit, [&] { return shared_->probeAnswers.contains(path); });
    if (!answered)
        return std::nullopt;
    std::string name = std::move(shared_->probeAnswers[path]);
    shared_->probeAnswers.erase(path);
    return name;
}

std::optional<std::string> DiscReader::probeAhead(const std::string& path)
{
    {
        const std::lock_guard lock(shared_->mutex);
        if (const auto answer = shared_->probeAnswers.find(path); answer != shared_->probeAnswers.end())
            return answer->second;
        if (shared_->probesUnderWay.contains(path))
            return std::nullopt;
        shared_->probesUnderWay.insert(path);
    }
    std::unique_ptr<WorkLane>& lane = probeLanes_[driveOf(path)];
    if (!lane)
        lane = std::make_unique<WorkLane>();
    lane->post([shared = shared_, path] {
        std::string name = drives::probeFile(path);
        const std::lock_guard lock(shared->mutex);
        shared->probesUnderWay.erase(path);
        shared->probeAnswers[path] = std::move(name);
        shared->probeAnswered.notify_all();
    });
    return std::nullopt;
}

void DiscReader::prepare(const std::vector<std::string>& paths, PictureArea area)
{
    Shared& s = *shared_;
    std::vector<std::shared_ptr<PictureJob>> wanted;
    std::vector<std::shared_ptr<PictureJob>> added;
    const std::lock_guard lock(s.mutex);
    for (const std::string& path : paths) {
        const auto same = [&](const std::shared_ptr<PictureJob>& job) {
            return job && job->path == path && job->area == area && !(job->done && !job->picture);
        };
        auto known = std::ranges::find_if(s.prepared, same);
        if (known != s.prepared.end())
            wanted.push_back(*known);
        else if (same(s.shown) && !s.shownHandedOver)
            wanted.push_back(s.shown);
        else {
            wanted.push_back(std::make_shared<PictureJob>());
            wanted.back()->path = path;
            wanted.back()->area = area;
            added.push_back(wanted.back());
        }
    }
    std::swap(s.prepared, wanted);
    for (const auto& job : wanted)
        s.giveUp(job);
    for (const auto& job : added) {
        s.queue.push_back(job);
        pictureLane_->post([shared = shared_] { Shared::readNext(shared); });
    }
}

std::shared_ptr<const DecodedPicture> DiscReader::show(const std::string& path, PictureArea area)
{
    Shared& s = *shared_;
    std::shared_ptr<PictureJob> job;
    {
        const std::lock_guard lock(s.mutex);
        const auto known = std::ranges::find_if(s.prepared, [&](const std::shared_ptr<PictureJob>& j) {
            return j->path == path && j->area == area && !(j->done && !j->picture);
        });
        const std::shared_ptr<PictureJob> previous = std::exchange(s.shown, nullptr);
        s.shownHandedOver = false;
        s.giveUp(previous);
        if (known != s.prepared.end() && (*known)->done) {
            // Decoded ahead: shown at once, and no longer kept here.
            std::shared_ptr<const DecodedPicture> picture = (*known)->picture;
            s.prepared.erase(known);
            return picture;
        }
        if (known != s.prepared.end()) {
            job = *known;
            s.prepared.erase(known);
        } else {
            job = std::make_shared<PictureJob>();
            job->path = path;
            job->area = area;
        }
        s.shown = job;
        // Ahead of the pictures prepared for later.
        std::erase(s.queue, job);
        s.queue.push_front(job);
    }
    pictureLane_->post([shared = shared_] { Shared::readNext(shared); });
    return nullptr;
}

void DiscReader::cancelShow()
{
    const std::lock_guard lock(shared_->mutex);
    shared_->giveUp(std::exchange(shared_->shown, nullptr));
}

std::optional<DiscReader::Ready> DiscReader::takeReady()
{
    const std::lock_guard lock(shared_->mutex);
    const auto& job = shared_->shown;
    if (!job || !job->done || shared_->shownHandedOver)
        return std::nullopt;
    shared_->shownHandedOver = true;
    return Ready{job->path, job->picture};
}

bool DiscReader::loading() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->shown && !shared_->shown->done;
}

bool DiscReader::idle() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->queue.empty() && shared_->reading == 0;
}

std::optional<std::vector<std::byte>> readPictureFile(const std::string& file, const StopCheck& stop)
{
    // Only regular files: a folder, a device or a pipe could block or never end.
    std::error_code error;
    // The program's paths are UTF-8, whatever the system's code page.
    const std::filesystem::path where = pathFromUtf8(file);
    if (!std::filesystem::is_regular_file(where, error))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(where, error);
    if (error || size == 0 || size > static_cast<std::uintmax_t>(largestPictureFile))
        return std::nullopt;
    // The file is read, not mapped: a mapped file that shrinks or can no
    // longer be read while it is decoded (a disc taken out, a copy being
    // rewritten) ends the program with a bus error, where a read ends short.
    std::ifstream in(where, std::ios::binary);
    std::vector<std::byte> bytes(static_cast<std::size_t>(size));
    constexpr std::size_t piece = 1 << 20;
    std::size_t got = 0;
    while (in && got < bytes.size() && !stop()) {
        const std::size_t want = std::min(piece, bytes.size() - got);
        in.read(reinterpret_cast<char*>(bytes.data() + got), static_cast<std::streamsize>(want));
        got += static_cast<std::size_t>(in.gcount());
    }
    if (got != bytes.size() || stop())
        return std::nullopt;
    return bytes;
}
