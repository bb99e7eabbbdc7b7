// Draws the shipped skin (sounds/res/), the edition icons (icons/) and the two end-of-run sounds
// (sounds/done.wav, sounds/fail.wav) into the given folder, and, given a second folder, the program's icon at
// the icon theme's sizes (<folder>/<N>x<N>/apps/reelwright.png). Run by the build, so the pictures can be
// changed here and rebuilt; the output is deterministic. No picture carries an edition's name: the window
// draws the title of the edition it runs as.
//
// Skin 0 geometry (sounds/res): the window is 760 x 550; a navy caption band (0..38) carries the logo and
// the minimise and close buttons (696,4 and 728,4); the page title sits at 24,43; the page area starts at
// 203,74 inside a white panel; the left column shows the picture card; the bottom buttons sit at top 510.
// sounds/res1 and sounds/res3 are sized for the layouts of skins 1 and 3.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kBand = 38;
const QColor kMagenta(0xFF, 0x00, 0xFF);
const QColor kBandTop(0x1B, 0x25, 0x3D);
const QColor kBandBottom(0x26, 0x35, 0x58);
const QColor kBody(0xE9, 0xED, 0xF3);
const QColor kPanelBorder(0xD2, 0xD8, 0xE2);
const QColor kInk(0x1D, 0x28, 0x40);
const QColor kAmber(0xF5, 0xA5, 0x24);
const QColor kCoral(0xEF, 0x6F, 0x5E);
const QColor kTeal(0x2B, 0xB3, 0xA3);
const QColor kBlue(0x3F, 0x6F, 0xD1);

QString g_out;

// One skin folder, sized for a layout variant: the window, its light page panel, and the dark areas that
// carry white labels or transparent buttons.
struct SkinSpec {
    QString folder;  // below the output folder
    int width;
    int height;
    int chromeTop;       // top of the minimise and close buttons
    int bottomRow;       // top of the bottom buttons
    QRectF panel;        // the white page panel
    QRectF sidebar;      // dark column behind the left picture and the labels (empty: none)
    QRectF bottomStrip;  // dark strip behind transparent bottom buttons (empty: light)
    QSize card;          // leftlogo.png
};

// Skin 0 and 2 (sounds/res): light window, picture card on the left, labels in gray below it.
const SkinSpec kDefaultSkin{"sounds/res", 760, 550, 4, 510, {195.5, 67.5, 555, 433}, {}, {}, {176, 360}};
// Skin 1 (sounds/res1): a larger window with a dark sidebar for the white labels.
const SkinSpec kWideSkin{"sounds/res1",     830, 610,       3, 566, {233.5, 103.5, 554, 432},
                         {0, 38, 226, 512}, {},  {200, 360}};
// Skin 3 (sounds/res3): no chrome buttons, a dark sidebar and a dark bottom strip for transparent buttons.
const SkinSpec kDarkSkin{
    "sounds/res3",     760,      550, 4, 515, {195.5, 73.5, 555, 427.5}, {0, 38, 190, 467},
    {0, 505, 760, 45}, {176, 80}};
const QColor kSidebarTop(0x22, 0x30, 0x52);
const QColor kSidebarBottom(0x14, 0x1B, 0x2E);
const QColor kStrip(0x1B, 0x25, 0x3D);

