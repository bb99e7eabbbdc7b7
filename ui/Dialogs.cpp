#include "ui/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>
#include <array>

#include "app/FileNameBytes.h"
#include "app/UtilFuncs.h"

namespace ui {

namespace {

int g_waitDepth = 0;
QString g_applicationTitle;

constexpr std::array<QMessageBox::StandardButton, 10> kButtonOrder = {
    QMessageBox::Yes,   QMessageBox::No,     QMessageBox::Ok,       QMessageBox::Cancel,  QMessageBox::Abort,
    QMessageBox::Retry, QMessageBox::Ignore, QMessageBox::YesToAll, QMessageBox::NoToAll, QMessageBox::Help};

bool IsInside(const QString& folder, const QString& root) {
    const QString f = QDir::cleanPath(folder), r = QDir::cleanPath(root);
    return f == r || f.startsWith(app::AddTrailingBackslash(r));
}

}  // namespace

void SetApplicationTitle(const QString& title) {
    g_applicationTitle = title;
}

QString ApplicationTitle() {
    return g_applicationTitle;
}

QMessageBox::StandardButton MessageDialogEx(const QString& message, const QString& caption, TMsgDlgType type,
                                            int last, const QStringList& captions,
                                            QMessageBox::StandardButtons buttons, QWidget* parent) {
    QMessageBox box(parent);
    box.setText(message);
    box.setWindowTitle(caption);
    switch (type) {
        case mtWarning:
            box.setIcon(QMessageBox::Warning);
            break;
        case mtError:
            box.setIcon(QMessageBox::Critical);
            break;
        case mtInformation:
            box.setIcon(QMessageBox::Information);
            break;
        case mtConfirmation:
            box.setIcon(QMessageBox::Question);
            break;
        case mtCustom:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    int index = 0;
    for (QMessageBox::StandardButton b : kButtonOrder) {
        if (!(buttons & b)) continue;
        QPushButton* button = box.addButton(b);
        if (index <= last && index < captions.size() && !captions[index].isEmpty())
            button->setText(captions[index]);
        ++index;
    }
    // The desktop's sound theme decides what each kind of alert sounds like.
    QApplication::beep();
    box.exec();
    return box.standardButton(box.clickedButton());
}

void ShowNotice(QWidget* parent, const QString& message) {
    QMessageBox::information(parent, ApplicationTitle(), message, QMessageBox::Ok);
}

bool Confirm(QWidget* parent, const QString& message) {
    return QMessageBox::question(parent, ApplicationTitle(), message, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void ShowError(QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, ApplicationTitle(), message, QMessageBox::Ok);
}

void CancelOpenDialogs() {
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close()) break;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog && dialog->isVisible() && dialog->isModal()) dialog->reject();
    }
}

bool BrowseForFolder(QWidget* owner, QString* path, const QString& prompt, int flags, const QString& root) {
    Q_UNUSED(flags);  // the Qt dialog always shows file-system folders only, in its current style
    QFileDialog dialog(owner, prompt);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QString start = path->isEmpty() ? root : *path;
    if (!root.isEmpty() && !IsInside(start, root)) start = root;
    dialog.setDirectory(start);
    if (!root.isEmpty()) {
        // Keep the browser below the root.
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog,
                         [&dialog, root](const QString& dir) {
                             if (!IsInside(dir, root)) dialog.setDirectory(root);
                         });
    }
    while (dialog.exec() == QDialog::Accepted) {
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) break;
        QString folder = chosen.first();
        while (folder.size() > 1 && folder.endsWith(u'/'))
            folder.chop(1);
        if (!root.isEmpty() && !IsInside(folder, root)) continue;
        *path = folder;
        return true;
    }
    return false;
}

bool OpenInShell(const QString& target) {
    if (target.trimmed().isEmpty()) return false;
    const QUrl url = target.contains(QLatin1String("://")) || target.startsWith(QLatin1String("mailto:"))
                         ? QUrl(target)
                         : app::UrlFromFileName(QFileInfo(target).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

void BeginWaitCursor() {
    if (g_waitDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void EndWaitCursor() {
    if (g_waitDepth <= 0) return;
    if (--g_waitDepth == 0) QApplication::restoreOverrideCursor();
}

int WaitCursorDepth() {
    return g_waitDepth;
}

}  // namespace ui
