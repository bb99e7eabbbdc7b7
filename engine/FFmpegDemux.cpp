// Reading the inputs: which one is read next, each packet's times moved onto the task's clock (offsets,
// scales, corrupt jumps), the recording limit, the end of a truncated input, and the move to the next
// input while joining.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/time.h>
}

namespace engine {

void TCustomFFmpeg::MainLoop() {
    PacketPtr pkt = MakePacket();
    while (!stopRequested_ && !outputLimit_.reached) {
        const int fileIndex = ChooseInputFile();
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
        const int ret = av_read_frame(in.ctx.get(), pkt.get());
        if (ret == AVERROR(EAGAIN)) {
            in.eagain = true;
            continue;
        }
        if (ret < 0) {
            // the end of the input, or a stop that cut a read short; anything else is a read error
            if (ret != AVERROR_EOF && !stopRequested_)
                throw FFmpegException(FormatStr("Error while reading input file #%d (%s): %s", fileIndex,
                                                in.opening.fileName.c_str(), FFErrorText(ret).c_str()));
            in.eof = true;
            if (join_) {
                SwitchJoinInput();
                if (joinInput_ >= InputCount()) break;
                continue;
            }
            if (first.shortest) break;
            continue;
        }
        PacketUnref unref(pkt.get());
        if (InputStream* ist = TakeInputPacket(in, pkt.get())) DecodeOrCopy(*ist, pkt.get());
        if (av_gettime_relative() - stats_.lastReportTime >= ProgressInterval)
            ReportProgress(false, fileIndex);
    }
}

// The input to read next: while joining, the current one; otherwise the one whose output lags furthest
// behind. kNoInputLeft at the end (or at a frame limit), kInputsBusy when every input asked to wait.
int TCustomFFmpeg::ChooseInputFile() const {
    if (join_) {
        for (auto& ost : outputStreams_)
            if (ost->frameNumber >= ost->maxFrames) return kNoInputLeft;
        return joinInput_ < InputCount() && !inputs_[joinInput_]->eof ? joinInput_ : kNoInputLeft;
    }
    int fileIndex = kNoInputLeft;
    bool anyBusy = false;
    double best = 1e300;
    for (auto& ostPtr : outputStreams_) {
        const OutputStream& ost = *ostPtr;
        if (!ost.source || ost.source->discard) continue;
        const InputFile& in = *inputs_[ost.source->fileIndex];
        if (in.eof) continue;
        if (in.eagain) {
            anyBusy = true;
            continue;
        }
        if (ost.frameNumber >= ost.maxFrames) return kNoInputLeft;
        const double t = s_.inputSync ? ost.source->pts / 1e6 : ost.endTimeUs / 1e6;
        if (t < best) {
            best = t;
            fileIndex = ost.source->fileIndex;
        }
    }
    return fileIndex == kNoInputLeft && anyBusy ? kInputsBusy : fileIndex;
}

// The stream a packet just read belongs to, with the packet's times moved onto the task's clock (the
// input's offset and scale, jumps taken out); nullptr when no output wants the packet.
InputStream* TCustomFFmpeg::TakeInputPacket(InputFile& in, AVPacket* pkt) {
    AVFormatContext* ic = in.ctx.get();
    NoteReadEnd(in, ic->streams[pkt->stream_index], pkt);
    if (s_.doDump) av_pkt_dump_log2(nullptr, AV_LOG_INFO, pkt, s_.doHex, ic->streams[pkt->stream_index]);
    if (pkt->stream_index >= in.nbStreams) return nullptr;
    InputStream& ist = *inputStreams_[in.firstStream + pkt->stream_index];
    if (ist.discard) return nullptr;
    const AVRational tb = ist.st->time_base;
    const int64_t offset = av_rescale_q(in.tsOffset, AV_TIME_BASE_Q, tb);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;
    const double scale = pkt->stream_index < kMaxStreams ? in.tsScale[pkt->stream_index] : 1.0;
    if (scale != 1.0) {
        if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = std::llround(pkt->dts * scale);
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = std::llround(pkt->pts * scale);
    }
    FixTimestampJump(in, ist, pkt);
    if (PastRecordingTime(ist, pkt)) {
        ist.discard = true;
        if (ist.decodingNeeded && !ist.flushed) FlushInputStream(ist);
        return nullptr;
    }
    return &ist;
}

bool TCustomFFmpeg::PastRecordingTime(const InputStream& ist, const AVPacket* pkt) const {
    const OutputFile& first = *outputs_[0];
    if (first.recordingTime == kNoLimit) return false;
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    return ts != AV_NOPTS_VALUE &&
           av_compare_ts(ts, ist.st->time_base, first.startTime + first.recordingTime, AV_TIME_BASE_Q) >= 0;
}

// Formats with discontinuous timestamps (MPEG-TS) shift the input's offset at every jump beyond the "dts
// delta" threshold. In any other format a jump of audio or video beyond jumpLimitUs_ is a corrupt time,
// treated as a discontinuity too, so that it cannot make the output run on for that long.
void TCustomFFmpeg::FixTimestampJump(InputFile& in, InputStream& ist, AVPacket* pkt) {
    if (pkt->dts == AV_NOPTS_VALUE || s_.copyTs) return;
    const AVRational tb = ist.st->time_base;
    const bool discontinuous = in.ctx->iformat->flags & AVFMT_TS_DISCONT;
    const AVMediaType kind = ist.st->codecpar->codec_type;
    if (!discontinuous && kind != AVMEDIA_TYPE_VIDEO && kind != AVMEDIA_TYPE_AUDIO) return;
    if (!discontinuous) FixStreamStart(in, ist, pkt);
    if (ist.nextPts == AV_NOPTS_VALUE) return;
    const int64_t dtsUs = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
    const int64_t delta = dtsUs - ist.nextPts;
    const int64_t limit =
        discontinuous ? static_cast<int64_t>(s_.dtsDeltaThreshold * AV_TIME_BASE) : jumpLimitUs_;
    if (std::llabs(delta) > limit || (discontinuous && dtsUs + 1 < ist.pts)) {
        in.tsOffset -= delta;
        const int64_t d = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
        pkt->dts -= d;
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= d;
        if (!discontinuous)
            LogF(llWarning, "Input stream #%d.%d: timestamp jump of %.3f s taken as a discontinuity",
                 ist.fileIndex, ist.streamIndex, delta / 1e6);
        else if (s_.verbose > 2)
            LogF(llVerbose, "timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(delta),
                 static_cast<long long>(in.tsOffset));
    }
    // A presentation time far from its decoding time is corrupt: the decoder guesses it instead. In a
    // transport stream the duration may itself come from such a time, so the threshold bounds it there.
    if (pkt->pts != AV_NOPTS_VALUE && std::llabs(av_rescale_q(pkt->pts - pkt->dts, tb, AV_TIME_BASE_Q)) >
                                          (discontinuous ? limit : jumpLimitUs_))
        pkt->pts = AV_NOPTS_VALUE;
}

// A stream whose first time lies beyond the jump limit from where its sibling streams are (a corrupt
// header) is moved to them for good, so that the streams of the output stay together.
void TCustomFFmpeg::FixStreamStart(const InputFile& in, InputStream& ist, AVPacket* pkt) {
    const AVRational tb = ist.st->time_base;
    if (!std::exchange(ist.sawFirstPacket, true)) {
        int64_t reference = AV_NOPTS_VALUE;
        for (int k = 0; k < in.nbStreams; ++k) {
            const InputStream& sibling = *inputStreams_[in.firstStream + k];
            if (&sibling != &ist && sibling.sawFirstPacket && sibling.nextPts != AV_NOPTS_VALUE)
                reference = std::max(reference, sibling.nextPts);
        }
        const int64_t dtsUs = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
        if (reference != AV_NOPTS_VALUE && std::llabs(dtsUs - reference) > jumpLimitUs_) {
            ist.startShift = reference - dtsUs;
            LogF(llWarning, "Input stream #%d.%d: starts %.3f s away from the other streams; moved to them",
                 ist.fileIndex, ist.streamIndex, -ist.startShift / 1e6);
        }
    }
    if (ist.startShift == 0) return;
    const int64_t d = av_rescale_q(ist.startShift, AV_TIME_BASE_Q, tb);
    pkt->dts += d;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += d;
}

// The longest jump of input times that can be real: the longest input, at least a minute, at most 30 hours.
int64_t TCustomFFmpeg::ComputeJumpLimit() const {
    int64_t longest = totalDuration_ > 0 ? totalDuration_ : 0;
    for (const auto& in : inputs_)
        if (in->ctx->duration != AV_NOPTS_VALUE) longest = std::max(longest, in->ctx->duration);
    return std::clamp<int64_t>(longest, 60 * int64_t(AV_TIME_BASE), 30 * 3600 * int64_t(AV_TIME_BASE));
}

void TCustomFFmpeg::NoteReadEnd(InputFile& in, const AVStream* st, const AVPacket* pkt) {
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts == AV_NOPTS_VALUE) return;
    const int64_t endUs =
        av_rescale_q(ts + std::max<int64_t>(pkt->duration, 0), st->time_base, AV_TIME_BASE_Q);
    if (in.readEndUs == AV_NOPTS_VALUE || endUs > in.readEndUs) in.readEndUs = endUs;
}

