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

}  // namespace

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

}  // namespace wizard
