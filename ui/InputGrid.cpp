#include "ui/InputGrid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cstring>

#include "wizard/InputFiles.h"
#include "wizard/InputList.h"

namespace ui {

namespace {

using wizard::InputListModel;

constexpr int kPictureWidth = 128;
constexpr int kPictureHeight = 88;
constexpr int kTextLeft = 136;
constexpr int kNameWidth = 280;
constexpr int kLineHeight = 16;

QFont BoldFont(QFont f) {
    f.setBold(true);
    return f;
}

}  // namespace

QImage ImageOfBitmap(const engine::TBitmap& bitmap) {
    if (bitmap.Empty() || bitmap.BitsPixel != 24) return QImage();
    return QImage(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Stride, QImage::Format_BGR888)
        .copy();
}

engine::TBitmap AudioIconPicture() {
    QImage image(118, 78, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient card(0, 0, 0, 78);
        card.setColorAt(0, QColor(0xFF, 0xC8, 0x6B));
        card.setColorAt(1, QColor(0xE0, 0x8A, 0x10));
        p.setPen(Qt::NoPen);
        p.setBrush(card);
        p.drawRoundedRect(QRectF(1, 1, 116, 76), 10, 10);
        // A quaver: two note heads joined by a beam.
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(34, 48, 18, 13));
        p.drawEllipse(QRectF(66, 42, 18, 13));
        p.drawRect(QRectF(48, 18, 4, 37));
        p.drawRect(QRectF(80, 12, 4, 37));
        QPainterPath beam;
        beam.moveTo(48, 18);
        beam.lineTo(84, 12);
        beam.lineTo(84, 20);
        beam.lineTo(48, 26);
        beam.closeSubpath();
        p.drawPath(beam);
    }
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    engine::TBitmap bitmap;
    bitmap.Resize(bgr.width(), bgr.height(), 24);
    for (int y = 0; y < bgr.height(); ++y)
        std::memcpy(bitmap.Line(y), bgr.constScanLine(y), size_t(bgr.width()) * 3);
    return bitmap;
}

void SlideDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    const auto* list = qobject_cast<const InputListModel*>(index.model());
    if (!list || index.row() >= list->Count()) return;
    const wizard::InputItem& item = list->Item(index.row());
    const QRect r = option.rect;
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->fillRect(r, selected ? pal.highlight() : pal.base());
    painter->setPen(pal.color(QPalette::Mid));
    painter->drawLine(r.bottomLeft(), r.bottomRight());

    if (item.Thumbnail && !item.Thumbnail->Empty()) {
        const QImage picture = ImageOfBitmap(*item.Thumbnail);
        const QSize fitted = picture.size().scaled(kPictureWidth, kPictureHeight, Qt::KeepAspectRatio);
        const QRect area(r.left(), r.top() + 1, kPictureWidth, kPictureHeight);
        QRect target(QPoint(0, 0), fitted);
        target.moveCenter(area.center());
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, picture);
    }

    painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const int left = r.left() + kTextLeft;
    const int textWidth = std::max(0, r.right() - left);
    painter->setFont(BoldFont(option.font));
    painter->drawText(QRect(left, r.top(), kNameWidth, kLineHeight + 2), Qt::AlignLeft | Qt::AlignVCenter,
                      item.FileMinName);
    painter->setFont(option.font);
    const std::pair<int, const QString*> lines[] = {
        {33, &item.Duration}, {49, &item.Bitrate}, {65, &item.Dimension}};
    for (const auto& [top, text] : lines)
        painter->drawText(QRect(left, r.top() + top, textWidth, kLineHeight),
                          Qt::AlignLeft | Qt::AlignVCenter, *text);
    painter->restore();
}

QSize SlideDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(kTextLeft + kNameWidth, TInputGrid::kRowHeight);
}

TInputGrid::TInputGrid(InputListModel* list, QWidget* parent) : QTableView(parent), list_(list) {
    setModel(list);
    setItemDelegate(new SlideDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    // One slide per row: the first column draws the whole slide; the others hold the facts.
    for (int c = 1; c < InputListModel::ColumnCount; ++c)
        setColumnHidden(c, true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setMouseTracking(false);
    FitColumn();
}

int TInputGrid::rowCount() const {
    return list_->rowCount();
}

int TInputGrid::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void TInputGrid::SelectRow(int row) {
    if (row < 0 || row >= rowCount()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = list_->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

QString TInputGrid::ShortenPath(const QString& path) const {
    const QFontMetrics metrics(BoldFont(font()));
    return wizard::MinimizeName(path, kNameWidth,
                                [&metrics](const QString& s) { return metrics.horizontalAdvance(s); });
}

void TInputGrid::FitColumn() {
    setColumnWidth(0, std::max(viewport()->width(), kTextLeft + kNameWidth));
}

void TInputGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    FitColumn();
}

int TInputGrid::DropRow(int y) const {
    const int row = rowAt(y);
    if (row >= 0) return row;
    return y < 0 ? 0 : rowCount() - 1;
}

void TInputGrid::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    dragging_ = false;
    pressRow_ = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint().y()) : -1;
    pressAt_ = event->position().toPoint();
}

void TInputGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (pressRow_ >= 0 && (event->buttons() & Qt::LeftButton)) {
        if (!dragging_ && (at - pressAt_).manhattanLength() >= QApplication::startDragDistance()) {
            dragging_ = true;
            viewport()->setCursor(Qt::DragMoveCursor);
        }
        if (dragging_) {
            dropRow_ = DropRow(at.y());
            viewport()->update();
            return;  // the selection stays on the dragged row
        }
    }
    QTableView::mouseMoveEvent(event);
}

void TInputGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        const int from = pressRow_;
        const int to = DropRow(event->position().toPoint().y());
        dragging_ = false;
        pressRow_ = dropRow_ = -1;
        viewport()->unsetCursor();
        viewport()->update();
        if (list_->MoveRow(from, to)) {
            SelectRow(to);
            emit RowDragged(from, to);
        }
        return;
    }
    pressRow_ = -1;
    QTableView::mouseReleaseEvent(event);
}

void TInputGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    const int row = rowAt(event->position().toPoint().y());
    if (event->button() == Qt::LeftButton && row >= 0) emit RowActivated(row);
}

void TInputGrid::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!dragging_ || dropRow_ < 0 || dropRow_ == pressRow_) return;
    // Where the dragged row will land: above the target when moving up, below it when moving down.
    const int top = rowViewportPosition(dropRow_);
    const int y = dropRow_ < pressRow_ ? top : top + rowHeight(dropRow_) - 2;
    QPainter p(viewport());
    p.fillRect(QRect(0, y, viewport()->width(), 2), palette().color(QPalette::Highlight));
}

}  // namespace ui
