#pragma once
// The measurements of the benchmark, each on a window of its own.

#include "frame_clock.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class BenchWindow;

// Sets the window's controls for a measurement, before the exercise starts.
using Settings = std::function<void(BenchWindow&)>;

// Picture switch latency: from the tick of the window's timer to the end of
// the frame that shows the tick's picture, and the same switch with every
// picture of the tick loaded the naive way (the whole file decoded, then
// reduced), alternately in the same run; and the time the program's own
// reader takes for the same pictures.
struct SwitchCase {
    QString disc;
    Settings settings;
    // Each tick is the last of an exercise: it shows its picture and then the
    // disc's closing bitmap.
    bool endOfExercise = false;
    int ticks = 200;
};
struct SwitchLatency {
    std::vector<double> program; // milliseconds
    std::vector<double> naive;
    std::vector<double> decode; // the program's reading of the tick's pictures, alone
};
SwitchLatency measureSwitchLatency(BenchApplication& app, const SwitchCase& c);

// Pace of real timer ticks in the event loop: the time between consecutive
// pictures on screen less the interval, and the time from a picture on
// screen to its answer less the interval less 0.2 s.
struct PaceCase {
    QString disc;
    Settings settings;
    double intervalMs;
    int pictures;
};
struct Pace {
    std::vector<double> intervalError; // milliseconds
    std::vector<double> answerError;
};
Pace measurePace(BenchApplication& app, const PaceCase& c);

// The process's processor time over the wall time of each feedback wait, in
// per cent of one core.
std::vector<double> measureIdleCost(BenchApplication& app, const QString& disc, const Settings& settings, int waits);

// Memory of a fresh process through an exercise of `pictures` pictures:
// after each picture from the 20th on, the resident memory and the memory
// allocated and not freed; and the peak resident memory.
struct Memory {
    std::vector<double> residentMiB; // after pictures 20, 21, ..., last
    std::vector<double> heapInUseMiB;
    double peakMiB = 0;
};
Memory measureMemory(const QString& benchProgram, const QString& disc, const QString& bodyPart, int pictures);
// The fresh process's side: runs the exercise and writes what it measured.
int runMemoryExercise(BenchApplication& app, const QString& disc, const QString& bodyPart, int pictures);

// Start-up of the real program: from the start of its process to the end of
// the window's first paint, in milliseconds, once per run.
struct Startup {
    std::vector<double> applicationMs; // to the application object's creation
    std::vector<double> firstPaintMs;
    // How the program found its disc: "disc image mounted as a CD-ROM", or
    // the drive question answered with the disc's folder.
    std::string discFoundBy;
};
struct StartupCase {
    QString program;     // the `run` executable
    QString probe;       // the start-up probe library
    QString discImage;   // the demo disc's ISO 9660 image
    QString discFolder;  // its folder, for the drive question
    QString mountPoint;  // where the image is mounted while the runs last
    int runs;
};
Startup measureStartup(const StartupCase& c);

// The longest the event loop was held in each interval between two ticks of
// an exercise, in milliseconds.
std::vector<double> measureLoopHold(BenchApplication& app, const QString& disc, const Settings& settings, int ticks);

// The time to read and refuse a JPEG whose scans are repeated 20,000 times,
// written into the work folder, in milliseconds, once per run.
std::vector<double> measureScanBombRefusal(const QString& workFolder, int runs);

// The program's response time less the true one (from the end of the frame
// that shows the picture to the moment the bench pressed the key), in
// milliseconds, for answers given by key presses on an X server of the
// bench's own. Cases: "demo" and "photographs" without the feedback,
// "demo-wait" and "photographs-wait" with the key pressed during the wait.
std::vector<double> measureAnswerTiming(const QString& benchProgram, const QString& disc, const QString& caseName,
                                        int answers);
// The process on that X server: runs the case and prints the errors.
int runAnswerTiming(BenchApplication& app, const QString& disc, const QString& caseName, int answers);

// A clinic's history of two years (clinic_history.h) read by the results
// window: the first read of the whole folder (reads times, with a window of
// its own each), then the window's update once one more exercise is saved
// (saves times), and the report of one patient written by the program RUN
// without a window (reports times); the longest the window's event loop was
// held during each read and each save.
struct HistoryReading {
    int exercises = 0;
    long long pictures = 0;
    double megabytes = 0;
    std::vector<double> firstReadMs;
    std::vector<double> updateMs;
    std::vector<double> reportMs;
    std::vector<double> loopHoldMs;
};
HistoryReading measureHistoryReading(const QString& run, const QString& work, int reads, int saves, int reports);
