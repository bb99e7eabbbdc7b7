#include "ui/FormMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <algorithm>
#include <cstdio>

#include "app/Folders.h"
#include "app/Globals.h"
#include "app/OpenDialogFilter.h"
#include "app/SettingsStore.h"
#include "app/UtilFuncs.h"
#include "ui/ButtonPictures.h"
#include "ui/Dialogs.h"
#include "ui/EditionCaption.h"
#include "ui/FormLog.h"
#include "ui/ImageButton.h"
#include "ui/MainWizard.h"
#include "ui/SideLogo.h"
#include "ui/WindowPlacement.h"
#include "wizard/PresetCheck.h"
#include "wizard/PresetTable.h"

namespace ui {

namespace {

// Design geometry of the page areas (the skin variants move them, never resize them).
constexpr int kPageWidth = 540;
constexpr int kPageHeight = 420;
constexpr int kFormatPageLeft = 7;
constexpr int kFormatPageWidth = 525;
constexpr int kFormatPageHeight = 240;
// Where the edition's title starts in the caption band, right of the top logo's emblem.
constexpr int kCaptionLeft = 46;
constexpr int kCaptionRightMargin = 8;
// The preset drop-downs sit under the format buttons (two rows at most on a class page).
constexpr int kPresetsLabelTop = 134;
constexpr int kPresetListTop = 154;
// Design positions of the left column's labels (under the picture card).
constexpr int kLabelVersionTop = 448;
constexpr int kLabelMoreToolsTop = 466;

const QColor kInk(0x1D, 0x28, 0x40);
const QColor kVideoAccent(0x3F, 0x6F, 0xD1);
const QColor kDeviceAccent(0x1E, 0x9E, 0x8F);
const QColor kAudioAccent(0xE0, 0x8A, 0x10);

const std::array<const char*, app::kVideoFormatCount> kVideoNames = {"AVI", "MP4", "FLV", "SWF", "MPEG",
                                                                     "RM",  "WMV", "MOV", "3GP"};
const std::array<const char*, app::kDeviceFormatCount> kDeviceNames = {
    "iPod", "iPhone", "AppleTV", "PSP", "BlackBerry", "MobilePhone", "iPad"};
const std::array<const char*, app::kAudioFormatCount> kAudioNames = {"WAV", "MP3", "WMA",  "OGG",
                                                                     "AAC", "M4A", "FLAC", "MP2"};

QString ColorName(uint32_t rgb) {
    return QColor(QRgb(rgb)).name();
}

QWidget* NewPage(QTabWidget* owner, const char* name, const char* caption) {
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    owner->addTab(page, QLatin1String(caption));
    return page;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

template <size_t N>
void CreateFormatButtons(QWidget* page, const std::array<const char*, N>& names, const QColor& accent,
                         std::array<TImageButton*, N>& out) {
    for (size_t i = 0; i < N; ++i) {
        auto* button = new TImageButton(page);
        button->setObjectName(QStringLiteral("ButtonFormat") + QLatin1String(names[i]));
        button->setToolTip(QLatin1String(names[i]));
        const ButtonPictureSet pictures = FormatButtonPictures(QLatin1String(names[i]), accent);
        button->SetPictures(pictures[0], pictures[1], pictures[2], pictures[3]);
        out[i] = button;
    }
}

// "Presets:" and one drop-down per format of the class, all at the same place; only the chosen one shows.
template <size_t N>
QLabel* CreatePresetLists(QWidget* page, const char* labelName, const std::array<const char*, N>& names,
                          std::array<QComboBox*, N>& out) {
    QLabel* label = NewLabel(page, labelName, QStringLiteral("Presets:"));
    label->move(kFormatPageLeft + 3, kPresetsLabelTop);
    label->adjustSize();
    for (size_t i = 0; i < N; ++i) {
        auto* list = new QComboBox(page);
        list->setObjectName(QStringLiteral("ImageComboBox") + QLatin1String(names[i]) +
                            QStringLiteral("Presets"));
        list->setMaxVisibleItems(10);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setGeometry(kFormatPageLeft + 3, kPresetListTop, kFormatPageWidth - 2 * kFormatPageLeft - 6,
                          26);
        list->hide();
        out[i] = list;
    }
    return label;
}

}  // namespace

TFormMain::TFormMain(const QString& programDir, QWidget* parent)
    : TSkinnedFrame(parent), programDir_(programDir) {
    setObjectName(QStringLiteral("FormMain"));
    setAttribute(Qt::WA_QuitOnClose, false);  // the program ends through Closed()
    CreateControls();

    ApplyProfile();
    // Editions with minimal chrome show no version, links, help or log.
    if (branding_ && branding_->MinimalChrome) {
        LabelVersion->hide();
        LabelMoreTools->hide();
        ButtonHelp->hide();
        ButtonLog->hide();
    }
    // The wizard's pages and page logic, before the first RefreshPage.
    wizard_ = new TMainWizard(*this);
    const app::StartupOutcome outcome =
        app::RunStartup(app::GlobalVars(), programDir_, title_, *this,
                        {&app::LoadMediaLibrariesOnce, &wizard::StartupPresetNotes});
    settingsExisted_ = outcome.settingsExisted;
    settingsUnreadable_ = outcome.settingsUnreadable;
    if (!outcome.completed) return;
    StartClipboardWatch();
    PageControlMain->setCurrentWidget(app::GlobalVars().Download ? TabSheetMode : TabSheetStep1);
    // Pages are switched only by the program: no tabs to click, no focus stop on the hidden tab bars,
    // and no Ctrl+Tab or Ctrl+PgDn that would change pages past the page logic.
    for (QTabWidget* pages : {PageControlMain, RzPageControlToFormat}) {
        pages->tabBar()->hide();
        pages->setFocusPolicy(Qt::NoFocus);
        pages->tabBar()->setFocusPolicy(Qt::NoFocus);
        pages->installEventFilter(this);
    }
    // The window shows once the message loop runs.
    startupCompleted_ = true;
    QMetaObject::invokeMethod(this, &TFormMain::DeferredStart, Qt::QueuedConnection);
}

void TFormMain::StartupLog(const QString& line) {
    LogLine(line);
}

void TFormMain::FirstStart() {
    CenterOnScreen();
}

void TFormMain::SettingsUnreadable(const QString& message) {
    ShowError(this, message);
}

void TFormMain::SettingsLoaded() {
    const app::TGlobalVars& g = app::GlobalVars();
    RzPageControlToFormat->setCurrentIndex(g.OutputFormatClass <= app::fcAudio ? g.OutputFormatClass : 0);
    FillPresetLists();
    setAcceptDrops(true);
    OpenDialogNameFilters = app::NameFiltersFromPairs(app::kOpenDialogFilter);
    LoadPlacement(QStringLiteral("Form"), this);
    // The current page's heading, captions and buttons.
    RefreshPage();
}

TFormMain::~TFormMain() {
    // Destroyed without a close (from outside the window's own path): end as a close would, quietly.
    if (!closing_) {
        quietClose_ = true;
        RunClosePath();
    }
    StopClipboardWatch();
    // The pages are torn down with the window; what they report from here on reaches no page logic. The
    // runs beside them end first, while every widget they report to still exists.
    if (wizard_) wizard_->Detach();
    delete std::exchange(wizard_, nullptr);
}

void TFormMain::CreateControls() {
    setWindowIcon(QApplication::windowIcon());
    ImageTopLogo = NewLabel(this, "ImageTopLogo");
    ImageLeftLogo = NewLabel(this, "ImageLeftLogo");
    ImageLeftLogo->move(12, 74);
    AddDragHandle(ImageTopLogo);
    AddDragHandle(ImageLeftLogo);
    LabelCaption = NewLabel(this, "LabelCaption");
    LabelCaption->setAttribute(Qt::WA_TransparentForMouseEvents);  // presses reach the logo: a drag

    LabelTitle = NewLabel(this, "LabelTitle");
    LabelTitle->setFixedSize(700, 22);
    LabelVersion = NewLabel(this, "LabelVersion");
    LabelVersion->setGeometry(20, kLabelVersionTop, 170, 16);
    LabelMoreTools = NewLabel(this, "LabelMoreTools", QStringLiteral("more free tools..."));
    LabelMoreTools->setGeometry(20, kLabelMoreToolsTop, 170, 16);
    LabelMoreTools->setCursor(Qt::PointingHandCursor);
    LabelMoreTools->installEventFilter(this);

    auto newButton = [this](const char* name) {
        auto* b = new TImageButton(this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    ButtonMin = newButton("ButtonMin");
    ButtonClose = newButton("ButtonClose");
    ButtonHelp = newButton("ButtonHelp");
    ButtonLog = newButton("ButtonLog");
    ButtonBack = newButton("ButtonBack");
    ButtonNext = newButton("ButtonNext");
    ButtonExit = newButton("ButtonExit");
    ButtonMin->setToolTip(QStringLiteral("Minimize"));
    ButtonClose->setToolTip(QStringLiteral("Close"));
    // The keyboard has its own ways to minimise and close; Tab passes these two by.
    ButtonMin->setFocusPolicy(Qt::NoFocus);
    ButtonClose->setFocusPolicy(Qt::NoFocus);
    connect(ButtonMin, &QAbstractButton::clicked, this, [this] { showMinimized(); });
    connect(ButtonClose, &QAbstractButton::clicked, this, &QWidget::close);

    auto newAction = [this](const char* name, const QString& text) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        addAction(a);
        return a;
    };
    ActionBack = newAction("ActionBack", QStringLiteral("Back"));
    ActionNext = newAction("ActionNext", QStringLiteral("Next"));
    ActionExit = newAction("ActionExit", QStringLiteral("Exit"));
    ActionLog = newAction("ActionLog", QStringLiteral("Log"));
    ActionHelp = newAction("ActionHelp", QStringLiteral("Help"));
    ActionMoreFreeTools = newAction("ActionMoreFreeTools", QStringLiteral("More Free Tools..."));
    ButtonBack->SetAction(ActionBack);
    ButtonNext->SetAction(ActionNext);
    ButtonExit->SetAction(ActionExit);
    // Enter on a page goes on with the wizard (Next, Convert, Download, Finish) where the page allows it.
    ButtonNext->SetDefault(true);
    ButtonLog->SetAction(ActionLog);
    ButtonHelp->SetAction(ActionHelp);
    connect(ActionHelp, &QAction::triggered, this, &TFormMain::ActionHelpExecute);
    connect(ActionLog, &QAction::triggered, this, &TFormMain::ActionLogExecute);
    PopupMenuHelp = new QMenu(this);
    PopupMenuHelp->setObjectName(QStringLiteral("PopupMenuHelp"));

    PageControlMain = new QTabWidget(this);
    PageControlMain->setObjectName(QStringLiteral("PageControlMain"));
    PageControlMain->setDocumentMode(true);
    PageControlMain->setFixedSize(kPageWidth, kPageHeight);
    TabSheetMode = NewPage(PageControlMain, "TabSheetMode", "Mode");
    TabSheetStep1 = NewPage(PageControlMain, "TabSheetStep1", "Step1");
    TabSheetStep2 = NewPage(PageControlMain, "TabSheetStep2", "Step2");
    TabSheetStep3 = NewPage(PageControlMain, "TabSheetStep3", "Step3");
    TabSheetStep4 = NewPage(PageControlMain, "TabSheetStep4", "Step4");
    TabSheetStep5 = NewPage(PageControlMain, "TabSheetStep5", "Step5");
    TabSheetStep6 = NewPage(PageControlMain, "TabSheetStep6", "Step6");
    TabSheetStep7 = NewPage(PageControlMain, "TabSheetStep7", "Step7");
    connect(PageControlMain, &QTabWidget::currentChanged, this, [this] { RefreshPage(); });

    CreateModePage();
    CreateFinishLabels();
    CreateOutputChoice();
}

void TFormMain::CreateModePage() {
    ImageDownloadVideo = NewLabel(TabSheetMode, "ImageDownloadVideo");
    ImageConvertVideo = NewLabel(TabSheetMode, "ImageConvertVideo");
    RadioButtonDownloadVideo = new QRadioButton(QStringLiteral("Download video from YouTube"), TabSheetMode);
    RadioButtonDownloadVideo->setObjectName(QStringLiteral("RadioButtonDownloadVideo"));
    RadioButtonConvertVideo = new QRadioButton(
        QStringLiteral("Convert audio/video (previously downloaded) from file"), TabSheetMode);
    RadioButtonConvertVideo->setObjectName(QStringLiteral("RadioButtonConvertVideo"));
    RadioButtonDownloadVideo->setChecked(true);
    ImageDownloadVideo->move(40, 60);
    ImageConvertVideo->move(40, 200);
    ImageDownloadVideo->setCursor(Qt::PointingHandCursor);
    ImageConvertVideo->setCursor(Qt::PointingHandCursor);
    ImageDownloadVideo->installEventFilter(this);
    ImageConvertVideo->installEventFilter(this);
}

void TFormMain::CreateFinishLabels() {
    LabelFinishTitle1 =
        NewLabel(TabSheetStep4, "LabelFinishTitle1", QStringLiteral("%s has finished the conversion."));
    LabelFinishTitle2 =
        NewLabel(TabSheetStep4, "LabelFinishTitle2",
                 QStringLiteral("To convert other files, click \"Finish\". Click \"Exit\" to quit %s."));
    LabelFinishedDownloading1 = NewLabel(TabSheetStep7, "LabelFinishedDownloading1",
                                         QStringLiteral("%s has finished the downloading."));
    LabelFinishedDownloading2 =
        NewLabel(TabSheetStep7, "LabelFinishedDownloading2",
                 QStringLiteral("To convert other files, click \"Finish\". Click \"Exit\" to quit %s."));
    LabelFinishTitle1->move(20, 20);
    LabelFinishTitle2->move(20, 44);
    LabelFinishedDownloading1->move(20, 20);
    LabelFinishedDownloading2->move(20, 44);
}

void TFormMain::CreateOutputChoice() {
    auto classButton = [this](const char* name, int cls, const char* caption, const QColor& accent) {
        auto* b = new TImageButton(TabSheetStep2);
        b->setObjectName(QLatin1String(name));
        const ButtonPictureSet pictures = ClassButtonPictures(cls, QLatin1String(caption), accent);
        b->SetPictures(pictures[0], pictures[1], pictures[2], pictures[3]);
        return b;
    };
    ButtonToFormatVideo = classButton("ButtonToFormatVideo", 0, "Video", kVideoAccent);
    ButtonToFormatDevice = classButton("ButtonToFormatDevice", 1, "Devices", kDeviceAccent);
    ButtonToFormatAudio = classButton("ButtonToFormatAudio", 2, "Audio", kAudioAccent);

    RzPageControlToFormat = new QTabWidget(TabSheetStep2);
    RzPageControlToFormat->setObjectName(QStringLiteral("RzPageControlToFormat"));
    RzPageControlToFormat->setDocumentMode(true);
    RzPageControlToFormat->setFixedSize(kFormatPageWidth, kFormatPageHeight);
    RzPageControlToFormat->move(kFormatPageLeft, 172);
    TabSheetToFormatVideo = NewPage(RzPageControlToFormat, "TabSheetToFormatVideo", "Video");
    TabSheetToFormatDevice = NewPage(RzPageControlToFormat, "TabSheetToFormatDevice", "Device");
    TabSheetToFormatAudio = NewPage(RzPageControlToFormat, "TabSheetToFormatAudio", "Audio");
    CreateFormatButtons(TabSheetToFormatVideo, kVideoNames, kVideoAccent, VideoFormatButtons);
    CreateFormatButtons(TabSheetToFormatDevice, kDeviceNames, kDeviceAccent, DeviceFormatButtons);
    CreateFormatButtons(TabSheetToFormatAudio, kAudioNames, kAudioAccent, AudioFormatButtons);
    LabelPresetsVideo =
        CreatePresetLists(TabSheetToFormatVideo, "LabelPresetsVideo", kVideoNames, VideoPresetLists);
    LabelPresetsDevice =
        CreatePresetLists(TabSheetToFormatDevice, "LabelPresetsDevice", kDeviceNames, DevicePresetLists);
    LabelPresetsAudio =
        CreatePresetLists(TabSheetToFormatAudio, "LabelPresetsAudio", kAudioNames, AudioPresetLists);
}

std::vector<TImageButton*> TFormMain::FormatButtonsOf(int cls) const {
    switch (cls) {
        case app::fcVideo:
            return {VideoFormatButtons.begin(), VideoFormatButtons.end()};
        case app::fcDevice:
            return {DeviceFormatButtons.begin(), DeviceFormatButtons.end()};
        case app::fcAudio:
            return {AudioFormatButtons.begin(), AudioFormatButtons.end()};
        default:
            return {};
    }
}

std::vector<QComboBox*> TFormMain::PresetListsOf(int cls) const {
    switch (cls) {
        case app::fcVideo:
            return {VideoPresetLists.begin(), VideoPresetLists.end()};
        case app::fcDevice:
            return {DevicePresetLists.begin(), DevicePresetLists.end()};
        case app::fcAudio:
            return {AudioPresetLists.begin(), AudioPresetLists.end()};
        default:
            return {};
    }
}

QComboBox* TFormMain::PresetList(int cls, int index) const {
    const std::vector<QComboBox*> lists = PresetListsOf(cls);
    return index >= 0 && index < int(lists.size()) ? lists[size_t(index)] : nullptr;
}

void TFormMain::ApplyProfile() {
    // Read the edition profile; the title is the one the program entry read from the same file.
    const app::Edition edition = app::ReadEdition(programDir_, app::GlobalVars());
    profile_ = edition.profile;
    skinNumber_ = edition.skinNumber;
    title_ = profile_.Name;
    branding_ = app::FindEditionBranding(title_);
    setWindowTitle(title_);
    for (QLabel* label :
         {LabelFinishTitle1, LabelFinishTitle2, LabelFinishedDownloading1, LabelFinishedDownloading2}) {
        label->setText(label->text().replace(QLatin1String("%s"), title_));
        label->adjustSize();
    }
    LabelVersion->setText(QStringLiteral("Version: %1").arg(profile_.Version));

    // Skin images.
    skinFolder_ = app::SkinFolderName(programDir_, profile_.Res);
    QString error;
    if (!LoadSkinImages(skinFolder_, &skin_, &error)) throw StartupError(error.toStdString());
    SetSkinBitmap(skin_.main);
    ImageTopLogo->setPixmap(QPixmap::fromImage(skin_.topLogo));
    ImageTopLogo->adjustSize();
    ImageLeftLogo->setPixmap(QPixmap::fromImage(DrawSideLogo(skin_.leftLogo, SideLogoWordsFor(profile_))));
    ImageLeftLogo->adjustSize();
    ImageDownloadVideo->setPixmap(QPixmap::fromImage(skin_.downloadVideo));
    ImageDownloadVideo->adjustSize();
    ImageConvertVideo->setPixmap(QPixmap::fromImage(skin_.convertVideo));
    ImageConvertVideo->adjustSize();
    ButtonMin->SetPictures(skin_.min[0], skin_.min[1], skin_.min[2]);
    ButtonClose->SetPictures(skin_.close[0], skin_.close[1], skin_.close[2]);
    for (TImageButton* b : {ButtonHelp, ButtonLog, ButtonBack, ButtonNext, ButtonExit}) {
        b->SetPictures(skin_.bottom[0], skin_.bottom[1], skin_.bottom[2], skin_.bottom[3]);
    }
    // The mode page's texts sit beside their pictures.
    const int textLeft = ImageDownloadVideo->x() + ImageDownloadVideo->width() + 24;
    RadioButtonDownloadVideo->move(textLeft,
                                   ImageDownloadVideo->y() + (ImageDownloadVideo->height() - 20) / 2);
    RadioButtonConvertVideo->move(textLeft, ImageConvertVideo->y() + (ImageConvertVideo->height() - 20) / 2);
    RadioButtonDownloadVideo->adjustSize();
    RadioButtonConvertVideo->adjustSize();

    ApplySkinLayout();
    ShowEditionCaption();
    LayOutFormatButtons();
}

void TFormMain::ShowEditionCaption() {
    // The skin's top logo carries no name; the title is the edition's own, up to the chrome buttons.
    const int right = layout_.chromeButtonsVisible ? layout_.buttonMin.left : width();
    const int left = ImageTopLogo->x() + kCaptionLeft;
    const EditionCaption caption =
        DrawEditionCaption(title_, right - kCaptionRightMargin - left, ImageTopLogo->height());
    LabelCaption->setPixmap(QPixmap::fromImage(caption.picture));
    LabelCaption->setAccessibleName(title_);
    LabelCaption->setToolTip(caption.elided ? title_ : QString());
    LabelCaption->adjustSize();
    LabelCaption->move(left, ImageTopLogo->y());
    LabelCaption->raise();
}

void TFormMain::ApplySkinLayout() {
    layout_ = app::SkinLayoutFor(skinNumber_);
    const app::SkinLayout& s = layout_;
    ButtonMin->move(s.buttonMin.left, s.buttonMin.top);
    ButtonClose->move(s.buttonClose.left, s.buttonClose.top);
    ButtonMin->setVisible(s.chromeButtonsVisible);
    ButtonClose->setVisible(s.chromeButtonsVisible);
    ButtonHelp->move(s.buttonHelp.left, s.buttonHelp.top);
    ButtonHelpTag = s.helpMenuOffset;
    ButtonLog->move(s.buttonLogLeft, s.bottomRow);
    ButtonBack->move(s.buttonBackLeft, s.bottomRow);
    ButtonNext->move(s.buttonNextLeft, s.bottomRow);
    ButtonExit->move(s.buttonExitLeft, s.bottomRow);
    PageControlMain->move(s.pageControl.left, s.pageControl.top);
    LabelTitle->move(s.labelTitle.left, s.labelTitle.top);

    QFont titleFont = LabelTitle->font();
    titleFont.setPixelSize(14);
    titleFont.setBold(s.titleBold);
    LabelTitle->setFont(titleFont);
    LabelTitle->setStyleSheet(QStringLiteral("color: %1;").arg(kInk.name()));
    const QString labelColor = ColorName(s.labelColor);
    LabelVersion->setStyleSheet(QStringLiteral("color: %1; font-size: 11px;").arg(labelColor));
    LabelMoreTools->setStyleSheet(
        QStringLiteral("color: %1; font-size: 11px; text-decoration: underline;").arg(labelColor));

    QFont captionFont = ButtonNext->font();
    captionFont.setPixelSize(12);
    for (TImageButton* b : {ButtonHelp, ButtonLog, ButtonBack, ButtonNext, ButtonExit}) {
        b->setFont(captionFont);
        b->SetTransparent(s.transparentButtons);
        if (s.transparentButtons) b->SetCaptionColor(Qt::white);
    }
    if (s.labelVersionTop >= 0) {
        LabelVersion->move(LabelVersion->x(), s.labelVersionTop);
        LabelVersion->raise();
    }
    if (s.labelMoreToolsTop >= 0) {
        LabelMoreTools->move(LabelMoreTools->x(), s.labelMoreToolsTop);
        LabelMoreTools->raise();
    }
}

void TFormMain::LayOutFormatButtons() {
    auto place = [](auto& buttons, const auto& flags, int pageWidth) {
        int visible = 0;
        for (size_t i = 0; i < buttons.size(); ++i)
            visible += flags[i] ? 1 : 0;
        const std::vector<app::Point> cells = app::LayoutFormatButtons(visible, pageWidth);
        int k = 0;
        for (size_t i = 0; i < buttons.size(); ++i) {
            buttons[i]->setVisible(flags[i]);
            if (flags[i]) {
                buttons[i]->move(cells[k].left, cells[k].top);
                ++k;
            }
        }
        return visible > 0;
    };
    const std::array<bool, 3> hasButtons = {
        place(VideoFormatButtons, profile_.VideoFormats, kFormatPageWidth),
        place(DeviceFormatButtons, profile_.DeviceFormats, kFormatPageWidth),
        place(AudioFormatButtons, profile_.AudioFormats, kFormatPageWidth),
    };
    const app::ClassButtonLayout classes = app::LayoutClassButtons(hasButtons, kPageWidth);
    const std::array<TImageButton*, 3> classButtons = {ButtonToFormatVideo, ButtonToFormatDevice,
                                                       ButtonToFormatAudio};
    for (int c = 0; c < 3; ++c) {
        classButtons[c]->setVisible(classes.visible[c]);
        classButtons[c]->move(classes.position[c].left, classes.position[c].top);
    }
    RzPageControlToFormat->move(kFormatPageLeft, classes.formatAreaTop);
}

void TFormMain::CenterOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize s = screen->size();
    move((s.width() - width()) / 2, (s.height() - height()) / 2);
}

void TFormMain::FillPresetLists() {
    for (const wizard::OutputFormat& format : wizard::OutputFormats()) {
        QComboBox* list = PresetList(format.Class, format.Index);
        for (const wizard::Preset& preset : format.Presets)
            list->addItem(QString::fromUtf8(preset.Label));
    }
}

void TFormMain::RefreshPage() {
    // Pages change while the window is being built, before the wizard exists.
    if (wizard_) wizard_->Navigator().RefreshPage();
}

void TFormMain::LogLine(const QString& line) {
    if (logSink_) {
        logSink_(line);
    } else {
        pendingLog_.append(line);
    }
}

void TFormMain::SetLogSink(std::function<void(const QString&)> sink) {
    logSink_ = std::move(sink);
    if (!logSink_) return;
    const QStringList pending = std::exchange(pendingLog_, {});
    for (const QString& line : pending)
        logSink_(line);
}

void TFormMain::SetLogWindow(QWidget* logWindow) {
    if (logWindow_) logWindow_->removeEventFilter(this);
    logWindow_ = logWindow;
    // When the log window goes away the keyboard comes back here.
    if (logWindow_) logWindow_->installEventFilter(this);
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    // Enter that no control of the page took (a line edit, a list, a check box pass it on) presses the
    // default button; a focused button takes its own Enter before it gets here.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // A page's own push button (Add Video..., Select...) that has the keyboard is pressed by Enter.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
            if (!event->isAutoRepeat()) button->click();
            event->accept();
            return;
        }
    }
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && ButtonNext->IsDefault()) {
        if (ActionNext->isEnabled() && !event->isAutoRepeat()) ActionNext->trigger();
        event->accept();
        return;
    }
    TSkinnedFrame::keyPressEvent(event);
}

