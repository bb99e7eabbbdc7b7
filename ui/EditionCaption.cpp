#include "ui/EditionCaption.h"

#include <QFontMetrics>
#include <QPainter>

namespace ui {

namespace {

constexpr int kWordGap = 7;
const QColor kLeadColor(Qt::white);
const QColor kRestColor(0xAE, 0xBA, 0xD6);

QFont CaptionFont(int pixelSize, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

}  // namespace

EditionCaption DrawEditionCaption(const QString& title, int maxWidth, int height) {
    EditionCaption result;
    const QString trimmed = title.simplified();
    if (trimmed.isEmpty() || maxWidth <= 0 || height <= 0) return result;

    const int space = trimmed.indexOf(u' ');
    QString lead = space < 0 ? trimmed : trimmed.left(space);
    QString rest = space < 0 ? QString() : trimmed.mid(space + 1);
    const QFont leadFont = CaptionFont(17, true);
    const QFont restFont = CaptionFont(15, false);
    const QFontMetrics leadMetrics(leadFont);
    const QFontMetrics restMetrics(restFont);

    // The lead word keeps its place; the rest gives way first.
    if (leadMetrics.horizontalAdvance(lead) > maxWidth) {
        lead = leadMetrics.elidedText(lead, Qt::ElideRight, maxWidth);
        rest.clear();
        result.elided = true;
    }
    const int leadWidth = leadMetrics.horizontalAdvance(lead);
    if (!rest.isEmpty()) {
        const int room = maxWidth - leadWidth - kWordGap;
        const QString shown = room > 0 ? restMetrics.elidedText(rest, Qt::ElideRight, room) : QString();
        result.elided = result.elided || shown != rest;
        rest = shown;
    }
    const int width = rest.isEmpty() ? leadWidth : leadWidth + kWordGap + restMetrics.horizontalAdvance(rest);

    result.picture = QImage(std::min(width, maxWidth), height, QImage::Format_ARGB32_Premultiplied);
    result.picture.fill(Qt::transparent);
    QPainter p(&result.picture);
    p.setRenderHint(QPainter::TextAntialiasing);
    const int baseline = (height + leadMetrics.ascent() - leadMetrics.descent()) / 2;
    p.setFont(leadFont);
    p.setPen(kLeadColor);
    p.drawText(QPoint(0, baseline), lead);
    if (!rest.isEmpty()) {
        p.setFont(restFont);
        p.setPen(kRestColor);
        p.drawText(QPoint(leadWidth + kWordGap, baseline), rest);
    }
    return result;
}

}  // namespace ui
