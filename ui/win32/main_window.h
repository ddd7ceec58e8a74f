#pragma once
// The program's one window, form1, over Win32: its controls built from the
// window's description, its timer Timer1, its background picture and its
// message loop. Its events go to the window's logic, Form1, which runs the
// handlers.

#include "engine/form1.h"
#include "model/controls.h"
#include "model/exercise_state.h"
#include "model/window_layout.h"
#include "ui/win32/pace_timer.h"
#include "ui/win32/win32_services.h"

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class ResultsWindow;
struct WicPicture;

class MainWindow : private FormHost {
public:
    // Without a results folder, no results are saved. The timer is of the
    // best kind Windows offers, unless a lesser one is asked for.
    explicit MainWindow(ResultsFolder* results = nullptr,
                        PaceTimer::Kind timerKind = PaceTimer::Kind::highResolution);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Runs the load handler Form_Load, with the disc folder given on the
    // command line if any; called once, before the window is shown.
    void load(const std::optional<std::string>& discFolder = std::nullopt);
    // Shows the window in its normal state, in front, with the focus on the
    // start button.
    void show();
    // The message loop, until the program ends; its exit status.
    int run();
    // One turn of the loop: waits up to the time given for a tick or a
    // message, then handles the tick and every message waiting. False once
    // the program has ended.
    bool runOnce(DWORD waitMilliseconds);

    HWND hwnd() const { return hwnd_; }
    // The control's window; null for the window itself and the timer.
    HWND control(Control c) const;
    // The control of a child window, if it is one.
    std::optional<Control> controlOf(HWND child) const;
    ExerciseState& state() { return state_; }
    Win32Services& services() { return services_; }
    Form1& form() { return form_; }
    PaceTimer& timer1() { return *timer1_; }
    // The dots per inch the controls are laid out for.
    UINT dpi() const { return dpi_; }
    HWND resultsWindow() const;

    // Whether a check box is checked, or an option button selected; false
    // for a control of another kind.
    bool isChecked(Control c, ControlKind kind) const;
    // Checks or unchecks a check box; when its value changes, its click
    // handler runs.
    void setChecked(Control checkBox, bool on);

    const std::shared_ptr<const WicPicture>& backgroundPicture() const { return background_; }
    // The picture from the file at the program path, null for none.
    void setBackgroundPicture(std::shared_ptr<const WicPicture> picture, const std::string& path);
    // From a reading thread: a picture read for display is ready.
    void postPictureReady();

    // A tick of Timer1, through the window's logic.
    void timer1Tick();
    // The feedback wait, and the wait for a slow drive: the window painted
    // at once, then kept alive for the time given while the user's input is
    // held; arrow keys pressed meanwhile are answers, timed when the wait
    // saw them.
    void feedbackWait(double seconds);
    // Saves what is under way and ends the program.
    void endProgram();
    bool hasEnded() const { return form_.ended(); }

    // Keys the window takes before its controls: the answers, F2, Tab and
    // Enter, then the dialog keys (access keys, arrows in the pace group).
    // True when the message was handled.
    bool preTranslate(MSG& message);

    // The results window, opened with F2 and at the end of an exercise.
    void showResults() override;

private:
    using Clock = std::chrono::steady_clock;

    template <typename Owner>
    friend LRESULT CALLBACK ownedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void buildControls();
    void layOut(UINT dpi);
    void paint();
    void close();
    void moveFocus(bool backwards);
    bool isOurs(HWND hwnd) const;
    bool takesFocus(Control c) const;
    double pressedAt(const MSG& message) const;
    void takeInputWaiting();
    void showClickTaken(HWND target);
    void dispatch(MSG& message);

    void postTick() override;
    void postIdle() override;
    std::optional<std::string> probeAhead(const std::string& path) override;
    void preparePictures(const std::vector<std::string>& paths) override;
    void resultsChanged() override;
    void postClose() override;

    ExerciseState state_;
    Win32Services services_;
    Form1 form_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    std::unique_ptr<PaceTimer> timer1_;
    // Wakes the feedback wait at its end to the millisecond.
    std::unique_ptr<PaceTimer> wakeUp_;
    std::array<HWND, controlCount> controls_{};
    std::vector<Control> tabOrder_;
    std::map<std::pair<double, bool>, HFONT> fonts_;
    std::shared_ptr<const WicPicture> background_;
    std::unique_ptr<ResultsWindow> results_;
    HWND focused_ = nullptr; // the control that had the focus when the window was left
    std::optional<int> exitStatus_; // once WM_QUIT has come
    bool idlePosted_ = false;
    // What shows a click taken during a wait: the busy cursor, and the
    // button drawn pressed.
    bool busyCursor_ = false;
    HWND pressed_ = nullptr;
    // While input held during a wait is given back: the moment it was seen.
    std::optional<double> givenBackAt_;
};
