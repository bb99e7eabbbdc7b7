#include "ui/MainWizard.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "app/Globals.h"
#include "app/UtilFuncs.h"
#include "ui/ClickableLabel.h"
#include "ui/ConversionPage.h"
#include "ui/Dialogs.h"
#include "ui/DownloadPage.h"
#include "ui/FormFailedAddFile.h"
#include "ui/FormMain.h"
#include "ui/ImageButton.h"
#include "ui/InputGrid.h"
#include "ui/WizardPages.h"
#include "wizard/HelpLinks.h"
#include "wizard/PresetTable.h"

namespace ui {

namespace {

void SetButtonState(QAction* action, const wizard::ButtonState& state) {
    action->setText(state.caption);
    action->setEnabled(state.enabled);
}

// The chosen button of a row is disabled; when it holds the keyboard (picked with Space), the keyboard
// moves to its neighbour in the same row instead of leaving the row for the next control of the page.
template <typename Buttons>
void KeepFocusInRow(const Buttons& row, int chosen) {
    if (chosen < 0 || chosen >= int(row.size()) || !row[size_t(chosen)]->hasFocus()) return;
    for (int step : {1, -1}) {
        for (int i = chosen + step; i >= 0 && i < int(row.size()); i += step) {
            QWidget* b = row[size_t(i)];
            if (b->isVisibleTo(b->parentWidget())) {
                b->setFocus(Qt::TabFocusReason);
                return;
            }
        }
    }
}

}  // namespace

TMainWizard::TMainWizard(TFormMain& form) : QObject(&form), form_(form), choice_(app::GlobalVars()) {
    pages_ = new TWizardPages({form.TabSheetStep1, form.TabSheetStep2, form.TabSheetStep3, form.TabSheetStep4,
                               form.TabSheetStep5, form.TabSheetStep6, form.TabSheetStep7},
                              &form);
    titlePixelSize_ = std::max(form.LabelTitle->font().pixelSize(), 10);
    conversion_ = new TConversionPage(form, *pages_);
    download_ = new TDownloadPage(*pages_, &form, app::GlobalVars());
    conversionRun_ = std::make_unique<wizard::ConversionRun>(
        app::GlobalVars(), *conversion_,
        app::AddTrailingBackslash(form.ProgramDir()) + QStringLiteral("sounds/"));
    conversionRun_->Encoder().PreviewHost = conversion_;
    conversion_->SetRun(conversionRun_.get());
    downloadRun_ = std::make_unique<download::DownloadRun>(app::GlobalVars(), *download_);
    navigator_ = std::make_unique<wizard::Navigator>(app::GlobalVars(), form.Title(), *this, *conversionRun_,
                                                     *downloadRun_);
    // The end of each run is the page logic's: the summary page.
    conversion_->OnRunEnded = [this] { navigator_->ShowConversionSummary(); };
    download_->OnRunEnded = [this] { navigator_->ShowDownloadSummary(); };
    download_->OnLogLine = [this](const QString& line) { form_.LogLine(line); };
    AskYesNo = [this](const QString& q) { return ui::Confirm(&form_, q); };
    ShowNoticeBox = [this](const QString& t) { ui::ShowNotice(&form_, t); };
    AskFilesToOpen = [this](const QString& folder, const QString& name) {
        QFileDialog dialog(&form_);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters(form_.OpenDialogNameFilters);
        dialog.setDirectory(folder);
        if (!name.isEmpty()) dialog.selectFile(name);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
    ShellOpen = &ui::OpenInShell;
    audioPicture_ = AudioIconPicture();
    ConnectControls();
}

TMainWizard::~TMainWizard() {
    // Nothing the runs still report reaches the pages while their encoder and transfers stop.
    conversionRun_->DetachEvents();
    conversion_->SetRun(nullptr);
    conversion_->OnRunEnded = nullptr;
    download_->OnRunEnded = nullptr;
    download_->OnLogLine = nullptr;
}

void TMainWizard::Detach() {
    pages_->Detach();
}

void TMainWizard::ConnectControls() {
    connect(form_.ActionNext, &QAction::triggered, this, [this] { navigator_->ActionNextExecute(); });
    connect(form_.ActionBack, &QAction::triggered, this, [this] { navigator_->ActionBackExecute(); });
    connect(form_.ActionExit, &QAction::triggered, this, [this] { navigator_->ActionExitExecute(); });
    // Alt+F4 and Esc run the page's Exit behaviour rather than a plain close; Alt+N and Alt+B are Next
    // and Back, and do nothing while their button is disabled. Each button underlines its letter
    // ("Exit" its x, which Alt+X also presses).
    form_.ActionExit->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_F4), QKeySequence(Qt::Key_Escape),
                                    QKeySequence(Qt::ALT | Qt::Key_X)});
    form_.ActionExit->setShortcutContext(Qt::WindowShortcut);
    form_.ActionNext->setShortcut(QKeySequence(Qt::ALT | Qt::Key_N));
    form_.ActionBack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_B));

    TWizardPages& p = *pages_;
    connect(p.ButtonSelectDir, &QPushButton::clicked, this, [this] { navigator_->ButtonSelectDirClick(); });
    connect(p.CheckBoxPlayASound, &QCheckBox::clicked, this,
            [this](bool checked) { navigator_->CheckBoxPlayASoundClick(checked); });
    connect(p.CheckBoxShutdown, &QCheckBox::clicked, this,
            [this](bool checked) { navigator_->CheckBoxShutdownClick(checked); });
    connect(p.LabelOpenFolder, &ClickableLabel::clicked, this,
            [this] { navigator_->LabelOpenFolderClick(); });
    connect(p.LabelURLOpenFolder, &ClickableLabel::clicked, this,
            [this] { OpenInShell(app::GlobalVars().OutputURLDir); });
    connect(p.ButtonConvertDownloaded, &QPushButton::clicked, this,
            [this] { navigator_->ButtonConvertDownloadedClick(); });
    // The quality box enables its Config button and refreshes the summary at once; the flag itself is stored
    // when the page is left with Download.
    connect(p.CheckBoxYouTubeQuality, &QCheckBox::clicked, this, [this](bool checked) {
        SetYouTubeQualityConfigEnabled(checked);
        SetYouTubeQualityText(downloadRun_->QualitySummaryText(checked));
    });
    // The box starts cleared and switches the preview of the running tasks at once.
    connect(p.CheckBoxPreview, &QCheckBox::toggled, this,
            [this](bool on) { conversionRun_->SetPreview(on); });

    // Step1's list: the open dialog, dropped files and the row actions.
    connect(p.ActionAdd, &QAction::triggered, this, &TMainWizard::ActionAddExecute);
    connect(&form_, &TFormMain::FilesDropped, this, &TMainWizard::FilesDropped);
    connect(p.ActionDelete, &QAction::triggered, this, &TMainWizard::ActionDeleteExecute);
    connect(p.ActionClear, &QAction::triggered, this, [this] { ClearInputList(); });
    connect(p.ActionMoveUp, &QAction::triggered, this, [this] { MoveSelected(-1); });
    connect(p.ActionMoveDown, &QAction::triggered, this, [this] { MoveSelected(+1); });
    connect(p.ActionPlay, &QAction::triggered, this, &TMainWizard::ActionPlayExecute);
    connect(p.NextGrid, &TInputGrid::RowActivated, this, &TMainWizard::ActionPlayExecute);

    ConnectOutputChoice();

    connect(&form_, &TFormMain::ClipboardStateChanged, this,
            [this] { pages_->UpdateURLActions(form_.ClipboardHasNoText); });
    pages_->UpdateURLActions(form_.ClipboardHasNoText);
}

