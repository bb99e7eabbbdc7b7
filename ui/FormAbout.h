#pragma once
// TFormAbout: the tabbed About window (pages "About" and "Update") with the skin's left picture.

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;
class QGroupBox;

namespace ui {

class ClickableLabel;

using ShellOpener = std::function<void(const QString&)>;

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    // Reads the edition profile beside the program and the skin's "leftlogo.png". Returns nothing and an
    // error text when the window cannot be built (a missing picture, a "Skin" value that is no number).
    static std::unique_ptr<TFormAbout> Create(const QString& title, const QString& programDir,
                                              ShellOpener open, QWidget* owner, QString* error);

    QWidget* PanelmageLeft = nullptr;
    ClickableLabel* ImageLeft = nullptr;
    QTabWidget* PageControlMain = nullptr;
    QWidget* TabSheetAbout = nullptr;
    QWidget* TabSheetUpdate = nullptr;
    QLabel* LabalTitle = nullptr;
    QLabel* LabelCopyright = nullptr;
    ClickableLabel* LabelWeb = nullptr;
    ClickableLabel* LabelSupportEmail = nullptr;
    QGroupBox* GroupBoxPInfo = nullptr;
    QLabel* LabelVersion = nullptr;
    QPushButton* ButtonUpdates = nullptr;
    QPushButton* ButtonOK = nullptr;

private:
    TFormAbout(const QString& title, ShellOpener open, QWidget* owner);
    void BuildAboutPage();
    void BuildUpdatePage();

    QString title_;
    ShellOpener open_;
};

}  // namespace ui
