#include "patient_set.h"

#include "patient/patient_disc.h"
#include "codecs/qt_picture_codec.h"

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
    std::vector<sets::PhotographChoice> choices;
    for (int n = 1; n <= sets::pairsPerSet; ++n)
        choices.push_back({QFile::encodeName(QDir(photographs).filePath(QStringLiteral("PatientDGfacile/%1.jpg").arg(n))).toStdString(),
                           n % 2 == 0 ? sets::Side::right : sets::Side::left});
    codecs::QtPictureCodec codec;

    std::vector<double> times;
    for (int run = 0; run <= runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const patient::SetOutcome outcome = patient::writePatientSet(
            QFile::encodeName(disc.path()).toStdString(), "PatientDGfacile", choices, codec, true);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!outcome.written)
            throw std::runtime_error(outcome.message);
        if (run > 0)
            times.push_back(ms);
    }
    return times;
}
