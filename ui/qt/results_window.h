#pragma once
// The results window: the patient's name; the figures of the last exercise,
// overall and for left and right pictures apart; and the patient's progress
// for one body part, chosen in the window, in two charts (correct answers
// in %, median response time) drawn from the description the core works
// out; below them, the choice of another order of the pictures at each
// session. It is not modal: the exercise goes on while it is open.

#include <QWidget>

class Form1;
class QChart;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QTableWidget;
class ResultsFolderBar;
struct Chart;

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    ResultsWindow(Form1& form, QWidget* parent);
    ~ResultsWindow() override;

    // Shows the last exercise and the history as they stand now.
    void refresh();

    QLineEdit* patientField() const { return patient_; }
    QTableWidget* sidesTable() const { return sides_; }
    QComboBox* partChoice() const { return part_; }
    QChart* accuracyChart() const { return accuracy_; }
    QChart* timeChart() const { return time_; }
    QCheckBox* pictureOrderBox() const { return order_; }
    ResultsFolderBar* folderBar() const { return folder_; }

private:
    void patientEdited();
    void drawCharts();
    void pictureOrderChosen(bool varies);

    Form1& form_;
    QLineEdit* patient_;
    QFormLayout* figures_;
    QTableWidget* sides_;
    QComboBox* part_;
    QChart* accuracy_;
    QChart* time_;
    QLabel* note_;
    QCheckBox* order_;
    ResultsFolderBar* folder_;
    bool partChosen_ = false;
};
