#pragma once
// TConversionPage: the Step3 and Step4 side of the conversion run. It owns the run controller, shows what
// the run reports in the page controls, answers its questions from the input grid, and hosts the run's
// preview window.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "engine/Previewer.h"
#include "wizard/ConversionRun.h"

namespace wizard {
class Navigator;
}

namespace ui {

class TFormMain;
class TPreviewWindow;
class TWizardPages;

class TConversionPage : public QObject, public wizard::ConversionRunView, public engine::TPreviewHost {
    Q_OBJECT
public:
    TConversionPage(TFormMain& form, TWizardPages& pages, wizard::Navigator& navigator);
    ~TConversionPage() override;

    wizard::ConversionRun& Run() { return *run_; }

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
    wizard::Navigator& navigator_;
    QPointer<TPreviewWindow> preview_;            // a child of the main window
    std::unique_ptr<wizard::ConversionRun> run_;  // last: its encoder stops before the page goes
};

}  // namespace ui
