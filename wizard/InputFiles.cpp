#include "wizard/InputFiles.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <exception>

#include "app/FileNameBytes.h"
#include "app/UtilFuncs.h"
#include "engine/FFDecode.h"

namespace wizard {

namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

QString KnownNumber(int64_t value) {
    return value >= 0 ? QString::number(value) : QString();
}

// The thumbnail of a video: the picture next after the middle of the file, or an empty picture.
engine::TBitmap MiddlePicture(engine::TFFDecoder& decoder) {
    engine::TBitmap picture;
    engine::TFileStreamInfo file;
    decoder.GetFileStreamInfo(file);
    // A still image cannot seek; its one picture is decoded all the same.
    decoder.Seek(0, file.Duration / 2);
    if (decoder.Decode(decoder.FirstVideoStreamIndex()) && decoder.CopyToBitmap(picture))
        return ScaleDownToFit(picture, kThumbnailWidth, kThumbnailHeight);
    return engine::TBitmap();
}

}  // namespace

QString DurationText(int64_t microseconds) {
    return microseconds >= 0 ? app::FormatMicroseconds(microseconds)
                             : QStringLiteral("Duration is not preseted");
}

QString BitRateText(int bitsPerSecond) {
    return bitsPerSecond >= 1 ? QStringLiteral("%1 Kbps").arg(bitsPerSecond / 1000)
                              : QStringLiteral("Bit rate is not preseted");
}

const engine::TBitmap* ThumbnailList::Add(engine::TBitmap picture) {
    pictures_.push_back(std::make_unique<engine::TBitmap>(std::move(picture)));
    return pictures_.back().get();
}

engine::TBitmap ScaleDownToFit(const engine::TBitmap& picture, int maxWidth, int maxHeight) {
    if (picture.Empty() || picture.BitsPixel != 24 ||
        (picture.Width <= maxWidth && picture.Height <= maxHeight))
        return picture;
    // The larger reduction of the two sides decides, so the whole picture fits.
    const double scale = std::min(double(maxWidth) / picture.Width, double(maxHeight) / picture.Height);
    const int w = std::max(1, int(picture.Width * scale + 0.5));
    const int h = std::max(1, int(picture.Height * scale + 0.5));
    engine::TBitmap out;
    out.Resize(w, h, 24);
    for (int y = 0; y < h; ++y) {
        const int y0 = int(int64_t(y) * picture.Height / h);
        const int y1 = std::max(y0 + 1, int(int64_t(y + 1) * picture.Height / h));
        uint8_t* dst = out.Line(y);
        for (int x = 0; x < w; ++x) {
            const int x0 = int(int64_t(x) * picture.Width / w);
            const int x1 = std::max(x0 + 1, int(int64_t(x + 1) * picture.Width / w));
            uint32_t sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                const uint8_t* src = picture.Line(sy) + x0 * 3;
                for (int sx = x0; sx < x1; ++sx, src += 3) {
                    sum[0] += src[0];
                    sum[1] += src[1];
                    sum[2] += src[2];
                }
            }
            const uint32_t n = uint32_t((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 3; ++c)
                dst[x * 3 + c] = uint8_t((sum[c] + n / 2) / n);
        }
    }
    return out;
}

QString MinimizeName(const QString& path, int maxWidth, const std::function<int(const QString&)>& measure) {
    const QString sep = QStringLiteral("/");
    const QString ellipsis = QStringLiteral("...");
    const int cut = path.lastIndexOf(sep);
    QString dir = path.left(cut + 1);
    const QString name = path.mid(cut + 1);
    QString result = path;
    while (!dir.isEmpty() && measure(result) > maxWidth) {
        if (dir == sep + ellipsis + sep) {
            dir = ellipsis + sep;  // the root goes last but one
        } else if (dir == ellipsis + sep) {
            dir.clear();
        } else {
            // Drop the first folder after the root (or an earlier "..."), and stand "..." in its place.
            const bool rooted = dir.startsWith(sep);
            QString rest = rooted ? dir.mid(1) : dir;
            if (rest.startsWith(ellipsis + sep)) rest = rest.mid(ellipsis.size() + 1);
            const int next = rest.indexOf(sep);
            rest = next >= 0 ? rest.mid(next + 1) : QString();
            dir = (rooted ? sep : QString()) + ellipsis + sep + rest;
        }
        result = dir + name;
    }
    return result;
}

