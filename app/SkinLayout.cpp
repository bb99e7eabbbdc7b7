#include "app/SkinLayout.h"

namespace app {

SkinLayout SkinLayoutFor(int skin) {
    SkinLayout s;  // the design layout, equal to variant 0
    switch (skin) {
        case 1:
            s.buttonMin = {766, 3};
            s.buttonClose = {794, 3};
            s.buttonHelp = {25, 566};
            s.buttonLogLeft = 120;
            s.bottomRow = 566;
            s.buttonBackLeft = 400;
            s.buttonNextLeft = 495;
            s.buttonExitLeft = 730;
            s.pageControl = {240, 110};
            s.labelTitle = {252, 70};
            s.labelColor = 0xFFFFFF;
            break;
        case 2:
            s.buttonMin = {696, 6};
            s.buttonClose = {728, 4};
            s.buttonHelp = {40, 513};
            s.helpMenuOffset = 5;
            s.bottomRow = 513;
            s.pageControl = {198, 74};
            break;
        case 3:
            s.chromeButtonsVisible = false;
            s.buttonHelp = {10, 515};
            s.buttonLogLeft = 120;
            s.bottomRow = 515;
            s.buttonBackLeft = 350;
            s.buttonNextLeft = 460;
            s.buttonExitLeft = 665;
            s.labelTitle = {215, 55};
            s.labelColor = 0xFFFFFF;
            s.transparentButtons = true;
            s.titleBold = false;
            s.labelVersionTop = 165;
            s.labelMoreToolsTop = 180;
            break;
        default:
            break;
    }
    return s;
}

std::vector<Point> LayoutFormatButtons(int visibleCount, int pageWidth) {
    int columns = (pageWidth - 10 - 2) / kFormatCellWidth;
    if (columns <= 0) columns = 1;
    std::vector<Point> cells;
    for (int k = 0; k < visibleCount; ++k)
        cells.push_back({10 + (k % columns) * 64, 5 + (k / columns) * 60});
    return cells;
}

ClassButtonLayout LayoutClassButtons(const std::array<bool, 3>& hasButtons, int pageWidth) {
    ClassButtonLayout layout;
    int columns = (pageWidth - 18) / kClassCellWidth;
    if (columns <= 0) columns = 1;
    int k = 0;
    for (int c = 0; c < 3; ++c) {
        layout.visible[c] = hasButtons[c];
        if (!hasButtons[c]) continue;
        layout.position[c] = {18 + (k % columns) * kClassCellWidth, 135 + (k / columns) * kClassCellHeight};
        ++k;
    }
    if (k == 1) {
        layout.visible = {false, false, false};
        layout.formatAreaTop = 120;
    }
    return layout;
}

}  // namespace app
