#pragma once
// TFormLog: the log window. It collects the engine's messages and the per-file lines of the conversion
// path for as long as the program runs; the user can save its text or clear it.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace ui {

class TFormLog : public QDialog {
    Q_OBJECT
public:
    explicit TFormLog(QWidget* parent = nullptr);

    // Adds a line at the end of the log. Safe from any thread: lines from other threads are queued to
    // the window's thread, in order.
    void AppendLine(const QString& line);
    QStringList Lines() const;

    // The settings file holding the "FormLog" placement; empty means "system.dat" in the settings folder.
    void SetPlacementFile(const QString& file) { placementFile_ = file; }
    // Stores the window's placement (the main window does this when it closes).
    void SavePlacement();
    // Whether the window has been shown in this run; a window never shown has no placement to store.
    bool WasShown() const { return wasShown_; }

    // Seams for the two dialogs: the Delete confirmation (returns a QMessageBox::StandardButton) and the
    // save dialog (returns the chosen file, empty when cancelled).
    std::function<int()> AskDelete;
    std::function<QString()> ChooseSaveFile;

    QPlainTextEdit* MemoLog = nullptr;
    QWidget* PanelBottom = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonDelete = nullptr;
    QPushButton* ButtonSave = nullptr;

    void ButtonOKClick();
    void ButtonDeleteClick();
    void ButtonSaveClick();
    void PanelBottomResize();

    // Writes the lines to a file, one line each, replacing it; an error text, empty on success.
    static QString SaveLines(const QStringList& lines, const QString& file);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int DefaultAskDelete();
    QString DefaultChooseSaveFile();

    QString placementFile_;
    bool wasShown_ = false;
};

}  // namespace ui
