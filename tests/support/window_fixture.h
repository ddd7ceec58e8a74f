#pragma once
// The real main window for the widget tests: a small image disc in a
// temporary folder (the folder is typed in place of a drive letter), the
// window shown and active on the offscreen platform, and a helper that
// answers the modal boxes the program opens.

#include "support/banded_photograph.h"
#include "support/temp_folder.h"
#include "ui/qt/main_window.h"

#include "support/modal_responder.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

// Pictures 1 to 20 of the hands' and the feet's easy phase-1 sets, each in a
// colour of its own, and the closing picture bravo.bmp.
class TestDisc {
public:
    TestDisc()
    {
        for (const char* set : {"mainDGfacile", "piedDGfacile"}) {
            QDir(folder.path()).mkpath(QString::fromLatin1(set));
            for (int number = 1; number <= 20; ++number)
                solid(pictureSize, colourOf(number)).save(file(QStringLiteral("%1/%2.jpg").arg(set).arg(number)), "JPEG", 95);
        }
        solid(QSize(100, 80), bravoColour).save(file(QStringLiteral("bravo.bmp")), "BMP");
    }

    static QImage solid(QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }
    static QColor colourOf(int number) { return QColor::fromHsv(number * 17 % 360, 255, 220); }

    QString file(const QString& relative) const { return folder.filePath(relative); }
    // The folder as the program takes it in place of a drive letter.
    std::string driveLetter() const { return folder.path().toStdString(); }
    // The program's path of a file of the disc, as in E:\mainDG\7.jpg.
    std::string programPath(const std::string& relative) const { return driveLetter() + ":\\" + relative; }

    static constexpr QSize pictureSize{400, 300};
    static constexpr QColor bravoColour{250, 250, 40};

private:
    QTemporaryDir folder;
};

class WindowTest : public ::testing::Test {
protected:
    // The timer is stopped, so that the test gives every tick itself.
    // Without a results folder, nothing is saved.
    explicit WindowTest(ResultsFolder* results = nullptr) : window(results)
    {
        setInitialValues(window.state());
        window.state().driveLetter = disc.driveLetter();
        window.timer1().stop();
    }

    void showWindow()
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // One tick of Timer1 as the timer gives it; the timer itself is then
    // stopped, so that no further tick comes while the test looks. A picture
    // that was not decoded ahead is waited for.
    void tick()
    {
        window.timer1Tick();
        window.timer1().stop();
        settle();
    }

    // Waits until the picture asked for display has been read and decoded
    // on the reading thread, and the window has taken it.
    void settle()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window.services().disc().loading(); }, 10000));
        QCoreApplication::sendPostedEvents(&window, MainWindow::pictureReadyEvent);
    }

    template <typename Widget = QWidget>
    Widget* widget(Control c)
    {
        auto* w = qobject_cast<Widget*>(window.control(c));
        EXPECT_NE(w, nullptr) << "no such widget for control " << controlName(c);
        return w;
    }

    // The colour on screen at a point of the window.
    QColor pixelAt(QPoint point) { return window.grab().toImage().pixelColor(point); }
    QColor baseColour() const { return window.palette().color(QPalette::Base); }

    TestDisc disc;
    MainWindow window;
    ModalResponder responder;
};

// The results of a window test that keeps them, in a private folder of its
// own; made before the window.
struct TestResults {
    TempFolder folder;
    ResultsFolder results{folder.path() / "tavrel", "PC"};
};

class KeptResultsTest : protected TestResults, public WindowTest {
protected:
    KeptResultsTest() : WindowTest(&results) {}
};

