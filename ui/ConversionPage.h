#pragma once
// TConversionPage: the Step3 and Step4 side of the conversion run. It shows what the run (owned beside the
// window) reports in the page controls, answers its questions from the input grid, and hosts the run's
// preview window.

#include <QObject>
#include <QPointer>
#include <functional>

#include "engine/Previewer.h"
#include "wizard/ConversionRun.h"

namespace ui {

class TFormMain;
class TPreviewWindow;
class TWizardPages;

class TConversionPage : public QObject, public wizard::ConversionRunView, public engine::TPreviewHost {
    Q_OBJECT
public:
    TConversionPage(TFormMain& form, TWizardPages& pages);
    ~TConversionPage() override;

    // The run whose pictures the preview shows (which task's, and whether the box is still on).
    void SetRun(const wizard::ConversionRun* run) { run_ = run; }
    // Where the end of the run goes once the preview has closed (the main window sets it).
    std::function<void()> OnRunEnded;

    // Seams for window tests (defaults: the countdown dialog, libcanberra, logind).
    std::function<bool()> AskCountdown;
    std::function<void(const QString&)> Play;
    std::function<void(int)> Shutdown;

    // ---- ConversionRunView ----
    std::vector<wizard::InputRecord> InputRecords() const override;
    void ShowProgressRows(const std::vector<wizard::ProgressRow>& rows, bool merge) override;
    void UpdateProgressRow(int row, const wizard::ProgressRow& values) override;
    void ShowRunStatus(const wizard::RunStatus& status) override;
    void AppendLog(const QString& line) override;
    void ProcessPendingEvents() override;
    void PlaySound(const QString& path) override;
    bool RunShutdownCountdown() override;
    void ShutdownSystem(int kind) override;
    void ShowConversionSummary() override;

    // ---- TPreviewHost ----
    void ShowPreview(const void* key, const engine::TBitmap& picture, const std::string& title) override;
    void ClosePreview(const void* key) override;

private:
    bool ShowCountdownDialog();

    TFormMain& form_;
    TWizardPages& pages_;
    QPointer<TPreviewWindow> preview_;  // a child of the main window
    const wizard::ConversionRun* run_ = nullptr;
};

}  // namespace ui
