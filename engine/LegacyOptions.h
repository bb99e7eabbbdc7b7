#pragma once
// Compatibility layer: option names, values and encoder names of the older FFmpeg generation that the
// preset texts use, translated into what FFmpeg 5.1 and libx264 accept.

#include <string>
#include <vector>

#include "engine/OptionText.h"

extern "C" {
#include <libavcodec/avcodec.h>
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

// The old libx264 wrapper left B-frames, the 8x8 transform and weighted prediction of B-frames off unless
// asked, and presets written for it rely on that (a CAVLC preset meant Constrained Baseline). On a libx264
// context whose options are applied, switches these off where the given option lines did not set them, and
// also weighted prediction of P-frames when the context codes with CAVLC. Option lines that choose an x264
// preset or tune leave x264's own defaults in place.
void ApplyOldX264Defaults(AVCodecContext* enc, const std::vector<OptionLine>& codecLines,
                          const std::vector<OptionLine>& privateLines);

// The pixel formats the old generation's encoder took, where today's takes more than the devices of the
// presets play: its libx264 took 4:2:0 pictures only, so a 4:4:4 or RGB source became a 4:2:0 stream
// rather than a High 4:4:4 one. nullptr for every other encoder.
const AVPixelFormat* OldGenerationPixelFormats(const AVCodec* codec);

// An encoder name that this FFmpeg build lacks but whose role an existing encoder takes
// ("libfaac" -> "aac"); any other name comes back unchanged.
std::string ResolveEncoderName(const std::string& name);

// The highest bit rate an audio encoder takes (0: no known limit). A disc target's audio rate is meant for
// the target's own encoder and may exceed what another encoder named by the preset accepts.
int64_t MaxAudioBitrate(AVCodecID id);

// The multiples an encoder needs the picture's width and height to be (1 when it takes any size).
struct SizeAlignment {
    int width = 1, height = 1;
};
SizeAlignment PictureAlignment(const AVCodec* codec, AVPixelFormat format);

// False for containers that cannot state a picture's pixel shape (Flash video), whose players show every
// picture with square pixels.
bool CarriesPixelShape(const AVOutputFormat* format);

// The lowest H.264 level (10 times its number, 9 for 1b) whose frame size and macroblock rate take this
// picture size and frame rate; 0 when none does.
int H264LevelFor(int width, int height, AVRational frameRate);

// The container's default codec of a kind, or, when no encoder exists for it (3GP's amr_nb),
// the first codec with an encoder that the container accepts. AV_CODEC_ID_NONE when none.
AVCodecID DefaultEncoderFor(const AVOutputFormat* format, AVMediaType kind);

}  // namespace engine
