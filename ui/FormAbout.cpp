#include "ui/FormAbout.h"

#include <QDate>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "app/EditionProfile.h"
#include "app/Folders.h"
#include "ui/ClickableLabel.h"
#include "ui/SideLogo.h"
#include "wizard/AboutTexts.h"
#include "wizard/HelpLinks.h"

namespace ui {

namespace {

constexpr int kClientWidth = 535;
constexpr int kClientHeight = 298;
constexpr int kPageControlWidth = 329;
constexpr int kPageControlHeight = 245;
constexpr int kRightMargin = 15;

QLabel* Label(const QString& text, QWidget* parent, int x, int y, int w = 300, int h = 18) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, h);
    return label;
}

}  // namespace

TFormAbout::TFormAbout(const QString& title, ShellOpener open, QWidget* owner)
    : QDialog(owner), title_(title), open_(std::move(open)) {
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("About "));
    // Single border, close box only.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    PanelmageLeft = new QWidget(this);
    PanelmageLeft->setObjectName(QStringLiteral("PanelmageLeft"));
    PanelmageLeft->setGeometry(10, 10, 175, 242);
    ImageLeft = new ClickableLabel(PanelmageLeft);
    ImageLeft->setObjectName(QStringLiteral("ImageLeft"));
    ImageLeft->setAlignment(Qt::AlignCenter);
    ImageLeft->setGeometry(0, 0, 175, 242);

    PageControlMain = new QTabWidget(this);
    PageControlMain->setObjectName(QStringLiteral("PageControlMain"));
    PageControlMain->setGeometry(kClientWidth - kRightMargin - kPageControlWidth, 8, kPageControlWidth,
                                 kPageControlHeight);
    BuildAboutPage();
    BuildUpdatePage();

    ButtonOK = new QPushButton(QStringLiteral("&OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonOK->setGeometry(PageControlMain->geometry().right() + 1 - 75, kClientHeight - 25 - 12, 75, 25);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormAbout::BuildAboutPage() {
    TabSheetAbout = new QWidget;
    TabSheetAbout->setObjectName(QStringLiteral("TabSheetAbout"));
    PageControlMain->addTab(TabSheetAbout, QStringLiteral("About"));

    // A long edition title with its version takes two lines.
    LabalTitle = Label(QString(), TabSheetAbout, 12, 12, 300, 36);
    LabalTitle->setObjectName(QStringLiteral("LabalTitle"));
    QFont bold = LabalTitle->font();
    bold.setBold(true);
    LabalTitle->setFont(bold);
    LabalTitle->setWordWrap(true);
    LabalTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelCopyright = Label(QString(), TabSheetAbout, 12, 52, 300, 40);
    LabelCopyright->setObjectName(QStringLiteral("LabelCopyright"));
    LabelCopyright->setWordWrap(true);
    LabelCopyright->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label(QStringLiteral("Web site:"), TabSheetAbout, 12, 100, 80);
    LabelWeb = new ClickableLabel(TabSheetAbout);
    LabelWeb->setObjectName(QStringLiteral("LabelWeb"));
    LabelWeb->ShowAsLink();
    LabelWeb->setGeometry(12, 120, 300, 18);
    connect(LabelWeb, &ClickableLabel::clicked, this, [this] { open_(LabelWeb->text()); });

    Label(QStringLiteral("Support:"), TabSheetAbout, 12, 148, 80);
    LabelSupportEmail = new ClickableLabel(TabSheetAbout);
    LabelSupportEmail->setObjectName(QStringLiteral("LabelSupportEmail"));
    LabelSupportEmail->ShowAsLink();
    LabelSupportEmail->setGeometry(12, 168, 300, 18);
    connect(LabelSupportEmail, &ClickableLabel::clicked, this,
            [this] { open_(wizard::SupportLink(title_)); });
}

void TFormAbout::BuildUpdatePage() {
    TabSheetUpdate = new QWidget;
    TabSheetUpdate->setObjectName(QStringLiteral("TabSheetUpdate"));
    PageControlMain->addTab(TabSheetUpdate, QStringLiteral("Update"));

    Label(QStringLiteral("Product information"), TabSheetUpdate, 12, 12);
    GroupBoxPInfo = new QGroupBox(TabSheetUpdate);
    GroupBoxPInfo->setObjectName(QStringLiteral("GroupBoxPInfo"));
    GroupBoxPInfo->setGeometry(12, 32, 300, 50);
    LabelVersion = Label(QStringLiteral("%s"), GroupBoxPInfo, 12, 18, 276);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));

    Label(QStringLiteral("Check for update"), TabSheetUpdate, 12, 96);
    // The text breaks its line after "the". The label is as wide as that first line, so the line is not
    // wrapped again and no lone word is left on a line of its own; where the page is too narrow for it in
    // the window's type, the type is set a little smaller. Longer texts still wrap, and the button sits
    // below the whole text.
    const QString hintText =
        QStringLiteral("To ensure you're using the latest version, click on the \nUpdates button below.");
    auto* hint = Label(hintText, TabSheetUpdate, 12, 116, 300, 36);
    const QString firstLine = hintText.section(u'\n', 0, 0);
    const int room = kPageControlWidth - 12 - 12;  // the page's inner width right of the label's left edge
    QFont hintFont = hint->font();
    while (QFontMetrics(hintFont).horizontalAdvance(firstLine) > room && hintFont.pointSizeF() > 7)
        hintFont.setPointSizeF(hintFont.pointSizeF() - 0.5);
    hint->setFont(hintFont);
    hint->setFixedWidth(std::clamp(QFontMetrics(hintFont).horizontalAdvance(firstLine) + 2, 300, room));
    hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hint->setWordWrap(true);
    hint->setFixedHeight(hint->heightForWidth(hint->width()));
    ButtonUpdates = new QPushButton(QStringLiteral("&Updates..."), TabSheetUpdate);
    ButtonUpdates->setObjectName(QStringLiteral("ButtonUpdates"));
    ButtonUpdates->setGeometry(12, std::max(160, hint->geometry().bottom() + 9), 90, 25);
    connect(ButtonUpdates, &QPushButton::clicked, this, [this] { open_(wizard::UpdateLink(title_)); });
}

