#include "engine/form1.h"

#include "disc/form_load.h"
#include "disc/layout.h"
#include "engine/exercise.h"
#include "engine/next_picture.h"
#include "engine/tick.h"
#include "model/forwarding_services.h"
#include "model/settings.h"
#include "results/patient_name.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace {

using C = Control;

// The services of a tick, which tell the answer sheet when the tick shows
// its picture and when it displays the correct side, and have the next
// tick's pictures decoded from the start of the feedback wait: a photograph
// may take longer to decode than the 0.2 s between the wait's end and the
// next tick.
class TickServices : public ForwardingServices {
public:
    TickServices(WindowServices& window, const ExerciseState& state, std::function<void()> pictureShown,
                 std::function<void()> answerShown, std::function<void()> waitBegins)
        : ForwardingServices(window), state_(state), pictureShown_(std::move(pictureShown)),
          answerShown_(std::move(answerShown)), waitBegins_(std::move(waitBegins))
    {
    }

    void pause(double seconds) override
    {
        if (const std::function<void()> begins = std::exchange(waitBegins_, nullptr))
            begins();
        ForwardingServices::pause(seconds);
    }

    void showPicture(const std::string& path) override
    {
        ForwardingServices::showPicture(path);
        // The picture of a running tick; the closing picture of the end and
        // of a refusal comes once the exercise has stopped.
        if (state_.running == 1 && path == text(state_.imagePath))
            pictureShown_();
    }

    void setText(Control textBox, const std::string& value) override
    {
        ForwardingServices::setText(textBox, value);
        if (textBox == Control::TextReponse && !value.empty())
            answerShown_();
    }

private:
    const ExerciseState& state_;
    std::function<void()> pictureShown_;
    std::function<void()> answerShown_;
    std::function<void()> waitBegins_;
};

// Adds a message to what is to be said, each message once.
void addMessage(std::string& said, const std::string& message)
{
    if (!message.empty() && said.find(message) == std::string::npos)
        said += (said.empty() ? "" : "\n") + message;
}

bool anyKey(const std::vector<PictureAnswer>& pictures)
{
    return std::ranges::any_of(pictures, [](const PictureAnswer& p) { return p.answer || p.leftOut; });
}

// The set's folder, as "mainDGfacile", from its fragment ":\mainDGfacile\".
std::string imageSetOf(const std::string& fragment)
{
    const std::size_t first = fragment.find_first_not_of(":\\");
    if (first == std::string::npos)
        return {};
    return fragment.substr(first, fragment.find_last_not_of('\\') + 1 - first);
}

} // namespace

Form1::Form1(ExerciseState& state, WindowServices& window, const RandomSequence& random, FormHost& host,
             ResultsFolder* results)
    : state_(state), window_(window), random_(random), host_(host), results_(results),
      patient_(results ? results->patient() : std::string())
{
}

template <typename Handler>
void Form1::run(Handler handler)
{
    if (ended_)
        return;
    const bool outermost = handlersRunning_ == 0;
    if (outermost)
        runningBefore_ = state_.running == 1;
    ++handlersRunning_;
    try {
        handler();
        // An exercise runs from a click on the start button to the next stop
        // of any kind; each stop saves it.
        const bool runningNow = state_.running == 1;
        if (outermost && !runningBefore_ && runningNow)
            sheet_.start();
        else if (outermost && runningBefore_ && !runningNow)
            finishExercise();
    } catch (const ProgramEnded&) {
        // The program has ended inside the handler; nothing more of it runs.
    }
    --handlersRunning_;
    if (!outermost || ended_)
        return;
    giveBackHeldInput();
    if (closeWaiting_) {
        closeWaiting_ = false;
        host_.postClose();
    }
    host_.postIdle();
    if (tickWaiting_) {
        tickWaiting_ = false;
        host_.postTick();
    }
}

void Form1::load(const std::optional<std::string>& discFolder)
{
    run([&] {
        Form_Load(state_, window_, discFolder);
    });
}

void Form1::timerTick()
{
    if (ended_)
        return;
    if (busy()) {
        tickWaiting_ = true;
        return;
    }
    run([this] {
        tickEnded_ = false;
        TickServices services(
            window_, state_,
            [this] {
                const ExerciseSettings settings{
                    bodyPartOf(text(state_.imageDir)).value_or(BodyPart::hands),
                    state_.level.isUnset() ? 1 : static_cast<int>(state_.level.number()),
                    toInt32(state_.intervalMs), window_.isChecked(C::optFeedBack) == 1};
                sheet_.pictureShown(static_cast<int>(state_.imageIndex.number()), window_.isChecked(C::optDG) == 1,
                                    settings, imageSetOf(text(state_.imageDir)), std::time(nullptr));
            },
            [this] { sheet_.answerRevealed(window_.clockSeconds()); }, [this] { prepareNextPictures(); });
        const bool running = state_.running == 1;
        Timer1_Timer(state_, services);
        tickEnded_ = running && state_.running != 1 && pictureLimitReached(state_);
    });
}