QStringList FilterDroppedFiles(const QStringList& paths) {
    QStringList taken;
    for (const QString& path : paths) {
        struct stat st;
        if (stat(app::FileNameToBytes(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        if (app::IsKnownMediaExtension(app::FileExt(path))) taken.append(path);
    }
    return taken;
}

QStringList FilesFromCommandLine(const QStringList& arguments, const QString& workingDir) {
    QStringList files;
    const QDir base(workingDir);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString path = arguments[i];
        if (path.isEmpty()) continue;
        if (path.startsWith(QLatin1String("file:"))) {
            // Raw bytes beyond ASCII are encoded first: QUrl would read them as text.
            QByteArray address;
            for (const char c : app::FileNameToBytes(path)) {
                const auto byte = static_cast<unsigned char>(c);
                address += byte > 0x20 && byte < 0x7F
                               ? QByteArray(1, c)
                               : '%' + QByteArray::number(byte, 16).rightJustified(2, '0');
            }
            path = app::FileNameFromUrl(QUrl::fromEncoded(address));
        }
        files.append(QDir::cleanPath(base.absoluteFilePath(path)));
    }
    return files;
}

ProbeResult ProbeInputFile(InputProbeContext& context, const QString& path) {
    engine::TFFDecoder& decoder = context.decoder;
    ProbeResult result;
    try {
        if (!decoder.LoadFile(app::FileNameToStd(path))) {
            result.error = app::FileNameFromStd(decoder.LastErrMsg());
            return result;
        }
    } catch (const std::exception& e) {
        // The media libraries are not loaded.
        result.error = path + QStringLiteral(": ") + QString::fromStdString(e.what());
        return result;
    }
    const int videoIndex = decoder.FirstVideoStreamIndex();
    const int audioIndex = decoder.FirstAudioStreamIndex();
    if (videoIndex < 0 && audioIndex < 0) {
        // A container the libraries open but with nothing in it to convert (a text file they take for a
        // subtitle or data stream): refused like an unreadable file rather than listed as an empty row.
        result.error = path + QStringLiteral(": no audio or video stream found");
        decoder.CloseFile();
        return result;
    }

    InputItem item;
    item.AudioOnly = videoIndex < 0;
    item.Thumbnail = context.thumbnails.Add(item.AudioOnly ? context.audioPicture : MiddlePicture(decoder));

    engine::TFileStreamInfo file;
    decoder.GetFileStreamInfo(file);
    engine::TVideoStreamInfo video;
    decoder.GetVideoStreamInfo(videoIndex, video);
    engine::TAudioStreamInfo audio;
    decoder.GetAudioStreamInfo(audioIndex, audio);

    item.FileFullName = path;
    item.FileMinName = context.shortenPath ? context.shortenPath(path) : path;
    item.Duration = QStringLiteral("Duration: ") + DurationText(file.Duration);
    if (item.AudioOnly) {
        item.Bitrate = QStringLiteral("Audio Bit rate: ") + BitRateText(audio.BitRate);
        item.Dimension = QStringLiteral("Audio Encoder: ") + Text(audio.CodecName);
    } else {
        item.Bitrate = QStringLiteral("Bit rate: ") + BitRateText(video.BitRate);
        item.Dimension = QStringLiteral("Dimension: %1 x %2").arg(video.Width).arg(video.Height);
    }
    item.FileSize = KnownNumber(decoder.FileSize());
    item.VideoEncoder = Text(video.CodecName);
    item.AudioChannels = KnownNumber(audio.Channels);
    item.AudioSampleRate = KnownNumber(audio.SampleRate);
    item.AudioBitrate = audio.BitRate >= 1 ? BitRateText(audio.BitRate) : QString();
    item.AudioEncoder = Text(audio.CodecName);
    if (video.FrameRateNum > 0 && video.FrameRateDen > 0)
        item.FrameRate = QString::number(double(video.FrameRateNum) / video.FrameRateDen, 'g', 6);
    item.RealDuration = file.Duration >= 0 ? file.Duration : 0;
    item.Width = video.Width;
    item.Height = video.Height;
    item.AspectRatio = video.DisplayAspectRatio;
    decoder.CloseFile();
    result.item = std::move(item);
    return result;
}

QStringList AddInputFilesTo(InputListModel& list, InputProbeContext& context, const QStringList& paths) {
    QStringList failed;
    for (const QString& path : paths) {
        ProbeResult probe = ProbeInputFile(context, path);
        if (!probe.item) {
            if (context.logLine) context.logLine(QStringLiteral("File load error: ") + probe.error);
            failed.append(probe.error);
            continue;
        }
        list.Append(std::move(*probe.item));
    }
    return failed;
}

}  // namespace wizard
