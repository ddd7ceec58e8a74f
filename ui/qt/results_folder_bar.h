#pragma once
// The bottom of the results window: where the results are kept and which
// computers the exercises came from, what is wrong with the folder, and two
// buttons: « Dossier des résultats… » chooses the folder (remembered), and
// « Bilan imprimable… » writes the patient's report and opens it in the
// system's browser.

#include <QWidget>

class Form1;
class QLabel;
class QPushButton;

class ResultsFolderBar : public QWidget {
    Q_OBJECT
public:
    ResultsFolderBar(Form1& form, QWidget* parent);

    // Shows the folder as it was last read.
    void refresh();

    QPushButton* reportButton() const { return report_; }
    QPushButton* folderButton() const { return folder_; }
    QLabel* note() const { return note_; }

private:
    void writeReport();
    void chooseFolder();

    Form1& form_;
    QLabel* note_;
    QPushButton* report_;
    QPushButton* folder_;
};
