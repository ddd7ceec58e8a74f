// The disc read beside the window's thread: pictures decoded ahead are
// handed over at once, others when they are ready; a picture no longer
// wanted, or one that takes too long, is given up; a hostile file never
// reaches the decoder; probes are answered ahead, or within their limit.

#include "disc/disc_reader.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A "picture" is a file whose bytes after a small JPEG header are its name;
// the decoder gives the name back, or waits until stopped when the name
// asks it to.
struct NamedPicture : DecodedPicture {
    explicit NamedPicture(std::string n) : name(std::move(n)) {}
    std::string name;
};

std::string pictureFile(const std::string& name)
{
    // Start of image, a frame header of 640 x 480, one scan, the name as
    // its data, end of image.
    std::string bytes = "\xFF\xD8\xFF\xC0";
    bytes += std::string("\x00\x0B\x08\x01\xE0\x02\x80\x01\x01\x11\x00", 11);
    bytes += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    return bytes + "#" + name + "#" + "\xFF\xD9";
}

std::string nameIn(std::span<const std::byte> file)
{
    const std::string text(reinterpret_cast<const char*>(file.data()), file.size());
    const auto from = text.find('#') + 1;
    return text.substr(from, text.find('#', from) - from);
}

class DiscReaderTest : public ::testing::Test {
protected:
    DiscReaderTest()
    {
        for (const char* name : {"1.jpg", "2.jpg", "slow.jpg", "3.jpg"})
            std::ofstream(folder.path() / name, std::ios::binary) << pictureFile(name);
    }

    std::string path(const std::string& name) const { return folder.path().string() + ":\\" + name; }

    // Waits for the ready call, then takes the picture.
    std::optional<DiscReader::Ready> waitReady()
    {
        std::unique_lock lock(mutex);
        if (!woken.wait_for(lock, 20s, [&] { return readyCalls > 0; }))
            return std::nullopt;
        --readyCalls;
        lock.unlock();
        return reader.takeReady();
    }

    static std::string nameOf(const std::shared_ptr<const DecodedPicture>& p)
    {
        const auto* named = dynamic_cast<const NamedPicture*>(p.get());
        return named ? named->name : std::string("(none)");
    }

    TempFolder folder;
    std::atomic<int> decoded{0};
    std::atomic<bool> slowStopped{false};
    std::mutex mutex;
    std::condition_variable woken;
    int readyCalls = 0;
    PictureArea area{700, 525};
    DiscReader reader{
        [this](std::span<const std::byte> file, PictureArea, const StopCheck& stop) -> std::shared_ptr<const DecodedPicture> {
            ++decoded;
            const std::string name = nameIn(file);
            if (name == "slow.jpg") {
                while (!stop())
                    std::this_thread::sleep_for(1ms);
                slowStopped = true;
                return nullptr;
            }
            return std::make_shared<NamedPicture>(name);
        },
        [this] {
            const std::lock_guard lock(mutex);
            ++readyCalls;
            woken.notify_all();
        }};
};

} // namespace

TEST_F(DiscReaderTest, PicturesDecodedAheadAtOnceOthersWhenReady)
{
    reader.prepare({path("1.jpg")}, area);
    std::shared_ptr<const DecodedPicture> shown;
    for (int i = 0; i < 2000 && !shown; ++i) {
        std::this_thread::sleep_for(1ms);
        reader.prepare({path("1.jpg")}, area); // asked again between ticks: not decoded again
        if (i % 100 == 99)
            shown = reader.show(path("1.jpg"), area);
    }
    EXPECT_EQ(nameOf(shown), "1.jpg");
    EXPECT_EQ(decoded, 1);

    EXPECT_EQ(reader.show(path("2.jpg"), area), nullptr) << "not decoded ahead";
    EXPECT_TRUE(reader.loading() || readyCalls > 0);
    const auto ready = waitReady();
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->path, path("2.jpg"));
    EXPECT_EQ(nameOf(ready->picture), "2.jpg");
    EXPECT_FALSE(reader.takeReady()) << "handed over once";

    // Decoded ahead for another size of the window: decoded again.
    EXPECT_EQ(reader.show(path("2.jpg"), {300, 200}), nullptr);
    EXPECT_TRUE(waitReady());
}

TEST_F(DiscReaderTest, APictureNoLongerWantedOrTooSlowIsGivenUp)
{
    EXPECT_EQ(reader.show(path("slow.jpg"), area), nullptr);
    while (decoded == 0)
        std::this_thread::sleep_for(1ms);
    // The next tick's picture replaces it: the slow decoding stops, and only
    // the new picture is handed over.
    EXPECT_EQ(reader.show(path("3.jpg"), area), nullptr);
    const auto ready = waitReady();
    ASSERT_TRUE(ready);
    EXPECT_EQ(nameOf(ready->picture), "3.jpg");
    EXPECT_TRUE(slowStopped);

    // Left alone, a picture that takes too long is given up at its time
    // limit and counts as one that cannot be loaded.
    slowStopped = false;
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(reader.show(path("slow.jpg"), area), nullptr);
    const auto givenUp = waitReady();
    ASSERT_TRUE(givenUp);
    EXPECT_EQ(givenUp->picture, nullptr);
    EXPECT_TRUE(slowStopped);
    EXPECT_GE(std::chrono::steady_clock::now() - asked, DiscReader::pictureTimeLimit);
}

TEST_F(DiscReaderTest, FilesThatAreNoSoundPictureNeverReachTheDecoder)
{
    std::string bomb = pictureFile("bomb");
    std::string scans;
    for (int i = 0; i < 20000; ++i)
        scans += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x12", 11);
    bomb.insert(bomb.size() - 2, scans);
    std::ofstream(folder.path() / "bomb.jpg", std::ios::binary) << bomb;
    std::ofstream(folder.path() / "cut.jpg", std::ios::binary) << pictureFile("cut").substr(0, 30);
    std::filesystem::create_directory(folder.path() / "folder.jpg");

    for (const char* name : {"bomb.jpg", "cut.jpg", "folder.jpg", "missing.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(reader.show(path(name), area), nullptr);
        const auto ready = waitReady();
        ASSERT_TRUE(ready);
        EXPECT_EQ(ready->picture, nullptr);
    }
    EXPECT_EQ(decoded, 0);
}

TEST_F(DiscReaderTest, ProbesAnsweredAheadOrWithinTheirLimit)
{
    EXPECT_EQ(reader.probe(path("1.jpg"), 10s), "1.jpg");
    EXPECT_EQ(reader.probe(path("none.jpg"), 10s), "");

    EXPECT_EQ(reader.probeAhead(path("2.jpg")), std::nullopt) << "asked of the disc, answered later";
    std::optional<std::string> ahead;
    for (int i = 0; i < 2000 && !ahead; ++i) {
        std::this_thread::sleep_for(1ms);
        ahead = reader.probeAhead(path("2.jpg"));
    }
    EXPECT_EQ(ahead, "2.jpg");
    // The tick uses the answer found ahead without waiting, even when the
    // file has gone since, and only once.
    std::filesystem::remove(folder.path() / "2.jpg");
    EXPECT_EQ(reader.probe(path("2.jpg"), 0ms), "2.jpg");
    EXPECT_EQ(reader.probe(path("2.jpg"), 10s), "");
}
