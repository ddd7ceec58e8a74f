// Pace accuracy and the processor's idle share, on real ticks of the
// window's timer in the event loop: the exercise is started with a click and
// left to run at its own pace.

#include "bench_window.h"
#include "measurements.h"

#include <QLineEdit>

#include <algorithm>
#include <ctime>
#include <optional>
#include <stdexcept>

namespace {

// When each picture reached the screen, and when each answer was written.
class PictureLog {
public:
    PictureLog(BenchApplication& app, BenchWindow& bench)
    {
        // The first frame that paints the window after a tick has begun is
        // the one that shows the tick's picture: at once when the feedback
        // wait forces it, else as soon as the tick has returned.
        app.tickStarted = [this](Clock::time_point) { tickUnderWay_ = true; };
        app.frameEnded = [this](Clock::time_point t) {
            if (!tickUnderWay_)
                return;
            tickUnderWay_ = false;
            pictures.push_back(t);
            if (onPicture)
                onPicture(t);
        };
        auto* answerBox = qobject_cast<QLineEdit*>(bench.window().control(Control::TextReponse));
        QObject::connect(answerBox, &QLineEdit::textChanged, answerBox, [this](const QString& text) {
            if (text.isEmpty())
                return;
            answers.push_back(Clock::now());
            if (onAnswer)
                onAnswer(answers.back());
        });
    }

    std::vector<Clock::time_point> pictures;
    std::vector<Clock::time_point> answers;
    std::function<void(Clock::time_point)> onPicture;
    std::function<void(Clock::time_point)> onAnswer;

private:
    bool tickUnderWay_ = false;
};

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

Pace measurePace(BenchApplication& app, const PaceCase& c)
{
    BenchWindow bench(app, c.disc);
    c.settings(bench);
    PictureLog log(app, bench);
    bench.startExercise();

    // One picture more than intervals; with the feedback, the answer of the
    // last picture too.
    const auto pictures = static_cast<std::size_t>(c.pictures) + 1;
    const double answerDelay = c.intervalMs - 200;
    const bool feedback = answerDelay / 1000 > 0.5;
    runEventLoopUntil(
        [&] { return log.pictures.size() >= pictures && (!feedback || log.answers.size() >= pictures); },
        std::chrono::milliseconds(static_cast<int>(pictures * c.intervalMs) + 10000));

    Pace pace;
    for (std::size_t i = 1; i < pictures; ++i)
        pace.intervalError.push_back(millisecondsBetween(log.pictures[i - 1], log.pictures[i]) - c.intervalMs);
    if (feedback) {
        for (std::size_t i = 0; i < pictures; ++i) {
            // Each answer belongs to the picture before it.
            const bool beforeNext = i + 1 == log.pictures.size() || log.answers[i] < log.pictures[i + 1];
            if (log.answers[i] < log.pictures[i] || !beforeNext)
                throw std::runtime_error("an answer came outside its picture's interval");
            pace.answerError.push_back(millisecondsBetween(log.pictures[i], log.answers[i]) - answerDelay);
        }
    }
    return pace;
}

std::vector<double> measureIdleCost(BenchApplication& app, const QString& disc, const Settings& settings, int waits)
{
    BenchWindow bench(app, disc);
    settings(bench);
    PictureLog log(app, bench);

    // From the picture on screen, which the wait paints before it sleeps, to
    // the answer written when it ends.
    struct Mark {
        Clock::time_point wall;
        double cpu;
    };
    std::optional<Mark> waitStart;
    std::vector<double> share;
    double shortest = 1e9; // seconds
    log.onPicture = [&](Clock::time_point t) { waitStart = Mark{t, processCpuSeconds()}; };
    log.onAnswer = [&](Clock::time_point t) {
        if (!waitStart)
            return;
        const double cpu = processCpuSeconds() - waitStart->cpu;
        const double wall = millisecondsBetween(waitStart->wall, t) / 1000;
        shortest = std::min(shortest, wall);
        share.push_back(100 * cpu / wall);
        waitStart.reset();
    };
    bench.startExercise();
    runEventLoopUntil([&] { return share.size() >= static_cast<std::size_t>(waits); },
                      std::chrono::seconds(15 * waits + 15));
    if (shortest < 5)
        throw std::runtime_error("a feedback wait lasted less than 5 s");
    return share;
}
