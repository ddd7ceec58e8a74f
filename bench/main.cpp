// The benchmarks of the program's window (make bench). Runs every
// measurement with the real window on the offscreen platform and prints one
// table: for each figure its minimum, median, mean, 99th percentile and
// maximum, and the target it is held against.
//
//   tavrel_bench --run RUN --probe PROBE --demo-disc FOLDER --demo-image ISO
//                --photographs FOLDER --work FOLDER
//
// Progress goes to standard error, the table to standard output.

#include "bench_window.h"
#include "measurements.h"
#include "patient_set.h"
#include "statistics.h"

#include <QDateTime>
#include <QFile>
#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <string_view>
#include <thread>

namespace {

constexpr double frameMs = 16.7;
constexpr int switchTicks = 200;
constexpr int memoryPictures = 200;
constexpr int answerCount = 100;

void progress(const char* text)
{
    std::fprintf(stderr, "bench: %s\n", text);
}

QString firstLineOf(const QString& file, const QByteArray& prefix = {})
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return QString::fromUtf8(prefix.isEmpty() ? line : line.mid(line.indexOf(':') + 1).trimmed());
    }
    return {};
}

QString loadAverage()
{
    return firstLineOf(QStringLiteral("/proc/loadavg")).section(QLatin1Char(' '), 0, 2);
}

double worstMagnitude(const Summary& s) { return std::max(std::fabs(s.min), std::fabs(s.max)); }

Target paceTarget(const Summary& s)
{
    return {"|mean| <= 2, worst <= 15", std::fabs(s.mean) <= 2 && worstMagnitude(s) <= 15};
}

// Hands in phase 1 at the fastest pace, 500 ms: the window's settings at
// start-up but for the pace. The wait of 0.3 s is too short for feedback.
void handsFastest(BenchWindow& b)
{
    b.set(Control::OptExtreme);
}

// The patient's photographs in phase 1 at the fastest pace, 750 ms, without
// the feedback, so that every tick ends as soon as its picture is shown.
void patientFastest(BenchWindow& b)
{
    b.set(Control::optPatient);
    b.set(Control::OptExtreme);
    b.set(Control::optFeedBack, false);
}

// Feet in phase 1 at the fastest pace, 750 ms, with the feedback's 0.55 s wait.
void feetFastest(BenchWindow& b)
{
    b.set(Control::optPied);
    b.set(Control::OptExtreme);
}

// The same with the patient's photographs: each is decoded in the 0.2 s
// between its answer and its tick.
void patientFastestWithFeedback(BenchWindow& b)
{
    b.set(Control::optPatient);
    b.set(Control::OptExtreme);
}

// Hands in phase 1 at 10 s with the feedback: a wait of 9.8 s.
void handsTenSeconds(BenchWindow& b)
{
    b.set(Control::opt10sec);
}

// The targets of a switch: one 60 Hz frame at the 99th percentile, and
// four times faster than the naive load.
struct SwitchTargets {
    bool frame;
    bool fasterThanNaive;
};

void addSwitch(Table& table, const std::string& name, const SwitchLatency& latency, SwitchTargets targets)
{
    const Summary program = summarize(latency.program);
    const Summary naive = summarize(latency.naive);
    const Summary faster = ratio(naive, program);
    Row programRow{name + ", program", "ms", program, std::nullopt};
    Row ratioRow{name + ", naive / program", "x", faster, std::nullopt};
    if (targets.frame)
        programRow.target = Target{"p99 <= 16.7", program.p99 <= frameMs};
    if (targets.fasterThanNaive)
        ratioRow.target = Target{"median >= 4", faster.median >= 4};
    table.add(programRow);
    table.add({name + ", naive load", "ms", naive, std::nullopt});
    table.add(ratioRow);
    table.add({name + ", reading alone", "ms", summarize(latency.decode), std::nullopt});
}

// A patient's set from ten photographs, read to written, on either system.
Target patientSetTarget(const Summary& summary)
{
    return Target{"median <= 2000", summary.median <= 2000};
}

