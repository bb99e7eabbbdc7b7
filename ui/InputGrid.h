#pragma once
// NextGrid: the input list of Step1 drawn as slides, one 90-pixel row per file with its thumbnail at the
// left and its facts beside it. Rows are selected whole and can be dragged to a new place; the list itself
// is wizard::InputListModel.

#include <QStyledItemDelegate>
#include <QTableView>

#include "engine/Bitmap.h"

namespace wizard {
class InputListModel;
}

namespace ui {

// The slide: the thumbnail in 128 x 88 at the left, the shortened path in bold at left 136, top 0, and the
// duration, bit rate and dimension lines at tops 33, 49 and 65, in the grid's font.
class SlideDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class TInputGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 90;
    // The width the shortened path must fit.
    static constexpr int kNameWidth = 255;

    explicit TInputGrid(wizard::InputListModel* list, QWidget* parent = nullptr);

    wizard::InputListModel* List() const { return list_; }
    int rowCount() const;
    // The selected row, -1 when none.
    int SelectedRow() const;
    void SelectRow(int row);
    // The path shortened to fit the slide in the grid's bold font.
    QString ShortenPath(const QString& path) const;

signals:
    // A row was dragged to a new place (the list has moved it and it stays selected).
    void RowDragged(int from, int to);
    // A double click on a row.
    void RowActivated(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The row a drop at this height would go to.
    int DropRow(int y) const;
    void FitColumn();

    wizard::InputListModel* list_;
    int pressRow_ = -1;
    QPoint pressAt_;
    bool dragging_ = false;
    int dropRow_ = -1;
};

// The picture audio-only files get: a 118 x 78 note on a soft card.
engine::TBitmap AudioIconPicture();

// A 24-bit engine picture as an image (a deep copy).
QImage ImageOfBitmap(const engine::TBitmap& bitmap);

}  // namespace ui
