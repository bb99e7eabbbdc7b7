#include "ui/FormFailedAddFile.h"

#include <algorithm>

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

namespace ui {

TFormFailedAddFile::TFormFailedAddFile(const QString& supportLink,
                                       std::function<void(const QString&)> openLink, QWidget* parent)
    : QDialog(parent), supportLink_(supportLink), openLink_(std::move(openLink)) {
    setObjectName(QStringLiteral("FormFailedAddFile"));
    setWindowTitle(QStringLiteral("Failed to Add Files"));
    setFixedSize(425, 290);  // a fixed dialog border
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ImageIcon = new QLabel(this);
    ImageIcon->setObjectName(QStringLiteral("ImageIcon"));
    ImageIcon->setGeometry(12, 12, 48, 48);
    ImageIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));

    LabelTitle = new QLabel(
        QStringLiteral("Failed to add the following files. The converter might not support the file type or "
                       "might not support the codec that was used to compress the file. Click \"More "
                       "Information\" to view a list of supported file types and releavant codecs."),
        this);
    LabelTitle->setObjectName(QStringLiteral("LabelTitle"));
    LabelTitle->setWordWrap(true);
    LabelTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelTitle->setGeometry(72, 10, 341, 72);

    ListViewFiles = new QTreeWidget(this);
    ListViewFiles->setObjectName(QStringLiteral("ListViewFiles"));
    ListViewFiles->setHeaderLabels({QStringLiteral("File")});
    ListViewFiles->setColumnWidth(0, 380);
    ListViewFiles->setRootIsDecorated(false);
    ListViewFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewFiles->header()->setStretchLastSection(false);
    ListViewFiles->setGeometry(12, 88, 401, 154);

    ButtonMoreInfo = new QPushButton(QStringLiteral("More Information..."), this);
    ButtonMoreInfo->setObjectName(QStringLiteral("ButtonMoreInfo"));
    ButtonMoreInfo->setGeometry(12, 252, 140, 26);
    ButtonMoreInfo->setAutoDefault(false);
    ButtonClose = new QPushButton(QStringLiteral("Close"), this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setGeometry(323, 252, 90, 26);
    ButtonClose->setDefault(true);

    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonMoreInfo, &QPushButton::clicked, this, [this] {
        if (openLink_) openLink_(supportLink_);
    });
}

void TFormFailedAddFile::AddFiles(const QStringList& texts) {
    for (const QString& text : texts) {
        auto* row = new QTreeWidgetItem(ListViewFiles, {text});
        row->setToolTip(0, text);
    }
    // Long messages widen the column, so the list scrolls sideways to show them whole.
    ListViewFiles->resizeColumnToContents(0);
    ListViewFiles->setColumnWidth(0, std::max(ListViewFiles->columnWidth(0), 380));
}

void TFormFailedAddFile::PlaceOver(const QWidget* owner) {
    if (!owner) return;
    move(owner->x() + (owner->width() - width()) / 2, owner->y() + (owner->height() - height()) / 2);
}

}  // namespace ui
