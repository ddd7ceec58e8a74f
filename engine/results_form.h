#pragma once
// The results window as its logic sees it, without any widget: what it
// shows, and what its controls do. A front-end (the Qt window, the Win32
// window) draws view(), passes each action of the user here, shows the
// message the action returns, and draws view() again; it draws it again too
// whenever Form1 tells its host that the results have changed.

#include "engine/form1.h"
#include "results/printable_report.h"
#include "results/results_view.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class ResultsForm {
public:
    explicit ResultsForm(Form1& form);

    // What the window shows now: the history as the results folder's
    // thread last read it, for the patient named, with this run's last
    // exercise.
    ResultsView view() const;

    // The patient's name as typed, once the field is left: taken when it
    // is not the name in force, and the charts then show the new patient's
    // latest body part. A French message when it could not be remembered,
    // otherwise empty text.
    std::string patientEdited(const std::string& name);
    // A body part chosen in the list: the charts show it until another
    // patient is named.
    void partChosen(BodyPart part);
    // « Ordre des images différent à chaque séance » ticked or unticked:
    // remembered for the next starts. A French message when it could not
    // be; the view then shows the choice remembered.
    std::string pictureOrderChosen(bool varies);

    // « Dossier des résultats… »: the system's dialog picks a folder,
    // starting from the one in use (nothing when cancelled), which is used
    // from now on and remembered; the private folder takes back the
    // default. A French message when it could not be remembered, otherwise
    // empty text.
    using FolderPicker = std::function<std::optional<std::filesystem::path>(const std::filesystem::path& start)>;
    std::string chooseFolder(const FolderPicker& pick);
    // « Bilan imprimable… »: the report of the patient named is written into
    // the private folder and handed to the system to open (open says whether
    // it could). What to tell the user: status 1 and why when it was not
    // written; status 0 and where it is when it was but could not be opened;
    // nothing otherwise.
    ReportOutcome writeReport(const std::function<bool(const std::filesystem::path&)>& open);

private:
    Form1& form_;
    std::optional<BodyPart> partChosen_;
    bool pictureOrderVaries_ = false;
};
