// The window services over Qt in the real window: the background picture,
// the modal boxes, the timer and its ticks, the feedback wait, the end of the
// program, and the operations on the controls.

#include "support/window_fixture.h"

#include "model/random.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QRadioButton>
#include <QTime>
#include <QScreen>

#include <cmath>
#include <vector>

using C = Control;

namespace {

QString captionOf(QWidget* w) { return qobject_cast<QAbstractButton*>(w)->text(); }

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray jpegBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

// A JPEG whose header claims the given size: the frame header of a small
// picture with its height and width changed.
QByteArray jpegClaimingSize(int width, int height)
{
    QByteArray bytes = jpegBytes(TestDisc::solid(QSize(16, 16), Qt::red));
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(frame, 0);
    bytes[frame + 5] = static_cast<char>(height >> 8);
    bytes[frame + 6] = static_cast<char>(height & 0xFF);
    bytes[frame + 7] = static_cast<char>(width >> 8);
    bytes[frame + 8] = static_cast<char>(width & 0xFF);
    return bytes;
}

// A bitmap header for a picture of the given size with no pixels after it.
QByteArray bitmapHeaderOnly(int width, int height)
{
    QByteArray bytes;
    auto put = [&](quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    bytes.append("BM");
    put(54 + 3u * static_cast<quint32>(width) * static_cast<quint32>(height), 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<quint32>(width), 4);
    put(static_cast<quint32>(height), 4);
    put(1, 2);
    put(24, 2);
    for (int i = 0; i < 6; ++i)
        put(0, 4);
    return bytes;
}

// The pixels of the area dark enough to be text.
int darkPixels(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += qGray(image.pixel(x, y)) < 100;
    }
    return count;
}

QImage noise(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, seed >> 8);
        }
    }
    return image;
}

} // namespace

// ---- The background picture --------------------------------------------

class PictureTest : public WindowTest {
protected:
    PictureTest() { showWindow(); }

    void show(const std::string& relative)
    {
        window.services().showPicture(disc.programPath(relative));
        settle();
    }
    QString save(const QString& name, const QImage& image)
    {
        const QString path = disc.file(name);
        image.save(path);
        return path;
    }

    // A spot left of the appeal, covered by no control.
    static constexpr QPoint freeSpot{20, 200};
};

TEST_F(PictureTest, PictureIsDrawnBehindTheControls)
{
    show("mainDGfacile/3.jpg");
    EXPECT_TRUE(nearColour(pixelAt(freeSpot), TestDisc::colourOf(3)));
    EXPECT_EQ(window.backgroundPicture().size(), TestDisc::pictureSize);
    // The appeal lies in front of the picture.
    EXPECT_EQ(pixelAt({1560 / 15 + 2, 1440 / 15 + 2}), window.palette().color(QPalette::Button));

    show("bravo.bmp");
    EXPECT_EQ(pixelAt({10, 10}), TestDisc::bravoColour) << "a bitmap picture";
}

TEST_F(PictureTest, SmallPictureAtTheTopLeftNotEnlarged)
{
    save("small.jpg", TestDisc::solid(QSize(200, 150), Qt::red));
    show("small.jpg");
    EXPECT_EQ(window.backgroundPicture().size(), QSize(200, 150));
    EXPECT_TRUE(nearColour(pixelAt({10, 10}), Qt::red));
    EXPECT_TRUE(nearColour(pixelAt({90, 140}), Qt::red));
    EXPECT_EQ(pixelAt({210, 10}), baseColour());
    EXPECT_EQ(pixelAt({10, 160}), baseColour());
}

TEST_F(PictureTest, LargePictureReducedWithItsAspectKept)
{
    save("photo.jpg", TestDisc::solid(QSize(4000, 3000), Qt::blue));
    show("photo.jpg");
    EXPECT_EQ(window.backgroundPicture().size(), QSize(700, 525));
    EXPECT_TRUE(nearColour(pixelAt({5, 505}), Qt::blue));
    EXPECT_TRUE(nearColour(pixelAt(freeSpot), Qt::blue));

    save("wide.bmp", TestDisc::solid(QSize(1500, 500), Qt::green));
    show("wide.bmp");
    EXPECT_EQ(window.backgroundPicture().size(), QSize(744, 248));
    EXPECT_EQ(pixelAt({5, 260}), baseColour());

    // The window enlarged: the picture may take more of it.
    window.resize(1000, 800);
    show("photo.jpg");
    EXPECT_EQ(window.backgroundPicture().size(), QSize(1000, 750));
}

