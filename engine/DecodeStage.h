#pragma once
// The decode stage: an input stream's decoder opened, and each packet it reads handed on: copied to the
// outputs that copy the stream, decoded for those that encode it (pictures to the video filter stage,
// samples to the audio stage, subtitles to the encode stage). It works on the stream's context and the
// outputs it feeds; the host (stop flag, input hooks) is reached through a FrameHost.

#include "engine/FFmpegStreams.h"
#include "engine/FrameHost.h"

namespace engine {

// Opens the stream's decoder with the run's thread count and codec options; raises when there is none or
// it cannot be opened.
void OpenDecoder(InputStream& ist);

// A packet of a stream some output wants, to every output it feeds. A packet the decoder refuses is skipped
// with a log line, or ends the task with "xerror".
void DecodeOrCopy(InputStream& ist, const AVPacket* pkt, FrameHost& host);

// The end of the stream: what its decoder still holds goes on; a refusal now is no error.
void FlushInputStream(InputStream& ist, FrameHost& host);

}  // namespace engine
