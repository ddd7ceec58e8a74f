// How long the event loop is held while an exercise runs: a timer that asks
// to fire every millisecond fires late by as long as something held the
// loop. The feedback wait lets the loop run, and pictures are read and
// decoded on a thread of their own, so nothing should hold it for a frame.

#include "bench_window.h"
#include "measurements.h"

#include <QTimer>

#include <algorithm>

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
