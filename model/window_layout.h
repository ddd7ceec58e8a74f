#pragma once
// The window form1 as plain data: its caption, its client size, and every
// control with its kind, caption, place and size in twips, font, tab position
// and state at start. Each front-end builds its widgets from this one
// description.

#include "model/controls.h"

#include <span>
#include <string_view>

enum class ControlKind { checkBox, optionButton, commandButton, label, textBox };

// "MS Sans Serif" at a size in points, regular or bold.
struct ControlFont {
    double points;
    bool bold;

    // The height of the font in pixels at 96 dots per inch (8.25 points: 11).
    int pixelsAt96Dpi() const { return static_cast<int>(points * 96 / 72 + 0.5); }
};

inline constexpr ControlFont windowFont{9.75, false};

// What a control is when the window opens: a check box checked, an option
// button selected, or the control hidden.
enum class StartState { plain, on, hidden };

struct ControlLayout {
    Control control;
    ControlKind kind;
    std::string_view caption; // UTF-8; "&" marks the access key
    int left, top, width, height; // twips, from the client area's top left corner
    ControlFont font;
    int tab; // position in the tab order, 0 first
    StartState start;
    bool centred;
};

inline constexpr std::string_view windowCaption = "Clinique Antidouleur de Valbrune";
inline constexpr int clientWidthTwips = 11160;
inline constexpr int clientHeightTwips = 7875;
inline constexpr int twipsPerInch = 1440;

// Every control of the window but the timer, in the order they are stacked:
// a later control lies in front of an earlier one where they overlap.
std::span<const ControlLayout> controlLayouts();

// The row of a control; the window itself and the timer have none.
const ControlLayout* layoutOf(Control control);

// Pixels for a length in twips on a screen of the given dots per inch,
// rounded to the nearest pixel (15 twips a pixel at 96, 10 at 144).
inline int twipsToPixels(int twips, int dotsPerInch)
{
    return (twips * dotsPerInch + twipsPerInch / 2) / twipsPerInch;
}