// ---- WizardView ---------------------------------------------------------------------------------------

wizard::Page TMainWizard::ActivePage() const {
    return static_cast<wizard::Page>(form_.PageControlMain->currentIndex());
}

void TMainWizard::SetActivePage(wizard::Page page) {
    form_.PageControlMain->setCurrentIndex(static_cast<int>(page));
}

void TMainWizard::ShowPageTexts(const wizard::PageTexts& texts) {
    // The title line runs to the window's right edge; a title too long for the skin's type size is set
    // smaller so it is read whole.
    QLabel* title = form_.LabelTitle;
    const int available = form_.width() - title->x() - 8;
    QFont font = title->font();
    font.setPixelSize(titlePixelSize_);
    while (font.pixelSize() > 10 && QFontMetrics(font).horizontalAdvance(texts.title) > available)
        font.setPixelSize(font.pixelSize() - 1);
    title->setFont(font);
    title->setFixedWidth(std::max(available, 0));
    title->setText(texts.title);
    SetButtonState(form_.ActionBack, texts.back);
    SetButtonState(form_.ActionNext, texts.next);
    SetButtonState(form_.ActionExit, texts.exit);
}

bool TMainWizard::Confirm(const QString& question) {
    return AskYesNo(question);
}

void TMainWizard::Notice(const QString& text) {
    ShowNoticeBox(text);
}

