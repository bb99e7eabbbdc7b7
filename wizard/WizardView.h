#pragma once
// The narrow interface between the page logic and the main window: what a page shows, what its controls
// read, and the window's own parts of the hand-overs (the input list, the output choice, the clipboard watch,
// the saved placements). ui/ implements it with the real widgets; tests implement it with a recording fake.

#include <QString>
#include <QStringList>
#include <optional>

#include "wizard/Page.h"
#include "wizard/PageTable.h"

namespace wizard {

class WizardView {
public:
    virtual ~WizardView() = default;

    // PageControlMain. Changing the page also runs the page control's change event (RefreshPage).
    virtual Page ActivePage() const = 0;
    virtual void SetActivePage(Page page) = 0;

    // LabelTitle and the captions and enabled states of ActionBack, ActionNext and ActionExit.
    virtual void ShowPageTexts(const PageTexts& texts) = 0;

    // Message boxes with the application title as caption.
    virtual bool Confirm(const QString& question) = 0;  // Yes/No, question icon; true on Yes
    virtual void Notice(const QString& text) = 0;       // OK, information icon

    // Mode page.
    virtual bool DownloadVideoSelected() const = 0;  // RadioButtonDownloadVideo
    virtual bool ConvertVideoSelected() const = 0;   // RadioButtonConvertVideo

    // The lists of both paths (filled by the input list, the conversion run, the link list and the download
    // run).
    virtual int InputRowCount() const = 0;  // NextGrid
    virtual void ClearInputList() = 0;
    virtual void ClearConvertingList() = 0;  // ListViewConverting
    virtual int URLRowCount() const = 0;     // ListViewInputURL
    virtual void ClearURLList() = 0;
    virtual void ClearURLDownloadList() = 0;  // ListViewURLDownload

    // Step2.
    virtual QString OutputDirText() const = 0;  // EditOutputDir
    virtual void SetOutputDirText(const QString& text) = 0;
    // The folder browser owned by the main window; the chosen folder, or nothing when cancelled.
    virtual std::optional<QString> BrowseForFolder(const QString& prompt, const QString& start) = 0;

    // Step3.
    virtual void SetPlayASoundChecked(bool checked) = 0;  // CheckBoxPlayASound
    virtual void SetShutdownChecked(bool checked) = 0;    // CheckBoxShutdown

    // Step4: MemoErrorLog (hidden when there are no lines) and the three totals.
    virtual void ShowErrorLog(const QStringList& lines) = 0;
    virtual void SetConversionTotals(int total, int succeeded, int failed) = 0;

    // Step5.
    virtual QString URLOutputText() const = 0;  // EditURLOutput
    virtual void SetURLOutputText(const QString& text) = 0;
    virtual bool YouTubeQualityChecked() const = 0;  // CheckBoxYouTubeQuality
    virtual void SetYouTubeQualityChecked(bool checked) = 0;
    virtual void SetYouTubeQualityConfigEnabled(bool enabled) = 0;  // ButtonYouTubeQualityConfig
    virtual void SetYouTubeQualityText(const QString& text) = 0;    // LabelYouTubeQuality

    // Step6 status group back to "...", "0%" and an empty bar; Step7 totals.
    virtual void ResetDownloadStatus() = 0;
    virtual void SetDownloadTotals(int total, int succeeded, int failed) = 0;

    // Lets pending window events run before the conversion page is built up.
    virtual void ProcessPendingEvents() = 0;
    // Closes the main window (runs the close query and the close).
    virtual void CloseWindow() = 0;
    // Opens a folder in the desktop shell.
    virtual void OpenInShell(const QString& target) = 0;
    // Shows an error message (used when saving at close fails).
    virtual void ShowError(const QString& text) = 0;

    // Probes the files and adds them to the input list.
    virtual void AddInputFiles(const QStringList& files) = 0;
    // Step2's output choice: fill the page from the global record, and copy it back.
    virtual void ShowOutputChoice() = 0;
    virtual void StoreOutputChoice() = 0;
    // Stops watching the clipboard.
    virtual void LeaveClipboardChain() = 0;
    // Saves the settings and both window placements; returns an error text, empty on success.
    virtual QString SaveSettingsAndPlacements() = 0;
};

}  // namespace wizard
