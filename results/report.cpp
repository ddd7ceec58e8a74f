#include "results/report.h"

#include <array>
#include <cmath>

namespace {

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string percent(double value)
{
    return std::to_string(static_cast<long>(std::lround(value))) + " %";
}

std::string plural(int count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + ' ' + (count > 1 ? many : one);
}

} // namespace

double accuracyPercent(const Tally& tally)
{
    return tally.answers > 0 ? 100.0 * tally.correct / tally.answers : 0;
}

std::vector<Figure> lastExerciseFigures(const std::optional<Tally>& last)
{
    if (!last)
        return {{"Dernier exercice", "aucun exercice de phase 1 depuis le démarrage"}};
    const Tally& t = *last;
    std::string part(partName(t.settings.part));
    std::vector<Figure> figures = {
        {"Partie du corps", part},
        {"Niveau", std::to_string(t.settings.level)},
        {"Vitesse", std::to_string(t.settings.intervalMs) + " ms"},
        {"Images", std::to_string(t.pictures)},
        {"Réponses", std::to_string(t.answers)},
    };
    if (t.answers > 0) {
        figures.push_back({"Réponses justes", std::to_string(t.correct) + " (" + percent(accuracyPercent(t)) + ")"});
        figures.push_back({"Temps de réponse moyen", std::to_string(t.meanMs) + " ms"});
        figures.push_back({"Temps de réponse médian", std::to_string(t.medianMs) + " ms"});
    }
    return figures;
}

std::vector<ProgressSeries> progressOf(const HistoryContents& history, const std::string& patient)
{
    constexpr std::array<std::pair<BodyPart, const char*>, 4> parts = {{
        {BodyPart::hands, "Mains"},
        {BodyPart::feet, "Pieds"},
        {BodyPart::face, "Visage"},
        {BodyPart::patient, "Patient"},
    }};
    std::vector<ProgressSeries> series;
    const std::string who = trimmed(patient);
    for (const auto& [part, name] : parts) {
        ProgressSeries s{part, name, {}};
        for (const ExerciseResult& r : history.results) {
            if (r.tally.settings.part == part && trimmed(r.patient) == who)
                s.points.push_back({r.date, accuracyPercent(r.tally), r.tally.meanMs});
        }
        if (!s.points.empty())
            series.push_back(std::move(s));
    }
    return series;
}

std::string historyNote(const HistoryContents& history, const std::vector<ProgressSeries>& progress)
{
    int exercises = 0;
    for (const ProgressSeries& s : progress)
        exercises += static_cast<int>(s.points.size());
    std::string note = exercises == 0 ? std::string("Aucun exercice enregistré pour ce patient.")
                                      : plural(exercises, "exercice enregistré", "exercices enregistrés") +
                                            " pour ce patient.";
    if (history.skipped > 0)
        note += ' ' + plural(history.skipped, "ligne illisible du fichier a été ignorée.",
                             "lignes illisibles du fichier ont été ignorées.");
    return note;
}