bool Save(const QImage& img, const QString& name) {
    const QString path = g_out + u'/' + name;
    QDir().mkpath(path.section(u'/', 0, -2));
    const bool bmp = name.endsWith(QLatin1String(".bmp"));
    // Bitmaps are plain 24-bit: the skin's transparent colour is an exact RGB value.
    const QImage toSave = bmp ? img.convertToFormat(QImage::Format_RGB888) : img;
    if (!toSave.save(path, bmp ? "BMP" : "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage Canvas(int w, int h, QColor fill = Qt::transparent) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

// The caption band colour at a given height, shared by the window and the chrome buttons so they blend.
QColor BandAt(double y) {
    const double t = std::clamp(y / kBand, 0.0, 1.0);
    return QColor::fromRgbF(kBandTop.redF() + t * (kBandBottom.redF() - kBandTop.redF()),
                            kBandTop.greenF() + t * (kBandBottom.greenF() - kBandTop.greenF()),
                            kBandTop.blueF() + t * (kBandBottom.blueF() - kBandTop.blueF()));
}

void FillBand(QPainter& p, int top, int width, int height) {
    for (int y = 0; y < height; ++y) {
        p.setPen(BandAt(top + y + 0.5));
        p.drawLine(0, y, width - 1, y);
    }
}

// A film reel: the program's emblem.
void DrawReel(QPainter& p, QPointF c, double r, QColor rim, QColor hub, QColor holes) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(c, r, r);
    p.setBrush(holes);
    for (int i = 0; i < 5; ++i) {
        const double a = -M_PI / 2 + i * 2 * M_PI / 5;
        p.drawEllipse(QPointF(c.x() + std::cos(a) * r * 0.55, c.y() + std::sin(a) * r * 0.55), r * 0.22,
                      r * 0.22);
    }
    p.setBrush(hub);
    p.drawEllipse(c, r * 0.16, r * 0.16);
    p.restore();
}

void MainBitmap(const SkinSpec& spec) {
    const int kWidth = spec.width, kHeight = spec.height;
    QImage img = Canvas(kWidth, kHeight, kMagenta);
    QPainter p(&img);
    // The window's outline is drawn without anti-aliasing: every pixel is either exactly magenta
    // (cut away by the mask) or part of the window, so no pink fringe appears.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, kWidth, kHeight), 12, 12);
    p.setClipPath(outline);
    p.fillRect(img.rect(), kBody);
    if (!spec.sidebar.isEmpty()) {
        QLinearGradient side(0, spec.sidebar.top(), 0, spec.sidebar.bottom());
        side.setColorAt(0, kSidebarTop);
        side.setColorAt(1, kSidebarBottom);
        p.fillRect(spec.sidebar, side);
    }
    if (!spec.bottomStrip.isEmpty()) p.fillRect(spec.bottomStrip, kStrip);
    if (!spec.sidebar.isEmpty() && spec.card.height() < 200) {
        // A faint reel fills the sidebar below the small banner.
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setClipRect(spec.sidebar);
        p.setOpacity(0.10);
        const QPointF c(spec.sidebar.center().x(), spec.sidebar.bottom() - 130);
        DrawReel(p, c, 120, Qt::white, kSidebarBottom, kSidebarTop);
        p.restore();
    }
    FillBand(p, 0, kWidth, kBand);
    p.setRenderHint(QPainter::Antialiasing);
    // A thin accent line under the band.
    QLinearGradient accent(0, 0, kWidth, 0);
    accent.setColorAt(0, kAmber);
    accent.setColorAt(0.5, kCoral);
    accent.setColorAt(1, kTeal);
    p.fillRect(QRectF(0, kBand, kWidth, 2), accent);
    // The page panel.
    p.setPen(QPen(kPanelBorder, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(spec.panel, 10, 10);
    if (spec.bottomStrip.isEmpty()) {
        // Bottom strip separator.
        const double y = spec.bottomRow - 6.5;
        p.setPen(QPen(QColor(0xD9, 0xDE, 0xE7), 1));
        p.drawLine(QPointF(spec.sidebar.isEmpty() ? 12 : spec.sidebar.right(), y), QPointF(kWidth - 12, y));
    }
    p.setClipping(false);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x12, 0x1A, 0x2C));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline.translated(0, 0));
    p.end();
    // Corners outside the rounded outline become exact magenta again.
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (!outline.contains(QPointF(x + 0.5, y + 0.5))) img.setPixelColor(x, y, kMagenta);
        }
    }
    Save(img, spec.folder + QStringLiteral("/main.bmp"));
}

void TopLogo(const SkinSpec& spec) {
    QImage img = Canvas(spec.width - 80, kBand);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Only the emblem: the window draws each edition's own title beside it at run time.
    DrawReel(p, QPointF(26, 19), 12, kAmber, kBandTop, BandAt(19));
    p.end();
    Save(img, spec.folder + QStringLiteral("/toplogo.png"));
}

// A small banner for skins whose labels lie just below the picture.
void LeftBanner(const SkinSpec& spec) {
    const int w = spec.card.width(), h = spec.card.height();
    QImage img = Canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 10, 10);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(0x34, 0x4A, 0x7E));
    g.setColorAt(1, QColor(0x22, 0x30, 0x52));
    p.fillPath(card, g);
    DrawReel(p, QPointF(36, h / 2.0), 22, kAmber, QColor(0x22, 0x30, 0x52), QColor(0x2C, 0x3E, 0x6A));
    // The words right of the reel are the edition's own, drawn by the window at run time.
    p.end();
    Save(img, spec.folder + QStringLiteral("/leftlogo.png"));
}

