#include "download/VideoInfo.h"

#include <QRegularExpression>
#include <QStringList>
#include <array>

#include "app/UtilFuncs.h"

namespace download {

namespace {

constexpr int kDefaultSlot = -1;
constexpr int kNoSlot = -2;

struct StreamKind {
    int itag;
    const char* extension;
};
// Indexed by quality type.
constexpr std::array<StreamKind, app::kQualityCount> kStreams{{
    {6, ".flv"},
    {18, ".mp4"},
    {35, ".flv"},
    {22, ".mp4"},
    {13, ".3gp"},
    {17, ".3gp"},
    {34, ".flv"},
    {37, ".mp4"},
}};
constexpr int kDefaultItag = 5;
constexpr qsizetype kMaxTitleBytes = 200;

const QString kTitleStart = QStringLiteral("<meta name=\"title\" content=\"");
const QString kTitleEnd = QStringLiteral("\">");
const QString kStreamMapKey = QStringLiteral("url_encoded_fmt_stream_map");

QString RemoveFirst(QString text, const QString& part) {
    const auto at = text.indexOf(part);
    if (at >= 0) text.remove(at, part.size());
    return text;
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// A whole decimal number, nothing before or after it.
bool ParseTag(const QString& text, int& itag) {
    if (text.isEmpty() || text.size() > 9) return false;
    itag = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return false;
        itag = itag * 10 + (c.unicode() - '0');
    }
    return true;
}

}  // namespace

WatchPage ReadWatchPage(const QByteArray& page) {
    // Raw bytes: the page's own text is UTF-8 where it is text at all; the address part is taken byte for
    // byte.
    const QString text = QString::fromUtf8(page);
    WatchPage result;
    static const QRegularExpression kTitle(QStringLiteral("<meta name=\"title\" content=\"([^<]+)\">"),
                                           QRegularExpression::DotMatchesEverythingOption);
    const auto title = kTitle.match(text);
    if (title.hasMatch())
        result.title =
            app::DecodeHtmlEntities(RemoveFirst(RemoveFirst(title.captured(0), kTitleStart), kTitleEnd));

    static const QRegularExpression kVideoId(QStringLiteral("video_id=(.*?)&"),
                                             QRegularExpression::DotMatchesEverythingOption);
    const QString bytes = QString::fromLatin1(page);
    const auto id = kVideoId.match(bytes);
    result.infoAddress = QStringLiteral("http://") + QLatin1String(kServiceHost) +
                         QStringLiteral("/get_video_info?") + (id.hasMatch() ? id.captured(0) : QString());
    if (id.hasMatch()) result.videoId = id.captured(1);
    return result;
}

QString URLDecode(const QString& text) {
    QString plus = text;
    plus.replace(u'+', u' ');
    QString out;
    out.reserve(plus.size());
    for (qsizetype i = 0; i < plus.size();) {
        if (plus[i] != u'%') {
            out += plus[i++];
            continue;
        }
        const int high = i + 1 < plus.size() ? HexDigit(plus[i + 1]) : -1;
        const int low = i + 2 < plus.size() ? HexDigit(plus[i + 2]) : -1;
        if (high >= 0 && low >= 0 && (high * 16 + low) != 0) out += QChar(high * 16 + low);
        i += 3;
    }
    return out;
}

QString StreamExtension(int type) {
    if (type < 0 || type >= app::kQualityCount) return QStringLiteral(".flv");
    return QString::fromLatin1(kStreams[type].extension);
}

int SlotOfTag(int itag) {
    if (itag == kDefaultItag) return kDefaultSlot;
    for (int type = 0; type < app::kQualityCount; ++type)
        if (kStreams[type].itag == itag) return type;
    return kNoSlot;
}

void ParseVideoInfo(const QByteArray& document, app::TGlobalVars& streams) {
    const QString text = QString::fromLatin1(document);
    for (const QString& piece : app::SplitString(text, QStringLiteral("&"))) {
        if (!piece.startsWith(kStreamMapKey)) continue;
        const QString value = URLDecode(piece.mid(kStreamMapKey.size() + 1));
        for (const QString& entry : app::SplitString(value, QStringLiteral(","))) {
            // Each entry starts with "url=", which is not checked.
            const QStringList parts = app::SplitString(entry.mid(4), QStringLiteral("&itag="));
            int itag = 0;
            if (parts.size() < 2 || !ParseTag(parts[1], itag))
                throw VideoInfoError("malformed stream map entry: " + entry.left(200).toStdString());
            const int slot = SlotOfTag(itag);
            if (slot == kNoSlot) continue;
            const QString url = URLDecode(parts[0]);
            if (slot == kDefaultSlot)
                streams.StreamDefault = url;
            else
                streams.StreamSlots[slot] = url;
        }
    }
}

namespace {

// A stem that does not start with a dot or a blank and does not end with a blank; control characters are
// not allowed in names on FAT and NTFS either, and a NUL would cut the name short.
QString VisibleStem(const QString& text) {
    QString stem = text;
    for (QChar& c : stem)
        if (c.unicode() < 0x20) c = u'_';
    qsizetype start = 0;
    while (start < stem.size() && (stem.at(start) == u'.' || stem.at(start).isSpace()))
        ++start;
    return stem.mid(start).trimmed();
}

}  // namespace

QString DownloadFileName(const QString& title, const QString& extension, const QString& folder,
                         const QString& videoId) {
    QString stem = VisibleStem(title);
    if (stem.isEmpty()) stem = VisibleStem(videoId);
    if (stem.isEmpty()) stem = QStringLiteral("video");
    // File systems hold names of at most 255 bytes; room is left for the extension, a counter and ".part".
    while (stem.toUtf8().size() > kMaxTitleBytes)
        stem.chop(stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
    const QString name = app::UniqueFileName(app::CleanFileName(stem + extension), folder);
    return app::AddTrailingBackslash(folder) + name;
}

}  // namespace download
