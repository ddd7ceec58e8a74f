#pragma once
// The figures of a benchmark run: each a series of samples summed up by its
// minimum, median, mean, 99th percentile and maximum, and the one table they
// are printed in.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct Summary {
    std::size_t count = 0;
    double min = 0;
    double median = 0;
    double mean = 0;
    double p99 = 0;
    double max = 0;
};

// The percentiles are nearest-rank: the 99th percentile of 200 samples is the
// 198th smallest, of 20 samples the largest.
Summary summarize(std::vector<double> samples);

// Statistic by statistic, how many times larger the first series is: the
// ratio of the two minimums, of the two medians, and so on.
Summary ratio(const Summary& numerator, const Summary& denominator);
// The lowest of the last readings less the lowest of the first, count of
// each: what stays from picture to picture. The readings of a window swing
// by the buffers of one or two pictures that are alive at one reading and
// freed at the next (two sizes of picture alternate), so that any one
// reading, or a median, may fake a growth of megabytes.
double growthOfLowest(const std::vector<double>& readings, std::size_t count);

// What a figure is held against, and whether it holds.
struct Target {
    std::string text; // as printed, e.g. "p99 <= 16.7"
    bool met = false;
};

struct Row {
    std::string figure;
    std::string unit;
    Summary summary;
    std::optional<Target> target;
};

class Table {
public:
    void heading(std::string text);
    void add(Row row);
    // The table as fixed-width text, one line per figure.
    std::string render() const;

private:
    struct Line {
        std::optional<Row> row;
        std::string heading;
    };
    std::vector<Line> lines_;
};
