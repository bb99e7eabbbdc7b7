#include "ui/WizardPages.h"

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTextOption>
#include <QTreeWidget>

#include "app/Globals.h"
#include "ui/ClickableLabel.h"
#include "ui/InputGrid.h"
#include "wizard/InputList.h"

namespace ui {

namespace {

// Every page is 540 x 420 (the page control's client area).
constexpr int kPageWidth = 540;
constexpr int kButtonHeight = 26;
// Room above the first control of a page: the dark skin's title line reaches a few pixels into the page area.
constexpr int kTopMargin = 6;

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w = 0) {
    auto* label = Named(new QLabel(text, parent), name);
    label->move(x, y);
    if (w > 0)
        label->resize(w, label->sizeHint().height());
    else
        label->adjustSize();
    return label;
}

QLabel* TitleLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption, int x, int y, int w) {
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setGeometry(x, y, w, kButtonHeight);
    return button;
}

QAction* NewAction(QObject* parent, const char* name, const QString& caption,
                   const QKeySequence& shortcut = QKeySequence()) {
    auto* action = Named(new QAction(caption, parent), name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

// A button that stands for an action: it runs the action and follows its enabled state.
void Bind(QPushButton* button, QAction* action) {
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
    button->setEnabled(action->isEnabled());
}

// A report-style list: read-only, whole rows selected, no root decoration.
QTreeWidget* NewReportList(QWidget* parent, const char* name, const QStringList& columns,
                           const QList<int>& widths) {
    auto* list = Named(new QTreeWidget(parent), name);
    list->setColumnCount(columns.size());
    list->setHeaderLabels(columns);
    for (int i = 0; i < widths.size(); ++i)
        list->setColumnWidth(i, widths[i]);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(false);
    return list;
}

// A status line: title at the left, value beside it, "..." at first.
QLabel* StatusRow(QWidget* group, const char* titleName, const QString& title, const char* valueName, int y,
                  QLabel** titleOut = nullptr) {
    QLabel* t = NewLabel(group, titleName, title, 14, y);
    if (titleOut) *titleOut = t;
    QLabel* value = NewLabel(group, valueName, QStringLiteral("..."), 170, y, 350);
    value->setTextFormat(Qt::PlainText);
    return value;
}

// The download list keeps all six columns, but the page is narrow: Name gives up width (down to about 160
// pixels) and Status what the three figures need, so that Status, Size, Speed and Progress are in sight
// without scrolling; URL lies beyond them.
void FitDownloadColumns(QTreeWidget* list) {
    constexpr int kNameMin = 160, kStatusMax = 250, kPadding = 16;
    const QFontMetrics rows = list->fontMetrics();
    const QFontMetrics header(list->header()->font());
    const auto need = [&](const QString& title, const QString& widest) {
        return std::max(header.horizontalAdvance(title), rows.horizontalAdvance(widest)) + kPadding;
    };
    const int size = need(QStringLiteral("Size"), QStringLiteral("999.99MB"));
    const int speed = need(QStringLiteral("Speed"), QStringLiteral("9999.99 KB/s"));
    const int progress = need(QStringLiteral("Progress"), QStringLiteral("100%"));
    // The room the rows have when the vertical scroll bar shows.
    const int room = list->width() - 2 * list->frameWidth() -
                     list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    const int status = std::clamp(room - kNameMin - size - speed - progress, 100, kStatusMax);
    const int name = std::max(kNameMin, room - status - size - speed - progress);
    const int widths[] = {name, status, size, speed, progress};
    for (int column = 0; column < 5; ++column)
        list->setColumnWidth(column, widths[column]);
}

QFont Bold(QFont f) {
    f.setBold(true);
    return f;
}

}  // namespace

TWizardPages::TWizardPages(const PageWidgets& pages, QWidget* actionOwner) : QObject(actionOwner) {
    BuildStep1(pages.step1, actionOwner);
    BuildStep2(pages.step2);
    BuildStep3(pages.step3);
    BuildStep4(pages.step4);
    BuildStep5(pages.step5, actionOwner);
    BuildStep6(pages.step6);
    BuildStep7(pages.step7);
}

void TWizardPages::BuildStep1(QWidget* page, QWidget* actionOwner) {
    // The input grid: one 90-pixel slide per file; the list's hidden columns hold facts for the job builder.
    InputList = new wizard::InputListModel(this);
    NextGrid = Named(new TInputGrid(InputList, page), "NextGrid");
    NextGrid->setTabKeyNavigation(false);  // Tab leaves the list for the buttons instead of walking its cells
    NextGrid->setGeometry(0, kTopMargin, kPageWidth, 378 - kTopMargin);

    ActionAdd = NewAction(actionOwner, "ActionAdd", QStringLiteral("&Add Video..."),
                          QKeySequence(Qt::CTRL | Qt::Key_O));
    ActionDelete =
        NewAction(actionOwner, "ActionDelete", QStringLiteral("&Delete"), QKeySequence(Qt::Key_Delete));
    ActionClear = NewAction(actionOwner, "ActionClear", QStringLiteral("&Clear"),
                            QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    ActionMoveUp = NewAction(actionOwner, "ActionMoveUp", QStringLiteral("&Move Up"));
    ActionMoveDown = NewAction(actionOwner, "ActionMoveDown", QStringLiteral("M&ove Down"));
    ActionPlay =
        NewAction(actionOwner, "ActionPlay", QStringLiteral("&Play"), QKeySequence(Qt::CTRL | Qt::Key_P));
    // The shortcuts act only while Step1 is shown.
    for (QAction* a : {ActionAdd, ActionDelete, ActionClear, ActionMoveUp, ActionMoveDown, ActionPlay}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        page->addAction(a);
    }

    PopupMenuNextGrid = Named(new QMenu(NextGrid), "PopupMenuNextGrid");
    PopupMenuNextGrid->addActions({ActionAdd, ActionDelete, ActionClear});
    PopupMenuNextGrid->addSeparator();
    PopupMenuNextGrid->addActions({ActionMoveUp, ActionMoveDown});
    PopupMenuNextGrid->addSeparator();
    PopupMenuNextGrid->addAction(ActionPlay);
    NextGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(NextGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenuNextGrid->popup(NextGrid->viewport()->mapToGlobal(at)); });

    const int y = 386;
    ButtonAdd = NewButton(page, "ButtonAdd", QStringLiteral("&Add Video..."), 0, y, 100);
    ButtonDelete = NewButton(page, "ButtonDelete", QStringLiteral("&Delete"), 108, y, 80);
    ButtonClear = NewButton(page, "ButtonClear", QStringLiteral("&Clear"), 196, y, 80);
    ButtonMoveUp = NewButton(page, "ButtonMoveUp", QStringLiteral("&Move Up"), 284, y, 80);
    ButtonMoveDown = NewButton(page, "ButtonMoveDown", QStringLiteral("M&ove Down"), 372, y, 80);
    ButtonPlay = NewButton(page, "ButtonPlay", QStringLiteral("&Play"), 460, y, 80);
    Bind(ButtonAdd, ActionAdd);
    Bind(ButtonDelete, ActionDelete);
    Bind(ButtonClear, ActionClear);
    Bind(ButtonMoveUp, ActionMoveUp);
    Bind(ButtonMoveDown, ActionMoveDown);
    Bind(ButtonPlay, ActionPlay);

    listWatch_.push_back(connect(NextGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                                 &TWizardPages::UpdateInputActions));
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        listWatch_.push_back(connect(NextGrid->model(), signal, this, &TWizardPages::UpdateInputActions));
    }
    listWatch_.push_back(
        connect(NextGrid->model(), &QAbstractItemModel::modelReset, this, &TWizardPages::UpdateInputActions));
    listWatch_.push_back(
        connect(NextGrid->model(), &QAbstractItemModel::rowsMoved, this, &TWizardPages::UpdateInputActions));
    UpdateInputActions();
}

