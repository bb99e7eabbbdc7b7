#pragma once
// The download half of the main window: the link list's actions and the quality group on Step5, and the
// download page (Step6) that shows what the download run (download::DownloadRun, owned beside the window)
// reports. The rules and the run itself live in download/.

#include <QObject>
#include <QString>
#include <functional>

#include "download/DownloadRun.h"
#include "download/Quality.h"

class QWidget;

namespace ui {

class TWizardPages;

class TDownloadPage : public QObject, public download::DownloadView {
    Q_OBJECT
public:
    // owner: the main window (message boxes, folder browser and the quality dialog sit over it).
    TDownloadPage(TWizardPages& pages, QWidget* owner, app::TGlobalVars& globals);
    ~TDownloadPage() override;

    // Where the page's log lines and the end of the run go (the main window sets them).
    std::function<void(const QString&)> OnLogLine;
    std::function<void()> OnRunEnded;
    // Seams for window tests: the refusal box of a pasted line (true on OK), the quality dialog (true on OK,
    // with the new order) and the folder browser (the chosen folder, or false).
    std::function<bool(const QString&)> AskOkCancel;
    std::function<bool(download::QualityOrder&)> EditQualityOrder;
    std::function<bool(QString&)> ChooseFolder;
    // The clipboard's text (read by Paste).
    std::function<QString()> ClipboardText;

    void ActionURLPasteExecute();
    void ActionURLRemoveExecute();
    void ActionURLEmptyExecute();
    void ActionURLSelectExecute();
    void ListViewInputURLDblClick();
    void ButtonYouTubeQualityConfigClick();
    // LabelYouTubeQuality from the box and the stored order.
    QString QualitySummaryText() const;

    // ---- DownloadView ----
    QStringList Links() const override;
    void ClearDownloadRows() override;
    void AddDownloadRow(const QStringList& columns) override;
    void InsertDownloadRow(int row, const QStringList& columns) override;
    int DownloadRowCount() const override;
    QString DownloadRowText(int row, download::DownloadColumn column) const override;
    void SetDownloadRowText(int row, download::DownloadColumn column, const QString& text) override;
    void SetDownloadLabel(download::DownloadLabel label, const QString& text) override;
    void SetDownloadProgress(int percent) override;
    void LogDownloadLine(const QString& line) override;
    void DownloadRunEnded() override;

private:
    TWizardPages& pages_;
    QWidget* owner_;
    app::TGlobalVars& globals_;
};

}  // namespace ui
