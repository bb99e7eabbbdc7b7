#pragma once
// The encode stage: frames into the stream's encoder, the packets it gives back on to the mux stage, and
// what each encoded picture leaves behind (the pass log, the video statistics). It works on the output's
// and the stream's contexts alone.

#include <cstdio>
#include <string>

#include "engine/FFmpegStreams.h"

namespace engine {

// The video statistics file a task's streams share: one line per encoded picture, opened with the first.
struct VideoStatsLog {
    std::string fileName;
    FilePtr file;
};

// Sends one frame (nullptr: drain) to the stream's encoder and writes every packet it gives back.
void EncodeFrame(OutputFile& of, OutputStream& ost, AVFrame* frame);

}  // namespace engine
