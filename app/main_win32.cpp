// The program on Windows: creates the window, runs its load handler, which
// settles the image disc's drive, shows the window with the focus on the
// start button and runs the message loop until the program ends.

#include "results/history.h"
#include "ui/win32/main_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <filesystem>

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

    const std::filesystem::path appData = roamingAppData();
    History history(appData.empty() ? std::filesystem::path() : appData / L"tavrel");
    MainWindow window(appData.empty() ? nullptr : &history);
    window.load();
    if (window.hasEnded())
        return 0;
    window.show();
    return window.run();
}
