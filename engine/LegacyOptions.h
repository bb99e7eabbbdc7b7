#pragma once
// Compatibility layer: option names, values and encoder names of the older FFmpeg generation that the
// preset texts use, translated into what FFmpeg 5.1 and libx264 accept.

#include <string>
#include <vector>

#include "engine/OptionText.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavformat/avformat.h>
}

namespace engine {

// deblockalpha and deblockbeta arrive on separate lines but become one libx264 "deblock" value.
struct LegacyOptionState {
    std::string deblockAlpha = "0";
    std::string deblockBeta = "0";
};

// The option lines that stand for one old-generation line; a current line comes back unchanged.
std::vector<OptionLine> TranslateLegacyOption(const std::string& name, const std::string& value,
                                              LegacyOptionState& state);

// An encoder name that this FFmpeg build lacks but whose role an existing encoder takes
// ("libfaac" -> "aac"); any other name comes back unchanged.
std::string ResolveEncoderName(const std::string& name);

// The highest bit rate an audio encoder takes (0: no known limit). A disc target's audio rate is meant for
// the target's own encoder and may exceed what another encoder named by the preset accepts.
int64_t MaxAudioBitrate(AVCodecID id);

// The container's default codec of a kind, or, when no encoder exists for it (3GP's amr_nb),
// the first codec with an encoder that the container accepts. AV_CODEC_ID_NONE when none.
AVCodecID DefaultEncoderFor(const AVOutputFormat* format, AVMediaType kind);

}  // namespace engine
