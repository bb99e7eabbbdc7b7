#include "wizard/PageTable.h"

namespace wizard {

namespace {

ButtonState On(const char* caption) {
    return {QString::fromUtf8(caption), true};
}
ButtonState Off(const char* caption) {
    return {QString::fromUtf8(caption), false};
}

}  // namespace

Page StartPage(bool download) {
    return download ? Page::TabSheetMode : Page::TabSheetStep1;
}

PageTexts PageTextsFor(Page page, const PageTableEdition& edition) {
    switch (page) {
        case Page::TabSheetMode:
            return {QStringLiteral("Welcome to %1! What do you want to do?").arg(edition.title), Off("Back"),
                    On("Next"), On("Exit")};
        case Page::TabSheetStep1:
            return {
                QStringLiteral("Select the videos you want to convert. Use \"Move Up\" and \"Move Down\" to "
                               "change the order."),
                {QStringLiteral("Back"), edition.download},
                On("Next"),
                On(edition.download ? "Cancel" : "Exit")};
        case Page::TabSheetStep2:
            return {QStringLiteral("Select an output mode and specify a path for the output files."),
                    On("Back"), On(edition.merge ? "Join Now" : "Convert"), On("Cancel")};
        case Page::TabSheetStep3:
            return {QStringLiteral("Conversion information."), Off("Back"), Off("Next"), On("Cancel")};
        case Page::TabSheetStep4:
            return {QStringLiteral("The conversion is finished."), Off("Back"), On("Finish"), On("Exit")};
        case Page::TabSheetStep5:
            return {QStringLiteral("Copy a YouTube link from your browser address bar and Paste here"),
                    On("Back"), On("Download"), On("Cancel")};
        case Page::TabSheetStep6:
            return {QStringLiteral("Downloading information."), Off("Back"), Off("Next"), On("Cancel")};
        case Page::TabSheetStep7:
            return {QStringLiteral("The downloading is finished."), Off("Back"), On("Finish"), On("Exit")};
    }
    return {};
}

}  // namespace wizard