TEST_F(PictureTest, EmptyPathRemovesThePicture)
{
    show("mainDGfacile/1.jpg");
    ASSERT_FALSE(window.backgroundPicture().isNull());
    window.services().showPicture("");
    EXPECT_TRUE(window.backgroundPicture().isNull());
    EXPECT_EQ(pixelAt(freeSpot), baseColour());
}

// Whatever is wrong with the file, the last picture goes away, so that no
// answer is ever judged against a stale picture.
TEST_F(PictureTest, PictureThatCannotBeLoadedClearsTheBackground)
{
    QByteArray truncated = jpegBytes(noise(QSize(400, 300)));
    truncated.truncate(truncated.size() * 6 / 10);
    writeFile(disc.file("cut.jpg"), truncated);
    writeFile(disc.file("corrupt.jpg"), QByteArray(5000, '\x5A'));
    writeFile(disc.file("empty.jpg"), {});
    writeFile(disc.file("huge.jpg"), jpegClaimingSize(60000, 60000));
    writeFile(disc.file("huge.bmp"), bitmapHeaderOnly(60000, 60000));
    QDir(disc.file({})).mkdir("folder.jpg");

    for (const char* bad : {"missing.jpg", "cut.jpg", "corrupt.jpg", "empty.jpg", "huge.jpg", "huge.bmp",
                            "folder.jpg", "nofolder/1.jpg"}) {
        SCOPED_TRACE(bad);
        show("mainDGfacile/5.jpg");
        ASSERT_FALSE(window.backgroundPicture().isNull());
        show(bad);
        EXPECT_TRUE(window.backgroundPicture().isNull());
        EXPECT_EQ(pixelAt(freeSpot), baseColour());
    }
}

TEST_F(PictureTest, TickShowsTheDrawnPicture)
{
    QTest::mouseClick(widget(C::OptExtreme), Qt::LeftButton);
    QTest::mouseClick(widget(C::cmdOnOff), Qt::LeftButton);
    for (int i = 0; i < 3; ++i) {
        tick();
        const int number = static_cast<int>(window.state().imageIndex.number());
        ASSERT_GE(number, 1);
        EXPECT_TRUE(nearColour(pixelAt(freeSpot), TestDisc::colourOf(number))) << "picture " << number;
        // With the appeal gone, the picture shows in the middle as well.
        EXPECT_TRUE(nearColour(pixelAt({300, 200}), TestDisc::colourOf(number)));
    }
}

// Between ticks the window decodes the next tick's picture, so that the tick
// shows it at once. A picture not decoded ahead (the settings changed just
// before the tick) leaves the background cleared at the tick, never the last
// picture, and shows as soon as it has been read; so does one decoded for
// another size of the window.
TEST_F(PictureTest, PictureDecodedAheadShowsAtTheTickItself)
{
    const auto drawn = [this] { return static_cast<int>(window.state().imageIndex.number()); };
    QTest::mouseClick(widget(C::optFeedBack), Qt::LeftButton); // feet at 750 ms would wait for the answer
    QTest::mouseClick(widget(C::OptExtreme), Qt::LeftButton);
    QTest::mouseClick(widget(C::cmdOnOff), Qt::LeftButton);
    for (int i = 0; i < 5; ++i) {
        QTest::qWait(100);
        window.timer1Tick();
        window.timer1().stop();
        ASSERT_FALSE(window.backgroundPicture().isNull()) << "tick " << i;
        EXPECT_TRUE(nearColour(pixelAt(freeSpot), TestDisc::colourOf(drawn())));
    }

    QTest::qWait(100);
    QTest::mouseClick(widget(C::optPied), Qt::LeftButton);
    window.timer1Tick();
    window.timer1().stop();
    ASSERT_NE(text(window.state().imagePath).find("piedDGfacile"), std::string::npos);
    EXPECT_TRUE(window.backgroundPicture().isNull());
    EXPECT_EQ(pixelAt(freeSpot), baseColour());
    settle();
    EXPECT_TRUE(nearColour(pixelAt(freeSpot), TestDisc::colourOf(drawn())));

    QTest::qWait(100);
    window.resize(300, 200);
    tick();
    EXPECT_EQ(window.backgroundPicture().size(), TestDisc::pictureSize.scaled(300, 200, Qt::KeepAspectRatio));
}

