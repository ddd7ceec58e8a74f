#pragma once
// The bottom of the results window: where the results are kept and which
// computers the exercises came from, what is wrong with the folder, and two
// buttons: « Dossier des résultats… » chooses the folder (remembered), and
// « Bilan imprimable… » writes the patient's report and opens it in the
// system's browser. It draws the view's folder line and passes its clicks
// to the core (ResultsForm).

#include <QWidget>

class QLabel;
class QPushButton;
class ResultsForm;
struct ResultsView;

class ResultsFolderBar : public QWidget {
    Q_OBJECT
public:
    ResultsFolderBar(ResultsForm& results, QWidget* parent);

    void draw(const ResultsView& view);

    QPushButton* reportButton() const { return report_; }
    QPushButton* folderButton() const { return folder_; }
    QLabel* note() const { return note_; }

signals:
    // Another folder is in use: the window shows it.
    void folderChosen();

private:
    void writeReport();
    void chooseFolder();

    ResultsForm& results_;
    QLabel* note_;
    QPushButton* report_;
    QPushButton* folder_;
};
