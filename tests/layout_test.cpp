#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "recording_host.h"
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

TEST(Layout, EveryControlIsInsideTheClientAreaAndNoTwoOverlap) {
    for (const ControlLayout& a : kLayout) {
        EXPECT_GE(a.left, 0);
        EXPECT_GE(a.top, 0);
        EXPECT_LE(a.left + a.width, kClientWidthTwips);
        EXPECT_LE(a.top + a.height, kClientHeightTwips);
        for (const ControlLayout& b : kLayout) {
            if (&a == &b) {
                continue;
            }
            const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                               a.top + a.height <= b.top || b.top + b.height <= a.top;
            EXPECT_TRUE(apart) << static_cast<int>(a.name) << " overlaps "
                               << static_cast<int>(b.name);
        }
    }
}

// A label may grow down to the control below it, and no further.
TEST(Layout, ALabelGrownToItsRoomStaysClearOfEveryOtherControl) {
    for (const ControlLayout& label : kLayout) {
        if (label.kind != ControlKind::Label) {
            continue;
        }
        const int room = RoomBelow(label.name);
        EXPECT_GE(room, label.height);
        bool touches = label.top + room == kClientHeightTwips;
        for (const ControlLayout& other : kLayout) {
            const bool sharesColumns =
                other.left < label.left + label.width && label.left < other.left + other.width;
            if (&other == &label || !sharesColumns) {
                continue;
            }
            EXPECT_TRUE(other.top + other.height <= label.top || other.top >= label.top + room)
                << static_cast<int>(label.name) << " would grow into "
                << static_cast<int>(other.name);
            touches = touches || other.top == label.top + room;
        }
        EXPECT_TRUE(touches) << static_cast<int>(label.name) << " could grow further";
    }
}

TEST(Layout, RowsFollowTheControlsAndTabOrderCoversThemOnce) {
    std::set<int> tabIndexes;
    for (int i = 0; i < kControlCount; ++i) {
        EXPECT_EQ(static_cast<int>(kLayout[i].name), i);
        tabIndexes.insert(kLayout[i].tabIndex);
        // Only buttons are clicked, and every button is.
        EXPECT_EQ(kLayout[i].onClick != nullptr, kLayout[i].kind == ControlKind::Button);
    }
    EXPECT_EQ(tabIndexes.size(), static_cast<size_t>(kControlCount));
}

std::vector<const ControlLayout*> ButtonsInTabOrder() {
    std::vector<const ControlLayout*> buttons;
    for (const ControlLayout& row : kLayout) {
        if (row.kind == ControlKind::Button) {
            buttons.push_back(&row);
        }
    }
    std::sort(buttons.begin(), buttons.end(), [](const ControlLayout* a, const ControlLayout* b) {
        return a->tabIndex < b->tabIndex;
    });
    return buttons;
}

// Buttons side by side share their top and size, and Tab visits them as they are read: left to
// right, then top to bottom.
TEST(Layout, ButtonsSideBySideMatchAndTabReadsThem) {
    const auto buttons = ButtonsInTabOrder();
    for (size_t i = 0; i < buttons.size(); ++i) {
        const ControlLayout& a = *buttons[i];
        for (const ControlLayout* b : buttons) {
            if (a.top < b->top + b->height && b->top < a.top + a.height) {
                EXPECT_TRUE(a.top == b->top && a.width == b->width && a.height == b->height)
                    << a.tabIndex << " and " << b->tabIndex;
            }
        }
        if (i > 0) {
            const ControlLayout& previous = *buttons[i - 1];
            EXPECT_TRUE(a.top > previous.top || (a.top == previous.top && a.left > previous.left))
                << "Tab index " << a.tabIndex;
        }
    }
}

// A button runs its own action: an install leaves the shortcut button under it, the others
// disable only themselves, and one alone ends the program.
TEST(Layout, EachButtonRunsItsOwnAction) {
    int ending = 0;
    for (const ControlLayout* button : ButtonsInTabOrder()) {
        RecordingHost host;
        button->onClick(host);
        if (host.ended) {
            ++ending;
            continue;
        }
        std::set<Control> rest = host.EnabledButtons();
        EXPECT_EQ(rest.count(button->name), 0u) << button->tabIndex;
        rest.insert(button->name);
        if (rest.size() == 8) {
            continue;
        }
        const auto below =
            std::find_if(std::begin(kLayout), std::end(kLayout), [&](const auto& row) {
                return row.kind == ControlKind::Button && row.left == button->left &&
                       row.top > button->top;
            });
        ASSERT_NE(below, std::end(kLayout)) << button->tabIndex;
        EXPECT_EQ(host.EnabledButtons(),
                  (std::set<Control>{below->name, Control::Command7, Control::Command8}))
            << button->tabIndex;
    }
    EXPECT_EQ(ending, 1);
}

}  // namespace
