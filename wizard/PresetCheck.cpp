#include "wizard/PresetCheck.h"

#include <string>

#include "engine/LegacyOptions.h"
#include "wizard/PresetTable.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace wizard {

namespace {

// What is missing to serve the settings in this format, empty when nothing is.
QString Missing(const OutputFormat& format, const PresetSettings& common, const PresetSettings& row) {
    const char* fileFormat = row.FileFormat ? row.FileFormat : common.FileFormat;
    const std::string probeName = std::string("x") + format.Extension;
    const AVOutputFormat* container = av_guess_format(fileFormat, probeName.c_str(), nullptr);
    if (!container)
        return QStringLiteral("no muxer for ") +
               QString::fromLatin1(fileFormat ? fileFormat : format.Extension);

    auto encoder = [&](const char* rowName, const char* commonName, AVMediaType kind) -> QString {
        const char* name = rowName ? rowName : commonName;
        if (name) {
            const std::string resolved = engine::ResolveEncoderName(name);
            return avcodec_find_encoder_by_name(resolved.c_str()) ? QString()
                                                                  : QStringLiteral("no encoder ") + name;
        }
        if (engine::DefaultEncoderFor(container, kind) == AV_CODEC_ID_NONE)
            return QStringLiteral("no default %1 encoder of %2")
                .arg(QLatin1String(av_get_media_type_string(kind)), QLatin1String(container->name));
        return QString();
    };
    QString missing = encoder(row.AudioCodec, common.AudioCodec, AVMEDIA_TYPE_AUDIO);
    // A disc target brings its own video encoder: MPEG-1 for VCD, MPEG-2 for SVCD and DVD.
    const char* targetVideo = row.Target == 1 ? "mpeg1video" : row.Target > 1 ? "mpeg2video" : nullptr;
    if (missing.isEmpty() && format.Class != app::fcAudio)
        missing = encoder(targetVideo ? targetVideo : row.VideoCodec, common.VideoCodec, AVMEDIA_TYPE_VIDEO);
    return missing;
}

const AVOutputFormat* ContainerOf(const OutputFormat& format, const PresetSettings& common,
                                  const PresetSettings& row) {
    const char* fileFormat = row.FileFormat ? row.FileFormat : common.FileFormat;
    return av_guess_format(fileFormat, (std::string("x") + format.Extension).c_str(), nullptr);
}

// The container's own audio codec and the one written in its place, when the row leaves the audio codec
// to a container whose own has no encoder here.
bool AudioStandIn(const OutputFormat& format, const PresetSettings& row, AVCodecID& own, AVCodecID& used) {
    if (row.AudioCodec || format.Common.AudioCodec) return false;
    const AVOutputFormat* container = ContainerOf(format, format.Common, row);
    if (!container || container->audio_codec == AV_CODEC_ID_NONE) return false;
    own = container->audio_codec;
    used = engine::DefaultEncoderFor(container, AVMEDIA_TYPE_AUDIO);
    return own != used && used != AV_CODEC_ID_NONE;
}

}  // namespace

QString PresetFallbackNote(const OutputFormat& format, int presetIndex, int audioBitrate) {
    const Preset* preset = FindPreset(format, presetIndex);
    if (!preset) return QString();
    const QString name =
        QStringLiteral("%1 \"%2\"").arg(QLatin1String(format.Name), QString::fromUtf8(preset->Label));
    if (preset->Settings.AudioBitrateFromSource && std::string(format.Name) == "WMA") {
        const QString rate =
            audioBitrate > 0 ? QStringLiteral(" at %1 kb/s").arg(audioBitrate / 1000) : QString();
        return name + QStringLiteral(": this FFmpeg has no lossless WMA encoder; the output is lossy WMA 2%1")
                          .arg(rate);
    }
    AVCodecID own = AV_CODEC_ID_NONE, used = AV_CODEC_ID_NONE;
    if (AudioStandIn(format, preset->Settings, own, used))
        return name + QStringLiteral(": this FFmpeg has no %1 encoder; the audio is written as %2")
                          .arg(QLatin1String(avcodec_get_name(own)), QLatin1String(avcodec_get_name(used)));
    return QString();
}

QStringList PresetFallbacks() {
    QStringList lines;
    for (const OutputFormat& format : OutputFormats()) {
        QStringList rows;
        AVCodecID own = AV_CODEC_ID_NONE, used = AV_CODEC_ID_NONE;
        for (size_t i = 0; i < format.Presets.size(); ++i)
            if (AudioStandIn(format, format.Presets[i].Settings, own, used)) rows << QString::number(i);
        if (!rows.isEmpty())
            lines << QStringLiteral(
                         "%1 presets %2: this FFmpeg has no %3 encoder; their audio is written as %4")
                         .arg(QLatin1String(format.Name), rows.join(QStringLiteral(", ")),
                              QLatin1String(avcodec_get_name(own)), QLatin1String(avcodec_get_name(used)));
    }
    return lines;
}

QStringList UnservablePresets() {
    QStringList lines;
    for (const OutputFormat& format : OutputFormats()) {
        for (size_t i = 0; i < format.Presets.size(); ++i) {
            const QString missing = Missing(format, format.Common, format.Presets[i].Settings);
            if (!missing.isEmpty())
                lines << QStringLiteral("Preset not available: %1 \"%2\" (%3)")
                             .arg(QLatin1String(format.Name), QString::fromUtf8(format.Presets[i].Label),
                                  missing);
        }
    }
    return lines;
}

QStringList StartupPresetNotes() {
    return UnservablePresets() + PresetFallbacks();
}

}  // namespace wizard
