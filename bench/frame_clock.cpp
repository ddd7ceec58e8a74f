#include "frame_clock.h"

#include <QEvent>
#include <QWidget>

BenchApplication::BenchApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void BenchApplication::watch(QWidget* window, QObject* timer)
{
    window_ = window;
    timer_ = timer;
    windowPainted_ = false;
    tickStarted = nullptr;
    frameEnded = nullptr;
}

bool BenchApplication::notify(QObject* receiver, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (receiver == timer_ && receiver && type == QEvent::Timer && tickStarted)
        tickStarted(Clock::now());
    if (receiver == window_ && receiver && type == QEvent::Paint)
        windowPainted_ = true;

    const bool handled = QApplication::notify(receiver, event);

    if (receiver == window_ && receiver && type == QEvent::UpdateRequest && windowPainted_) {
        windowPainted_ = false;
        if (frameEnded)
            frameEnded(Clock::now());
    }
    return handled;
}
