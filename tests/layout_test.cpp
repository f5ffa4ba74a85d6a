#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "window/layout.h"

namespace {

TEST(Layout, ConvertsTwipsWithTheRealDpi) {
    struct Case {
        int twips, dpi, pixels;
    } const cases[] = {{6870, 96, 458}, {7530, 96, 502},  {375, 96, 25},  {6870, 120, 573},
                       {495, 120, 41},  {6870, 144, 687}, {255, 144, 26}, {1575, 192, 210}};
    for (const Case& c : cases) {
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
    }
}

// Every control stays inside the client area and clear of the others, also a label grown down to
// its room, which reaches the control below it or the bottom and no further.
TEST(Layout, ControlsStayInsideAndApartWithLabelsGrownToTheirRoom) {
    for (const ControlLayout& a : kLayout) {
        const bool label = a.kind == ControlKind::Label;
        const int height = label ? RoomBelow(a.name) : a.height;
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.left + a.width <= kClientWidthTwips &&
                    a.top + height <= kClientHeightTwips)
            << static_cast<int>(a.name);
        bool touches = a.top + height == kClientHeightTwips;
        for (const ControlLayout& b : kLayout) {
            const bool sharesColumns = a.left < b.left + b.width && b.left < a.left + a.width;
            if (&a == &b || !sharesColumns) {
                continue;
            }
            EXPECT_TRUE(a.top + height <= b.top || b.top + b.height <= a.top)
                << static_cast<int>(a.name) << " overlaps " << static_cast<int>(b.name);
            touches = touches || b.top == a.top + height;
        }
        EXPECT_TRUE(touches || !label) << static_cast<int>(a.name) << " could grow further";
    }
}

TEST(Layout, RowsFollowTheControlsAndTabOrderCoversThemOnce) {
    std::set<int> tabIndexes;
    for (int i = 0; i < kControlCount; ++i) {
        EXPECT_EQ(static_cast<int>(kLayout[i].name), i);
        tabIndexes.insert(kLayout[i].tabIndex);
        // A label is created with the first control under it: one that is no label.
        EXPECT_TRUE(kLayout[i].kind != ControlKind::Label ||
                    (i + 1 < kControlCount && kLayout[i + 1].kind != ControlKind::Label));
    }
    EXPECT_EQ(tabIndexes.size(), static_cast<size_t>(kControlCount));
}

// Tab visits the buttons as they are read: left to right, then top to bottom.
TEST(Layout, TabReadsTheButtons) {
    std::map<int, std::pair<int, int>> buttons;  // tops and lefts, by Tab index
    for (const ControlLayout& row : kLayout) {
        if (row.kind == ControlKind::Button) {
            buttons[row.tabIndex] = {row.top, row.left};
        }
    }
    std::vector<std::pair<int, int>> tabOrder;
    for (const auto& [tab, place] : buttons) {
        tabOrder.push_back(place);
    }
    std::vector<std::pair<int, int>> readingOrder = tabOrder;
    std::sort(readingOrder.begin(), readingOrder.end());
    EXPECT_EQ(tabOrder, readingOrder);
}

}  // namespace