std::unique_ptr<TFormAbout> TFormAbout::Create(const QString& title, const QString& programDir,
                                               ShellOpener open, QWidget* owner, QString* error) {
    const int year = QDate::currentDate().year();
    const app::EditionProfile profile = app::ReadEditionProfile(app::EditionProfilePath(programDir));
    const std::optional<int> skin = profile.SkinNumber();
    if (!skin) {
        if (error) *error = QStringLiteral("'%1' is not a valid integer value").arg(profile.Skin);
        return nullptr;
    }

    std::unique_ptr<TFormAbout> form(new TFormAbout(title, std::move(open), owner));
    form->LabelVersion->setText(form->LabelVersion->text().replace(QStringLiteral("%s"), profile.Version));
    form->LabelCopyright->setText(wizard::OwnershipLine(year, profile.Copyright));

    if (*skin == 3) {
        // No picture: the page control moves to the left and the window gets narrower.
        form->PanelmageLeft->hide();
        QRect pc = form->PageControlMain->geometry();
        pc.moveLeft(10);
        form->PageControlMain->setGeometry(pc);
        form->ButtonOK->move(pc.right() + 1 - form->ButtonOK->width(), form->ButtonOK->y());
        form->setFixedWidth(pc.left() + pc.width() + kRightMargin);
    } else {
        const QString file = app::SkinFolderName(programDir, profile.Res) + QStringLiteral("leftlogo.png");
        QImageReader reader(file);
        const QImage card = reader.read();
        if (card.isNull()) {
            if (error) {
                *error =
                    QFileInfo::exists(file)
                        ? QStringLiteral("Cannot read the picture \"%1\": %2").arg(file, reader.errorString())
                        : QStringLiteral("Cannot open file \"%1\". No such file or directory.").arg(file);
            }
            return nullptr;
        }
        const QImage picture = DrawSideLogo(card, SideLogoWordsFor(profile));
        // Centred in the panel; a picture larger than the panel is shown whole, scaled down.
        const QSize panel = form->PanelmageLeft->size();
        const bool fits = picture.width() <= panel.width() && picture.height() <= panel.height();
        form->ImageLeft->setPixmap(QPixmap::fromImage(
            fits ? picture : picture.scaled(panel, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        connect(form->ImageLeft, &ClickableLabel::clicked, form.get(),
                [f = form.get()] { f->open_(wizard::UpdateLink(f->title_)); });
    }

    form->LabelWeb->SetLinkText(wizard::HomePageLink(title));
    form->LabelSupportEmail->SetLinkText(wizard::SupportLink(title));
    form->LabalTitle->setText(QStringLiteral("%1 %2").arg(title, form->LabelVersion->text()));
    return form;
}

}  // namespace ui
