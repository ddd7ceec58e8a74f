// The window form1 with real widgets: its state at start, the place, size
// and font of every control, the tab order, and clicks and access keys.

#include "support/window_fixture.h"

#include "engine/exercise.h"
#include "model/window_layout.h"
#include "ui/qt/wrapping_buttons.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QIcon>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSessionManager>
#include <QStyle>

#include <algorithm>
#include <vector>

using C = Control;

namespace {

const QString longCaption = QString::fromUtf8(
    "Choisissez l'option Mains ou Pieds, le niveau de difficulté, la vitesse, puis la phase (1,2 ou3) puis "
    "Cliquez ici pour &Débuter");

std::vector<Control> allControls()
{
    std::vector<Control> controls;
    for (int i = 0; i < controlCount; ++i) {
        const auto c = static_cast<Control>(i);
        if (c != C::form1 && c != C::Timer1)
            controls.push_back(c);
    }
    return controls;
}

QString nameOf(Control c) { return QString::fromUtf8(controlName(c)); }

} // namespace

// ---- Start-up ----------------------------------------------------------

class StartTest : public WindowTest {};

// As the program starts: the load handler first (its drive question answered
// with the disc's folder when it comes), then the window shown.
TEST_F(StartTest, StateRightAfterStart)
{
    // The window was made with initial values given by the fixture; start
    // again from a window that only Form_Load has touched.
    MainWindow started;
    responder.expect([&](QWidget& box) {
        auto* question = qobject_cast<QInputDialog*>(&box);
        EXPECT_NE(question, nullptr);
        if (question) {
            question->setTextValue(QString::fromStdString(disc.driveLetter()));
            question->accept();
        }
        box.close();
    });
    started.load();
    started.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&started));
    started.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&started));

    std::vector<QString> checked;
    for (QCheckBox* box : started.findChildren<QCheckBox*>()) {
        if (box->isChecked())
            checked.push_back(box->objectName());
    }
    std::ranges::sort(checked);
    EXPECT_EQ(checked, (std::vector<QString>{"Chkniv1", "optDG", "optFeedBack", "optLes2", "optMain"}));
    EXPECT_EQ(started.findChildren<QCheckBox*>().size(), 15);

    const auto radios = started.findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 6);
    for (QRadioButton* radio : radios)
        EXPECT_EQ(radio->isChecked(), radio->objectName() == "OptNormal") << radio->objectName().toStdString();

    EXPECT_FALSE(started.control(C::Label4)->isVisible());
    EXPECT_FALSE(started.control(C::TextReponse)->isVisible());
    EXPECT_TRUE(started.control(C::Label5)->isVisible());
    EXPECT_TRUE(qobject_cast<QLineEdit*>(started.control(C::TextReponse))->text().isEmpty());
    EXPECT_EQ(qobject_cast<QAbstractButton*>(started.control(C::cmdOnOff))->text(), longCaption);
    EXPECT_EQ(QApplication::focusWidget(), started.control(C::cmdOnOff));
    EXPECT_TRUE(started.state().level.isUnset());
    EXPECT_EQ(started.state().running, 0);
    EXPECT_TRUE(started.timer1().isActive());
    EXPECT_EQ(started.timer1().interval(), 1000);
    EXPECT_EQ(started.timer1().timerType(), Qt::PreciseTimer);
}

TEST_F(StartTest, WindowFrameTitleIconAndColours)
{
    EXPECT_EQ(window.windowTitle(), "Clinique Antidouleur de Valbrune");
    EXPECT_EQ(window.objectName(), "form1");
    EXPECT_EQ(window.size(), QSize(744, 525));
    const QList<QSize> iconSizes = window.windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(32, 32)));
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)));

    showWindow();
    // The window's own background shows where no control lies, in the
    // system's window colour; the controls are opaque in the button colour.
    EXPECT_EQ(pixelAt({20, 200}), baseColour());
    const QColor buttonFace = window.palette().color(QPalette::Button);
    EXPECT_NE(buttonFace, baseColour());
    EXPECT_EQ(pixelAt({10320 / 15 + 50, 1320 / 15 + 2}), buttonFace) << "the pace heading Label1";
    EXPECT_EQ(pixelAt({1560 / 15 + 2, 1440 / 15 + 2}), buttonFace) << "the appeal Label5";
}

TEST_F(StartTest, ResizingMovesNoControl)
{
    showWindow();
    std::vector<QRect> before;
    for (Control c : allControls())
        before.push_back(window.control(c)->geometry());
    window.resize(1000, 700);
    QApplication::processEvents();
    std::vector<QRect> after;
    for (Control c : allControls())
        after.push_back(window.control(c)->geometry());
    EXPECT_EQ(before, after);
    EXPECT_EQ(window.size(), QSize(1000, 700));
}

