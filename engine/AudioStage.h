#pragma once
// The audio stage between decoder and encoder: resampling and sample-format conversion through
// libswresample, volume, audio sync (silence added, samples dropped, drift stretched), and the FIFO that
// gathers samples into encoder-sized frames for the encode stage. It works on the output's and the
// stream's contexts alone.
//
// It is hand-made rather than a filter graph (abuffer, aresample, volume, aformat, abuffersink) because that
// measured faster where it matters: converting 48 kHz float to 44.1 kHz 16-bit took 0.032 s against the
// graph's 0.043 s per two minutes of stereo, 44.1 to 22.05 kHz mono 0.022 s against 0.034 s, with identical
// samples (bench/audio_path_bench). The graph wins only when nothing is converted, where both are near zero.

#include <cstdint>

#include "engine/FFmpegStreams.h"
#include "engine/FrameHost.h"

namespace engine {

// One block of decoded samples (its first at frameTimeUs, input time) for one encoding output: converted to
// the encoder's rate, format and channels where they differ, synchronised, into the stream's FIFO, and the
// whole frames the FIFO then holds encoded. Samples before the output's start are not written.
void ResampleAudio(OutputFile& of, OutputStream& ost, const InputStream& ist, AVFrame* frame,
                   int64_t frameTimeUs, const FrameHost& host);

// At the end of the stream: what the resampler still holds into the FIFO, for the encode stage's flush.
void FlushResampler(OutputStream& ost);

}  // namespace engine
