// The program over Qt: reads its command line, creates the window, gives it
// the random sequence of this start, runs its load handler, which settles
// the image disc's drive, shows the window with the focus on the start
// button and hands control to Qt's event loop until the window closes.

#include "app/command_line.h"
#include "results/computer_name.h"
#include "results/picture_order.h"
#include "results/printable_report.h"
#include "ui/qt/background_picture.h"
#include "ui/qt/main_window.h"

#include <QApplication>
#include <QWidget>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace {

// SIGTERM (the system stopping, kill), SIGINT (Ctrl+C in the terminal) and
// SIGHUP (the terminal gone) only write a byte here; the event loop reads it
// and closes the window, which saves the exercise under way as a click on
// the close box does.
int terminationPipe[2] = {-1, -1};

void onTermination(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    // Read before Qt starts, so that --help, --version and a refused folder
    // answer without a display.
    const CommandLine command = readCommandLine({argv, argv + argc});
    QCoreApplication::setApplicationName(QStringLiteral("tavrel"));
    // The program's private data folder ($XDG_DATA_HOME/tavrel,
    // ~/.local/share/tavrel by default): the history unless a results folder
    // was chosen, the choice itself, the patient's name, the order of the
    // pictures and the reports.
    const std::filesystem::path privateFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdU16String();
    if (command.report) {
        ResultsFolder results(privateFolder, thisComputerName(), command.report->patient);
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
    window.services().useSequence(PictureOrderChoice(privateFolder).sequenceAt(std::chrono::system_clock::now()));
    window.load(command.discFolder);
    window.show();
    // Active at once, so that Space clicks the start button and the access
    // keys work before the user has clicked into the window.
    window.activateWindow();

    std::optional<QSocketNotifier> termination;
    if (::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        termination.emplace(terminationPipe[0], QSocketNotifier::Read);
        QObject::connect(&*termination, &QSocketNotifier::activated, &window, [&window] {
            char byte = 0;
            while (::read(terminationPipe[0], &byte, 1) == 1) {
            }
            window.closeForTheSystem();
        });
        struct sigaction action {};
        action.sa_handler = onTermination;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            sigaction(signal, &action, nullptr);
    }
    return app.exec();
}
