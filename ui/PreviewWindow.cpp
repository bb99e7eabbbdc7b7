#include "ui/PreviewWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// Room kept for the frame a window manager draws around the client area (before the window is shown its
// real frame is not known), and the gap between the owner and the window.
constexpr int kFrameSide = 6;
constexpr int kFrameTop = 30;
constexpr int kGap = 8;

QSize FrameOf(const QSize& client) {
    return client + QSize(2 * kFrameSide, kFrameTop + kFrameSide);
}

// The size scaled down with its shape kept so that it fits inside box; never scaled up.
QSize FitInside(const QSize& size, const QSize& box) {
    if (size.width() <= box.width() && size.height() <= box.height()) return size;
    QSize fitted = size.scaled(box, Qt::KeepAspectRatio);
    return fitted.expandedTo(QSize(1, 1));
}

qint64 Area(const QSize& s) {
    return qint64(s.width()) * s.height();
}

}  // namespace

QSize PreviewSizeFor(const QSize& picture, const QRect& available) {
    if (picture.isEmpty()) return {};
    const QSize cap(int(std::floor(available.width() * kPreviewScreenShare)),
                    int(std::floor(available.height() * kPreviewScreenShare)));
    return FitInside(picture, cap);
}

QRect PreviewGeometryFor(const QSize& picture, const QRect& owner, const QRect& available) {
    const QSize full = PreviewSizeFor(picture, available);
    if (full.isEmpty()) return {};
    const QPoint clientOffset(kFrameSide, kFrameTop);

    // Right, left, below, above the owner; the frame's top-left in each, level with the owner's top (sides)
    // or left edge (below and above), kept inside the room.
    const QRect rooms[] = {
        QRect(QPoint(owner.right() + 1 + kGap, available.top()), available.bottomRight()),
        QRect(available.topLeft(), QPoint(owner.left() - 1 - kGap, available.bottom())),
        QRect(QPoint(available.left(), owner.bottom() + 1 + kGap), available.bottomRight()),
        QRect(available.topLeft(), QPoint(available.right(), owner.top() - 1 - kGap)),
    };
    QRect best;
    for (int side = 0; side < 4; ++side) {
        const QRect& room = rooms[side];
        const QSize frameRoom = FrameOf(QSize(0, 0));
        const QSize inner(room.width() - frameRoom.width(), room.height() - frameRoom.height());
        if (inner.width() <= 0 || inner.height() <= 0) continue;
        const QSize size = FitInside(full, inner);
        if (best.isValid() && Area(size) <= Area(best.size())) continue;
        const QSize frame = FrameOf(size);
        QPoint at;
        if (side < 2) {
            at.setX(side == 0 ? room.left() : room.right() + 1 - frame.width());
            at.setY(std::clamp(owner.top(), room.top(), room.bottom() + 1 - frame.height()));
        } else {
            at.setY(side == 2 ? room.top() : room.bottom() + 1 - frame.height());
            at.setX(std::clamp(owner.left(), room.left(), room.right() + 1 - frame.width()));
        }
        best = QRect(at + clientOffset, size);
    }
    if (best.isValid() && best.width() * 3 >= full.width()) return best;

    // No side has room: the corner that hides the least of the owner.
    const QSize frame = FrameOf(full);
    const QPoint corners[] = {
        available.topLeft(),
        QPoint(available.right() + 1 - frame.width(), available.top()),
        QPoint(available.left(), available.bottom() + 1 - frame.height()),
        QPoint(available.right() + 1 - frame.width(), available.bottom() + 1 - frame.height()),
    };
    QRect chosen;
    qint64 leastCovered = -1;
    for (const QPoint& corner : corners) {
        const qint64 covered = Area(QRect(corner, frame).intersected(owner).size());
        if (leastCovered >= 0 && covered >= leastCovered) continue;
        leastCovered = covered;
        chosen = QRect(corner + clientOffset, full);
    }
    return chosen;
}

TPreviewWindow::TPreviewWindow(QWidget* owner) : QWidget(owner, Qt::Tool), owner_(owner) {
    // Kept above its owner only (not above every window), and shown without taking the keyboard from it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect TPreviewWindow::AvailableArea() const {
    QScreen* screen = owner_ ? owner_->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void TPreviewWindow::ShowPicture(const QImage& picture, const QString& title, double pixelAspect) {
    if (picture.isNull()) return;
    const QSize before = shape_;
    source_ = picture.convertToFormat(QImage::Format_RGB32);  // a copy: the caller's memory is not kept
    shape_ = pixelAspect > 0 ? QSize(std::max(1, qRound(source_.width() * pixelAspect)), source_.height())
                             : source_.size();
    shown_ = QImage();
    setWindowTitle(title);
    if (!placed_) {
        const QRect owner = owner_ ? owner_->frameGeometry() : QRect();
        setGeometry(PreviewGeometryFor(shape_, owner, AvailableArea()));
        placed_ = true;
    } else if (before.isEmpty() ||
               qint64(before.width()) * shape_.height() != qint64(before.height()) * shape_.width()) {
        // Another shape (the next file): the width stays, the height follows, both within the cap.
        const QSize cap = PreviewSizeFor(QSize(1 << 20, 1 << 20), AvailableArea());
        resize(FitInside(shape_.scaled(QSize(width(), 1 << 20), Qt::KeepAspectRatio), cap));
    }
    if (!isVisible()) show();
    update();
}

void TPreviewWindow::EndRun() {
    placed_ = false;
    source_ = QImage();
    shape_ = QSize();
    shown_ = QImage();
    hide();
}

void TPreviewWindow::Rescale() {
    shown_ = source_.isNull() ? QImage()
                              : source_.scaled(shape_.scaled(size(), Qt::KeepAspectRatio),
                                               Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void TPreviewWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (source_.isNull()) return;
    if (shown_.isNull() || shown_.size() != shape_.scaled(size(), Qt::KeepAspectRatio)) Rescale();
    p.drawImage(QPoint((width() - shown_.width()) / 2, (height() - shown_.height()) / 2), shown_);
}

void TPreviewWindow::closeEvent(QCloseEvent* event) {
    placed_ = false;
    QWidget::closeEvent(event);
    if (OnClosedByUser) OnClosedByUser();
}

bool TPreviewWindow::event(QEvent* event) {
    // A modal dialog of the program (a question, the countdown) must be seen and clicked: the picture steps
    // behind while it is open and comes back afterwards.
    if (event->type() == QEvent::WindowBlocked && isVisible()) lower();
    if (event->type() == QEvent::WindowUnblocked && isVisible()) raise();
    return QWidget::event(event);
}

}  // namespace ui
