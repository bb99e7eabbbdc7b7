#pragma once
// The controls of the wizard's pages that the page logic, the input list, the conversion run, the link list
// and the download run work with. The main window creates the eight page widgets (and the mode page, the
// finish titles and the output-choice buttons); this builds the rest of each page on them. The lists that
// later steps fill exist here as empty widgets with their columns.

#include <QObject>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace wizard {
class InputListModel;
}

namespace ui {

class ClickableLabel;
class TInputGrid;

struct PageWidgets {
    QWidget* step1;
    QWidget* step2;
    QWidget* step3;
    QWidget* step4;
    QWidget* step5;
    QWidget* step6;
    QWidget* step7;
};

class TWizardPages : public QObject {
    Q_OBJECT
public:
    // Actions are added to actionOwner (the main window) so their shortcuts work on the whole window.
    TWizardPages(const PageWidgets& pages, QWidget* actionOwner);

    // Step1: the input list, its grid and its actions.
    wizard::InputListModel* InputList = nullptr;
    TInputGrid* NextGrid = nullptr;
    QMenu* PopupMenuNextGrid = nullptr;
    QAction* ActionAdd = nullptr;
    QAction* ActionDelete = nullptr;
    QAction* ActionClear = nullptr;
    QAction* ActionMoveUp = nullptr;
    QAction* ActionMoveDown = nullptr;
    QAction* ActionPlay = nullptr;
    QPushButton* ButtonAdd = nullptr;
    QPushButton* ButtonDelete = nullptr;
    QPushButton* ButtonClear = nullptr;
    QPushButton* ButtonMoveUp = nullptr;
    QPushButton* ButtonMoveDown = nullptr;
    QPushButton* ButtonPlay = nullptr;

    // Step2: the output folder (the format choice is the main window's).
    QLabel* LabelOutputDir = nullptr;
    QLineEdit* EditOutputDir = nullptr;
    QPushButton* ButtonSelectDir = nullptr;
    // How many files convert at once: "Automatic", then 1 to 16 (the item's index is the setting).
    QLabel* LabelSimultaneous = nullptr;
    QComboBox* ComboBoxSimultaneous = nullptr;
    QLabel* LabelConvertTo = nullptr;

    // Step3: conversion progress.
    QTreeWidget* ListViewConverting = nullptr;
    QGroupBox* GroupBoxStatus = nullptr;
    QLabel* LabelCurrentFileTitle = nullptr;
    QLabel* LabelEstimatedTitle = nullptr;
    QLabel* LabelElapsedTitle = nullptr;
    QLabel* LabelTimeLeftTitle = nullptr;
    QLabel* LabelProgressTitle = nullptr;
    QLabel* LabelCurrentFile = nullptr;
    QLabel* LabelEstimated = nullptr;
    QLabel* LabelElapsed = nullptr;
    QLabel* LabelTimeLeft = nullptr;
    QLabel* LabelProgress = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QGroupBox* GroupBoxPostOptions = nullptr;
    QCheckBox* CheckBoxPlayASound = nullptr;
    QCheckBox* CheckBoxShutdown = nullptr;
    QCheckBox* CheckBoxPreview = nullptr;

    // Step4: conversion summary (the two finish titles are the main window's).
    QLabel* LabelFinishSummary = nullptr;
    QLabel* LabelFinishTotalFiles = nullptr;
    QLabel* LabelFinishSuccessed = nullptr;
    QLabel* LabelFinishFailed = nullptr;
    ClickableLabel* LabelOpenFolder = nullptr;
    QPlainTextEdit* MemoErrorLog = nullptr;

    // Step5: links, download folder and quality.
    QGroupBox* GroupBoxInputURLs = nullptr;
    QTreeWidget* ListViewInputURL = nullptr;
    QMenu* PopupMenuListViewURL = nullptr;
    QAction* ActionURLPaste = nullptr;
    QAction* ActionURLRemove = nullptr;
    QAction* ActionURLEmpty = nullptr;
    QAction* ActionURLSelect = nullptr;
    QPushButton* ButtonURLPaste = nullptr;
    QPushButton* ButtonURLRemove = nullptr;
    QPushButton* ButtonURLEmpty = nullptr;
    QGroupBox* GroupBoxSetup = nullptr;
    QLineEdit* EditURLOutput = nullptr;
    QPushButton* ButtonURLSelect = nullptr;
    QGroupBox* GroupBoxQuality = nullptr;
    QCheckBox* CheckBoxYouTubeQuality = nullptr;
    QPushButton* ButtonYouTubeQualityConfig = nullptr;
    QLabel* LabelYouTubeQuality = nullptr;

    // Step6: download progress.
    QTreeWidget* ListViewURLDownload = nullptr;
    QGroupBox* GroupBoxURLStatus = nullptr;
    QLabel* LabelURLCurrentFile = nullptr;
    QLabel* LabelURLStatus = nullptr;
    QLabel* LabelSpeed = nullptr;
    QLabel* LabelURLElapsedTime = nullptr;
    QLabel* LabelURLTimeLeft = nullptr;
    QLabel* LabelQuality = nullptr;
    QProgressBar* ProgressBarDownload = nullptr;
    QLabel* LabelProgressBarDownload = nullptr;

    // Step7: download summary (the two finish titles are the main window's).
    QLabel* LabelURLSummary = nullptr;
    QLabel* LabelURLTotalFiles = nullptr;
    QLabel* LabelURLSucedded = nullptr;
    QLabel* LabelURLFailed = nullptr;
    ClickableLabel* LabelURLOpenFolder = nullptr;
    QPushButton* ButtonConvertDownloaded = nullptr;

    // Step1's and Step5's enabled states, from the lists' rows and selection.
    void UpdateInputActions();
    void UpdateURLActions(bool clipboardHasNoText);

    // Step6's status group back to its first look.
    void ResetDownloadStatus();

    // Stops following the lists; the window calls it before its controls are torn down, since a list being
    // destroyed still reports its rows going away.
    void Detach();

private:
    std::vector<QMetaObject::Connection> listWatch_;

    void BuildStep1(QWidget* page, QWidget* actionOwner);
    void BuildStep2(QWidget* page);
    void BuildStep3(QWidget* page);
    struct SummaryNames {
        const char *summary, *total, *succeeded, *failed, *openFolder;
    };
    void BuildSummaryBlock(QWidget* page, const SummaryNames& names, QLabel*& summary, QLabel*& total,
                           QLabel*& succeeded, QLabel*& failed, ClickableLabel*& openFolder);
    void BuildStep4(QWidget* page);
    void BuildStep5(QWidget* page, QWidget* actionOwner);
    void BuildStep6(QWidget* page);
    void BuildStep7(QWidget* page);
};

}  // namespace ui
