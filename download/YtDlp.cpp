#include "download/YtDlp.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QUrl>
#include <array>
#include <cmath>

namespace download {

namespace {

// The service's streams as yt-dlp lists them: the format id is the stream tag.
struct KnownStream {
    int itag;
    int height;
    const char* container;
};
// Indexed by quality type.
// clang-format off
constexpr std::array<KnownStream, app::kQualityCount> kKnownStreams{{
    {6,  360,  "flv"},
    {18, 360,  "mp4"},
    {35, 480,  "flv"},
    {22, 720,  "mp4"},
    {13, 144,  "3gp"},
    {17, 144,  "3gp"},
    {34, 360,  "flv"},
    {37, 1080, "mp4"},
}};
// clang-format on
constexpr KnownStream kDefaultStream{5, 240, "flv"};

// The progress line the download call prints, one per update: downloaded, total, estimated total, speed, time
// left and elapsed time; yt-dlp writes "NA" for a value it does not know.
constexpr const char* kProgressMark = "[reelwright-progress]";

// Best video merged with best audio, then one format with both, each at or under the height (a format of
// unknown height counts as fitting); the containers first, in their order.
QString HeightRule(int height, const QStringList& containers) {
    const QString h = QStringLiteral("[height<=?%1]").arg(height);
    QStringList parts;
    for (const QString& container : containers) {
        const QString c = QStringLiteral("[ext=%1]").arg(container);
        // MP4 takes the M4A audio without a change of container.
        if (container == QLatin1String("mp4")) parts << QStringLiteral("bv*%1%2+ba[ext=m4a]").arg(h, c);
        parts << QStringLiteral("b%1%2").arg(h, c);
    }
    parts << QStringLiteral("bv*%1+ba").arg(h) << QStringLiteral("b%1").arg(h);
    return parts.join(u'/');
}

QString KnownTag(const QString& formatId) {
    bool ok = false;
    const int itag = formatId.toInt(&ok);
    if (ok && itag == kDefaultStream.itag) return QStringLiteral("[HQ5]");
    for (int type = 0; ok && type < app::kQualityCount; ++type)
        if (kKnownStreams[type].itag == itag) return QualityTag(type);
    return QStringLiteral("[%1]").arg(formatId);
}

bool Known(const QString& codec) {
    return !codec.isEmpty() && codec != QLatin1String("none");
}

QString VideoCodecName(const QString& codec) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"avc", "H.264"}, {"h264", "H.264"}, {"hev", "H.265"}, {"hvc", "H.265"}, {"h265", "H.265"},
        {"vp09", "VP9"},  {"vp9", "VP9"},    {"vp8", "VP8"},   {"av01", "AV1"},  {"flv", "H.263"},
    };
    for (const auto& [prefix, name] : kNames)
        if (codec.startsWith(QLatin1String(prefix), Qt::CaseInsensitive)) return QString::fromLatin1(name);
    return codec;
}

QString AudioCodecName(const QString& codec) {
    if (codec == QLatin1String("none")) return QStringLiteral("no audio");
    if (codec.isEmpty()) return QStringLiteral("audio as offered");
    static const std::pair<const char*, const char*> kNames[] = {
        {"mp4a", "AAC"},      {"aac", "AAC"}, {"opus", "Opus"},
        {"vorbis", "Vorbis"}, {"mp3", "MP3"}, {"ac-3", "AC-3"},
    };
    for (const auto& [prefix, name] : kNames)
        if (codec.startsWith(QLatin1String(prefix), Qt::CaseInsensitive)) return QString::fromLatin1(name);
    return codec;
}

// A whole, non-negative number of a progress field; nothing for "NA" or anything else.
std::optional<double> Number(const QString& field) {
    bool ok = false;
    const double value = field.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > 9.0e15) return std::nullopt;
    return value;
}

}  // namespace

QString FindYtDlp(const QString& storedPath) {
    if (!storedPath.trimmed().isEmpty()) {
        const QFileInfo stored(storedPath.trimmed());
        if (stored.isFile() && stored.isExecutable()) return stored.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("yt-dlp"));
}

QString YtDlpInstallHint() {
    return QStringLiteral(
        "yt-dlp would let the program download this link: install it (\"sudo apt install yt-dlp\", or a "
        "current "
        "release from https://github.com/yt-dlp/yt-dlp#installation, which today's video sites need) or name "
        "it as YtDlpPath in the section System of system.dat");
}

