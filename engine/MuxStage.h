#pragma once
// The mux stage: packets into an output container. It works on the output's and the stream's contexts
// alone (what it needs of the options was copied into them when the task started): the bitstream filters,
// the copied packets' times, the decode-time repair, the task's output limit and the trailer.

#include <cstdint>
#include <string>

#include "engine/FFmpegStreams.h"

namespace engine {

// The bitstream filters the stream's options name, in order; the stream's parameters become the last one's.
void OpenBitstreamFilters(OutputStream& ost);

// A packet of the stream's source, copied: its times moved to the output's start and time base. Returns
// false when the packet is not taken (before the first key picture or the start, or past the frame limit).
bool CopyPacket(OutputFile& of, OutputStream& ost, const InputStream& ist, const AVPacket* pkt);

// Through the stream's bitstream filters into the container, in increasing decode order; a packet beyond
// the task's output limit stops the writing instead (OutputLimit::reached).
void WritePacket(OutputFile& of, OutputStream& ost, AVPacket* pkt);

// The trailer, once, of an output whose header was written.
void WriteTrailer(OutputFile& of);

}  // namespace engine
