#pragma once
// What the results window shows, in French, whatever the toolkit: the
// figures of the last exercise, and a patient's progress exercise after
// exercise, one series per body part.

#include "results/history.h"

#include <optional>
#include <string>
#include <vector>

inline constexpr std::string_view resultsTitle = "Résultats";

// A line of figures: what it is and its value, as "Réponses justes", "18 (90 %)".
struct Figure {
    std::string label;
    std::string value;
};
// The figures of the last exercise; one line that says so when there is none.
std::vector<Figure> lastExerciseFigures(const std::optional<Tally>& last);

// Correct answers in % of the answers given.
double accuracyPercent(const Tally& tally);

struct ProgressPoint {
    std::string date; // as the history writes it
    double accuracy;  // %
    int meanMs;
};
struct ProgressSeries {
    BodyPart part;
    std::string name; // "Mains", "Pieds", "Visage", "Patient"
    std::vector<ProgressPoint> points;
};
// The patient's exercises by body part, in the order they were saved. Names
// are compared without the blanks around them.
std::vector<ProgressSeries> progressOf(const HistoryContents& history, const std::string& patient);

// What to say below the chart: how many exercises are shown, and how many
// lines of the file could not be read.
std::string historyNote(const HistoryContents& history, const std::vector<ProgressSeries>& progress);