// ---- The modal boxes ---------------------------------------------------

class BoxTest : public WindowTest {
protected:
    BoxTest() { showWindow(); }
};

TEST_F(BoxTest, MessageAppearsAndTheExerciseStopsAfterItIsClosed)
{
    // No body part: the tick refuses to go on.
    QTest::mouseClick(widget(C::optMain), Qt::LeftButton);
    QTest::mouseClick(widget(C::cmdOnOff), Qt::LeftButton);
    ASSERT_EQ(window.state().running, 1);

    QString title, text;
    int buttons = 0;
    bool stoppedWhileOpen = true;
    std::int16_t shownWhileOpen = -1;
    responder.expect([&](QWidget& box) {
        if (auto* message = qobject_cast<QMessageBox*>(&box)) {
            title = message->windowTitle();
            text = message->text();
            buttons = static_cast<int>(message->buttons().size());
        }
        stoppedWhileOpen = window.state().running == 0;
        // Two ticks of the timer come while the box is open: neither runs inside it.
        widget<QCheckBox>(C::optMain)->setChecked(true);
        window.timer1Tick();
        window.timer1Tick();
        shownWhileOpen = window.state().shownCount;
        box.close();
    });
    tick();

    EXPECT_EQ(responder.answeredCount(), 1);
    EXPECT_EQ(title, "Tavrel");
    EXPECT_EQ(text, QString::fromUtf8("choisissez les options mains,pieds,visage ou patient, puis choisissez les "
                                      "options identifier D G ou Imaginer faire le mouvement ou Faire le "
                                      "mouvement, merci "));
    EXPECT_EQ(buttons, 1);
    EXPECT_FALSE(stoppedWhileOpen) << "the box is shown before the stop";
    EXPECT_EQ(shownWhileOpen, 0);
    EXPECT_EQ(window.state().running, 0);
    EXPECT_EQ(captionOf(window.control(C::cmdOnOff)), QString::fromUtf8("&Débuter l'exercice"));

    // Once the tick has ended, one of the waiting ticks runs, and only one.
    window.state().running = 1;
    widget<QCheckBox>(C::optFeedBack)->setChecked(false);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.state().shownCount, 1);
    window.timer1().stop();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.state().shownCount, 1);
}

TEST_F(BoxTest, AskTextGivesTheTextTypedOrEmptyOnCancel)
{
    const std::string prompt = "Veuillez indiquer la lettre";
    responder.expect([&](QWidget& box) {
        auto* question = qobject_cast<QInputDialog*>(&box);
        if (question) {
            EXPECT_EQ(question->windowTitle(), "Tavrel");
            EXPECT_EQ(question->labelText(), QString::fromStdString(prompt));
            EXPECT_TRUE(question->textValue().isEmpty());
            question->setTextValue(QString::fromUtf8("é"));
            question->accept();
        }
        box.close();
    });
    EXPECT_EQ(window.services().askText(prompt), "é");

    responder.expect([&](QWidget& box) {
        if (auto* question = qobject_cast<QInputDialog*>(&box))
            question->setTextValue("D");
        box.close();
    });
    EXPECT_EQ(window.services().askText(prompt), "");
    EXPECT_TRUE(responder.allAnswered());
}

// ---- The timer ---------------------------------------------------------

// A window left to its own timer: an exercise started at the expert pace
// shows a picture every half second.
TEST_F(WindowTest, TimerTicksRunTheExercise)
{
    MainWindow own;
    setInitialValues(own.state());
    own.state().driveLetter = disc.driveLetter();
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&own));
    qobject_cast<QAbstractButton*>(own.control(C::OptExtreme))->click();
    qobject_cast<QAbstractButton*>(own.control(C::cmdOnOff))->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return own.state().shownCount >= 2; }, 20000));
    EXPECT_EQ(own.timer1().interval(), 500);
    EXPECT_TRUE(own.timer1().isActive());
    EXPECT_FALSE(own.backgroundPicture().isNull());
}

TEST_F(WindowTest, SetTimerIntervalRestartsTheTimer)
{
    window.services().setTimerInterval(2500);
    EXPECT_TRUE(window.timer1().isActive());
    EXPECT_EQ(window.timer1().interval(), 2500);
    EXPECT_EQ(window.timer1().timerType(), Qt::PreciseTimer);
}

