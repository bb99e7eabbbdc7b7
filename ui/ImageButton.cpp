#include "ui/ImageButton.h"

#include <QAction>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>

namespace ui {

TImageButton::TImageButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
}

void TImageButton::SetPictures(const QImage& normal, const QImage& over, const QImage& pressed,
                               const QImage& disabled) {
    source_ = {normal, over.isNull() ? normal : over, pressed.isNull() ? normal : pressed,
               disabled.isNull() ? normal : disabled};
    RebuildShown();
    if (!normal.isNull()) setFixedSize(normal.size());
    update();
}

void TImageButton::SetTransparent(bool transparent) {
    transparent_ = transparent;
    RebuildShown();
    update();
}

void TImageButton::SetCaptionColor(const QColor& color) {
    captionColor_ = color;
    update();
}

void TImageButton::RebuildShown() {
    for (size_t i = 0; i < source_.size(); ++i) {
        QImage img = source_[i].convertToFormat(QImage::Format_ARGB32);
        if (transparent_ && !img.isNull()) {
            const QRgb key = img.pixel(0, img.height() - 1) & 0xFFFFFF;
            for (int y = 0; y < img.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x) {
                    if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
                }
            }
        }
        shown_[i] = QPixmap::fromImage(img);
    }
}

void TImageButton::SetAction(QAction* action) {
    if (action_) disconnect(action_, nullptr, this, nullptr);
    action_ = action;
    if (!action) return;
    connect(action, &QAction::changed, this, &TImageButton::SyncFromAction);
    connect(this, &QAbstractButton::clicked, action, [this] {
        if (action_ && action_->isEnabled()) action_->trigger();
    });
    SyncFromAction();
}

void TImageButton::SyncFromAction() {
    if (!action_) return;
    setText(action_->text());
    setEnabled(action_->isEnabled());
}

void TImageButton::SetDefault(bool isDefault) {
    default_ = isDefault;
    update();
}

QChar TImageButton::MnemonicLetter() const {
    if (!action_) return {};
    for (const QKeySequence& sequence : action_->shortcuts()) {
        if (sequence.count() != 1) continue;
        const QKeyCombination combination = sequence[0];
        const int key = combination.key();
        if (combination.keyboardModifiers() == Qt::AltModifier && key >= Qt::Key_A && key <= Qt::Key_Z)
            return QChar(u'a' + (key - Qt::Key_A));
    }
    return {};
}

QString TImageButton::DrawnCaption() const {
    // Captions may use "&" for the mnemonic and "&&" for one "&". Otherwise the letter of the action's
    // Alt shortcut, where the caption has it, is underlined.
    if (text().contains(u'&')) return text();
    QString drawn = text();
    const QChar letter = MnemonicLetter();
    const int at = letter.isNull() ? -1 : drawn.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at >= 0) drawn.insert(at, u'&');
    return drawn;
}

int TImageButton::PictureState() const {
    if (!isEnabled()) return 3;
    if (isDown()) return 2;
    if (hovered_) return 1;
    return 0;
}

QSize TImageButton::sizeHint() const {
    return source_[0].isNull() ? QSize(80, 26) : source_[0].size();
}

void TImageButton::enterEvent(QEnterEvent* e) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(e);
}

void TImageButton::leaveEvent(QEvent* e) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void TImageButton::keyPressEvent(QKeyEvent* e) {
    // Space is the base class's own (pressed on the key, clicked on its release).
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!e->isAutoRepeat()) click();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

void TImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int state = PictureState();
    if (!shown_[state].isNull()) p.drawPixmap(0, 0, shown_[state]);
    if (hasFocus()) {
        // Drawn in the caption's colour, which the skin chose to stand out on the picture.
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(captionColor_, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(3.5, 3.5, -3.5, -3.5), 3, 3);
        p.restore();
    }
    if (default_ && isEnabled()) {
        // The default button (Enter on the page presses it) carries a plain frame inside its edge.
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(captionColor_, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
        p.restore();
    }
    if (text().isEmpty()) return;
    QColor color = captionColor_;
    if (state == 3) color.setAlpha(110);
    p.setPen(color);
    p.setFont(font());
    const QRect r = rect().translated(state == 2 ? 1 : 0, state == 2 ? 1 : 0);
    p.drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic, DrawnCaption());
}

}  // namespace ui
