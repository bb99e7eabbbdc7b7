#include "ui/FormYouTubeHQ.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ui {

TFormYouTubeHQ::TFormYouTubeHQ(QWidget* owner, const download::QualityOrder& order)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      editor_(order) {
    setObjectName(QStringLiteral("FormYouTubeHQ"));
    setWindowTitle(QStringLiteral("Prefer YouTube high quality"));

    ListViewYouTubeHQ = new QTreeWidget(this);
    ListViewYouTubeHQ->setObjectName(QStringLiteral("ListViewYouTubeHQ"));
    ListViewYouTubeHQ->setHeaderLabels(
        {QStringLiteral("Type"), QStringLiteral("Format"), QStringLiteral("Video"), QStringLiteral("Audio")});
    ListViewYouTubeHQ->setRootIsDecorated(false);
    ListViewYouTubeHQ->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewYouTubeHQ->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewYouTubeHQ->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewYouTubeHQ->header()->setSectionsMovable(false);
    for (const auto& [column, width] : {std::pair{0, 80}, {1, 90}, {2, 90}, {3, 130}})
        ListViewYouTubeHQ->setColumnWidth(column, width);
    ListViewYouTubeHQ->setMinimumSize(410, 190);

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    ButtonUp = button("ButtonUp", QStringLiteral("&Up"));
    ButtonDown = button("ButtonDown", QStringLiteral("&Down"));
    ButtonDefault = button("ButtonDefault", QStringLiteral("&Default"));
    ButtonBestAvailable = button("ButtonBestAvailable", QStringLiteral("&Best Available"));
    ButtonOK = button("ButtonOK", QStringLiteral("&OK"));
    ButtonCancel = button("ButtonCancel", QStringLiteral("&Cancel"));
    ButtonOK->setDefault(true);

    auto* side = new QVBoxLayout;
    for (QPushButton* b : {ButtonUp, ButtonDown, ButtonDefault, ButtonBestAvailable})
        side->addWidget(b);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(ListViewYouTubeHQ);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ButtonOK);
    bottom->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);

    connect(ButtonUp, &QPushButton::clicked, this, [this] { Move(true); });
    connect(ButtonDown, &QPushButton::clicked, this, [this] { Move(false); });
    connect(ButtonDefault, &QPushButton::clicked, this, [this] { Refill(download::kDefaultQualityOrder); });
    connect(ButtonBestAvailable, &QPushButton::clicked, this,
            [this] { Refill(download::kBestQualityOrder); });
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListViewYouTubeHQ, &QTreeWidget::itemSelectionChanged, this, [this] {
        auto* item = ListViewYouTubeHQ->currentItem();
        editor_.Select(item && item->isSelected() ? ListViewYouTubeHQ->indexOfTopLevelItem(item) : -1);
    });
    ShowRows();

    adjustSize();
    setFixedSize(sizeHint());
    if (owner) {
        const QRect main = owner->window()->frameGeometry();
        move(main.left() + (main.width() - width()) / 2, main.top() + (main.height() - height()) / 2);
    }
}

void TFormYouTubeHQ::ShowRows() {
    const QSignalBlocker quiet(ListViewYouTubeHQ);
    ListViewYouTubeHQ->clear();
    for (const auto& row : editor_.Rows())
        new QTreeWidgetItem(ListViewYouTubeHQ, {row.type, row.format, row.video, row.audio});
    if (QTreeWidgetItem* selected = ListViewYouTubeHQ->topLevelItem(editor_.Selected())) {
        ListViewYouTubeHQ->setCurrentItem(selected);
        selected->setSelected(true);
        ListViewYouTubeHQ->scrollToItem(selected);
    }
}

void TFormYouTubeHQ::Move(bool up) {
    if (up ? editor_.MoveUp() : editor_.MoveDown()) ShowRows();
    ListViewYouTubeHQ->setFocus();
}

void TFormYouTubeHQ::Refill(const download::QualityOrder& order) {
    editor_.Fill(order);
    ShowRows();
}

bool ShowQualityDialog(QWidget* owner, download::QualityOrder& order) {
    TFormYouTubeHQ dialog(owner, order);
    if (dialog.exec() != QDialog::Accepted) return false;
    order = dialog.Order();
    return true;
}

}  // namespace ui
