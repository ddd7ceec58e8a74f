// The progress charts as the core describes them for every window: places
// in the order of time whatever the dates, gaps where a side has no answer,
// round marks, dates never written twice, a long history grouped, and marks
// that stay in sight where the values are equal.

#include "results/progress_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace {

ExerciseResult result(const std::string& date, BodyPart part, int answers, int correct, int median,
                      const std::string& patient = "Mme A")
{
    return {date, patient, Tally{{part, 1, 3000, false}, 20, answers, correct, median, median}, {}};
}

// An exercise's pictures: the left ones answered in leftMs, right or wrong
// as told; the right ones answered only when rightMs is given.
ExerciseAnswers answers(const std::string& date, int leftMs, bool leftRight, std::optional<int> rightMs)
{
    ExerciseAnswers a{date, "Mme A", BodyPart::hands, {}, {}};
    for (int i = 0; i < 4; ++i) {
        a.pictures.push_back({2 * i + 1, 3, "mainDG", Side::left, leftRight ? Side::left : Side::right, leftMs, {}});
        PictureAnswer right{2 * i + 2, 14, "mainDG", Side::right, std::nullopt, std::nullopt, {}};
        if (rightMs) {
            right.answer = Side::right;
            right.responseMs = rightMs;
        }
        a.pictures.push_back(right);
    }
    return a;
}

const ChartSeries& seriesOf(const Chart& chart, SeriesKind kind)
{
    for (const ChartSeries& s : chart.series) {
        if (s.kind == kind)
            return s;
    }
    throw std::runtime_error("no such series");
}

std::vector<ChartPoint> pointsOf(const ChartSeries& s)
{
    std::vector<ChartPoint> all;
    for (const auto& run : s.runs)
        all.insert(all.end(), run.begin(), run.end());
    return all;
}

bool isRound(double step)
{
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    const double m = step / power;
    return std::fabs(m - 1) < 1e-9 || std::fabs(m - 2) < 1e-9 || std::fabs(m - 2.5) < 1e-9 || std::fabs(m - 5) < 1e-9;
}

void expectRoundMarksAbove(const ChartAxis& axis, double largest)
{
    ASSERT_GE(axis.ticks.size(), 3u);
    EXPECT_EQ(axis.ticks.front().at, 0);
    const double step = axis.ticks[1].at - axis.ticks[0].at;
    EXPECT_TRUE(isRound(step)) << step;
    for (std::size_t i = 1; i < axis.ticks.size(); ++i)
        EXPECT_DOUBLE_EQ(axis.ticks[i].at - axis.ticks[i - 1].at, step);
    EXPECT_GE(axis.high, largest);
    EXPECT_LT(axis.high - step, largest) << "the axis ends at the first mark above the data";
}

} // namespace

TEST(ProgressChartTest, ThePlacesGapsMarksAndDatesOfOneBodyPart)
{
    HistoryContents h;
    // A clock reset to 1970 and a date of 9999 among exercises of December.
    h.results = {
        result("2026-12-07T10:00:00", BodyPart::hands, 16, 12, 640),
        result("1970-01-01T00:00:05", BodyPart::hands, 10, 5, 900),
        result("2026-12-07T15:30:00", BodyPart::hands, 8, 8, 1730),
        result("2026-12-09T10:00:00", BodyPart::hands, 0, 0, 0), // none of its answers kept, none given
        result("9999-12-31T23:59:59", BodyPart::hands, 20, 10, 700),
        result("2026-12-08T10:00:00", BodyPart::feet, 20, 20, 500),
        result("2026-12-08T11:00:00", BodyPart::hands, 20, 20, 500, "M. B"),
    };
    h.answers = {answers("2026-12-07T10:00:00", 500, true, 780), answers("2026-12-07T15:30:00", 1730, false, {})};
    const ProgressCharts charts = progressCharts(h, " Mme A", BodyPart::hands);

    // Five places in the order of time, at equal steps.
    std::vector<std::string> labels;
    for (const ChartTick& t : charts.accuracy.x.ticks)
        labels.push_back(t.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"01/01/1970", "07/12/2026 10:00", "07/12/2026 15:30", "09/12/2026",
                                                "31/12/9999"}));
    EXPECT_LE(charts.accuracy.x.low, -0.4);
    EXPECT_GE(charts.accuracy.x.high, 4.4);

    // The overall figures of every exercise; an exercise without answers
    // breaks the line instead of dropping to 0.
    const ChartSeries& all = seriesOf(charts.accuracy, SeriesKind::all);
    ASSERT_EQ(all.runs.size(), 2u);
    EXPECT_EQ(all.runs[0], (std::vector<ChartPoint>{{0, 50}, {1, 75}, {2, 100}}));
    EXPECT_EQ(all.runs[1], (std::vector<ChartPoint>{{4, 50}}));
    // Left and right where their pictures were kept and answered only.
    EXPECT_EQ(pointsOf(seriesOf(charts.accuracy, SeriesKind::left)), (std::vector<ChartPoint>{{1, 100}, {2, 0}}));
    EXPECT_EQ(pointsOf(seriesOf(charts.accuracy, SeriesKind::right)), (std::vector<ChartPoint>{{1, 100}}));
    EXPECT_EQ(pointsOf(seriesOf(charts.responseTime, SeriesKind::left)),
              (std::vector<ChartPoint>{{1, 500}, {2, 1730}}));
    EXPECT_EQ(pointsOf(seriesOf(charts.responseTime, SeriesKind::right)), (std::vector<ChartPoint>{{1, 780}}));
    EXPECT_NE(seriesOf(charts.accuracy, SeriesKind::left).colour, seriesOf(charts.accuracy, SeriesKind::right).colour);

    expectRoundMarksAbove(charts.responseTime.y, 1730);
    expectRoundMarksAbove(charts.accuracy.y, 100);
    EXPECT_EQ(charts.accuracy.y.high, 100);
    EXPECT_EQ(charts.accuracy.y.ticks.back().label, "100 %");
    EXPECT_EQ(charts.note, "5 exercices de mains pour ce patient.");

    const ProgressCharts none = progressCharts(h, "Mme A", BodyPart::face);
    EXPECT_FALSE(none.accuracy.hasPoints());
    EXPECT_TRUE(none.accuracy.x.ticks.empty());
    EXPECT_EQ(none.note, "Aucun exercice de visage enregistré pour ce patient.");
    EXPECT_EQ(latestPartOf(h, "Mme A"), BodyPart::hands) << "9999 is the latest date";
}

