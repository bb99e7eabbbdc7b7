#include "ui/ConversionPage.h"

#include <algorithm>

#include <QCheckBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QTreeWidget>

#include "app/FileNameBytes.h"
#include "app/SystemPower.h"
#include "app/UtilFuncs.h"
#include "app/WavePlayer.h"
#include "ui/FormMain.h"
#include "ui/FormShutdown.h"
#include "ui/PreviewWindow.h"
#include "ui/WizardPages.h"
#include "wizard/InputList.h"

namespace ui {

TConversionPage::TConversionPage(TFormMain& form, TWizardPages& pages)
    : QObject(&form), form_(form), pages_(pages) {
    AskCountdown = [this] { return ShowCountdownDialog(); };
    Play = [](const QString& path) { app::PlayWaveFile(path); };
    Shutdown = [](int kind) { app::ShutdownSystem(kind); };
    // One picture window for the whole run; closing it is the same as clearing the box.
    preview_ = new TPreviewWindow(&form_);
    preview_->OnClosedByUser = [this] { pages_.CheckBoxPreview->setChecked(false); };
}

TConversionPage::~TConversionPage() {
    if (preview_) preview_->OnClosedByUser = nullptr;
}

std::vector<wizard::InputRecord> TConversionPage::InputRecords() const {
    std::vector<wizard::InputRecord> records;
    for (const wizard::InputItem& item : pages_.InputList->Items())
        records.push_back({item.FileFullName, item.RealDuration, item.Width, item.Height, item.AspectRatio});
    return records;
}

void TConversionPage::ShowProgressRows(const std::vector<wizard::ProgressRow>& rows, bool merge) {
    QTreeWidget* list = pages_.ListViewConverting;
    list->clear();
    QTreeWidgetItem* header = list->headerItem();
    header->setText(2, merge ? QStringLiteral("Width x Height") : QStringLiteral("Status"));
    header->setText(3, merge ? QStringLiteral("Aspect Ratio") : QStringLiteral("Progress"));
    // The merge captions are longer: their columns widen to show them, the name column gives the room.
    for (int column : {2, 3}) {
        const int needed = list->header()->fontMetrics().horizontalAdvance(header->text(column)) + 14;
        const int extra = needed - list->columnWidth(column);
        if (extra <= 0) continue;
        list->setColumnWidth(column, needed);
        list->setColumnWidth(0, std::max(100, list->columnWidth(0) - extra));
    }
    pages_.LabelCurrentFileTitle->setText(merge ? QStringLiteral("Output file:")
                                                : QStringLiteral("Current file:"));
    for (const wizard::ProgressRow& r : rows)
        new QTreeWidgetItem(list, {r.Name, r.Duration, r.Status, r.Progress, r.Path});
}

void TConversionPage::UpdateProgressRow(int row, const wizard::ProgressRow& values) {
    QTreeWidgetItem* item = pages_.ListViewConverting->topLevelItem(row);
    if (!item) return;
    item->setText(2, values.Status);
    item->setText(3, values.Progress);
    // A file kept with a warning says so on its row: the status keeps its word, the mark and tip tell why.
    item->setIcon(2, values.Warning.isEmpty()
                         ? QIcon()
                         : item->treeWidget()->style()->standardIcon(QStyle::SP_MessageBoxWarning));
    item->setToolTip(2, app::FileNameForDisplay(values.Warning));
}

void TConversionPage::ShowRunStatus(const wizard::RunStatus& s) {
    pages_.LabelCurrentFile->setText(s.CurrentFile);
    pages_.LabelEstimated->setText(s.Estimated);
    pages_.LabelElapsed->setText(s.Elapsed);
    pages_.LabelTimeLeft->setText(s.TimeLeft);
    pages_.LabelProgress->setText(s.Progress);
    pages_.ProgressBar->setValue(s.Bar);
}

void TConversionPage::AppendLog(const QString& line) {
    form_.LogLine(line);
}

void TConversionPage::ProcessPendingEvents() {
    // Painting runs, clicks wait: a second click on Convert cannot start a second run.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TConversionPage::PlaySound(const QString& path) {
    Play(path);
}

bool TConversionPage::RunShutdownCountdown() {
    return AskCountdown();
}

bool TConversionPage::ShowCountdownDialog() {
    TFormShutdown dialog(form_.Title(), &form_);
    dialog.adjustSize();
    // Centred over the main window.
    dialog.move(form_.x() + (form_.width() - dialog.width()) / 2,
                form_.y() + (form_.height() - dialog.height()) / 2);
    return dialog.exec() == QDialog::Accepted;
}

void TConversionPage::ShutdownSystem(int kind) {
    Shutdown(kind);
}

void TConversionPage::ShowConversionSummary() {
    if (preview_) preview_->EndRun();
    if (OnRunEnded) OnRunEnded();
}

void TConversionPage::ShowPreview(const void* key, const engine::TBitmap& picture, const std::string& title) {
    if (picture.Empty() || picture.BitsPixel != 24 || !preview_) return;
    if (!run_ || !run_->ShowsPreviewOf(key)) return;  // several files in flight: only the first one's picture
    const QImage image(picture.Pixels.data(), picture.Width, picture.Height, picture.Stride,
                       QImage::Format_BGR888);
    preview_->ShowPicture(image, QString::fromStdString(title), picture.PixelAspect);
}

void TConversionPage::ClosePreview(const void*) {
    // A task that ends leaves its last picture until the next file's first; only the cleared box (or the
    // run's end) closes the window.
    if (preview_ && (!run_ || !run_->PreviewOn())) preview_->EndRun();
}

}  // namespace ui