void TFormMain::StartClipboardWatch() {
    if (clipboardWatch_) return;
    clipboardWatch_ = true;
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TFormMain::UpdateClipboardState);
    UpdateClipboardState();
}

void TFormMain::StopClipboardWatch() {
    if (!clipboardWatch_) return;
    clipboardWatch_ = false;
    disconnect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
               &TFormMain::UpdateClipboardState);
}

void TFormMain::UpdateClipboardState() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ClipboardHasNoText = !(data && data->hasText());
    emit ClipboardStateChanged();
}

void TFormMain::DeferredStart() {
    if (closing_) return;
    show();
    activateWindow();  // the keyboard works at once, also where no window manager gives the focus
    const bool compact = branding_ && branding_->CompactAbout;
    LabelMoreTools->setText(compact ? QStringLiteral("more tools...") : QStringLiteral("more free tools..."));
    ActionMoreFreeTools->setText(compact ? QStringLiteral("More Tools...")
                                         : QStringLiteral("More Free Tools..."));
}

void TFormMain::ActionHelpExecute() {
    if (PopupMenuHelp->actions().isEmpty()) return;
    PopupMenuHelp->popup(
        QPoint(x() + ButtonHelp->x() + ButtonHelpTag, y() + ButtonHelp->y() + ButtonHelp->height()));
}