// ---- Layout ------------------------------------------------------------


QString captionOf(QWidget* w)
{
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    return qobject_cast<QLineEdit*>(w)->text();
}

class LayoutTest : public WindowTest {};

// Every control is built from the window's description: its place and size
// at 15 twips a pixel, its caption and its font.
TEST_F(LayoutTest, EveryControlAtItsPlaceWithItsCaptionAndFont)
{
    EXPECT_EQ(controlLayouts().size(), allControls().size());
    for (const ControlLayout& row : controlLayouts()) {
        SCOPED_TRACE(controlName(row.control));
        QWidget* w = window.control(row.control);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName(), nameOf(row.control));
        EXPECT_EQ(w->parentWidget(), &window);
        EXPECT_EQ(w->geometry(), QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15));
        EXPECT_EQ(w->font().pixelSize(), row.font.pixelsAt96Dpi());
        EXPECT_EQ(w->font().bold(), row.font.bold);
        EXPECT_FALSE(w->font().italic());
        EXPECT_FALSE(w->font().underline());
        EXPECT_EQ(captionOf(w), QString::fromUtf8(row.caption.data(), static_cast<qsizetype>(row.caption.size())));
    }
    EXPECT_EQ(window.size(), QSize(744, 525));
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Clinique Antidouleur de Valbrune"));
}

