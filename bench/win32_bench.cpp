// The Win32 window's figures under Wine, for make bench: the pace of its
// timer, the picture switch latency, the response times against keys
// pressed at known moments, the start-up of run.exe, and the time
// tavrel-patient.exe takes to build a patient's set. The Qt
// bench reads the figures and prints them beside its own.
//
//   win32_bench RUN_EXE DEMO_DRIVE [PHOTOGRAPHS_DRIVE [PATIENT_EXE]]
//
// DEMO_DRIVE holds the demo disc; PHOTOGRAPHS_DRIVE, if given, the bench's
// disc of 4000 x 3000 photographs, which PATIENT_EXE makes a set of. Prints one line per figure: its name, its
// unit and its samples, separated by tabs. Progress goes to standard error.

#include "ui/win32/main_window.h"
#include "ui/win32/wide_text.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using C = Control;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void print(const std::string& figure, const char* unit, const std::vector<double>& samples)
{
    std::printf("%s\t%s", figure.c_str(), unit);
    for (const double s : samples)
        std::printf("\t%.3f", s);
    std::printf("\n");
    std::fflush(stdout);
}

// The window on a disc, made as the program makes it, with the end of each
// frame that shows a new picture and each answer written watched from
// outside its window procedure.
class Bench {
public:
    explicit Bench(const std::string& drive)
    {
        setInitialValues(window_.state());
        window_.state().driveLetter = drive;
        window_.show();
        SetWindowSubclass(window_.hwnd(), &Bench::watch, 1, reinterpret_cast<DWORD_PTR>(this));
        SetWindowSubclass(window_.control(C::TextReponse), &Bench::watch, 2, reinterpret_cast<DWORD_PTR>(this));
    }
    ~Bench()
    {
        RemoveWindowSubclass(window_.hwnd(), &Bench::watch, 1);
        RemoveWindowSubclass(window_.control(C::TextReponse), &Bench::watch, 2);
    }

    MainWindow& window() { return window_; }
    // Clicks a control as the user does.
    void click(Control c) { SendMessageW(window_.control(c), BM_CLICK, 0, 0); }

    // Runs the window's loop until done() holds.
    void runUntil(const std::function<bool()>& done, std::chrono::seconds limit)
    {
        const Clock::time_point end = Clock::now() + limit;
        while (!done()) {
            if (Clock::now() > end)
                throw std::runtime_error("the window took too long");
            window_.runOnce(5);
        }
    }

    std::vector<Clock::time_point> pictures;
    std::vector<Clock::time_point> answers;
    // The end of the last frame that showed a new picture, for a thread that
    // presses keys while the window's loop runs.
    std::atomic<Clock::time_point> lastPictureAt{};

private:
    static LRESULT CALLBACK watch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self)
    {
        auto& b = *reinterpret_cast<Bench*>(self);
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        if (id == 1 && message == WM_PAINT && b.window_.backgroundPicture() &&
            b.window_.backgroundPicture().get() != b.lastPicture_) {
            b.lastPicture_ = b.window_.backgroundPicture().get();
            b.pictures.push_back(Clock::now());
            b.lastPictureAt.store(b.pictures.back());
        }
        if (id == 2 && message == WM_SETTEXT && lParam && *reinterpret_cast<const wchar_t*>(lParam))
            b.answers.push_back(Clock::now());
        return result;
    }

    MainWindow window_;
    const void* lastPicture_ = nullptr;
};

// Real ticks of the window's timer: the error of each interval between two
// pictures, and with the feedback of each answer after its picture.
void pace(const std::string& drive, const std::string& name, const std::vector<Control>& settings, double intervalMs,
          std::size_t intervals)
{
    std::fprintf(stderr, "win32 bench: pace, %s\n", name.c_str());
    Bench b(drive);
    for (const Control c : settings)
        b.click(c);
    b.click(C::cmdOnOff);
    const double answerDelay = intervalMs - 200;
    const bool feedback = answerDelay > 500 && b.window().services().isChecked(C::optFeedBack) == 1;
    b.runUntil([&] { return b.pictures.size() > intervals && (!feedback || b.answers.size() > intervals); },
               std::chrono::seconds(120));
    std::vector<double> between;
    std::vector<double> answer;
    for (std::size_t i = 1; i <= intervals; ++i)
        between.push_back(msBetween(b.pictures[i - 1], b.pictures[i]) - intervalMs);
    print(name + ", picture to picture - " + std::to_string(static_cast<int>(intervalMs)) + " ms", "ms", between);
    if (feedback) {
        // Each answer against the last picture on screen before it: a
        // picture decoded too late for its tick comes after its answer.
        for (std::size_t i = 1; i <= intervals; ++i) {
            const auto shown = std::ranges::upper_bound(b.pictures, b.answers[i]);
            if (shown != b.pictures.begin())
                answer.push_back(msBetween(*std::prev(shown), b.answers[i]) - answerDelay);
        }
        print(name + ", picture to answer - " + std::to_string(static_cast<int>(answerDelay)) + " ms", "ms", answer);
    }
}

