#include "bench_window.h"

#include "model/exercise_state.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <stdexcept>

BenchWindow::BenchWindow(BenchApplication& app, const QString& discFolder) : app_(app)
{
    // What the load handler leaves when the user typed the folder at the
    // drive question.
    setInitialValues(window_.state());
    window_.state().driveLetter = discFolder.toStdString();
    window_.show();
    if (!QTest::qWaitForWindowExposed(&window_))
        throw std::runtime_error("the window was never shown");
    window_.activateWindow();
    app_.watch(&window_, &window_.timer1());
}

BenchWindow::~BenchWindow()
{
    app_.watch(nullptr, nullptr);
}

void BenchWindow::set(Control control, bool on)
{
    auto* button = qobject_cast<QAbstractButton*>(window_.control(control));
    if (!button)
        throw std::logic_error("not a button");
    if (button->isChecked() != on)
        button->click();
}

void BenchWindow::startExercise()
{
    qobject_cast<QAbstractButton*>(window_.control(Control::cmdOnOff))->click();
}

void runEventLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    // Wakes the loop at the deadline if nothing else does.
    QTimer alarm;
    alarm.setSingleShot(true);
    alarm.start(limit);
    while (!done()) {
        if (Clock::now() >= deadline)
            throw std::runtime_error("the benchmark waited too long for the window");
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
