// The task's read loop: the next input chosen (the current one while joining), its packet read and handed
// from the demux stage to the decode stage, progress reported; and joining, which moves the outputs on to
// the next input when one ends.

#include <algorithm>
#include <chrono>
#include <thread>

#include "engine/DecodeStage.h"
#include "engine/DemuxStage.h"
#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"

extern "C" {
#include <libavutil/time.h>
}

namespace engine {

void TCustomFFmpeg::MainLoop() {
    PacketPtr pkt = MakePacket();
    while (!stopRequested_ && !outputLimit_.reached) {
        const int fileIndex = NextInputFile();
        if (fileIndex == kNoInputLeft) break;
        if (fileIndex == kInputsBusy) {
            for (auto& in : inputs_)
                in->eagain = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        OutputFile& first = *outputs_[0];
        if (first.limitFilesize && first.ctx->pb && avio_tell(first.ctx->pb) >= first.limitFilesize) break;

        InputFile& in = *inputs_[fileIndex];
        const ReadResult read = ReadInputPacket(in, fileIndex, pkt.get(), *this);
        if (read == ReadResult::Again) continue;
        if (read == ReadResult::Ended) {
            if (join_) {
                SwitchJoinInput();
                if (joinInput_ >= InputCount()) break;
                continue;
            }
            if (first.shortest) break;
            continue;
        }
        PacketUnref unref(pkt.get());
        const InputStreams fileStreams = InputStreams(inputStreams_).subspan(in.firstStream, in.nbStreams);
        if (InputStream* ist = TakeInputPacket(in, fileStreams, first, pkt.get(), *this))
            DecodeOrCopy(*ist, pkt.get(), *this);
        if (av_gettime_relative() - stats_.lastReportTime >= ProgressInterval)
            ReportProgress(false, fileIndex);
    }
}

// While joining, the current input (none once an output reached its frame limit); otherwise the demux
// stage's choice.
int TCustomFFmpeg::NextInputFile() const {
    if (!join_) return ChooseInputFile(inputs_, outputStreams_);
    for (auto& ost : outputStreams_)
        if (ost->frameNumber >= ost->maxFrames) return kNoInputLeft;
    return joinInput_ < InputCount() && !inputs_[joinInput_]->eof ? joinInput_ : kNoInputLeft;
}

// Joining moves on to the next input: the ended input's decoders are flushed, the output streams take
// their sources from the next input, which starts where the output reached.
void TCustomFFmpeg::SwitchJoinInput() {
    InputFile& ended = *inputs_[joinInput_];
    for (int k = 0; k < ended.nbStreams; ++k) {
        InputStream& ist = *inputStreams_[ended.firstStream + k];
        if (ist.decodingNeeded && !ist.flushed && !ist.discard) FlushInputStream(ist, *this);
    }
    int64_t reached = 0;
    for (auto& ost : outputStreams_)
        reached = std::max(reached, ost->endTimeUs);
    ++joinInput_;
    if (joinInput_ >= InputCount()) return;
    InputFile& next = *inputs_[joinInput_];
    for (auto& ostPtr : outputStreams_) {
        OutputStream& ost = *ostPtr;
        InputStream* src = ChooseSource(ost.kind, joinInput_, joinInput_ + 1, !ost.encoding);
        ost.source = nullptr;
        if (!src) continue;
        AttachSource(ost, *src);
        if (ost.encoding && !src->dec) OpenDecoder(*src);
        // the filters are built anew for the next input's pictures
        if (ost.kind == AVMEDIA_TYPE_VIDEO) ost.filter.MarkStale();
    }
    // its offset already takes away its own start time
    next.tsOffsetUs += reached;
    for (int k = 0; k < next.nbStreams; ++k)
        inputStreams_[next.firstStream + k]->startWallTimeUs = av_gettime_relative();
}

}  // namespace engine