void LeftLogo(const SkinSpec& spec) {
    if (spec.card.height() < 200) {
        LeftBanner(spec);
        return;
    }
    const int w = spec.card.width(), h = spec.card.height();
    QImage img = Canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 12, 12);
    QLinearGradient g(0, 0, w * 0.4, h);
    g.setColorAt(0, QColor(0x2A, 0x3B, 0x66));
    g.setColorAt(1, QColor(0x16, 0x1E, 0x33));
    p.fillPath(card, g);
    p.setClipPath(card);
    // Soft coloured light behind the emblem.
    QRadialGradient glow(QPointF(w / 2.0, 120), 120);
    glow.setColorAt(0, QColor(0xF5, 0xA5, 0x24, 110));
    glow.setColorAt(1, QColor(0xF5, 0xA5, 0x24, 0));
    p.fillRect(img.rect(), glow);
    // A strip of film running diagonally.
    p.save();
    p.translate(w / 2.0, 250);
    p.rotate(-18);
    p.fillRect(QRectF(-140, -22, 280, 44), QColor(0x0F, 0x15, 0x25, 220));
    for (int i = -8; i <= 8; ++i) {
        p.fillRect(QRectF(i * 16 - 4, -18, 8, 6), QColor(255, 255, 255, 150));
        p.fillRect(QRectF(i * 16 - 4, 12, 8, 6), QColor(255, 255, 255, 150));
    }
    for (int i = -3; i <= 3; ++i) {
        QLinearGradient frame(0, -9, 0, 9);
        frame.setColorAt(0, i % 2 ? kTeal : kCoral);
        frame.setColorAt(1, i % 2 ? kBlue : kAmber);
        p.fillRect(QRectF(i * 40 - 17, -9, 34, 18), frame);
    }
    p.restore();
    DrawReel(p, QPointF(w / 2.0, 118), 52, kAmber, QColor(0x16, 0x1E, 0x33), QColor(0x22, 0x30, 0x52));
    // A play mark in the middle of the reel.
    QPainterPath play;
    play.moveTo(w / 2.0 - 5, 108);
    play.lineTo(w / 2.0 + 9, 118);
    play.lineTo(w / 2.0 - 5, 128);
    play.closeSubpath();
    p.fillPath(play, Qt::white);
    // Sound waves.
    p.setPen(QPen(QColor(255, 255, 255, 170), 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const double r = 66 + i * 10;
        p.drawArc(QRectF(w / 2.0 - r, 118 - r, 2 * r, 2 * r), -35 * 16, 70 * 16);
        p.drawArc(QRectF(w / 2.0 - r, 118 - r, 2 * r, 2 * r), 145 * 16, 70 * 16);
    }
    // The two lines of words below the film are the edition's own, drawn by the window at run time.
    p.end();
    Save(img, spec.folder + QStringLiteral("/leftlogo.png"));
}

QPainterPath RoundedTile(QRectF r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void ModeImages(const SkinSpec& spec) {
    const int w = 120, h = 90;
    {
        QImage img = Canvas(w, h);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(0xFF, 0x7A, 0x66));
        g.setColorAt(1, QColor(0xD9, 0x3F, 0x4C));
        p.fillPath(RoundedTile(QRectF(4, 4, w - 8, h - 8), 14), g);
        // A screen with a play mark, and an arrow down into a tray.
        p.fillPath(RoundedTile(QRectF(20, 14, 50, 36), 6), Qt::white);
        QPainterPath play;
        play.moveTo(39, 23);
        play.lineTo(53, 32);
        play.lineTo(39, 41);
        play.closeSubpath();
        p.fillPath(play, QColor(0xD9, 0x3F, 0x4C));
        p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(86, 18), QPointF(86, 52));
        p.drawPolyline(QPolygonF({QPointF(74, 42), QPointF(86, 54), QPointF(98, 42)}));
        p.drawPolyline(QPolygonF({QPointF(20, 62), QPointF(20, 72), QPointF(100, 72), QPointF(100, 62)}));
        p.end();
        Save(img, spec.folder + QStringLiteral("/downloadyoutube.png"));
    }
    {
        QImage img = Canvas(w, h);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(0x4E, 0x8B, 0xF5));
        g.setColorAt(1, QColor(0x2C, 0x5B, 0xC4));
        p.fillPath(RoundedTile(QRectF(4, 4, w - 8, h - 8), 14), g);
        // A film frame turning into a note, across an arrow.
        p.fillPath(RoundedTile(QRectF(16, 24, 34, 42), 4), Qt::white);
        for (int i = 0; i < 4; ++i) {
            p.fillRect(QRectF(19, 28 + i * 9, 4, 5), QColor(0x2C, 0x5B, 0xC4));
            p.fillRect(QRectF(43, 28 + i * 9, 4, 5), QColor(0x2C, 0x5B, 0xC4));
        }
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(56, 45), QPointF(70, 45));
        p.drawPolyline(QPolygonF({QPointF(64, 38), QPointF(71, 45), QPointF(64, 52)}));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(84, 60), 7, 5.5);
        p.drawEllipse(QPointF(100, 56), 7, 5.5);
        p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(90, 60), QPointF(90, 28), QPointF(106, 24), QPointF(106, 56)}));
        p.end();
        Save(img, spec.folder + QStringLiteral("/youtubeconvert.png"));
    }
}

