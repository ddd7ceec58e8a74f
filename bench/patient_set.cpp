#include "patient_set.h"

#include "patient/qt/patient_disc.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>

std::vector<double> measurePatientSet(const QString& photographs, const QString& work, int runs)
{
    const QTemporaryDir disc(QDir(work).filePath(QStringLiteral("patient-set-XXXXXX")));
    QFile marker(disc.filePath(QStringLiteral("bravo.bmp")));
    if (!disc.isValid() || !marker.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot make a disc folder in " + work.toStdString());
    std::vector<patient::PhotographChoice> choices;
    for (int n = 1; n <= patient::pairsPerSet; ++n)
        choices.push_back({QDir(photographs).filePath(QStringLiteral("PatientDGfacile/%1.jpg").arg(n)),
                           n % 2 == 0 ? patient::Side::right : patient::Side::left});

    std::vector<double> times;
    for (int run = 0; run <= runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const QString error = patient::writePatientSet(disc.path(), QStringLiteral("PatientDGfacile"), choices);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!error.isEmpty())
            throw std::runtime_error(error.toStdString());
        if (run > 0)
            times.push_back(ms);
    }
    return times;
}
