#pragma once
// A substitute of the window services for the tests. It keeps each
// control's value, visibility, caption and text as the window would (in
// their state at start), runs a check box's click handler when setChecked
// changes its value, answers the file system, the clock and the random
// sequence from what the test gives it, and records every call in order.

#include "model/exercise_state.h"
#include "model/random.h"
#include "model/window_services.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class RecordingServices : public WindowServices {
public:
    explicit RecordingServices(ExerciseState& state);

    // --- What the test sets up ---
    // Paths that exist, exactly as the program writes them.
    std::set<std::string> files;
    // Roots (such as "D:\") whose probes raise DriveNotReady.
    std::set<std::string> drivesNotReady;
    // Roots whose probes raise DriveNotReady at first, but which answer when
    // waited for (probeSlowDrive).
    std::set<std::string> slowDrives;
    // The drive list as the platform writes it: "C:\<NUL>D:\<NUL>".
    std::string driveRoots;
    // When set, the length reported instead of the list's own length.
    std::optional<std::int32_t> reportedLength;
    std::map<std::string, std::int32_t> driveTypes; // others are fixed disks (3)
    std::deque<std::string> answers;                // for askText, in order
    std::deque<double> randomNumbers;               // then the program's own sequence
    double clock = 0;                               // seconds since midnight, to the microsecond
    // What the user does during a pause, the feedback wait: called once the
    // clock has moved on.
    std::function<void()> duringPause;

    // --- The controls, as the program left them ---
    std::map<Control, int> checkedValue;
    Control selectedPace = Control::OptNormal;
    std::map<Control, bool> visible;
    std::map<Control, std::string> caption;
    std::map<Control, std::string> textOf;
    std::string picture; // the background picture's path, empty for none
    std::int32_t timerInterval = 1000;
    bool ended = false;

    // A user's click on a check box: toggles it and runs its handler.
    void click(Control box);
    void selectPace(Control button) { selectedPace = button; }

    // Every call, in order, written as op(arguments).
    std::vector<std::string> calls;
    // The calls without the reads (isChecked, isSelected, clockSeconds,
    // randomUnit), which change nothing.
    std::vector<std::string> effects() const;
    void clearCalls() { calls.clear(); }
    // The program's own random sequence, once the numbers given are used up.
    const RandomSequence& sequence() const { return sequence_; }

    void showPicture(const std::string& path) override;
    void showMessage(const std::string& text) override;
    std::string askText(const std::string& prompt) override;
    void setCaption(Control button, const std::string& text) override;
    void setVisible(Control control, bool isVisible) override;
    void setText(Control textBox, const std::string& text) override;
    int isChecked(Control checkBox) override;
    void setChecked(Control checkBox, int value) override;
    bool isSelected(Control optionButton) override;
    void setTimerInterval(std::int32_t milliseconds) override;
    std::string probeFile(const std::string& path) override;
    std::string probeSlowDrive(const std::string& path) override;
    DriveRoots listDriveRoots(std::int32_t capacity) override;
    std::int32_t driveType(const std::string& root) override;
    double clockSeconds() override;
    double randomUnit() override;
    void endProgram() override;
    void pause(double seconds) override;

private:
    void record(std::string call) { calls.push_back(std::move(call)); }
    std::string answerProbe(const std::string& path);
    ExerciseState& state_;
    RandomSequence sequence_;
};
