#pragma once
// The window of tavrel-patient.exe over Win32: the clinician chooses the
// disc folder (or makes a new one from a disc), adds the patient's
// photographs (file dialog or drag and drop), says for the selected ones
// which side they show and which set they go to, writes the sets and copies
// the disc to a USB stick; the window shows which of the four sets are
// filled. Reading and writing run on a thread of their own, with a progress
// bar and a cancel button, so that the window always answers.

#include "patient/patient_disc.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

template <typename Owner>
LRESULT CALLBACK ownedWindowProc(HWND, UINT, WPARAM, LPARAM);

class PatientWindow {
public:
    PatientWindow();
    ~PatientWindow();
    PatientWindow(const PatientWindow&) = delete;
    PatientWindow& operator=(const PatientWindow&) = delete;

    HWND handle() const { return hwnd_; }

    // What the buttons do once their dialogs have been answered.
    void openDiscFolder(const std::filesystem::path& folder);
    void makeNewDiscFolder(const std::filesystem::path& source, const std::filesystem::path& target);
    void addPhotographs(const std::vector<std::filesystem::path>& paths);
    void writeSets();
    void copyToStick(const std::filesystem::path& stickRoot);

    const std::filesystem::path& discFolder() const { return discFolder_; }
    bool busy() const { return worker_.joinable(); }

private:
    template <typename Owner>
    friend LRESULT CALLBACK ownedWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    struct Row {
        std::filesystem::path path;
        sets::Side side = sets::Side::left;
        std::size_t set = 0;
    };

    void createControls();
    void layOut();
    void command(int id);
    void chooseDiscFolder();
    void chooseNewDiscFolder();
    void choosePhotographs();
    void chooseStick();
    void removeSelected();
    void applyChoice(int id);
    void showRow(int row);
    void showSets();
    void enableActions();
    // Runs the work on a thread of its own; then, on the window's thread,
    // warns of what went wrong (the work's French text) or does what follows.
    using Work = std::function<std::string(const sets::Progress&)>;
    void runInBackground(const std::string& doing, Work work, std::function<void()> succeeded);
    void workEnded();
    void warn(const std::string& text);
    bool ask(const std::string& question, bool yesByDefault);

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HIMAGELIST thumbnails_ = nullptr;
    std::filesystem::path discFolder_;
    std::vector<Row> rows_;
    std::array<HWND, sets::patientSetCount> setLabels_{};

    std::thread worker_;
    std::atomic<bool> cancelled_{false};
    std::mutex resultMutex_;
    std::string result_; // the work's French text, read once it has ended
    std::function<void()> succeeded_;
};

// Opens the window and runs its message loop until it is closed.
int runPatientWindow();
