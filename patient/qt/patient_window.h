#pragma once
// The window of tavrel-patient over Qt: the clinician chooses the disc folder
// (or makes a new one from a disc), adds the patient's photographs, says for
// each which side it shows and which set it goes to, and writes the sets;
// the window shows which of the four sets are filled. Reading and writing
// run on a thread of their own, with a progress bar and a cancel button, so
// that the window always answers, on a slow stick included.

#include "patient/patient_disc.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;

class PatientWindow : public QWidget {
    Q_OBJECT

public:
    explicit PatientWindow(QWidget* parent = nullptr);
    ~PatientWindow() override;

    // What the buttons do once their file dialogs have been answered.
    void openDiscFolder(const QString& folder);
    void makeNewDiscFolder(const QString& sourceFolder, const QString& targetFolder);
    void addPhotographs(const QStringList& paths);
    void writeSets();
    void writeImage(const QString& imageFile);
    void copyToStick(const QString& stickRoot);

    QString discFolder() const { return discFolder_; }
    // Whether work runs on the window's worker thread.
    bool busy() const { return worker_ != nullptr; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void chooseDiscFolder();
    void chooseNewDiscFolder();
    void choosePhotographs();
    void chooseImageFile();
    void chooseStick();
    void removeSelectedPhotographs();
    void showSets();
    void enableActions();
    // Runs the work on a thread of its own, showing what it does and how far
    // it has gone; then, on the window's thread, warns of what went wrong
    // (the work's French text) or does what follows.
    using Work = std::function<std::string(const sets::Progress&)>;
    void runInBackground(const QString& doing, Work work, std::function<void()> succeeded);
    void warn(const QString& text);

    QString discFolder_;
    QLabel* discLabel_;
    std::array<QLabel*, sets::patientSetCount> setLabels_{};
    QTableWidget* photographs_;
    QList<QWidget*> actions_;
    QPushButton* writeButton_;
    QPushButton* imageButton_;
    QPushButton* stickButton_;
    QLabel* status_;
    QProgressBar* progress_;
    QPushButton* cancelButton_;
    QThread* worker_ = nullptr;
    std::atomic<bool> cancelled_{false};
};
