#pragma once
// The bench's application object. Every event Qt delivers passes through
// notify(), so the bench can time, without touching the program:
// - a tick: the moment Qt hands the window's timer its timer event, before the
//   timer emits timeout() and the window's tick slot runs;
// - the end of a frame: the return from the window's UpdateRequest event.
//   Inside that event Qt paints the window and every control that needs it
//   and then copies the result to the screen (here the offscreen platform's
//   buffer), so its return is the end of the paint, whether Qt posted the
//   event after a handler marked the window for painting, or the feedback
//   wait forced it with repaint(), which sends the same event at once.
// Only frames that painted the window itself, and so its background picture,
// are reported; a frame that painted only the answer box is not.

#include <QApplication>

#include <chrono>
#include <functional>

using Clock = std::chrono::steady_clock;

inline double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class BenchApplication : public QApplication {
public:
    BenchApplication(int& argc, char** argv);

    // The window and its timer to watch; null for none.
    void watch(QWidget* window, QObject* timer);

    std::function<void(Clock::time_point)> tickStarted;
    std::function<void(Clock::time_point)> frameEnded;

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QWidget* window_ = nullptr;
    QObject* timer_ = nullptr;
    bool windowPainted_ = false;
};
