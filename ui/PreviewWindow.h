#pragma once
// TPreviewWindow: the conversion run's one live-picture window, a tool window titled with the picture's
// time. It never grows past 60 % of the available screen (the picture is scaled down with its shape kept),
// it sits beside its owner (the main window) where there is room, it stays open from file to file until
// the run ends, and it steps behind while a modal dialog of the program is open.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>

namespace ui {

// The share of the available screen, in each direction, that the picture may take.
inline constexpr double kPreviewScreenShare = 0.6;

// The picture's client size: its own size, scaled down with its shape kept to fit inside
// kPreviewScreenShare of the available area. Never scaled up.
QSize PreviewSizeFor(const QSize& picture, const QRect& available);

// Where the window's client area goes: beside the owner (right, left, below or above, whichever shows the
// picture largest, each keeping room for the window frame), the picture scaled down to fit that room. When
// no side leaves room for at least a third of the picture's width, the full-size window goes to the corner
// of the screen that covers the least of the owner.
QRect PreviewGeometryFor(const QSize& picture, const QRect& owner, const QRect& available);

class TPreviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewWindow(QWidget* owner);

    // The user closed the window (not EndRun).
    std::function<void()> OnClosedByUser;

    // Shows the picture (copied) under the title, in the shape its pixels are meant to be shown in
    // (pixelAspect: a pixel's width over its height). The first picture after EndRun places the window;
    // later ones keep its place (the user may have moved it) and only follow a change of the shape.
    void ShowPicture(const QImage& picture, const QString& title, double pixelAspect = 1.0);
    // Hides the window without telling OnClosedByUser; the next picture places it afresh.
    void EndRun();

    QSize PictureSize() const { return source_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect AvailableArea() const;
    void Rescale();

    QWidget* owner_;
    QImage source_;
    QSize shape_;   // source_'s size with its pixel aspect applied: the shape it is shown in
    QImage shown_;  // source_ scaled to that shape within the client area
    bool placed_ = false;
};

}  // namespace ui
