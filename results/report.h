#pragma once
// What the results window shows, in French, whatever the toolkit: the
// figures of the last exercise, overall and for left and right pictures
// apart. The charts of the patient's progress are in progress_chart.h.

#include "results/history.h"
#include "results/patient_name.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view resultsTitle = "Résultats";

// The exercise « Dernier exercice » shows for the patient named in the
// window: the last exercise of this run when it is that patient's and no
// older than the patient's last one saved (which another computer may have
// added meanwhile), otherwise the latter; nothing for a name with no
// exercise.
std::optional<ExerciseRecord> lastExerciseShown(const std::optional<ExerciseRecord>& saved, const std::string& patient,
                                               const std::optional<ExerciseRecord>& thisRun);

// A line of figures: what it is and its value, as "Réponses justes", "18 (90 %)".
struct Figure {
    std::string label;
    std::string value;

    bool operator==(const Figure&) const = default;
};
// The figures of the last exercise; one line that says so when there is none.
std::vector<Figure> lastExerciseFigures(const std::optional<ExerciseRecord>& last);

// Correct answers in % of the answers given.
double accuracyPercent(const Tally& tally);

// The figures of the pictures of one side, of the other, and of both: how
// many were answered of how many shown, the correct answers in % of the
// answers, and the median response time; a dash where there is no answer.
struct SideFigures {
    std::string side;    // "Gauche", "Droite", "Les deux"
    std::string answers; // "7 sur 10"
    std::string correct; // "86 %"
    std::string medianTime; // "640 ms"

    bool operator==(const SideFigures&) const = default;
};
inline constexpr std::array<std::string_view, 4> sideFiguresHeader = {"Images", "Réponses", "Justes",
                                                                      "Temps médian"};
// Nothing for an exercise without its pictures (one saved before they were
// kept).
std::vector<SideFigures> sideFiguresOf(const std::vector<PictureAnswer>& pictures);
