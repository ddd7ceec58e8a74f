#include "support/recording_services.h"

#include "model/settings.h"

#include <algorithm>
#include <cmath>

namespace {

std::string name(Control c) { return std::string(controlName(c)); }
std::string quoted(const std::string& s) { return '"' + s + '"'; }
std::string number(double n) { return text(Value(n)); }

} // namespace

RecordingServices::RecordingServices(ExerciseState& state) : state_(state)
{
    for (Control box : {Control::optMain, Control::Chkniv1, Control::optDG, Control::optFeedBack, Control::optLes2})
        checkedValue[box] = 1;
    for (int i = 0; i < controlCount; ++i)
        visible[static_cast<Control>(i)] = true;
    visible[Control::Label4] = false;
    visible[Control::TextReponse] = false;
    caption[Control::cmdOnOff] =
        "Choisissez l'option Mains ou Pieds, le niveau de difficulté, la vitesse, puis la phase (1,2 ou3) "
        "puis Cliquez ici pour &Débuter";
}

std::vector<std::string> RecordingServices::effects() const
{
    std::vector<std::string> result;
    for (const std::string& call : calls) {
        const bool read = call.starts_with("isChecked(") || call.starts_with("isSelected(") ||
                          call.starts_with("clockSeconds(") || call.starts_with("randomUnit(");
        if (!read)
            result.push_back(call);
    }
    return result;
}

void RecordingServices::click(Control box)
{
    checkedValue[box] = checkedValue[box] ? 0 : 1;
    checkBoxClicked(box, state_, *this);
}

void RecordingServices::showPicture(const std::string& path)
{
    record("showPicture(" + quoted(path) + ")");
    picture = path;
}

void RecordingServices::showMessage(const std::string& text)
{
    record("showMessage(" + quoted(text) + ")");
}

std::string RecordingServices::askText(const std::string& prompt)
{
    record("askText(" + quoted(prompt) + ")");
    if (answers.empty())
        return {};
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingServices::setCaption(Control button, const std::string& text)
{
    record("setCaption(" + name(button) + ", " + quoted(text) + ")");
    caption[button] = text;
}

void RecordingServices::setVisible(Control control, bool isVisible)
{
    record("setVisible(" + name(control) + ", " + (isVisible ? "true" : "false") + ")");
    visible[control] = isVisible;
}

void RecordingServices::setText(Control textBox, const std::string& text)
{
    record("setText(" + name(textBox) + ", " + quoted(text) + ")");
    textOf[textBox] = text;
}

int RecordingServices::isChecked(Control checkBox)
{
    record("isChecked(" + name(checkBox) + ")");
    return checkedValue[checkBox];
}

void RecordingServices::setChecked(Control checkBox, int value)
{
    record("setChecked(" + name(checkBox) + ", " + std::to_string(value) + ")");
    if (checkedValue[checkBox] == value)
        return;
    checkedValue[checkBox] = value;
    checkBoxClicked(checkBox, state_, *this);
}

bool RecordingServices::isSelected(Control optionButton)
{
    record("isSelected(" + name(optionButton) + ")");
    return optionButton == selectedPace;
}

void RecordingServices::setTimerInterval(std::int32_t milliseconds)
{
    record("setTimerInterval(" + std::to_string(milliseconds) + ")");
    timerInterval = milliseconds;
}

std::string RecordingServices::probeFile(const std::string& path)
{
    record("probeFile(" + quoted(path) + ")");
    for (const std::string& root : slowDrives) {
        if (path.starts_with(root))
            throw DriveNotReady("drive slow to answer: " + root);
    }
    return answerProbe(path);
}

std::string RecordingServices::probeSlowDrive(const std::string& path)
{
    record("probeSlowDrive(" + quoted(path) + ")");
    return answerProbe(path);
}

std::string RecordingServices::answerProbe(const std::string& path)
{
    for (const std::string& root : drivesNotReady) {
        if (path.starts_with(root))
            throw DriveNotReady("drive not ready: " + root);
    }
    if (!files.contains(path))
        return {};
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

DriveRoots RecordingServices::listDriveRoots(std::int32_t capacity)
{
    record("listDriveRoots(" + std::to_string(capacity) + ")");
    const auto length = reportedLength.value_or(static_cast<std::int32_t>(driveRoots.size()));
    // Like the platform: a list that does not fit, with its final NUL, is
    // not written, and the size it needs is reported instead.
    if (!reportedLength && length + 1 > capacity)
        return {std::string(), length + 1};
    return {length > capacity ? std::string() : driveRoots, length};
}

std::int32_t RecordingServices::driveType(const std::string& root)
{
    record("driveType(" + quoted(root) + ")");
    const auto found = driveTypes.find(root);
    return found == driveTypes.end() ? 3 : found->second;
}

double RecordingServices::clockSeconds()
{
    record("clockSeconds()");
    return clock;
}

double RecordingServices::randomUnit()
{
    record("randomUnit()");
    if (randomNumbers.empty())
        return sequence_.next();
    const double r = randomNumbers.front();
    randomNumbers.pop_front();
    return r;
}

void RecordingServices::endProgram()
{
    record("endProgram()");
    ended = true;
}

void RecordingServices::pause(double seconds)
{
    record("pause(" + number(seconds) + ")");
    // The clock ticks in whole microseconds, as a real one does: a pause
    // always moves it on, however short.
    const double micros = std::ceil(clock * 1e6) + std::max(1.0, std::ceil(seconds * 1e6));
    clock = std::fmod(micros, 86400e6) / 1e6;
    if (duringPause)
        duringPause();
}
