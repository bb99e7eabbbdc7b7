#pragma once
// PopupMenuHelp with its actions: the edition's web links (looked up by the application title at every
// use) and the About window that the edition's CompactAbout flag selects.

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace ui {

class THelpMenu : public QObject {
    Q_OBJECT
public:
    using ShellOpener = std::function<void(const QString&)>;

    // Fills popupMenu (or a menu of its own when it is null) with the items. actionMoreFreeTools, when given,
    // is the window's own action for the more-tools link (its caption follows the window). F1
    // (ActionHelpContent) is added to the main window itself, so it works even when ButtonHelp is hidden.
    THelpMenu(QWidget* mainWindow, QMenu* popupMenu, QAction* actionMoreFreeTools, const QString& title,
              const QString& programDir, bool compactAbout, ShellOpener open);

    // ActionHelp: drops the menu down just below the button, moved right by the skin's menu offset.
    void ActionHelpExecute(QWidget* buttonHelp, int menuOffset);
    static QPoint PopupPosition(const QWidget* buttonHelp, int menuOffset);

    // Creates the About window, centres it over the main window, shows it modally and frees it.
    void ActionAboutExecute();
    // A click on LabelMoreTools.
    void LabelMoreToolsClick();

    // How the About window is shown (tests replace the modal loop).
    std::function<void(QDialog*)> ShowModal;

    QMenu* PopupMenuHelp = nullptr;
    QAction* ActionHelpContent = nullptr;
    QAction* ActionHowTosTutorialVideos = nullptr;
    QAction* ActionHomePage = nullptr;
    QAction* ActionMoreFreeTools = nullptr;
    QAction* ActionCheckforUpdates = nullptr;
    QAction* ActionContactTechnicalSupport = nullptr;
    QAction* ActionAbout = nullptr;

private:
    QAction* AddLinkAction(const char* name, const QString& caption, QString (*lookup)(const QString&));

    QWidget* mainWindow_;
    QString title_;
    QString programDir_;
    bool compactAbout_;
    ShellOpener open_;
};

}  // namespace ui
