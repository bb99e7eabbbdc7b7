#pragma once
// The wizard's page logic: RefreshPage, the Next, Back and Exit transitions with their checks, notices and
// confirmations, the Step5 settings, both summary pages and the close path. The window is reached only
// through WizardView; the conversion and download runs only through their halves of the hand-over.

#include <QString>

#include "app/Globals.h"
#include "wizard/Page.h"
#include "wizard/WizardHandOver.h"
#include "wizard/WizardView.h"

namespace wizard {

// Texts the wizard shows in its message boxes.
namespace texts {
inline constexpr const char* kAddFiles = "Please add the video files you want to convert";
inline constexpr const char* kFolderFailed =
    "Fail to create directory! Please check if output folder have the right format!";
inline constexpr const char* kPasteLinks =
    "Please Copy & Paste the YouTube video links you want to download.";
inline constexpr const char* kNoDownloads = "No file downloaded! Please try again.";
inline constexpr const char* kCancelAndGoBack = "Are you sure to cancel and go back?";
inline constexpr const char* kCancel = "Are you sure to cancel?";
inline constexpr const char* kQuit = "Are you sure to quit now?";
inline constexpr const char* kCancelConversion = "Do you really want to cancel the conversion?";
inline constexpr const char* kCancelDownloading = "Do you really want to cancel the downloading?";
inline constexpr const char* kSelectFolder = "Please select a folder";
}  // namespace texts

class Navigator {
public:
    // title: the application title (fills the welcome line).
    Navigator(app::TGlobalVars& globals, QString title, WizardView& view, ConversionHandOver& conversion,
              DownloadHandOver& download);

    void RefreshPage();
    void GoToStartPage();

    void ActionNextExecute();
    void ActionBackExecute();
    void ActionExitExecute();  // also Alt+F4

    void ButtonSelectDirClick();
    void ShowStep5Settings();
    void StoreStep5Settings();
    void CheckBoxPlayASoundClick(bool checked);
    void CheckBoxShutdownClick(bool checked);

    void ShowConversionSummary();
    void LabelOpenFolderClick();
    void ShowDownloadSummary();
    void ButtonConvertDownloadedClick();

    // Any close: detaches and stops the runs; the close is always allowed.
    bool FormCloseQuery();
    // Saves settings and placements; an error is shown and the close goes on.
    void FormClose();

    Page StartPage() const;

private:
    void NextFromMode();
    void NextFromStep1();
    void NextFromStep2();
    void NextFromStep5();
    void FinishConversion();
    void FinishDownload();
    void BackToStartEmptyingInputs();
    void BackToStartEmptyingLinks();
    void Show(Page page);

    app::TGlobalVars& globals_;
    QString title_;
    WizardView& view_;
    ConversionHandOver& conversion_;
    DownloadHandOver& download_;
};

}  // namespace wizard
