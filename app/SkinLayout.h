#pragma once
// Where the skin variants put the window's chrome, and how the format and class buttons are laid out.
// Pure geometry, so start-up's layout rules can be checked without a window.

#include <array>
#include <cstdint>
#include <vector>

namespace app {

struct Point {
    int left = 0;
    int top = 0;
    bool operator==(const Point&) const = default;
};

struct SkinLayout {
    bool chromeButtonsVisible = true;  // ButtonMin and ButtonClose
    Point buttonMin{696, 4};
    Point buttonClose{728, 4};
    Point buttonHelp{40, 510};
    int helpMenuOffset = 0;  // ButtonHelp's Tag
    int buttonLogLeft = 138;
    int bottomRow = 510;  // common top of ButtonLog, ButtonBack, ButtonNext and ButtonExit
    int buttonBackLeft = 426;
    int buttonNextLeft = 522;
    int buttonExitLeft = 672;
    Point pageControl{203, 74};
    Point labelTitle{24, 43};
    uint32_t labelColor = 0x808080;  // LabelVersion and LabelMoreTools, 0xRRGGBB
    // Variant 3: transparent bottom buttons with a white caption font, a plain title, and the version and
    // more-tools labels moved up and brought to the front.
    bool transparentButtons = false;
    bool titleBold = true;
    int labelVersionTop = -1;  // -1: keep the design position
    int labelMoreToolsTop = -1;
};

// Variants 0 to 3; any other number keeps the design layout (the same as variant 0).
SkinLayout SkinLayoutFor(int skin);

// Format buttons: cells 62 x 57 with gaps of 2 and 3 on a class page of the given width.
constexpr int kFormatCellWidth = 62;
constexpr int kFormatCellHeight = 57;
std::vector<Point> LayoutFormatButtons(int visibleCount, int pageWidth);

// Class buttons on Step2: cells 171 x 32 from left 18, top 135.
constexpr int kClassCellWidth = 171;
constexpr int kClassCellHeight = 32;
struct ClassButtonLayout {
    std::array<bool, 3> visible{};  // Video, Device, Audio
    std::array<Point, 3> position{};
    int formatAreaTop = 172;  // RzPageControlToFormat; 120 when only one class is offered
};
// hasButtons: whether each class (Video, Device, Audio) has at least one visible format button.
ClassButtonLayout LayoutClassButtons(const std::array<bool, 3>& hasButtons, int pageWidth);

}  // namespace app
