#pragma once
// The pages of PageControlMain, in design order (the index is the page's position in the page control).

namespace wizard {

enum class Page {
    TabSheetMode = 0,  // download or convert
    TabSheetStep1,     // input list
    TabSheetStep2,     // output folder and format
    TabSheetStep3,     // conversion progress
    TabSheetStep4,     // conversion summary
    TabSheetStep5,     // link list
    TabSheetStep6,     // download progress
    TabSheetStep7,     // download summary
};

constexpr int kPageCount = 8;

}  // namespace wizard
