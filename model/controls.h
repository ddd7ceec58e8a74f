#pragma once
// The window and its 30 controls, spelled as the window names them.

#include <array>
#include <string_view>

enum class Control {
    form1,
    // body part
    optMain, optPied, optVisage, optPatient,
    // level
    Label2, Chkniv1, ChKniv2, Chkniv3, Chkniv4,
    // pace
    Label1, OptNormal, OptDiff, OptTresDiff, OptExtreme, opt5sec, opt10sec,
    // phase, feedback, side
    optDG, optFeedBack, optImagine, optFaireMvt, optD, optG, optLes2,
    // answer pair, buttons, appeal, credit line, timer
    Label4, TextReponse, cmdExit, cmdOnOff, Label5, Label3, Timer1,
};

inline constexpr int controlCount = static_cast<int>(Control::Timer1) + 1;

// The control's own name, for instance "ChKniv2".
std::string_view controlName(Control c);
