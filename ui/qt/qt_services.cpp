#include "ui/qt/qt_services.h"

#include "ui/qt/background_picture.h"
#include "ui/qt/main_window.h"
#include "ui/qt/utf8_text.h"

#include "model/message_text.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const QString boxTitle = QStringLiteral("Tavrel");
// The feedback waits last a quarter of a minute at most; a request for more
// is cut short, and the caller, which measures its wait on the clock, asks
// again.
constexpr double longestPause = 60;

template <typename Widget>
Widget* widgetOf(MainWindow& window, Control c)
{
    return qobject_cast<Widget*>(window.control(c));
}

} // namespace

QtServices::QtServices(MainWindow& window)
    : DesktopServices(decodeBackgroundPicture,
                      [&window] { QCoreApplication::postEvent(&window, new QEvent(MainWindow::pictureReadyEvent)); }),
      window_(window)
{
}

void QtServices::checkRunning()
{
    if (window_.hasEnded())
        throw ProgramEnded{};
}

MainWindow& QtServices::window()
{
    checkRunning();
    return window_;
}

void QtServices::setBackground(std::shared_ptr<const DecodedPicture> picture, const std::string& path)
{
    const auto* decoded = dynamic_cast<const QtPicture*>(picture.get());
    window().setBackgroundPicture(decoded ? decoded->image : QImage(), path);
}

PictureArea QtServices::pictureArea()
{
    const QSize size = window().size();
    return {size.width(), size.height()};
}

void QtServices::showMessage(const std::string& text)
{
    // A long path in the text must not make the box wider than the screen.
    QMessageBox box(QMessageBox::NoIcon, boxTitle, fromUtf8(breakLongRuns(text)), QMessageBox::Ok, &window());
    box.exec();
    checkRunning();
}

std::string QtServices::askText(const std::string& prompt)
{
    QInputDialog box(&window());
    box.setWindowTitle(boxTitle);
    box.setLabelText(fromUtf8(prompt));
    box.setInputMode(QInputDialog::TextInput);
    box.setOkButtonText(QStringLiteral("OK"));
    box.setCancelButtonText(QStringLiteral("Annuler"));
    const bool accepted = box.exec() == QDialog::Accepted;
    checkRunning();
    return accepted ? box.textValue().toStdString() : std::string();
}

void QtServices::setCaption(Control button, const std::string& caption)
{
    if (auto* b = widgetOf<QAbstractButton>(window(), button))
        b->setText(fromUtf8(caption));
}

void QtServices::setVisible(Control control, bool visible)
{
    if (QWidget* widget = window().control(control))
        widget->setVisible(visible);
}

void QtServices::setText(Control textBox, const std::string& text)
{
    if (auto* box = widgetOf<QLineEdit>(window(), textBox))
        box->setText(fromUtf8(text));
}

int QtServices::isChecked(Control checkBox)
{
    const auto* box = widgetOf<QCheckBox>(window(), checkBox);
    return box && box->isChecked() ? 1 : 0;
}

// The box's toggled signal runs its click handler when the value changes.
void QtServices::setChecked(Control checkBox, int value)
{
    if (auto* box = widgetOf<QCheckBox>(window(), checkBox))
        box->setChecked(value != 0);
}

bool QtServices::isSelected(Control optionButton)
{
    const auto* button = widgetOf<QRadioButton>(window(), optionButton);
    return button && button->isChecked();
}

void QtServices::setTimerInterval(std::int32_t milliseconds)
{
    // As with the platform's timers, an interval of 0 stops the ticks.
    if (milliseconds > 0)
        window().timer1().start(milliseconds);
    else
        window().timer1().stop();
}

// Closes the window, which ends the program, and stops the handler that
// asked for it.
void QtServices::endProgram()
{
    MainWindow& w = window();
    w.form().close();
    w.close();
    throw ProgramEnded{};
}

// The feedback wait, and the wait for a slow drive. The window is painted
// at once, with the new picture and the answer pair; then, until the time
// is up, the window goes on living: it is painted when uncovered, answers
// the window manager and the system, shows a picture that becomes ready and
// runs its other timers (a tick that comes waits for this one). What the
// user does meanwhile, clicks and keys and closing the window, is held, and
// handled in order once the tick has ended; arrow keys that come first are
// answers at once.
void QtServices::pause(double seconds)
{
    MainWindow& w = window();
    w.repaintNow();
    struct Holding {
        MainWindow& window;
        explicit Holding(MainWindow& w) : window(w) { window.holdInput(true); }
        ~Holding() { window.holdInput(false); }
    } holding(w);
    const QDeadlineTimer deadline(static_cast<qint64>(std::ceil(std::min(seconds, longestPause) * 1000)),
                                  Qt::PreciseTimer);
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        wakeUp.start(static_cast<int>(deadline.remainingTime()));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        checkRunning();
    }
}