// Minimise and close: 28 x 22 on the caption band, states normal, mouse over, pressed.
void ChromeButtons(const SkinSpec& spec) {
    const int w = 28, h = 22, top = spec.chromeTop;
    for (int kind = 0; kind < 2; ++kind) {
        for (int state = 1; state <= 3; ++state) {
            QImage img = Canvas(w, h);
            QPainter p(&img);
            FillBand(p, top, w, h);
            p.setRenderHint(QPainter::Antialiasing);
            QColor glyph(0xC9, 0xD3, 0xEA);
            if (state > 1) {
                QColor bg = kind == 1 ? QColor(0xE5, 0x48, 0x4D) : QColor(255, 255, 255, 40);
                if (state == 3) bg = kind == 1 ? QColor(0xB8, 0x30, 0x36) : QColor(0, 0, 0, 70);
                p.fillPath(RoundedTile(QRectF(1, 1, w - 2, h - 2), 5), bg);
                glyph = Qt::white;
            }
            p.setPen(QPen(glyph, 1.8, Qt::SolidLine, Qt::RoundCap));
            const QPointF c(w / 2.0 + (state == 3 ? 0.5 : 0), h / 2.0 + (state == 3 ? 0.5 : 0));
            if (kind == 0) {
                p.drawLine(c + QPointF(-5, 4), c + QPointF(5, 4));
            } else {
                p.drawLine(c + QPointF(-4.5, -4.5), c + QPointF(4.5, 4.5));
                p.drawLine(c + QPointF(-4.5, 4.5), c + QPointF(4.5, -4.5));
            }
            p.end();
            Save(img, spec.folder + QStringLiteral("/%1_%2.bmp").arg(kind == 0 ? "min" : "close").arg(state));
        }
    }
}

// The bottom buttons: 84 x 28 on the window body, states normal, mouse over, pressed, disabled. The
// caption is drawn by the button itself.
// On a dark strip the buttons are drawn transparent: the strip colour around the pill is left out by the
// button, and the caption is white.
void DarkBottomButtons(const SkinSpec& spec) {
    const int w = 84, h = 28;
    for (int state = 1; state <= 4; ++state) {
        QImage img = Canvas(w, h, kStrip);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        const int alpha[] = {0, 34, 60, 90, 14};
        const int line[] = {0, 150, 230, 230, 70};
        p.setPen(QPen(QColor(255, 255, 255, line[state]), 1));
        p.setBrush(QColor(255, 255, 255, alpha[state]));
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 13.5, 13.5);
        p.end();
        Save(img, spec.folder + QStringLiteral("/bottom_%1.bmp").arg(state));
    }
}

void BottomButtons(const SkinSpec& spec) {
    if (!spec.bottomStrip.isEmpty()) {
        DarkBottomButtons(spec);
        return;
    }
    const int w = 84, h = 28;
    for (int state = 1; state <= 4; ++state) {
        QImage img = Canvas(w, h, kBody);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QColor top = Qt::white, bottom(0xF3, 0xF5, 0xF9), border(0xBF, 0xC7, 0xD4);
        if (state == 2) {
            top = QColor(0xF4, 0xF8, 0xFF);
            bottom = QColor(0xE3, 0xEC, 0xFD);
            border = QColor(0x5B, 0x8D, 0xEF);
        } else if (state == 3) {
            top = QColor(0xD5, 0xE2, 0xFA);
            bottom = QColor(0xE3, 0xEC, 0xFD);
            border = kBlue;
        } else if (state == 4) {
            top = bottom = QColor(0xEE, 0xF1, 0xF5);
            border = QColor(0xD8, 0xDD, 0xE5);
        }
        if (state != 3 && state != 4) {
            p.fillPath(RoundedTile(QRectF(0.5, 1.5, w - 1, h - 1.5), 6), QColor(0x1D, 0x28, 0x40, 22));
        }
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setPen(QPen(border, 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 2), 6, 6);
        p.end();
        Save(img, spec.folder + QStringLiteral("/bottom_%1.bmp").arg(state));
    }
}

