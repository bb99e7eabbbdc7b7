#include "ui/SideLogo.h"

#include <QFont>
#include <QPainter>
#include <algorithm>

namespace ui {

namespace {

// Cards lower than this are banners: the emblem at the left, the words beside it.
constexpr int kBannerHeight = 200;
const QColor kHeadColor(Qt::white);
const QColor kSubColor(0xAE, 0xBA, 0xD6);

QFont WordsFont(int pixelSize, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

template <typename Flags>
int Offered(const Flags& flags) {
    return int(std::count(flags.begin(), flags.end(), true));
}

}  // namespace

SideLogoWords SideLogoWordsFor(const app::EditionProfile& profile) {
    SideLogoWords words;
    words.headline = profile.Merge ? QStringLiteral("Join.") : QStringLiteral("Convert.");
    if (profile.Download) words.headline += QStringLiteral(" Download.");
    const int formats =
        Offered(profile.VideoFormats) + Offered(profile.DeviceFormats) + Offered(profile.AudioFormats);
    words.subline = formats == 1 ? QStringLiteral("1 format, one wizard")
                                 : QStringLiteral("%1 formats, one wizard").arg(formats);
    return words;
}

QImage DrawSideLogo(const QImage& card, const SideLogoWords& words) {
    if (card.isNull()) return card;
    QImage picture = card.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = picture.width(), h = picture.height();
    QPainter p(&picture);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (h < kBannerHeight) {
        // Beside the emblem: the first sentence bold, the rest below it in the lighter colour.
        const int split = words.headline.indexOf(u' ');
        const QString first = split < 0 ? words.headline : words.headline.left(split);
        const QString second = split < 0 ? words.subline : words.headline.mid(split + 1);
        const QRectF upper(66, 0, w - 70, h / 2.0 + 2), lower(66, h / 2.0 + 2, w - 70, h / 2.0);
        p.setFont(WordsFont(14, true));
        p.setPen(kHeadColor);
        p.drawText(upper, Qt::AlignLeft | Qt::AlignBottom,
                   p.fontMetrics().elidedText(first, Qt::ElideRight, int(upper.width())));
        p.setPen(kSubColor);
        p.drawText(lower, Qt::AlignLeft | Qt::AlignTop,
                   p.fontMetrics().elidedText(second, Qt::ElideRight, int(lower.width())));
        return picture;
    }
    const int top = std::min(296, h - 42);
    p.setFont(WordsFont(15, true));
    p.setPen(kHeadColor);
    p.drawText(QRectF(0, top, w, 22), Qt::AlignHCenter,
               p.fontMetrics().elidedText(words.headline, Qt::ElideRight, w - 8));
    p.setFont(WordsFont(12, false));
    p.setPen(kSubColor);
    p.drawText(QRectF(0, top + 22, w, 20), Qt::AlignHCenter,
               p.fontMetrics().elidedText(words.subline, Qt::ElideRight, w - 8));
    return picture;
}

}  // namespace ui
