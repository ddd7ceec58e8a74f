#pragma once
// The program's one window, form1, over Qt: its controls built from the
// window's description, its timer Timer1 and its background picture. Its
// events go to the window's logic, Form1, which runs the handlers.

#include "engine/form1.h"
#include "model/controls.h"
#include "model/exercise_state.h"
#include "results/input_clock.h"
#include "ui/qt/qt_services.h"

#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QInputEvent;
class QKeyEvent;
class ResultsWindow;

class MainWindow : public QWidget, private FormHost {
    Q_OBJECT
public:
    // Without a results folder, no results are saved.
    explicit MainWindow(ResultsFolder* results = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the load handler Form_Load, with the disc folder given on the
    // command line if any; called once, before the window is shown.
    void load(const std::optional<std::string>& discFolder = std::nullopt);

    ExerciseState& state() { return state_; }
    QtServices& services() { return services_; }
    Form1& form() { return form_; }
    // The widget of a control; null for the window itself and the timer.
    QWidget* control(Control c) const;
    QTimer& timer1() { return timer1_; }

    const QImage& backgroundPicture() const { return background_; }
    // The picture from the file at the program path, null for none.
    void setBackgroundPicture(const QImage& picture, const std::string& path);
    // Paints what is due at once, as the feedback wait needs it.
    void repaintNow();
    // While on (the feedback wait, a slow drive), the user's input to the
    // window is held back, and handled in order once the handler under way
    // has ended; a click taken meanwhile shows at once, with the busy cursor
    // and its button drawn pressed until the wait ends.
    void holdInput(bool on);

    // True once the program has ended: the window closed or cmdExit clicked.
    bool hasEnded() const { return form_.ended(); }
    // The system ends the program (the session ends, or a signal such as
    // SIGTERM or Ctrl+C): a box open is closed first, so that the handler
    // that opened it ends, then the window closes, which saves the exercise
    // under way.
    void closeForTheSystem();

    // A tick of Timer1, through the window's logic.
    void timer1Tick();
    // Posted to the window, from the reading thread, when a picture read and
    // decoded for display is ready.
    static constexpr QEvent::Type pictureReadyEvent = static_cast<QEvent::Type>(QEvent::User + 1);
    // The results window, opened with F2 and at the end of an exercise.
    void showResults() override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // The time an input event happened, on the window's clock.
    double momentOf(const QInputEvent& event);

    void postTick() override;
    void postIdle() override;
    std::optional<std::string> probeAhead(const std::string& path) override;
    void preparePictures(const std::vector<std::string>& paths) override;
    void resultsChanged() override;
    void postClose() override;
    bool holdDuringTheWait(QObject* target, QEvent* event);
    bool arrowKey(const QKeyEvent& key);

    ExerciseState state_;
    QtServices services_;
    Form1 form_;
    QTimer timer1_;
    QTimer idle_;
    std::array<QWidget*, controlCount> controls_{};
    QButtonGroup* paceGroup_;
    QImage background_;
    QPointer<ResultsWindow> results_;
    InputClock inputClock_;
    quint64 arrowReleasedAt_ = 0; // the time stamp of the last release of an arrow key
    // What shows a click taken during a wait.
    bool busyCursor_ = false;
    bool busyCursorLoaded_ = false;
    QPointer<QAbstractButton> pressed_;
};