// The icon drawn on a 64-pixel design grid, scaled to the given size.
QImage IconImage(int size, QColor rim, QColor tile) {
    const int s = 64;
    QImage img = Canvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / double(s), size / double(s));
    p.fillPath(RoundedTile(QRectF(2, 2, s - 4, s - 4), 14), tile);
    DrawReel(p, QPointF(s / 2.0, s / 2.0), 22, rim, tile, tile.lighter(140));
    p.end();
    return img;
}

void Icon(const QString& name, QColor rim, QColor tile) {
    Save(IconImage(64, rim, tile), QStringLiteral("icons/%1.png").arg(name));
}

// The program's icon in the desktop's icon theme layout: <root>/<N>x<N>/apps/reelwright.png.
void ThemeIcons(const QString& root) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = root + QStringLiteral("/%1x%1/apps").arg(size);
        QDir().mkpath(dir);
        const QString path = dir + QStringLiteral("/reelwright.png");
        if (!IconImage(size, kAmber, kBandBottom).save(path, "PNG"))
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

// 16-bit mono wave at 22050 Hz from a list of (frequency, start, length) notes with soft envelopes.
struct Note {
    double freq, start, length;
};
void Wave(const QString& name, const std::vector<Note>& notes, double total) {
    const int rate = 22050;
    const int n = int(total * rate);
    std::vector<double> mix(n, 0.0);
    for (const Note& note : notes) {
        const int s0 = int(note.start * rate), len = int(note.length * rate);
        for (int i = 0; i < len && s0 + i < n; ++i) {
            const double t = double(i) / rate;
            const double attack = std::min(1.0, t / 0.008);
            const double decay = std::exp(-t * 5.0 / note.length);
            const double tone = std::sin(2 * M_PI * note.freq * t) + 0.3 * std::sin(4 * M_PI * note.freq * t);
            mix[s0 + i] += 0.32 * attack * decay * tone;
        }
    }
    QByteArray data;
    for (double v : mix) {
        const int16_t s = int16_t(std::clamp(v, -1.0, 1.0) * 32000);
        data.append(char(s & 0xFF)).append(char((s >> 8) & 0xFF));
    }
    auto le32 = [](uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto le16 = [](uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    QByteArray wav = "RIFF" + le32(36 + data.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(1) +
                     le32(rate) + le32(rate * 2) + le16(2) + le16(16) + "data" + le32(data.size()) + data;
    const QString path = g_out + QStringLiteral("/sounds/") + name;
    QDir().mkpath(g_out + QStringLiteral("/sounds"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(wav) != wav.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <output folder> [<icon theme folder>]\n", argv[0]);
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    for (const SkinSpec* spec : {&kDefaultSkin, &kWideSkin, &kDarkSkin}) {
        MainBitmap(*spec);
        TopLogo(*spec);
        LeftLogo(*spec);
        ModeImages(*spec);
        ChromeButtons(*spec);
        BottomButtons(*spec);
    }
    Icon(QStringLiteral("reelwright"), kAmber, kBandBottom);
    Icon(QStringLiteral("reelkit"), kTeal, QColor(0x20, 0x4A, 0x46));
    Icon(QStringLiteral("reelwright-pro"), kCoral, QColor(0x2A, 0x1F, 0x3D));
    // Done: a rising major chord; fail: two falling low tones.
    Wave(QStringLiteral("done.wav"), {{784, 0, 0.45}, {988, 0.09, 0.45}, {1175, 0.18, 0.6}}, 0.8);
    Wave(QStringLiteral("fail.wav"), {{392, 0, 0.3}, {294, 0.22, 0.45}}, 0.7);
    if (argc == 3) ThemeIcons(QString::fromLocal8Bit(argv[2]));
    return 0;
}