// Keys pressed through the system's input by a thread at a random moment of
// the interval after a picture reached the screen, during the feedback wait
// and once the correct side is displayed as well: the response time the
// program took less the true one.
void responseTimes(const std::string& drive, const std::string& name, const std::vector<Control>& settings,
                   double intervalMs, int answers)
{
    std::fprintf(stderr, "win32 bench: response times, %s\n", name.c_str());
    Bench b(drive);
    for (const Control c : settings)
        b.click(c);
    b.click(C::cmdOnOff);
    const AnswerSheet& sheet = b.window().form().answers();
    std::vector<double> error;
    std::mt19937 random(2006);
    std::uniform_real_distribution<double> moment(0, intervalMs - 5);
    while (error.size() < static_cast<std::size_t>(answers)) {
        const auto delay = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double, std::milli>(moment(random)));
        const Clock::time_point before = b.lastPictureAt.load();
        const int taken = sheet.keysPlaced();
        std::atomic<bool> done{false};
        Clock::time_point shown{};
        Clock::time_point pressed{};
        std::thread user([&] {
            while (b.lastPictureAt.load() == before && !done)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            shown = b.lastPictureAt.load();
            std::this_thread::sleep_until(shown + delay);
            pressed = Clock::now();
            INPUT keys[2] = {};
            for (INPUT& k : keys) {
                k.type = INPUT_KEYBOARD;
                k.ki.wVk = VK_LEFT;
            }
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, keys, sizeof(INPUT));
        });
        try {
            b.runUntil([&] { return sheet.keysPlaced() > taken; }, std::chrono::seconds(60));
        } catch (...) {
            done = true;
            user.join();
            throw;
        }
        user.join();
        error.push_back(sheet.latestKeySeconds() * 1000 - msBetween(shown, pressed));
    }
    print(name + ", response time less the true one", "ms", error);
}

// From the tick to the end of the frame that shows its picture, the next
// picture decoded ahead between ticks as the window does it.
void switchLatency(const std::string& drive, const std::string& name, const std::vector<Control>& settings,
                   std::chrono::milliseconds gap, int ticks)
{
    std::fprintf(stderr, "win32 bench: picture switch latency, %s\n", name.c_str());
    Bench b(drive);
    for (const Control c : settings)
        b.click(c);
    b.click(C::cmdOnOff);
    std::vector<double> latency;
    constexpr int warmUp = 3;
    for (int i = 0; i < warmUp + ticks; ++i) {
        // The bench says when the timer fires.
        b.window().timer1().stop();
        const Clock::time_point pause = Clock::now() + gap;
        b.runUntil([&] { return Clock::now() >= pause; }, std::chrono::seconds(60));
        const std::size_t before = b.pictures.size();
        const Clock::time_point start = Clock::now();
        b.window().timer1Tick();
        b.window().timer1().stop();
        b.runUntil([&] { return b.pictures.size() > before; }, std::chrono::seconds(60));
        if (i >= warmUp)
            latency.push_back(msBetween(start, b.pictures.back()));
    }
    print(name + ", timer tick to the end of its frame", "ms", latency);
}

