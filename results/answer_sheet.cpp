#include "results/answer_sheet.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double secondsPerDay = 86400;

// From one reading of the clock to another, across midnight too: negative
// when the second reading is the earlier one.
double secondsFrom(double from, double to)
{
    double elapsed = std::fmod(to - from, secondsPerDay);
    if (elapsed >= secondsPerDay / 2)
        elapsed -= secondsPerDay;
    else if (elapsed < -secondsPerDay / 2)
        elapsed += secondsPerDay;
    return elapsed;
}

} // namespace

void AnswerSheet::start()
{
    started_ = true;
    answersTaken_ = 0;
    pictures_.clear();
    settings_ = {};
}

void AnswerSheet::pictureShown(int number, bool phase1, const ExerciseSettings& settings)
{
    if (!started_)
        return;
    pictures_.push_back({number, phase1, std::nullopt, std::nullopt});
    if (phase1)
        settings_ = settings;
}

void AnswerSheet::pictureOnScreen(double at)
{
    if (!pictures_.empty() && !pictures_.back().onScreen)
        pictures_.back().onScreen = at;
}

void AnswerSheet::answer(Side side, double pressedAt)
{
    if (!started_)
        return;
    // The picture on screen when the key was pressed: the latest one that
    // had reached the screen by then. A picture that never reached it (one
    // replaced within its own tick) cannot be answered.
    const auto onScreen = std::find_if(pictures_.rbegin(), pictures_.rend(), [&](const Picture& p) {
        return p.onScreen && secondsFrom(*p.onScreen, pressedAt) >= 0;
    });
    if (onScreen == pictures_.rend() || !onScreen->phase1 || onScreen->answer)
        return;
    onScreen->answer = side;
    onScreen->responseSeconds = secondsFrom(*onScreen->onScreen, pressedAt);
    ++answersTaken_;
    latestResponse_ = onScreen->responseSeconds;
}

std::optional<Tally> AnswerSheet::stop()
{
    if (!started_)
        return std::nullopt;
    started_ = false;
    Tally tally{settings_};
    std::vector<double> milliseconds;
    for (const Picture& p : pictures_) {
        if (!p.phase1)
            continue;
        ++tally.pictures;
        if (!p.answer)
            continue;
        ++tally.answers;
        if (*p.answer == sideOf(p.number))
            ++tally.correct;
        milliseconds.push_back(p.responseSeconds * 1000);
    }
    pictures_.clear();
    const MeanAndMedian times = meanAndMedian(std::move(milliseconds));
    tally.meanMs = times.mean;
    tally.medianMs = times.median;
    return tally;
}

MeanAndMedian meanAndMedian(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::ranges::sort(values);
    const std::size_t half = values.size() / 2;
    const double median = values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
    const double mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
    return {static_cast<int>(std::lround(mean)), static_cast<int>(std::lround(median))};
}