// ---- The feedback wait -------------------------------------------------

// Records the paint events of the window and of the answer label, with what
// was to be seen at that moment.
class PaintRecorder : public QObject {
public:
    struct Paint {
        QString widget;
        qint64 picture;
        bool labelShown;
        QString answer;
    };

    explicit PaintRecorder(MainWindow& window) : window_(window)
    {
        window.installEventFilter(this);
        window.control(C::Label4)->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (recording && event->type() == QEvent::Paint) {
            paints.push_back({watched->objectName(), window_.backgroundPicture().cacheKey(),
                              window_.control(C::Label4)->isVisible(),
                              qobject_cast<QLineEdit*>(window_.control(C::TextReponse))->text()});
        }
        return false;
    }

    bool recording = false;
    std::vector<Paint> paints;

private:
    MainWindow& window_;
};

class FeedbackWaitTest : public WindowTest {
protected:
    // Feet at the expert pace: 750 ms a picture, an answer after 0.55 s.
    FeedbackWaitTest()
    {
        showWindow();
        QTest::mouseClick(widget(C::optPied), Qt::LeftButton);
        QTest::mouseClick(widget(C::OptExtreme), Qt::LeftButton);
        QTest::mouseClick(widget(C::cmdOnOff), Qt::LeftButton);
    }

    QString answerShown() { return widget<QLineEdit>(C::TextReponse)->text(); }
    QString expectedAnswer() { return window.state().imageIndex > 10 ? " Droite" : " gauche"; }

    void postClick(Control c)
    {
        QWidget* target = window.control(c);
        const QPointF centre = QRectF(target->rect()).center();
        const QPointF global = target->mapToGlobal(centre);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            QCoreApplication::postEvent(target,
                                        new QMouseEvent(type, centre, global, Qt::LeftButton, held, Qt::NoModifier));
        }
    }
};

TEST_F(FeedbackWaitTest, PictureAndAnswerLabelArePaintedDuringTheWait)
{
    PaintRecorder recorder(window);
    QElapsedTimer clock;
    clock.start();
    recorder.recording = true;
    tick();
    recorder.recording = false;
    EXPECT_GE(clock.elapsed(), 500);

    const qint64 picture = window.backgroundPicture().cacheKey();
    ASSERT_FALSE(window.backgroundPicture().isNull());
    EXPECT_EQ(answerShown(), expectedAnswer());
    // Painted before the answer was written: during the wait.
    bool windowPainted = false, labelPainted = false;
    for (const PaintRecorder::Paint& paint : recorder.paints) {
        if (!paint.answer.isEmpty() || !paint.labelShown)
            continue;
        windowPainted |= paint.widget == "form1" && paint.picture == picture;
        labelPainted |= paint.widget == "Label4";
    }
    EXPECT_TRUE(windowPainted);
    EXPECT_TRUE(labelPainted);

    // No event has been handled since: the screen still shows what it showed
    // during the wait, the picture, the label's text and the empty box.
    const QImage screen = window.screen()->grabWindow(window.winId()).toImage();
    const int number = static_cast<int>(window.state().imageIndex.number());
    EXPECT_TRUE(nearColour(screen.pixelColor(20, 200), TestDisc::colourOf(number)));
    EXPECT_GT(darkPixels(screen, window.control(C::Label4)->geometry()), 20);
    EXPECT_EQ(darkPixels(screen, window.control(C::TextReponse)->geometry().adjusted(3, 3, -3, -3)), 0);
    // Once the tick has ended, the answer is painted as well.
    QApplication::processEvents();
    const QImage later = window.screen()->grabWindow(window.winId()).toImage();
    EXPECT_GT(darkPixels(later, window.control(C::TextReponse)->geometry().adjusted(3, 3, -3, -3)), 10);
}

