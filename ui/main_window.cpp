#include "ui/main_window.h"

#include "disc/form_load.h"
#include "engine/exercise.h"
#include "engine/tick.h"
#include "model/settings.h"
#include "ui/next_picture.h"
#include "ui/wrapping_buttons.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

using C = Control;

enum class Kind { checkBox, optionButton, commandButton, label, textBox };

// A font of the window: its size in pixels at 96 dots per inch, and its weight.
struct CaptionFont {
    int pixels;
    bool bold;
};
constexpr CaptionFont windowFont{13, false}; // 9.75 points, the window's own font
constexpr CaptionFont small{11, false};      // 8.25 points
constexpr CaptionFont heading{13, true};     // 9.75 points bold
constexpr CaptionFont answer{16, false};     // 12 points
constexpr CaptionFont appeal{18, false};     // 13.5 points

// What a control is when the window opens: a check box checked, an option
// button selected, or the control hidden.
enum class Start { plain, on, hidden };

struct ControlRow {
    Control control;
    Kind kind;
    const char* caption;
    int left, top, width, height; // twips
    CaptionFont font;
    int tab;
    Start start;
    bool centred;
};

constexpr const char* startCaption =
    "Choisissez l'option Mains ou Pieds, le niveau de difficulté, la vitesse, puis la phase (1,2 ou3) "
    "puis Cliquez ici pour &Débuter";

// The foundation, its address and its telephone number are made up.
constexpr const char* appealText =
    "Si vous appréciez ce produit, vous pouvez nous aider à développer encore d'autres outils pour traiter "
    "la douleur chronique, en faisant un petit don à: Fondation (fictive) de l'hôpital de Valbrune, "
    "1 place de l'Exemple, 00000 Valbrune, téléphone 00 00 00 00 00. "
    "et mentionnez le programme de réhabilitation par imagerie.      Merci";

constexpr const char* creditText = "Kova v2.0 23/02/2006 - équipe de Valbrune";

