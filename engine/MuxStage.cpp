#include "engine/MuxStage.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/FFLog.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine {

namespace {

// Decode times must increase (or, for a muxer that allows it, not decrease): a packet that goes back is
// moved on and the log says so, as the ffmpeg tool does; with "xerror" the task ends there instead.
void RepairDecodeTime(const OutputFile& of, const OutputStream& ost, AVPacket* p) {
    const int64_t least = ost.lastMuxDts + !(of.ctx->oformat->flags & AVFMT_TS_NONSTRICT);
    if (p->dts >= least) return;
    const std::string what =
        FormatStr("Non-monotonous DTS in output stream %d:%d; previous: %lld, current: %lld; ", ost.fileIndex,
                  ost.index, static_cast<long long>(ost.lastMuxDts), static_cast<long long>(p->dts));
    if (of.run->exitOnError) {
        Log(of.run->logSender, llError, what + "aborting.");
        throw FFmpegException(what + "aborting.");
    }
    const bool small = least - p->dts <= 2 && ost.kind != AVMEDIA_TYPE_VIDEO;
    Log(of.run->logSender, small ? llDebug : llWarning,
        what + FormatStr("changing to %lld. This may result in incorrect timestamps in the output file.",
                         static_cast<long long>(least)));
    if (p->pts != AV_NOPTS_VALUE && p->pts >= p->dts) p->pts = std::max(p->pts, least);
    p->dts = least;
}

// The task stops at its output limit and finishes with a warning; what was written stays.
void StopAtOutputLimit(const OutputFile& of, const OutputStream& ost) {
    OutputLimit& limit = *of.limit;
    if (std::exchange(limit.reached, true)) return;
    limit.warning = FormatStr(
        "Output file #%d reached %.1f s, far beyond the input's %.1f s (its times are corrupt); the "
        "conversion stopped there",
        ost.fileIndex, limit.limitUs / 1e6, limit.inputUs / 1e6);
    Log(of.run->logSender, llWarning, limit.warning);
}

// One packet of the stream into the container.
void Mux(OutputFile& of, OutputStream& ost, AVPacket* p) {
    AVFormatContext* oc = of.ctx.get();
    p->stream_index = ost.index;
    if (!(oc->oformat->flags & AVFMT_NOTIMESTAMPS) && p->dts != AV_NOPTS_VALUE) {
        if (ost.lastMuxDts != AV_NOPTS_VALUE) RepairDecodeTime(of, ost, p);
        ost.lastMuxDts = p->dts;
    }
    const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
    if (ts != AV_NOPTS_VALUE) {
        const int64_t endUs =
            av_rescale_q(ts + std::max<int64_t>(p->duration, 0), ost.st->time_base, AV_TIME_BASE_Q);
        if (of.limit && endUs > of.limit->limitUs) {
            StopAtOutputLimit(of, ost);
            return;
        }
        ost.endTimeUs = std::max(ost.endTimeUs, endUs);
    }
    const int ret = av_interleaved_write_frame(oc, p);
    if (ret < 0) throw FFmpegException("av_interleaved_write_frame(): " + FFErrorText(ret));
    of.packetsWritten++;
}

}  // namespace

void OpenBitstreamFilters(OutputStream& ost) {
    if (ost.bsfNames.empty()) return;
    for (const std::string& spec : ost.bsfNames) {
        const size_t eq = spec.find('=');
        const std::string name = spec.substr(0, eq);
        const AVBitStreamFilter* f = av_bsf_get_by_name(name.c_str());
        AVBSFContext* ctx = nullptr;
        if (!f || av_bsf_alloc(f, &ctx) < 0) RaiseFmt("Unknown bitstream filter %s", name.c_str());
        BSFContextPtr holder(ctx);
        const AVCodecParameters* in = ost.bsfs.empty() ? ost.st->codecpar : ost.bsfs.back()->par_out;
        avcodec_parameters_copy(ctx->par_in, in);
        ctx->time_base_in = ost.st->time_base;
        if (eq != std::string::npos && ctx->priv_data)
            av_set_options_string(ctx->priv_data, spec.substr(eq + 1).c_str(), "=", ":");
        const int ret = av_bsf_init(ctx);
        if (ret < 0)
            RaiseFmt("%s failed for stream %d, codec %s: %s", name.c_str(), ost.index,
                     ost.encoding ? ost.codec->name : "copy", FFErrorText(ret).c_str());
        ost.bsfs.push_back(std::move(holder));
    }
    avcodec_parameters_copy(ost.st->codecpar, ost.bsfs.back()->par_out);
}