TEST_F(LayoutTest, KindsOfControls)
{
    EXPECT_EQ(window.findChildren<QCheckBox*>().size(), 15);
    EXPECT_EQ(window.findChildren<QRadioButton*>().size(), 6);
    EXPECT_EQ(window.findChildren<QPushButton*>().size(), 2);
    EXPECT_EQ(window.findChildren<QLabel*>().size(), 5);
    EXPECT_EQ(window.findChildren<QLineEdit*>().size(), 1);
    for (QCheckBox* box : window.findChildren<QCheckBox*>())
        EXPECT_FALSE(box->isTristate());
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
    for (QLabel* label : window.findChildren<QLabel*>()) {
        EXPECT_TRUE(label->wordWrap());
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(widget<QLabel>(C::Label1)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(widget<QLabel>(C::Label5)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(widget<QLabel>(C::Label2)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_FALSE(widget<QLineEdit>(C::TextReponse)->isReadOnly());
}

TEST_F(LayoutTest, CreditLineAndAppeal)
{
    EXPECT_TRUE(captionOf(window.control(C::Label3)).startsWith("Kova v2.0 23/02/2006"));
    const QString appeal = captionOf(window.control(C::Label5));
    EXPECT_TRUE(appeal.startsWith(QString::fromUtf8(
        "Si vous appréciez ce produit, vous pouvez nous aider à développer encore d'autres outils pour traiter la "
        "douleur chronique, en faisant un petit don à: ")));
    EXPECT_TRUE(appeal.endsWith(QString::fromUtf8(
        ". et mentionnez le programme de réhabilitation par imagerie.      Merci")));
    EXPECT_TRUE(appeal.contains("(fictive)"));
    EXPECT_TRUE(appeal.contains("00 00 00 00 00"));
}

// Where a control shows its caption, and how it places the lines there.
struct CaptionPlace {
    QRect area;
    int alignment;
};

CaptionPlace captionPlace(QWidget* w)
{
    if (auto* box = qobject_cast<WrappingCheckBox*>(w))
        return {box->captionArea(), Qt::AlignLeft | Qt::AlignVCenter};
    if (auto* radio = qobject_cast<WrappingRadioButton*>(w))
        return {radio->captionArea(), Qt::AlignLeft | Qt::AlignVCenter};
    if (auto* button = qobject_cast<WrappingPushButton*>(w))
        return {button->captionArea(), Qt::AlignCenter};
    auto* label = qobject_cast<QLabel*>(w);
    EXPECT_NE(label, nullptr);
    return {label->contentsRect(), static_cast<int>(label->alignment())};
}

// Every caption fits its box in the window's fonts, wrapped at word
// boundaries, and no control lying in front of it covers any of its text.
TEST_F(LayoutTest, EveryCaptionFitsItsBoxUncovered)
{
    const QObjectList stack = window.children();
    for (Control c : allControls()) {
        QWidget* w = window.control(c);
        if (qobject_cast<QLineEdit*>(w))
            continue;
        SCOPED_TRACE(controlName(c));
        QString caption = captionOf(w);
        caption.remove('&');
        const auto [area, alignment] = captionPlace(w);
        const QFontMetrics metrics(w->font());
        for (const QString& word : caption.split(' ', Qt::SkipEmptyParts))
            EXPECT_LE(metrics.horizontalAdvance(word), area.width()) << word.toStdString();
        const QRect text = metrics.boundingRect(area, alignment | Qt::TextWordWrap, caption);
        EXPECT_TRUE(area.contains(text)) << "needs " << text.height() << " of " << area.height() << " pixels";

        // The letters, down to the baseline of the last line (a neighbour may
        // overlap a box by a pixel or two at its edge).
        const QRect letters = text.adjusted(0, 0, 0, -metrics.descent()).translated(w->pos());
        for (qsizetype i = stack.indexOf(w) + 1; i < stack.size(); ++i) {
            auto* front = qobject_cast<QWidget*>(stack[i]);
            if (front && !front->isHidden()) {
                EXPECT_FALSE(front->geometry().intersects(letters)) << "covered by " << front->objectName().toStdString();
            }
        }
    }
}

// ---- Tab order ---------------------------------------------------------

TEST_F(LayoutTest, TabOrderFromTheStartButton)
{
    showWindow();
    ASSERT_EQ(QApplication::focusWidget(), window.control(C::cmdOnOff));
    std::vector<QString> order;
    for (int step = 0; step < 40; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (focus == window.control(C::cmdOnOff))
            break;
        order.push_back(focus->objectName());
    }
    // Labels and the hidden answer box are passed over; of the pace group
    // only the selected button takes the focus by Tab.
    const std::vector<QString> expected = {
        "cmdExit", "optMain",  "optPied",  "optDG",    "optFaireMvt", "OptNormal", "optImagine",
        "Chkniv1", "ChKniv2",  "Chkniv3",  "Chkniv4",  "optVisage",   "optPatient", "optFeedBack",
        "optD",    "optG",     "optLes2",
    };
    EXPECT_EQ(order, expected);
}

// ---- Clicks and access keys --------------------------------------------

class InputTest : public WindowTest {
protected:
    InputTest() { showWindow(); }

    void click(Control c) { QTest::mouseClick(window.control(c), Qt::LeftButton); }
    bool isChecked(Control c) { return widget<QAbstractButton>(c)->isChecked(); }
    // Alt with a letter; Qt clicks the control after its short press animation.
    void accessKey(Qt::Key key) { QTest::keyClick(&window, key, Qt::AltModifier); }
    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 5000); }
};

TEST_F(InputTest, CheckingPiedUnchecksMain)
{
    click(C::optPied);
    EXPECT_TRUE(isChecked(C::optPied));
    EXPECT_FALSE(isChecked(C::optMain));
    click(C::optVisage);
    EXPECT_TRUE(isChecked(C::optVisage));
    EXPECT_FALSE(isChecked(C::optPied));
    // Unchecking leaves the group without a body part.
    click(C::optVisage);
    for (Control c : {C::optMain, C::optPied, C::optVisage, C::optPatient})
        EXPECT_FALSE(isChecked(c)) << controlName(c);
}

TEST_F(InputTest, ClickingALevelBoxSetsTheLevel)
{
    click(C::Chkniv3);
    EXPECT_EQ(window.state().level, 3);
    EXPECT_FALSE(isChecked(C::Chkniv1));
    click(C::Chkniv3);
    EXPECT_FALSE(isChecked(C::Chkniv3));
    EXPECT_EQ(window.state().level, 3);
}

TEST_F(InputTest, AltMTogglesMainAndRunsItsHandler)
{
    click(C::optPied);
    ASSERT_FALSE(isChecked(C::optMain));
    accessKey(Qt::Key_M);
    ASSERT_TRUE(waitFor([&] { return isChecked(C::optMain); }));
    EXPECT_FALSE(isChecked(C::optPied)) << "the handler keeps the group exclusive";
    accessKey(Qt::Key_M);
    EXPECT_TRUE(waitFor([&] { return !isChecked(C::optMain); }));
}

TEST_F(InputTest, PaceButtonsAreOneExclusiveGroup)
{
    click(C::OptDiff);
    EXPECT_TRUE(isChecked(C::OptDiff));
    EXPECT_FALSE(isChecked(C::OptNormal));
    click(C::opt10sec);
    for (Control c : {C::OptNormal, C::OptDiff, C::OptTresDiff, C::OptExtreme, C::opt5sec})
        EXPECT_FALSE(isChecked(c)) << controlName(c);
    EXPECT_TRUE(window.services().isSelected(C::opt10sec));
    accessKey(Qt::Key_N);
    EXPECT_TRUE(waitFor([&] { return isChecked(C::OptNormal); }));
    EXPECT_FALSE(isChecked(C::opt10sec));
}

TEST_F(InputTest, StartButtonCaptionsAndTheAppeal)
{
    ASSERT_TRUE(window.control(C::Label5)->isVisible());
    click(C::cmdOnOff);
    EXPECT_EQ(window.state().running, 1);
    EXPECT_EQ(captionOf(window.control(C::cmdOnOff)), QString::fromUtf8("&Arrêter l'exercice"));
    EXPECT_FALSE(window.control(C::Label5)->isVisible());
    click(C::cmdOnOff);
    EXPECT_EQ(window.state().running, 0);
    EXPECT_EQ(captionOf(window.control(C::cmdOnOff)), QString::fromUtf8("&Démarrer l'exercice"));
    EXPECT_FALSE(window.control(C::Label5)->isVisible()) << "the appeal never comes back";
}

TEST_F(InputTest, SpaceAtStartClicksTheStartButton)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(window.state().running, 1);
}

TEST_F(InputTest, QuitButtonEndsTheProgram)
{
    click(C::cmdExit);
    EXPECT_TRUE(window.hasEnded());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.timer1().isActive());
    // Nothing runs any more: neither a tick nor a click.
    window.state().running = 1;
    window.timer1Tick();
    EXPECT_EQ(window.state().shownCount, 0);
}

