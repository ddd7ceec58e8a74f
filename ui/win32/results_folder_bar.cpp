#include "ui/win32/results_folder_bar.h"

#include "engine/form1.h"
#include "results/printable_report.h"
#include "ui/win32/boxes.h"
#include "ui/win32/wide_text.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <optional>

namespace {

int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), 96); }

HWND child(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, HFONT font)
{
    const HWND w = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return w;
}

// The folder the user picks in the system's folder dialog, starting from
// the one in use; nothing when cancelled.
std::optional<std::filesystem::path> pickFolder(HWND owner, const std::filesystem::path& start)
{
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog))))
        return std::nullopt;
    std::optional<std::filesystem::path> chosen;
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    dialog->SetTitle(L"Dossier des résultats");
    IShellItem* folder = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_PPV_ARGS(&folder)))) {
        dialog->SetFolder(folder);
        folder->Release();
    }
    IShellItem* result = nullptr;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&result))) {
        PWSTR path = nullptr;
        if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            chosen = std::filesystem::path(path);
            CoTaskMemFree(path);
        }
        result->Release();
    }
    dialog->Release();
    return chosen;
}

} // namespace

ResultsFolderBar::ResultsFolderBar(Form1& form, HWND parent, HFONT font)
    : form_(form), parent_(parent), note_(child(parent, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, font)),
      folder_(child(parent, L"BUTTON", L"&Dossier des résultats…", WS_TABSTOP | BS_PUSHBUTTON, font)),
      report_(child(parent, L"BUTTON", L"&Bilan imprimable…", WS_TABSTOP | BS_PUSHBUTTON, font))
{
    if (!form_.results()) {
        EnableWindow(folder_, FALSE);
        EnableWindow(report_, FALSE);
    }
}

int ResultsFolderBar::height(UINT dpi) const
{
    return scaled(64, dpi) + scaled(28, dpi);
}

void ResultsFolderBar::layOut(int left, int top, int width, UINT dpi)
{
    const int noteHeight = scaled(64, dpi);
    const int buttonWidth = scaled(170, dpi);
    MoveWindow(note_, left, top, width, noteHeight, TRUE);
    MoveWindow(folder_, left, top + noteHeight, buttonWidth, scaled(26, dpi), TRUE);
    MoveWindow(report_, left + width - buttonWidth, top + noteHeight, buttonWidth, scaled(26, dpi), TRUE);
}

void ResultsFolderBar::refresh()
{
    if (const ResultsFolder* results = form_.results())
        SetWindowTextW(note_, widen(folderNote(*results, form_.patient())).c_str());
}

bool ResultsFolderBar::command(WPARAM wParam, LPARAM lParam, bool& folderChanged)
{
    const auto from = reinterpret_cast<HWND>(lParam);
    if (HIWORD(wParam) != BN_CLICKED || (from != report_ && from != folder_) || !form_.results())
        return false;
    if (from == report_)
        writeReport();
    else
        folderChanged = chooseFolder();
    return true;
}

void ResultsFolderBar::writeReport()
{
    ResultsFolder& results = *form_.results();
    const WrittenReport written = writePrivateReport(results.privateFolder(), reportRequest(results, form_.patient()));
    if (!written.failure.empty()) {
        showMessageBox(parent_, written.failure);
        return;
    }
    const auto opened = reinterpret_cast<INT_PTR>(
        ShellExecuteW(parent_, L"open", written.file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened <= 32)
        showMessageBox(parent_, notOpened(written.file));
}

bool ResultsFolderBar::chooseFolder()
{
    ResultsFolder& results = *form_.results();
    const std::optional<std::filesystem::path> chosen = pickFolder(parent_, results.folder());
    if (!chosen)
        return false;
    const std::string failure = results.choose(*chosen);
    if (!failure.empty())
        showMessageBox(parent_, failure);
    refresh();
    return true;
}
