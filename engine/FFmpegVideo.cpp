// Packet processing: decoding, the video path (filters, scaling, sync, hooks, preview, encoding), stream copy
// and writing packets.

#include <cmath>
#include <cstring>
#include <thread>

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/FrameHook.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

namespace engine {

const char* MediaKindName(AVMediaType kind);

namespace {

std::string FormatPictureTime(int64_t us) {
    if (us < 0) return "N/A";
    const int64_t ms = us / 1000;
    return FormatStr("%.2d:%.2d:%.2d.%.3d", static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                     static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
}

}  // namespace

void TCustomFFmpeg::ProcessPacket(InputStream& ist, const AVPacket* pkt) {
    if (pkt && pkt->dts != AV_NOPTS_VALUE) {
        const int64_t dts = av_rescale_q(pkt->dts, ist.st->time_base, AV_TIME_BASE_Q);
        if (!ist.decodingNeeded || !ist.sawFirstTs) ist.pts = dts;
        ist.sawFirstTs = true;
    }
    if (s_.rateEmu && pkt) {
        // read no faster than the stream plays
        while (!stopRequested_ && ist.pts - (av_gettime_relative() - ist.startWallTime) > 1000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!ist.decodingNeeded) {
        if (!pkt) return;
        for (OutputStream* ost : ist.outputs)
            if (ost->source == &ist) CopyPacket(*ost, ist, pkt);
        int64_t duration =
            pkt->duration > 0 ? av_rescale_q(pkt->duration, ist.st->time_base, AV_TIME_BASE_Q) : 0;
        ist.nextPts = ist.pts + duration;
        return;
    }
    bool got = false;
    switch (ist.st->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            DecodeVideo(ist, pkt, got);
            break;
        case AVMEDIA_TYPE_AUDIO:
            DecodeAudio(ist, pkt, got);
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            DecodeSubtitle(ist, pkt);
            break;
        default:
            break;
    }
}

void TCustomFFmpeg::FlushInputStream(InputStream& ist) {
    ist.flushed = true;
    if (!ist.dec) return;
    try {
        ProcessPacket(ist, nullptr);
    } catch (const DecodeFailure&) {
    }
}

// ---------------------------------------------------------------- decoding

void TCustomFFmpeg::DecodeVideo(InputStream& ist, const AVPacket* pkt, bool& gotAny) {
    AVCodecContext* dec = ist.dec.get();
    int ret = avcodec_send_packet(dec, pkt);
    if (ret < 0 && ret != AVERROR_EOF && ret != AVERROR(EAGAIN)) throw DecodeFailure();
    int frames = 0;
    AVFrame* frame = decodedFrame_.get();
    while (true) {
        ret = avcodec_receive_frame(dec, frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
        if (ret < 0) throw DecodeFailure();
        ++frames;
        int64_t ts = frame->best_effort_timestamp;
        int64_t us = ts != AV_NOPTS_VALUE ? av_rescale_q(ts, ist.st->time_base, AV_TIME_BASE_Q)
                                          : (ist.nextPts != AV_NOPTS_VALUE ? ist.nextPts : ist.pts);
        ist.pts = us;
        AVRational rate = ist.st->avg_frame_rate.num ? ist.st->avg_frame_rate : ist.st->r_frame_rate;
        int64_t dur = frame->pkt_duration > 0
                          ? av_rescale_q(frame->pkt_duration, ist.st->time_base, AV_TIME_BASE_Q)
                      : rate.num ? static_cast<int64_t>(1e6 / av_q2d(rate) * (1 + frame->repeat_pict * 0.5))
                                 : 40000;
        ist.nextPts = us + dur;
        gotAny = true;
        HandleVideoFrame(ist, frame);
        av_frame_unref(frame);
        if (stopRequested_) break;
    }
    if (frames > 1 && pkt && !ist.multiFramesWarned && s_.verbose > 0) {
        LogF(llError, "Multiple frames in a packet from stream %d", ist.streamIndex);
        ist.multiFramesWarned = true;
    }
    if (!pkt) {
        // the decoder is drained: the encoders fed by it see no more pictures from this stream
        avcodec_flush_buffers(dec);
    }
}

void TCustomFFmpeg::HandleVideoFrame(InputStream& ist, AVFrame* frame) {
    // the video input hook and hook modules see the decoded picture
    if ((VideoInputHookOn && OnVideoInputHook) || !hooks_.empty()) {
        if (av_frame_make_writable(frame) < 0) throw FFmpegException("hook buf malloc error.");
        if (VideoInputHookOn && OnVideoInputHook) {
            if (!hookConverter_) hookConverter_ = std::make_unique<TFormatConverter>(HookBitsPixel);
            TBitmap bmp;
            if (!hookConverter_->FrameToBitmap(frame, bmp)) {
                Log(llError, hookConverter_->LastErrMsg());
                VideoInputHookOn = false;
            } else {
                THookInfo info;
                info.Bitmap = &bmp;
                info.FrameNumber = 0;
                info.PTS = ist.pts;
                try {
                    OnVideoInputHook(*this, info);
                    if (info.Update && !hookConverter_->BitmapToFrame(bmp, frame)) {
                        Log(llError, hookConverter_->LastErrMsg());
                        VideoInputHookOn = false;
                    }
                } catch (const std::exception& e) {
                    Log(llError, std::string("Error occurs VideoHook event: ") + e.what());
                }
                if (info.StopHook) VideoInputHookOn = false;
            }
        }
        for (auto& hook : hooks_)
            hook->Process(frame, ist.pts);
    }
    for (OutputStream* ost : ist.outputs) {
        if (ost->source != &ist || !ost->encoding || ost->kind != AVMEDIA_TYPE_VIDEO) continue;
        VideoOut(*ost, ist, frame, ist.pts);
    }
}

// ---------------------------------------------------------------- video output

void TCustomFFmpeg::BuildFilterGraph(OutputStream& ost, int width, int height, int pixFmt, AVRational sar) {
    AVCodecContext* enc = ost.enc.get();
    ost.graph.reset(avfilter_graph_alloc());
    if (!ost.graph) throw std::bad_alloc();
    AVFilterGraph* g = ost.graph.get();
    g->nb_threads = s_.threads;
    if (!sar.num) sar = AVRational{1, 1};
    const std::string srcArgs =
        FormatStr("video_size=%dx%d:pix_fmt=%d:time_base=1/1000000:pixel_aspect=%d/%d", width, height, pixFmt,
                  sar.num, sar.den);
    int ret = avfilter_graph_create_filter(&ost.bufferSrc, avfilter_get_by_name("buffer"), "src",
                                           srcArgs.c_str(), nullptr, g);
    if (ret >= 0)
        ret = avfilter_graph_create_filter(&ost.bufferSink, avfilter_get_by_name("buffersink"), "out",
                                           nullptr, nullptr, g);
    if (ret >= 0) {
        const int fmts[] = {enc->pix_fmt, AV_PIX_FMT_NONE};
        ret = av_opt_set_int_list(ost.bufferSink, "pix_fmts", fmts, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    }
    if (ret < 0) throw FFmpegException("Error opening filters!");
    AVFilterContext* last = ost.bufferSink;
    if (width != enc->width || height != enc->height) {
        AVFilterContext* scale = nullptr;
        const std::string args = FormatStr("%d:%d:sws_flags=%d", enc->width, enc->height, s_.swsFlags);
        ret = avfilter_graph_create_filter(&scale, avfilter_get_by_name("scale"), "scale", args.c_str(),
                                           nullptr, g);
        if (ret < 0 || avfilter_link(scale, 0, ost.bufferSink, 0) < 0)
            throw FFmpegException("Error opening filters!");
        last = scale;
    }
    g->scale_sws_opts = av_strdup(FormatStr("flags=0x%X", s_.swsFlags).c_str());
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    FilterInOutPtr outHolder(outputs), inHolder(inputs);
    if (!outputs || !inputs) throw std::bad_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = ost.bufferSrc;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = last;
    if (!ost.vfilters.empty()) {
        AVFilterInOut* o = outHolder.release();
        AVFilterInOut* i = inHolder.release();
        ret = avfilter_graph_parse_ptr(g, ost.vfilters.c_str(), &i, &o, nullptr);
        avfilter_inout_free(&i);
        avfilter_inout_free(&o);
    } else {
        ret = avfilter_link(ost.bufferSrc, 0, last, 0);
    }
    if (ret >= 0) ret = avfilter_graph_config(g, nullptr);
    if (ret < 0) throw FFmpegException("Error opening filters: " + FFErrorText(ret));
    enc->width = av_buffersink_get_w(ost.bufferSink);
    enc->height = av_buffersink_get_h(ost.bufferSink);
    ost.graphW = width;
    ost.graphH = height;
    ost.graphFmt = pixFmt;
}

void TCustomFFmpeg::VideoOut(OutputStream& ost, InputStream& ist, AVFrame* frame, int64_t frameTimeUs) {
    AVCodecContext* enc = ost.enc.get();
    const bool changed = ost.swsFmt >= 0 || ost.graphW > 0
                             ? (frame->width != (ost.graph ? ost.graphW : ost.swsW) ||
                                frame->height != (ost.graph ? ost.graphH : ost.swsH) ||
                                frame->format != (ost.graph ? ost.graphFmt : ost.swsFmt))
                             : false;
    if (changed && ost.graphW != -1)
        LogF(llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s", ist.fileIndex, ist.streamIndex,
             frame->width, frame->height, av_get_pix_fmt_name(AVPixelFormat(frame->format)));
    if (ost.graph) {
        if (changed || ost.graphW == -1) {
            const int w = enc->width, h = enc->height;
            BuildFilterGraph(ost, frame->width, frame->height, frame->format, frame->sample_aspect_ratio);
            enc->width = w;  // the encoder is open: its size stays
            enc->height = h;
        }
        const int64_t savedPts = frame->pts;
        frame->pts = frameTimeUs;
        const int ret = av_buffersrc_add_frame_flags(ost.bufferSrc, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
        frame->pts = savedPts;
        if (ret < 0) throw FFmpegException("Error while filtering: " + FFErrorText(ret));
        AVFrame* out = filteredFrame_.get();
        while (av_buffersink_get_frame(ost.bufferSink, out) >= 0) {
            const int64_t us =
                out->pts == AV_NOPTS_VALUE
                    ? frameTimeUs
                    : av_rescale_q(out->pts, av_buffersink_get_time_base(ost.bufferSink), AV_TIME_BASE_Q);
            out->pts = us;
            EncodeVideoFrame(ost, out);
            av_frame_unref(out);
        }
        return;
    }
    AVFrame* pic = frame;
    if (frame->width != enc->width || frame->height != enc->height || frame->format != enc->pix_fmt) {
        if (!ost.sws || ost.swsW != frame->width || ost.swsH != frame->height ||
            ost.swsFmt != frame->format) {
            ost.sws.reset(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                         enc->width, enc->height, enc->pix_fmt, s_.swsFlags, nullptr, nullptr,
                                         nullptr));
            if (!ost.sws) throw FFmpegException("Cannot get resampling context");
            for (const OptionLine& p : params_.scaler)
                av_opt_set(ost.sws.get(), p.name.c_str(), p.value.c_str(), 0);
            ost.swsW = frame->width;
            ost.swsH = frame->height;
            ost.swsFmt = frame->format;
        }
        if (!ost.scaled) {
            ost.scaled = MakeFrame();
        }
        // a fresh buffer per picture: the encoder may still hold the previous one
        av_frame_unref(ost.scaled.get());
        ost.scaled->format = enc->pix_fmt;
        ost.scaled->width = enc->width;
        ost.scaled->height = enc->height;
        if (av_frame_get_buffer(ost.scaled.get(), 0) < 0)
            throw FFmpegException("Cannot allocate temp picture, check pix fmt");
        sws_scale(ost.sws.get(), frame->data, frame->linesize, 0, frame->height, ost.scaled->data,
                  ost.scaled->linesize);
        av_frame_copy_props(ost.scaled.get(), frame);
        pic = ost.scaled.get();
    } else if (ost.swsFmt < 0) {
        ost.swsW = frame->width;
        ost.swsH = frame->height;
        ost.swsFmt = frame->format;
    }
    const int64_t savedPts = pic->pts;
    pic->pts = frameTimeUs;
    EncodeVideoFrame(ost, pic);
    pic->pts = savedPts;
}

// pic->pts holds the picture's time in microseconds.
void TCustomFFmpeg::EncodeVideoFrame(OutputStream& ost, AVFrame* pic) {
    AVCodecContext* enc = ost.enc.get();
    OutputFile& of = *outputs_[ost.fileIndex];
    const int64_t timeUs = pic->pts;
    if (timeUs != AV_NOPTS_VALUE && timeUs < of.startTime) return;
    double syncIpts = (timeUs - of.startTime) / 1e6 / av_q2d(enc->time_base) - ost.syncShift;
    int vsync = ost.videoSync;
    if (vsync < 0) vsync = (of.ctx->oformat->flags & AVFMT_VARIABLE_FPS) ? 2 : 1;
    if (!ost.syncStarted) {
        ost.syncOpts = std::max<int64_t>(0, std::llround(syncIpts));
        ost.syncStarted = true;
    }
    int64_t nb = 1;
    double d = syncIpts - ost.syncOpts;
    // No picture is held (or dropped) longer than any input can last: beyond that the time is corrupt, and
    // the picture follows the previous one instead of being copied over the gap.
    const double maxJump = jumpLimitUs_ / 1e6 / av_q2d(enc->time_base);
    if (std::fabs(d) > maxJump) {
        LogF(llWarning, "%.0f frame duplication too large, skipping", d);
        ost.syncShift += d;
        syncIpts -= d;
        d = 0;
    }
    if (vsync == 0) {
        ost.syncOpts = std::max<int64_t>(ost.syncOpts, std::llround(syncIpts));
    } else if (d < -1.1) {
        nb = 0;
    } else if (vsync == 2) {
        if (d <= -0.6)
            nb = 0;
        else if (d > 0.6)
            ost.syncOpts = std::llround(syncIpts);
    } else if (d > 1.1) {
        nb = std::lrint(d);
    }
    if (nb == 0) {
        ++dropFrames_;
        if (s_.verbose > 2) Log(llVerbose, "*** drop!");
    } else if (nb > 1) {
        dupFrames_ += static_cast<int>(nb - 1);
        if (s_.verbose > 2) LogF(llVerbose, "*** %d dup!", static_cast<int>(nb - 1));
    }
    nb = std::min(nb, ost.maxFrames - ost.frameNumber);
    for (int64_t i = 0; i < nb && !stopRequested_; ++i) {
        const int64_t outUs = std::llround(ost.syncOpts * av_q2d(enc->time_base) * 1e6) + of.startTime;
        AVFrame* toEncode = pic;
        FramePtr hooked;
        if ((VideoOutputHookOn && OnVideoOutputHook) || preview_ || previewBitmap_) {
            hooked = MakeFrame();
            if (av_frame_ref(hooked.get(), pic) < 0 || av_frame_make_writable(hooked.get()) < 0)
                throw std::bad_alloc();
            PreviewAndHook(ost, hooked.get(), outUs, static_cast<int>(ost.frameNumber + 1));
            toEncode = hooked.get();
        }
        toEncode->pts = ost.syncOpts;
        toEncode->pict_type = AV_PICTURE_TYPE_NONE;
        if (ost.nextForcedKf < ost.forcedKfPts.size() && ost.syncOpts >= ost.forcedKfPts[ost.nextForcedKf]) {
            toEncode->pict_type = AV_PICTURE_TYPE_I;
            ++ost.nextForcedKf;
        }
        if (ost.topField >= 0) {
            toEncode->interlaced_frame = 1;
            toEncode->top_field_first = ost.topField;
        }
        if (!ost.sameQuality) toEncode->quality = 0;
        DrainEncoder(ost, toEncode);
        toEncode->pts = timeUs;
        ost.syncOpts++;
        ost.frameNumber++;
    }
}

void TCustomFFmpeg::PreviewAndHook(OutputStream& ost, AVFrame* frame, int64_t timeUs, int frameNumber) {
    if (VideoOutputHookOn && OnVideoOutputHook) {
        if (!hookConverter_) hookConverter_ = std::make_unique<TFormatConverter>(HookBitsPixel);
        TBitmap bmp;
        if (!hookConverter_->FrameToBitmap(frame, bmp)) {
            Log(llError, hookConverter_->LastErrMsg());
            VideoOutputHookOn = false;
        } else {
            THookInfo info;
            info.Bitmap = &bmp;
            info.FrameNumber = frameNumber;
            info.PTS = timeUs;
            try {
                OnVideoOutputHook(*this, info);
                if (info.Update && !hookConverter_->BitmapToFrame(bmp, frame)) {
                    Log(llError, hookConverter_->LastErrMsg());
                    VideoOutputHookOn = false;
                }
            } catch (const std::exception& e) {
                Log(llError, std::string("Error occurs VideoHook event: ") + e.what());
            }
            if (info.StopHook) VideoOutputHookOn = false;
        }
    }
    if (!(preview_ || previewBitmap_)) return;
    const int64_t now = av_gettime_relative();
    if (lastPreviewTime_ != std::numeric_limits<int64_t>::min() && now - lastPreviewTime_ < PreviewInterval)
        return;
    lastPreviewTime_ = now;
    if (!previewConverter_) previewConverter_ = std::make_unique<TFormatConverter>(24);
    auto bmp = std::make_shared<TBitmap>();
    if (previewBitmap_ && OnPreview) {
        if (!previewConverter_->FrameToBitmap(frame, *bmp)) {
            Log(llError, previewConverter_->LastErrMsg());
            previewBitmap_ = false;
            return;
        }
        OnPreview(*this, bmp, frameNumber, timeUs);
    } else if (preview_ && OnPreviewWindow) {
        if (!previewConverter_->FrameToBitmap(frame, *bmp)) {
            Log(llError, previewConverter_->LastErrMsg());
            return;
        }
        OnPreviewWindow(*this, bmp, FormatPictureTime(timeUs));
    }
}

// Sends one frame (nullptr: drain) and writes every packet the encoder gives back.
void TCustomFFmpeg::DrainEncoder(OutputStream& ost, AVFrame* frame) {
    AVCodecContext* enc = ost.enc.get();
    int ret = avcodec_send_frame(enc, frame);
    if (ret < 0 && ret != AVERROR_EOF)
        throw FFmpegException(ost.kind == AVMEDIA_TYPE_VIDEO ? "Video encoding failed"
                                                             : "Audio encoding failed");
    AVPacket* pkt = encPacket_.get();
    while (true) {
        ret = avcodec_receive_packet(enc, pkt);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
        if (ret < 0)
            throw FFmpegException(ost.kind == AVMEDIA_TYPE_VIDEO ? "Video encoding failed"
                                                                 : "Audio encoding failed");
        PacketUnref unref(pkt);
        if (ost.kind == AVMEDIA_TYPE_VIDEO) {
            size_t size = 0;
            const uint8_t* q = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
            if (q && size >= 4) ost.quality = static_cast<float>(AV_RL32(q));
            videoSize_ += pkt->size;
            if (!s_.vstatsFilename.empty()) WriteVstats(ost, pkt->size);
        } else if (ost.kind == AVMEDIA_TYPE_AUDIO) {
            audioSize_ += pkt->size;
        }
        av_packet_rescale_ts(pkt, enc->time_base, ost.st->time_base);
        WritePacket(ost, pkt);
        if (ost.kind == AVMEDIA_TYPE_VIDEO) WritePassStats(ost);
    }
}

void TCustomFFmpeg::WritePassStats(OutputStream& ost) {
    if (ost.passLog && ost.enc->stats_out) fputs(ost.enc->stats_out, ost.passLog.get());
}

void TCustomFFmpeg::WriteVstats(OutputStream& ost, int frameSize) {
    if (!vstatsFile_) {
        vstatsFile_.reset(fopen(s_.vstatsFilename.c_str(), "w"));
        if (!vstatsFile_) throw FFmpegException("fopen fail: " + s_.vstatsFilename);
    }
    const double t = ost.endTimeUs / 1e6;
    const double q = ost.quality / FF_QP2LAMBDA;
    fprintf(vstatsFile_.get(), "frame= %5d q= %2.1f ", static_cast<int>(ost.frameNumber), q);
    fprintf(vstatsFile_.get(), "f_size= %6d ", frameSize);
    const double ti = t < 0.01 ? 0.01 : t;
    fprintf(vstatsFile_.get(), "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
            videoSize_ / 1024.0, t,
            frameSize * 8 / av_q2d(ost.enc->time_base) / 1000.0 * av_q2d(ost.enc->time_base) *
                av_q2d(ost.enc->framerate),
            videoSize_ * 8 / ti / 1000.0);
    fprintf(vstatsFile_.get(), "type= %c\n", 'I');
}

// ---------------------------------------------------------------- copy and write

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
        videoSize_ += pkt->size;
        ost.frameNumber++;
    } else if (ost.kind == AVMEDIA_TYPE_AUDIO) {
        audioSize_ += pkt->size;
    }
    WritePacket(ost, opkt.get());
}

void TCustomFFmpeg::WritePacket(OutputStream& ost, AVPacket* pkt) {
    AVFormatContext* oc = outputs_[ost.fileIndex]->ctx.get();
    auto write = [&](AVPacket* p) {
        p->stream_index = ost.index;
        if (!(oc->oformat->flags & AVFMT_NOTIMESTAMPS) && p->dts != AV_NOPTS_VALUE) {
            if (ost.lastMuxDts != AV_NOPTS_VALUE && p->dts <= ost.lastMuxDts) {
                // keep decode times increasing, as every muxer requires
                const int64_t fixed = ost.lastMuxDts + 1;
                if (p->pts != AV_NOPTS_VALUE && p->pts >= p->dts) p->pts = std::max(p->pts, fixed);
                p->dts = fixed;
            }
            ost.lastMuxDts = p->dts;
        }
        const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        if (ts != AV_NOPTS_VALUE)
            ost.endTimeUs = std::max(ost.endTimeUs, av_rescale_q(ts + std::max<int64_t>(p->duration, 0),
                                                                 ost.st->time_base, AV_TIME_BASE_Q));
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

// ---------------------------------------------------------------- subtitles

void TCustomFFmpeg::DecodeSubtitle(InputStream& ist, const AVPacket* pkt) {
    if (!pkt) return;
    AVSubtitle sub;
    int got = 0;
    if (avcodec_decode_subtitle2(ist.dec.get(), &sub, &got, const_cast<AVPacket*>(pkt)) < 0)
        throw DecodeFailure();
    if (!got) return;
    const int64_t ptsUs = pkt->pts != AV_NOPTS_VALUE
                              ? av_rescale_q(pkt->pts, ist.st->time_base, AV_TIME_BASE_Q)
                              : AV_NOPTS_VALUE;
    try {
        for (OutputStream* ost : ist.outputs)
            if (ost->source == &ist && ost->encoding) SubtitleOut(*ost, ist, sub, ptsUs);
    } catch (...) {
        avsubtitle_free(&sub);
        throw;
    }
    avsubtitle_free(&sub);
}

void TCustomFFmpeg::SubtitleOut(OutputStream& ost, InputStream& ist, AVSubtitle& sub, int64_t ptsUs) {
    if (ptsUs == AV_NOPTS_VALUE) {
        if (s_.exitOnError) throw FFmpegException("Subtitle packets must have a pts");
        Log(llError, "Subtitle packets must have a pts");
        return;
    }
    OutputFile& of = *outputs_[ost.fileIndex];
    const int nb = ost.enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
    std::vector<uint8_t> buf(1 << 20);
    for (int i = 0; i < nb; ++i) {
        sub.pts = ptsUs - of.startTime;
        const int size =
            avcodec_encode_subtitle(ost.enc.get(), buf.data(), static_cast<int>(buf.size()), &sub);
        if (size < 0) throw FFmpegException("Subtitle encoding failed");
        PacketPtr pkt = MakePacket();
        if (av_new_packet(pkt.get(), size) < 0) throw std::bad_alloc();
        memcpy(pkt->data, buf.data(), size);
        pkt->pts = av_rescale_q(sub.pts, AV_TIME_BASE_Q, ost.st->time_base);
        if (nb == 2)
            pkt->pts += av_rescale_q(i == 0 ? sub.start_display_time : sub.end_display_time,
                                     AVRational{1, 1000}, ost.st->time_base);
        pkt->dts = pkt->pts;
        pkt->duration = av_rescale_q(sub.end_display_time - sub.start_display_time, AVRational{1, 1000},
                                     ost.st->time_base);
        subtitleSize_ += size;
        WritePacket(ost, pkt.get());
    }
}

}  // namespace engine