void Form1::clicked(Control control)
{
    if (control == C::cmdExit) {
        run([this] {
            // The exercise under way is saved before the program ends.
            if (sheet_.started())
                finishExercise();
            cmdExit_Click(state_, window_);
        });
    } else if (control == C::cmdOnOff) {
        run([this] { cmdOnOff_Click(state_, window_); });
    } else {
        run([this, control] { checkBoxClicked(control, state_, window_); });
    }
}

bool Form1::arrowKey(Side side, double pressedAt, bool repeated)
{
    if (ended_ || state_.running != 1 || window_.isChecked(C::optDG) != 1)
        return false;
    if (!repeated)
        sheet_.key(side, pressedAt);
    return true;
}

void Form1::pictureOnScreen(const std::string& path, double at)
{
    if (!path.empty() && path == text(state_.imagePath))
        sheet_.pictureOnScreen(at);
    else
        sheet_.noPictureOnScreen(at);
}

void Form1::backgroundChanged(const std::string& path)
{
    framePending_ = path;
}

void Form1::frameEnded(double at)
{
    if (const std::optional<std::string> path = std::exchange(framePending_, std::nullopt))
        pictureOnScreen(*path, at);
}

void Form1::holdInput(std::function<void()> giveBack)
{
    heldInput_.push_back({std::move(giveBack), std::time(nullptr)});
}

// Each held input is given back as if it came now, in order; what it runs
// may hold more input again, which waits for its own turn.
void Form1::giveBackHeldInput()
{
    while (!heldInput_.empty() && !ended_ && !busy()) {
        HeldInput next = std::move(heldInput_.front());
        heldInput_.erase(heldInput_.begin());
        inputCameAt_ = next.at;
        next.giveBack();
        inputCameAt_.reset();
    }
}

bool Form1::closeRequested()
{
    if (ended_)
        return true;
    if (busy()) {
        closeWaiting_ = true;
        return false;
    }
    close();
    return true;
}

void Form1::idle()
{
    if (busy())
        return;
    // An exercise ended by a change of settings a tick ago can take no more
    // keys: it is saved now, once the tick's picture has been painted.
    saveExercises(sheet_.takeFinished());
    prepareNextPictures();
}

void Form1::prepareNextPictures()
{
    if (ended_)
        return;
    const ProbeAhead probe = [this](const std::string& path) { return host_.probeAhead(path); };
    host_.preparePictures(nextPicturePaths(state_, random_, window_, probe));
}

void Form1::close()
{
    if (ended_)
        return;
    // Counted as a handler, so that no tick runs while a message about the
    // saving is open.
    ++handlersRunning_;
    try {
        if (sheet_.started())
            finishExercise();
        // What cannot be written now waits in the journal for the next
        // start; only exercises no disk could keep are said, before they go.
        if (const std::string lost = results_ ? results_->end() : std::string(); !lost.empty())
            window_.showMessage(lost);
    } catch (const ProgramEnded&) {
        // Ending anyway.
    }
    --handlersRunning_;
    ended_ = true;
}

void Form1::folderChanged()
{
    // Never in the middle of a handler or of an exercise: the next news of
    // the folder tells it then.
    const std::string trouble = results_ ? results_->problem() : std::string();
    // Noted before the box opens: news that comes while it is open is not
    // told again.
    try {
        if (!busy() && state_.running != 1 && !ended_ && trouble != std::exchange(toldOfFolder_, trouble) &&
            !trouble.empty())
            window_.showMessage(trouble);
    } catch (const ProgramEnded&) {
        // The program ended while the message was open: nothing more to show.
        return;
    }
    host_.resultsChanged();
}

std::string Form1::setPatient(const std::string& name)
{
    patient_ = patientKey(name);
    return results_ ? results_->setPatient(name) : std::string();
}

// Saves each exercise that has ended in which a key was pressed; one that
// ended after its ten minutes opens the results window. An exercise without
// keys, as when the patient does not use them, leaves the window as it was.
// What the saving has to say waits for the stop: a box would stop the
// exercise under way.
bool Form1::saveExercises(std::vector<SheetExercise> exercises)
{
    bool keyed = false;
    for (SheetExercise& e : exercises) {
        if (!anyKey(e.pictures))
            continue;
        lastExercise_ = ExerciseRecord{
            {localDateTime(e.endedAt), patient_, tallyOf(e.settings, e.pictures), newExerciseId()},
            std::move(e.pictures)};
        if (results_)
            addMessage(unsaid_, results_->save(*lastExercise_));
        keyed = true;
    }
    if (keyed)
        host_.resultsChanged();
    return keyed;
}

void Form1::finishExercise()
{
    const bool endedByItself = std::exchange(tickEnded_, false);
    // A stop that waited for the feedback wait is the moment of its click.
    const bool keyed = saveExercises(sheet_.stop(inputCameAt_ ? *inputCameAt_ : std::time(nullptr)));
    if (!unsaid_.empty())
        window_.showMessage(std::exchange(unsaid_, {}));
    if (endedByItself && keyed)
        host_.showResults();
}
