// Start-up of the real program, `run`, as the user starts it: a new process,
// the libraries loaded, the window built, the load handler finding the disc
// on a CD-ROM drive (the demo disc's image mounted with fuseiso), the window
// shown and painted. The probe library, preloaded into the program, writes
// the time at the end of the first paint; the bench took the time just
// before it started the process. Both read the same monotonic clock.

#include "measurements.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace {

long long monotonicNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

bool isMounted(const QString& folder)
{
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    const QByteArray point = QFile::encodeName(folder);
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 1 && fields[1] == point)
            return true;
    }
    return false;
}

void unmount(const QString& folder)
{
    if (isMounted(folder))
        QProcess::execute(QStringLiteral("fusermount"), {QStringLiteral("-u"), folder});
}

// The disc image mounted as a CD-ROM while the runs last; where FUSE is
// missing the program asks for the drive, and the probe answers.
class MountedDisc {
public:
    MountedDisc(const QString& image, const QString& mountPoint) : mountPoint_(mountPoint)
    {
        QDir().mkpath(mountPoint);
        unmount(mountPoint); // left over from a run that was killed
        if (QFile::exists(image) && QFile::exists(QStringLiteral("/dev/fuse")))
            QProcess::execute(QStringLiteral("fuseiso"), {image, mountPoint});
        mounted_ = isMounted(mountPoint);
    }
    ~MountedDisc() { unmount(mountPoint_); }
    MountedDisc(const MountedDisc&) = delete;
    MountedDisc& operator=(const MountedDisc&) = delete;

    bool mounted() const { return mounted_; }

private:
    QString mountPoint_;
    bool mounted_ = false;
};

} // namespace

Startup measureStartup(const StartupCase& c)
{
    const MountedDisc disc(c.discImage, c.mountPoint);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LD_PRELOAD"), c.probe);
    environment.insert(QStringLiteral("TAVREL_BENCH_DISC"), c.discFolder);

    Startup startup;
    bool asked = false;
    // The first run reads the program and its libraries from the disk; it
    // is not counted.
    for (int run = -1; run < c.runs; ++run) {
        QProcess program;
        program.setProcessEnvironment(environment);
        const long long started = monotonicNanoseconds();
        program.start(c.program, {});
        if (!program.waitForFinished(30000)) {
            program.kill();
            program.waitForFinished();
            throw std::runtime_error("the program did not paint its window within 30 s: " +
                                     program.readAllStandardError().toStdString());
        }
        long long application = 0;
        long long painted = 0;
        for (const QByteArray& line : program.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 3 || fields[0] != "tavrel-bench")
                continue;
            if (fields[1] == "application")
                application = fields[2].toLongLong();
            else if (fields[1] == "first-paint")
                painted = fields[2].toLongLong();
            else if (fields[1] == "asked")
                asked = true;
        }
        if (application == 0 || painted == 0)
            throw std::runtime_error("the probe reported no first paint: " +
                                     program.readAllStandardError().toStdString());
        if (run >= 0) {
            startup.applicationMs.push_back(static_cast<double>(application - started) / 1e6);
            startup.firstPaintMs.push_back(static_cast<double>(painted - started) / 1e6);
        }
    }
    startup.discFoundBy = asked ? "drive question answered with the disc folder"
                                : (disc.mounted() ? "disc image mounted as a CD-ROM" : "a CD-ROM already mounted");
    return startup;
}
