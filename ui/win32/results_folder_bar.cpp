#include "ui/win32/results_folder_bar.h"

#include "engine/results_form.h"
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

ResultsFolderBar::ResultsFolderBar(ResultsForm& results, HWND parent, HFONT font)
    : results_(results), parent_(parent), note_(child(parent, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, font)),
      folder_(child(parent, L"BUTTON", L"&Dossier des résultats…", WS_TABSTOP | BS_PUSHBUTTON, font)),
      report_(child(parent, L"BUTTON", L"&Bilan imprimable…", WS_TABSTOP | BS_PUSHBUTTON, font))
{
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

void ResultsFolderBar::draw(const ResultsView& view)
{
    EnableWindow(folder_, view.hasFolder);
    EnableWindow(report_, view.hasFolder);
    const std::wstring note = widen(view.folderNote);
    std::wstring shown(note.size() + 2, L'\0');
    shown.resize(static_cast<std::size_t>(GetWindowTextW(note_, shown.data(), static_cast<int>(shown.size()))));
    if (shown != note)
        SetWindowTextW(note_, note.c_str());
}

bool ResultsFolderBar::command(WPARAM wParam, LPARAM lParam)
{
    const auto from = reinterpret_cast<HWND>(lParam);
    if (HIWORD(wParam) != BN_CLICKED || (from != report_ && from != folder_))
        return false;
    if (from == report_)
        writeReport();
    else
        chooseFolder();
    return true;
}

void ResultsFolderBar::writeReport()
{
    const ReportOutcome told = results_.writeReport([this](const std::filesystem::path& file) {
        const HINSTANCE opened = ShellExecuteW(parent_, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(opened) > 32;
    });
    if (!told.message.empty())
        showMessageBox(parent_, told.message);
}

void ResultsFolderBar::chooseFolder()
{
    const std::string failure =
        results_.chooseFolder([this](const std::filesystem::path& start) { return pickFolder(parent_, start); });
    if (!failure.empty())
        showMessageBox(parent_, failure);
}
