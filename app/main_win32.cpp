// The program on Windows: reads its command line, creates the window, gives
// it the random sequence of this start, runs its load handler, which settles
// the image disc's drive, shows the window with the focus on the start
// button and runs the message loop until the program ends.

#include "app/command_line.h"
#include "results/computer_name.h"
#include "results/picture_order.h"
#include "results/printable_report.h"
#include "ui/win32/boxes.h"
#include "ui/win32/main_window.h"
#include "ui/win32/wide_text.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// The user's own data folder (%APPDATA%), where the history is kept.
std::filesystem::path roamingAppData()
{
    PWSTR folder = nullptr;
    std::filesystem::path path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder)))
        path = folder;
    CoTaskMemFree(folder);
    return path;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The window's thread is a single-threaded apartment, as the common
    // controls expect; pictures are decoded on threads of their own.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    // A program with a window has no console: what the command line answers
    // (--help, --version, a folder that is no disc) is shown in a box.
    const CommandLine command = readCommandLine(commandLineWords());
    const std::filesystem::path appData = roamingAppData();
    if (command.report) {
        // A clinic's script waits on the status: the box only says what went
        // wrong.
        ResultsFolder results(appData / L"tavrel", thisComputerName(), command.report->patient);
        if (command.resultsFolder)
            results.useForThisRun(std::filesystem::absolute(pathFromUtf8(*command.resultsFolder)));
        const ReportOutcome outcome =
            writeReportCommand(pathFromUtf8(command.report->file), command.report->patient, results, reportWait);
        if (outcome.status != 0)
            showMessageBox(nullptr, outcome.message);
        return outcome.status;
    }
    if (!command.startWindow) {
        showMessageBox(nullptr, command.message);
        return command.exitStatus;
    }

    ResultsFolder results(appData.empty() ? std::filesystem::path() : appData / L"tavrel", thisComputerName());
    if (command.resultsFolder)
        results.useForThisRun(std::filesystem::absolute(pathFromUtf8(*command.resultsFolder)));
    MainWindow window(appData.empty() ? nullptr : &results);
    if (!appData.empty())
        window.services().useSequence(
            PictureOrderChoice(appData / L"tavrel").sequenceAt(std::chrono::system_clock::now()));
    window.load(command.discFolder);
    if (window.hasEnded())
        return 0;
    window.show();
    return window.run();
}
