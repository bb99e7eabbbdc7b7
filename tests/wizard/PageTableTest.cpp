#include "wizard/PageTable.h"

#include <gtest/gtest.h>

namespace wizard {
namespace {

struct PageRow {
    Page page;
    const char* title;
    bool backEnabled;
    const char* next;
    bool nextEnabled;
    const char* exit;
};

const QString kProgramTitle = QStringLiteral("Test Converter");

// A download edition without "Merge".
const PageRow kPages[] = {
    {Page::TabSheetMode, "Welcome to Test Converter! What do you want to do?", false, "Next", true, "Exit"},
    {Page::TabSheetStep1,
     "Select the videos you want to convert. Use \"Move Up\" and \"Move Down\" to change the order.", true,
     "Next", true, "Cancel"},
    {Page::TabSheetStep2, "Select an output mode and specify a path for the output files.", true, "Convert",
     true, "Cancel"},
    {Page::TabSheetStep3, "Conversion information.", false, "Next", false, "Cancel"},
    {Page::TabSheetStep4, "The conversion is finished.", false, "Finish", true, "Exit"},
    {Page::TabSheetStep5, "Copy a YouTube link from your browser address bar and Paste here", true,
     "Download", true, "Cancel"},
    {Page::TabSheetStep6, "Downloading information.", false, "Next", false, "Cancel"},
    {Page::TabSheetStep7, "The downloading is finished.", false, "Finish", true, "Exit"},
};

TEST(PageTableTest, EveryPageOfADownloadEdition) {
    for (const auto& row : kPages) {
        SCOPED_TRACE(row.title);
        const PageTexts t = PageTextsFor(row.page, {kProgramTitle, true, false});
        EXPECT_EQ(t.title, QString::fromUtf8(row.title));
        EXPECT_EQ(t.back, (ButtonState{"Back", row.backEnabled}));
        EXPECT_EQ(t.next, (ButtonState{QString::fromUtf8(row.next), row.nextEnabled}));
        EXPECT_EQ(t.exit, (ButtonState{QString::fromUtf8(row.exit), true}));
    }
}

TEST(PageTableTest, ConvertOnlyEditionHasNoWayBackFromStep1) {
    const PageTexts t = PageTextsFor(Page::TabSheetStep1, {kProgramTitle, false, false});
    EXPECT_FALSE(t.back.enabled);
    EXPECT_EQ(t.exit.caption, "Exit");
    EXPECT_EQ(StartPage(false), Page::TabSheetStep1);
    EXPECT_EQ(StartPage(true), Page::TabSheetMode);
}

TEST(PageTableTest, MergeEditionJoins) {
    EXPECT_EQ(PageTextsFor(Page::TabSheetStep2, {kProgramTitle, true, true}).next.caption, "Join Now");
    EXPECT_EQ(PageTextsFor(Page::TabSheetStep2, {kProgramTitle, false, true}).next.caption, "Join Now");
}

TEST(PageTableTest, TitleIsInsertedLiterally) {
    EXPECT_EQ(PageTextsFor(Page::TabSheetMode, {QStringLiteral("100% %1 Tools"), true, false}).title,
              "Welcome to 100% %1 Tools! What do you want to do?");
}

}  // namespace
}  // namespace wizard
