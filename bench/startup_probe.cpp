// Loaded into the real program with LD_PRELOAD by the start-up benchmark.
// It only watches the program's events: when the main window's first paint
// has ended it writes the time on the monotonic clock to standard output and
// ends the event loop, so the program quits as after a close.
//
// When no disc could be mounted as a CD-ROM, the program asks for the drive
// at start-up; the probe then answers with the disc's folder, taken from
// TAVREL_BENCH_DISC, and says so, so that the run can still be timed.

#include <QApplication>
#include <QInputDialog>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace {

long long monotonicNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void report(const char* what)
{
    std::printf("tavrel-bench %s %lld\n", what, monotonicNanoseconds());
    std::fflush(stdout);
}

class StartupProbe : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* question = qobject_cast<QInputDialog*>(watched))
                answer(question);
        }
        if (event->type() == QEvent::Paint && !painted_) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->isWindow() && widget->objectName() == QLatin1String("form1")) {
                painted_ = true;
                // The window paints itself first, then its controls, and the
                // frame is then copied to the screen; a queued call runs once
                // all of that has returned.
                QMetaObject::invokeMethod(
                    this,
                    [] {
                        report("first-paint");
                        QCoreApplication::quit();
                    },
                    Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    void answer(QInputDialog* question)
    {
        report("asked");
        const QString folder = qEnvironmentVariable("TAVREL_BENCH_DISC");
        QMetaObject::invokeMethod(
            question,
            [question, folder] {
                question->setTextValue(folder);
                question->accept();
            },
            Qt::QueuedConnection);
    }

    bool painted_ = false;
};

void installProbe()
{
    report("application");
    qApp->installEventFilter(new StartupProbe(qApp));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
