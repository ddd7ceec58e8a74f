#include "ui/qt/main_window.h"

#include "model/window_layout.h"
#include "ui/qt/results_window.h"
#include "ui/qt/utf8_text.h"
#include "ui/qt/wrapping_buttons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using C = Control;

// Device-independent pixels: Qt scales them to the screen.
int pixels(int twips) { return twipsToPixels(twips, 96); }

QFont controlFont(ControlFont caption)
{
    // The window was drawn for "MS Sans Serif"; Liberation Sans is a close
    // sans-serif where it is missing. Sizes are in pixels so that every
    // caption fits its box whatever the screen's dots per inch.
    static const QString family =
        QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif")) ? QStringLiteral("MS Sans Serif")
                                                                  : QStringLiteral("Liberation Sans");
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(caption.pixelsAt96Dpi());
    font.setBold(caption.bold);
    return font;
}

bool heldDuringTheWait(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

bool isArrow(const QKeyEvent& key)
{
    return (key.key() == Qt::Key_Left || key.key() == Qt::Key_Right) && key.modifiers() == Qt::NoModifier;
}

} // namespace

MainWindow::MainWindow(ResultsFolder* results, QWidget* parent)
    : QWidget(parent), services_(*this), form_(state_, services_, services_.randomSequence(), *this, results),
      paceGroup_(new QButtonGroup(this))
{
    setObjectName(fromUtf8(controlName(C::form1)));
    setWindowTitle(fromUtf8(windowCaption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/run.ico")));
    setFont(controlFont(windowFont));
    // The window's background is the system's window colour, which Qt calls
    // the base colour; the controls keep the button-face colour.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    resize(pixels(clientWidthTwips), pixels(clientHeightTwips));

    buildControls();

    timer1_.setObjectName(fromUtf8(controlName(C::Timer1)));
    timer1_.setTimerType(Qt::PreciseTimer);
    connect(&timer1_, &QTimer::timeout, this, &MainWindow::timer1Tick);
    timer1_.start(1000);

    // Between handlers, once what was due has been painted: the next tick's
    // pictures are worked out and decoded ahead.
    idle_.setSingleShot(true);
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, [this] {
        QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
        form_.idle();
    });

    // The arrow keys and F2 are looked at before any control takes them.
    qApp->installEventFilter(this);

    // The session ends (log out, shut down), or the event loop is left.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::closeForTheSystem);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QWidget::close);

    // The results folder's thread tells the window through its event loop.
    if (results)
        results->onChange([this] {
            QMetaObject::invokeMethod(this, [this] { form_.folderChanged(); }, Qt::QueuedConnection);
        });
}

MainWindow::~MainWindow()
{
    if (form_.results())
        form_.results()->onChange({});
    qApp->removeEventFilter(this);
}

void MainWindow::buildControls()
{
    for (const ControlLayout& row : controlLayouts()) {
        const Control c = row.control;
        const QString caption = fromUtf8(row.caption);
        QWidget* widget = nullptr;
        switch (row.kind) {
        case ControlKind::checkBox: {
            auto* box = new WrappingCheckBox(caption, this);
            box->setChecked(row.start == StartState::on);
            // Connected after the value at start is set, so that no handler
            // runs then; from now on every change runs the box's handler,
            // whether a click or setChecked made it.
            connect(box, &QCheckBox::toggled, this, [this, c] { form_.clicked(c); });
            widget = box;
            break;
        }
        case ControlKind::optionButton: {
            auto* button = new WrappingRadioButton(caption, this);
            button->setChecked(row.start == StartState::on);
            paceGroup_->addButton(button);
            widget = button;
            break;
        }
        case ControlKind::commandButton: {
            auto* button = new WrappingPushButton(caption, this);
            button->setAutoDefault(false);
            button->setDefault(false);
            connect(button, &QPushButton::clicked, this, [this, c] { form_.clicked(c); });
            widget = button;
            break;
        }
        case ControlKind::label: {
            auto* label = new QLabel(caption, this);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignTop | (row.centred ? Qt::AlignHCenter : Qt::AlignLeft));
            widget = label;
            break;
        }
        case ControlKind::textBox:
            widget = new QLineEdit(caption, this);
            break;
        }
        if (row.kind != ControlKind::textBox) {
            widget->setBackgroundRole(QPalette::Button);
            widget->setAutoFillBackground(true);
        }
        widget->setObjectName(fromUtf8(controlName(c)));
        widget->setGeometry(pixels(row.left), pixels(row.top), pixels(row.width), pixels(row.height));
        widget->setFont(controlFont(row.font));
        if (row.start == StartState::hidden)
            widget->hide();
        controls_[static_cast<std::size_t>(c)] = widget;
    }

    // The tab order of the table; labels never take the focus, and Qt passes
    // over hidden controls.
    std::vector<const ControlLayout*> byTab;
    for (const ControlLayout& row : controlLayouts()) {
        if (row.kind != ControlKind::label)
            byTab.push_back(&row);
    }
    std::ranges::sort(byTab, {}, &ControlLayout::tab);
    for (std::size_t i = 1; i < byTab.size(); ++i)
        setTabOrder(control(byTab[i - 1]->control), control(byTab[i]->control));
    control(C::cmdOnOff)->setFocus();
}

QWidget* MainWindow::control(Control c) const
{
    return controls_.at(static_cast<std::size_t>(c));
}

void MainWindow::load(const std::optional<std::string>& discFolder)
{
    form_.load(discFolder);
    services_.windowShown();
}

void MainWindow::setBackgroundPicture(const QImage& picture, const std::string& path)
{
    background_ = picture;
    form_.backgroundChanged(picture.isNull() ? std::string() : path);
    update();
}

