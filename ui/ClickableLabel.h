#pragma once
// A label that acts on a mouse click: web links (blue, underlined, hand cursor) and pictures that open a
// page. A link too long for its label is shown shortened in the middle, with the whole link as tooltip;
// text() always holds the whole link.

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr) : QLabel(parent) { setCursor(Qt::PointingHandCursor); }

    // Blue, underlined text, as a web link is shown; a link that does not fit is shortened.
    void ShowAsLink() {
        QFont f = font();
        f.setUnderline(true);
        setFont(f);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 255));
        setPalette(p);
        elide_ = true;
        UpdateToolTip();
    }

    // Sets the text and the tooltip that goes with it.
    void SetLinkText(const QString& text) {
        setText(text);
        UpdateToolTip();
    }

    // The text as drawn: shortened in the middle when it does not fit.
    QString ShownText() const {
        if (!elide_) return text();
        return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
    }
    bool Elided() const { return ShownText() != text(); }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
        QLabel::mouseReleaseEvent(event);
    }
    void paintEvent(QPaintEvent* event) override {
        if (!elide_ || !pixmap().isNull()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter p(this);
        p.setFont(font());
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, ShownText());
    }
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        UpdateToolTip();
    }

private:
    void UpdateToolTip() { setToolTip(elide_ && Elided() ? text() : QString()); }

    bool elide_ = false;
};

}  // namespace ui
