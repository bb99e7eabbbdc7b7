#pragma once
// TFormMain: the wizard's main window. Creating it runs the start-up sequence (app/Startup) and shows what it
// reports: the edition's captions, skin, layout variant, format and class buttons, the settings in the pages
// and lists, the start-up's messages; then it starts the clipboard watch, chooses the start page and posts
// DeferredStart, which shows the window. Closing it saves the settings and both placements.

#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <stdexcept>
#include <vector>

#include "app/EditionBranding.h"
#include "app/EditionProfile.h"
#include "app/SkinLayout.h"
#include "app/Startup.h"
#include "ui/SkinImages.h"
#include "ui/SkinnedFrame.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QRadioButton;
class QTabWidget;

namespace ui {

class TImageButton;
class TMainWizard;

using StartupError = app::StartupError;

class TFormMain : public TSkinnedFrame, private app::StartupView {
    Q_OBJECT
public:
    // Private window messages, posted to the main thread's queue (numbers as WM_USER + n).
    static constexpr int DeferredStartMessage = 1025;
    static constexpr int WM_CONVERT_START = 1026;
    static constexpr int WM_CONVERT_FINISHED = 1027;
    static constexpr int NextLinkMessage = 1028;
    static constexpr int NextQualityMessage = 1029;

    // Runs the start-up sequence with the edition profile and skin beside programDir; throws StartupError
    // when it cannot complete.
    explicit TFormMain(const QString& programDir, QWidget* parent = nullptr);
    ~TFormMain() override;

    QString Title() const { return title_; }
    const app::EditionProfile& Profile() const { return profile_; }
    int SkinNumber() const { return skinNumber_; }
    const app::SkinLayout& Layout() const { return layout_; }
    const app::EditionBrandingRow* Branding() const { return branding_; }
    QString ProgramDir() const { return programDir_; }
    QString SkinFolder() const { return skinFolder_; }
    // False when start-up stopped after the media libraries failed to load (no DeferredStart then).
    bool StartupCompleted() const { return startupCompleted_; }
    bool SettingsFileExisted() const { return settingsExisted_; }

    // The log window. Until one is attached, lines are kept and handed over when it is.
    void LogLine(const QString& line);
    void SetLogSink(std::function<void(const QString&)> sink);
    const QStringList& PendingLogLines() const { return pendingLog_; }
    // The window ActionLog shows and whose placement ("FormLog") is saved at close.
    void SetLogWindow(QWidget* logWindow);
    QWidget* LogWindow() const { return logWindow_; }

    // Page logic: the active page's title and the captions and states of Back, Next and Exit.
    void RefreshPage();
    // The wizard: page controls, page logic and the hand-overs to the runs.
    TMainWizard* Wizard() const { return wizard_; }
    // Appends every preset label to its format's drop-down.
    void FillPresetLists();
    // The clipboard watch: ClipboardHasNoText is current after every clipboard change.
    bool ClipboardHasNoText = true;
    bool ClipboardWatchActive() const { return clipboardWatch_; }
    // Leaves the clipboard watch (the close query does this).
    void StopClipboardWatch();
    // Saves the settings and both window placements; the error text for the user, empty on success.
    QString SaveSettingsAndPlacements();
    // The close path with no question on screen, for a logout or a termination signal: open dialogs and
    // menus are dismissed as if cancelled, a run is stopped, the settings are saved (a failure is only
    // reported on stderr) and the program ends.
    void CloseWithoutQuestions();

    // Controls, named as the window declares them.
    QLabel* ImageTopLogo = nullptr;
    QLabel* ImageLeftLogo = nullptr;
    QLabel* LabelTitle = nullptr;
    QLabel* LabelCaption = nullptr;  // the edition's title over the top logo, drawn at run time
    QLabel* LabelVersion = nullptr;
    QLabel* LabelMoreTools = nullptr;
    TImageButton* ButtonMin = nullptr;
    TImageButton* ButtonClose = nullptr;
    TImageButton* ButtonHelp = nullptr;
    TImageButton* ButtonLog = nullptr;
    TImageButton* ButtonBack = nullptr;
    TImageButton* ButtonNext = nullptr;
    TImageButton* ButtonExit = nullptr;
    int ButtonHelpTag = 0;  // horizontal offset of the help menu

    QTabWidget* PageControlMain = nullptr;
    QWidget* TabSheetMode = nullptr;
    QWidget* TabSheetStep1 = nullptr;
    QWidget* TabSheetStep2 = nullptr;
    QWidget* TabSheetStep3 = nullptr;
    QWidget* TabSheetStep4 = nullptr;
    QWidget* TabSheetStep5 = nullptr;
    QWidget* TabSheetStep6 = nullptr;
    QWidget* TabSheetStep7 = nullptr;