void MainWindow::repaintNow()
{
    // Qt asks for the painting of a control that has just been shown through
    // a posted event: every control is marked for painting, and one
    // synchronous repaint draws them all.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->update();
    repaint();
}

void MainWindow::timer1Tick()
{
    form_.timerTick();
}

void MainWindow::showResults()
{
    // The folder is read again: another computer may have written to it.
    if (form_.results())
        form_.results()->refresh();
    if (!results_)
        results_ = new ResultsWindow(form_, this);
    results_->refresh();
    // During an exercise the keyboard stays the patient's: some platforms
    // activate a window they show all the same, so the activation is given
    // back to this one.
    const bool exercise = state_.running == 1;
    results_->setAttribute(Qt::WA_ShowWithoutActivating, exercise);
    results_->show();
    results_->raise();
    if (exercise)
        activateWindow();
    else
        results_->activateWindow();
}

void MainWindow::resultsChanged()
{
    if (results_)
        results_->refresh();
}

void MainWindow::postTick()
{
    QTimer::singleShot(0, this, &MainWindow::timer1Tick);
}

void MainWindow::postIdle()
{
    idle_.start();
}

void MainWindow::postClose()
{
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::holdInput(bool on)
{
    form_.setHoldingInput(on);
    if (on)
        return;
    if (std::exchange(busyCursor_, false))
        QApplication::restoreOverrideCursor();
    if (pressed_)
        pressed_->setDown(false);
    pressed_ = nullptr;
}

// Input to the window during a wait is held, and given back to its target
// once the handlers have ended. An arrow key that comes before any held
// input is an answer at once; behind held input it waits its turn, keeping
// the moment it was pressed.
bool MainWindow::holdDuringTheWait(QObject* target, QEvent* event)
{
    if (!form_.holdingInput() || !heldDuringTheWait(event->type()))
        return false;
    const auto* key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease
                          ? static_cast<QKeyEvent*>(event)
                          : nullptr;
    if (key && isArrow(*key) && !form_.inputHeld()) {
        // The release of an answer key is part of the answer.
        if (key->type() == QEvent::KeyRelease) {
            arrowReleasedAt_ = key->timestamp();
            return true;
        }
        if (arrowKey(*key))
            return true;
    }
    if (event->isInputEvent() && event->spontaneous())
        momentOf(*static_cast<QInputEvent*>(event));
    if (event->type() == QEvent::MouseButtonPress) {
        if (!std::exchange(busyCursor_, true))
            QApplication::setOverrideCursor(Qt::BusyCursor);
        if (auto* button = qobject_cast<QAbstractButton*>(target); button && !pressed_) {
            pressed_ = button;
            button->setDown(true);
        }
    }
    form_.holdInput([target = QPointer<QObject>(target), held = std::shared_ptr<QEvent>(event->clone())] {
        if (target)
            QCoreApplication::sendEvent(target, held.get());
    });
    return true;
}

std::optional<std::string> MainWindow::probeAhead(const std::string& path)
{
    return services_.disc().probeAhead(path);
}

void MainWindow::preparePictures(const std::vector<std::string>& paths)
{
    services_.preparePictures(paths);
}

double MainWindow::momentOf(const QInputEvent& event)
{
    const auto now = std::chrono::steady_clock::now();
    const double handled = std::chrono::duration<double>(now.time_since_epoch()).count();
    const double moment = inputClock_.momentOf(event.timestamp(), handled);
    return services_.clockAt(now - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(handled - moment)));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != this)
        return false;
    if (holdDuringTheWait(watched, event))
        return true;
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        // The mouse too teaches the input clock its offset.
        if (event->isInputEvent() && event->spontaneous())
            momentOf(*static_cast<QInputEvent*>(event));
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyRelease) {
        if (isArrow(*key))
            arrowReleasedAt_ = key->timestamp();
        return false;
    }
    if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier) {
        showResults();
        return true;
    }
    if (isArrow(*key))
        return arrowKey(*key);
    momentOf(*key);
    return false;
}

// The X server repeats a key held down as a release and a press with the
// same time stamp, which Qt does not always mark as a repeat.
bool MainWindow::arrowKey(const QKeyEvent& key)
{
    const bool repeated = key.isAutoRepeat() || (key.timestamp() != 0 && key.timestamp() == arrowReleasedAt_);
    return form_.arrowKey(key.key() == Qt::Key_Left ? Side::left : Side::right, momentOf(key), repeated);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The busy cursor, which shows a click taken during a wait, is loaded
    // now: loading it from the cursor theme then would hold the window.
    if (!std::exchange(busyCursorLoaded_, true)) {
        setCursor(Qt::BusyCursor);
        unsetCursor();
    }
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == MainWindow::pictureReadyEvent) {
        if (!hasEnded())
            services_.showReadyPicture();
        return true;
    }
    const bool handled = QWidget::event(event);
    // The frame that shows a new picture has been painted and sent to the
    // screen: the patient sees it from now on.
    if (event->type() == QEvent::UpdateRequest)
        form_.frameEnded(services_.clockAt(std::chrono::steady_clock::now()));
    return handled;
}

void MainWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
}

void MainWindow::closeForTheSystem()
{
    for (QWidget* box : QApplication::topLevelWidgets()) {
        if (box->isModal() && box->isVisible())
            box->close();
    }
    close();
}

// Closing the window saves the exercise under way and ends the program: no
// tick or handler runs after it, and Qt leaves the event loop once the last
// window has closed.
void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closed while a handler is under way (the feedback wait): the program
    // ends once the handler has ended.
    if (!form_.closeRequested()) {
        event->ignore();
        return;
    }
    timer1_.stop();
    idle_.stop();
    if (results_)
        results_->close();
    event->accept();
}