// Every control of the window, in the order they are stacked: a later
// control lies in front of an earlier one where they overlap.
// clang-format off
constexpr ControlRow controlTable[] = {
    // control        kind                  caption                     left   top   width height font       tab start          centred
    {C::optMain,     Kind::checkBox,      "&Mains",                     5880,    0,  855,  375, small,      2, Start::on,     false},
    {C::optPied,     Kind::checkBox,      "&Pieds",                     6720,    0,  855,  375, small,      3, Start::plain,  false},
    {C::optVisage,   Kind::checkBox,      "&visage",                    7560,    0, 1215,  375, windowFont, 18, Start::plain, false},
    {C::optPatient,  Kind::checkBox,      "&Patient",                   8640,    0, 1095,  375, windowFont, 21, Start::plain, false},
    {C::Label2,      Kind::label,         "NIVEAU",                    10320,    0,  855,  375, windowFont, 15, Start::plain, false},
    {C::Chkniv1,     Kind::checkBox,      "&1",                        10320,  240,  855,  255, windowFont, 12, Start::on,    false},
    {C::ChKniv2,     Kind::checkBox,      "&2",                        10320,  480,  855,  255, windowFont, 13, Start::plain, false},
    {C::Chkniv3,     Kind::checkBox,      "&3",                        10320,  720,  855,  255, windowFont, 14, Start::plain, false},
    {C::Chkniv4,     Kind::checkBox,      "&4",                        10320,  960,  855,  255, windowFont, 17, Start::plain, false},
    {C::Label1,      Kind::label,         "Vitesse",                   10080, 1320, 1215,  255, heading,    11, Start::plain, true},
    {C::OptNormal,   Kind::optionButton,  "&Normal",                   10080, 1560, 1215,  375, small,      6, Start::on,     false},
    {C::OptDiff,     Kind::optionButton,  "&Rapide",                   10080, 1920, 1215,  255, small,      7, Start::plain,  false},
    {C::OptTresDiff, Kind::optionButton,  "&Très rapide",              10080, 2160, 1215,  375, small,      8, Start::plain,  false},
    {C::OptExtreme,  Kind::optionButton,  "&Expert",                   10080, 2520, 1215,  375, small,      10, Start::plain, false},
    {C::opt5sec,     Kind::optionButton,  "&5sec",                     10200, 2880, 1095,  375, windowFont, 19, Start::plain, false},
    {C::opt10sec,    Kind::optionButton,  "&10sec",                    10200, 3240, 1095,  375, windowFont, 20, Start::plain, false},
    {C::optDG,       Kind::checkBox,      "Phase &1 identifier Dr  G",  9840, 3840, 1335,  615, small,      4, Start::on,     false},
    {C::optFeedBack, Kind::checkBox,      "&FeedBack",                 10080, 4320, 1455,  375, small,      22, Start::on,    false},
    {C::optImagine,  Kind::checkBox,      "Phase &2 imaginer faire le mouvement", 9840, 4800, 1335, 735, small, 9, Start::plain, false},
    {C::optFaireMvt, Kind::checkBox,      "Phase &3 Faire le mouvement", 9840, 5520, 1335,  615, small,      5, Start::plain,  false},
    {C::optD,        Kind::checkBox,      "&D",                        10080, 6120,  615,  255, windowFont, 25, Start::plain, false},
    {C::optG,        Kind::checkBox,      "&G",                        10680, 6120,  495,  255, windowFont, 26, Start::plain, false},
    {C::optLes2,     Kind::checkBox,      "D &et G",                   10080, 6360, 1095,  255, windowFont, 27, Start::on,    false},
    {C::Label4,      Kind::label,         "La réponse correcte était",     0, 6720, 2295,  255, windowFont, 24, Start::hidden, false},
    {C::TextReponse, Kind::textBox,       "",                           2400, 6600, 1095,  375, answer,     23, Start::hidden, false},
    {C::cmdExit,     Kind::commandButton, "&Terminer le programme",     4200, 7320, 2175,  615, small,      1, Start::plain,  false},
    {C::cmdOnOff,    Kind::commandButton, startCaption,                 6480, 7080, 4815,  855, heading,    0, Start::plain,  false},
    {C::Label5,      Kind::label,         appealText,                   1560, 1440, 5175, 3615, appeal,     28, Start::plain, true},
    {C::Label3,      Kind::label,         creditText,                    120, 7440, 3975,  375, small,      16, Start::plain, false},
};
// clang-format on

constexpr int twipsPerPixel = 15;
constexpr int clientWidth = 11160 / twipsPerPixel;
constexpr int clientHeight = 7875 / twipsPerPixel;

