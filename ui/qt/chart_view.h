#pragma once
// A chart of the results window over Qt: Qt Charts draws the description
// the core works out (axes, marks, lines in their colours, the legend), as
// the Win32 window paints the same description with GDI. A new description
// changes only what differs from the one drawn, so that a window updated
// after each save of an exercise does not lay its charts out again.

#include "results/progress_chart.h"

#include <QChartView>

#include <optional>
#include <vector>

class QCategoryAxis;
class QLineSeries;

class ChartView : public QChartView {
public:
    explicit ChartView(QWidget* parent = nullptr);

    // Draws the description, and paints the chart at once.
    void draw(const Chart& description);
    bool shows(const Chart& description) const { return drawn_ == description; }

private:
    void makeLines(const Chart& description);

    QCategoryAxis* x_;
    QCategoryAxis* y_;
    std::vector<std::vector<QLineSeries*>> lines_; // each series' pieces
    std::optional<Chart> drawn_;
};
