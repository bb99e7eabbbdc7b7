#include "engine/DecodeStage.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "engine/AudioStage.h"
#include "engine/EncodeStage.h"
#include "engine/FFLog.h"
#include "engine/MuxStage.h"
#include "engine/StrFormat.h"
#include "engine/VideoFilterStage.h"

extern "C" {
#include <libavutil/time.h>
}

namespace engine {

void OpenDecoder(InputStream& ist) {
    const AVMediaType kind = ist.st->codecpar->codec_type;
    if (!ist.decoder)
        RaiseFmt("Decoder (codec id %d) not found for input stream #%d.%d (%s)", ist.st->codecpar->codec_id,
                 ist.fileIndex, ist.streamIndex, MediaKindName(kind));
    ist.dec = MakeCodecContext(ist.decoder);
    avcodec_parameters_to_context(ist.dec.get(), ist.st->codecpar);
    ist.dec->pkt_timebase = ist.st->time_base;
    ist.dec->thread_count = ist.run->threads;
    ApplyCodecParams(ist.dec.get(), ist.run->params, kind, false, ist.run->logSender);
    if (avcodec_open2(ist.dec.get(), ist.decoder, nullptr) < 0) {
        ist.dec.reset();
        RaiseFmt("Error while opening decoder for input stream #%d.%d (%s)", ist.fileIndex, ist.streamIndex,
                 MediaKindName(kind));
    }
}

namespace {

[[noreturn]] void RaiseDecodeFailure(const InputStream& ist) {
    throw DecodeFailure(FormatStr("Error while decoding stream #%d.%d (%s)", ist.fileIndex, ist.streamIndex,
                                  MediaKindName(ist.st->codecpar->codec_type)));
}

// A decoded picture: the host's input hooks see it, then each output that encodes the stream filters it.
void HandleVideoFrame(InputStream& ist, AVFrame* frame, FrameHost& host) {
    if (host.WatchesInputPictures()) {
        if (av_frame_make_writable(frame) < 0) throw FFmpegException("hook buf malloc error.");
        host.InputPicture(frame, ist.ptsUs);
    }
    for (OutputStream* ost : ist.outputs) {
        if (ost->source != &ist || !ost->encoding || ost->kind != AVMEDIA_TYPE_VIDEO) continue;
        FilterVideo(*ost->file, *ost, ist, frame, ist.ptsUs, host);
    }
}

void DecodeVideo(InputStream& ist, const AVPacket* pkt, FrameHost& host) {
    AVCodecContext* dec = ist.dec.get();
    int ret = avcodec_send_packet(dec, pkt);
    if (ret < 0 && ret != AVERROR_EOF && ret != AVERROR(EAGAIN)) RaiseDecodeFailure(ist);
    int frames = 0;
    AVFrame* frame = ist.decoded.get();
    while (true) {
        ret = avcodec_receive_frame(dec, frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
        if (ret < 0) RaiseDecodeFailure(ist);
        ++frames;
        int64_t ts = frame->best_effort_timestamp;
        int64_t us = ts != AV_NOPTS_VALUE ? av_rescale_q(ts, ist.st->time_base, AV_TIME_BASE_Q)
                                          : (ist.nextPtsUs != AV_NOPTS_VALUE ? ist.nextPtsUs : ist.ptsUs);
        ist.ptsUs = us;
        AVRational rate = ist.st->avg_frame_rate.num ? ist.st->avg_frame_rate : ist.st->r_frame_rate;
        int64_t dur = frame->pkt_duration > 0
                          ? av_rescale_q(frame->pkt_duration, ist.st->time_base, AV_TIME_BASE_Q)
                      : rate.num ? static_cast<int64_t>(1e6 / av_q2d(rate) * (1 + frame->repeat_pict * 0.5))
                                 : 40000;
        ist.nextPtsUs = us + dur;
        HandleVideoFrame(ist, frame, host);
        av_frame_unref(frame);
        if (host.StopRequested()) break;
    }
    if (frames > 1 && pkt && !ist.multiFramesWarned && ist.run->verbose > 0) {
        LogFmt(ist.run->logSender, llError, "Multiple frames in a packet from stream %d", ist.streamIndex);
        ist.multiFramesWarned = true;
    }
    if (!pkt) {
        // the decoder is drained: the encoders fed by it see no more pictures from this stream
        avcodec_flush_buffers(dec);
    }
}

void DecodeAudio(InputStream& ist, const AVPacket* pkt, FrameHost& host) {
    AVCodecContext* dec = ist.dec.get();
    int ret = avcodec_send_packet(dec, pkt);
    if (ret < 0 && ret != AVERROR_EOF && ret != AVERROR(EAGAIN)) RaiseDecodeFailure(ist);
    AVFrame* frame = ist.decoded.get();
    while (true) {
        ret = avcodec_receive_frame(dec, frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
        if (ret < 0) RaiseDecodeFailure(ist);
        const int rate = frame->sample_rate > 0 ? frame->sample_rate : dec->sample_rate;
        int64_t us = ist.nextPtsUs != AV_NOPTS_VALUE ? ist.nextPtsUs : ist.ptsUs;
        if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
            const int64_t t = av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, AV_TIME_BASE_Q);
            // small jitter of container times does not move the audio clock
            if (ist.nextPtsUs == AV_NOPTS_VALUE || std::llabs(t - ist.nextPtsUs) > 1000) us = t;
        }
        ist.ptsUs = us;
        ist.nextPtsUs = us + (rate > 0 ? int64_t(frame->nb_samples) * 1000000 / rate : 0);
        host.InputSamples(frame, us, rate);
        for (OutputStream* ost : ist.outputs)
            if (ost->source == &ist && ost->encoding && ost->kind == AVMEDIA_TYPE_AUDIO)
                ResampleAudio(*ost->file, *ost, ist, frame, us, host);
        av_frame_unref(frame);
        if (host.StopRequested()) break;
    }
}

void DecodeSubtitle(InputStream& ist, const AVPacket* pkt) {
    if (!pkt) return;
    AVSubtitle sub;
    int got = 0;
    if (avcodec_decode_subtitle2(ist.dec.get(), &sub, &got, const_cast<AVPacket*>(pkt)) < 0)
        RaiseDecodeFailure(ist);
    if (!got) return;
    const int64_t ptsUs = pkt->pts != AV_NOPTS_VALUE
                              ? av_rescale_q(pkt->pts, ist.st->time_base, AV_TIME_BASE_Q)
                              : AV_NOPTS_VALUE;
    try {
        for (OutputStream* ost : ist.outputs)
            if (ost->source == &ist && ost->encoding) EncodeSubtitle(*ost->file, *ost, sub, ptsUs);
    } catch (...) {
        avsubtitle_free(&sub);
        throw;
    }
    avsubtitle_free(&sub);
}

// One packet (nullptr: the end of the stream) to every output the stream feeds; the stream's clock follows
// the packets' decoding times.
void ProcessPacket(InputStream& ist, const AVPacket* pkt, FrameHost& host) {
    if (pkt && pkt->dts != AV_NOPTS_VALUE) {
        const int64_t dts = av_rescale_q(pkt->dts, ist.st->time_base, AV_TIME_BASE_Q);
        if (!ist.decodingNeeded || !ist.sawFirstTs) ist.ptsUs = dts;
        ist.sawFirstTs = true;
    }
    if (ist.run->rateEmu && pkt) {
        // read no faster than the stream plays
        while (!host.StopRequested() && ist.ptsUs - (av_gettime_relative() - ist.startWallTimeUs) > 1000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // every output that copies the stream gets the packet, whether or not others decode it
    if (pkt)
        for (OutputStream* ost : ist.outputs)
            if (ost->source == &ist && !ost->encoding) CopyPacket(*ost->file, *ost, ist, pkt);
    if (!ist.decodingNeeded) {
        if (!pkt) return;
        int64_t duration =
            pkt->duration > 0 ? av_rescale_q(pkt->duration, ist.st->time_base, AV_TIME_BASE_Q) : 0;
        ist.nextPtsUs = ist.ptsUs + duration;
        return;
    }
    switch (ist.st->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            DecodeVideo(ist, pkt, host);
            break;
        case AVMEDIA_TYPE_AUDIO:
            DecodeAudio(ist, pkt, host);
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            DecodeSubtitle(ist, pkt);
            break;
        default:
            break;
    }
}

}  // namespace

void DecodeOrCopy(InputStream& ist, const AVPacket* pkt, FrameHost& host) {
    try {
        ProcessPacket(ist, pkt, host);
    } catch (const DecodeFailure& e) {
        if (ist.run->exitOnError) throw;
        if (ist.run->verbose >= 0) Log(ist.run->logSender, llVerbose, e.what());
    }
}

void FlushInputStream(InputStream& ist, FrameHost& host) {
    ist.flushed = true;
    if (!ist.dec) return;
    try {
        ProcessPacket(ist, nullptr, host);
    } catch (const DecodeFailure&) {
    }
}

}  // namespace engine
