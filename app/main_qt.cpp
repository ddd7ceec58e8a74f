// The program over Qt: reads its command line, creates the window, runs its
// load handler, which settles the image disc's drive, shows the window with
// the focus on the start button and hands control to Qt's event loop until
// the window closes.

#include "app/command_line.h"
#include "results/computer_name.h"
#include "results/printable_report.h"
#include "ui/qt/background_picture.h"
#include "ui/qt/main_window.h"

#include <QApplication>
#include <QStandardPaths>

#include <iostream>

int main(int argc, char* argv[])
{
    // Read before Qt starts, so that --help, --version and a refused folder
    // answer without a display.
    const CommandLine command = readCommandLine({argv, argv + argc});
    QCoreApplication::setApplicationName(QStringLiteral("tavrel"));
    // The program's private data folder ($XDG_DATA_HOME/tavrel,
    // ~/.local/share/tavrel by default): the history unless a results folder
    // was chosen, the choice itself, the patient's name and the reports.
    const std::filesystem::path privateFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdU16String();
    if (command.report) {
        ResultsFolder results(privateFolder, thisComputerName());
        if (command.resultsFolder)
            results.useForThisRun(std::filesystem::absolute(pathFromUtf8(*command.resultsFolder)));
        const ReportOutcome outcome =
            writeReportCommand(pathFromUtf8(command.report->file), command.report->patient, results, reportWait);
        (outcome.status == 0 ? std::cout : std::cerr) << outcome.message << std::endl;
        return outcome.status;
    }
    if (!command.startWindow) {
        (command.exitStatus == 0 ? std::cout : std::cerr) << command.message << std::endl;
        return command.exitStatus;
    }

    mapPictureBuffersFromTheSystem();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavrel"));
    QApplication::setApplicationVersion(QString::fromUtf8(programVersion()));
    // The installed desktop entry, tavrel.desktop, which gives the window its icon.
    QApplication::setDesktopFileName(QStringLiteral("tavrel"));

    ResultsFolder results(privateFolder, thisComputerName());
    if (command.resultsFolder)
        results.useForThisRun(std::filesystem::absolute(pathFromUtf8(*command.resultsFolder)));
    MainWindow window(&results);
    window.load(command.discFolder);
    window.show();
    // Active at once, so that Space clicks the start button and the access
    // keys work before the user has clicked into the window.
    window.activateWindow();
    return app.exec();
}
