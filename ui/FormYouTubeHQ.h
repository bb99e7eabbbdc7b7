#pragma once
// TFormYouTubeHQ: the dialog in which the user orders the eight qualities the download tries. The editing
// rules live in download::QualityOrderEditor; this shows them.

#include <QDialog>

#include "download/Quality.h"

class QPushButton;
class QTreeWidget;

namespace ui {

class TFormYouTubeHQ : public QDialog {
    Q_OBJECT
public:
    // Centred over owner; the list starts with the given order.
    TFormYouTubeHQ(QWidget* owner, const download::QualityOrder& order);

    // The order of the rows, top to bottom (what OK stores).
    download::QualityOrder Order() const { return editor_.Result(); }

    QTreeWidget* ListViewYouTubeHQ = nullptr;
    QPushButton* ButtonUp = nullptr;
    QPushButton* ButtonDown = nullptr;
    QPushButton* ButtonDefault = nullptr;
    QPushButton* ButtonBestAvailable = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

private:
    void Move(bool up);
    void Refill(const download::QualityOrder& order);
    void ShowRows();

    download::QualityOrderEditor editor_;
};

// Shows the dialog modally over owner; on OK the order becomes the dialog's and true is returned.
bool ShowQualityDialog(QWidget* owner, download::QualityOrder& order);

}  // namespace ui
