#pragma once
// The wizard inside the main window: builds the page controls on TFormMain's pages, drives the page logic
// (wizard::Navigator) with the window's buttons, and answers the logic's questions from the real widgets
// (WizardView). Beside the pages it holds the two run controllers, which implement their halves of the
// hand-over themselves: the conversion run (wizard/) and the download run (download/). The pages only show
// what the runs report; the input list is Step1's own.

#include <QObject>
#include <functional>
#include <memory>

#include "download/DownloadRun.h"
#include "engine/Bitmap.h"
#include "engine/FFDecode.h"
#include "wizard/ConversionRun.h"
#include "wizard/InputFiles.h"
#include "wizard/InputList.h"
#include "wizard/Navigator.h"
#include "wizard/OutputChoicePage.h"
#include "wizard/WizardHandOver.h"
#include "wizard/WizardView.h"

namespace ui {

class TConversionPage;
class TFormMain;
class TWizardPages;
class TDownloadPage;

class TMainWizard : public QObject, public wizard::WizardView {
    Q_OBJECT
public:
    explicit TMainWizard(TFormMain& form);
    ~TMainWizard() override;

    wizard::Navigator& Navigator() { return *navigator_; }
    // The window is being torn down: the page controls stop reporting to the wizard.
    void Detach();
    TWizardPages& Pages() { return *pages_; }
    TDownloadPage& Download() { return *download_; }
    TConversionPage& Conversion() { return *conversion_; }
    // The runs, owned here beside the pages.
    wizard::ConversionRun& ConversionRun() { return *conversionRun_; }
    download::DownloadRun& DownloadRun() { return *downloadRun_; }

    // Seams for window tests: how confirmations and notices are answered (default: message boxes), and
    // which files the open dialog returns (default: the dialog, starting in folder with name filled in).
    std::function<bool(const QString&)> AskYesNo;
    std::function<void(const QString&)> ShowNoticeBox;
    std::function<QStringList(const QString& folder, const QString& name)> AskFilesToOpen;
    // Default: the desktop opens it; false when the desktop has no way to open anything.
    std::function<bool(const QString&)> ShellOpen;

    // Step1's list: what the grid shows and the job builder reads.
    wizard::InputListModel& InputList();
    // The probe that adding files uses.
    engine::TFFDecoder& ProbeDecoder() { return probeDecoder_; }
    // Files given when the program was started: Step1 is shown and they are added.
    void OpenWithFiles(const QStringList& files);
    // Step2's class and format buttons and preset lists.
    const wizard::OutputChoicePage& Choice() const { return choice_; }

    // ---- WizardView ----
    wizard::Page ActivePage() const override;
    void SetActivePage(wizard::Page page) override;
    void ShowPageTexts(const wizard::PageTexts& texts) override;
    bool Confirm(const QString& question) override;
    void Notice(const QString& text) override;
    bool DownloadVideoSelected() const override;
    bool ConvertVideoSelected() const override;
    int InputRowCount() const override;
    void ClearInputList() override;
    void ClearConvertingList() override;
    int URLRowCount() const override;
    void ClearURLList() override;
    void ClearURLDownloadList() override;
    QString OutputDirText() const override;
    void SetOutputDirText(const QString& text) override;
    std::optional<QString> BrowseForFolder(const QString& prompt, const QString& start) override;
    void SetPlayASoundChecked(bool checked) override;
    void SetShutdownChecked(bool checked) override;
    void ShowErrorLog(const QStringList& lines) override;
    void SetConversionTotals(int total, int succeeded, int failed) override;
    QString URLOutputText() const override;
    void SetURLOutputText(const QString& text) override;
    bool YouTubeQualityChecked() const override;
    void SetYouTubeQualityChecked(bool checked) override;
    void SetYouTubeQualityConfigEnabled(bool enabled) override;
    void SetYouTubeQualityText(const QString& text) override;
    void ResetDownloadStatus() override;
    void SetDownloadTotals(int total, int succeeded, int failed) override;
    void ProcessPendingEvents() override;
    void CloseWindow() override;
    void OpenInShell(const QString& target) override;
    void ShowError(const QString& text) override;
    void AddInputFiles(const QStringList& files) override;
    void ShowOutputChoice() override;
    void StoreOutputChoice() override;
    void LeaveClipboardChain() override;
    QString SaveSettingsAndPlacements() override;

private:
    void ConnectControls();
    void ActionAddExecute();
    void ActionDeleteExecute();
    void MoveSelected(int by);
    void ActionPlayExecute();
    void FilesDropped(const QStringList& files);
    void ShowFailedFiles(const QStringList& texts);
    void ConnectOutputChoice();
    // Draws the output choice: pressed buttons disabled, the chosen class's page, each chosen list in front.
    void ShowChoiceButtons();

    TFormMain& form_;
    TWizardPages* pages_ = nullptr;          // owned by the window
    TConversionPage* conversion_ = nullptr;  // owned by the window
    TDownloadPage* download_ = nullptr;      // owned by the window
    // The runs report to the pages above; the window destroys this wizard before its widgets.
    std::unique_ptr<wizard::ConversionRun> conversionRun_;
    std::unique_ptr<download::DownloadRun> downloadRun_;
    std::unique_ptr<wizard::Navigator> navigator_;
    int titlePixelSize_ = 14;  // the skin's type size of LabelTitle

    engine::TFFDecoder probeDecoder_;
    wizard::ThumbnailList thumbnails_;  // the row pictures, kept as long as the window
    engine::TBitmap audioPicture_;
    QString openDialogName_;  // left in the open dialog's name field after a single file was chosen
    wizard::OutputChoicePage choice_;
};

}  // namespace ui
