#include "model/window_layout.h"

#include <algorithm>

namespace {

using C = Control;
using K = ControlKind;
using S = StartState;

constexpr ControlFont small{8.25, false};
constexpr ControlFont heading{9.75, true};
constexpr ControlFont answer{12, false};
constexpr ControlFont appeal{13.5, false};

constexpr std::string_view startCaption =
    "Choisissez l'option Mains ou Pieds, le niveau de difficulté, la vitesse, puis la phase (1,2 ou3) "
    "puis Cliquez ici pour &Débuter";

// The foundation, its address and its telephone number are made up.
constexpr std::string_view appealText =
    "Si vous appréciez ce produit, vous pouvez nous aider à développer encore d'autres outils pour traiter "
    "la douleur chronique, en faisant un petit don à: Fondation (fictive) de l'hôpital de Valbrune, "
    "1 place de l'Exemple, 00000 Valbrune, téléphone 00 00 00 00 00. "
    "et mentionnez le programme de réhabilitation par imagerie.      Merci";

constexpr std::string_view creditText = "Kova v2.0 23/02/2006 - équipe de Valbrune";

// clang-format off
constexpr ControlLayout table[] = {
    // control        kind               caption                     left   top   width height font       tab start     centred
    {C::optMain,     K::checkBox,      "&Mains",                     5880,    0,  855,  375, small,      2, S::on,     false},
    {C::optPied,     K::checkBox,      "&Pieds",                     6720,    0,  855,  375, small,      3, S::plain,  false},
    {C::optVisage,   K::checkBox,      "&visage",                    7560,    0, 1215,  375, windowFont, 18, S::plain, false},
    {C::optPatient,  K::checkBox,      "&Patient",                   8640,    0, 1095,  375, windowFont, 21, S::plain, false},
    {C::Label2,      K::label,         "NIVEAU",                    10320,    0,  855,  375, windowFont, 15, S::plain, false},
    {C::Chkniv1,     K::checkBox,      "&1",                        10320,  240,  855,  255, windowFont, 12, S::on,    false},
    {C::ChKniv2,     K::checkBox,      "&2",                        10320,  480,  855,  255, windowFont, 13, S::plain, false},
    {C::Chkniv3,     K::checkBox,      "&3",                        10320,  720,  855,  255, windowFont, 14, S::plain, false},
    {C::Chkniv4,     K::checkBox,      "&4",                        10320,  960,  855,  255, windowFont, 17, S::plain, false},
    {C::Label1,      K::label,         "Vitesse",                   10080, 1320, 1215,  255, heading,    11, S::plain, true},
    {C::OptNormal,   K::optionButton,  "&Normal",                   10080, 1560, 1215,  375, small,      6, S::on,     false},
    {C::OptDiff,     K::optionButton,  "&Rapide",                   10080, 1920, 1215,  255, small,      7, S::plain,  false},
    {C::OptTresDiff, K::optionButton,  "&Très rapide",              10080, 2160, 1215,  375, small,      8, S::plain,  false},
    {C::OptExtreme,  K::optionButton,  "&Expert",                   10080, 2520, 1215,  375, small,      10, S::plain, false},
    {C::opt5sec,     K::optionButton,  "&5sec",                     10200, 2880, 1095,  375, windowFont, 19, S::plain, false},
    {C::opt10sec,    K::optionButton,  "&10sec",                    10200, 3240, 1095,  375, windowFont, 20, S::plain, false},
    {C::optDG,       K::checkBox,      "Phase &1 identifier Dr  G",  9840, 3840, 1335,  615, small,      4, S::on,     false},
    {C::optFeedBack, K::checkBox,      "&FeedBack",                 10080, 4320, 1455,  375, small,      22, S::on,    false},
    {C::optImagine,  K::checkBox,      "Phase &2 imaginer faire le mouvement", 9840, 4800, 1335, 735, small, 9, S::plain, false},
    {C::optFaireMvt, K::checkBox,      "Phase &3 Faire le mouvement", 9840, 5520, 1335,  615, small,      5, S::plain,  false},
    {C::optD,        K::checkBox,      "&D",                        10080, 6120,  615,  255, windowFont, 25, S::plain, false},
    {C::optG,        K::checkBox,      "&G",                        10680, 6120,  495,  255, windowFont, 26, S::plain, false},
    {C::optLes2,     K::checkBox,      "D &et G",                   10080, 6360, 1095,  255, windowFont, 27, S::on,    false},
    {C::Label4,      K::label,         "La réponse correcte était",     0, 6720, 2295,  255, windowFont, 24, S::hidden, false},
    {C::TextReponse, K::textBox,       "",                           2400, 6600, 1095,  375, answer,     23, S::hidden, false},
    {C::cmdExit,     K::commandButton, "&Terminer le programme",     4200, 7320, 2175,  615, small,      1, S::plain,  false},
    {C::cmdOnOff,    K::commandButton, startCaption,                 6480, 7080, 4815,  855, heading,    0, S::plain,  false},
    {C::Label5,      K::label,         appealText,                   1560, 1440, 5175, 3615, appeal,     28, S::plain, true},
    {C::Label3,      K::label,         creditText,                    120, 7440, 3975,  375, small,      16, S::plain, false},
};
// clang-format on

} // namespace

std::span<const ControlLayout> controlLayouts()
{
    return table;
}

const ControlLayout* layoutOf(Control control)
{
    const auto row = std::ranges::find(table, control, &ControlLayout::control);
    return row == std::end(table) ? nullptr : row;
}
