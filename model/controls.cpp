#include "model/controls.h"

std::string_view controlName(Control c)
{
    static constexpr std::array<std::string_view, controlCount> names = {
        "form1",
        "optMain", "optPied", "optVisage", "optPatient",
        "Label2", "Chkniv1", "ChKniv2", "Chkniv3", "Chkniv4",
        "Label1", "OptNormal", "OptDiff", "OptTresDiff", "OptExtreme", "opt5sec", "opt10sec",
        "optDG", "optFeedBack", "optImagine", "optFaireMvt", "optD", "optG", "optLes2",
        "Label4", "TextReponse", "cmdExit", "cmdOnOff", "Label5", "Label3", "Timer1",
    };
    return names.at(static_cast<std::size_t>(c));
}
