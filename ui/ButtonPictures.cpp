#include "ui/ButtonPictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ui {

namespace {

QImage Canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QFont PixelFont(int px, bool bold) {
    QFont f;
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

// state: 0 normal, 1 over, 2 pressed/current
void Tile(QPainter& p, QRectF r, double radius, const QColor& accent, int state) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    if (state == 2) {
        p.fillPath(path, accent);
    } else {
        p.fillPath(path, state == 1 ? accent.lighter(185) : QColor(0xF6, 0xF8, 0xFB));
        p.setPen(QPen(state == 1 ? accent : QColor(0xD2, 0xD8, 0xE2), 1));
        p.drawPath(path);
    }
}

void Emblem(QPainter& p, int formatClass, QPointF c, const QColor& color) {
    p.save();
    p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (formatClass == 0) {
        p.drawRoundedRect(QRectF(c.x() - 8, c.y() - 6, 16, 12), 2, 2);
        QPainterPath play;
        play.moveTo(c.x() - 2, c.y() - 3);
        play.lineTo(c.x() + 3, c.y());
        play.lineTo(c.x() - 2, c.y() + 3);
        play.closeSubpath();
        p.fillPath(play, color);
    } else if (formatClass == 1) {
        p.drawRoundedRect(QRectF(c.x() - 5, c.y() - 8, 10, 16), 2, 2);
        p.drawLine(QPointF(c.x() - 1.5, c.y() + 5), QPointF(c.x() + 1.5, c.y() + 5));
    } else {
        p.setBrush(color);
        p.drawEllipse(QPointF(c.x() - 3, c.y() + 5), 3, 2.4);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(
            QPolygonF({QPointF(c.x(), c.y() + 5), QPointF(c.x(), c.y() - 7), QPointF(c.x() + 6, c.y() - 4)}));
    }
    p.restore();
}

}  // namespace

ButtonPictureSet FormatButtonPictures(const QString& name, const QColor& accent) {
    ButtonPictureSet set;
    for (int i = 0; i < 4; ++i) {
        const int state = i == 3 ? 2 : i;
        QImage img = Canvas(62, 57);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        Tile(p, QRectF(1.5, 1.5, 59, 54), 8, accent, state);
        // The name in one line when it fits at a readable size, else split before its last capital
        // ("Black" over "Berry").
        QString shown = name;
        int px = 15;
        QFont f = PixelFont(px, true);
        while (px > 11 && QFontMetrics(f).horizontalAdvance(shown) > 54)
            f = PixelFont(--px, true);
        if (QFontMetrics(f).horizontalAdvance(shown) > 54) {
            int split = -1;
            for (int k = 1; k < name.size(); ++k) {
                if (name[k].isUpper() && name[k - 1].isLower()) split = k;
            }
            if (split > 0) {
                shown = name.left(split) + u'\n' + name.mid(split);
                px = 12;
                f = PixelFont(px, true);
            }
        }
        p.setFont(f);
        p.setPen(state == 2 ? Qt::white : accent.darker(125));
        p.drawText(QRectF(0, 6, 62, 32), Qt::AlignCenter, shown);
        // A short bar under the name in the class colour.
        p.fillRect(QRectF(22, 44, 18, 3), state == 2 ? QColor(255, 255, 255, 200) : accent);
        p.end();
        set[i] = img;
    }
    return set;
}

ButtonPictureSet ClassButtonPictures(int formatClass, const QString& name, const QColor& accent) {
    ButtonPictureSet set;
    for (int i = 0; i < 4; ++i) {
        const int state = i == 3 ? 2 : i;
        QImage img = Canvas(165, 30);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        Tile(p, QRectF(0.5, 0.5, 164, 29), 7, accent, state);
        const QColor ink = state == 2 ? Qt::white : accent.darker(130);
        Emblem(p, formatClass, QPointF(22, 15), ink);
        p.setFont(PixelFont(13, true));
        p.setPen(ink);
        p.drawText(QRectF(40, 0, 120, 30), Qt::AlignVCenter | Qt::AlignLeft, name);
        p.end();
        set[i] = img;
    }
    return set;
}

}  // namespace ui
