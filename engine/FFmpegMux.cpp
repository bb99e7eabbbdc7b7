// Writing the outputs: headers with their metadata and chapters, the bitstream filters, packets copied or
// encoded in increasing decode order, and the trailers.

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine {

namespace {

// The input's chapters, with their metadata, to an output that has none.
void CopyChapters(AVFormatContext* oc, const AVFormatContext* ic) {
    for (unsigned c = 0; c < ic->nb_chapters; ++c) {
        AVChapter* in = ic->chapters[c];
        AVChapter* ch = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!ch) break;
        *ch = *in;
        ch->metadata = nullptr;
        av_dict_copy(&ch->metadata, in->metadata, 0);
        AVChapter** grown =
            static_cast<AVChapter**>(av_realloc_array(oc->chapters, oc->nb_chapters + 1, sizeof(AVChapter*)));
        if (grown) {
            oc->chapters = grown;
            oc->chapters[oc->nb_chapters++] = ch;
        } else {
            av_dict_free(&ch->metadata);
            av_free(ch);
            break;
        }
    }
}

}  // namespace

void TCustomFFmpeg::WriteHeaders() {
    ApplyMetadataMaps();
    for (size_t i = 0; i < outputs_.size(); ++i) {
        AVFormatContext* oc = outputs_[i]->ctx.get();
        if (metadataGlobalAuto_ && !inputs_.empty())
            av_dict_copy(&oc->metadata, inputs_[0]->ctx->metadata, AV_DICT_DONT_OVERWRITE);
        if (metadataChaptersAuto_ && !inputs_.empty() && oc->nb_chapters == 0 && !join_)
            CopyChapters(oc, inputs_[0]->ctx.get());
        // encoder and muxer names of this library generation are not the user's metadata
        av_dict_set(&oc->metadata, "encoder", nullptr, 0);
        DictionaryPtr opts;
        if (avformat_write_header(oc, opts.Address()) < 0) {
            const std::string msg =
                FormatStr("Could not write header for output file #%d (incorrect codec parameters ?)",
                          static_cast<int>(i));
            Log(llError, msg);
            throw FFmpegException(msg);
        }
        outputs_[i]->headerWritten = true;
    }
    LogSdpForRtp();
}

// The metadata maps copy an input's global, stream, chapter or program metadata to an output's; the
// chapter maps are only checked.
void TCustomFFmpeg::ApplyMetadataMaps() {
    for (const auto& [out, in] : metaMaps_) {
        if (out.file < 0 || out.file >= OutputCount())
            RaiseFmt("Invalid %s index %d while processing metadata maps", "output file", out.file);
        if (in.file < 0 || in.file >= InputCount())
            RaiseFmt("Invalid %s index %d while processing metadata maps", "input file", in.file);
        AVFormatContext* oc = outputs_[out.file]->ctx.get();
        AVFormatContext* ic = inputs_[in.file]->ctx.get();
        auto pick = [](AVFormatContext* c, const MetadataMap& m) -> AVDictionary** {
            switch (m.type) {
                case 's':
                    if (m.index < 0 || m.index >= static_cast<int>(c->nb_streams))
                        RaiseFmt("Invalid %s index %d while processing metadata maps", "stream", m.index);
                    return &c->streams[m.index]->metadata;
                case 'c':
                    if (m.index < 0 || m.index >= static_cast<int>(c->nb_chapters))
                        RaiseFmt("Invalid %s index %d while processing metadata maps", "chapter", m.index);
                    return &c->chapters[m.index]->metadata;
                case 'p':
                    if (m.index < 0 || m.index >= static_cast<int>(c->nb_programs))
                        RaiseFmt("Invalid %s index %d while processing metadata maps", "program", m.index);
                    return &c->programs[m.index]->metadata;
                default:
                    return &c->metadata;
            }
        };
        av_dict_copy(pick(oc, out), *pick(ic, in), AV_DICT_DONT_OVERWRITE);
    }
    for (const auto& [out, in] : chapterMaps_) {
        if (in < 0 || in >= InputCount()) RaiseFmt("Invalid input file index %d in chapter mapping.", in);
        if (out < 0 || out >= OutputCount())
            RaiseFmt("Invalid output file index %d in chapter mapping.", out);
    }
}

// A session description, when every output is an RTP stream.
void TCustomFFmpeg::LogSdpForRtp() {
    bool allRtp = !outputs_.empty();
    for (auto& of : outputs_)
        allRtp = allRtp && std::string(of->ctx->oformat->name) == "rtp";
    if (allRtp) {
        std::vector<AVFormatContext*> ctxs;
        for (auto& of : outputs_)
            ctxs.push_back(of->ctx.get());
        char sdp[16384] = "";
        const int ret = av_sdp_create(ctxs.data(), static_cast<int>(ctxs.size()), sdp, sizeof sdp);
        if (ret < 0)
            Log(llWarning, "SDP could not be made: " + FFErrorText(ret));
        else
            Log(llInfo, std::string("SDP:\r\n") + sdp);
    }
}

