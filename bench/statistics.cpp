#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <stdexcept>

Summary summarize(std::vector<double> samples)
{
    if (samples.empty())
        throw std::runtime_error("a figure without samples");
    std::ranges::sort(samples);
    const std::size_t n = samples.size();
    // Nearest rank: the smallest sample with at least the given share of the
    // samples at or below it.
    const auto rank = [&](double share) {
        const auto r = static_cast<std::size_t>(std::ceil(share * static_cast<double>(n)));
        return samples[std::clamp<std::size_t>(r, 1, n) - 1];
    };
    Summary s;
    s.count = n;
    s.min = samples.front();
    s.median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    s.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(n);
    s.p99 = rank(0.99);
    s.max = samples.back();
    return s;
}

double growthOfLowest(const std::vector<double>& readings, std::size_t count)
{
    if (readings.size() < count || count == 0)
        throw std::runtime_error("too few readings for their growth");
    const auto n = static_cast<std::ptrdiff_t>(count);
    return *std::min_element(readings.end() - n, readings.end()) -
           *std::min_element(readings.begin(), readings.begin() + n);
}

Summary ratio(const Summary& numerator, const Summary& denominator)
{
    return Summary{
        std::min(numerator.count, denominator.count),
        numerator.min / denominator.min,
        numerator.median / denominator.median,
        numerator.mean / denominator.mean,
        numerator.p99 / denominator.p99,
        numerator.max / denominator.max,
    };
}

void Table::heading(std::string text)
{
    lines_.push_back(Line{std::nullopt, std::move(text)});
}

void Table::add(Row row)
{
    lines_.push_back(Line{std::move(row), {}});
}

namespace {

std::string format(const char* pattern, auto... values)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

// Numbers with three significant digits at least, so that a ratio of 1.02
// and a latency of 154 ms both read well in the same column.
std::string number(double value)
{
    const double magnitude = std::fabs(value);
    if (magnitude >= 100)
        return format("%.0f", value);
    if (magnitude >= 10)
        return format("%.1f", value);
    return format("%.2f", value);
}

} // namespace

std::string Table::render() const
{
    std::size_t figureWidth = 6;
    for (const Line& line : lines_) {
        if (line.row)
            figureWidth = std::max(figureWidth, line.row->figure.size());
    }
    const auto width = static_cast<int>(figureWidth);
    std::string out = format("%-*s %-5s %4s %8s %8s %8s %8s %8s  %s\n", width, "figure", "unit", "n", "min",
                             "median", "mean", "p99", "max", "target");
    out += std::string(figureWidth + 72, '-') + "\n";
    for (const Line& line : lines_) {
        if (!line.row) {
            out += line.heading + "\n";
            continue;
        }
        const Row& r = *line.row;
        const Summary& s = r.summary;
        out += format("%-*s %-5s %4zu %8s %8s %8s %8s %8s", width, r.figure.c_str(), r.unit.c_str(), s.count,
                      number(s.min).c_str(), number(s.median).c_str(), number(s.mean).c_str(),
                      number(s.p99).c_str(), number(s.max).c_str());
        if (r.target)
            out += format("  %s %s", r.target->text.c_str(), r.target->met ? "met" : "MISSED");
        out += "\n";
    }
    return out;
}
