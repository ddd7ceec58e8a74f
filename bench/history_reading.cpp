// A clinic's history of two years, read by the results window and by the
// report: the first read of the whole folder, the window's update once one
// more exercise is saved, the report of one patient written by the program
// without a window, and the longest the window's event loop was held
// meanwhile (a timer asking to fire every millisecond fires late by as long
// as something held the loop).

#include "clinic_history.h"
#include "measurements.h"
#include "bench_window.h"

#include "results/results_folder.h"
#include "ui/qt/main_window.h"
#include "ui/qt/results_window.h"

#include <QLabel>
#include <QProcess>
#include <QTimer>

#include <stdexcept>

namespace {

// The longest the loop was held since the last call.
class LoopProbe {
public:
    LoopProbe()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            longest_ = std::max(longest_, millisecondsBetween(last_, now) - 1);
            last_ = now;
        });
        timer_.start();
    }
    double take()
    {
        return std::exchange(longest_, 0.0);
    }

private:
    QTimer timer_;
    Clock::time_point last_ = Clock::now();
    double longest_ = 0;
};

bool showsText(QWidget& window, const QString& text)
{
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().contains(text))
            return true;
    }
    return false;
}

std::filesystem::path pathOf(const QString& text)
{
    return std::filesystem::path(text.toStdU16String());
}

} // namespace

HistoryReading measureHistoryReading(const QString& run, const QString& work, int reads, int saves, int reports)
{
    HistoryReading figures;
    const std::filesystem::path folder = pathOf(work) / "clinique";
    const ClinicHistory clinic = writeClinicHistory(folder);
    figures.exercises = clinic.exercises;
    figures.pictures = clinic.pictures;
    figures.megabytes = static_cast<double>(clinic.bytes) / 1e6;

    for (int r = 0; r < reads; ++r) {
        const std::filesystem::path own = pathOf(work) / ("privé-" + std::to_string(r));
        std::filesystem::remove_all(own);
        ResultsFolder results(own, "CABINET-1");
        if (!results.setPatient(clinic.patient).empty())
            throw std::runtime_error("cannot keep the patient's name");
        results.finish(std::chrono::minutes(1));
        MainWindow window(&results);
        window.show();
        window.showResults();
        auto* shown = window.findChild<ResultsWindow*>();
        // The windows' first paint, before anything is read, is not the
        // history's.
        bool painted = false;
        QTimer::singleShot(300, [&] { painted = true; });
        runEventLoopUntil([&] { return painted; }, std::chrono::minutes(1));
        LoopProbe probe;
        const Clock::time_point start = Clock::now();
        results.useForThisRun(folder);
        runEventLoopUntil([&] { return results.state().read; }, std::chrono::minutes(2));
        figures.firstReadMs.push_back(millisecondsBetween(start, Clock::now()));
        runEventLoopUntil([&] { return !showsText(*shown, QStringLiteral("Lecture du dossier")); }, std::chrono::minutes(1));
        figures.loopHoldMs.push_back(probe.take());
        if (r + 1 < reads)
            continue;

        // One more exercise saved, and the window updated with it.
        for (int s = 0; s < saves; ++s) {
            char date[32];
            std::snprintf(date, sizeof date, "2027-01-10T10:%02d:00", s);
            const Clock::time_point saved = Clock::now();
            if (!results.save(clinicExercise(clinic.patient, date)).empty())
                throw std::runtime_error("cannot save an exercise");
            char shownDate[32];
            std::snprintf(shownDate, sizeof shownDate, "10/01/2027 à 10:%02d", s);
            runEventLoopUntil([&] { return showsText(*shown, QString::fromUtf8(shownDate)); }, std::chrono::minutes(1));
            figures.updateMs.push_back(millisecondsBetween(saved, Clock::now()));
            figures.loopHoldMs.push_back(probe.take());
        }
        window.close();
    }

    // The report of one patient, by the program without a window.
    for (int r = 0; r < reports; ++r) {
        QProcess report;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), work + QStringLiteral("/bilan-données"));
        report.setProcessEnvironment(environment);
        const Clock::time_point start = Clock::now();
        report.start(run, {QStringLiteral("--bilan"), work + QStringLiteral("/bilan.html"), QStringLiteral("--patient"),
                           QString::fromStdString(clinic.patient), QStringLiteral("--resultats"),
                           QString::fromStdU16String(folder.u16string())});
        if (!report.waitForFinished(60000) || report.exitCode() != 0)
            throw std::runtime_error("--bilan failed: " + report.readAllStandardError().toStdString());
        figures.reportMs.push_back(millisecondsBetween(start, Clock::now()));
    }
    return figures;
}
