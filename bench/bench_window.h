#pragma once
// The program's window as the benchmarks use it: the real MainWindow on a
// disc folder (typed in place of a drive letter, as a user who copied the
// disc would at the drive question), shown on the offscreen platform, with
// its controls set by clicks as a user sets them.

#include "frame_clock.h"
#include "ui/qt/main_window.h"

#include <QString>

#include <chrono>
#include <functional>

class BenchWindow {
public:
    // Shows the window and watches it and its timer through the application.
    BenchWindow(BenchApplication& app, const QString& discFolder);
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    MainWindow& window() { return window_; }

    // Sets a check box, or selects an option button, by clicking it when it
    // is not already as wanted: its click handler runs as for the user.
    void set(Control control, bool on = true);
    // Clicks the start button.
    void startExercise();

private:
    BenchApplication& app_;
    MainWindow window_;
};

// Runs the event loop until done() holds after an event; throws when the
// time limit passes first.
void runEventLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