// ---- Results kept: F2 and the session's end during an exercise ----------

class ExerciseWindowTest : public KeptResultsTest {
protected:
    ExerciseWindowTest() { showWindow(); }

    // A click on the control. Not through the mouse events of QTest, whose
    // made-up time stamps the window would take for the keyboard's clock.
    void press(Control c) { widget<QAbstractButton>(c)->click(); }
    // Starts an exercise without the feedback and shows its first picture,
    // on screen for a while.
    void startWithAPicture()
    {
        press(C::optFeedBack);
        press(C::cmdOnOff);
        tick();
        QTest::qWait(300);
    }
    // The key of the side the picture on screen shows, as the keyboard
    // sends it: to the widget that has the focus.
    void pressTheRightArrow()
    {
        const bool right = window.state().imageIndex > 10;
        QTest::keyClick(QApplication::focusWidget(), right ? Qt::Key_Right : Qt::Key_Left);
    }
    // What the results folder holds once its thread has written it.
    HistoryContents saved()
    {
        EXPECT_TRUE(results.finish(std::chrono::seconds(60)));
        return readFolder(results.folder()).value_or(FolderHistory{}).history;
    }
};

// F2 during an exercise opens the results, and the keyboard stays the
// patient's: the main window stays active and an arrow key still answers.
TEST_F(ExerciseWindowTest, F2DuringAnExerciseLeavesTheKeysToTheMainWindow)
{
    startWithAPicture();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    auto* results = window.findChild<QWidget*>(QStringLiteral("results"));
    ASSERT_NE(results, nullptr);
    EXPECT_TRUE(results->isVisible());
    QTest::qWait(100);
    EXPECT_EQ(QApplication::activeWindow(), &window);
    pressTheRightArrow();
    EXPECT_EQ(window.form().answers().keysPlaced(), 1);
}

// The session ends (log out, shut down) while a message is open during an
// exercise: the box is closed, the exercise saved with its answer, and the
// program ends.
TEST_F(ExerciseWindowTest, TheSessionsEndWithABoxOpenSavesTheExerciseAndEnds)
{
    startWithAPicture();
    pressTheRightArrow();
    // No body part: the next tick opens its message, and the session ends
    // while it is open. QSessionManager cannot be made outside Qt; the
    // window does not look at it.
    press(C::optMain);
    responder.expect([](QWidget&) {
        alignas(QSessionManager) unsigned char manager[sizeof(QSessionManager)] = {};
        emit qApp->commitDataRequest(*reinterpret_cast<QSessionManager*>(manager));
    });
    // Should the box stay open, the test ends it rather than wait for ever.
    bool leftOpen = false;
    QTimer::singleShot(10000, [&leftOpen] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            leftOpen = true;
            box->close();
        }
    });
    window.timer1Tick();
    EXPECT_FALSE(leftOpen) << "the session's end did not close the box";
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.hasEnded(); }, 5000));
    EXPECT_FALSE(window.isVisible());
    const HistoryContents history = saved();
    ASSERT_EQ(history.results.size(), 1u);
    EXPECT_EQ(history.results[0].tally.answers, 1);
    EXPECT_EQ(history.results[0].tally.correct, 1);
}
