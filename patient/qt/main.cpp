// tavrel-patient: makes the patient's own picture sets of the image disc from
// photographs. With arguments it works from the command line (and needs no
// display); without, it opens its window.

#include "codecs/qt_picture_codec.h"
#include "patient/command.h"
#include "patient/qt/patient_window.h"
#include "sets/disc_image.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    // The decoders' own warnings about damaged files: the program says in
    // French which file it could not use.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    if (argc > 1) {
        QCoreApplication app(argc, argv);
        // The arguments as the system gives them: file names are bytes here.
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        codecs::QtPictureCodec codec;
        return patient::runCommandLine(arguments, std::cout, std::cerr, codec,
                                       [](const std::filesystem::path& disc, const std::filesystem::path& image) {
                                           return sets::makeDiscImage(disc, image, "TAVREL_PATIENT",
                                                                            sets::Access::ownerOnly);
                                       });
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
