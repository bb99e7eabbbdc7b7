#pragma once
// The window-bound shared helpers: message dialog with custom captions, folder browser, opening a file,
// folder or web address with the desktop, and the nested wait cursor.

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

namespace ui {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Builds the standard dialog for the type and buttons, sets the caption, gives the i-th push button
// (0 <= i <= last, in the order Yes, No, OK, Cancel, Abort, Retry, Ignore, YesToAll, NoToAll, Help)
// captions[i] when that is not empty, beeps, and shows it modally. Returns the pressed button.
QMessageBox::StandardButton MessageDialogEx(const QString& message, const QString& caption, TMsgDlgType type,
                                            int last, const QStringList& captions,
                                            QMessageBox::StandardButtons buttons, QWidget* parent = nullptr);

// The edition's title, the caption of the program's message boxes. It is kept here rather than as Qt's
// application display name, which Qt would append to every window's caption ("Log — title").
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

// A notice (OK, information icon) and a confirmation (Yes/No, question icon) with the application
// title as caption. Confirm returns true only for Yes.
void ShowNotice(QWidget* parent, const QString& message);
bool Confirm(QWidget* parent, const QString& message);
void ShowError(QWidget* parent, const QString& message);

// Answers every open popup and modal dialog as if it were cancelled, so that no question is left waiting
// (a termination signal ends the program from wherever it stands).
void CancelOpenDialogs();

// Folder browser flags of the callers (only file-system folders, new dialog style).
enum TBrowseFlag { bifReturnOnlyFSDirs = 0x1, bifNewDialogStyle = 0x40 };

// Opens the folder browser at *path. On OK *path becomes the chosen folder (no trailing delimiter added)
// and the result is true; on cancel *path is unchanged. With a root, only that folder and what lies
// below it can be chosen.
bool BrowseForFolder(QWidget* owner, QString* path, const QString& prompt, int flags = 0,
                     const QString& root = QString());

// Hands a file, folder or web address to the desktop; failures and empty targets have no other effect.
// False when nothing could take it (an empty target, or no launcher such as xdg-open on the system).
bool OpenInShell(const QString& target);

// The hourglass over the whole application, nested: the cursor returns with the last EndWaitCursor.
void BeginWaitCursor();
void EndWaitCursor();
int WaitCursorDepth();

// Pairs BeginWaitCursor and EndWaitCursor, also when the work throws.
class WaitCursor {
public:
    WaitCursor() { BeginWaitCursor(); }
    ~WaitCursor() { EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace ui
