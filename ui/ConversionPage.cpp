#include "ui/ConversionPage.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QTreeWidget>

#include "app/SystemPower.h"
#include "app/UtilFuncs.h"
#include "app/WavePlayer.h"
#include "ui/FormMain.h"
#include "ui/FormShutdown.h"
#include "ui/WizardPages.h"
#include "wizard/InputList.h"
#include "wizard/Navigator.h"

namespace ui {

namespace {

// A task's live picture: a stay-on-top tool window whose client area is the picture; closing it tells
// the encoder to stop sending pictures for that task.
class PreviewWindow : public QLabel {
public:
    explicit PreviewWindow(std::function<void()> closed)
        : QLabel(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), closed_(std::move(closed)) {
        setAttribute(Qt::WA_DeleteOnClose);
    }
    void Forget() { closed_ = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (closed_) std::exchange(closed_, nullptr)();
        QLabel::closeEvent(event);
    }

private:
    std::function<void()> closed_;
};

}  // namespace

TConversionPage::TConversionPage(TFormMain& form, TWizardPages& pages, wizard::Navigator& navigator)
    : QObject(&form), form_(form), pages_(pages), navigator_(navigator) {
    run_ = std::make_unique<wizard::ConversionRun>(
        app::GlobalVars(), *this, app::AddTrailingBackslash(form.ProgramDir()) + QStringLiteral("sounds/"));
    run_->Encoder().PreviewHost = this;
    AskCountdown = [this] { return ShowCountdownDialog(); };
    Play = [](const QString& path) { app::PlayWaveFile(path); };
    Shutdown = [](int kind) { app::ShutdownSystem(kind); };
    // The box starts cleared and switches the preview of the running tasks at once.
    connect(pages_.CheckBoxPreview, &QCheckBox::toggled, this, [this](bool on) { run_->SetPreview(on); });
}

TConversionPage::~TConversionPage() {
    run_->DetachEvents();
    run_.reset();
    for (auto& [key, window] : previews_)
        if (window) {
            static_cast<PreviewWindow*>(window.data())->Forget();
            delete window.data();
        }
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
    navigator_.ShowConversionSummary();
}

void TConversionPage::ShowPreview(const void* key, const engine::TBitmap& picture, const std::string& title) {
    if (picture.Empty() || picture.BitsPixel != 24) return;
    if (!run_->ShowsPreviewOf(key)) return;  // several files in flight: only the first one's picture
    QPointer<QLabel>& window = previews_[key];
    if (!window) {
        window = new PreviewWindow([this, key] {
            previews_.erase(key);
            run_->Encoder().PreviewWindowClosed(key);
        });
    }
    const QImage image(picture.Pixels.data(), picture.Width, picture.Height, picture.Stride,
                       QImage::Format_BGR888);
    window->setPixmap(QPixmap::fromImage(image));  // converts, so the picture's memory is not kept
    window->setWindowTitle(QString::fromStdString(title));
    if (!window->isVisible()) {
        window->setFixedSize(picture.Width, picture.Height);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        window->move(screen.center() - QPoint(picture.Width / 2, picture.Height / 2));
        window->show();
    }
}

void TConversionPage::ClosePreview(const void* key) {
    auto it = previews_.find(key);
    if (it == previews_.end()) return;
    QPointer<QLabel> window = it->second;
    previews_.erase(it);
    if (window) {
        static_cast<PreviewWindow*>(window.data())->Forget();
        window->close();
    }
}

}  // namespace ui
