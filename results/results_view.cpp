#include "results/results_view.h"

#include "results/patient_name.h"
#include "results/results_folder.h"

#include <algorithm>

const ProgressCharts& HistoryView::chartsOf(BodyPart part) const
{
    return charts[static_cast<std::size_t>(std::ranges::find(chartParts, part) - std::begin(chartParts))];
}

HistoryView historyView(const FolderHistory& folder, const std::string& patient, const std::string& thisComputer)
{
    HistoryView view{patientKey(patient),
                     lastExerciseOf(folder.history, patient),
                     latestPartOf(folder.history, patient),
                     {},
                     sourcesNote(folder.sources, thisComputer, patient),
                     nearNamesNote(folder.patients, patient)};
    for (std::size_t i = 0; i < view.charts.size(); ++i)
        view.charts[i] = progressCharts(folder.history, patient, chartParts[i]);
    return view;
}

std::string folderNote(const FolderState& folder, const HistoryView& history)
{
    std::string note = "Dossier des résultats : " + utf8Of(folder.folder);
    if (!folder.isPrivate)
        note += " (cet ordinateur y écrit " + folder.ownFile + ")";
    note += '.';
    if (!folder.read) {
        note += " Lecture du dossier…";
    } else {
        if (!history.sources.empty())
            note += ' ' + history.sources;
        if (!history.nearNames.empty())
            note += '\n' + history.nearNames;
    }
    return folder.problem.empty() ? note : note + '\n' + folder.problem;
}
