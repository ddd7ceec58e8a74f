#pragma once
// The patient's answers during one exercise: in phase 1 each picture is
// answered "left" or "right" with a key; the first answer to a picture
// counts, with its response time from the moment the picture was on screen
// to the moment the key was pressed. Times are seconds on the window's clock
// (seconds since midnight, starting again from 0 at midnight).

#include "disc/layout.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

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

// One phase-1 picture of an exercise and what the patient answered to it.
struct PictureAnswer {
    int order = 0;            // 1 for the exercise's first phase-1 picture
    int number = 0;           // the picture's number in its set, 1 to 20
    std::string imageSet;     // the set's folder, as "mainDGfacile"
    Side shown = Side::left;  // the side the picture shows
    std::optional<Side> answer;
    std::optional<int> responseMs; // whole milliseconds, with an answer only

    bool correct() const { return answer == shown; }
    bool operator==(const PictureAnswer&) const = default;
};

class AnswerSheet {
public:
    // A new exercise: the sheet starts empty.
    void start();
    bool started() const { return started_; }

    // A picture shown by a tick of the exercise, from the set whose folder
    // is imageSet. Only phase-1 pictures are answered and counted; the
    // settings of the last one are the exercise's.
    void pictureShown(int number, bool phase1, const ExerciseSettings& settings, const std::string& imageSet = {});
    // The first frame that shows the latest picture ended at this time.
    void pictureOnScreen(double at);
    // From this time no picture is on screen (the background was cleared
    // while the next picture is read): a key pressed then answers nothing.
    void noPictureOnScreen(double at);
    // An answer given at this time. It goes to the picture that was on screen
    // then, unless that picture is answered already or is no phase-1 picture.
    void answer(Side side, double pressedAt);

    // The answers taken so far in this exercise, and the response time of
    // the latest, in seconds.
    int answersTaken() const { return answersTaken_; }
    double latestResponseSeconds() const { return latestResponse_; }

    // Ends the exercise: its tally, or nothing when none was under way.
    std::optional<Tally> stop();
    // Every phase-1 picture of the exercise under way, or of the last one
    // once it has stopped, in the order shown, with its answer.
    const std::vector<PictureAnswer>& pictures() const { return pictures_; }

private:
    struct Picture {
        int number;
        bool phase1;
        std::optional<double> onScreen;
        std::optional<double> offScreen;
        std::size_t answerAt; // in pictures_, for a phase-1 picture
    };
    // An answer can only go to one of the last few pictures, those that may
    // still be on screen when a key waits out a feedback wait: only they are
    // kept, so that an exercise without answers takes no more memory as it
    // goes on.
    static constexpr std::size_t picturesKept = 8;

    bool started_ = false;
    int answersTaken_ = 0;
    double latestResponse_ = 0;
    std::vector<Picture> recent_;
    Tally tally_;
    std::vector<double> responseMs_;
    // At the fastest pace an exercise shows 1,200 pictures in its ten
    // minutes: a few tens of kilobytes, emptied at the next start.
    std::vector<PictureAnswer> pictures_;
};

// The mean and the median of the values, rounded to whole numbers; 0 and 0
// for none.
struct MeanAndMedian {
    int mean = 0;
    int median = 0;
};
MeanAndMedian meanAndMedian(std::vector<double> values);
