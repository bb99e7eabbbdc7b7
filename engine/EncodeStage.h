#pragma once
// The encode stage: video sync (pictures duplicated or dropped to the output's rate), audio frames cut
// from the stream's FIFO, subtitles, frames into the stream's encoder, the packets it gives back on to the
// mux stage, what each encoded picture leaves behind (the pass log, the video statistics), and draining at
// the end. It works on the output's and the stream's contexts alone; the host (stop flag, output hook,
// preview) is reached through a FrameHost.

#include <cstdio>
#include <string>

#include "engine/FFmpegStreams.h"
#include "engine/FrameHost.h"

namespace engine {

// The video statistics file a task's streams share: one line per encoded picture, opened with the first.
struct VideoStatsLog {
    std::string fileName;
    FilePtr file;
};

// Sends one frame (nullptr: drain) to the stream's encoder and writes every packet it gives back.
void EncodeFrame(OutputFile& of, OutputStream& ost, AVFrame* frame);

// Video sync: how many times the picture at timeUs goes to the encoder so that the output keeps its frame
// rate (0: dropped, more than 1: duplicated), counted in the stream's dupFrames and dropFrames.
int64_t VideoSyncCopies(const OutputFile& of, OutputStream& ost, int64_t timeUs);

// A filtered picture (pic->pts in microseconds) to the encoder, as often as video sync says; the host sees
// each copy first.
void EncodeVideoFrame(OutputFile& of, OutputStream& ost, AVFrame* pic, FrameHost& host);

// Encoder-sized frames (any size for an encoder that takes any) from the stream's FIFO to the encoder,
// while no stop was asked for.
void EncodeAudioFromFifo(OutputFile& of, OutputStream& ost, const FrameHost& host);

// One decoded subtitle at ptsUs (input time, microseconds) encoded and written; DVB subtitles as two packets,
// the second one clearing it.
void EncodeSubtitle(OutputFile& of, OutputStream& ost, AVSubtitle& sub, int64_t ptsUs);

// The end of the run: the FIFO's last samples (padded to a frame where the encoder needs it), then what the
// encoder still holds.
void FlushEncoder(OutputFile& of, OutputStream& ost);

}  // namespace engine
