#pragma once
// The only door from the exercise logic to the outside: the window and its
// controls, the file system, the clock and the random sequence. The real
// window implements it over Qt; the tests use a recording substitute.

#include "model/controls.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// Raised by probeFile when a drive cannot be read at all (a CD-ROM drive
// without a disc, a drive that is not ready).
class DriveNotReady : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The drive-root list: each root ("E:\") followed by one NUL, and the length
// the platform reports. A length above the capacity asked for means the list
// did not fit; the text is then not delivered.
struct DriveRoots {
    std::string text;
    std::int32_t length = 0;
};

inline constexpr std::int32_t cdromDriveType = 5;
// A USB stick, a memory card: a drive whose medium may be taken out.
inline constexpr std::int32_t removableDriveType = 2;

// Thrown by the services once the program has ended, so that the handler
// that ended it, and any handler still under way, stops at once. Whoever
// runs the handlers catches it.
struct ProgramEnded {};

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // The bitmap or JPEG file becomes the window's background picture; an
    // empty path, or a file that cannot be loaded, removes it.
    virtual void showPicture(const std::string& path) = 0;
    // Modal box with the text and an OK button.
    virtual void showMessage(const std::string& text) = 0;
    // Modal box with the prompt and a text field; the text as typed, empty on Cancel.
    virtual std::string askText(const std::string& prompt) = 0;
    virtual void setCaption(Control button, const std::string& caption) = 0;
    virtual void setVisible(Control control, bool visible) = 0;
    virtual void setText(Control textBox, const std::string& text) = 0;
    // 1 when the check box is checked, 0 when not.
    virtual int isChecked(Control checkBox) = 0;
    // When the value changes, the box's click handler runs before this returns.
    virtual void setChecked(Control checkBox, int value) = 0;
    virtual bool isSelected(Control optionButton) = 0;
    virtual void setTimerInterval(std::int32_t milliseconds) = 0;
    // The name of the file at the path, without its folder, or empty text.
    // May raise DriveNotReady.
    virtual std::string probeFile(const std::string& path) = 0;
    // The same, after probeFile raised DriveNotReady for the path, when the
    // answer matters: a drive slow to answer (a CD spinning up, a network
    // folder) is waited for as long as a picture read may take, with the
    // window living and no stale picture shown. May raise DriveNotReady.
    virtual std::string probeSlowDrive(const std::string& path) { return probeFile(path); }
    virtual DriveRoots listDriveRoots(std::int32_t capacity) = 0;
    virtual std::int32_t driveType(const std::string& root) = 0;
    // Seconds since midnight, with fractions.
    virtual double clockSeconds() = 0;
    // The next number of a sequence uniform in [0, 1), the same in every run.
    virtual double randomUnit() = 0;
    // Ends the program; no further events are handled.
    virtual void endProgram() = 0;

    // Lets up to the given number of seconds pass during the feedback wait,
    // with the window painted as it stands and no input handled, so that the
    // wait sleeps instead of spinning on the clock.
    virtual void pause(double seconds) = 0;
};
