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
    recent_.clear();
    tally_ = {};
    responseMs_.clear();
    pictures_.clear();
}

void AnswerSheet::pictureShown(int number, bool phase1, const ExerciseSettings& settings, const std::string& imageSet)
{
    if (!started_)
        return;
    if (recent_.size() == picturesKept)
        recent_.erase(recent_.begin());
    recent_.push_back({number, phase1, std::nullopt, std::nullopt, pictures_.size()});
    if (phase1) {
        ++tally_.pictures;
        tally_.settings = settings;
        pictures_.push_back({tally_.pictures, number, imageSet, sideOf(number), std::nullopt, std::nullopt});
    }
}

void AnswerSheet::pictureOnScreen(double at)
{
    if (!recent_.empty() && !recent_.back().onScreen)
        recent_.back().onScreen = at;
}

void AnswerSheet::noPictureOnScreen(double at)
{
    const auto shown = std::find_if(recent_.rbegin(), recent_.rend(), [](const Picture& p) { return p.onScreen; });
    if (shown != recent_.rend() && !shown->offScreen)
        shown->offScreen = at;
}

void AnswerSheet::answer(Side side, double pressedAt)
{
    if (!started_)
        return;
    // The picture on screen when the key was pressed: the latest one that
    // had reached the screen by then. A picture that never reached it (one
    // replaced within its own tick) cannot be answered.
    const auto onScreen = std::find_if(recent_.rbegin(), recent_.rend(), [&](const Picture& p) {
        return p.onScreen && secondsFrom(*p.onScreen, pressedAt) >= 0;
    });
    if (onScreen == recent_.rend() || !onScreen->phase1)
        return;
    PictureAnswer& picture = pictures_[onScreen->answerAt];
    if (picture.answer)
        return;
    if (onScreen->offScreen && secondsFrom(*onScreen->offScreen, pressedAt) >= 0)
        return;
    latestResponse_ = secondsFrom(*onScreen->onScreen, pressedAt);
    picture.answer = side;
    picture.responseMs = static_cast<int>(std::lround(latestResponse_ * 1000));
    ++tally_.answers;
    if (picture.correct())
        ++tally_.correct;
    // The tally's times are those each picture keeps, so that the figures per
    // side and the overall ones agree to the millisecond.
    responseMs_.push_back(*picture.responseMs);
    ++answersTaken_;
}

std::optional<Tally> AnswerSheet::stop()
{
    if (!started_)
        return std::nullopt;
    started_ = false;
    Tally tally = tally_;
    const MeanAndMedian times = meanAndMedian(std::move(responseMs_));
    tally.meanMs = times.mean;
    tally.medianMs = times.median;
    recent_.clear();
    responseMs_.clear();
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
