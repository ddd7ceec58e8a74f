#pragma once
// A chart of the results window over Win32: a child window that paints the
// description the core works out (axes, marks, lines in their colours, the
// legend) with GDI, as the Qt window draws the same description with Qt
// Charts. Its window text is the chart's title.

#include "results/progress_chart.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class ChartView {
public:
    explicit ChartView(HWND parent);
    ~ChartView();
    ChartView(const ChartView&) = delete;
    ChartView& operator=(const ChartView&) = delete;

    HWND hwnd() const { return hwnd_; }
    const Chart& chart() const { return chart_; }
    // Paints the description, when it is not the one painted already.
    void draw(const Chart& chart);
    void setFont(HFONT font);

private:
    template <typename Owner>
    friend LRESULT CALLBACK ownedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HDC dc, const RECT& area) const;

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    Chart chart_;
};
