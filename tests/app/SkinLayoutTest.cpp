#include <gtest/gtest.h>

#include "app/SkinLayout.h"

using namespace app;

namespace {

TEST(SkinLayout, VariantsAndUnknownNumbers) {
    EXPECT_EQ(SkinLayoutFor(1).buttonClose, (Point{794, 3}));
    EXPECT_EQ(SkinLayoutFor(1).pageControl, (Point{240, 110}));
    EXPECT_EQ(SkinLayoutFor(2).helpMenuOffset, 5);
    EXPECT_EQ(SkinLayoutFor(2).buttonMin, (Point{696, 6}));
    const SkinLayout v3 = SkinLayoutFor(3);
    EXPECT_FALSE(v3.chromeButtonsVisible);
    EXPECT_TRUE(v3.transparentButtons);
    EXPECT_EQ(v3.labelVersionTop, 165);
    EXPECT_EQ(v3.labelMoreToolsTop, 180);
    EXPECT_EQ(v3.buttonExitLeft, 665);
    for (int other : {-1, 4, 77}) {
        const SkinLayout s = SkinLayoutFor(other);
        EXPECT_EQ(s.buttonMin, (Point{696, 4}));
        EXPECT_EQ(s.bottomRow, 510);
        EXPECT_EQ(s.labelColor, 0x808080u);
    }
}

TEST(SkinLayout, FormatButtonGrid) {
    // Nine video buttons on a page 525 wide: 8 columns, the ninth wraps to the second row.
    const auto cells = LayoutFormatButtons(9, 525);
    ASSERT_EQ(cells.size(), 9u);
    EXPECT_EQ(cells[0], (Point{10, 5}));
    EXPECT_EQ(cells[7], (Point{10 + 7 * 64, 5}));
    EXPECT_EQ(cells[8], (Point{10, 65}));
    // A page too narrow for one cell still gets one column.
    const auto narrow = LayoutFormatButtons(2, 40);
    EXPECT_EQ(narrow[1], (Point{10, 65}));
    EXPECT_TRUE(LayoutFormatButtons(0, 525).empty());
}

TEST(SkinLayout, ClassButtons) {
    struct Case {
        std::array<bool, 3> has;
        std::array<bool, 3> visible;
        int formatTop;
    } cases[] = {
        {{true, true, true}, {true, true, true}, 172},
        {{true, false, true}, {true, false, true}, 172},
        {{false, false, true}, {false, false, false}, 120},  // one class: no choice shown
        {{false, false, false}, {false, false, false}, 172},
    };
    for (const auto& c : cases) {
        const auto layout = LayoutClassButtons(c.has, 540);
        EXPECT_EQ(layout.visible, c.visible);
        EXPECT_EQ(layout.formatAreaTop, c.formatTop);
    }
    const auto two = LayoutClassButtons({true, false, true}, 540);
    EXPECT_EQ(two.position[0], (Point{18, 135}));
    EXPECT_EQ(two.position[2], (Point{189, 135}));
    const auto narrow = LayoutClassButtons({true, true, true}, 200);  // one column
    EXPECT_EQ(narrow.position[2], (Point{18, 199}));
}

}  // namespace
