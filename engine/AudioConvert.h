#pragma once
// The sample conversions of the audio stage, on their own: the resampler with the engine's settings and the
// volume applied to converted samples. The audio stage uses them; the audio benchmark measures them.

#include <cstdint>

#include "engine/FFWrappers.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace engine {

// A resampler, initialised, from one rate, format and channel layout to another, with the engine's settings
// (a 16-tap filter, cutoff 0.8). An input layout without a channel mask is taken as the usual one for its
// channel count. nullptr when libswresample refuses the pair.
SwrContextPtr MakeResampler(const AVChannelLayout& out, AVSampleFormat outFormat, int outRate,
                            const AVChannelLayout& in, AVSampleFormat inFormat, int inRate);

// Volume on samples in place (256: unchanged); 16-bit samples exactly as (s * volume + 128) >> 8, every
// format clamped to its range.
void ApplyVolume(uint8_t* const* data, AVSampleFormat format, int channels, int samples, int volume);

}  // namespace engine
