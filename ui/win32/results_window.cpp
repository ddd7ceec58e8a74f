#include "ui/win32/results_window.h"

#include "results/picture_order.h"
#include "ui/win32/boxes.h"
#include "ui/win32/dpi.h"
#include "ui/win32/owned_window.h"
#include "ui/win32/results_folder_bar.h"
#include "ui/win32/wide_text.h"

#include <commctrl.h>

#include <algorithm>
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

} // namespace

ResultsWindow::ResultsWindow(Form1& form, HWND owner) : results_(form)
{
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
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
    patient_ = child(hwnd_, L"EDIT", widen(form.patient()), WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
    SendMessageW(patient_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"nom du patient"));
    headings_[1] = child(hwnd_, L"STATIC", L"Dernier exercice", SS_LEFT);
    figures_ = child(hwnd_, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL,
                     WS_EX_CLIENTEDGE);
    // Left, right and both: a grid of labels, titles in the first row.
    for (std::size_t i = 0; i < sides_.size(); ++i) {
        const bool title = i < 4;
        sides_[i] = child(hwnd_, L"STATIC", title ? widen(sideFiguresHeader[i]) : L"",
                          (i % 4 == 0 ? SS_LEFT : SS_RIGHT) | SS_NOPREFIX);
    }
    headings_[2] = child(hwnd_, L"STATIC", L"Progression du patient", SS_LEFT);
    partLabel_ = child(hwnd_, L"STATIC", L"Partie du &corps :", SS_LEFT);
    part_ = child(hwnd_, WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
    for (BodyPart p : chartParts) {
        const auto at = SendMessageW(part_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(partTitle(p)).c_str()));
        SendMessageW(part_, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(p));
    }
    accuracy_ = std::make_unique<ChartView>(hwnd_);
    time_ = std::make_unique<ChartView>(hwnd_);
    note_ = child(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX);
    order_ = child(hwnd_, L"BUTTON", widen(pictureOrderCaption), WS_TABSTOP | BS_AUTOCHECKBOX);
    orderWhen_ = child(hwnd_, L"STATIC", widen(pictureOrderWhen), SS_LEFT | SS_NOPREFIX);
    for (HWND w : {headings_[0], patient_, headings_[1], figures_, headings_[2], partLabel_, part_, note_, order_,
                   orderWhen_})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    for (HWND w : sides_)
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    accuracy_->setFont(font_);
    time_->setFont(font_);
    folder_ = std::make_unique<ResultsFolderBar>(results_, hwnd_, font_);
    SendMessageW(figures_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    setColumns(figures_, {{"", 200}, {"", 260}}, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, scaled(760, dpi), scaled(980, dpi), SWP_NOMOVE | SWP_NOZORDER);
    refresh();
}

ResultsWindow::~ResultsWindow()
{
    accuracy_.reset();
    time_.reset();
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
    const int figuresHeight = scaled(170, dpi);
    const int noteHeight = scaled(48, dpi);
    int y = margin;
    MoveWindow(headings_[0], margin, y + scaled(3, dpi), scaled(70, dpi), line, TRUE);
    MoveWindow(patient_, margin + scaled(75, dpi), y, width - scaled(75, dpi), scaled(22, dpi), TRUE);
    y += scaled(34, dpi);
    MoveWindow(headings_[1], margin, y, width, line, TRUE);
    y += line;
    MoveWindow(figures_, margin, y, width, figuresHeight, TRUE);
    y += figuresHeight + scaled(6, dpi);
    const int sideColumn = scaled(90, dpi);
    const int figureColumn = (width - sideColumn) / 3;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const int x = column == 0 ? margin : margin + sideColumn + (column - 1) * figureColumn;
            MoveWindow(sideCell(row, column), x, y, column == 0 ? sideColumn : figureColumn - scaled(6, dpi), line,
                       TRUE);
        }
        y += line;
    }
    y += scaled(10, dpi);
    MoveWindow(headings_[2], margin, y, width, line, TRUE);
    y += line + scaled(4, dpi);
    MoveWindow(partLabel_, margin, y + scaled(3, dpi), scaled(110, dpi), line, TRUE);
    MoveWindow(part_, margin + scaled(115, dpi), y, scaled(160, dpi), scaled(200, dpi), TRUE);
    y += scaled(30, dpi);
    const int chartHeight = std::max(
        line, (static_cast<int>(client.bottom) - y - noteHeight - line - folder_->height(dpi) - 4 * margin) / 2);
    MoveWindow(accuracy_->hwnd(), margin, y, width, chartHeight, TRUE);
    y += chartHeight + scaled(4, dpi);
    MoveWindow(time_->hwnd(), margin, y, width, chartHeight, TRUE);
    y += chartHeight + margin;
    MoveWindow(note_, margin, y, width, noteHeight, TRUE);
    y += noteHeight + margin;
    const int orderWidth = scaled(290, dpi);
    MoveWindow(order_, margin, y, orderWidth, line, TRUE);
    MoveWindow(orderWhen_, margin + orderWidth, y + scaled(3, dpi), width - orderWidth, line, TRUE);
    folder_->layOut(margin, y + line + margin, width, dpi);
}