// Five thousand exercises over three years: grouped by month, a few dozen
// places, each date written once and few enough to be read.
TEST(ProgressChartTest, ALongHistoryIsGroupedAndStaysReadable)
{
    HistoryContents h;
    for (int i = 0; i < 5000; ++i) {
        const int day = i / 5; // five a day
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:00:00", 2024 + day / 336, day / 28 % 12 + 1,
                      day % 28 + 1, 8 + i % 5);
        h.results.push_back(result(date, BodyPart::hands, 20, 10 + i % 10, 500 + i % 400));
    }
    const ProgressCharts charts = progressCharts(h, "Mme A", BodyPart::hands);
    const ChartSeries& all = seriesOf(charts.responseTime, SeriesKind::all);
    ASSERT_EQ(all.runs.size(), 1u);
    EXPECT_GE(all.runs[0].size(), 30u);
    EXPECT_LE(all.runs[0].size(), 40u);
    std::set<std::string> labels;
    for (const ChartTick& t : charts.responseTime.x.ticks)
        EXPECT_TRUE(labels.insert(t.label).second) << t.label << " written twice";
    EXPECT_LE(labels.size(), 8u);
    EXPECT_EQ(*labels.begin(), "01/2024");
    EXPECT_EQ(charts.note, "5000 exercices de mains pour ce patient, un point par mois.");
    expectRoundMarksAbove(charts.responseTime.y, 899);
}

namespace {

// Whether a series' mark, centred at the origin, covers the spot (x, y).
bool covers(const ChartSeries& s, double x, double y)
{
    const double half = s.markSize / 2;
    const double distance = std::hypot(x, y);
    switch (s.mark) {
    case MarkShape::disc: return distance <= half;
    case MarkShape::ring: return distance <= half && distance >= half - chartLineWidth;
    case MarkShape::square: return std::fabs(x) <= half && std::fabs(y) <= half;
    }
    return false;
}

} // namespace

// One exercise, every value of the three series equal: drawn in their order
// at one spot, each mark, and so each side's point, keeps a good part of its
// area in sight, whichever of them are there (a side without answers draws
// nothing). The shapes also tell the sides apart on a page printed in grey.
TEST(ProgressChartTest, EqualValuesLeaveEverySidesMarkInSight)
{
    HistoryContents h;
    h.results = {result("2026-12-07T10:00:00", BodyPart::hands, 8, 8, 500)};
    h.answers = {answers("2026-12-07T10:00:00", 500, true, 500)};
    const ProgressCharts charts = progressCharts(h, "Mme A", BodyPart::hands);

    for (const Chart* chart : {&charts.accuracy, &charts.responseTime}) {
        ASSERT_EQ(chart->series.size(), 3u);
        for (const ChartSeries& s : chart->series)
            EXPECT_EQ(pointsOf(s), pointsOf(chart->series.front())) << s.name << ": one point, equal to the others";
        std::set<MarkShape> shapes;
        for (const ChartSeries& s : chart->series)
            shapes.insert(s.mark);
        EXPECT_EQ(shapes.size(), 3u);

        // Every set of the series at one spot, on a grid of a quarter pixel.
        for (unsigned present = 1; present < 8; ++present) {
            std::map<std::size_t, int> seen; // series -> cells where it is drawn last
            std::map<std::size_t, int> area;
            for (double x = -10; x <= 10; x += 0.25) {
                for (double y = -10; y <= 10; y += 0.25) {
                    std::optional<std::size_t> top;
                    for (std::size_t i = 0; i < 3; ++i) {
                        if ((present >> i & 1) && covers(chart->series[i], x, y)) {
                            top = i;
                            ++area[i];
                        }
                    }
                    if (top)
                        ++seen[*top];
                }
            }
            for (std::size_t i = 0; i < 3; ++i) {
                if (present >> i & 1) {
                    EXPECT_GE(seen[i] * 3, area[i]) << chart->series[i].name << " hidden by the others, set " << present;
                }
            }
        }
    }
    // The sides drawn over all pictures.
    EXPECT_EQ(charts.accuracy.series.front().kind, SeriesKind::all);
}