bool IsOtherSiteLink(const QString& line) {
    const QUrl url(line.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

QString FormatSelector(bool preferQuality, const QualityOrder& order) {
    QStringList choices;
    KnownStream first = kDefaultStream;
    if (preferQuality) {
        bool haveFirst = false;
        for (const uint8_t type : order) {
            if (type >= app::kQualityCount) continue;
            if (!haveFirst) first = kKnownStreams[type];
            haveFirst = true;
            choices << QString::number(kKnownStreams[type].itag);
        }
        choices << HeightRule(first.height, {QString::fromLatin1(first.container)});
    } else {
        choices << QString::number(kDefaultStream.itag)
                << HeightRule(kDefaultStream.height, {QStringLiteral("flv"), QStringLiteral("mp4")});
    }
    choices << QStringLiteral("wv*+ba/w");
    return choices.join(u'/');
}

QStringList InfoArguments(const QString& link, const QString& selector, int socketTimeoutSeconds) {
    return {QStringLiteral("--dump-single-json"),
            QStringLiteral("--no-playlist"),
            QStringLiteral("--flat-playlist"),
            QStringLiteral("--format"),
            selector,
            QStringLiteral("--socket-timeout"),
            QString::number(socketTimeoutSeconds),
            QStringLiteral("--"),
            link};
}

QStringList DownloadArguments(const QString& infoFile, const QString& formatId, const QString& workFolder,
                              int socketTimeoutSeconds) {
    return {QStringLiteral("--load-info-json"), infoFile, QStringLiteral("--format"), formatId,
            // Every file of the download, the pieces and the merged result, stays inside the work folder.
            QStringLiteral("--paths"), workFolder, QStringLiteral("--paths"),
            QStringLiteral("temp:") + workFolder, QStringLiteral("--output"),
            QLatin1String(kWorkMediaName) + QStringLiteral(".%(ext)s"), QStringLiteral("--no-playlist"),
            // Dated when downloaded, as the built-in path's files are, not by the server.
            QStringLiteral("--no-mtime"), QStringLiteral("--socket-timeout"),
            QString::number(socketTimeoutSeconds), QStringLiteral("--newline"), QStringLiteral("--progress"),
            QStringLiteral("--progress-template"),
            QStringLiteral("download:%1 %(progress.downloaded_bytes)s %(progress.total_bytes)s "
                           "%(progress.total_bytes_estimate)s %(progress.speed)s %(progress.eta)s "
                           "%(progress.elapsed)s")
                .arg(QLatin1String(kProgressMark))};
}

std::optional<YtDlpInfo> ParseYtDlpInfo(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject o = document.object();
    YtDlpInfo info;
    info.title = o.value(QLatin1String("title")).toString();
    const QString type = o.value(QLatin1String("_type")).toString();
    if (type == QLatin1String("playlist") || type == QLatin1String("multi_video")) {
        info.playlist = true;
        for (const QJsonValue& v : o.value(QLatin1String("entries")).toArray()) {
            const QJsonObject e = v.toObject();
            QString url = e.value(QLatin1String("url")).toString();
            if (!IsOtherSiteLink(url)) url = e.value(QLatin1String("webpage_url")).toString();
            if (IsOtherSiteLink(url))
                info.entries.push_back({url, e.value(QLatin1String("title")).toString()});
        }
        return info;
    }
    info.formatId = o.value(QLatin1String("format_id")).toString();
    info.extension = o.value(QLatin1String("ext")).toString();
    if (info.formatId.isEmpty() || info.extension.isEmpty()) return std::nullopt;
    info.width = o.value(QLatin1String("width")).toInt();
    info.height = o.value(QLatin1String("height")).toInt();
    info.videoCodec = o.value(QLatin1String("vcodec")).toString();
    info.audioCodec = o.value(QLatin1String("acodec")).toString();
    return info;
}

QString YtDlpQualityLabel(const YtDlpInfo& info) {
    QString container = info.extension.toUpper();
    if (Known(info.videoCodec)) container += QStringLiteral("(%1)").arg(VideoCodecName(info.videoCodec));
    const QString picture = info.width > 0 && info.height > 0
                                ? QStringLiteral("%1 x %2").arg(info.width).arg(info.height)
                            : info.height > 0 ? QStringLiteral("%1p").arg(info.height)
                                              : QStringLiteral("size as offered");
    return QStringLiteral("%1 - (%2, %3, %4)")
        .arg(KnownTag(info.formatId), container, picture, AudioCodecName(info.audioCodec));
}

std::optional<YtDlpProgress> ParseProgressLine(const QString& line) {
    const QStringList fields = line.simplified().split(u' ');
    if (fields.size() != 7 || fields[0] != QLatin1String(kProgressMark)) return std::nullopt;
    const auto downloaded = Number(fields[1]);
    if (!downloaded) return std::nullopt;
    YtDlpProgress p;
    p.downloaded = static_cast<std::int64_t>(*downloaded);
    const auto total = Number(fields[2]) ? Number(fields[2]) : Number(fields[3]);
    p.total = total ? static_cast<std::int64_t>(*total) : 0;
    p.speed = Number(fields[4]).value_or(0);
    p.eta = static_cast<std::int64_t>(Number(fields[5]).value_or(0));
    p.elapsed = static_cast<std::int64_t>(Number(fields[6]).value_or(0));
    if (p.total > 0) p.percent = static_cast<int>(std::min<std::int64_t>(p.downloaded * 100 / p.total, 100));
    return p;
}

std::optional<QString> ErrorLineText(const QString& line) {
    static const QLatin1String kError("ERROR: ");
    if (!line.startsWith(kError)) return std::nullopt;
    return line.mid(kError.size()).trimmed();
}

}  // namespace download
