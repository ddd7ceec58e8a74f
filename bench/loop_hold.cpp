// How long the event loop is held while an exercise runs: a timer that asks
// to fire every millisecond fires late by as long as something held the
// loop. The feedback wait lets the loop run, and pictures are read and
// decoded on a thread of their own, so nothing should hold it for a frame.
// And how soon a picture built to hold a decoder for minutes is refused.

#include "bench_window.h"
#include "measurements.h"

#include "disc/disc_reader.h"
#include "disc/picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

std::vector<double> measureLoopHold(BenchApplication& app, const QString& disc, const Settings& settings, int ticks)
{
    BenchWindow bench(app, disc);
    settings(bench);
    MainWindow& window = bench.window();

    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    Clock::time_point last = Clock::now();
    double longest = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        longest = std::max(longest, millisecondsBetween(last, now) - 1);
        last = now;
    });

    // The longest hold in each interval between two ticks.
    std::vector<double> holds;
    int seen = 0;
    app.tickStarted = [&](Clock::time_point) {
        if (seen++ > 0)
            holds.push_back(longest);
        longest = 0;
    };
    bench.startExercise();
    probe.start();
    last = Clock::now();
    runEventLoopUntil([&] { return static_cast<int>(holds.size()) >= ticks; }, std::chrono::minutes(10));
    app.tickStarted = nullptr;
    window.timer1().stop();
    return holds;
}

std::vector<double> measureScanBombRefusal(const QString& workFolder, int runs)
{
    // A progressive JPEG of 5000 x 5000 pixels whose last scan is repeated
    // 20,000 times: a small file that would hold a decoder for minutes.
    QImage plain(5000, 5000, QImage::Format_RGB32);
    plain.fill(QColor(120, 160, 200));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    if (!writer.write(plain))
        throw std::runtime_error("cannot write the progressive JPEG");
    const qsizetype lastScan = jpeg.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const QByteArray scan = jpeg.mid(lastScan, jpeg.size() - 2 - lastScan);
    QByteArray bomb = jpeg.left(lastScan);
    for (int i = 0; i < 20000; ++i)
        bomb += scan;
    bomb += QByteArray("\xFF\xD9", 2);
    const QString file = workFolder + QStringLiteral("/scan-bomb.jpg");
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bomb) != bomb.size())
        throw std::runtime_error("cannot write the scan bomb");
    out.close();

    std::vector<double> times;
    const StopCheck never = [] { return false; };
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        const auto bytes = readPictureFile(file.toStdString(), never);
        if (!bytes || pictureIsSound(examinePicture(*bytes)))
            throw std::runtime_error("the scan bomb was not refused");
        times.push_back(millisecondsBetween(start, Clock::now()));
    }
    return times;
}
