#pragma once
// The window services over Qt: the controls of the main window, its
// background picture and its timer, the modal boxes, the drives, the clock
// and the random sequence.

#include "model/random.h"
#include "model/window_services.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QSize>

#include <filesystem>
#include <vector>

class MainWindow;

// Thrown by the services once the program has ended, so that the handler
// that ended it, and any handler still under way, stops at once. The main
// window catches it where it runs a handler.
struct ProgramEnded {};

class QtServices : public WindowServices {
public:
    explicit QtServices(MainWindow& window);

    void showPicture(const std::string& path) override;
    void showMessage(const std::string& text) override;
    std::string askText(const std::string& prompt) override;
    void setCaption(Control button, const std::string& caption) override;
    void setVisible(Control control, bool visible) override;
    void setText(Control textBox, const std::string& text) override;
    int isChecked(Control checkBox) override;
    void setChecked(Control checkBox, int value) override;
    bool isSelected(Control optionButton) override;
    void setTimerInterval(std::int32_t milliseconds) override;
    std::string probeFile(const std::string& path) override;
    DriveRoots listDriveRoots(std::int32_t capacity) override;
    std::int32_t driveType(const std::string& root) override;
    double clockSeconds() override;
    double randomUnit() override;
    void endProgram() override;
    void pause(double seconds) override;

    // The program's random sequence as it stands, for a trial of the next tick.
    const RandomSequence& randomSequence() const { return random_; }
    // Decodes the pictures at the paths ahead of the tick that shows them;
    // that tick then paints them without reading the files again, unless a
    // file or the window's size has changed meanwhile. Only the pictures of
    // the latest call are kept.
    void preparePictures(const std::vector<std::string>& paths);

private:
    // A picture file as it was when decoded for an area of the window.
    struct PictureIdentity {
        std::string file;
        QSize area;
        std::uintmax_t bytes = 0;
        std::filesystem::file_time_type modified;
        bool operator==(const PictureIdentity&) const = default;
    };
    static PictureIdentity identify(const std::string& file, QSize area);
    struct PreparedPicture {
        PictureIdentity identity;
        QPixmap picture;
    };

    // Throws ProgramEnded once the program has ended: a handler that is still
    // under way stops at its next call.
    void ensureRunning() const;
    MainWindow& window();

    MainWindow& window_;
    RandomSequence random_;
    // The clock: the time of day read once, then a monotonic count, so that
    // a change of the system time cannot stretch or cut a wait.
    double startSeconds_;
    QElapsedTimer sinceStart_;
    std::vector<PreparedPicture> prepared_;
};
