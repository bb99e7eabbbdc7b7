#pragma once
// A label that acts on a mouse click: web links (blue, underlined, hand cursor) and pictures that open a
// page.

#include <QLabel>
#include <QMouseEvent>

namespace ui {

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr) : QLabel(parent) { setCursor(Qt::PointingHandCursor); }

    // Blue, underlined text, as a web link is shown.
    void ShowAsLink() {
        QFont f = font();
        f.setUnderline(true);
        setFont(f);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 255));
        setPalette(p);
    }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
        QLabel::mouseReleaseEvent(event);
    }
};

}  // namespace ui