bool TMainWizard::DownloadVideoSelected() const {
    return form_.RadioButtonDownloadVideo->isChecked();
}

bool TMainWizard::ConvertVideoSelected() const {
    return form_.RadioButtonConvertVideo->isChecked();
}

int TMainWizard::InputRowCount() const {
    return pages_->InputList->Count();
}

void TMainWizard::ClearInputList() {
    pages_->InputList->Clear();
}

wizard::InputListModel& TMainWizard::InputList() {
    return *pages_->InputList;
}

void TMainWizard::ClearConvertingList() {
    pages_->ListViewConverting->clear();
}

int TMainWizard::URLRowCount() const {
    return pages_->ListViewInputURL->topLevelItemCount();
}

void TMainWizard::ClearURLList() {
    pages_->ListViewInputURL->clear();
}

void TMainWizard::ClearURLDownloadList() {
    pages_->ListViewURLDownload->clear();
}

QString TMainWizard::OutputDirText() const {
    return pages_->EditOutputDir->text();
}

void TMainWizard::SetOutputDirText(const QString& text) {
    pages_->EditOutputDir->setText(text);
}

std::optional<QString> TMainWizard::BrowseForFolder(const QString& prompt, const QString& start) {
    QString folder = start;
    if (!ui::BrowseForFolder(&form_, &folder, prompt, bifReturnOnlyFSDirs | bifNewDialogStyle))
        return std::nullopt;
    return folder;
}

void TMainWizard::SetPlayASoundChecked(bool checked) {
    pages_->CheckBoxPlayASound->setChecked(checked);
}

void TMainWizard::SetShutdownChecked(bool checked) {
    pages_->CheckBoxShutdown->setChecked(checked);
}

void TMainWizard::ShowErrorLog(const QStringList& lines) {
    pages_->MemoErrorLog->setPlainText(lines.join(QLatin1Char('\n')));
    pages_->MemoErrorLog->setVisible(!lines.isEmpty());
}

void TMainWizard::SetConversionTotals(int total, int succeeded, int failed) {
    pages_->LabelFinishTotalFiles->setText(QString::number(total));
    pages_->LabelFinishSuccessed->setText(QString::number(succeeded));
    pages_->LabelFinishFailed->setText(QString::number(failed));
}

QString TMainWizard::URLOutputText() const {
    return pages_->EditURLOutput->text();
}

void TMainWizard::SetURLOutputText(const QString& text) {
    pages_->EditURLOutput->setText(text);
}

bool TMainWizard::YouTubeQualityChecked() const {
    return pages_->CheckBoxYouTubeQuality->isChecked();
}

void TMainWizard::SetYouTubeQualityChecked(bool checked) {
    pages_->CheckBoxYouTubeQuality->setChecked(checked);
}

