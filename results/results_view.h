#pragma once
// Everything a results window shows, in French, whatever the toolkit: the
// figures of the patient's last exercise, overall and for left and right
// pictures apart; the charts of the patient's progress for one body part,
// with the note below them; the line on the results folder; and the state
// of the window's controls. Each window only draws it (ResultsForm in
// engine/results_form.h says what their clicks do).
//
// It is worked out in two steps. What comes of the history alone, the
// costly part (the charts of every body part over years of exercises), is
// worked out on the results folder's thread after each read: the window's
// thread never holds its event loop over it. The window's thread then adds
// what it alone knows (this run's last exercise, the part chosen in the
// list, the folder's state) and draws what changed.

#include "results/progress_chart.h"
#include "results/report.h"

#include <array>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

struct FolderHistory;
struct FolderState;

// What the results window shows of one patient's history as read.
struct HistoryView {
    std::string patient; // whose, composed and without the blanks around it
    std::optional<ExerciseRecord> lastSaved;
    BodyPart latestPart = BodyPart::hands; // that of the patient's latest exercise
    std::array<ProgressCharts, std::size(chartParts)> charts; // one per body part, as chartParts orders them
    std::string sources;   // the computers the exercises came from, or empty text
    std::string nearNames; // the names close to the patient's, or empty text

    const ProgressCharts& chartsOf(BodyPart part) const;
};
// The patient's history in the folder as read; thisComputer names this
// computer as the folder's files do.
HistoryView historyView(const FolderHistory& folder, const std::string& patient, const std::string& thisComputer);

// What the results window says of the folder: where the results are kept
// (and this computer's file there), which computers the patient's exercises
// came from, the names close to the patient's, what is wrong with the
// folder; « Lecture du dossier… » until it has been read.
std::string folderNote(const FolderState& folder, const HistoryView& history);

struct ResultsView {
    std::vector<Figure> figures;     // « Dernier exercice », one line when there is none
    std::vector<SideFigures> sides;  // none for an exercise saved without its pictures: no table
    BodyPart part = BodyPart::hands; // the body part the charts show, chosen in the list
    ProgressCharts charts;           // of that part
    std::string folderNote;          // empty text without a results folder
    // Without a results folder nothing is kept: the folder's buttons and the
    // choice of the pictures' order cannot be used.
    bool hasFolder = false;
    bool pictureOrderVaries = false; // « Ordre des images différent à chaque séance » ticked
};