void ResultsWindow::refresh()
{
    draw(results_.view());
}

void ResultsWindow::draw(const ResultsView& view)
{
    const bool all = !drawn_;
    if (all || drawn_->figures != view.figures)
        drawFigures(view.figures);
    if (all || drawn_->sides != view.sides)
        drawSides(view.sides);
    const auto part = std::ranges::find(chartParts, view.part) - std::begin(chartParts);
    SendMessageW(part_, CB_SETCURSEL, static_cast<WPARAM>(part), 0);
    accuracy_->draw(view.charts.accuracy);
    time_->draw(view.charts.responseTime);
    if (all || drawn_->charts.note != view.charts.note)
        SetWindowTextW(note_, widen(view.charts.note).c_str());
    EnableWindow(order_, view.hasFolder);
    SendMessageW(order_, BM_SETCHECK, view.pictureOrderVaries ? BST_CHECKED : BST_UNCHECKED, 0);
    folder_->draw(view);
    drawn_ = view;
}

void ResultsWindow::drawFigures(const std::vector<Figure>& figures)
{
    SendMessageW(figures_, LVM_DELETEALLITEMS, 0, 0);
    for (const Figure& f : figures)
        addRow(figures_, {f.label, f.value});
}

void ResultsWindow::drawSides(const std::vector<SideFigures>& sides)
{
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            ShowWindow(sideCell(row, column), sides.empty() ? SW_HIDE : SW_SHOW);
            if (row == 0 || sides.empty())
                continue;
            const SideFigures& f = sides[static_cast<std::size_t>(row - 1)];
            const std::string* cells[] = {&f.side, &f.answers, &f.correct, &f.medianTime};
            SetWindowTextW(sideCell(row, column), widen(*cells[column]).c_str());
        }
    }
}

void ResultsWindow::tell(const std::string& message)
{
    if (!message.empty())
        showMessageBox(hwnd_, message);
}

void ResultsWindow::patientEdited()
{
    const int length = GetWindowTextLengthW(patient_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(patient_, text.data(), length + 1)));
    tell(results_.patientEdited(narrow(text)));
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
        if (folder_->command(wParam, lParam)) {
            refresh();
        } else if (reinterpret_cast<HWND>(lParam) == part_ && HIWORD(wParam) == CBN_SELCHANGE) {
            const auto selected = SendMessageW(part_, CB_GETCURSEL, 0, 0);
            results_.partChosen(
                static_cast<BodyPart>(SendMessageW(part_, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0)));
            refresh();
        } else if (reinterpret_cast<HWND>(lParam) == order_ && HIWORD(wParam) == BN_CLICKED) {
            tell(results_.pictureOrderChosen(SendMessageW(order_, BM_GETCHECK, 0, 0) == BST_CHECKED));
            refresh();
        }
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
