#pragma once
// The patient's progress for one body part, as charts to draw: the correct
// answers in % and the median response time over the dates, each with a
// line for the left pictures, one for the right pictures, and one for all
// pictures (the exercises' overall figures, which exercises saved before
// the answers were kept picture by picture have too). Everything is worked
// out here, in the drawing's own units: each front-end (the Qt window, the
// Win32 window, the HTML report) only draws the description it is given,
// so that all show the same thing.
//
// The dates are placed one after the other at equal steps, in the order of
// time: a date of 1970 or 9999 (a clock set wrong) takes one place at an end
// and squashes nothing. When there are many exercises, they are grouped by
// day, then by week, then by month, so that a chart never holds more than a
// few dozen places. A place without answers of a side has no point on that
// side's line, which breaks there rather than dropping to 0.
//
// The series are drawn in their order, each over the ones before: all
// pictures first, then the left and the right ones. Their marks differ in
// shape and size so that none hides another where their values are equal:
// the right side's small square leaves a rim of the grey disc of all
// pictures around it, and the left side's ring goes round both. A point
// missing from a side's line then always means that side had no answer.

#include "results/history.h"

#include <cstdint>
#include <string>
#include <vector>

// A mark on an axis, at a value of the axis, with its label.
struct ChartTick {
    double at = 0;
    std::string label;

    bool operator==(const ChartTick&) const = default;
};

// An axis from low to high, with its marks (round numbers on the value
// axis; dates, none repeated, on the time axis) and its title.
struct ChartAxis {
    double low = 0;
    double high = 1;
    std::vector<ChartTick> ticks;
    std::string title;

    bool operator==(const ChartAxis&) const = default;
};

struct ChartPoint {
    double x = 0;
    double y = 0;

    bool operator==(const ChartPoint&) const = default;
};

enum class SeriesKind { left, right, all };

// The mark on each point of a series: a filled disc, a ring (a circle's
// outline, as wide as the lines, hollow), a filled square.
enum class MarkShape { disc, ring, square };

// The width of the lines and of a ring's outline, in pixels at 96 dots per
// inch.
inline constexpr double chartLineWidth = 2;

struct ChartSeries {
    SeriesKind kind = SeriesKind::all;
    std::string name;          // "Images de gauche", "Images de droite", "Toutes les images"
    std::uint32_t colour = 0;  // 0xRRGGBB
    bool dashed = false;
    MarkShape mark = MarkShape::disc;
    double markSize = 0; // across, outline included, in pixels at 96 dots per inch
    // The pieces of the line, between the places that have no value; a
    // piece of one point is drawn as that point alone.
    std::vector<std::vector<ChartPoint>> runs;

    bool operator==(const ChartSeries&) const = default;
};

struct Chart {
    std::string title;
    ChartAxis x; // the places of the dates
    ChartAxis y; // the values
    std::vector<ChartSeries> series;

    bool hasPoints() const;
    bool operator==(const Chart&) const = default;
};

struct ProgressCharts {
    Chart accuracy;     // correct answers, in % of the answers
    Chart responseTime; // median response time, in ms
    // Below the charts: how many exercises, how they are grouped, how many
    // lines of the files could not be read.
    std::string note;

    bool operator==(const ProgressCharts&) const = default;
};

// The patient's exercises of the body part in the history. Names are
// compared without the blanks around them.
ProgressCharts progressCharts(const HistoryContents& history, const std::string& patient, BodyPart part);

// The body parts, in the order the results window offers them, and their
// names there ("Mains", "Pieds", "Visage", "Patient").
inline constexpr BodyPart chartParts[] = {BodyPart::hands, BodyPart::feet, BodyPart::face, BodyPart::patient};
std::string partTitle(BodyPart part);
// The body part the patient's latest exercise worked on; hands when there
// is none.
BodyPart latestPartOf(const HistoryContents& history, const std::string& patient);
