// The buttons of the Win32 results window's folder bar, clicked as a user
// clicks them, under Wine (or Windows): « Dossier des résultats… » opens the
// system's folder dialog, in which a folder is typed and confirmed: the
// folder is used at once, shown with the computers that wrote there, and
// remembered for the next run; cancelled, nothing changes. « Bilan
// imprimable… » writes the report into the private folder and hands it to
// the program the system opens web pages with (here a copy command,
// registered for .html files while the test runs), or says where it is
// when no program could open it.

#include "win32_fixture.h"

#include "model/message_text.h"
#include "results/printable_report.h"

#include <objbase.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string contentOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The visible edit field of a dialog, where the folder's path is typed.
HWND editOf(HWND dialog)
{
    HWND found = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM into) {
            if (classOf(w) != "Edit" || !IsWindowVisible(w))
                return TRUE;
            *reinterpret_cast<HWND*>(into) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The command the system runs to open .html files, for the time of a test;
// the association as it was is put back after.
class HtmlOpener {
public:
    explicit HtmlOpener(const std::wstring& command)
    {
        wchar_t before[256] = {};
        LONG size = sizeof before;
        if (RegQueryValueW(HKEY_CLASSES_ROOT, L".html", before, &size) == ERROR_SUCCESS)
            before_ = before;
        RegSetValueW(HKEY_CLASSES_ROOT, L".html", REG_SZ, progId, 0);
        RegSetValueW(HKEY_CLASSES_ROOT, (std::wstring(progId) + L"\\shell\\open\\command").c_str(), REG_SZ,
                     command.c_str(), 0);
    }
    ~HtmlOpener()
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, progId);
        if (before_.empty())
            RegDeleteKeyW(HKEY_CLASSES_ROOT, L".html");
        else
            RegSetValueW(HKEY_CLASSES_ROOT, L".html", REG_SZ, before_.c_str(), 0);
    }
    HtmlOpener(const HtmlOpener&) = delete;
    HtmlOpener& operator=(const HtmlOpener&) = delete;

private:
    static constexpr wchar_t progId[] = L"TavrelTest.Bilan";
    std::wstring before_;
};

} // namespace

TEST(Win32ResultsFolderButtonsTest, TheFolderChosenIsUsedAndRememberedAndTheReportWrittenAndOpened)
{
    // As the program does: the system's dialogs want a single-threaded
    // apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ASSERT_TRUE(SUCCEEDED(com)) << std::hex << com;
    TempFolder temp;
    const fs::path own = temp.path() / u8"privé";
    const fs::path shared = temp.path() / u8"partagé";
    fs::create_directories(shared);
    std::ofstream(shared / "resultats-MAISON.csv", std::ios::binary)
        << "\xEF\xBB\xBF" << historyHeader << "\r\n2026-12-01T18:00:00;Zoé;mains;1;3000;1;20;20;15;900;880\r\n";

    ResultsFolder resultsFolder(own, "CABINET");
    MainWindow window(&resultsFolder);
    ASSERT_EQ(window.form().setPatient("Zoé"), "");
    window.show();
    MSG f2{window.control(Control::cmdOnOff), WM_KEYDOWN, VK_F2, 1, GetTickCount(), {}};
    ASSERT_TRUE(window.preTranslate(f2));
    const HWND results = window.resultsWindow();
    ASSERT_TRUE(IsWindowVisible(results));
    const auto pumpUntil = [&](const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < end && window.runOnce(10)) {
        }
        return done();
    };
    const auto buttonOf = [&](const std::string& caption) {
        for (HWND c : childrenOf(results)) {
            if (classOf(c) == "Button" && textOf(c) == caption)
                return c;
        }
        return HWND{};
    };
    const HWND folderButton = buttonOf("&Dossier des résultats…");
    const HWND reportButton = buttonOf("&Bilan imprimable…");
    ASSERT_NE(folderButton, nullptr);
    ASSERT_NE(reportButton, nullptr);
    const auto note = [&] {
        for (HWND c : childrenOf(results)) {
            if (textOf(c).starts_with("Dossier des résultats : "))
                return textOf(c);
        }
        return std::string();
    };
    const std::string ownFolder = "Dossier des résultats : " + utf8Of(own) + ".";
    ASSERT_TRUE(pumpUntil([&] { return note() == ownFolder; })) << note();

    // The dialog cancelled: the folder stays.
    bool asked = false;
    {
        BoxResponder cancel(
            [&](HWND dialog) {
                asked = true;
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            },
            L"Dossier des résultats");
        SendMessageW(folderButton, BM_CLICK, 0, 0);
    }
    EXPECT_TRUE(asked) << "the system's folder dialog";
    EXPECT_TRUE(resultsFolder.isPrivate());

    // The shared folder typed in the dialog and confirmed.
    asked = false;
    {
        BoxResponder choose(
            [&](HWND dialog) {
                asked = true;
                SetWindowTextW(editOf(dialog), shared.c_str());
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            },
            L"Dossier des résultats");
        SendMessageW(folderButton, BM_CLICK, 0, 0);
    }
    EXPECT_TRUE(asked);
    EXPECT_EQ(resultsFolder.folder(), shared);
    EXPECT_EQ(ResultsFolder(own, "CABINET").folder(), shared) << "remembered for the next run";
    EXPECT_TRUE(pumpUntil([&] { return note().find("MAISON : 1") != std::string::npos; })) << note();
    EXPECT_NE(note().find("(cet ordinateur y écrit resultats-CABINET.csv)"), std::string::npos) << note();

    // The report, opened by the program registered for web pages: a copy.
    const fs::path opened = temp.path() / u8"ouvert.html";
    {
        const HtmlOpener copy(L"cmd.exe /c copy /y \"%1\" \"" + opened.wstring() + L"\"");
        SendMessageW(reportButton, BM_CLICK, 0, 0);
        EXPECT_TRUE(pumpUntil([&] { return fs::exists(opened) && contentOf(opened).ends_with("</html>\n"); }));
    }
    const std::string page = contentOf(opened);
    EXPECT_NE(page.find("<td>Zoé</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>le 01/12/2026</td>"), std::string::npos) << "the exercise of the folder chosen";
    std::vector<fs::path> written;
    for (const fs::directory_entry& e : fs::directory_iterator(own)) {
        if (e.path().extension() == ".html")
            written.push_back(e.path());
    }
    ASSERT_EQ(written.size(), 1u) << "into the private folder";
    EXPECT_EQ(contentOf(written[0]), page);

    // No program can open it: where it is, said in a box.
    std::string told;
    {
        const HtmlOpener nowhere(L"\"C:\\nulle-part\\navigateur.exe\" \"%1\"");
        BoxResponder box([&](HWND b) {
            for (HWND c : childrenOf(b)) {
                if (classOf(c) == "Static" && !textOf(c).empty())
                    told += textOf(c);
            }
            BoxResponder::click(b, "OK");
        });
        SendMessageW(reportButton, BM_CLICK, 0, 0);
    }
    EXPECT_EQ(told, breakLongRuns(notOpened(written[0])));
    CoUninitialize();
}
