#include "ui/SkinnedFrame.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace ui {

TSkinnedFrame::TSkinnedFrame(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {}

QRegion OpaqueRegion(const QImage& bitmap) {
    if (bitmap.isNull()) return QRegion();
    // The mask image has its magenta pixels set; as a bitmap they become color0, so the region holds
    // every other pixel.
    const QImage mask = bitmap.convertToFormat(QImage::Format_RGB32)
                            .createMaskFromColor(0xFF000000 | kSkinTransparentColor, Qt::MaskInColor);
    return QRegion(QBitmap::fromImage(mask));
}

void TSkinnedFrame::SetSkinBitmap(const QImage& bitmap) {
    bitmap_ = bitmap;
    background_ = QPixmap::fromImage(bitmap);
    setFixedSize(bitmap.size());
    setMask(OpaqueRegion(bitmap));
    update();
}

void TSkinnedFrame::AddDragHandle(QWidget* handle) {
    handle->installEventFilter(this);
}

void TSkinnedFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
}

bool TSkinnedFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::LeftButton) break;
            // The window manager moves the window when it can; otherwise follow the mouse ourselves.
            if (windowHandle() && windowHandle()->startSystemMove()) return true;
            dragging_ = true;
            dragOffset_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
            return true;
        }
        case QEvent::MouseMove:
            if (dragging_) {
                move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (dragging_) {
                dragging_ = false;
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace ui
