// tavrel-patient: makes the patient's own picture sets of the image disc from
// photographs. With arguments it works from the command line (and needs no
// display); without, it opens its window.

#include "command.h"
#include "patient_window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>

int main(int argc, char* argv[])
{
    // The decoders' own warnings about damaged files: the program says in
    // French which file it could not use.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    if (argc > 1) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return patient::runCommandLine(QCoreApplication::arguments().mid(1), out, err);
    }
    QApplication app(argc, argv);
    // Qt's own dialogs (files, buttons) in French where its translations are
    // installed (Debian: qt6-translations-l10n).
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    QApplication::setApplicationName(QStringLiteral("tavrel-patient"));
    QApplication::setDesktopFileName(QStringLiteral("tavrel-patient"));
    PatientWindow window;
    window.show();
    return app.exec();
}
