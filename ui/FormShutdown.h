#pragma once
// TFormShutdown: the 30-second countdown before the end-of-run shutdown. It ends with Accepted (OK) when
// the time has run out, and with Rejected (Cancel) when the user presses Cancel, Enter or Esc or closes it.

#include <QDialog>
#include <QString>

#include "wizard/ShutdownCountdown.h"

class QLabel;
class QPushButton;
class QTimer;

namespace ui {

class TFormShutdown : public QDialog {
    Q_OBJECT
public:
    TFormShutdown(const QString& title, QWidget* parent = nullptr);

    // One second has passed (run by TimerShutdown; tests call it to drive the clock).
    void TimerShutdownTimer();

    QLabel* LabelWarning = nullptr;
    QLabel* LabelShutdownDescription = nullptr;
    QLabel* LabelTimeOut = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QTimer* TimerShutdown = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString title_;
    wizard::ShutdownCountdown countdown_;
};

}  // namespace ui
