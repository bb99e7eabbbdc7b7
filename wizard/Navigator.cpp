#include "wizard/Navigator.h"

#include <utility>

#include "app/UtilFuncs.h"
#include "wizard/OutputFolder.h"
#include "wizard/PageTable.h"

namespace wizard {

namespace {
QString Text(const char* text) {
    return QString::fromUtf8(text);
}
}  // namespace

Navigator::Navigator(app::TGlobalVars& globals, QString title, WizardView& view,
                     ConversionHandOver& conversion, DownloadHandOver& download)
    : globals_(globals),
      title_(std::move(title)),
      view_(view),
      conversion_(conversion),
      download_(download) {}

Page Navigator::StartPage() const {
    return wizard::StartPage(globals_.Download);
}

void Navigator::RefreshPage() {
    view_.ShowPageTexts(PageTextsFor(view_.ActivePage(), {title_, globals_.Download, globals_.Merge}));
}

void Navigator::Show(Page page) {
    view_.SetActivePage(page);
    RefreshPage();
}

void Navigator::GoToStartPage() {
    Show(StartPage());
}

// ---- Next -------------------------------------------------------------------------------------------

void Navigator::ActionNextExecute() {
    switch (view_.ActivePage()) {
        case Page::TabSheetMode:
            return NextFromMode();
        case Page::TabSheetStep1:
            return NextFromStep1();
        case Page::TabSheetStep2:
            return NextFromStep2();
        case Page::TabSheetStep4:
            return FinishConversion();
        case Page::TabSheetStep5:
            return NextFromStep5();
        case Page::TabSheetStep7:
            return FinishDownload();
        case Page::TabSheetStep3:
        case Page::TabSheetStep6:
            return;  // Next is disabled while a run is going
    }
}

void Navigator::NextFromMode() {
    if (view_.DownloadVideoSelected()) {
        view_.SetActivePage(Page::TabSheetStep5);
        ShowStep5Settings();
        RefreshPage();
    } else if (view_.ConvertVideoSelected()) {
        Show(Page::TabSheetStep1);
    }
}

void Navigator::NextFromStep1() {
    if (view_.InputRowCount() < 1) {
        view_.Notice(Text(texts::kAddFiles));
        return;
    }
    Show(Page::TabSheetStep2);
    view_.ShowOutputChoice();
}

void Navigator::NextFromStep2() {
    view_.StoreOutputChoice();
    if (!ForceFolder(globals_.OutputFileDir)) {
        view_.Notice(Text(texts::kFolderFailed));
        return;
    }
    view_.ProcessPendingEvents();
    Show(Page::TabSheetStep3);
    view_.SetPlayASoundChecked(globals_.PlayASoundWhenFinished);
    view_.SetShutdownChecked(globals_.ShutDownWhenFinished);
    conversion_.PostConvertStart();
}

void Navigator::NextFromStep5() {
    StoreStep5Settings();
    if (view_.URLRowCount() < 1) {
        view_.Notice(Text(texts::kPasteLinks));
        return;
    }
    if (!ForceFolder(globals_.OutputURLDir)) {
        view_.Notice(Text(texts::kFolderFailed));
        return;
    }
    Show(Page::TabSheetStep6);
    globals_.DownloadedFiles.clear();
    download_.StartDownloadRun();
}

void Navigator::FinishConversion() {
    view_.ClearInputList();
    view_.ClearConvertingList();
    GoToStartPage();
    RefreshPage();
}

void Navigator::FinishDownload() {
    view_.ClearURLList();
    view_.ClearURLDownloadList();
    GoToStartPage();
    RefreshPage();
}

// ---- Back and Exit ----------------------------------------------------------------------------------

void Navigator::BackToStartEmptyingInputs() {
    view_.ClearInputList();
    GoToStartPage();
    RefreshPage();
}

void Navigator::BackToStartEmptyingLinks() {
    view_.ClearURLList();
    GoToStartPage();
    RefreshPage();
}

void Navigator::ActionBackExecute() {
    switch (view_.ActivePage()) {
        case Page::TabSheetStep1:
            // Back is disabled here in convert-only editions: there is no page before Step1.
            if (!globals_.Download) return;
            if (view_.Confirm(Text(texts::kCancelAndGoBack))) BackToStartEmptyingInputs();
            return;
        case Page::TabSheetStep2:
            Show(Page::TabSheetStep1);
            return;
        case Page::TabSheetStep5:
            if (view_.Confirm(Text(texts::kCancelAndGoBack))) BackToStartEmptyingLinks();
            return;
        default:
            return;
    }
}

void Navigator::ActionExitExecute() {
    switch (view_.ActivePage()) {
        case Page::TabSheetStep1:
            if (globals_.Download) {
                if (view_.Confirm(Text(texts::kCancel))) BackToStartEmptyingInputs();
            } else if (view_.Confirm(Text(texts::kQuit))) {
                view_.CloseWindow();
            }
            return;
        case Page::TabSheetStep2:
            if (view_.Confirm(Text(texts::kCancel))) BackToStartEmptyingInputs();
            return;
        case Page::TabSheetStep3:
            // The page stays: the end of the run leads to the summary.
            if (view_.Confirm(Text(texts::kCancelConversion))) {
                conversion_.StopEncoderAndWait();
                RefreshPage();
            }
            return;
        case Page::TabSheetStep5:
            if (view_.Confirm(Text(texts::kCancel))) BackToStartEmptyingLinks();
            return;
        case Page::TabSheetStep6:
            // The aborted transfer ends the run, which shows the summary.
            if (view_.Confirm(Text(texts::kCancelDownloading))) download_.AbortTransfers();
            return;
        case Page::TabSheetMode:
        case Page::TabSheetStep4:
        case Page::TabSheetStep7:
            if (view_.Confirm(Text(texts::kQuit))) view_.CloseWindow();
            return;
    }
}

// ---- Folders and settings of the pages --------------------------------------------------------------

void Navigator::ButtonSelectDirClick() {
    const auto folder = view_.BrowseForFolder(Text(texts::kSelectFolder), globals_.OutputFileDir);
    if (!folder || folder->isEmpty()) return;
    view_.SetOutputDirText(app::AddTrailingBackslash(*folder));
    globals_.OutputFileDir = view_.OutputDirText();
}

void Navigator::ShowStep5Settings() {
    view_.SetURLOutputText(globals_.OutputURLDir);
    view_.SetYouTubeQualityChecked(globals_.PreferYouTubeQuality);
    view_.SetYouTubeQualityConfigEnabled(globals_.PreferYouTubeQuality);
    view_.SetYouTubeQualityText(download_.QualitySummaryText(globals_.PreferYouTubeQuality));
}

void Navigator::StoreStep5Settings() {
    globals_.OutputURLDir = app::AddTrailingBackslash(view_.URLOutputText());
    globals_.PreferYouTubeQuality = view_.YouTubeQualityChecked();
}

void Navigator::CheckBoxPlayASoundClick(bool checked) {
    globals_.PlayASoundWhenFinished = checked;
}

void Navigator::CheckBoxShutdownClick(bool checked) {
    globals_.ShutDownWhenFinished = checked;
}

// ---- Summaries --------------------------------------------------------------------------------------

void Navigator::ShowConversionSummary() {
    view_.SetActivePage(Page::TabSheetStep4);
    view_.ShowErrorLog(globals_.ConvertErrors);
    RefreshPage();
    view_.SetConversionTotals(globals_.ConvertTotal, globals_.ConvertSucceeded,
                              globals_.ConvertTotal - globals_.ConvertSucceeded);
}

void Navigator::LabelOpenFolderClick() {
    view_.OpenInShell(globals_.OutputFileDir);
}

void Navigator::ShowDownloadSummary() {
    view_.ClearURLList();
    view_.ClearURLDownloadList();
    globals_.ClearStreamSlots();
    view_.ResetDownloadStatus();
    Show(Page::TabSheetStep7);
    view_.SetDownloadTotals(globals_.DownloadCount, globals_.DownloadSucceeded,
                            globals_.DownloadCount - globals_.DownloadSucceeded);
}

void Navigator::ButtonConvertDownloadedClick() {
    if (globals_.DownloadedFiles.isEmpty()) {
        view_.Notice(Text(texts::kNoDownloads));
        return;
    }
    Show(Page::TabSheetStep1);
    view_.AddInputFiles(globals_.DownloadedFiles);
}

// ---- Close ------------------------------------------------------------------------------------------

bool Navigator::FormCloseQuery() {
    conversion_.DetachEncoderEvents();
    conversion_.StopEncoderAndWait();
    download_.AbortTransfers();
    view_.LeaveClipboardChain();
    return true;
}

void Navigator::FormClose() {
    const QString error = view_.SaveSettingsAndPlacements();
    if (!error.isEmpty()) view_.ShowError(error);
}

}  // namespace wizard