void TFormMain::ActionLogExecute() {
    if (!logWindow_) return;
    logWindow_->show();
    logWindow_->raise();
    logWindow_->activateWindow();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == logWindow_ && event->type() == QEvent::Hide && isVisible() && !closing_) {
        raise();
        activateWindow();
    }
    if (event->type() == QEvent::KeyPress &&
        (watched == PageControlMain || watched == RzPageControlToFormat)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool pageKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                             key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
        if (pageKey && (key->modifiers() & Qt::ControlModifier)) return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == LabelMoreTools) {
            ActionMoreFreeTools->trigger();
            return true;
        }
        if (watched == ImageDownloadVideo || watched == ImageConvertVideo) {
            QRadioButton* radio =
                watched == ImageDownloadVideo ? RadioButtonDownloadVideo : RadioButtonConvertVideo;
            radio->setChecked(true);
            radio->setFocus();
            return true;
        }
    }
    return TSkinnedFrame::eventFilter(watched, event);
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) files.append(url.toLocalFile());
    }
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    emit FilesDropped(files);
}

void TFormMain::CloseQuery() {
    // Detaches and stops the engine, aborts the transfers and leaves the clipboard watch.
    if (wizard_) {
        wizard_->Navigator().FormCloseQuery();
    } else {
        StopClipboardWatch();
    }
}

