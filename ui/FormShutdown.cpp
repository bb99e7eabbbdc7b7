#include "ui/FormShutdown.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>

namespace ui {

TFormShutdown::TFormShutdown(const QString& title, QWidget* parent) : QDialog(parent), title_(title) {
    setObjectName(QStringLiteral("FormShutdown"));
    setWindowTitle(QStringLiteral("Shutdown"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(234, 149);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setGeometry(12, 12, 32, 32);

    LabelWarning = new QLabel(QStringLiteral("Warning!"), this);
    LabelWarning->setObjectName(QStringLiteral("LabelWarning"));
    QFont big(QStringLiteral("Arial"));
    big.setPixelSize(19);
    big.setBold(true);
    LabelWarning->setFont(big);
    LabelWarning->setGeometry(56, 14, 170, 28);

    LabelShutdownDescription = new QLabel(this);
    LabelShutdownDescription->setObjectName(QStringLiteral("LabelShutdownDescription"));
    LabelShutdownDescription->setGeometry(12, 50, 214, 48);
    LabelShutdownDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    LabelTimeOut = new QLabel(this);
    LabelTimeOut->setObjectName(QStringLiteral("LabelTimeOut"));
    LabelTimeOut->setGeometry(12, 98, 120, 18);

    ButtonCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setDefault(true);
    ButtonCancel->setGeometry((234 - 75) / 2, 116, 75, 25);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    // FormCreate: the counter starts at 30 and the clock runs.
    LabelTimeOut->setText(countdown_.TimeLeftText());
    TimerShutdown = new QTimer(this);
    TimerShutdown->setInterval(1000);
    connect(TimerShutdown, &QTimer::timeout, this, &TFormShutdown::TimerShutdownTimer);
    TimerShutdown->start();
}

void TFormShutdown::showEvent(QShowEvent* event) {
    LabelShutdownDescription->setText(wizard::ShutdownDescription(title_));
    QDialog::showEvent(event);
}

void TFormShutdown::TimerShutdownTimer() {
    if (countdown_.Tick()) {
        TimerShutdown->stop();
        accept();
        return;
    }
    LabelTimeOut->setText(countdown_.TimeLeftText());
}

}  // namespace ui
