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

bool notBefore(double moment, double at) { return secondsFrom(moment, at) >= 0; }

} // namespace

Tally tallyOf(const ExerciseSettings& settings, const std::vector<PictureAnswer>& pictures)
{
    Tally tally{settings};
    std::vector<double> times;
    for (const PictureAnswer& p : pictures) {
        ++tally.pictures;
        if (!p.answer)
            continue;
        ++tally.answers;
        tally.correct += p.correct() ? 1 : 0;
        times.push_back(*p.responseMs);
    }
    const MeanAndMedian m = meanAndMedian(std::move(times));
    tally.meanMs = m.mean;
    tally.medianMs = m.median;
    return tally;
}

void AnswerSheet::start()
{
    started_ = true;
    keysPlaced_ = 0;
    recent_.clear();
    firstStretch_ += stretches_.size();
    stretches_.clear();
}

AnswerSheet::Stretch* AnswerSheet::stretchNumbered(std::size_t number)
{
    if (number < firstStretch_ || number - firstStretch_ >= stretches_.size())
        return nullptr;
    return &stretches_[number - firstStretch_];
}

void AnswerSheet::pictureShown(int number, bool phase1, const ExerciseSettings& settings, const std::string& imageSet,
                               std::time_t now)
{
    if (!started_)
        return;
    ++ticks_;
    if (phase1 && (stretches_.empty() || stretches_.back().exercise.settings != settings)) {
        if (!stretches_.empty()) {
            stretches_.back().closed = true;
            stretches_.back().closedAtTick = ticks_;
            stretches_.back().exercise.endedAt = now;
        }
        stretches_.push_back({{settings, {}, 0}});
    }
    if (recent_.size() == picturesKept)
        recent_.erase(recent_.begin());
    const std::size_t stretch = phase1 ? firstStretch_ + stretches_.size() - 1 : 0;
    recent_.push_back({number, phase1, imageSet, stretch, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
}

void AnswerSheet::pictureOnScreen(double at)
{
    if (recent_.empty() || recent_.back().onScreen)
        return;
    Shown& latest = recent_.back();
    latest.onScreen = at;
    Stretch* stretch = latest.phase1 ? stretchNumbered(latest.stretch) : nullptr;
    if (!stretch)
        return;
    std::vector<PictureAnswer>& pictures = stretch->exercise.pictures;
    latest.line = pictures.size();
    pictures.push_back({static_cast<int>(pictures.size()) + 1, latest.number, latest.imageSet, sideOf(latest.number),
                        std::nullopt, std::nullopt, std::nullopt});
}

void AnswerSheet::noPictureOnScreen(double at)
{
    const auto shown = std::find_if(recent_.rbegin(), recent_.rend(), [](const Shown& p) { return p.onScreen; });
    if (shown != recent_.rend() && !shown->offScreen)
        shown->offScreen = at;
}

void AnswerSheet::answerRevealed(double at)
{
    if (!recent_.empty() && !recent_.back().revealed)
        recent_.back().revealed = at;
}

void AnswerSheet::key(Side side, double pressedAt)
{
    if (!started_)
        return;
    // The picture on screen when the key was pressed: the latest one that
    // had reached the screen by then, unless it had left it. A picture that
    // never reached it (one replaced within its own tick) takes no key.
    const auto onScreen = std::find_if(recent_.rbegin(), recent_.rend(), [&](const Shown& p) {
        return p.onScreen && notBefore(*p.onScreen, pressedAt);
    });
    if (onScreen == recent_.rend() || !onScreen->line || (onScreen->offScreen && notBefore(*onScreen->offScreen, pressedAt)))
        return;
    Stretch* stretch = stretchNumbered(onScreen->stretch);
    if (!stretch)
        return;
    PictureAnswer& picture = stretch->exercise.pictures[*onScreen->line];
    if (picture.answer)
        return;
    const double after = secondsFrom(*onScreen->onScreen, pressedAt);
    const int ms = static_cast<int>(std::lround(after * 1000));
    std::optional<KeyMark> mark;
    if (onScreen->revealed && notBefore(*onScreen->revealed, pressedAt))
        mark = KeyMark::afterReveal;
    else if (ms < shortestResponseMs)
        mark = KeyMark::tooSoon;
    if (mark && picture.leftOut)
        return;
    ++keysPlaced_;
    latestKey_ = after;
    if (mark) {
        picture.leftOut = LeftOutKey{side, ms, *mark};
        return;
    }
    picture.answer = side;
    picture.responseMs = ms;
}

std::vector<SheetExercise> AnswerSheet::giveOut(bool all)
{
    std::vector<SheetExercise> given;
    while (!stretches_.empty() && (all || (stretches_.front().closed && stretches_.front().closedAtTick < ticks_))) {
        if (!stretches_.front().exercise.pictures.empty())
            given.push_back(std::move(stretches_.front().exercise));
        stretches_.pop_front();
        ++firstStretch_;
    }
    return given;
}

std::vector<SheetExercise> AnswerSheet::takeFinished()
{
    return giveOut(false);
}

std::vector<SheetExercise> AnswerSheet::stop(std::time_t now)
{
    if (!started_)
        return {};
    started_ = false;
    if (!stretches_.empty())
        stretches_.back().exercise.endedAt = now;
    recent_.clear();
    return giveOut(true);
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