void TWizardPages::UpdateInputActions() {
    const wizard::InputActionStates s =
        wizard::InputActionStatesFor(NextGrid->rowCount(), NextGrid->SelectedRow());
    ActionDelete->setEnabled(s.Delete);
    ActionClear->setEnabled(s.Clear);
    ActionMoveUp->setEnabled(s.MoveUp);
    ActionMoveDown->setEnabled(s.MoveDown);
    ActionPlay->setEnabled(s.Play);
}

void TWizardPages::BuildStep2(QWidget* page) {
    LabelOutputDir = NewLabel(page, "LabelOutputDir", QStringLiteral("Output directory:"), 18, 22);
    EditOutputDir = Named(new QLineEdit(page), "EditOutputDir");
    EditOutputDir->setGeometry(18, 44, 404, 26);
    ButtonSelectDir = NewButton(page, "ButtonSelectDir", QStringLiteral("Select..."), 430, 44, 92);
    LabelSimultaneous =
        NewLabel(page, "LabelSimultaneous", QStringLiteral("Simultaneous conversions:"), 18, 80);
    ComboBoxSimultaneous = Named(new QComboBox(page), "ComboBoxSimultaneous");
    ComboBoxSimultaneous->addItem(QStringLiteral("Automatic"));
    for (int n = 1; n <= app::kMaxSimultaneousConversions; ++n)
        ComboBoxSimultaneous->addItem(QString::number(n));
    ComboBoxSimultaneous->setToolTip(
        QStringLiteral("How many files are converted at the same time. Automatic uses every core of the "
                       "computer as far as its memory allows."));
    ComboBoxSimultaneous->adjustSize();
    ComboBoxSimultaneous->move(
        LabelSimultaneous->x() + LabelSimultaneous->width() + 8,
        LabelSimultaneous->y() + (LabelSimultaneous->height() - ComboBoxSimultaneous->height()) / 2);
    LabelSimultaneous->setBuddy(ComboBoxSimultaneous);
    LabelConvertTo = NewLabel(page, "LabelConvertTo", QStringLiteral("Convert to:"), 18, 104);
    LabelConvertTo->setFont(Bold(LabelConvertTo->font()));
    LabelConvertTo->adjustSize();
}

