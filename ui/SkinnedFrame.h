#pragma once
// The borderless skinned window: its shape and background come from a bitmap in which magenta
// (0xFF00FF) is transparent. Pressing on a drag handle (the logos) moves the window as a caption bar
// would.

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

namespace ui {

constexpr QRgb kSkinTransparentColor = 0xFF00FF;

class TSkinnedFrame : public QWidget {
    Q_OBJECT
public:
    explicit TSkinnedFrame(QWidget* parent = nullptr);

    // Sets the picture, the window's size and its shape.
    void SetSkinBitmap(const QImage& bitmap);
    const QImage& SkinBitmap() const { return bitmap_; }

    // Presses on this child start moving the window.
    void AddDragHandle(QWidget* handle);

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QImage bitmap_;
    QPixmap background_;
    bool dragging_ = false;
    QPoint dragOffset_;
};

// The part of the bitmap that is not magenta.
QRegion OpaqueRegion(const QImage& bitmap);

}  // namespace ui