void TMainWizard::SetYouTubeQualityConfigEnabled(bool enabled) {
    pages_->ButtonYouTubeQualityConfig->setEnabled(enabled);
}

void TMainWizard::SetYouTubeQualityText(const QString& text) {
    pages_->LabelYouTubeQuality->setText(text);
}

void TMainWizard::ResetDownloadStatus() {
    pages_->ResetDownloadStatus();
}

void TMainWizard::SetDownloadTotals(int total, int succeeded, int failed) {
    pages_->LabelURLTotalFiles->setText(QString::number(total));
    pages_->LabelURLSucedded->setText(QString::number(succeeded));
    pages_->LabelURLFailed->setText(QString::number(failed));
}

void TMainWizard::ProcessPendingEvents() {
    // Painting and posted work run; clicks and keys wait, so a second click on "Convert" cannot start a
    // second run while the first is being set up.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMainWizard::CloseWindow() {
    form_.close();
}

void TMainWizard::OpenInShell(const QString& target) {
    ShellOpen(target);
}

void TMainWizard::ShowError(const QString& text) {
    ui::ShowError(&form_, text);
}

// ---- User actions of Step1 ---------------------------------------------------------------------------

void TMainWizard::ActionAddExecute() {
    app::TGlobalVars& g = app::GlobalVars();
    const QStringList files = AskFilesToOpen(g.LastOpenDir, openDialogName_);
    if (files.isEmpty()) return;
    AddInputFiles(files);
    // One chosen file stays in the name field for the next time; several leave it empty.
    openDialogName_ = files.size() == 1 ? QFileInfo(files.constFirst()).fileName() : QString();
    g.LastOpenDir = app::AddTrailingBackslash(QFileInfo(files.constFirst()).absolutePath());
}

void TMainWizard::FilesDropped(const QStringList& files) {
    // Files land in the list while it is shown; a drop on another page (a conversion running, links being
    // collected) is not taken.
    if (ActivePage() != wizard::Page::TabSheetStep1) return;
    QStringList taken;
    {
        WaitCursor wait;
        taken = wizard::FilterDroppedFiles(files);
    }
    AddInputFiles(taken);
}

void TMainWizard::ActionDeleteExecute() {
    TInputGrid* grid = pages_->NextGrid;
    const int row = grid->SelectedRow();
    if (row < 0) return;
    pages_->InputList->Remove(row);
    grid->SelectRow(wizard::SelectionAfterDelete(row, grid->rowCount()));
}

void TMainWizard::MoveSelected(int by) {
    TInputGrid* grid = pages_->NextGrid;
    const int row = grid->SelectedRow();
    if (row < 0 || !pages_->InputList->MoveRow(row, row + by)) return;
    grid->SelectRow(row + by);
}

void TMainWizard::ActionPlayExecute() {
    const int row = pages_->NextGrid->SelectedRow();
    if (row < 0) return;
    // Failures are otherwise ignored, but a file that silently does not play leaves the user guessing.
    const QString file = pages_->InputList->Item(row).FileFullName;
    if (!ShellOpen(file)) form_.LogLine(QStringLiteral("No media player was found to play ") + file);
}

void TMainWizard::AddInputFiles(const QStringList& files) {
    if (files.isEmpty()) return;
    app::TGlobalVars& g = app::GlobalVars();
    g.FailedFiles.clear();
    ProcessPendingEvents();
    TInputGrid* grid = pages_->NextGrid;
    {
        // Probing runs here on the main thread; the grid is drawn once the whole batch is in.
        WaitCursor wait;
        grid->setUpdatesEnabled(false);
        wizard::InputProbeContext context{probeDecoder_, thumbnails_, audioPicture_,
                                          [grid](const QString& path) { return grid->ShortenPath(path); },
                                          [this](const QString& line) { form_.LogLine(line); }};
        g.FailedFiles = wizard::AddInputFilesTo(*pages_->InputList, context, files);
        grid->setUpdatesEnabled(true);
    }
    if (!g.FailedFiles.isEmpty()) ShowFailedFiles(g.FailedFiles);
}

