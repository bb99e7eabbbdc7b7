#include "ui/FormAboutPaid.h"

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "app/EditionProfile.h"
#include "ui/ClickableLabel.h"
#include "wizard/AboutTexts.h"
#include "wizard/HelpLinks.h"

namespace ui {

namespace {
constexpr int kClientWidth = 445;
constexpr int kClientHeight = 217;
constexpr int kTextLeft = 72;
}  // namespace

TFormAboutPaid::TFormAboutPaid(const QString& title, const QString& programDir,
                               std::function<void(const QString&)> open, QWidget* owner)
    : QDialog(owner), title_(title), open_(std::move(open)) {
    setObjectName(QStringLiteral("FormAboutPaid"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    const int year = QDate::currentDate().year();
    setWindowTitle(QStringLiteral("About %s").replace(QStringLiteral("%s"), title));

    ImageIcon = new QLabel(this);
    ImageIcon->setObjectName(QStringLiteral("ImageIcon"));
    ImageIcon->setGeometry(20, 20, 32, 32);
    ImageIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));

    LabelAppName = new QLabel(title, this);
    LabelAppName->setObjectName(QStringLiteral("LabelAppName"));
    QFont bold = LabelAppName->font();
    bold.setBold(true);
    LabelAppName->setFont(bold);
    LabelAppName->setGeometry(kTextLeft, 18, kClientWidth - kTextLeft - 16, 20);
    // A title longer than the line is cut with "..."; the tooltip and the caption show it whole.
    const QString shownName =
        LabelAppName->fontMetrics().elidedText(title, Qt::ElideRight, LabelAppName->contentsRect().width());
    if (shownName != title) {
        LabelAppName->setText(shownName);
        LabelAppName->setToolTip(title);
    }

    const app::EditionProfile profile = app::ReadEditionProfile(app::EditionProfilePath(programDir));
    LabelVersion =
        new QLabel(QStringLiteral("Version %s").replace(QStringLiteral("%s"), profile.Version), this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelVersion->setGeometry(kTextLeft, 40, kClientWidth - kTextLeft - 16, 18);

    LabelCopyRight = new QLabel(wizard::OwnershipLine(year, profile.Copyright), this);
    LabelCopyRight->setObjectName(QStringLiteral("LabelCopyRight"));
    LabelCopyRight->setGeometry(kTextLeft, 60, kClientWidth - kTextLeft - 16, 32);
    LabelCopyRight->setWordWrap(true);
    LabelCopyRight->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    LabelWarning = new QLabel(wizard::LegalNotice(), this);
    LabelWarning->setObjectName(QStringLiteral("LabelWarning"));
    LabelWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelWarning->setWordWrap(true);
    LabelWarning->setGeometry(kTextLeft, 96, kClientWidth - kTextLeft - 16, 64);

    LabelWeb = new ClickableLabel(this);
    LabelWeb->setObjectName(QStringLiteral("LabelWeb"));
    LabelWeb->ShowAsLink();
    LabelWeb->SetLinkText(wizard::HomePageLink(title));
    LabelWeb->setGeometry(kTextLeft, kClientHeight - 38, 250, 18);
    connect(LabelWeb, &ClickableLabel::clicked, this, [this] { open_(wizard::HomePageLink(title_)); });

    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonOK->setGeometry(kClientWidth - 16 - 75, kClientHeight - 16 - 25, 75, 25);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormAboutPaid::showEvent(QShowEvent* event) {
    // Set to appear centred on the screen: this wins over any placement made before showing.
    if (QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }
    QDialog::showEvent(event);
}

}  // namespace ui
