#pragma once
// The window form1 as its logic sees it, without any widget. A front-end
// (the Qt window, the Win32 window) turns the events of its widgets into
// these calls; Form1 runs the handlers one at a time, as the window's single
// thread would, and keeps the answers of phase 1 and the history of the
// exercises. What only a front-end can do (post work to its event loop,
// decode pictures, open the results window) it asks of a FormHost.

#include "model/controls.h"
#include "model/exercise_state.h"
#include "results/answer_sheet.h"
#include "results/history.h"
#include "results/results_folder.h"

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class RandomSequence;
class WindowServices;

class FormHost {
public:
    virtual ~FormHost() = default;

    // Calls Form1::timerTick() again soon, from the event loop.
    virtual void postTick() = 0;
    // Calls Form1::idle() once the event loop has nothing more pressing to do.
    virtual void postIdle() = 0;
    // What is known of the file at the path without waiting for the disc:
    // its name, empty text for none, or nothing when not known yet. The
    // question may be passed on to the disc, for a later call.
    virtual std::optional<std::string> probeAhead(const std::string& path) = 0;
    // Decodes ahead the pictures at the paths, for the next tick.
    virtual void preparePictures(const std::vector<std::string>& paths) = 0;
    // Opens the results window, or brings it to the front.
    virtual void showResults() = 0;
    // The history or the last exercise has changed: an open results window
    // shows them again.
    virtual void resultsChanged() = 0;
    // Asks the window to close again, from the event loop: a close asked for
    // while a handler ran waited for its end.
    virtual void postClose() = 0;
};

class Form1 {
public:
    // Without a results folder, nothing is saved.
    Form1(ExerciseState& state, WindowServices& window, const RandomSequence& random, FormHost& host,
          ResultsFolder* results);

    // The load handler, before the window is first shown; with the disc's
    // folder when the command line gave one.
    void load(const std::optional<std::string>& discFolder = std::nullopt);
    // A tick of Timer1. One that comes while a handler is under way waits for
    // it to end; at most one waits, as with the platform's timer message.
    void timerTick();
    // A check box whose value has changed (by a click, an access key or the
    // program), or a command button clicked.
    void clicked(Control control);
    // The Left or Right arrow key, pressed at the given time of the clock
    // (the key event's own time stamp). While an exercise runs in phase 1 it
    // belongs to the picture on screen then, and true is returned; otherwise
    // the key is the window's. A key held down repeats: the repeats are the
    // exercise's too, but only the first press counts, so that a held key
    // is one press.
    bool arrowKey(Side side, double pressedAt, bool repeated = false);
    // The first frame that shows the picture at the path has ended at the
    // given time of the clock; any other path, or none, means that the
    // picture of the tick is no longer on screen.
    void pictureOnScreen(const std::string& path, double at);
    // The window's background becomes the picture at the path (empty for
    // none); it is on screen once the next frame has ended (frameEnded).
    void backgroundChanged(const std::string& path);
    void frameEnded(double at);

    // Whether input that comes now must wait for the handler under way: it
    // waits on the clock (the feedback wait) or on a slow drive.
    bool holdingInput() const { return holding_; }
    void setHoldingInput(bool on) { holding_ = on; }
    // Input held while a handler waits; it is given back, in order, once the
    // handlers have ended. A click is one: an exercise that a held click
    // stops is saved with the moment of the click, not of its handling.
    void holdInput(std::function<void()> giveBack);
    bool inputHeld() const { return !heldInput_.empty(); }
    // The window is asked to close. True when it may close now, the exercise
    // under way saved (close()); asked while a handler runs, the close waits
    // for the handler's end, and the host is then asked to close again.
    bool closeRequested();
    // Between handlers: saves an exercise that a change of settings ended
    // and that can take no more keys, and works out the next tick's
    // pictures and has them decoded ahead.
    void idle();
    // The window is being closed: the exercise under way is saved, and the
    // program ends.
    void close();

    bool ended() const { return ended_; }
    bool busy() const { return handlersRunning_ > 0; }

    // The keys of the exercise under way.
    const AnswerSheet& answers() const { return sheet_; }
    // The last exercise of this run in which a key was pressed, with its
    // pictures and answers: the last one saved.
    const std::optional<ExerciseRecord>& lastExercise() const { return lastExercise_; }
    // Where the results are kept, or null when nothing is saved.
    ResultsFolder* results() const { return results_; }
    // The results folder's thread has written or read it: what is wrong with
    // it is told once, and an open results window shows it again.
    void folderChanged();
    // The patient's name in force, saved with each exercise: composed, and
    // without the blanks around it.
    const std::string& patient() const { return patient_; }
    // Empty text when the name is remembered for the next run, otherwise a
    // French message.
    std::string setPatient(const std::string& name);

private:
    template <typename Handler>
    void run(Handler handler);
    void prepareNextPictures();
    bool saveExercises(std::vector<SheetExercise> exercises);
    void finishExercise();
    void giveBackHeldInput();

    ExerciseState& state_;
    WindowServices& window_;
    const RandomSequence& random_;
    FormHost& host_;
    ResultsFolder* results_;
    std::string toldOfFolder_; // the folder's trouble told last

    bool ended_ = false;
    int handlersRunning_ = 0;
    bool tickWaiting_ = false;
    bool runningBefore_ = false;
    bool tickEnded_ = false; // the exercise was ended by a tick's picture count
    bool closeWaiting_ = false;
    bool holding_ = false;
    struct HeldInput {
        std::function<void()> giveBack;
        std::time_t at;
    };
    std::vector<HeldInput> heldInput_;
    // While held input is given back: the moment it came.
    std::optional<std::time_t> inputCameAt_;
    std::optional<std::string> framePending_;

    AnswerSheet sheet_;
    std::optional<ExerciseRecord> lastExercise_;
    std::string unsaid_; // what saving during an exercise has to say at its stop
    std::string patient_;
};
