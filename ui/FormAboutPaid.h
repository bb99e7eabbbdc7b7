#pragma once
// TFormAboutPaid: the compact About window of editions with CompactAbout. It appears centred on the screen.

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;

namespace ui {

class ClickableLabel;

class TFormAboutPaid : public QDialog {
    Q_OBJECT
public:
    // Reads "Version" and "Copyright" from the edition profile beside the program.
    TFormAboutPaid(const QString& title, const QString& programDir, std::function<void(const QString&)> open,
                   QWidget* owner);

    QLabel* ImageIcon = nullptr;
    QLabel* LabelAppName = nullptr;
    QLabel* LabelVersion = nullptr;
    QLabel* LabelCopyRight = nullptr;
    QLabel* LabelWarning = nullptr;
    ClickableLabel* LabelWeb = nullptr;
    QPushButton* ButtonOK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString title_;
    std::function<void(const QString&)> open_;
};

}  // namespace ui
