#include "ui/win32/results_window.h"

#include "engine/form1.h"
#include "results/report.h"
#include "ui/win32/boxes.h"
#include "ui/win32/dpi.h"
#include "ui/win32/owned_window.h"
#include "ui/win32/wide_text.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr wchar_t windowClass[] = L"TavrelResults";

// Pixels at 96 dots per inch, for the window's screen.
int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), 96); }

HWND child(HWND parent, const wchar_t* kind, const std::wstring& text, DWORD style, DWORD extended = 0)
{
    return CreateWindowExW(extended, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void setColumns(HWND table, const std::vector<std::pair<std::string, int>>& columns, UINT dpi)
{
    int i = 0;
    for (const auto& [title, width] : columns) {
        std::wstring text = widen(title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text.data();
        column.cx = scaled(width, dpi);
        SendMessageW(table, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i++), reinterpret_cast<LPARAM>(&column));
    }
}

void addRow(HWND table, const std::vector<std::string>& cells)
{
    const auto row = static_cast<int>(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::wstring text = widen(cells[i]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = static_cast<int>(i);
        item.pszText = text.data();
        SendMessageW(table, i == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
}

// "2026-12-07T14:05:09" as "07/12/2026 14:05".
std::string frenchDate(const std::string& iso)
{
    if (iso.size() < 16)
        return iso;
    return iso.substr(8, 2) + '/' + iso.substr(5, 2) + '/' + iso.substr(0, 4) + ' ' + iso.substr(11, 5);
}

} // namespace

ResultsWindow::ResultsWindow(Form1& form, HWND owner) : form_(form)
{
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = ownedWindowProc<ResultsWindow>;
    c.hInstance = instance;
    c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    c.lpszClassName = windowClass;
    RegisterClassExW(&c);

    CreateWindowExW(WS_EX_CONTROLPARENT, windowClass, widen(std::string(resultsTitle) + " — Tavrel").c_str(),
                    WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, owner, nullptr, instance, this);
    const UINT dpi = dpiOf(hwnd_);
    font_ = CreateFontW(-MulDiv(9, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, L"MS Shell Dlg 2");

    headings_[0] = child(hwnd_, L"STATIC", L"&Patient :", SS_LEFT);
    patient_ = child(hwnd_, L"EDIT", widen(form_.patient()), WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
    SendMessageW(patient_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"nom du patient"));
    headings_[1] = child(hwnd_, L"STATIC", L"Dernier exercice", SS_LEFT);
    figures_ = child(hwnd_, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL,
                     WS_EX_CLIENTEDGE);
    headings_[2] = child(hwnd_, L"STATIC", L"Progression du patient", SS_LEFT);
    history_ = child(hwnd_, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL,
                     WS_EX_CLIENTEDGE);
    note_ = child(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX);
    for (HWND w : {headings_[0], patient_, headings_[1], figures_, headings_[2], history_, note_})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    for (HWND table : {figures_, history_})
        SendMessageW(table, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                     LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    setColumns(figures_, {{"", 200}, {"", 260}}, dpi);
    setColumns(history_, {{"Date", 130}, {"Partie", 80}, {"Réponses justes", 120}, {"Temps moyen", 110}}, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, scaled(560, dpi), scaled(600, dpi), SWP_NOMOVE | SWP_NOZORDER);
}

ResultsWindow::~ResultsWindow()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
    DeleteObject(font_);
}

void ResultsWindow::show()
{
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
}

void ResultsWindow::layOut()
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    const UINT dpi = dpiOf(hwnd_);
    const int margin = scaled(10, dpi);
    const int line = scaled(20, dpi);
    const int width = client.right - 2 * margin;
    const int figuresHeight = scaled(200, dpi);
    const int noteHeight = scaled(48, dpi);
    int y = margin;
    MoveWindow(headings_[0], margin, y + scaled(3, dpi), scaled(70, dpi), line, TRUE);
    MoveWindow(patient_, margin + scaled(75, dpi), y, width - scaled(75, dpi), scaled(22, dpi), TRUE);
    y += scaled(34, dpi);
    MoveWindow(headings_[1], margin, y, width, line, TRUE);
    y += line;
    MoveWindow(figures_, margin, y, width, figuresHeight, TRUE);
    y += figuresHeight + scaled(10, dpi);
    MoveWindow(headings_[2], margin, y, width, line, TRUE);
    y += line;
    const int historyHeight = std::max(line, static_cast<int>(client.bottom) - y - noteHeight - 2 * margin);
    MoveWindow(history_, margin, y, width, historyHeight, TRUE);
    MoveWindow(note_, margin, y + historyHeight + margin, width, noteHeight, TRUE);
}

void ResultsWindow::refresh()
{
    SendMessageW(figures_, LVM_DELETEALLITEMS, 0, 0);
    for (const Figure& f : lastExerciseFigures(form_.lastExercise()))
        addRow(figures_, {f.label, f.value});

    SendMessageW(history_, LVM_DELETEALLITEMS, 0, 0);
    const HistoryContents history = form_.history() ? form_.history()->read() : HistoryContents{};
    const std::vector<ProgressSeries> progress = progressOf(history, form_.patient());
    for (const ProgressSeries& s : progress) {
        for (const ProgressPoint& p : s.points)
            addRow(history_, {frenchDate(p.date), s.name, std::to_string(std::lround(p.accuracy)) + " %",
                              std::to_string(p.meanMs) + " ms"});
    }
    std::string note = historyNote(history, progress);
    if (form_.history())
        note += "\nFichier : " + narrow(form_.history()->file().wstring());
    SetWindowTextW(note_, widen(note).c_str());
}

void ResultsWindow::patientEdited()
{
    const int length = GetWindowTextLengthW(patient_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(patient_, text.data(), length + 1)));
    const std::string name = narrow(text);
    if (name == form_.patient())
        return;
    const std::string failure = form_.setPatient(name);
    if (!failure.empty())
        showMessageBox(hwnd_, failure);
    refresh();
}

LRESULT ResultsWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        layOut();
        return 0;
    case WM_COMMAND:
        // The name is taken when the field is left, or with Enter.
        if ((reinterpret_cast<HWND>(lParam) == patient_ && HIWORD(wParam) == EN_KILLFOCUS) || LOWORD(wParam) == IDOK)
            patientEdited();
        return 0;
    case WM_CLOSE:
        // Closed, it is only hidden: F2 shows it again as it was.
        patientEdited();
        ShowWindow(hwnd_, SW_HIDE);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}