// The click is seen at once, the busy cursor and the button pressed until
// the wait ends, and handled once the tick has written its answer.
TEST_F(FeedbackWaitTest, ClickDuringTheWaitShowsAtOnceAndTakesEffectAfterTheAnswer)
{
    postClick(C::cmdOnOff);
    bool pressedDuringTheWait = false, busyDuringTheWait = false;
    QString answerDuringTheWait = "?";
    QTimer::singleShot(300, &window, [&] {
        pressedDuringTheWait = widget<QPushButton>(C::cmdOnOff)->isDown();
        busyDuringTheWait = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        answerDuringTheWait = answerShown();
        EXPECT_EQ(window.state().running, 1);
    });
    tick();
    EXPECT_TRUE(pressedDuringTheWait);
    EXPECT_TRUE(busyDuringTheWait);
    EXPECT_EQ(answerDuringTheWait, "");
    // The click waited for the tick: the answer is written, then the
    // exercise stops.
    EXPECT_EQ(answerShown(), expectedAnswer());
    EXPECT_EQ(window.state().running, 0);
    EXPECT_EQ(captionOf(window.control(C::cmdOnOff)), QString::fromUtf8("&Démarrer l'exercice"));
    EXPECT_FALSE(widget<QPushButton>(C::cmdOnOff)->isDown());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FeedbackWaitTest, ClosingTheWindowDuringTheWaitEndsTheProgramAfterTheTick)
{
    QMetaObject::invokeMethod(&window, [this] { window.close(); }, Qt::QueuedConnection);
    tick();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.hasEnded());
    EXPECT_EQ(answerShown(), expectedAnswer());

    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.hasEnded());
    EXPECT_FALSE(window.timer1().isActive());
    const std::int16_t shown = window.state().shownCount;
    window.timer1Tick();
    EXPECT_EQ(window.state().shownCount, shown);
}

// ---- The other services ------------------------------------------------

TEST_F(WindowTest, ControlsThroughTheServices)
{
    WindowServices& services = window.services();
    EXPECT_EQ(services.isChecked(C::optMain), 1);
    EXPECT_EQ(services.isChecked(C::optPied), 0);
    EXPECT_TRUE(services.isSelected(C::OptNormal));
    EXPECT_FALSE(services.isSelected(C::OptDiff));

    // setChecked runs the box's handler when the value changes.
    services.setChecked(C::optPied, 1);
    EXPECT_EQ(services.isChecked(C::optPied), 1);
    EXPECT_EQ(services.isChecked(C::optMain), 0);
    services.setChecked(C::ChKniv2, 1);
    EXPECT_EQ(window.state().level, 2);
    EXPECT_EQ(services.isChecked(C::Chkniv1), 0);
    services.setChecked(C::optFeedBack, 0);
    EXPECT_EQ(services.isChecked(C::optFeedBack), 0);

    services.setCaption(C::cmdOnOff, "&Arrêter l'exercice");
    EXPECT_EQ(captionOf(window.control(C::cmdOnOff)), QString::fromUtf8("&Arrêter l'exercice"));
    services.setVisible(C::Label4, true);
    services.setVisible(C::TextReponse, true);
    showWindow();
    EXPECT_TRUE(window.control(C::Label4)->isVisible());
    services.setText(C::TextReponse, " gauche");
    EXPECT_EQ(widget<QLineEdit>(C::TextReponse)->text(), " gauche");
    services.setVisible(C::Label5, false);
    EXPECT_FALSE(window.control(C::Label5)->isVisible());
}

TEST_F(WindowTest, FilesOfTheDisc)
{
    EXPECT_EQ(window.services().probeFile(disc.programPath("bravo.bmp")), "bravo.bmp");
    EXPECT_EQ(window.services().probeFile(disc.programPath("mainDGfacile\\20.jpg")), "20.jpg");
    EXPECT_EQ(window.services().probeFile(disc.programPath("mainDGfacile\\21.jpg")), "");
}

TEST_F(WindowTest, ClockGivesSecondsSinceMidnight)
{
    const double first = window.services().clockSeconds();
    const double now = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    const double second = window.services().clockSeconds();
    EXPECT_GE(first, 0);
    EXPECT_LT(second, 86400);
    // The readings go forward, unless midnight came between them.
    EXPECT_TRUE(second >= first || first - second > 86000);
    const double apart = std::abs(now - second);
    EXPECT_TRUE(apart < 60 || apart > 86400 - 60) << now << " " << second;
}

TEST_F(WindowTest, RandomNumbersAreTheProgramsOwnSequence)
{
    RandomSequence expected;
    for (int i = 0; i < 10; ++i) {
        const double r = window.services().randomUnit();
        EXPECT_EQ(r, expected.next());
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 1);
    }
}
