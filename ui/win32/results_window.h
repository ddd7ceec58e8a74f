#pragma once
// The results window over Win32: the patient's name, the figures of the
// last exercise, and the patient's exercises one per line (date, body part,
// correct answers in %, mean response time), as tables. It is not modal:
// the exercise goes on while it is open.

#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class Form1;

class ResultsWindow {
public:
    ResultsWindow(Form1& form, HWND owner);
    ~ResultsWindow();
    ResultsWindow(const ResultsWindow&) = delete;
    ResultsWindow& operator=(const ResultsWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND patientField() const { return patient_; }
    HWND figuresTable() const { return figures_; }
    HWND historyTable() const { return history_; }
    HWND note() const { return note_; }

    // Shows the last exercise and the history as they stand now.
    void refresh();
    // Shows the window in front.
    void show();

private:
    template <typename Owner>
    friend LRESULT CALLBACK ownedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void layOut();
    void patientEdited();

    Form1& form_;
    HWND hwnd_ = nullptr;
    HWND patient_ = nullptr;
    HWND figures_ = nullptr;
    HWND history_ = nullptr;
    HWND note_ = nullptr;
    HWND headings_[3] = {};
    HFONT font_ = nullptr;
};