void TWizardPages::BuildStep3(QWidget* page) {
    ListViewConverting =
        NewReportList(page, "ListViewConverting",
                      {QStringLiteral("Name"), QStringLiteral("Duration"), QStringLiteral("Status"),
                       QStringLiteral("Progress"), QStringLiteral("Path")},
                      {160, 80, 90, 70, 130});
    ListViewConverting->setGeometry(0, kTopMargin, kPageWidth, 158 - kTopMargin);
    // A whole duration text fits in its column in the window's font.
    const int durationWidth =
        ListViewConverting->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000")) + 16;
    if (durationWidth > 80) {  // the name column gives up what the duration needs
        ListViewConverting->setColumnWidth(0, std::max(100, 160 - (durationWidth - 80)));
        ListViewConverting->setColumnWidth(1, durationWidth);
    }

    GroupBoxStatus = Named(new QGroupBox(QStringLiteral("Status"), page), "GroupBoxStatus");
    GroupBoxStatus->setGeometry(0, 164, kPageWidth, 148);
    LabelCurrentFile = StatusRow(GroupBoxStatus, "LabelCurrentFileTitle", QStringLiteral("Current file:"),
                                 "LabelCurrentFile", 24, &LabelCurrentFileTitle);
    LabelEstimated =
        StatusRow(GroupBoxStatus, "LabelEstimatedTitle", QStringLiteral("Estimated overall time:"),
                  "LabelEstimated", 46, &LabelEstimatedTitle);
    LabelElapsed = StatusRow(GroupBoxStatus, "LabelElapsedTitle", QStringLiteral("Elapsed time:"),
                             "LabelElapsed", 68, &LabelElapsedTitle);
    LabelTimeLeft = StatusRow(GroupBoxStatus, "LabelTimeLeftTitle", QStringLiteral("Time left:"),
                              "LabelTimeLeft", 90, &LabelTimeLeftTitle);
    LabelProgressTitle =
        NewLabel(GroupBoxStatus, "LabelProgressTitle", QStringLiteral("Overall Progress:"), 14, 116);
    ProgressBar = Named(new QProgressBar(GroupBoxStatus), "ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(170, 114, 300, 20);
    LabelProgress = NewLabel(GroupBoxStatus, "LabelProgress", QStringLiteral("0%"), 480, 116, 50);

    GroupBoxPostOptions =
        Named(new QGroupBox(QStringLiteral("Post-Progress Options"), page), "GroupBoxPostOptions");
    GroupBoxPostOptions->setGeometry(0, 318, kPageWidth, 72);
    CheckBoxPlayASound =
        Named(new QCheckBox(QStringLiteral("&Play a sound when conversion is finished"), GroupBoxPostOptions),
              "CheckBoxPlayASound");
    CheckBoxPlayASound->move(14, 22);
    CheckBoxPlayASound->adjustSize();
    CheckBoxShutdown =
        Named(new QCheckBox(QStringLiteral("&Shut down the computer after all tasks are finished"),
                            GroupBoxPostOptions),
              "CheckBoxShutdown");
    CheckBoxShutdown->move(14, 44);
    CheckBoxShutdown->adjustSize();

    CheckBoxPreview = Named(new QCheckBox(QStringLiteral("Preview"), page), "CheckBoxPreview");
    CheckBoxPreview->move(4, 396);
    CheckBoxPreview->adjustSize();
}

// The summary block both finish pages show: a bold heading, the three counts and the "Open folder" link.
void TWizardPages::BuildSummaryBlock(QWidget* page, const SummaryNames& names, QLabel*& summary,
                                     QLabel*& total, QLabel*& succeeded, QLabel*& failed,
                                     ClickableLabel*& openFolder) {
    summary = NewLabel(page, names.summary, QStringLiteral("Summary"), 20, 80);
    summary->setFont(Bold(summary->font()));
    summary->adjustSize();
    TitleLabel(page, QStringLiteral("Total files:"), 40, 104);
    TitleLabel(page, QStringLiteral("Successed:"), 40, 126);
    TitleLabel(page, QStringLiteral("Failed:"), 40, 148);
    total = NewLabel(page, names.total, QStringLiteral("0"), 150, 104, 100);
    succeeded = NewLabel(page, names.succeeded, QStringLiteral("0"), 150, 126, 100);
    failed = NewLabel(page, names.failed, QStringLiteral("0"), 150, 148, 100);

    openFolder = Named(new ClickableLabel(page), names.openFolder);
    openFolder->setText(QStringLiteral("Open folder"));
    openFolder->ShowAsLink();
    openFolder->move(20, 184);
    openFolder->adjustSize();
}

void TWizardPages::BuildStep4(QWidget* page) {
    BuildSummaryBlock(page,
                      {"LabelFinishSummary", "LabelFinishTotalFiles", "LabelFinishSuccessed",
                       "LabelFinishFailed", "LabelOpenFolder"},
                      LabelFinishSummary, LabelFinishTotalFiles, LabelFinishSuccessed, LabelFinishFailed,
                      LabelOpenFolder);

    MemoErrorLog = Named(new QPlainTextEdit(page), "MemoErrorLog");
    MemoErrorLog->setReadOnly(true);
    // Long messages wrap at the box's edge (at a blank where there is one): the page is narrow and a
    // sideways scroll hides the end of every line.
    MemoErrorLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoErrorLog->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    MemoErrorLog->setGeometry(20, 214, kPageWidth - 40, 196);
    MemoErrorLog->hide();
}

void TWizardPages::BuildStep5(QWidget* page, QWidget* actionOwner) {
    GroupBoxInputURLs = Named(new QGroupBox(QStringLiteral(" Input URLs "), page), "GroupBoxInputURLs");
    GroupBoxInputURLs->setGeometry(0, kTopMargin, kPageWidth, 216 - kTopMargin);
    ListViewInputURL =
        NewReportList(GroupBoxInputURLs, "ListViewInputURL", {QStringLiteral("Videos")}, {390});
    ListViewInputURL->setHeaderHidden(true);
    ListViewInputURL->header()->setStretchLastSection(true);
    ListViewInputURL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListViewInputURL->setGeometry(12, 24, 400, 180);

    ActionURLPaste = NewAction(actionOwner, "ActionURLPaste", QStringLiteral("&Paste"));
    ActionURLRemove = NewAction(actionOwner, "ActionURLRemove", QStringLiteral("&Remove"));
    ActionURLEmpty = NewAction(actionOwner, "ActionURLEmpty", QStringLiteral("&Empty"));
    ActionURLSelect = NewAction(actionOwner, "ActionURLSelect", QStringLiteral("Select..."));
    ButtonURLPaste = NewButton(GroupBoxInputURLs, "ButtonURLPaste", QStringLiteral("&Paste"), 422, 24, 104);
    ButtonURLRemove =
        NewButton(GroupBoxInputURLs, "ButtonURLRemove", QStringLiteral("&Remove"), 422, 58, 104);
    ButtonURLEmpty = NewButton(GroupBoxInputURLs, "ButtonURLEmpty", QStringLiteral("&Empty"), 422, 92, 104);
    Bind(ButtonURLPaste, ActionURLPaste);
    Bind(ButtonURLRemove, ActionURLRemove);
    Bind(ButtonURLEmpty, ActionURLEmpty);

    // The list's menu: Paste with Ctrl+V, and Remove.
    PopupMenuListViewURL = Named(new QMenu(ListViewInputURL), "PopupMenuListViewURL");
    QAction* menuPaste = Named(PopupMenuListViewURL->addAction(QStringLiteral("&Paste")), "MenuPaste");
    menuPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    menuPaste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    page->addAction(menuPaste);
    connect(menuPaste, &QAction::triggered, ActionURLPaste, &QAction::trigger);
    connect(ActionURLPaste, &QAction::changed, menuPaste,
            [this, menuPaste] { menuPaste->setEnabled(ActionURLPaste->isEnabled()); });
    QAction* menuDelete = Named(PopupMenuListViewURL->addAction(QStringLiteral("&Remove")), "MenuDelete");
    connect(menuDelete, &QAction::triggered, ActionURLRemove, &QAction::trigger);
    connect(ActionURLRemove, &QAction::changed, menuDelete,
            [this, menuDelete] { menuDelete->setEnabled(ActionURLRemove->isEnabled()); });
    ListViewInputURL->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListViewInputURL, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenuListViewURL->popup(ListViewInputURL->viewport()->mapToGlobal(at));
    });

    GroupBoxSetup = Named(new QGroupBox(QStringLiteral(" Setup "), page), "GroupBoxSetup");
    GroupBoxSetup->setGeometry(0, 224, kPageWidth, 68);
    TitleLabel(GroupBoxSetup, QStringLiteral("Output directory:"), 12, 32);
    EditURLOutput = Named(new QLineEdit(GroupBoxSetup), "EditURLOutput");
    EditURLOutput->setGeometry(128, 27, 284, 26);
    ButtonURLSelect = NewButton(GroupBoxSetup, "ButtonURLSelect", QStringLiteral("Select..."), 422, 27, 104);
    connect(ButtonURLSelect, &QPushButton::clicked, ActionURLSelect, &QAction::trigger);

    GroupBoxQuality = Named(new QGroupBox(QStringLiteral(" Quality "), page), "GroupBoxQuality");
    GroupBoxQuality->setGeometry(0, 300, kPageWidth, 110);
    CheckBoxYouTubeQuality =
        Named(new QCheckBox(QStringLiteral("Prefer YouTube high quality"), GroupBoxQuality),
              "CheckBoxYouTubeQuality");
    CheckBoxYouTubeQuality->move(12, 30);
    CheckBoxYouTubeQuality->adjustSize();
    ButtonYouTubeQualityConfig =
        NewButton(GroupBoxQuality, "ButtonYouTubeQualityConfig", QStringLiteral("Config..."), 422, 26, 104);
    LabelYouTubeQuality = Named(new QLabel(GroupBoxQuality), "LabelYouTubeQuality");
    LabelYouTubeQuality->setWordWrap(true);
    LabelYouTubeQuality->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelYouTubeQuality->setGeometry(12, 62, kPageWidth - 24, 40);

    const auto follow = [this] { UpdateURLActions(!ActionURLPaste->isEnabled()); };
    listWatch_.push_back(connect(ListViewInputURL->model(), &QAbstractItemModel::rowsInserted, this, follow));
    listWatch_.push_back(connect(ListViewInputURL->model(), &QAbstractItemModel::rowsRemoved, this, follow));
    // Emptying the list resets its model rather than removing rows.
    listWatch_.push_back(connect(ListViewInputURL->model(), &QAbstractItemModel::modelReset, this, follow));
    listWatch_.push_back(connect(ListViewInputURL, &QTreeWidget::itemSelectionChanged, this, follow));
    UpdateURLActions(true);
}

