#include "ui/qt/chart_view.h"

#include "ui/qt/utf8_text.h"

#include <QCategoryAxis>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace {

// A series' mark as the core describes it, drawn at four times its size so
// that it stays sharp where Qt Charts scales it to the mark's size.
QImage markOf(const ChartSeries& s)
{
    constexpr int scale = 4;
    const int side = static_cast<int>(std::ceil(s.markSize * scale));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    const QColor colour = QColor::fromRgb(static_cast<QRgb>(s.colour));
    const QRectF whole(0, 0, s.markSize, s.markSize);
    switch (s.mark) {
    case MarkShape::disc:
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(whole);
        break;
    case MarkShape::ring: {
        const double inset = chartLineWidth / 2;
        painter.setPen(QPen(colour, chartLineWidth));
        painter.drawEllipse(whole.adjusted(inset, inset, -inset, -inset));
        break;
    }
    case MarkShape::square:
        painter.fillRect(whole, colour);
        break;
    }
    return image;
}

// The axis's marks changed: the chart lays the axis out again once, at the
// last change, rather than at each mark removed and added.
void describe(QCategoryAxis* axis, const ChartAxis& description)
{
    axis->setRange(description.low, description.high);
    axis->setTitleText(fromUtf8(description.title));
    {
        const QSignalBlocker quiet(axis);
        for (const QString& label : axis->categoriesLabels())
            axis->remove(label);
        axis->setStartValue(description.low);
        for (std::size_t i = 0; i + 1 < description.ticks.size(); ++i)
            axis->append(fromUtf8(description.ticks[i].label), description.ticks[i].at);
    }
    if (description.ticks.empty())
        axis->setStartValue(description.low); // said once the marks are gone
    else
        axis->append(fromUtf8(description.ticks.back().label), description.ticks.back().at);
}

QList<QPointF> pointsOf(const std::vector<ChartPoint>& run)
{
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(run.size()));
    for (const ChartPoint& p : run)
        points.append({p.x, p.y});
    return points;
}

// A series is drawn as one line per piece; one without points still has a
// line, empty, for its entry in the legend.
std::size_t piecesOf(const ChartSeries& s)
{
    return std::max<std::size_t>(s.runs.size(), 1);
}

QList<QPointF> pointsOf(const ChartSeries& s, std::size_t piece)
{
    return piece < s.runs.size() ? pointsOf(s.runs[piece]) : QList<QPointF>();
}

// Whether two descriptions draw their series alike but for the points: the
// same series, in as many pieces, with the same names, colours and marks.
bool sameLines(const Chart& a, const Chart& b)
{
    return std::ranges::equal(a.series, b.series, [](const ChartSeries& s, const ChartSeries& t) {
        return s.kind == t.kind && s.name == t.name && s.colour == t.colour && s.dashed == t.dashed &&
               s.mark == t.mark && s.markSize == t.markSize && piecesOf(s) == piecesOf(t);
    });
}

} // namespace

ChartView::ChartView(QWidget* parent) : QChartView(new QChart, parent), x_(new QCategoryAxis), y_(new QCategoryAxis)
{
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    // Each entry a stroke of its line with its mark, as the lines show.
    chart()->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    for (QCategoryAxis* axis : {x_, y_})
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    chart()->addAxis(x_, Qt::AlignBottom);
    chart()->addAxis(y_, Qt::AlignLeft);
}

// Draws the core's description: its axes and marks as they are, and each
// series, in the description's order so that each lies over the ones
// before, as one line per piece with the series' mark on each point, all in
// the series' colour, with one entry in the legend. Only what changed since
// the last description is drawn again: an axis whose marks changed, the
// points of lines that keep their pieces; the lines are made again only
// when their pieces changed.
void ChartView::draw(const Chart& description)
{
    if (drawn_ && *drawn_ == description)
        return;
    if (!drawn_ || drawn_->title != description.title)
        chart()->setTitle(fromUtf8(description.title));
    if (!drawn_ || drawn_->x != description.x)
        describe(x_, description.x);
    if (!drawn_ || drawn_->y != description.y)
        describe(y_, description.y);
    if (drawn_ && sameLines(*drawn_, description)) {
        for (std::size_t s = 0; s < description.series.size(); ++s) {
            for (std::size_t i = 0; i < piecesOf(description.series[s]); ++i) {
                const QList<QPointF> points = pointsOf(description.series[s], i);
                if (points != pointsOf(drawn_->series[s], i))
                    lines_[s][i]->replace(points);
            }
        }
    } else {
        makeLines(description);
    }
    drawn_ = description;
    // Laid out and painted now rather than from the event loop, which would
    // paint the chart at each step, once more after laying it out.
    chart()->layout()->activate();
    QCoreApplication::sendPostedEvents(scene(), QEvent::MetaCall);
}

void ChartView::makeLines(const Chart& description)
{
    chart()->removeAllSeries();
    lines_.clear();
    for (const ChartSeries& s : description.series) {
        QPen pen(QColor::fromRgb(static_cast<QRgb>(s.colour)));
        pen.setWidthF(chartLineWidth);
        if (s.dashed)
            pen.setStyle(Qt::DashLine);
        const QImage mark = markOf(s);
        std::vector<QLineSeries*>& lines = lines_.emplace_back();
        for (std::size_t i = 0; i < piecesOf(s); ++i) {
            auto* line = new QLineSeries;
            line->setName(fromUtf8(s.name));
            line->setPen(pen);
            line->setColor(pen.color());
            line->setLightMarker(mark);
            line->setMarkerSize(s.markSize);
            line->append(pointsOf(s, i));
            chart()->addSeries(line);
            line->attachAxis(x_);
            line->attachAxis(y_);
            if (i > 0) {
                for (QLegendMarker* marker : chart()->legend()->markers(line))
                    marker->setVisible(false);
            }
            lines.push_back(line);
        }
    }
}
