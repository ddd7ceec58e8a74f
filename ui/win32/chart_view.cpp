#include "ui/win32/chart_view.h"

#include "ui/win32/dpi.h"
#include "ui/win32/owned_window.h"
#include "ui/win32/wide_text.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr wchar_t windowClass[] = L"TavrelChart";

COLORREF colourOf(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A GDI object selected into a device context for a while, then deleted.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), old_(SelectObject(dc, object)) {}
    ~Selected()
    {
        SelectObject(dc_, old_);
        DeleteObject(object_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ object_;
    HGDIOBJ old_;
};

// Pixels at 96 dots per inch on a screen of the dots per inch given.
int scaled(double pixels, UINT dpi) { return static_cast<int>(std::lround(pixels * dpi / 96)); }

// A point's mark as the core describes it, centred on the point.
void drawMark(HDC dc, const ChartSeries& s, POINT at, UINT dpi)
{
    const int size = scaled(s.markSize, dpi);
    const RECT box{at.x - size / 2, at.y - size / 2, at.x - size / 2 + size, at.y - size / 2 + size};
    const COLORREF colour = colourOf(s.colour);
    if (s.mark == MarkShape::ring) {
        // Its outline inside the box, hollow.
        const Selected pen(dc, CreatePen(PS_INSIDEFRAME, scaled(chartLineWidth, dpi), colour));
        const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Ellipse(dc, box.left, box.top, box.right, box.bottom);
        SelectObject(dc, oldBrush);
        return;
    }
    // Filled without an outline, which GDI fills short of the right and
    // bottom edges.
    const Selected fill(dc, CreateSolidBrush(colour));
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    (s.mark == MarkShape::disc ? Ellipse : Rectangle)(dc, box.left, box.top, box.right + 1, box.bottom + 1);
    SelectObject(dc, oldPen);
}

void text(HDC dc, const std::string& s, RECT box, UINT format)
{
    std::wstring wide = widen(s);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &box, format | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace

ChartView::ChartView(HWND parent)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.style = CS_HREDRAW | CS_VREDRAW;
    c.lpfnWndProc = ownedWindowProc<ChartView>;
    c.hInstance = instance;
    c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    c.lpszClassName = windowClass;
    RegisterClassExW(&c);
    CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr, instance, this);
}

ChartView::~ChartView()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

void ChartView::setFont(HFONT font) { font_ = font; }

void ChartView::draw(const Chart& chart)
{
    if (chart == chart_)
        return;
    chart_ = chart;
    SetWindowTextW(hwnd_, widen(chart_.title).c_str());
    InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT ChartView::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // painted whole, off screen first
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(hwnd_, &ps);
        RECT area{};
        GetClientRect(hwnd_, &area);
        // Drawn in a bitmap, then copied at once: no flicker as it resizes.
        const HDC memory = CreateCompatibleDC(dc);
        const HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(area.right, 1), std::max<LONG>(area.bottom, 1));
        const HGDIOBJ old = SelectObject(memory, bitmap);
        paint(memory, area);
        BitBlt(dc, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void ChartView::paint(HDC dc, const RECT& area) const
{
    const UINT dpi = dpiOf(hwnd_);
    const auto px = [dpi](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), 96); };
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const HGDIOBJ oldFont = SelectObject(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x20, 0x20, 0x20));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int line = metrics.tmHeight;

    // Title above, dates and legend below, values at the left.
    text(dc, chart_.title, {0, px(4), area.right, px(4) + line}, DT_CENTER);
    const RECT plot{px(70), px(10) + line, area.right - px(16), area.bottom - px(14) - 3 * line};
    if (plot.right <= plot.left || plot.bottom <= plot.top) {
        SelectObject(dc, oldFont);
        return;
    }
    const auto xOf = [&](double v) {
        const double span = chart_.x.high - chart_.x.low;
        return plot.left + static_cast<int>((v - chart_.x.low) / (span > 0 ? span : 1) * (plot.right - plot.left));
    };
    const auto yOf = [&](double v) {
        const double span = chart_.y.high - chart_.y.low;
        return plot.bottom - static_cast<int>((v - chart_.y.low) / (span > 0 ? span : 1) * (plot.bottom - plot.top));
    };

    {
        const Selected grid(dc, CreatePen(PS_SOLID, 1, RGB(0xDD, 0xDD, 0xDD)));
        for (const ChartTick& tick : chart_.y.ticks) {
            const int y = yOf(tick.at);
            MoveToEx(dc, plot.left, y, nullptr);
            LineTo(dc, plot.right, y);
            text(dc, tick.label, {0, y - line / 2, plot.left - px(6), y + line / 2}, DT_RIGHT);
        }
        for (const ChartTick& tick : chart_.x.ticks) {
            const int x = xOf(tick.at);
            MoveToEx(dc, x, plot.top, nullptr);
            LineTo(dc, x, plot.bottom);
            text(dc, tick.label, {x - px(90), plot.bottom + px(4), x + px(90), plot.bottom + px(4) + line}, DT_CENTER);
        }
    }
    {
        const Selected frame(dc, CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80)));
        const POINT corners[] = {{plot.left, plot.top}, {plot.left, plot.bottom}, {plot.right, plot.bottom}};
        Polyline(dc, corners, 3);
    }
    // The value axis's title, above its marks.
    text(dc, chart_.y.title, {0, plot.top - line - px(2), plot.left - px(6), plot.top - px(2)}, DT_RIGHT);

    // The lines, each piece apart, with a mark on each value; the series in
    // the chart's order, each over the ones before.
    int legendX = plot.left;
    const int legendY = area.bottom - px(6) - line;
    for (const ChartSeries& s : chart_.series) {
        const LOGBRUSH brush{BS_SOLID, colourOf(s.colour), 0};
        const Selected pen(dc, ExtCreatePen(PS_GEOMETRIC | (s.dashed ? PS_DASH : PS_SOLID) | PS_ENDCAP_ROUND,
                                            static_cast<DWORD>(scaled(chartLineWidth, dpi)), &brush, 0, nullptr));
        for (const std::vector<ChartPoint>& run : s.runs) {
            std::vector<POINT> points;
            for (const ChartPoint& p : run)
                points.push_back({xOf(p.x), yOf(p.y)});
            if (points.size() > 1)
                Polyline(dc, points.data(), static_cast<int>(points.size()));
            for (const POINT& p : points)
                drawMark(dc, s, p, dpi);
        }
        // Its entry in the legend: a stroke of its line with its mark, then
        // its name.
        MoveToEx(dc, legendX, legendY + line / 2, nullptr);
        LineTo(dc, legendX + px(30), legendY + line / 2);
        drawMark(dc, s, {legendX + px(15), legendY + line / 2}, dpi);
        SIZE size{};
        const std::wstring name = widen(s.name);
        GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
        text(dc, s.name, {legendX + px(38), legendY, legendX + px(38) + size.cx + px(2), legendY + line}, DT_LEFT);
        legendX += px(38) + size.cx + px(24);
    }
    SelectObject(dc, oldFont);
}
