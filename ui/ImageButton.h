#pragma once
// A button drawn from pictures: normal, mouse over, pressed and disabled (the disabled picture falls back
// to the normal one). The caption, when there is one, is drawn centred over the picture. Bound to an
// action, it follows the action's caption and enabled state and triggers it when clicked. Tab reaches it
// (a mouse click does not move the focus); the focused button shows a dotted frame over its picture, and
// Space or Enter press it. The letter of the action's Alt shortcut is underlined in the caption.

#include <QAbstractButton>
#include <QImage>
#include <QPointer>
#include <array>

class QAction;

namespace ui {

class TImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TImageButton(QWidget* parent = nullptr);

    // Pictures in the order normal, mouse over, pressed, disabled; missing ones reuse the normal one.
    // The button takes the size of the normal picture.
    void SetPictures(const QImage& normal, const QImage& over, const QImage& pressed,
                     const QImage& disabled = QImage());

    // Transparent drawing: the colour of the pictures' bottom-left pixel is left out, so the window's
    // background shows around the button's shape.
    void SetTransparent(bool transparent);
    bool Transparent() const { return transparent_; }

    void SetCaptionColor(const QColor& color);
    QColor CaptionColor() const { return captionColor_; }

    void SetAction(QAction* action);
    QAction* Action() const { return action_; }

    // The default button of its window: drawn with a plain frame. Enter itself is the window's to route.
    void SetDefault(bool isDefault);
    bool IsDefault() const { return default_; }

    // The caption as drawn, "&" before the underlined letter: the letter of the action's Alt shortcut
    // (Alt+N underlines the first "n"), or the caption's own "&" mnemonic.
    QString DrawnCaption() const;

    // Which picture is shown now: 0 normal, 1 mouse over, 2 pressed, 3 disabled.
    int PictureState() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    void RebuildShown();
    void SyncFromAction();
    QChar MnemonicLetter() const;

    std::array<QImage, 4> source_;
    std::array<QPixmap, 4> shown_;
    bool transparent_ = false;
    bool hovered_ = false;
    bool default_ = false;
    QColor captionColor_{0x1D, 0x28, 0x40};
    QPointer<QAction> action_;
};

}  // namespace ui
