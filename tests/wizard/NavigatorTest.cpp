#include "wizard/Navigator.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "tests/wizard/FakeWizard.h"

namespace wizard {
namespace {

using testing::FakeHandOver;
using testing::FakeView;
using Calls = std::vector<std::string>;

const QString kTitle = QStringLiteral("Test Converter");

struct Wizard {
    explicit Wizard(bool download) {
        globals.Download = download;
        globals.OutputFileDir = tmp.path() + QStringLiteral("/out/");
        globals.OutputURLDir = tmp.path() + QStringLiteral("/downloads/");
        handOver.outputFileDir = &globals.OutputFileDir;
        handOver.outputDirEdit = globals.OutputFileDir;
        view.urlOutputText = globals.OutputURLDir;
        view.page = download ? Page::TabSheetMode : Page::TabSheetStep1;
        view.handOver = &handOver;
    }
    QTemporaryDir tmp;
    app::TGlobalVars globals;
    FakeView view;
    FakeHandOver handOver;
    Navigator nav{globals, kTitle, view, handOver, handOver};
};

enum class Trigger { Next, Back, Exit, ConvertDownloaded, ConversionEnded, DownloadEnded };

void Fire(Wizard& w, Trigger trigger) {
    switch (trigger) {
        case Trigger::Next:
            w.nav.ActionNextExecute();
            break;
        case Trigger::Back:
            w.nav.ActionBackExecute();
            break;
        case Trigger::Exit:
            w.nav.ActionExitExecute();
            break;
        case Trigger::ConvertDownloaded:
            w.nav.ButtonConvertDownloadedClick();
            break;
        case Trigger::ConversionEnded:
            w.nav.ShowConversionSummary();
            break;
        case Trigger::DownloadEnded:
            w.nav.ShowDownloadSummary();
            break;
    }
}

struct TransitionRow {
    const char* name;
    bool download;  // edition with the download path
    Page from;
    std::function<void(Wizard&)> setup;
    Trigger trigger;
    std::deque<bool> answers;
    Page to;
    QStringList questions;  // asked, in order
    QStringList notices;
    Calls calls;  // hand-overs, in order
    bool closed = false;
    int inputRows = 0;  // rows left in the input list afterwards
    int urlRows = 0;    // rows left in the link list afterwards
};

void WithInputs(Wizard& w) {
    w.view.inputRows = 3;
}
void WithLinks(Wizard& w) {
    w.view.urlRows = 2;
}
void Nothing(Wizard&) {}

const char* const kCancelBack = texts::kCancelAndGoBack;
const char* const kCancel = texts::kCancel;
const char* const kQuit = texts::kQuit;

const TransitionRow kTransitions[] = {
    // The transition table, one row each.
    {"mode, download selected", true, Page::TabSheetMode, Nothing, Trigger::Next, {}, Page::TabSheetStep5},
    {"mode, convert selected",
     true,
     Page::TabSheetMode,
     [](Wizard& w) {
         w.view.downloadSelected = false;
         w.view.convertSelected = true;
     },
     Trigger::Next,
     {},
     Page::TabSheetStep1},
    {"step1 next with files",
     true,
     Page::TabSheetStep1,
     WithInputs,
     Trigger::Next,
     {},
     Page::TabSheetStep2,
     {},
     {},
     {"ShowOutputChoice"},
     false,
     3},
    {"step1 back, yes",
     true,
     Page::TabSheetStep1,
     WithInputs,
     Trigger::Back,
     {true},
     Page::TabSheetMode,
     {kCancelBack}},
    {"step1 exit cancel, yes",
     true,
     Page::TabSheetStep1,
     WithInputs,
     Trigger::Exit,
     {true},
     Page::TabSheetMode,
     {kCancel}},
    {"step2 next, folder ready",
     true,
     Page::TabSheetStep2,
     WithInputs,
     Trigger::Next,
     {},
     Page::TabSheetStep3,
     {},
     {},
     {"StoreOutputChoice", "PostConvertStart"},
     false,
     3},
    {"step2 back keeps the list",
     true,
     Page::TabSheetStep2,
     WithInputs,
     Trigger::Back,
     {},
     Page::TabSheetStep1,
     {},
     {},
     {},
     false,
     3},
    {"step2 exit, yes",
     true,
     Page::TabSheetStep2,
     WithInputs,
     Trigger::Exit,
     {true},
     Page::TabSheetMode,
     {kCancel}},
    {"step3 run ends",
     true,
     Page::TabSheetStep3,
     WithInputs,
     Trigger::ConversionEnded,
     {},
     Page::TabSheetStep4,
     {},
     {},
     {},
     false,
     3},
    {"step4 finish", true, Page::TabSheetStep4, WithInputs, Trigger::Next, {}, Page::TabSheetMode},
    {"step5 download",
     true,
     Page::TabSheetStep5,
     WithLinks,
     Trigger::Next,
     {},
     Page::TabSheetStep6,
     {},
     {},
     {"StartDownloadRun"},
     false,
     0,
     2},
    {"step5 back, yes",
     true,
     Page::TabSheetStep5,
     WithLinks,
     Trigger::Back,
     {true},
     Page::TabSheetMode,
     {kCancelBack}},
    {"step5 exit, yes",
     true,
     Page::TabSheetStep5,
     WithLinks,
     Trigger::Exit,
     {true},
     Page::TabSheetMode,
     {kCancel}},
    {"step6 run ends", true, Page::TabSheetStep6, WithLinks, Trigger::DownloadEnded, {}, Page::TabSheetStep7},
    {"step7 finish", true, Page::TabSheetStep7, WithLinks, Trigger::Next, {}, Page::TabSheetMode},
    {"step7 convert downloaded",
     true,
     Page::TabSheetStep7,
     [](Wizard& w) {
         w.globals.DownloadedFiles = QStringList{"/d/a.mp4", "/d/b.flv"};
     },
     Trigger::ConvertDownloaded,
     {},
     Page::TabSheetStep1,
     {},
     {},
     {"AddInputFiles"}},
    {"mode exit, yes",
     true,
     Page::TabSheetMode,
     Nothing,
     Trigger::Exit,
     {true},
     Page::TabSheetMode,
     {kQuit},
     {},
     {},
     true},
    {"step1 exit in convert-only edition, yes",
     false,
     Page::TabSheetStep1,
     WithInputs,
     Trigger::Exit,
     {true},
     Page::TabSheetStep1,
     {kQuit},
     {},
     {},
     true,
     3},
    {"step4 exit, yes",
     true,
     Page::TabSheetStep4,
     Nothing,
     Trigger::Exit,
     {true},
     Page::TabSheetStep4,
     {kQuit},
     {},
     {},
     true},
    {"step7 exit, yes",
     true,
     Page::TabSheetStep7,
     Nothing,
     Trigger::Exit,
     {true},
     Page::TabSheetStep7,
     {kQuit},
     {},
     {},
     true},

    // Refusals: a notice and no page change.
    {"step1 next, empty list",
     true,
     Page::TabSheetStep1,
     Nothing,
     Trigger::Next,
     {},
     Page::TabSheetStep1,
     {},
     {texts::kAddFiles}},
    {"step5 download, no links",
     true,
     Page::TabSheetStep5,
     Nothing,
     Trigger::Next,
     {},
     Page::TabSheetStep5,
     {},
     {texts::kPasteLinks}},
    {"step7 convert downloaded, none",
     true,
     Page::TabSheetStep7,
     Nothing,
     Trigger::ConvertDownloaded,
     {},
     Page::TabSheetStep7,
     {},
     {texts::kNoDownloads}},

    // Confirmations answered No change nothing.
    {"step1 back, no",
     true,
     Page::TabSheetStep1,
     WithInputs,
     Trigger::Back,
     {false},
     Page::TabSheetStep1,
     {kCancelBack},
     {},
     {},
     false,
     3},
    {"step2 exit, no",
     true,
     Page::TabSheetStep2,
     WithInputs,
     Trigger::Exit,
     {false},
     Page::TabSheetStep2,
     {kCancel},
     {},
     {},
     false,
     3},
    {"step5 exit, no",
     true,
     Page::TabSheetStep5,
     WithLinks,
     Trigger::Exit,
     {false},
     Page::TabSheetStep5,
     {kCancel},
     {},
     {},
     false,
     0,
     2},
    {"mode exit, no", true, Page::TabSheetMode, Nothing, Trigger::Exit, {false}, Page::TabSheetMode, {kQuit}},

    // Pages where a run is going: Next and Back do nothing; Exit asks and stays.
    {"step3 next is inert",
     true,
     Page::TabSheetStep3,
     WithInputs,
     Trigger::Next,
     {},
     Page::TabSheetStep3,
     {},
     {},
     {},
     false,
     3},
    {"step3 back is inert",
     true,
     Page::TabSheetStep3,
     WithInputs,
     Trigger::Back,
     {},
     Page::TabSheetStep3,
     {},
     {},
     {},
     false,
     3},
    {"step3 exit, yes, stops and stays",
     true,
     Page::TabSheetStep3,
     WithInputs,
     Trigger::Exit,
     {true},
     Page::TabSheetStep3,
     {texts::kCancelConversion},
     {},
     {"StopEncoderAndWait"},
     false,
     3},
    {"step6 exit, yes, aborts and stays",
     true,
     Page::TabSheetStep6,
     Nothing,
     Trigger::Exit,
     {true},
     Page::TabSheetStep6,
     {texts::kCancelDownloading},
     {},
     {"AbortTransfers"}},
    {"step6 next is inert", true, Page::TabSheetStep6, Nothing, Trigger::Next, {}, Page::TabSheetStep6},

    // Convert-only edition: the start page is Step1.
    {"convert-only: step1 back is inert",
     false,
     Page::TabSheetStep1,
     WithInputs,
     Trigger::Back,
     {},
     Page::TabSheetStep1,
     {},
     {},
     {},
     false,
     3},
    {"convert-only: step2 exit, yes",
     false,
     Page::TabSheetStep2,
     WithInputs,
     Trigger::Exit,
     {true},
     Page::TabSheetStep1,
     {kCancel}},
    {"convert-only: step4 finish",
     false,
     Page::TabSheetStep4,
     WithInputs,
     Trigger::Next,
     {},
     Page::TabSheetStep1},
};

TEST(NavigatorTest, TransitionTable) {
    for (const auto& row : kTransitions) {
        SCOPED_TRACE(row.name);
        Wizard w(row.download);
        w.view.page = row.from;
        w.nav.RefreshPage();
        row.setup(w);
        w.view.answers = row.answers;

        Fire(w, row.trigger);

        EXPECT_EQ(w.view.page, row.to);
        EXPECT_EQ(w.view.questions, row.questions);
        EXPECT_EQ(w.view.notices, row.notices);
        EXPECT_EQ(w.handOver.calls, row.calls);
        EXPECT_EQ(w.view.closed, row.closed);
        EXPECT_EQ(w.view.inputRows, row.inputRows);
        EXPECT_EQ(w.view.urlRows, row.urlRows);
        // Whatever page the wizard ends on, its texts are the ones shown.
        EXPECT_EQ(w.view.shown.title, PageTextsFor(w.view.page, {kTitle, row.download, false}).title);
    }
}

TEST(NavigatorTest, StartPageFollowsTheEdition) {
    for (bool download : {true, false}) {
        Wizard w(download);
        w.view.page = Page::TabSheetStep4;
        w.nav.GoToStartPage();
        EXPECT_EQ(w.view.page, download ? Page::TabSheetMode : Page::TabSheetStep1);
        EXPECT_EQ(w.view.shown, PageTextsFor(w.view.page, {kTitle, download, false}));
    }
}

TEST(NavigatorTest, ConversionStartsOnlyWhenTheOutputFolderIsReady) {
    Wizard w(true);
    w.view.page = Page::TabSheetStep2;
    w.view.inputRows = 1;
    w.globals.PlayASoundWhenFinished = true;
    w.globals.ShutDownWhenFinished = false;
    w.view.shutdownChecked = true;
    w.handOver.outputDirEdit = w.tmp.path() + QStringLiteral("/new/nested/folder/");

    w.nav.ActionNextExecute();

    EXPECT_TRUE(QDir(w.handOver.outputDirEdit).exists()) << "missing parents are created";
    EXPECT_EQ(w.view.page, Page::TabSheetStep3);
    EXPECT_EQ(w.view.pendingEventsProcessed, 1);
    EXPECT_TRUE(w.view.playASoundChecked);
    EXPECT_FALSE(w.view.shutdownChecked);
    EXPECT_EQ(w.handOver.calls.back(), "PostConvertStart");
}

TEST(NavigatorTest, UnusableOutputFolderKeepsThePageAndTheNewText) {
    QTemporaryDir tmp;
    QFile blocker(tmp.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString cases[] = {
        QString(),                                    // emptied field: never the root folder
        QStringLiteral("   "),                        // blanks only
        QStringLiteral("relative/folder/"),           // would land in whatever folder the program runs in
        tmp.path() + QStringLiteral("/file/"),        // a file is in the way
        tmp.path() + QStringLiteral("/file/below/"),  // ... of a missing parent
    };
    for (const QString& folder : cases) {
        SCOPED_TRACE(folder.toStdString());
        Wizard w(true);
        w.view.page = Page::TabSheetStep2;
        w.view.inputRows = 1;
        w.handOver.outputDirEdit = folder;
        w.nav.ActionNextExecute();
        EXPECT_EQ(w.view.page, Page::TabSheetStep2);
        EXPECT_EQ(w.view.notices, QStringList{texts::kFolderFailed});
        EXPECT_EQ(w.globals.OutputFileDir, folder);
        EXPECT_EQ(w.handOver.calls, Calls{"StoreOutputChoice"});

        // The same rule on the download page.
        w.view.page = Page::TabSheetStep5;
        w.view.urlRows = 1;
        w.view.urlOutputText = folder;
        w.view.notices.clear();
        w.nav.ActionNextExecute();
        EXPECT_EQ(w.view.page, Page::TabSheetStep5);
        EXPECT_EQ(w.view.notices, QStringList{texts::kFolderFailed});
    }
    EXPECT_TRUE(QFileInfo(tmp.path() + QStringLiteral("/file")).isFile()) << "nothing was written";
}

TEST(NavigatorTest, Step5SettingsRoundTrip) {
    Wizard w(true);
    w.globals.OutputURLDir = QStringLiteral("/home/u/Videos/");
    w.globals.PreferYouTubeQuality = false;
    w.view.qualityConfigEnabled = true;
    w.nav.ActionNextExecute();  // mode page, download selected
    EXPECT_EQ(w.view.page, Page::TabSheetStep5);
    EXPECT_EQ(w.view.urlOutputText, QStringLiteral("/home/u/Videos/"));
    EXPECT_FALSE(w.view.qualityChecked);
    EXPECT_FALSE(w.view.qualityConfigEnabled);
    EXPECT_EQ(w.view.qualityText, QStringLiteral("no preference"));  // the summary of the stored preference

    w.view.urlOutputText = QStringLiteral("/media/usb");
    w.view.qualityChecked = true;
    w.nav.StoreStep5Settings();
    EXPECT_EQ(w.globals.OutputURLDir, QStringLiteral("/media/usb/"));
    EXPECT_TRUE(w.globals.PreferYouTubeQuality);
}

TEST(NavigatorTest, DownloadStartEmptiesTheDownloadedFiles) {
    Wizard w(true);
    w.view.page = Page::TabSheetStep5;
    w.view.urlRows = 1;
    w.globals.DownloadedFiles = QStringList{"/old/run.mp4"};
    w.nav.ActionNextExecute();
    EXPECT_TRUE(w.globals.DownloadedFiles.isEmpty());
    EXPECT_TRUE(QDir(w.globals.OutputURLDir).exists());
}

TEST(NavigatorTest, ConvertDownloadedHandsTheFilesToTheInputList) {
    Wizard w(true);
    w.view.page = Page::TabSheetStep7;
    w.globals.DownloadedFiles = QStringList{"/d/a.mp4", "/d/b.flv"};
    w.nav.ButtonConvertDownloadedClick();
    EXPECT_EQ(w.handOver.addedFiles, w.globals.DownloadedFiles);
    EXPECT_EQ(w.view.shown, PageTextsFor(Page::TabSheetStep1, {kTitle, true, false}));
}

TEST(NavigatorTest, FinishEmptiesBothListsOfItsPath) {
    Wizard w(true);
    w.view.page = Page::TabSheetStep4;
    w.view.inputRows = 2;
    w.view.convertingRows = 2;
    w.nav.ActionNextExecute();
    EXPECT_EQ(w.view.inputRows, 0);
    EXPECT_EQ(w.view.convertingRows, 0);

    w.view.page = Page::TabSheetStep7;
    w.view.urlRows = 2;
    w.view.urlDownloadRows = 2;
    w.nav.ActionNextExecute();
    EXPECT_EQ(w.view.urlRows, 0);
    EXPECT_EQ(w.view.urlDownloadRows, 0);
}

TEST(NavigatorTest, ConversionSummaryShowsTotalsAndErrors) {
    Wizard w(true);
    w.view.page = Page::TabSheetStep3;
    w.globals.ConvertTotal = 5;
    w.globals.ConvertSucceeded = 3;
    w.globals.ConvertErrors = QStringList{"a.avi: broken", "b.avi: broken"};
    w.nav.ShowConversionSummary();
    EXPECT_EQ(w.view.conversionTotals, (std::vector<int>{5, 3, 2}));
    EXPECT_TRUE(w.view.errorLogVisible);
    EXPECT_EQ(w.view.errorLog, w.globals.ConvertErrors);

    w.globals.ConvertErrors.clear();
    w.nav.ShowConversionSummary();
    EXPECT_FALSE(w.view.errorLogVisible);
}

TEST(NavigatorTest, DownloadSummaryResetsTheRunAndShowsTotals) {
    Wizard w(true);
    w.view.page = Page::TabSheetStep6;
    w.view.urlRows = 3;
    w.view.urlDownloadRows = 3;
    w.globals.DownloadCount = 3;
    w.globals.DownloadSucceeded = 1;
    w.globals.StreamDefault = QStringLiteral("http://x/default");
    w.globals.StreamSlots[4] = QStringLiteral("http://x/4");
    w.nav.ShowDownloadSummary();
    EXPECT_EQ(w.view.page, Page::TabSheetStep7);
    EXPECT_EQ(w.view.urlRows, 0);
    EXPECT_EQ(w.view.urlDownloadRows, 0);
    EXPECT_TRUE(w.view.downloadStatusReset);
    EXPECT_TRUE(w.globals.StreamDefault.isEmpty());
    EXPECT_TRUE(w.globals.StreamSlots[4].isEmpty());
    EXPECT_EQ(w.view.downloadTotals, (std::vector<int>{3, 1, 2}));
}

TEST(NavigatorTest, SelectDirStoresTheChosenFolderWithDelimiter) {
    Wizard w(true);
    w.globals.OutputFileDir = QStringLiteral("/start/");
    w.view.browseResult = QStringLiteral("/chosen/folder");
    w.nav.ButtonSelectDirClick();
    EXPECT_EQ(w.view.browsePrompt, QString::fromUtf8(texts::kSelectFolder));
    EXPECT_EQ(w.view.browseStart, QStringLiteral("/start/"));
    EXPECT_EQ(w.view.outputDirText, QStringLiteral("/chosen/folder/"));
    EXPECT_EQ(w.globals.OutputFileDir, QStringLiteral("/chosen/folder/"));

    w.view.browseResult.reset();  // cancelled
    w.nav.ButtonSelectDirClick();
    EXPECT_EQ(w.globals.OutputFileDir, QStringLiteral("/chosen/folder/"));
}

TEST(NavigatorTest, CloseStopsEverythingWithoutAQuestion) {
    for (Page page : {Page::TabSheetMode, Page::TabSheetStep3, Page::TabSheetStep6}) {
        Wizard w(true);
        w.view.page = page;
        EXPECT_TRUE(w.nav.FormCloseQuery());
        w.nav.FormClose();
        EXPECT_TRUE(w.view.questions.isEmpty());
        EXPECT_EQ(w.handOver.calls, (Calls{"DetachEncoderEvents", "StopEncoderAndWait", "AbortTransfers",
                                           "LeaveClipboardChain", "SaveSettingsAndPlacements"}));
        EXPECT_TRUE(w.view.errors.isEmpty());
    }
}

TEST(NavigatorTest, FailedSaveAtCloseIsShown) {
    Wizard w(true);
    w.handOver.saveError = QStringLiteral("Cannot write settings");
    EXPECT_TRUE(w.nav.FormCloseQuery());
    w.nav.FormClose();
    EXPECT_EQ(w.view.errors, QStringList{"Cannot write settings"});
}

TEST(NavigatorTest, RunCheckBoxesStoreAtOnce) {
    Wizard w(true);
    w.nav.CheckBoxPlayASoundClick(true);
    w.nav.CheckBoxShutdownClick(true);
    EXPECT_TRUE(w.globals.PlayASoundWhenFinished);
    EXPECT_TRUE(w.globals.ShutDownWhenFinished);
    w.nav.CheckBoxShutdownClick(false);
    EXPECT_FALSE(w.globals.ShutDownWhenFinished);
}

TEST(NavigatorTest, OpenFolderOpensTheOutputFolder) {
    Wizard w(true);
    w.nav.LabelOpenFolderClick();
    EXPECT_EQ(w.view.opened, QStringList{w.globals.OutputFileDir});
}

}  // namespace
}  // namespace wizard