QString TFormMain::SaveSettingsAndPlacements() {
    if (settingsUnreadable_) return {};
    std::vector<app::SectionPlacement> placements{{QStringLiteral("Form"), PlacementOf(this)}};
    // A log window that was never shown keeps the placement stored by an earlier run.
    const auto* log = qobject_cast<const TFormLog*>(logWindow_);
    if (logWindow_ && (!log || log->WasShown()))
        placements.emplace_back(QStringLiteral("FormLog"), PlacementOf(logWindow_));
    QString error;
    app::SaveSettingsAndPlacements(app::GlobalVars(), placements, &error);
    return error;
}

void TFormMain::SaveOnClose() {
    if (quietClose_) {
        // Nobody may be there to answer a message box (a logout): the reason goes to stderr.
        const QString errors = SaveSettingsAndPlacements();
        if (!errors.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(errors));
        return;
    }
    if (wizard_) {
        wizard_->Navigator().FormClose();
        return;
    }
    const QString errors = SaveSettingsAndPlacements();
    if (!errors.isEmpty()) ShowError(this, errors);
}

void TFormMain::CloseWithoutQuestions() {
    if (closing_) return;
    // What is open answers as if cancelled, so the close path finds no question waiting.
    CancelOpenDialogs();
    quietClose_ = true;
    close();
}

