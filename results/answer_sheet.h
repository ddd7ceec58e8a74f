#pragma once
// The patient's keys during an exercise. In phase 1 each picture is answered
// "left" or "right" with a key. A key belongs to the picture on screen at the
// moment it was pressed, by its own time stamp, whenever it is handled; the
// first answer to a picture counts, with its response time from the moment
// the picture reached the screen to the moment the key was pressed. A key
// pressed once the correct side is displayed, or too soon after the picture
// appeared to be a judgement of it, is no answer: it is kept with its
// picture, marked, and left out of the figures. Times are seconds on the
// window's clock (seconds since midnight, starting again from 0 at
// midnight).
//
// For the results an exercise is a stretch of phase-1 pictures shown with the
// same settings (body part, level, pace, feedback): settings changed while an
// exercise runs end one stretch and begin the next, as a stop and a start
// would. A picture counts only once it has reached the screen.

#include "disc/layout.h"

#include <cstddef>
#include <deque>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// No one judges a picture this fast: a key pressed sooner after the picture
// appeared was on its way before the picture was seen.
inline constexpr int shortestResponseMs = 150;

// The settings a picture was shown with, as the history keeps them.
struct ExerciseSettings {
    BodyPart part = BodyPart::hands;
    int level = 1;        // 1 to 4
    int intervalMs = 0;   // the pace
    bool feedback = false;

    bool operator==(const ExerciseSettings&) const = default;
};

// What one exercise gives: phase-1 pictures shown, answers and correct
// answers, and the response times in whole milliseconds (0 without answers).
struct Tally {
    ExerciseSettings settings;
    int pictures = 0;
    int answers = 0;
    int correct = 0;
    int meanMs = 0;
    int medianMs = 0;

    bool operator==(const Tally&) const = default;
};

// Why a key was left out of the figures.
enum class KeyMark {
    tooSoon,     // less than shortestResponseMs after the picture appeared
    afterReveal, // once the correct side was displayed
};

// A key a picture kept that is no answer.
struct LeftOutKey {
    Side side = Side::left;
    int ms = 0; // from the picture's arrival on screen
    KeyMark mark = KeyMark::tooSoon;

    bool operator==(const LeftOutKey&) const = default;
};

// One phase-1 picture of an exercise and what the patient answered to it.
struct PictureAnswer {
    int order = 0;            // 1 for the exercise's first phase-1 picture
    int number = 0;           // the picture's number in its set, 1 to 20
    std::string imageSet;     // the set's folder, as "mainDGfacile"
    Side shown = Side::left;  // the side the picture shows
    std::optional<Side> answer;
    std::optional<int> responseMs; // whole milliseconds, with an answer only
    // The first key the figures leave out, pressed before any answer.
    std::optional<LeftOutKey> leftOut;

    bool correct() const { return answer == shown; }
    bool operator==(const PictureAnswer&) const = default;
};

// The figures of pictures shown with the given settings.
Tally tallyOf(const ExerciseSettings& settings, const std::vector<PictureAnswer>& pictures);

// An exercise the sheet has closed: the settings of its pictures, each of
// its phase-1 pictures that reached the screen, and when it ended.
struct SheetExercise {
    ExerciseSettings settings;
    std::vector<PictureAnswer> pictures;
    std::time_t endedAt = 0;
};

class AnswerSheet {
public:
    // A click on the start button: a new exercise begins.
    void start();
    bool started() const { return started_; }

    // A picture shown by a tick of the exercise, from the set whose folder
    // is imageSet, at the wall-clock time now. Only phase-1 pictures are
    // answered and counted. One shown with other settings than the
    // exercise's ends the exercise and begins the next.
    void pictureShown(int number, bool phase1, const ExerciseSettings& settings, const std::string& imageSet,
                      std::time_t now);
    // The first frame that shows the latest picture ended at this time.
    void pictureOnScreen(double at);
    // From this time no picture is on screen (the background was cleared
    // while the next picture is read): a key pressed then answers nothing.
    void noPictureOnScreen(double at);
    // The correct side of the latest picture is displayed from this time.
    void answerRevealed(double at);
    // A key pressed at this time: an answer to the picture on screen then,
    // a key it keeps and leaves out, or nothing.
    void key(Side side, double pressedAt);

    // The keys placed on a picture so far, answers or not, and the time of
    // the latest from its picture's arrival, in seconds.
    int keysPlaced() const { return keysPlaced_; }
    double latestKeySeconds() const { return latestKey_; }

    // The exercises ended by a change of settings whose pictures can take
    // no more keys: every key pressed while they were on screen has been
    // handled by the time a later picture has been shown. Each is given
    // once.
    std::vector<SheetExercise> takeFinished();
    // A stop at the wall-clock time now: every exercise not given yet,
    // those without a phase-1 picture on screen left out.
    std::vector<SheetExercise> stop(std::time_t now);

private:
    struct Shown {
        int number;
        bool phase1;
        std::string imageSet;
        std::size_t stretch; // the stretch's number, for a phase-1 picture
        std::optional<double> onScreen;
        std::optional<double> revealed;
        std::optional<double> offScreen;
        std::optional<std::size_t> line; // in its stretch's pictures, once on screen
    };
    struct Stretch {
        SheetExercise exercise;
        std::size_t closedAtTick = 0; // once closed: the tick that closed it
        bool closed = false;
    };
    // A key can only go to one of the last few pictures, those that may
    // still be on screen when a key waits out a feedback wait: only they are
    // kept, so that an exercise without answers takes no more memory as it
    // goes on.
    static constexpr std::size_t picturesKept = 8;

    Stretch* stretchNumbered(std::size_t number);
    std::vector<SheetExercise> giveOut(bool all);

    bool started_ = false;
    std::size_t ticks_ = 0;
    int keysPlaced_ = 0;
    double latestKey_ = 0;
    std::vector<Shown> recent_;
    // The stretches not given out yet, the last one open, and the number of
    // the first of them. At the fastest pace an exercise shows 1,200
    // pictures in its ten minutes: a few tens of kilobytes.
    std::deque<Stretch> stretches_;
    std::size_t firstStretch_ = 0;
};

// The mean and the median of the values, rounded to whole numbers; 0 and 0
// for none.
struct MeanAndMedian {
    int mean = 0;
    int median = 0;
};
MeanAndMedian meanAndMedian(std::vector<double> values);
