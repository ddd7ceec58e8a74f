#include "results/report.h"

#include "model/text.h"

#include <algorithm>
#include <cmath>

namespace {

std::string percent(double value)
{
    return std::to_string(static_cast<long>(std::lround(value))) + " %";
}

} // namespace

std::optional<ExerciseRecord> lastExerciseShown(const std::optional<ExerciseRecord>& saved, const std::string& patient,
                                               const std::optional<ExerciseRecord>& thisRun)
{
    if (thisRun && patientKey(thisRun->result.patient) == patientKey(patient) &&
        (!saved || thisRun->result.date >= saved->result.date))
        return thisRun;
    return saved;
}

double accuracyPercent(const Tally& tally)
{
    return tally.answers > 0 ? 100.0 * tally.correct / tally.answers : 0;
}

std::vector<Figure> lastExerciseFigures(const std::optional<ExerciseRecord>& last)
{
    if (!last)
        return {{"Dernier exercice", "aucun exercice de phase 1 enregistré"}};
    const Tally& t = last->result.tally;
    std::vector<Figure> figures = {
        {"Date", frenchDateTime(last->result.date, " à ")},
        {"Partie du corps", std::string(partName(t.settings.part))},
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

std::vector<SideFigures> sideFiguresOf(const std::vector<PictureAnswer>& pictures)
{
    if (pictures.empty())
        return {};
    std::vector<SideFigures> rows;
    using Row = std::pair<const char*, std::optional<Side>>;
    for (const auto& [name, side] : {Row{"Gauche", Side::left}, Row{"Droite", Side::right}, Row{"Les deux", {}}}) {
        int shown = 0;
        int correct = 0;
        std::vector<double> times;
        for (const PictureAnswer& p : pictures) {
            if (side && p.shown != *side)
                continue;
            ++shown;
            if (p.answer) {
                times.push_back(*p.responseMs);
                correct += p.correct() ? 1 : 0;
            }
        }
        const auto answers = static_cast<int>(times.size());
        const std::string none = "—";
        rows.push_back({name, std::to_string(answers) + " sur " + std::to_string(shown),
                        answers ? percent(100.0 * correct / answers) : none,
                        answers ? std::to_string(meanAndMedian(times).median) + " ms" : none});
    }
    return rows;
}
