#include "patient_set.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <stdexcept>

std::vector<double> measurePatientSet(const QString& tool, const QString& photographs, const QString& work, int runs)
{
    const QTemporaryDir disc(QDir(work).filePath(QStringLiteral("patient-set-XXXXXX")));
    QFile marker(disc.filePath(QStringLiteral("bravo.bmp")));
    if (!disc.isValid() || !marker.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot make a disc folder in " + work.toStdString());
    QStringList arguments{QStringLiteral("--disc"), disc.path(), QStringLiteral("--set"), QStringLiteral("PatientDGfacile"),
                          QStringLiteral("--remplacer")};
    for (int n = 1; n <= 10; ++n)
        arguments << QDir(photographs).filePath(QStringLiteral("PatientDGfacile/%1.jpg").arg(n));

    std::vector<double> times;
    for (int run = 0; run <= runs; ++run) {
        QProcess process;
        QElapsedTimer clock;
        clock.start();
        process.start(tool, arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            throw std::runtime_error("tavrel-patient failed: " + process.readAllStandardError().toStdString());
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (run > 0)
            times.push_back(ms);
    }
    return times;
}
