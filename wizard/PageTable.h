#pragma once
// What RefreshPage shows for each page: the title line and the three wizard buttons.

#include <QString>

#include "wizard/Page.h"

namespace wizard {

struct ButtonState {
    QString caption;
    bool enabled = true;
    friend bool operator==(const ButtonState&, const ButtonState&) = default;
};

struct PageTexts {
    QString title;  // LabelTitle
    ButtonState back;
    ButtonState next;
    ButtonState exit;
    friend bool operator==(const PageTexts&, const PageTexts&) = default;
};

// The edition facts the table depends on.
struct PageTableEdition {
    QString title;         // application title, fills the welcome line
    bool download = true;  // profile "Download": the mode page and the download path exist
    bool merge = false;    // profile "Merge": Step2's Next joins all inputs
};

PageTexts PageTextsFor(Page page, const PageTableEdition& edition);

// TabSheetMode in editions with download, else TabSheetStep1.
Page StartPage(bool download);

}  // namespace wizard