// The Win32 window's figures, measured under Wine by tools/bench-windows.sh
// just before this run (make bench), held against the same targets; none
// when it has not measured them.
struct Win32Figures {
    std::string timer;
    std::vector<Row> rows;
};
std::optional<Win32Figures> readWin32Figures(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::vector<Row> rows;
    std::string timer;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 2 && fields[0] == "timer")
            timer = fields[1].toStdString();
        if (fields.size() < 3)
            continue;
        std::vector<double> samples;
        for (qsizetype i = 2; i < fields.size(); ++i)
            samples.push_back(fields[i].toDouble());
        Row row{"Win32: " + fields[0].toStdString(), fields[1].toStdString(), summarize(samples), std::nullopt};
        if (fields[0].contains("picture to picture"))
            row.target = paceTarget(row.summary);
        else if (fields[0].contains("picture to answer"))
            row.target = Target{"worst <= 10", worstMagnitude(row.summary) <= 10};
        else if (fields[0].contains("response time"))
            row.target = Target{"p99 <= 5", std::max(std::fabs(row.summary.p99), std::fabs(row.summary.min)) <= 5};
        else if (fields[0].startsWith("tavrel-patient"))
            row.target = patientSetTarget(row.summary);
        else if (fields[0].startsWith("(a)"))
            row.target = Target{"p99 <= 16.7", row.summary.p99 <= frameMs};
        rows.push_back(row);
    }
    return Win32Figures{timer, rows};
}

void addHistoryFigures(Table& table, const HistoryReading& history)
{
    char heading[200];
    std::snprintf(heading, sizeof heading,
                  "A clinic's results folder of two years: %d exercises, %lld picture lines, %.0f MB, two computers",
                  history.exercises, history.pictures, history.megabytes);
    table.heading(heading);
    const Summary first = summarize(history.firstReadMs);
    table.add({"first read of the whole folder, window open", "ms", first, Target{"max <= 2000", first.max <= 2000}});
    const Summary update = summarize(history.updateMs);
    table.add({"window updated once one more exercise is saved", "ms", update, Target{"max <= 100", update.max <= 100}});
    const Summary report = summarize(history.reportMs);
    table.add({"run --bilan for one patient, process start to end", "ms", report, Target{"max <= 300", report.max <= 300}});
    const Summary hold = summarize(history.loopHoldMs);
    table.add({"event loop held, during each read and each save", "ms", hold, Target{"max <= 16", hold.max <= 16}});
}

int runHistoryBenchmark(const std::map<QString, QString>& args)
{
    const HistoryReading history = measureHistoryReading(args.at(QStringLiteral("run")), args.at(QStringLiteral("work")),
                                                         3, 10, 10);
    Table table;
    addHistoryFigures(table, history);
    std::printf("%s", table.render().c_str());
    return 0;
}

