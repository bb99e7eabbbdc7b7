#pragma once
// The video filter stage: each decoded picture through its output stream's VideoFilter graph (the user's
// filters, the size and pixel format the encoder takes; built at the first picture and again when the
// pictures change) on to the encode stage. It works on the output's and the stream's contexts alone.

#include <cstdint>

#include "engine/FFmpegStreams.h"
#include "engine/FrameHost.h"

namespace engine {

// (Re)builds the stream's graph for input pictures of that size, pixel format and shape, ending in what the
// encoder takes; the task's set-up uses it too, to learn the size the filters give.
void ConfigureVideoFilter(const OutputFile& of, OutputStream& ost, int width, int height, int pixFmt,
                          AVRational sar);

// A decoded picture of ist (frameTimeUs: its input time) on its way to one encoding output.
void FilterVideo(OutputFile& of, OutputStream& ost, const InputStream& ist, AVFrame* frame,
                 int64_t frameTimeUs, FrameHost& host);

// The end of the run: what the stream's filter graph still holds, encoded.
void FlushVideoFilter(OutputFile& of, OutputStream& ost, FrameHost& host);

}  // namespace engine