bool CopyPacket(OutputFile& of, OutputStream& ost, const InputStream& ist, const AVPacket* pkt) {
    if (ost.frameNumber >= ost.maxFrames) return false;
    if (!ost.wroteKeyframe && !(pkt->flags & AV_PKT_FLAG_KEY) && !of.run->copyInitialNonkeyframes &&
        ost.kind == AVMEDIA_TYPE_VIDEO)
        return false;
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts != AV_NOPTS_VALUE && av_rescale_q(ts, ist.st->time_base, AV_TIME_BASE_Q) < of.startTimeUs &&
        !of.run->copyInitialNonkeyframes)
        return false;
    ost.wroteKeyframe = true;
    PacketPtr opkt = MakePacket();
    if (av_packet_ref(opkt.get(), pkt) < 0) throw std::bad_alloc();
    const int64_t start = av_rescale_q(of.startTimeUs, AV_TIME_BASE_Q, ost.st->time_base);
    if (pkt->pts != AV_NOPTS_VALUE)
        opkt->pts = av_rescale_q(pkt->pts, ist.st->time_base, ost.st->time_base) - start;
    if (pkt->dts != AV_NOPTS_VALUE)
        opkt->dts = av_rescale_q(pkt->dts, ist.st->time_base, ost.st->time_base) - start;
    opkt->duration = av_rescale_q(pkt->duration, ist.st->time_base, ost.st->time_base);
    if (ost.kind == AVMEDIA_TYPE_VIDEO) ost.frameNumber++;
    if (ost.kind == AVMEDIA_TYPE_VIDEO || ost.kind == AVMEDIA_TYPE_AUDIO) ost.bytesWritten += pkt->size;
    WritePacket(of, ost, opkt.get());
    return true;
}

void WritePacket(OutputFile& of, OutputStream& ost, AVPacket* pkt) {
    if (ost.bsfs.empty()) {
        Mux(of, ost, pkt);
        return;
    }
    // through the bitstream filters in order
    std::vector<PacketPtr> current;
    current.push_back(MakePacket());
    av_packet_move_ref(current.back().get(), pkt);
    for (auto& bsf : ost.bsfs) {
        std::vector<PacketPtr> next;
        for (auto& p : current) {
            int ret = av_bsf_send_packet(bsf.get(), p.get());
            while (ret >= 0) {
                PacketPtr out = MakePacket();
                ret = av_bsf_receive_packet(bsf.get(), out.get());
                if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
                if (ret >= 0) next.push_back(std::move(out));
            }
            if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
                const std::string msg = FormatStr("%s failed for stream %d, codec %s", bsf->filter->name,
                                                  ost.index, ost.encoding ? ost.codec->name : "copy") +
                                        ": " + FFErrorText(ret);
                if (of.run->exitOnError) throw FFmpegException(msg);
                Log(of.run->logSender, llError, msg);
            }
        }
        current = std::move(next);
    }
    for (auto& p : current)
        Mux(of, ost, p.get());
}

void WriteTrailer(OutputFile& of) {
    if (!of.headerWritten || of.trailerWritten) return;
    of.trailerWritten = true;
    const int ret = av_write_trailer(of.ctx.get());
    if (ret < 0) throw FFmpegException(FFErrorMessage(of.fileName, ret));
}

}  // namespace engine