QFont controlFont(CaptionFont caption)
{
    // The window was drawn for "MS Sans Serif"; Liberation Sans is a close
    // sans-serif where it is missing. Sizes are in pixels so that every
    // caption fits its box whatever the screen's dots per inch.
    static const QString family =
        QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif")) ? QStringLiteral("MS Sans Serif")
                                                                  : QStringLiteral("Liberation Sans");
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(caption.pixels);
    font.setBold(caption.bold);
    return font;
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), services_(*this), paceGroup_(new QButtonGroup(this))
{
    setObjectName(QString::fromUtf8(controlName(C::form1)));
    setWindowTitle(QStringLiteral("Clinique Antidouleur de Valbrune"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/run.ico")));
    setFont(controlFont(windowFont));
    // The window's background is the system's window colour, which Qt calls
    // the base colour; the controls keep the button-face colour.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    resize(clientWidth, clientHeight);

    buildControls();

    timer1_.setObjectName(QString::fromUtf8(controlName(C::Timer1)));
    timer1_.setTimerType(Qt::PreciseTimer);
    connect(&timer1_, &QTimer::timeout, this, &MainWindow::timer1Tick);
    timer1_.start(1000);

    // Runs once the event loop has nothing more pressing to do.
    nextPicture_.setSingleShot(true);
    nextPicture_.setInterval(0);
    connect(&nextPicture_, &QTimer::timeout, this, &MainWindow::prepareNextPicture);
}

void MainWindow::buildControls()
{
    for (const ControlRow& row : controlTable) {
        const Control c = row.control;
        const QString caption = QString::fromUtf8(row.caption);
        QWidget* widget = nullptr;
        switch (row.kind) {
        case Kind::checkBox: {
            auto* box = new WrappingCheckBox(caption, this);
            box->setChecked(row.start == Start::on);
            // Connected after the value at start is set, so that no handler
            // runs then; from now on every change runs the box's handler,
            // whether a click or setChecked made it.
            connect(box, &QCheckBox::toggled, this,
                    [this, c] { runHandler([this, c] { checkBoxClicked(c, state_, services_); }); });
            widget = box;
            break;
        }
        case Kind::optionButton: {
            auto* button = new WrappingRadioButton(caption, this);
            button->setChecked(row.start == Start::on);
            paceGroup_->addButton(button);
            widget = button;
            break;
        }
        case Kind::commandButton: {
            auto* button = new WrappingPushButton(caption, this);
            button->setAutoDefault(false);
            button->setDefault(false);
            const auto handler = c == C::cmdOnOff ? cmdOnOff_Click : cmdExit_Click;
            connect(button, &QPushButton::clicked, this,
                    [this, handler] { runHandler([this, handler] { handler(state_, services_); }); });
            widget = button;
            break;
        }
        case Kind::label: {
            auto* label = new QLabel(caption, this);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignTop | (row.centred ? Qt::AlignHCenter : Qt::AlignLeft));
            widget = label;
            break;
        }
        case Kind::textBox:
            widget = new QLineEdit(caption, this);
            break;
        }
        if (row.kind != Kind::textBox) {
            widget->setBackgroundRole(QPalette::Button);
            widget->setAutoFillBackground(true);
        }
        widget->setObjectName(QString::fromUtf8(controlName(c)));
        widget->setGeometry(row.left / twipsPerPixel, row.top / twipsPerPixel, row.width / twipsPerPixel,
                            row.height / twipsPerPixel);
        widget->setFont(controlFont(row.font));
        if (row.start == Start::hidden)
            widget->hide();
        controls_[static_cast<std::size_t>(c)] = widget;
    }

    // The tab order of the table; labels never take the focus, and Qt passes
    // over hidden controls.
    std::vector<const ControlRow*> byTab;
    for (const ControlRow& row : controlTable) {
        if (row.kind != Kind::label)
            byTab.push_back(&row);
    }
    std::ranges::sort(byTab, {}, &ControlRow::tab);
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
    runHandler([&] { Form_Load(state_, services_, discFolder); });
}

void MainWindow::setBackgroundPicture(const QPixmap& picture)
{
    background_ = picture;
    update();
}

template <typename Handler>
void MainWindow::runHandler(Handler handler)
{
    if (ended_)
        return;
    ++handlersRunning_;
    try {
        handler();
    } catch (const ProgramEnded&) {
        // The program has ended inside the handler; nothing more of it runs.
    }
    --handlersRunning_;
    if (handlersRunning_ == 0 && !ended_)
        nextPicture_.start();
    if (handlersRunning_ == 0 && tickWaiting_ && !ended_) {
        tickWaiting_ = false;
        QTimer::singleShot(0, this, &MainWindow::timer1Tick);
    }
}

// A handler has changed the state or the settings: the next tick's pictures
// are worked out anew and decoded now, while the window waits, so that the
// tick only has to paint them. What is due to be painted is painted first.
void MainWindow::prepareNextPicture()
{
    if (ended_ || handlersRunning_ > 0)
        return;
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
    services_.preparePictures(nextPicturePaths(state_, services_.randomSequence(), services_));
}

void MainWindow::timer1Tick()
{
    if (ended_)
        return;
    if (handlersRunning_ > 0) {
        tickWaiting_ = true;
        return;
    }
    runHandler([this] { Timer1_Timer(state_, services_); });
}

void MainWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

// Closing the window ends the program: no tick or handler runs after it, and
// Qt leaves the event loop once the last window has closed.
void MainWindow::closeEvent(QCloseEvent* event)
{
    ended_ = true;
    timer1_.stop();
    event->accept();
}
