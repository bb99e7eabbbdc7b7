#pragma once
// TFormFailedAddFile: the dialog listing the files of one add batch that could not be read, one row per
// failure text, with a button to the edition's support page.

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace ui {

class TFormFailedAddFile : public QDialog {
    Q_OBJECT
public:
    // openLink opens the support address (the desktop's browser in the program, a recorder in tests).
    TFormFailedAddFile(const QString& supportLink, std::function<void(const QString&)> openLink,
                       QWidget* parent = nullptr);

    void AddFiles(const QStringList& texts);
    // Centred over the owner window, halves rounded toward zero.
    void PlaceOver(const QWidget* owner);

    QLabel* ImageIcon = nullptr;
    QLabel* LabelTitle = nullptr;
    QTreeWidget* ListViewFiles = nullptr;
    QPushButton* ButtonClose = nullptr;
    QPushButton* ButtonMoreInfo = nullptr;

private:
    QString supportLink_;
    std::function<void(const QString&)> openLink_;
};

}  // namespace ui
