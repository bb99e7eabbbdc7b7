#pragma once
// A recording stand-in for the main window and the run hand-overs, so the page logic runs without a window.
// The window's own hand-overs (input list, output choice, clipboard, saving) are recorded with the runs'
// halves in one call order.

#include <QStringList>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "wizard/WizardHandOver.h"
#include "wizard/WizardView.h"

namespace wizard::testing {

class FakeHandOver;

class FakeView : public WizardView {
public:
    FakeHandOver* handOver = nullptr;  // where the window's hand-overs are recorded

    Page page = Page::TabSheetMode;
    PageTexts shown;
    int refreshCount = 0;

    std::deque<bool> answers;  // answers to the next questions; an unexpected question counts as No
    QStringList questions;
    QStringList notices;
    QStringList errors;

    bool downloadSelected = true;
    bool convertSelected = false;
    int inputRows = 0;
    int convertingRows = 0;
    int urlRows = 0;
    int urlDownloadRows = 0;

    QString outputDirText;
    std::optional<QString> browseResult;
    QString browsePrompt, browseStart;

    bool playASoundChecked = false;
    bool shutdownChecked = false;

    QStringList errorLog;
    bool errorLogVisible = false;
    std::vector<int> conversionTotals;

    QString urlOutputText;
    bool qualityChecked = false;
    bool qualityConfigEnabled = false;
    QString qualityText;
    bool downloadStatusReset = false;
    std::vector<int> downloadTotals;

    int pendingEventsProcessed = 0;
    bool closed = false;
    QStringList opened;

    Page ActivePage() const override { return page; }
    void SetActivePage(Page p) override { page = p; }
    void ShowPageTexts(const PageTexts& texts) override {
        shown = texts;
        ++refreshCount;
    }
    bool Confirm(const QString& question) override {
        questions << question;
        if (answers.empty()) return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void Notice(const QString& text) override { notices << text; }
    bool DownloadVideoSelected() const override { return downloadSelected; }
    bool ConvertVideoSelected() const override { return convertSelected; }
    int InputRowCount() const override { return inputRows; }
    void ClearInputList() override { inputRows = 0; }
    void ClearConvertingList() override { convertingRows = 0; }
    int URLRowCount() const override { return urlRows; }
    void ClearURLList() override { urlRows = 0; }
    void ClearURLDownloadList() override { urlDownloadRows = 0; }
    QString OutputDirText() const override { return outputDirText; }
    void SetOutputDirText(const QString& text) override { outputDirText = text; }
    std::optional<QString> BrowseForFolder(const QString& prompt, const QString& start) override {
        browsePrompt = prompt;
        browseStart = start;
        return browseResult;
    }
    void SetPlayASoundChecked(bool checked) override { playASoundChecked = checked; }
    void SetShutdownChecked(bool checked) override { shutdownChecked = checked; }
    void ShowErrorLog(const QStringList& lines) override {
        errorLog = lines;
        errorLogVisible = !lines.isEmpty();
    }
    void SetConversionTotals(int total, int succeeded, int failed) override {
        conversionTotals = {total, succeeded, failed};
    }
    QString URLOutputText() const override { return urlOutputText; }
    void SetURLOutputText(const QString& text) override { urlOutputText = text; }
    bool YouTubeQualityChecked() const override { return qualityChecked; }
    void SetYouTubeQualityChecked(bool checked) override { qualityChecked = checked; }
    void SetYouTubeQualityConfigEnabled(bool enabled) override { qualityConfigEnabled = enabled; }
    void SetYouTubeQualityText(const QString& text) override { qualityText = text; }
    void ResetDownloadStatus() override { downloadStatusReset = true; }
    void SetDownloadTotals(int total, int succeeded, int failed) override {
        downloadTotals = {total, succeeded, failed};
    }
    void ProcessPendingEvents() override { ++pendingEventsProcessed; }
    void CloseWindow() override { closed = true; }
    void OpenInShell(const QString& target) override { opened << target; }
    void ShowError(const QString& text) override { errors << text; }
    void AddInputFiles(const QStringList& files) override;
    void ShowOutputChoice() override;
    void StoreOutputChoice() override;
    void LeaveClipboardChain() override;
    QString SaveSettingsAndPlacements() override;
};

// Records the hand-overs in call order.
class FakeHandOver : public ConversionHandOver, public DownloadHandOver {
public:
    std::vector<std::string> calls;
    QStringList addedFiles;
    QString outputDirEdit;  // what StoreOutputChoice copies into OutputFileDir
    QString* outputFileDir = nullptr;
    QString saveError;

    void PostConvertStart() override { calls.push_back("PostConvertStart"); }
    void StartDownloadRun() override { calls.push_back("StartDownloadRun"); }
    QString QualitySummaryText(bool preferQuality) const override {
        return preferQuality ? QStringLiteral("quality summary") : QStringLiteral("no preference");
    }
    void StopEncoderAndWait() override { calls.push_back("StopEncoderAndWait"); }
    void AbortTransfers() override { calls.push_back("AbortTransfers"); }
    void DetachEncoderEvents() override { calls.push_back("DetachEncoderEvents"); }

    // The window's part, through FakeView.
    void AddInputFiles(const QStringList& files) {
        calls.push_back("AddInputFiles");
        addedFiles = files;
    }
    void ShowOutputChoice() { calls.push_back("ShowOutputChoice"); }
    void StoreOutputChoice() {
        calls.push_back("StoreOutputChoice");
        if (outputFileDir) *outputFileDir = outputDirEdit;
    }
    void LeaveClipboardChain() { calls.push_back("LeaveClipboardChain"); }
    QString SaveSettingsAndPlacements() {
        calls.push_back("SaveSettingsAndPlacements");
        return saveError;
    }
};

inline void FakeView::AddInputFiles(const QStringList& files) {
    if (handOver) handOver->AddInputFiles(files);
}
inline void FakeView::ShowOutputChoice() {
    if (handOver) handOver->ShowOutputChoice();
}
inline void FakeView::StoreOutputChoice() {
    if (handOver) handOver->StoreOutputChoice();
}
inline void FakeView::LeaveClipboardChain() {
    if (handOver) handOver->LeaveClipboardChain();
}
inline QString FakeView::SaveSettingsAndPlacements() {
    return handOver ? handOver->SaveSettingsAndPlacements() : QString();
}

}  // namespace wizard::testing