// An input whose container promises more than could be read (a truncated file) still gives what was read,
// with a warning in the log and in the task's message.
void TCustomFFmpeg::WarnIfInputEndedEarly() {
    for (const auto& of : outputs_)
        if (of->recordingTime != kNoLimit || of->limitFilesize || of->shortest) return;
    for (const auto& ost : outputStreams_)
        if (ost->maxFrames != kNoLimit) return;
    for (size_t i = 0; i < inputs_.size(); ++i) {
        const InputFile& in = *inputs_[i];
        const AVFormatContext* ic = in.ctx.get();
        // a duration guessed from the bit rate, or times that may restart, promise nothing
        if (!in.eof || ic->duration == AV_NOPTS_VALUE || ic->duration <= 0 ||
            in.readEndUs == AV_NOPTS_VALUE || (ic->iformat->flags & AVFMT_TS_DISCONT) ||
            ic->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
            continue;
        const int64_t start = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
        const int64_t read = in.readEndUs - start;
        const int64_t expected = ic->duration;
        const int64_t slack = std::max<int64_t>(AV_TIME_BASE, expected / 20);
        if (expected <= 0 || read >= expected - slack) continue;
        const std::string msg = FormatStr(
            "Input file #%d could only be read up to %.1f s of its %.1f s; the output holds what was read",
            static_cast<int>(i), std::max<int64_t>(read, 0) / 1e6, expected / 1e6);
        Log(llWarning, msg);
        if (errorMessage_.empty()) errorMessage_ = msg;  // a warning: the task still finished
    }
}

// Joining moves on to the next input: the ended input's decoders are flushed, the output streams take
// their sources from the next input, which starts where the output reached.
void TCustomFFmpeg::SwitchJoinInput() {
    InputFile& ended = *inputs_[joinInput_];
    for (int k = 0; k < ended.nbStreams; ++k) {
        InputStream& ist = *inputStreams_[ended.firstStream + k];
        if (ist.decodingNeeded && !ist.flushed && !ist.discard) FlushInputStream(ist);
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
    next.tsOffset += reached;
    for (int k = 0; k < next.nbStreams; ++k)
        inputStreams_[next.firstStream + k]->startWallTime = av_gettime_relative();
}

}  // namespace engine
