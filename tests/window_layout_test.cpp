// The window's description, which both windows build their controls from.
// The widget tests and the screenshot check compare each window with it; here
// what holds the description together whatever its figures: every control
// described once inside the window, a tab order without gaps or doubles, one
// access key a caption at most, and the conversion of its twips on screens of
// any dots per inch.

#include "model/window_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

TEST(WindowLayoutTest, EveryControlIsDescribedOnceInsideTheWindow)
{
    std::multiset<Control> described;
    for (const ControlLayout& row : controlLayouts()) {
        SCOPED_TRACE(controlName(row.control));
        described.insert(row.control);
        EXPECT_EQ(layoutOf(row.control), &row);
        EXPECT_GT(row.width, 0);
        EXPECT_GT(row.height, 0);
        EXPECT_GE(row.left, 0);
        EXPECT_GE(row.top, 0);
        // Each control starts inside the client area.
        EXPECT_LT(row.left, clientWidthTwips);
        EXPECT_LT(row.top, clientHeightTwips);
    }
    for (int c = 0; c < controlCount; ++c) {
        const auto control = static_cast<Control>(c);
        const bool hasNoRow = control == Control::Timer1 || control == Control::form1;
        EXPECT_EQ(described.count(control), hasNoRow ? 0u : 1u) << controlName(control);
    }
}

TEST(WindowLayoutTest, TabPositionsRunWithoutGapsAndEachCaptionHasOneAccessKeyAtMost)
{
    std::vector<int> tabs;
    for (const ControlLayout& row : controlLayouts()) {
        SCOPED_TRACE(controlName(row.control));
        tabs.push_back(row.tab);
        // "&&" is a plain ampersand; a lone "&" marks the access key and is
        // followed by its letter.
        int keys = 0;
        for (std::size_t i = 0; i < row.caption.size(); ++i) {
            if (row.caption[i] != '&')
                continue;
            if (i + 1 < row.caption.size() && row.caption[i + 1] == '&') {
                ++i;
                continue;
            }
            ++keys;
            EXPECT_LT(i + 1, row.caption.size()) << "an access key mark at the end of " << row.caption;
        }
        EXPECT_LE(keys, 1) << row.caption;
        if (row.kind == ControlKind::label || row.kind == ControlKind::textBox) {
            EXPECT_NE(row.start, StartState::on) << "only boxes and buttons are ticked";
        }
    }
    std::ranges::sort(tabs);
    for (int i = 0; i < static_cast<int>(tabs.size()); ++i)
        EXPECT_EQ(tabs[i], i);
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
