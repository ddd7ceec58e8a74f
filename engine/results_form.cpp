#include "engine/results_form.h"

#include "results/patient_name.h"
#include "results/picture_order.h"

ResultsForm::ResultsForm(Form1& form)
    : form_(form), pictureOrderVaries_(form.results() && PictureOrderChoice(form.results()->privateFolder()).varies())
{
}

ResultsView ResultsForm::view() const
{
    const std::string& patient = form_.patient();
    const std::optional<FolderState> folder =
        form_.results() ? std::optional(form_.results()->state()) : std::nullopt;
    // Until the folder's thread has read the patient named, nothing of the
    // history is shown (the folder note says it is being read).
    std::shared_ptr<const HistoryView> history = folder ? folder->history : nullptr;
    if (!history || history->patient != patientKey(patient))
        history = std::make_shared<const HistoryView>(historyView({}, patient, {}));

    ResultsView view;
    const std::optional<ExerciseRecord> last = lastExerciseShown(history->lastSaved, patient, form_.lastExercise());
    view.figures = lastExerciseFigures(last);
    if (last)
        view.sides = sideFiguresOf(last->pictures);
    view.part = partChosen_.value_or(history->latestPart);
    view.charts = history->chartsOf(view.part);
    if (folder)
        view.folderNote = folderNote(*folder, *history);
    view.hasFolder = folder.has_value();
    view.pictureOrderVaries = pictureOrderVaries_;
    return view;
}

std::string ResultsForm::patientEdited(const std::string& name)
{
    if (name == form_.patient())
        return {};
    partChosen_.reset();
    return form_.setPatient(name);
}

void ResultsForm::partChosen(BodyPart part)
{
    partChosen_ = part;
}

std::string ResultsForm::pictureOrderChosen(bool varies)
{
    if (!form_.results())
        return {};
    PictureOrderChoice choice(form_.results()->privateFolder());
    std::string failure = choice.setVaries(varies);
    pictureOrderVaries_ = failure.empty() ? varies : choice.varies();
    return failure;
}

std::string ResultsForm::chooseFolder(const FolderPicker& pick)
{
    ResultsFolder* results = form_.results();
    if (!results)
        return {};
    const std::optional<std::filesystem::path> chosen = pick(results->folder());
    return chosen ? results->choose(*chosen) : std::string();
}

ReportOutcome ResultsForm::writeReport(const std::function<bool(const std::filesystem::path&)>& open)
{
    ResultsFolder* results = form_.results();
    if (!results)
        return {};
    const WrittenReport written =
        writePrivateReport(results->privateFolder(), reportRequest(*results, form_.patient()));
    if (!written.failure.empty())
        return {written.failure, 1};
    if (!open(written.file))
        return {notOpened(written.file), 0};
    return {};
}
