#pragma once
// The results window: the patient's name; the figures of the last exercise,
// overall and for left and right pictures apart; and the patient's progress
// for one body part, chosen in the window, in two charts (correct answers
// in %, median response time); below them, the choice of another order of
// the pictures at each session, and the results folder's bar. It draws the
// view the core works out (ResultsForm) and passes it the user's actions. It
// is not modal: the exercise goes on while it is open.

#include "engine/results_form.h"

#include <QTimer>
#include <QWidget>

#include <optional>

class ChartView;
class Form1;
class QChart;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QTableWidget;
class ResultsFolderBar;

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    ResultsWindow(Form1& form, QWidget* parent);
    ~ResultsWindow() override;

    // Shows the last exercise and the history as they stand now, drawing
    // again only what changed.
    void refresh();

    QLineEdit* patientField() const { return patient_; }
    QTableWidget* sidesTable() const { return sides_; }
    QComboBox* partChoice() const { return part_; }
    QChart* accuracyChart() const;
    QChart* timeChart() const;
    QCheckBox* pictureOrderBox() const { return order_; }
    ResultsFolderBar* folderBar() const { return folder_; }

private:
    void draw(const ResultsView& view);
    void drawFigures(const std::vector<Figure>& figures);
    void drawSides(const std::vector<SideFigures>& sides);
    // A French message in a box, when there is one.
    void tell(const std::string& message);

    ResultsForm results_;
    QLineEdit* patient_;
    QFormLayout* figures_;
    QTableWidget* sides_;
    QComboBox* part_;
    ChartView* accuracy_;
    ChartView* time_;
    QLabel* note_;
    QCheckBox* order_;
    ResultsFolderBar* folder_;
    std::optional<ResultsView> drawn_;
    QTimer charts_;
};
