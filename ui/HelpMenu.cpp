#include "ui/HelpMenu.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QWidget>
#include <memory>

#include "ui/FormAbout.h"
#include "ui/FormAboutPaid.h"
#include "wizard/HelpLinks.h"

namespace ui {

THelpMenu::THelpMenu(QWidget* mainWindow, QMenu* popupMenu, QAction* actionMoreFreeTools,
                     const QString& title, const QString& programDir, bool compactAbout, ShellOpener open)
    : QObject(mainWindow),
      mainWindow_(mainWindow),
      title_(title),
      programDir_(programDir),
      compactAbout_(compactAbout),
      open_(std::move(open)) {
    ShowModal = [](QDialog* dialog) { dialog->exec(); };

    PopupMenuHelp = popupMenu ? popupMenu : new QMenu(mainWindow);
    PopupMenuHelp->setObjectName(QStringLiteral("PopupMenuHelp"));

    ActionHelpContent =
        AddLinkAction("HelpTopics1", QStringLiteral("Help Content"), &wizard::HelpContentLink);
    ActionHelpContent->setShortcut(QKeySequence(Qt::Key_F1));
    ActionHelpContent->setShortcutContext(Qt::WindowShortcut);
    mainWindow->addAction(ActionHelpContent);
    ActionHowTosTutorialVideos =
        AddLinkAction("QuickStart1", QStringLiteral("How Tos && Tutorial Videos..."), &wizard::HowToLink);
    PopupMenuHelp->addSeparator();
    ActionHomePage = AddLinkAction("Homepage1", QStringLiteral("Home Page..."), &wizard::HomePageLink);
    const QString moreTools =
        compactAbout ? QStringLiteral("More Tools...") : QStringLiteral("More Free Tools...");
    if (actionMoreFreeTools) {
        ActionMoreFreeTools = actionMoreFreeTools;
        ActionMoreFreeTools->setText(moreTools);
        PopupMenuHelp->addAction(ActionMoreFreeTools);
        connect(ActionMoreFreeTools, &QAction::triggered, this, &THelpMenu::LabelMoreToolsClick);
    } else {
        ActionMoreFreeTools = AddLinkAction("MoreRelatedTools1", moreTools, &wizard::MoreToolsLink);
    }
    PopupMenuHelp->addSeparator();
    ActionCheckforUpdates =
        AddLinkAction("CheckforUpdates1", QStringLiteral("Check for Updates..."), &wizard::UpdateLink);
    ActionContactTechnicalSupport = AddLinkAction(
        "ContactTechnicalSupport1", QStringLiteral("Contact Technical Support..."), &wizard::SupportLink);
    PopupMenuHelp->addSeparator();
    ActionAbout = PopupMenuHelp->addAction(QStringLiteral("About"));
    ActionAbout->setObjectName(QStringLiteral("About1"));
    connect(ActionAbout, &QAction::triggered, this, &THelpMenu::ActionAboutExecute);
}

QAction* THelpMenu::AddLinkAction(const char* name, const QString& caption,
                                  QString (*lookup)(const QString&)) {
    QAction* action = PopupMenuHelp->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, lookup] { open_(lookup(title_)); });
    return action;
}

QPoint THelpMenu::PopupPosition(const QWidget* buttonHelp, int menuOffset) {
    return buttonHelp->mapToGlobal(QPoint(menuOffset, buttonHelp->height()));
}

void THelpMenu::ActionHelpExecute(QWidget* buttonHelp, int menuOffset) {
    PopupMenuHelp->popup(PopupPosition(buttonHelp, menuOffset));
}

void THelpMenu::LabelMoreToolsClick() {
    open_(wizard::MoreToolsLink(title_));
}

void THelpMenu::ActionAboutExecute() {
    std::unique_ptr<QDialog> about;
    if (compactAbout_) {
        about = std::make_unique<TFormAboutPaid>(title_, programDir_, open_, mainWindow_);
    } else {
        QString error;
        about = TFormAbout::Create(title_, programDir_, open_, mainWindow_, &error);
        if (!about) {
            QMessageBox::critical(mainWindow_, title_, error);
            return;
        }
    }
    // Centred over the main window (the compact window then centres itself on the screen when shown).
    const QRect main = mainWindow_->frameGeometry();
    about->move(main.left() + (main.width() - about->width()) / 2,
                main.top() + (main.height() - about->height()) / 2);
    ShowModal(about.get());
}

}  // namespace ui