void TCustomFFmpeg::OpenBitstreamFilters(OutputStream& ost) {
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

void TCustomFFmpeg::CopyPacket(OutputStream& ost, InputStream& ist, const AVPacket* pkt) {
    if (ost.frameNumber >= ost.maxFrames) return;
    if (!ost.wroteKeyframe && !(pkt->flags & AV_PKT_FLAG_KEY) && !s_.copyInitialNonkeyframes &&
        ost.kind == AVMEDIA_TYPE_VIDEO)
        return;
    OutputFile& of = *outputs_[ost.fileIndex];
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts != AV_NOPTS_VALUE && av_rescale_q(ts, ist.st->time_base, AV_TIME_BASE_Q) < of.startTime &&
        !s_.copyInitialNonkeyframes)
        return;
    ost.wroteKeyframe = true;
    PacketPtr opkt = MakePacket();
    if (av_packet_ref(opkt.get(), pkt) < 0) throw std::bad_alloc();
    const int64_t start = av_rescale_q(of.startTime, AV_TIME_BASE_Q, ost.st->time_base);
    if (pkt->pts != AV_NOPTS_VALUE)
        opkt->pts = av_rescale_q(pkt->pts, ist.st->time_base, ost.st->time_base) - start;
    if (pkt->dts != AV_NOPTS_VALUE)
        opkt->dts = av_rescale_q(pkt->dts, ist.st->time_base, ost.st->time_base) - start;
    opkt->duration = av_rescale_q(pkt->duration, ist.st->time_base, ost.st->time_base);
    if (ost.kind == AVMEDIA_TYPE_VIDEO) {
        stats_.videoBytes += pkt->size;
        ost.frameNumber++;
    } else if (ost.kind == AVMEDIA_TYPE_AUDIO) {
        stats_.audioBytes += pkt->size;
    }
    WritePacket(ost, opkt.get());
}

// Decode times must increase (or, for a muxer that allows it, not decrease): a packet that goes back is
// moved on and the log says so, as the ffmpeg tool does; with "xerror" the task ends there instead.
void TCustomFFmpeg::RepairDecodeTime(const OutputStream& ost, const AVFormatContext* oc, AVPacket* p) {
    const int64_t least = ost.lastMuxDts + !(oc->oformat->flags & AVFMT_TS_NONSTRICT);
    if (p->dts >= least) return;
    const std::string what =
        FormatStr("Non-monotonous DTS in output stream %d:%d; previous: %lld, current: %lld; ", ost.fileIndex,
                  ost.index, static_cast<long long>(ost.lastMuxDts), static_cast<long long>(p->dts));
    if (s_.exitOnError) {
        Log(llError, what + "aborting.");
        throw FFmpegException(what + "aborting.");
    }
    const bool small = least - p->dts <= 2 && ost.kind != AVMEDIA_TYPE_VIDEO;
    Log(small ? llDebug : llWarning,
        what + FormatStr("changing to %lld. This may result in incorrect timestamps in the output file.",
                         static_cast<long long>(least)));
    if (p->pts != AV_NOPTS_VALUE && p->pts >= p->dts) p->pts = std::max(p->pts, least);
    p->dts = least;
}

// The last guard against corrupt times: an output never runs far beyond what its inputs hold. The task
// stops there and finishes with a warning; what was written stays.
void TCustomFFmpeg::StopAtOutputLimit(const OutputStream& ost) {
    if (std::exchange(outputLimitReached_, true)) return;
    const std::string msg = FormatStr(
        "Output file #%d reached %.1f s, far beyond the input's %.1f s (its times are corrupt); the "
        "conversion stopped there",
        ost.fileIndex, outputLimitUs_ / 1e6, totalDuration_ / 1e6);
    Log(llWarning, msg);
    if (errorMessage_.empty()) errorMessage_ = msg;
}

void TCustomFFmpeg::WritePacket(OutputStream& ost, AVPacket* pkt) {
    AVFormatContext* oc = outputs_[ost.fileIndex]->ctx.get();
    auto write = [&](AVPacket* p) {
        p->stream_index = ost.index;
        if (!(oc->oformat->flags & AVFMT_NOTIMESTAMPS) && p->dts != AV_NOPTS_VALUE) {
            if (ost.lastMuxDts != AV_NOPTS_VALUE) RepairDecodeTime(ost, oc, p);
            ost.lastMuxDts = p->dts;
        }
        const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        if (ts != AV_NOPTS_VALUE) {
            const int64_t endUs =
                av_rescale_q(ts + std::max<int64_t>(p->duration, 0), ost.st->time_base, AV_TIME_BASE_Q);
            if (endUs > outputLimitUs_) {
                StopAtOutputLimit(ost);
                return;
            }
            ost.endTimeUs = std::max(ost.endTimeUs, endUs);
        }
        const int ret = av_interleaved_write_frame(oc, p);
        if (ret < 0) throw FFmpegException("av_interleaved_write_frame(): " + FFErrorText(ret));
        outputs_[ost.fileIndex]->packetsWritten++;
    };
    if (ost.bsfs.empty()) {
        write(pkt);
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
                if (s_.exitOnError) throw FFmpegException(msg);
                Log(llError, msg);
            }
        }
        current = std::move(next);
    }
    for (auto& p : current)
        write(p.get());
}

void TCustomFFmpeg::WriteTrailers() {
    for (auto& of : outputs_) {
        if (!of->headerWritten || of->trailerWritten) continue;
        of->trailerWritten = true;
        const int ret = av_write_trailer(of->ctx.get());
        if (ret < 0) throw FFmpegException(FFErrorMessage(of->fileName, ret));
    }
}

}  // namespace engine