void TMainWizard::ShowFailedFiles(const QStringList& texts) {
    TFormFailedAddFile dialog(wizard::SupportLink(form_.Title()), ShellOpen, &form_);
    dialog.AddFiles(texts);
    dialog.PlaceOver(&form_);
    dialog.exec();
}

void TMainWizard::OpenWithFiles(const QStringList& files) {
    if (files.isEmpty()) return;
    SetActivePage(wizard::Page::TabSheetStep1);
    AddInputFiles(files);
}

void TMainWizard::ConnectOutputChoice() {
    const std::array<TImageButton*, 3> classButtons = {form_.ButtonToFormatVideo, form_.ButtonToFormatDevice,
                                                       form_.ButtonToFormatAudio};
    for (int cls = app::fcVideo; cls <= app::fcAudio; ++cls) {
        connect(classButtons[size_t(cls)], &QAbstractButton::clicked, this, [this, cls] {
            choice_.ClickClass(cls);
            ShowChoiceButtons();
        });
        const std::vector<TImageButton*> buttons = form_.FormatButtonsOf(cls);
        for (int i = 0; i < int(buttons.size()); ++i) {
            connect(buttons[size_t(i)], &QAbstractButton::clicked, this, [this, cls, i] {
                choice_.ClickFormat(cls, i);
                ShowChoiceButtons();
            });
        }
    }
}

void TMainWizard::ShowChoiceButtons() {
    const std::array<TImageButton*, 3> classButtons = {form_.ButtonToFormatVideo, form_.ButtonToFormatDevice,
                                                       form_.ButtonToFormatAudio};
    const int cls = choice_.PressedClass();
    if (cls >= 0) {
        // The others first, so that the keyboard can move onto one of them before the chosen one is disabled.
        for (int c = 0; c < 3; ++c)
            if (c != cls) classButtons[size_t(c)]->setEnabled(true);
        KeepFocusInRow(classButtons, cls);
        classButtons[size_t(cls)]->setEnabled(false);
        form_.RzPageControlToFormat->setCurrentIndex(cls);
    }
    for (int c = app::fcVideo; c <= app::fcAudio; ++c) {
        const int chosen = choice_.PressedFormat(c);
        if (chosen < 0) continue;
        const std::vector<TImageButton*> buttons = form_.FormatButtonsOf(c);
        const std::vector<QComboBox*> lists = form_.PresetListsOf(c);
        for (int i = 0; i < int(buttons.size()); ++i) {
            if (i != chosen) buttons[size_t(i)]->setEnabled(true);
            lists[size_t(i)]->setVisible(i == chosen);
        }
        KeepFocusInRow(buttons, chosen);
        buttons[size_t(chosen)]->setEnabled(false);
    }
}

void TMainWizard::ShowOutputChoice() {
    SetOutputDirText(app::GlobalVars().OutputFileDir);
    pages_->ComboBoxSimultaneous->setCurrentIndex(app::GlobalVars().SimultaneousConversions);
    const std::array<int, app::psCount> selections = choice_.Show();
    ShowChoiceButtons();
    for (const wizard::OutputFormat& format : wizard::OutputFormats())
        form_.PresetList(format.Class, format.Index)->setCurrentIndex(selections[format.Slot]);
}

void TMainWizard::StoreOutputChoice() {
    std::array<int, app::psCount> selections{};
    for (const wizard::OutputFormat& format : wizard::OutputFormats())
        selections[format.Slot] = form_.PresetList(format.Class, format.Index)->currentIndex();
    choice_.Store(OutputDirText(), selections);
    app::GlobalVars().SimultaneousConversions = std::max(0, pages_->ComboBoxSimultaneous->currentIndex());
}

void TMainWizard::LeaveClipboardChain() {
    form_.StopClipboardWatch();
}

QString TMainWizard::SaveSettingsAndPlacements() {
    return form_.SaveSettingsAndPlacements();
}

}  // namespace ui
