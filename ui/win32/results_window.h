#pragma once
// The results window over Win32: the patient's name; the figures of the
// last exercise, overall in a table and for left and right pictures apart
// in a grid of labels; and the patient's progress for one body part, chosen
// in a list, in two charts painted from the description the core works out;
// below them, the choice of another order of the pictures at each session,
// and the results folder's bar. It draws the view the core works out
// (ResultsForm) and passes it the user's actions. It is not modal: the
// exercise goes on while it is open.

#include "engine/results_form.h"
#include "ui/win32/chart_view.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class Form1;
class ResultsFolderBar;

class ResultsWindow {
public:
    ResultsWindow(Form1& form, HWND owner);
    ~ResultsWindow();
    ResultsWindow(const ResultsWindow&) = delete;
    ResultsWindow& operator=(const ResultsWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND patientField() const { return patient_; }
    HWND figuresTable() const { return figures_; }
    // The figures of left, right and both: row 0 the titles, rows 1 to 3
    // Gauche, Droite, Les deux; column 0 the side.
    HWND sideCell(int row, int column) const { return sides_[static_cast<std::size_t>(row * 4 + column)]; }
    HWND partChoice() const { return part_; }
    const ChartView& accuracyChart() const { return *accuracy_; }
    const ChartView& timeChart() const { return *time_; }
    HWND note() const { return note_; }
    HWND pictureOrderBox() const { return order_; }
    const ResultsFolderBar& folderBar() const { return *folder_; }

    // Shows the last exercise and the history as they stand now, drawing
    // again only what changed.
    void refresh();
    // Shows the window in front.
    void show();

private:
    template <typename Owner>
    friend LRESULT CALLBACK ownedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void layOut();
    void patientEdited();
    void draw(const ResultsView& view);
    void drawFigures(const std::vector<Figure>& figures);
    void drawSides(const std::vector<SideFigures>& sides);
    // A French message in a box, when there is one.
    void tell(const std::string& message);

    ResultsForm results_;
    HWND hwnd_ = nullptr;
    HWND patient_ = nullptr;
    HWND figures_ = nullptr;
    std::array<HWND, 16> sides_ = {};
    HWND partLabel_ = nullptr;
    HWND part_ = nullptr;
    std::unique_ptr<ChartView> accuracy_;
    std::unique_ptr<ChartView> time_;
    HWND note_ = nullptr;
    HWND order_ = nullptr;
    HWND orderWhen_ = nullptr;
    std::unique_ptr<ResultsFolderBar> folder_;
    HWND headings_[3] = {};
    HFONT font_ = nullptr;
    std::optional<ResultsView> drawn_;
};
