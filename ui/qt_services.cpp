#include "ui/qt_services.h"

#include "disc/drives.h"
#include "ui/background_picture.h"
#include "ui/main_window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTime>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>
#include <vector>

namespace {

const QString boxTitle = QStringLiteral("Tavrel");
constexpr double secondsPerDay = 86400;
// The feedback waits last a quarter of a minute at most; a request for more
// is cut short, and the caller, which measures its wait on the clock, asks
// again.
constexpr double longestPause = 60;

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

QImage readPicture(const std::string& file, QSize area)
{
    return readBackgroundPicture(QFile::decodeName(QByteArray::fromStdString(file)), area);
}

template <typename Widget>
Widget* widgetOf(MainWindow& window, Control c)
{
    return qobject_cast<Widget*>(window.control(c));
}

} // namespace

QtServices::QtServices(MainWindow& window)
    : window_(window), startSeconds_(QTime::currentTime().msecsSinceStartOfDay() / 1000.0)
{
    sinceStart_.start();
}

void QtServices::ensureRunning() const
{
    if (window_.hasEnded())
        throw ProgramEnded{};
}

MainWindow& QtServices::window()
{
    ensureRunning();
    return window_;
}

QtServices::PictureIdentity QtServices::identify(const std::string& file, QSize area)
{
    // A file that cannot be examined gets no size and no time: it matches
    // no picture decoded from a file that could.
    std::error_code error;
    const std::filesystem::path where(file);
    PictureIdentity identity{file, area, 0, {}};
    identity.bytes = std::filesystem::file_size(where, error);
    if (error)
        identity.bytes = 0;
    identity.modified = std::filesystem::last_write_time(where, error);
    if (error)
        identity.modified = {};
    return identity;
}

void QtServices::showPicture(const std::string& path)
{
    MainWindow& w = window();
    const std::string file = path.empty() ? std::string() : drives::localPath(path);
    if (file.empty()) {
        w.setBackgroundPicture({});
        return;
    }
    const auto ready = std::ranges::find(prepared_, identify(file, w.size()), &PreparedPicture::identity);
    if (ready != prepared_.end()) {
        w.setBackgroundPicture(ready->picture);
        prepared_.erase(ready);
        return;
    }
    w.setBackgroundPicture(QPixmap::fromImage(readPicture(file, w.size())));
}

void QtServices::preparePictures(const std::vector<std::string>& paths)
{
    MainWindow& w = window();
    std::vector<PictureIdentity> wanted;
    for (const std::string& path : paths) {
        const std::string file = drives::localPath(path);
        if (!file.empty())
            wanted.push_back(identify(file, w.size()));
    }
    // Pictures decoded already are kept, the others freed before any new
    // one is decoded.
    std::erase_if(prepared_,
                  [&](const PreparedPicture& p) { return std::ranges::find(wanted, p.identity) == wanted.end(); });
    for (PictureIdentity& identity : wanted) {
        if (std::ranges::find(prepared_, identity, &PreparedPicture::identity) != prepared_.end())
            continue;
        QImage picture = readPicture(identity.file, w.size());
        // A file that cannot be shown is left to the tick, which clears the
        // background; it may have been mended by then.
        if (!picture.isNull())
            prepared_.push_back({std::move(identity), QPixmap::fromImage(std::move(picture))});
    }
}

void QtServices::showMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, boxTitle, fromUtf8(text), QMessageBox::Ok, &window());
    box.exec();
    ensureRunning();
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
    ensureRunning();
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

std::string QtServices::probeFile(const std::string& path)
{
    ensureRunning();
    return drives::probeFile(path);
}

DriveRoots QtServices::listDriveRoots(std::int32_t capacity)
{
    ensureRunning();
    return drives::listDriveRoots(capacity);
}

std::int32_t QtServices::driveType(const std::string& root)
{
    ensureRunning();
    return drives::driveType(root);
}

double QtServices::clockSeconds()
{
    ensureRunning();
    return std::fmod(startSeconds_ + sinceStart_.nsecsElapsed() / 1e9, secondsPerDay);
}

double QtServices::randomUnit()
{
    ensureRunning();
    return random_.next();
}

// Closes the window, which ends the program, and stops the handler that
// asked for it.
void QtServices::endProgram()
{
    window().close();
    throw ProgramEnded{};
}

// The window is painted as it stands, with the new picture and the answer
// pair, and then the thread sleeps: no event is handled before the wait ends,
// and what the user does meanwhile waits in the queue for the tick to end.
void QtServices::pause(double seconds)
{
    MainWindow& w = window();
    // Qt asks for the painting of a control that has just been shown through
    // a posted event, which the wait does not handle: every control is marked
    // for painting, and one synchronous repaint draws them all.
    for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->update();
    w.repaint();
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(seconds, longestPause)));
}
