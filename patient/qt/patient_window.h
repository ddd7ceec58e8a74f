#pragma once
// The window of tavrel-patient: the clinician chooses the disc folder (or
// makes a new one from a disc), adds the patient's photographs, says for
// each which side it shows and which set it goes to, and writes the sets;
// the window shows which of the four sets are filled.

#include "sets/patient_sets.h"

#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

class PatientWindow : public QWidget {
    Q_OBJECT

public:
    explicit PatientWindow(QWidget* parent = nullptr);

    // What the buttons do once their file dialogs have been answered.
    void openDiscFolder(const QString& folder);
    void makeNewDiscFolder(const QString& sourceFolder, const QString& targetFolder);
    void addPhotographs(const QStringList& paths);
    void writeSets();
    void writeImage(const QString& imageFile);

    QString discFolder() const { return discFolder_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void chooseDiscFolder();
    void chooseNewDiscFolder();
    void choosePhotographs();
    void chooseImageFile();
    void removeSelectedPhotographs();
    void showSets();
    // Runs the work, which returns what went wrong, with a busy cursor, and
    // tells the clinician when it failed.
    bool succeeds(const std::function<QString()>& work);
    void warn(const QString& text);

    QString discFolder_;
    QLabel* discLabel_;
    std::array<QLabel*, patient::patientSetCount> setLabels_{};
    QTableWidget* photographs_;
    QPushButton* writeButton_;
    QPushButton* imageButton_;
    QLabel* status_;
};
