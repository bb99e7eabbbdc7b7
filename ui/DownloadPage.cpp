#include "ui/DownloadPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "app/UtilFuncs.h"
#include "download/LinkList.h"
#include "download/Quality.h"
#include "download/YtDlp.h"
#include "ui/Dialogs.h"
#include "ui/FormYouTubeHQ.h"
#include "ui/WizardPages.h"

namespace ui {

TDownloadPage::TDownloadPage(TWizardPages& pages, QWidget* owner, app::TGlobalVars& globals)
    : QObject(owner), pages_(pages), owner_(owner), globals_(globals) {
    AskOkCancel = [this](const QString& text) {
        return MessageDialogEx(text, ApplicationTitle(), mtInformation, -1, {},
                               QMessageBox::Ok | QMessageBox::Cancel, owner_) == QMessageBox::Ok;
    };
    EditQualityOrder = [this](download::QualityOrder& order) { return ShowQualityDialog(owner_, order); };
    ChooseFolder = [this](QString& folder) {
        return BrowseForFolder(owner_, &folder, QStringLiteral("Please select a folder"),
                               bifReturnOnlyFSDirs | bifNewDialogStyle);
    };
    ClipboardText = [] { return QGuiApplication::clipboard()->text(); };

    connect(pages_.ActionURLPaste, &QAction::triggered, this, [this] { ActionURLPasteExecute(); });
    connect(pages_.ActionURLRemove, &QAction::triggered, this, [this] { ActionURLRemoveExecute(); });
    connect(pages_.ActionURLEmpty, &QAction::triggered, this, [this] { ActionURLEmptyExecute(); });
    connect(pages_.ActionURLSelect, &QAction::triggered, this, [this] { ActionURLSelectExecute(); });
    connect(pages_.ListViewInputURL, &QTreeWidget::itemDoubleClicked, this,
            [this] { ListViewInputURLDblClick(); });
    connect(pages_.ButtonYouTubeQualityConfig, &QPushButton::clicked, this,
            [this] { ButtonYouTubeQualityConfigClick(); });
}

TDownloadPage::~TDownloadPage() = default;

// ---- Step5 -------------------------------------------------------------------------------------------

void TDownloadPage::ActionURLPasteExecute() {
    const QString text = ClipboardText();
    if (text.isEmpty()) return;
    QStringList rows = Links();
    // With yt-dlp installed, a link of any site it may know is taken.
    const bool otherSites = !download::FindYtDlp(globals_.YtDlpPath).isEmpty();
    const QStringList added =
        download::AddLinks(download::SplitPastedText(text), rows, AskOkCancel, otherSites);
    for (const QString& link : added)
        new QTreeWidgetItem(pages_.ListViewInputURL, {link});
}

void TDownloadPage::ActionURLRemoveExecute() {
    QTreeWidget* list = pages_.ListViewInputURL;
    QList<int> removed;
    for (int i = list->topLevelItemCount() - 1; i >= 0; --i) {
        if (!list->topLevelItem(i)->isSelected()) continue;
        removed << i;
        delete list->takeTopLevelItem(i);
    }
    const int select = download::RowAfterRemove(removed, list->topLevelItemCount());
    if (QTreeWidgetItem* item = list->topLevelItem(select)) {
        list->setCurrentItem(item);
        item->setSelected(true);
        list->scrollToItem(item);
    }
    list->setFocus();
}

void TDownloadPage::ActionURLEmptyExecute() {
    pages_.ListViewInputURL->clear();
}

void TDownloadPage::ActionURLSelectExecute() {
    QString folder = globals_.OutputURLDir;
    if (!ChooseFolder(folder)) return;
    pages_.EditURLOutput->setText(app::AddTrailingBackslash(folder));
    globals_.OutputURLDir = pages_.EditURLOutput->text();
}

void TDownloadPage::ListViewInputURLDblClick() {
    const QList<QTreeWidgetItem*> selected = pages_.ListViewInputURL->selectedItems();
    if (!selected.isEmpty()) OpenInShell(selected.first()->text(0));
}

void TDownloadPage::ButtonYouTubeQualityConfigClick() {
    download::QualityOrder order = globals_.QualityOrder;
    if (!EditQualityOrder(order)) return;
    globals_.QualityOrder = order;
    pages_.LabelYouTubeQuality->setText(QualitySummaryText());
}

QString TDownloadPage::QualitySummaryText() const {
    return download::QualitySummary(pages_.CheckBoxYouTubeQuality->isChecked(), globals_.QualityOrder);
}

// ---- Step6: what the run shows ------------------------------------------------------------------------

QStringList TDownloadPage::Links() const {
    QStringList links;
    for (int i = 0; i < pages_.ListViewInputURL->topLevelItemCount(); ++i)
        links << pages_.ListViewInputURL->topLevelItem(i)->text(0);
    return links;
}

void TDownloadPage::ClearDownloadRows() {
    pages_.ListViewURLDownload->clear();
}

void TDownloadPage::AddDownloadRow(const QStringList& columns) {
    new QTreeWidgetItem(pages_.ListViewURLDownload, columns);
}

void TDownloadPage::InsertDownloadRow(int row, const QStringList& columns) {
    pages_.ListViewURLDownload->insertTopLevelItem(row, new QTreeWidgetItem(columns));
}

int TDownloadPage::DownloadRowCount() const {
    return pages_.ListViewURLDownload->topLevelItemCount();
}

QString TDownloadPage::DownloadRowText(int row, download::DownloadColumn column) const {
    const QTreeWidgetItem* item = pages_.ListViewURLDownload->topLevelItem(row);
    return item ? item->text(column) : QString();
}

void TDownloadPage::SetDownloadRowText(int row, download::DownloadColumn column, const QString& text) {
    if (QTreeWidgetItem* item = pages_.ListViewURLDownload->topLevelItem(row)) item->setText(column, text);
}

void TDownloadPage::SetDownloadLabel(download::DownloadLabel label, const QString& text) {
    QLabel* const labels[] = {pages_.LabelURLCurrentFile, pages_.LabelURLStatus,   pages_.LabelSpeed,
                              pages_.LabelURLElapsedTime, pages_.LabelURLTimeLeft, pages_.LabelQuality};
    labels[label]->setText(text);
}

void TDownloadPage::SetDownloadProgress(int percent) {
    pages_.ProgressBarDownload->setValue(percent);
    pages_.LabelProgressBarDownload->setText(QString::number(percent) + u'%');
}

void TDownloadPage::LogDownloadLine(const QString& line) {
    if (OnLogLine) OnLogLine(line);
}

void TDownloadPage::DownloadRunEnded() {
    if (OnRunEnded) OnRunEnded();
}

}  // namespace ui
