// Memory of the program through an exercise, measured in a fresh process of
// its own so that nothing the bench did before (the naive loads, other
// windows) weighs on it. The fresh process is this bench program again; it
// builds the same window as the program does and runs the exercise's ticks
// through the window's own timer, one after the other as soon as the last
// picture is painted: the pace changes nothing the memory holds.

#include "bench_window.h"
#include "measurements.h"

#include "ui/qt/background_picture.h"

#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A field of /proc/self/status in kilobytes, such as VmRSS or VmHWM. Read
// into a buffer on the stack: the reading must not itself allocate memory
// in the middle of what it measures.
long statusKiB(const char* field)
{
    char text[8192];
    const int fd = open("/proc/self/status", O_RDONLY);
    if (fd < 0)
        throw std::runtime_error("cannot read /proc/self/status");
    const ssize_t length = read(fd, text, sizeof text - 1);
    close(fd);
    if (length <= 0)
        throw std::runtime_error("cannot read /proc/self/status");
    text[length] = '\0';
    const std::string_view status(text, static_cast<std::size_t>(length));
    const std::string name = std::string("\n") + field + ":";
    const std::size_t at = status.find(name);
    if (at == std::string_view::npos)
        throw std::runtime_error(std::string("no ") + field + " in /proc/self/status");
    return std::strtol(text + at + name.size(), nullptr, 10);
}

// The bytes the program has allocated and not freed, wherever the allocator
// placed them; unlike the resident memory, it does not count what the
// allocator keeps in reserve after a free.
std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

constexpr int firstPictureCompared = 20;

Control controlNamed(const QString& name)
{
    for (int i = 0; i < controlCount; ++i) {
        const auto c = static_cast<Control>(i);
        if (name.toStdString() == controlName(c))
            return c;
    }
    throw std::runtime_error("no control named " + name.toStdString());
}

} // namespace

int runMemoryExercise(BenchApplication& app, const QString& disc, const QString& bodyPart, int pictures)
{
    // As the program does at its start.
    mapPictureBuffersFromTheSystem();
    BenchWindow bench(app, disc);
    bench.set(controlNamed(bodyPart));
    bench.set(Control::OptExtreme);
    // Without the feedback the ticks do not wait; what they load is the same.
    bench.set(Control::optFeedBack, false);
    MainWindow& window = bench.window();

    // Written at the end: the first write to standard output would itself
    // allocate memory in the middle of the measurement. The readings' room is
    // filled in before, and one reading made, so that the measuring touches
    // no memory for the first time while it measures.
    struct Reading {
        int picture = 0;
        long residentKiB = 0;
        std::size_t allocated = 0;
    };
    std::vector<Reading> readings(static_cast<std::size_t>(pictures));
    std::size_t readingCount = 0;
    readings.front() = {0, statusKiB("VmRSS"), heapInUse()};
    // Each reading is taken once the tick's picture is on screen and the
    // next one has been decoded ahead: the same moment of every tick.
    bench.startExercise();
    qint64 lastPicture = window.backgroundPicture().cacheKey();
    const auto newPictureShown = [&] {
        const QImage& picture = window.backgroundPicture();
        return !picture.isNull() && picture.cacheKey() != lastPicture;
    };
    for (int shown = 1; shown <= pictures; ++shown) {
        window.timer1().start(1);
        runEventLoopUntil(newPictureShown, std::chrono::minutes(1));
        window.timer1().stop();
        lastPicture = window.backgroundPicture().cacheKey();
        // The reading thread tells the window nothing when it has done the
        // work ahead: it is asked.
        const Clock::time_point limit = Clock::now() + std::chrono::minutes(1);
        while (!window.services().disc().idle()) {
            if (Clock::now() > limit)
                throw std::runtime_error("the picture ahead was never decoded");
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (shown >= firstPictureCompared)
            readings[readingCount++] = {shown, statusKiB("VmRSS"), heapInUse()};
    }
    const long peak = statusKiB("VmHWM");
    for (std::size_t i = 0; i < readingCount; ++i)
        std::printf("picture %d %ld %zu\n", readings[i].picture, readings[i].residentKiB, readings[i].allocated);
    std::printf("peak %ld\n", peak);
    std::fflush(stdout);
    return 0;
}

Memory measureMemory(const QString& benchProgram, const QString& disc, const QString& bodyPart, int pictures)
{
    QProcess child;
    child.start(benchProgram, {QStringLiteral("--memory-exercise"), disc, bodyPart, QString::number(pictures)});
    if (!child.waitForFinished(10 * 60 * 1000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("the memory exercise failed: " + child.readAllStandardError().toStdString());

    Memory memory;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 4 && fields[0] == "picture") {
            memory.residentMiB.push_back(fields[2].toDouble() / 1024);
            memory.heapInUseMiB.push_back(fields[3].toDouble() / (1024 * 1024));
        }
        else if (fields.size() == 2 && fields[0] == "peak")
            memory.peakMiB = fields[1].toDouble() / 1024;
    }
    if (memory.residentMiB.size() != static_cast<std::size_t>(pictures - firstPictureCompared + 1) ||
        memory.peakMiB == 0)
        throw std::runtime_error("the memory exercise reported too little");
    return memory;
}