void TWizardPages::Detach() {
    for (const QMetaObject::Connection& c : listWatch_)
        disconnect(c);
    listWatch_.clear();
}

void TWizardPages::UpdateURLActions(bool clipboardHasNoText) {
    ActionURLPaste->setEnabled(!clipboardHasNoText);
    ActionURLRemove->setEnabled(!ListViewInputURL->selectedItems().isEmpty());
    ActionURLEmpty->setEnabled(ListViewInputURL->topLevelItemCount() > 0);
}

void TWizardPages::BuildStep6(QWidget* page) {
    ListViewURLDownload =
        NewReportList(page, "ListViewURLDownload",
                      {QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Size"),
                       QStringLiteral("Speed"), QStringLiteral("Progress"), QStringLiteral("URL")},
                      {380, 250, 80, 70, 70, 600});
    ListViewURLDownload->setGeometry(0, kTopMargin, kPageWidth, 190 - kTopMargin);
    FitDownloadColumns(ListViewURLDownload);

    GroupBoxURLStatus = Named(new QGroupBox(QStringLiteral("Status"), page), "GroupBoxURLStatus");
    GroupBoxURLStatus->setGeometry(0, 198, kPageWidth, 212);
    LabelURLCurrentFile = StatusRow(GroupBoxURLStatus, "LabelURLCurrentFileTitle",
                                    QStringLiteral("Current file:"), "LabelURLCurrentFile", 24);
    LabelURLStatus =
        StatusRow(GroupBoxURLStatus, "LabelURLStatusTitle", QStringLiteral("Status:"), "LabelURLStatus", 48);
    LabelSpeed = StatusRow(GroupBoxURLStatus, "LabelSpeedTitle", QStringLiteral("Speed:"), "LabelSpeed", 72);
    LabelURLElapsedTime = StatusRow(GroupBoxURLStatus, "LabelURLElapsedTimeTitle",
                                    QStringLiteral("Elapsed time:"), "LabelURLElapsedTime", 96);
    LabelURLTimeLeft = StatusRow(GroupBoxURLStatus, "LabelURLTimeLeftTitle", QStringLiteral("Time left:"),
                                 "LabelURLTimeLeft", 120);
    LabelQuality =
        StatusRow(GroupBoxURLStatus, "LabelQualityTitle", QStringLiteral("Quality:"), "LabelQuality", 144);
    NewLabel(GroupBoxURLStatus, "LabelProgressBarDownloadTitle", QStringLiteral("Progress:"), 14, 172);
    ProgressBarDownload = Named(new QProgressBar(GroupBoxURLStatus), "ProgressBarDownload");
    ProgressBarDownload->setRange(0, 100);
    ProgressBarDownload->setTextVisible(false);
    ProgressBarDownload->setGeometry(170, 170, 300, 20);
    LabelProgressBarDownload =
        NewLabel(GroupBoxURLStatus, "LabelProgressBarDownload", QStringLiteral("0%"), 480, 172, 50);
    ResetDownloadStatus();
}

void TWizardPages::ResetDownloadStatus() {
    for (QLabel* l : {LabelURLCurrentFile, LabelURLStatus, LabelSpeed, LabelURLElapsedTime, LabelURLTimeLeft,
                      LabelQuality})
        l->setText(QStringLiteral("..."));
    ProgressBarDownload->setValue(0);
    LabelProgressBarDownload->setText(QStringLiteral("0%"));
}

void TWizardPages::BuildStep7(QWidget* page) {
    BuildSummaryBlock(
        page,
        {"LabelURLSummary", "LabelURLTotalFiles", "LabelURLSucedded", "LabelURLFailed", "LabelURLOpenFolder"},
        LabelURLSummary, LabelURLTotalFiles, LabelURLSucedded, LabelURLFailed, LabelURLOpenFolder);

    ButtonConvertDownloaded = NewButton(page, "ButtonConvertDownloaded",
                                        QStringLiteral("Convert the downloaded file(s) now! "), 20, 220, 280);
    ButtonConvertDownloaded->setFixedHeight(32);
}

}  // namespace ui