// run.exe started as the user starts it, until its window is shown and
// waits for input; closed again.
void startup(const std::wstring& program, int runs)
{
    std::fprintf(stderr, "win32 bench: start-up of run.exe\n");
    std::vector<double> shown;
    for (int run = -1; run < runs; ++run) {
        STARTUPINFOW startInfo{};
        startInfo.cb = sizeof startInfo;
        PROCESS_INFORMATION process{};
        std::wstring commandLine = L"\"" + program + L"\"";
        const Clock::time_point started = Clock::now();
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startInfo, &process))
            throw std::runtime_error("run.exe cannot be started");
        HWND window = nullptr;
        while (!window && Clock::now() - started < std::chrono::seconds(30)) {
            const HWND found = FindWindowW(nullptr, L"Clinique Antidouleur de Valbrune");
            if (found && IsWindowVisible(found))
                window = found;
            else
                Sleep(1);
        }
        if (!window)
            throw std::runtime_error("run.exe showed no window within 30 s");
        WaitForInputIdle(process.hProcess, 10000);
        if (run >= 0)
            shown.push_back(msBetween(started, Clock::now()));
        PostMessageW(window, WM_CLOSE, 0, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    print("process start to window shown and waiting for input", "ms", shown);
}

// tavrel-patient.exe started from a command line to make one set of 20
// pictures from ten 4000 x 3000 photographs, replacing the set each time,
// into a disc folder in the temporary folder: process start to its end.
void patientSet(const std::wstring& program, const std::string& photographsDrive, int runs)
{
    std::fprintf(stderr, "win32 bench: tavrel-patient.exe, a set from ten 12-megapixel photographs\n");
    namespace fs = std::filesystem;
    const fs::path disc = fs::temp_directory_path() / L"tavrel-bench-disc";
    fs::remove_all(disc);
    fs::create_directories(disc);
    std::ofstream(disc / L"bravo.bmp") << "BM";
    std::wstring commandLine = L"\"" + program + L"\" --disc \"" + disc.wstring() + L"\" --set PatientDGfacile --remplacer";
    for (int n = 1; n <= 10; ++n)
        commandLine += L" " + widen(photographsDrive) + L":\\PatientDGfacile\\" + std::to_wstring(n) + L".jpg";
    // What the tool says of the set goes nowhere: the bench's own output
    // holds its figures only.
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE nowhere = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                       OPEN_EXISTING, 0, nullptr);
    std::vector<double> times;
    for (int run = -1; run < runs; ++run) {
        STARTUPINFOW startInfo{};
        startInfo.cb = sizeof startInfo;
        startInfo.dwFlags = STARTF_USESTDHANDLES;
        startInfo.hStdOutput = startInfo.hStdError = nowhere;
        PROCESS_INFORMATION process{};
        std::wstring line = commandLine;
        const Clock::time_point started = Clock::now();
        if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                            &startInfo, &process))
            throw std::runtime_error("tavrel-patient.exe cannot be started");
        WaitForSingleObject(process.hProcess, INFINITE);
        const Clock::time_point ended = Clock::now();
        DWORD status = 1;
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (status != 0)
            throw std::runtime_error("tavrel-patient.exe failed to make the set");
        if (run >= 0)
            times.push_back(msBetween(started, ended));
    }
    CloseHandle(nowhere);
    fs::remove_all(disc);
    print("tavrel-patient.exe, under Wine", "ms", times);
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 3) {
        std::fprintf(stderr, "usage: win32_bench RUN_EXE DEMO_DRIVE [PHOTOGRAPHS_DRIVE PATIENT_EXE]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::string demo = narrow(argv[2]);
    try {
        std::printf("timer\t%s\n", PaceTimer(nullptr, 0).kind() == PaceTimer::Kind::highResolution
                                       ? "high-resolution waitable timer"
                                       : "waitable timer");
        pace(demo, "demo", {C::OptExtreme}, 500, 40);
        pace(demo, "demo, feedback", {C::optPied, C::OptExtreme}, 750, 20);
        responseTimes(demo, "demo 640x480, hands at 500 ms, no feedback", {C::OptExtreme}, 500, 40);
        responseTimes(demo, "demo 640x480, feet at 750 ms, feedback", {C::optPied, C::OptExtreme}, 750, 40);
        switchLatency(demo, "(a) demo disc 640x480 JPEG", {C::OptExtreme}, std::chrono::milliseconds(300), 100);
        if (argc > 3) {
            const std::string photographs = narrow(argv[3]);
            switchLatency(photographs, "(b) photograph 4000x3000 JPEG", {C::optPatient, C::OptExtreme},
                          std::chrono::milliseconds(1500), 40);
            pace(photographs, "photographs, feedback", {C::optPatient, C::OptExtreme}, 750, 20);
            if (argc > 4)
                patientSet(argv[4], photographs, 10);
        }
        startup(argv[1], 10);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "win32 bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