int runBenchmarks(BenchApplication& app, const std::map<QString, QString>& args)
{
    const auto arg = [&](const char* name) {
        const auto it = args.find(QString::fromLatin1(name));
        if (it == args.end())
            throw std::runtime_error(std::string("missing argument --") + name);
        return it->second;
    };
    const QString demoDisc = arg("demo-disc");
    const QString photographs = arg("photographs");
    const QString started = QDateTime::currentDateTime().toString(Qt::ISODate);
    const QString loadBefore = loadAverage();

    progress("start-up of the program, 20 runs");
    const Startup startup = measureStartup({arg("run"), arg("probe"), arg("demo-image"), demoDisc,
                                            arg("work") + QStringLiteral("/cdrom"), 20});

    progress("memory through 200 pictures (demo disc, then the photographs)");
    const QString self = QCoreApplication::applicationFilePath();
    const Memory demoMemory = measureMemory(self, demoDisc, QStringLiteral("optMain"), memoryPictures);
    const Memory photoMemory = measureMemory(self, photographs, QStringLiteral("optPatient"), memoryPictures);

    progress("picture switch latency (a): demo disc 640 x 480 JPEG");
    const SwitchLatency demo = measureSwitchLatency(app, {demoDisc, handsFastest, false, switchTicks});
    progress("picture switch latency (b): 4000 x 3000 JPEG photographs");
    const SwitchLatency photos = measureSwitchLatency(app, {photographs, patientFastest, false, switchTicks});
    progress("picture switch latency (c): the closing bitmap");
    const SwitchLatency closing = measureSwitchLatency(app, {demoDisc, handsFastest, true, switchTicks});

    progress("pace at 500 ms, 40 intervals");
    const Pace pace500 = measurePace(app, {demoDisc, handsFastest, 500, 40});
    progress("pace at 750 ms with the feedback, 20 intervals");
    const Pace pace750 = measurePace(app, {demoDisc, feetFastest, 750, 20});
    progress("pace at 750 ms with the feedback on the photographs, 20 intervals");
    const Pace pace750Photos = measurePace(app, {photographs, patientFastestWithFeedback, 750, 20});
    progress("idle cost of three feedback waits of 9.8 s");
    const std::vector<double> idle = measureIdleCost(app, demoDisc, handsTenSeconds, 3);
    progress("event loop held, photographs at 750 ms, 40 intervals with and 40 without the feedback");
    const std::vector<double> holdWait = measureLoopHold(app, photographs, patientFastestWithFeedback, 40);
    const std::vector<double> holdNoWait = measureLoopHold(app, photographs, patientFastest, 40);
    const std::vector<double> bomb = measureScanBombRefusal(arg("work"), 20);
    std::map<std::string, std::vector<double>> answerErrors;
    for (const char* name : {"demo", "demo-wait", "photographs", "photographs-wait"}) {
        progress((std::string("response times against key presses: ") + name + ", 100 answers").c_str());
        const QString disc = QString::fromLatin1(name).startsWith(QLatin1String("demo")) ? demoDisc : photographs;
        answerErrors[name] = measureAnswerTiming(self, disc, QString::fromLatin1(name), answerCount);
    }
    progress("a patient's set from ten 12-megapixel photographs, 10 runs");
    const std::vector<double> patientSet = measurePatientSet(arg("patient"), photographs, arg("work"), 10);
    progress("a clinic's history of two years: first read, update after a save, report of one patient");
    const HistoryReading history = measureHistoryReading(arg("run"), arg("work"), 3, 10, 10);

    Table table;
    table.heading("Picture switch latency: timer tick to the end of the frame that shows the picture");
    addSwitch(table, "(a) demo disc 640x480 JPEG", demo, {true, false});
    addSwitch(table, "(b) photograph 4000x3000 JPEG", photos, {true, true});
    addSwitch(table, "(c) closing bitmap, last tick", closing, {false, false});

    table.heading("Pace: real timer ticks, error against the interval");
    const Summary p500 = summarize(pace500.intervalError);
    table.add({"demo, picture to picture - 500 ms", "ms", p500, paceTarget(p500)});
    for (const auto& [name, pace] : {std::pair{"demo", &pace750}, std::pair{"photographs", &pace750Photos}}) {
        const std::string n = name;
        const Summary between = summarize(pace->intervalError);
        table.add({n + ", feedback, picture to picture - 750 ms", "ms", between, paceTarget(between)});
        const Summary answer = summarize(pace->answerError);
        table.add({n + ", feedback, picture to answer - 550 ms", "ms", answer,
                   Target{"worst <= 10", worstMagnitude(answer) <= 10}});
    }

    table.heading("Event loop: the longest it was held in each interval, photographs at 750 ms");
    for (const auto& [name, holds] : {std::pair{"program, with the feedback wait", &holdWait},
                                      std::pair{"program, without the feedback", &holdNoWait}}) {
        const Summary s = summarize(*holds);
        table.add({name, "ms", s, Target{"max <= 16.7", s.max <= frameMs}});
    }
    table.add({"as before: a photograph decoded on the window's thread", "ms", summarize(photos.decode), std::nullopt});
    const Summary refusal = summarize(bomb);
    table.add({"a JPEG of 20,000 scans read and refused", "ms", refusal, Target{"max <= 50", refusal.max <= 50}});

    table.heading("Response time: the program's figure less the true one, keys pressed on an X server at random "
                  "moments of the interval");
    for (const auto& [name, label] :
         {std::pair{"demo", "demo 640x480, hands at 500 ms, no feedback"},
          std::pair{"demo-wait", "demo 640x480, feet at 750 ms, feedback"},
          std::pair{"photographs", "photographs 4000x3000, 750 ms, no feedback"},
          std::pair{"photographs-wait", "photographs 4000x3000, 750 ms, feedback"}}) {
        const Summary s = summarize(answerErrors[name]);
        table.add({label, "ms", s, Target{"p99 <= 5", std::max(std::fabs(s.p99), std::fabs(s.min)) <= 5}});
    }

    table.heading("Idle: processor time over wall time during a feedback wait of 9.8 s");
    const Summary idleShare = summarize(idle);
    table.add({"process CPU / wall, % of one core", "%", idleShare, Target{"max <= 2", idleShare.max <= 2}});

    table.heading("Start-up of run (" + startup.discFoundBy + "), 20 runs");
    table.add({"process start to QApplication", "ms", summarize(startup.applicationMs), std::nullopt});
    const Summary firstPaint = summarize(startup.firstPaintMs);
    table.add({"process start to end of first paint", "ms", firstPaint, Target{"p99 < 300", firstPaint.p99 < 300}});

    table.heading("Memory: a fresh process through 200 pictures");
    for (const auto& [name, memory] : {std::pair{"demo disc", &demoMemory}, std::pair{"photographs", &photoMemory}}) {
        const std::string n = name;
        const Summary peak = summarize({memory->peakMiB});
        table.add({n + ": peak resident (VmHWM)", "MiB", peak, Target{"max < 80", peak.max < 80}});
        table.add({n + ": resident, pictures 20 to 200", "MiB", summarize(memory->residentMiB), std::nullopt});
        const double growth = 1024 * growthOfLowest(memory->residentMiB, 20);
        table.add({n + ": resident, lowest of 181-200 - of 20-39", "KiB", summarize({growth}),
                   Target{"<= 64", growth <= 64}});
        const double heapGrowth = 1024 * growthOfLowest(memory->heapInUseMiB, 20);
        table.add({n + ": allocated, lowest of 181-200 - of 20-39", "KiB", summarize({heapGrowth}), std::nullopt});
    }

    // The Linux tool and tavrel-patient.exe under Wine side by side.
    const auto win32File = args.find(QStringLiteral("win32-figures"));
    std::optional<Win32Figures> win32 =
        win32File == args.end() ? std::nullopt : readWin32Figures(win32File->second);
    table.heading("tavrel-patient: one set of 20 pictures from ten 4000 x 3000 JPEG photographs, process start to end");
    const Summary setSummary = summarize(patientSet);
    table.add({"tavrel-patient (Linux)", "ms", setSummary, patientSetTarget(setSummary)});
    if (win32) {
        for (const Row& row : win32->rows) {
            if (row.figure.starts_with("Win32: tavrel-patient"))
                table.add(row);
        }
    }
    addHistoryFigures(table, history);
    if (win32) {
        table.heading("Win32 window under Wine (" + win32->timer + "), measured by make bench-windows in this run");
        for (const Row& row : win32->rows) {
            if (!row.figure.starts_with("Win32: tavrel-patient"))
                table.add(row);
        }
    } else {
        table.heading("Win32 window under Wine: not measured (make bench-windows)");
    }

    std::printf("Tavrel benchmarks, %s\n", qPrintable(started));
    std::printf("Machine: %s, %u hardware threads, %s; Qt %s, offscreen platform\n",
                qPrintable(firstLineOf(QStringLiteral("/proc/cpuinfo"), "model name")),
                std::thread::hardware_concurrency(), qPrintable(QSysInfo::prettyProductName()), qVersion());
    std::printf("Load average before: %s, after: %s\n\n", qPrintable(loadBefore), qPrintable(loadAverage()));
    std::printf("%s", table.render().c_str());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // The answer timing runs on an X server, which its parent gives it.
    const bool answerTiming = argc == 5 && std::string_view(argv[1]) == "--answer-timing";
    if (!answerTiming)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    BenchApplication app(argc, argv);
    try {
        const QStringList arguments = QCoreApplication::arguments();
        if (answerTiming)
            return runAnswerTiming(app, arguments[2], arguments[3], arguments[4].toInt());
        if (arguments.size() == 5 && arguments[1] == QLatin1String("--memory-exercise"))
            return runMemoryExercise(app, arguments[2], arguments[3], arguments[4].toInt());
        std::map<QString, QString> named;
        for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
            if (!arguments[i].startsWith(QLatin1String("--")))
                throw std::runtime_error("unexpected argument " + arguments[i].toStdString());
            named[arguments[i].mid(2)] = arguments[i + 1];
        }
        // The history's figures alone: tavrel_bench --only history --run RUN --work FOLDER
        if (named[QStringLiteral("only")] == QLatin1String("history"))
            return runHistoryBenchmark(named);
        return runBenchmarks(app, named);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        return 1;
    }
}
