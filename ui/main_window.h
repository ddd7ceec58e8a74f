#pragma once
// The program's one window, form1: its controls, the shared exercise state,
// the timer Timer1 and the background picture. Every handler runs through
// here, one at a time, on the user-interface thread.

#include "model/controls.h"
#include "model/exercise_state.h"
#include "ui/qt_services.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <array>
#include <optional>
#include <string>

class QButtonGroup;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Runs the load handler Form_Load, with the disc folder given on the
    // command line if any; called once, before the window is shown.
    void load(const std::optional<std::string>& discFolder = std::nullopt);

    ExerciseState& state() { return state_; }
    QtServices& services() { return services_; }
    // The widget of a control; null for the window itself and the timer.
    QWidget* control(Control c) const;
    QTimer& timer1() { return timer1_; }

    const QPixmap& backgroundPicture() const { return background_; }
    void setBackgroundPicture(const QPixmap& picture);

    // True once the program has ended: the window closed or cmdExit clicked.
    bool hasEnded() const { return ended_; }

    // A tick of Timer1. One that comes while a handler is under way (a modal
    // box open, the feedback wait) waits for it to end; at most one waits.
    void timer1Tick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    template <typename Handler>
    void runHandler(Handler handler);
    // Between handlers: decodes the pictures the next tick will show.
    void prepareNextPicture();

    ExerciseState state_;
    QtServices services_;
    QTimer timer1_;
    QTimer nextPicture_;
    std::array<QWidget*, controlCount> controls_{};
    QButtonGroup* paceGroup_;
    QPixmap background_;
    bool ended_ = false;
    int handlersRunning_ = 0;
    bool tickWaiting_ = false;
};
