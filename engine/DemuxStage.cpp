#include "engine/DemuxStage.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/DecodeStage.h"
#include "engine/FFLog.h"
#include "engine/StrFormat.h"

namespace engine {

namespace {

void NoteReadEnd(InputFile& in, const AVStream* st, const AVPacket* pkt) {
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts == AV_NOPTS_VALUE) return;
    const int64_t endUs =
        av_rescale_q(ts + std::max<int64_t>(pkt->duration, 0), st->time_base, AV_TIME_BASE_Q);
    if (in.readEndUs == AV_NOPTS_VALUE || endUs > in.readEndUs) in.readEndUs = endUs;
}

bool PastRecordingTime(const OutputFile& first, const InputStream& ist, const AVPacket* pkt) {
    if (first.recordingTimeUs == kNoLimit) return false;
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    return ts != AV_NOPTS_VALUE &&
           av_compare_ts(ts, ist.st->time_base, first.startTimeUs + first.recordingTimeUs, AV_TIME_BASE_Q) >=
               0;
}

// A stream whose first time lies beyond the jump limit from where its sibling streams are (a corrupt
// header) is moved to them for good, so that the streams of the output stay together.
void FixStreamStart(InputStreams streams, InputStream& ist, AVPacket* pkt) {
    const AVRational tb = ist.st->time_base;
    const RunOptions& run = *ist.run;
    if (!std::exchange(ist.sawFirstPacket, true)) {
        int64_t reference = AV_NOPTS_VALUE;
        for (const auto& sibling : streams)
            if (sibling.get() != &ist && sibling->sawFirstPacket && sibling->nextPtsUs != AV_NOPTS_VALUE)
                reference = std::max(reference, sibling->nextPtsUs);
        const int64_t dtsUs = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
        if (reference != AV_NOPTS_VALUE && std::llabs(dtsUs - reference) > run.jumpLimitUs) {
            ist.startShiftUs = reference - dtsUs;
            LogFmt(run.logSender, llWarning,
                   "Input stream #%d.%d: starts %.3f s away from the other streams; moved to them",
                   ist.fileIndex, ist.streamIndex, -ist.startShiftUs / 1e6);
        }
    }
    if (ist.startShiftUs == 0) return;
    const int64_t d = av_rescale_q(ist.startShiftUs, AV_TIME_BASE_Q, tb);
    pkt->dts += d;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += d;
}

// Formats with discontinuous timestamps (MPEG-TS) shift the input's offset at every jump beyond the "dts
// delta" threshold. In any other format a jump of audio or video beyond the run's jump limit is a corrupt
// time, treated as a discontinuity too, so that it cannot make the output run on for that long.
void FixTimestampJump(InputFile& in, InputStreams streams, InputStream& ist, AVPacket* pkt) {
    const RunOptions& run = *in.run;
    if (pkt->dts == AV_NOPTS_VALUE || run.copyTs) return;
    const AVRational tb = ist.st->time_base;
    const bool discontinuous = in.ctx->iformat->flags & AVFMT_TS_DISCONT;
    const AVMediaType kind = ist.st->codecpar->codec_type;
    if (!discontinuous && kind != AVMEDIA_TYPE_VIDEO && kind != AVMEDIA_TYPE_AUDIO) return;
    if (!discontinuous) FixStreamStart(streams, ist, pkt);
    if (ist.nextPtsUs == AV_NOPTS_VALUE) return;
    const int64_t dtsUs = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
    const int64_t delta = dtsUs - ist.nextPtsUs;
    const int64_t limit =
        discontinuous ? static_cast<int64_t>(run.dtsDeltaThresholdSeconds * AV_TIME_BASE) : run.jumpLimitUs;
    if (std::llabs(delta) > limit || (discontinuous && dtsUs + 1 < ist.ptsUs)) {
        in.tsOffsetUs -= delta;
        const int64_t d = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
        pkt->dts -= d;
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= d;
        if (!discontinuous)
            LogFmt(run.logSender, llWarning,
                   "Input stream #%d.%d: timestamp jump of %.3f s taken as a discontinuity", ist.fileIndex,
                   ist.streamIndex, delta / 1e6);
        else if (run.verbose > 2)
            LogFmt(run.logSender, llVerbose, "timestamp discontinuity %lld, new offset= %lld",
                   static_cast<long long>(delta), static_cast<long long>(in.tsOffsetUs));
    }
    // A presentation time far from its decoding time is corrupt: the decoder guesses it instead. In a
    // transport stream the duration may itself come from such a time, so the threshold bounds it there.
    if (pkt->pts != AV_NOPTS_VALUE && std::llabs(av_rescale_q(pkt->pts - pkt->dts, tb, AV_TIME_BASE_Q)) >
                                          (discontinuous ? limit : run.jumpLimitUs))
        pkt->pts = AV_NOPTS_VALUE;
}

}  // namespace

