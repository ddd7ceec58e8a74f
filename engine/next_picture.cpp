#include "engine/next_picture.h"

#include "engine/tick.h"
#include "model/exercise_state.h"
#include "model/forwarding_services.h"
#include "model/random.h"

namespace {

// Ends the trial tick where the real tick would wait for the clock or for
// the user, or run a click handler.
struct TrialEnd {};

// Services for a trial tick: what it reads comes from the window, what it
// would change is dropped, and its random numbers come from a copy.
class TrialServices : public ForwardingServices {
public:
    TrialServices(WindowServices& window, const RandomSequence& random, const ProbeAhead& probe)
        : ForwardingServices(window), random_(random), probe_(probe)
    {
    }

    std::vector<std::string> pictures;

    void showPicture(const std::string& path) override { pictures.push_back(path); }
    void showMessage(const std::string&) override { throw TrialEnd{}; }
    std::string askText(const std::string&) override { throw TrialEnd{}; }
    void setCaption(Control, const std::string&) override {}
    void setVisible(Control, bool) override {}
    void setText(Control, const std::string&) override {}
    void setChecked(Control, int) override { throw TrialEnd{}; }
    void setTimerInterval(std::int32_t) override {}
    std::string probeFile(const std::string& path) override
    {
        const std::string assumedName = path.substr(path.find_last_of('\\') + 1);
        return probe_(path).value_or(assumedName);
    }
    DriveRoots listDriveRoots(std::int32_t) override { throw TrialEnd{}; }
    std::int32_t driveType(const std::string&) override { throw TrialEnd{}; }
    double clockSeconds() override { throw TrialEnd{}; }
    double randomUnit() override { return random_.next(); }
    void endProgram() override { throw TrialEnd{}; }
    void pause(double) override { throw TrialEnd{}; }

private:
    RandomSequence random_;
    const ProbeAhead& probe_;
};

} // namespace

std::vector<std::string> nextPicturePaths(const ExerciseState& state, const RandomSequence& random,
                                          WindowServices& window, const ProbeAhead& probe)
{
    ExerciseState trialState = state;
    TrialServices trial(window, random, probe);
    try {
        Timer1_Timer(trialState, trial);
    } catch (const TrialEnd&) {
        // The trial has gone as far as it may; a tick that asks the user
        // something before its picture shows none.
    }
    return trial.pictures;
}