void TFormMain::RunClosePath() {
    closing_ = true;
    CloseQuery();
    SaveOnClose();
    // Hidden rather than closed: its placement has just been stored with the rest.
    if (logWindow_) logWindow_->hide();
    emit Closed();
}

void TFormMain::showEvent(QShowEvent* event) {
    TSkinnedFrame::showEvent(event);
    // Every control exists by the first show, whichever part created it.
    if (tabOrderArranged_) return;
    ArrangeTabOrder();
    // The keyboard starts on the page's first control, not on a button below it.
    QWidget* page = PageControlMain->currentWidget();
    for (QWidget* w = nextInFocusChain(); page && w != this; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(this) &&
            w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

void TFormMain::ArrangeTabOrder() {
    // Tab walks the page's own controls, then the buttons below the page left to right, as the eye reads
    // them, and round to the page again. (The focus chain is a ring through the window; where the window
    // sits in it does not matter.)
    tabOrderArranged_ = true;
    const std::array<QWidget*, 5> buttons = {ButtonHelp, ButtonLog, ButtonBack, ButtonNext, ButtonExit};
    auto isButton = [&buttons](QWidget* w) {
        return std::find(buttons.begin(), buttons.end(), w) != buttons.end();
    };
    // Qt orders only widgets that take the focus: the row goes after the last such control.
    QWidget* last = previousInFocusChain();
    while (last != this && (last->focusPolicy() == Qt::NoFocus || isButton(last)))
        last = last->previousInFocusChain();
    for (QWidget* button : buttons) {
        if (last != this) setTabOrder(last, button);
        last = button;
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The window draws no frame of its own, so a close that comes from the window manager is its Alt+F4:
    // it runs the page's Exit behaviour, which asks first and closes the window itself when it should.
    if (event->spontaneous() && wizard_) {
        event->ignore();
        QMetaObject::invokeMethod(ActionExit, &QAction::trigger, Qt::QueuedConnection);
        return;
    }
    event->accept();
    RunClosePath();
}

}  // namespace ui
