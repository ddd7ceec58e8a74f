#pragma once
// The bottom of the Win32 results window: where the results are kept and
// which computers the exercises came from, what is wrong with the folder,
// and two buttons: « Dossier des résultats… » chooses the folder
// (remembered), and « Bilan imprimable… » writes the patient's report and
// opens it in the system's browser. The window lays it out and passes it
// the clicks of its buttons, which go to the core (ResultsForm).

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class ResultsForm;
struct ResultsView;

class ResultsFolderBar {
public:
    // The controls are made in the parent window, with this font.
    ResultsFolderBar(ResultsForm& results, HWND parent, HFONT font);

    HWND note() const { return note_; }
    HWND reportButton() const { return report_; }
    HWND folderButton() const { return folder_; }

    // The height the bar takes at this width, in pixels of the screen.
    int height(UINT dpi) const;
    // Lays the bar out from its top left corner.
    void layOut(int left, int top, int width, UINT dpi);
    void draw(const ResultsView& view);
    // A click of one of its buttons: handled, and true; the window then
    // shows what changed. False for any other command.
    bool command(WPARAM wParam, LPARAM lParam);

private:
    void writeReport();
    void chooseFolder();

    ResultsForm& results_;
    HWND parent_;
    HWND note_;
    HWND folder_;
    HWND report_;
};
