#pragma once
// The results window: the patient's name, the figures of the last exercise,
// and below them the patient's progress, exercise after exercise, in two
// charts (correct answers in %, mean response time), one series per body
// part. It is not modal: the exercise goes on while it is open.

#include <QWidget>

class Form1;
class QChart;
class QFormLayout;
class QLabel;
class QLineEdit;

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    ResultsWindow(Form1& form, QWidget* parent);
    ~ResultsWindow() override;

    // Shows the last exercise and the history as they stand now.
    void refresh();

    QLineEdit* patientField() const { return patient_; }
    QChart* accuracyChart() const { return accuracy_; }
    QChart* timeChart() const { return time_; }

private:
    void patientEdited();

    Form1& form_;
    QLineEdit* patient_;
    QFormLayout* figures_;
    QChart* accuracy_;
    QChart* time_;
    QLabel* note_;
};