int ChooseInputFile(InputFiles inputs, OutputStreams outputStreams) {
    int fileIndex = kNoInputLeft;
    bool anyBusy = false;
    double best = 1e300;
    for (const auto& ostPtr : outputStreams) {
        const OutputStream& ost = *ostPtr;
        if (!ost.source || ost.source->discard) continue;
        const InputFile& in = *inputs[ost.source->fileIndex];
        if (in.eof) continue;
        if (in.eagain) {
            anyBusy = true;
            continue;
        }
        if (ost.frameNumber >= ost.maxFrames) return kNoInputLeft;
        const double t = in.run->inputSync ? ost.source->ptsUs / 1e6 : ost.endTimeUs / 1e6;
        if (t < best) {
            best = t;
            fileIndex = ost.source->fileIndex;
        }
    }
    return fileIndex == kNoInputLeft && anyBusy ? kInputsBusy : fileIndex;
}

ReadResult ReadInputPacket(InputFile& in, int fileIndex, AVPacket* pkt, const FrameHost& host) {
    const int ret = av_read_frame(in.ctx.get(), pkt);
    if (ret == AVERROR(EAGAIN)) {
        in.eagain = true;
        return ReadResult::Again;
    }
    if (ret < 0) {
        // the end of the input, or a stop that cut a read short; anything else is a read error
        if (ret != AVERROR_EOF && !host.StopRequested())
            throw FFmpegException(FormatStr("Error while reading input file #%d (%s): %s", fileIndex,
                                            in.opening.fileName.c_str(), FFErrorText(ret).c_str()));
        in.eof = true;
        return ReadResult::Ended;
    }
    return ReadResult::Packet;
}

InputStream* TakeInputPacket(InputFile& in, InputStreams streams, const OutputFile& first, AVPacket* pkt,
                             FrameHost& host) {
    AVFormatContext* ic = in.ctx.get();
    NoteReadEnd(in, ic->streams[pkt->stream_index], pkt);
    if (in.run->dump)
        av_pkt_dump_log2(nullptr, AV_LOG_INFO, pkt, in.run->dumpHex, ic->streams[pkt->stream_index]);
    if (pkt->stream_index >= in.nbStreams) return nullptr;
    InputStream& ist = *streams[pkt->stream_index];
    if (ist.discard) return nullptr;
    const AVRational tb = ist.st->time_base;
    const int64_t offset = av_rescale_q(in.tsOffsetUs, AV_TIME_BASE_Q, tb);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;
    const double scale = pkt->stream_index < kMaxStreams ? in.tsScale[pkt->stream_index] : 1.0;
    if (scale != 1.0) {
        if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = std::llround(pkt->dts * scale);
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = std::llround(pkt->pts * scale);
    }
    FixTimestampJump(in, streams, ist, pkt);
    if (PastRecordingTime(first, ist, pkt)) {
        ist.discard = true;
        if (ist.decodingNeeded && !ist.flushed) FlushInputStream(ist, host);
        return nullptr;
    }
    return &ist;
}

int64_t JumpLimit(InputFiles inputs, int64_t totalDuration) {
    int64_t longest = totalDuration > 0 ? totalDuration : 0;
    for (const auto& in : inputs)
        if (in->ctx->duration != AV_NOPTS_VALUE) longest = std::max(longest, in->ctx->duration);
    return std::clamp<int64_t>(longest, 60 * int64_t(AV_TIME_BASE), 30 * 3600 * int64_t(AV_TIME_BASE));
}

// An input whose container promises more than could be read still gives what was read; the task says so.
std::vector<std::string> InputsEndedEarly(InputFiles inputs, OutputFiles outputs,
                                          OutputStreams outputStreams) {
    std::vector<std::string> warnings;
    for (const auto& of : outputs)
        if (of->recordingTimeUs != kNoLimit || of->limitFilesize || of->shortest) return warnings;
    for (const auto& ost : outputStreams)
        if (ost->maxFrames != kNoLimit) return warnings;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const InputFile& in = *inputs[i];
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
        warnings.push_back(FormatStr(
            "Input file #%d could only be read up to %.1f s of its %.1f s; the output holds what was read",
            static_cast<int>(i), std::max<int64_t>(read, 0) / 1e6, expected / 1e6));
    }
    return warnings;
}

}  // namespace engine
