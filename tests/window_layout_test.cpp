// The window's description, which both windows build their controls from:
// every control's caption, place and size in twips, font, tab position and
// state at start, as the window was drawn.

#include "model/window_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

using C = Control;

namespace {

struct Expected {
    Control control;
    const char* caption;
    int left, top, width, height; // twips
    double fontPoints;
    bool bold;
};

// clang-format off
const Expected layout[] = {
    {C::optMain,     "&Mains",                                5880,    0,  855,  375, 8.25, false},
    {C::optPied,     "&Pieds",                                6720,    0,  855,  375, 8.25, false},
    {C::optVisage,   "&visage",                               7560,    0, 1215,  375, 9.75, false},
    {C::optPatient,  "&Patient",                              8640,    0, 1095,  375, 9.75, false},
    {C::Label2,      "NIVEAU",                               10320,    0,  855,  375, 9.75, false},
    {C::Chkniv1,     "&1",                                   10320,  240,  855,  255, 9.75, false},
    {C::ChKniv2,     "&2",                                   10320,  480,  855,  255, 9.75, false},
    {C::Chkniv3,     "&3",                                   10320,  720,  855,  255, 9.75, false},
    {C::Chkniv4,     "&4",                                   10320,  960,  855,  255, 9.75, false},
    {C::Label1,      "Vitesse",                              10080, 1320, 1215,  255, 9.75, true},
    {C::OptNormal,   "&Normal",                              10080, 1560, 1215,  375, 8.25, false},
    {C::OptDiff,     "&Rapide",                              10080, 1920, 1215,  255, 8.25, false},
    {C::OptTresDiff, "&Très rapide",                         10080, 2160, 1215,  375, 8.25, false},
    {C::OptExtreme,  "&Expert",                              10080, 2520, 1215,  375, 8.25, false},
    {C::opt5sec,     "&5sec",                                10200, 2880, 1095,  375, 9.75, false},
    {C::opt10sec,    "&10sec",                               10200, 3240, 1095,  375, 9.75, false},
    {C::optDG,       "Phase &1 identifier Dr  G",             9840, 3840, 1335,  615, 8.25, false},
    {C::optFeedBack, "&FeedBack",                            10080, 4320, 1455,  375, 8.25, false},
    {C::optImagine,  "Phase &2 imaginer faire le mouvement",  9840, 4800, 1335,  735, 8.25, false},
    {C::optFaireMvt, "Phase &3 Faire le mouvement",           9840, 5520, 1335,  615, 8.25, false},
    {C::optD,        "&D",                                   10080, 6120,  615,  255, 9.75, false},
    {C::optG,        "&G",                                   10680, 6120,  495,  255, 9.75, false},
    {C::optLes2,     "D &et G",                              10080, 6360, 1095,  255, 9.75, false},
    {C::Label4,      "La réponse correcte était",                0, 6720, 2295,  255, 9.75, false},
    {C::TextReponse, "",                                      2400, 6600, 1095,  375, 12, false},
    {C::cmdExit,     "&Terminer le programme",                4200, 7320, 2175,  615, 8.25, false},
    {C::cmdOnOff,    nullptr,                                 6480, 7080, 4815,  855, 9.75, true},
    {C::Label5,      nullptr,                                 1560, 1440, 5175, 3615, 13.5, false},
    {C::Label3,      nullptr,                                  120, 7440, 3975,  375, 8.25, false},
};
// clang-format on

} // namespace

TEST(WindowLayoutTest, EveryControlWithItsCaptionPlaceAndFont)
{
    ASSERT_EQ(controlLayouts().size(), std::size(layout));
    for (const Expected& e : layout) {
        SCOPED_TRACE(controlName(e.control));
        const ControlLayout* row = layoutOf(e.control);
        ASSERT_NE(row, nullptr);
        if (e.caption) {
            EXPECT_EQ(row->caption, e.caption);
        }
        EXPECT_EQ(row->left, e.left);
        EXPECT_EQ(row->top, e.top);
        EXPECT_EQ(row->width, e.width);
        EXPECT_EQ(row->height, e.height);
        EXPECT_EQ(row->font.points, e.fontPoints);
        EXPECT_EQ(row->font.bold, e.bold);
    }
    EXPECT_EQ(layoutOf(C::cmdOnOff)->caption,
              "Choisissez l'option Mains ou Pieds, le niveau de difficulté, la vitesse, puis la phase (1,2 ou3) puis "
              "Cliquez ici pour &Débuter");
    EXPECT_TRUE(layoutOf(C::Label3)->caption.starts_with("Kova v2.0 23/02/2006"));
    EXPECT_EQ(layoutOf(C::Timer1), nullptr);
    EXPECT_EQ(windowCaption, "Clinique Antidouleur de Valbrune");
    EXPECT_EQ(clientWidthTwips, 11160);
    EXPECT_EQ(clientHeightTwips, 7875);
}

TEST(WindowLayoutTest, TabOrderKindsAndStartStates)
{
    // From the start button, in the order of the tab column; the labels
    // hold places in it too.
    const C byTab[] = {C::cmdOnOff, C::cmdExit, C::optMain, C::optPied, C::optDG, C::optFaireMvt,
                       C::OptNormal, C::OptDiff, C::OptTresDiff, C::optImagine, C::OptExtreme, C::Label1,
                       C::Chkniv1, C::ChKniv2, C::Chkniv3, C::Label2, C::Label3, C::Chkniv4, C::optVisage,
                       C::opt5sec, C::opt10sec, C::optPatient, C::optFeedBack, C::TextReponse, C::Label4,
                       C::optD, C::optG, C::optLes2, C::Label5};
    for (int tab = 0; tab < static_cast<int>(std::size(byTab)); ++tab)
        EXPECT_EQ(layoutOf(byTab[tab])->tab, tab) << controlName(byTab[tab]);

    std::multiset<ControlKind> kinds;
    std::set<C> on, hidden, centred;
    for (const ControlLayout& row : controlLayouts()) {
        kinds.insert(row.kind);
        if (row.start == StartState::on)
            on.insert(row.control);
        if (row.start == StartState::hidden)
            hidden.insert(row.control);
        if (row.centred)
            centred.insert(row.control);
    }
    EXPECT_EQ(kinds.count(ControlKind::checkBox), 15u);
    EXPECT_EQ(kinds.count(ControlKind::optionButton), 6u);
    EXPECT_EQ(kinds.count(ControlKind::commandButton), 2u);
    EXPECT_EQ(kinds.count(ControlKind::label), 5u);
    EXPECT_EQ(kinds.count(ControlKind::textBox), 1u);
    EXPECT_EQ(on, (std::set<C>{C::optMain, C::Chkniv1, C::OptNormal, C::optDG, C::optFeedBack, C::optLes2}));
    EXPECT_EQ(hidden, (std::set<C>{C::Label4, C::TextReponse}));
    EXPECT_EQ(centred, (std::set<C>{C::Label1, C::Label5}));
}

TEST(WindowLayoutTest, TwipsOnScreensOfAnyDotsPerInch)
{
    EXPECT_EQ(twipsToPixels(11160, 96), 744);
    EXPECT_EQ(twipsToPixels(7875, 96), 525);
    EXPECT_EQ(twipsToPixels(11160, 144), 1116);
    EXPECT_EQ(twipsToPixels(15, 144), 2) << "a pixel and a half rounds up";
    EXPECT_EQ((ControlFont{8.25, false}.pixelsAt96Dpi()), 11);
    EXPECT_EQ((ControlFont{13.5, false}.pixelsAt96Dpi()), 18);
}
