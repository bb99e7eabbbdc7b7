#pragma once
// The demux stage: which input is read next, a packet read from it (its end, a read error), the packet's
// times moved onto the task's clock (the input's offset and scale, corrupt jumps and starts repaired), the
// recording limit, and what a truncated input could not give. It works on the input's contexts (and reads
// the outputs' progress to choose); what it reads of the options is in their RunOptions.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/FFmpegStreams.h"
#include "engine/FrameHost.h"

namespace engine {

using InputFiles = std::span<const std::unique_ptr<InputFile>>;
using InputStreams = std::span<const std::unique_ptr<InputStream>>;
using OutputFiles = std::span<const std::unique_ptr<OutputFile>>;
using OutputStreams = std::span<const std::unique_ptr<OutputStream>>;

constexpr int kNoInputLeft = -1, kInputsBusy = -2;

// The input to read next: the one whose output lags furthest behind (by the input's clock with input sync).
// kNoInputLeft at the end (or at a frame limit), kInputsBusy when every input asked to wait.
int ChooseInputFile(InputFiles inputs, OutputStreams outputStreams);

enum class ReadResult {
    Packet,  // pkt holds the next packet
    Again,   // the input asked to be read later (InputFile::eagain)
    Ended,   // the input's end, or a stop that cut the read short (InputFile::eof)
};
// Reads the next packet of input fileIndex; any other failure to read raises.
ReadResult ReadInputPacket(InputFile& in, int fileIndex, AVPacket* pkt, const FrameHost& host);

// The stream a packet just read belongs to (streams: the input's own), with the packet's times moved onto
// the task's clock; nullptr when no output wants the packet. A stream whose packet lies beyond the first
// output's recording time ends there, its decoder flushed.
InputStream* TakeInputPacket(InputFile& in, InputStreams streams, const OutputFile& first, AVPacket* pkt,
                             FrameHost& host);

// The longest jump of input times that can be real: the longest input, at least a minute, at most 30 hours.
int64_t JumpLimit(InputFiles inputs, int64_t totalDuration);

// One warning for each input whose container promised more than could be read (a truncated file); none when
// the outputs were limited anyway.
std::vector<std::string> InputsEndedEarly(InputFiles inputs, OutputFiles outputs,
                                          OutputStreams outputStreams);

}  // namespace engine