    QLabel* ImageDownloadVideo = nullptr;
    QLabel* ImageConvertVideo = nullptr;
    QRadioButton* RadioButtonDownloadVideo = nullptr;
    QRadioButton* RadioButtonConvertVideo = nullptr;

    QLabel* LabelFinishTitle1 = nullptr;
    QLabel* LabelFinishTitle2 = nullptr;
    QLabel* LabelFinishedDownloading1 = nullptr;
    QLabel* LabelFinishedDownloading2 = nullptr;

    TImageButton* ButtonToFormatVideo = nullptr;
    TImageButton* ButtonToFormatDevice = nullptr;
    TImageButton* ButtonToFormatAudio = nullptr;
    QTabWidget* RzPageControlToFormat = nullptr;
    QWidget* TabSheetToFormatVideo = nullptr;
    QWidget* TabSheetToFormatDevice = nullptr;
    QWidget* TabSheetToFormatAudio = nullptr;
    // In each class's button order (AVI..3GP, iPod..iPad, WAV..MP2).
    std::array<TImageButton*, app::kVideoFormatCount> VideoFormatButtons{};
    std::array<TImageButton*, app::kDeviceFormatCount> DeviceFormatButtons{};
    std::array<TImageButton*, app::kAudioFormatCount> AudioFormatButtons{};
    // "Presets:" on each class page, and the preset drop-downs of each class in the same order as its
    // buttons (ImageComboBoxAVIPresets ...), lying on top of each other: only the chosen format's is shown.
    QLabel* LabelPresetsVideo = nullptr;
    QLabel* LabelPresetsDevice = nullptr;
    QLabel* LabelPresetsAudio = nullptr;
    std::array<QComboBox*, app::kVideoFormatCount> VideoPresetLists{};
    std::array<QComboBox*, app::kDeviceFormatCount> DevicePresetLists{};
    std::array<QComboBox*, app::kAudioFormatCount> AudioPresetLists{};
    // The class's buttons and drop-downs by class number (0 Video, 1 Device, 2 Audio).
    std::vector<TImageButton*> FormatButtonsOf(int cls) const;
    std::vector<QComboBox*> PresetListsOf(int cls) const;
    QComboBox* PresetList(int cls, int index) const;

    QAction* ActionBack = nullptr;
    QAction* ActionNext = nullptr;
    QAction* ActionExit = nullptr;
    QAction* ActionLog = nullptr;
    QAction* ActionHelp = nullptr;
    QAction* ActionMoreFreeTools = nullptr;
    QMenu* PopupMenuHelp = nullptr;  // dropped down by ButtonHelp; the help menu fills it

    QStringList OpenDialogNameFilters;  // the open dialog's filter, first entry selected

signals:
    // The clipboard's text state changed (after ClipboardHasNoText was updated).
    void ClipboardStateChanged();
    // The window has closed and saved; the program ends.
    void Closed();
    // Files dropped from the desktop.
    void FilesDropped(const QStringList& files);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- app::StartupView ----
    void StartupLog(const QString& line) override;
    void FirstStart() override;
    void SettingsUnreadable(const QString& message) override;
    void SettingsLoaded() override;

    void CreateControls();
    void CreateModePage();
    void CreateFinishLabels();
    void CreateOutputChoice();
    void ApplyProfile();
    void ApplySkinLayout();
    void LayOutFormatButtons();
    void CenterOnScreen();
    void StartClipboardWatch();
    void UpdateClipboardState();
    void DeferredStart();
    void ActionHelpExecute();
    void ActionLogExecute();
    void CloseQuery();
    void SaveOnClose();
    void RunClosePath();
    void ArrangeTabOrder();
    void ShowEditionCaption();

    QString programDir_;
    QString title_;
    QString skinFolder_;
    app::EditionProfile profile_;
    int skinNumber_ = 0;
    app::SkinLayout layout_;
    const app::EditionBrandingRow* branding_ = nullptr;
    SkinImages skin_;
    bool startupCompleted_ = false;
    bool settingsExisted_ = false;
    bool settingsUnreadable_ = false;
    bool clipboardWatch_ = false;
    bool closing_ = false;
    bool quietClose_ = false;  // errors of the close path go to stderr, not into a message box
    bool tabOrderArranged_ = false;

    std::function<void(const QString&)> logSink_;
    QStringList pendingLog_;
    QPointer<QWidget> logWindow_;
    TMainWizard* wizard_ = nullptr;
};

}  // namespace ui
