// Encoding: opening the encoders, video sync (duplicating and dropping pictures to the output rate),
// audio frames from the FIFO, subtitles, draining every encoder at the end, the pass log and vstats.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/EncodeStage.h"
#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/MuxStage.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace engine {

void TCustomFFmpeg::OpenEncoders() {
    try {
        for (auto& ost : outputStreams_)
            if (ost->encoding) OpenEncoder(*ost);
    } catch (const FFmpegException& e) {
        // the stream mapping is logged before an encoder error
        LogStreamMapping();
        Log(llError, e.what());
        throw;
    }
    for (auto& ost : outputStreams_)
        OpenBitstreamFilters(*ost);
    LogStreamMapping();
}

// A level asked of libx264 that the picture size and frame rate exceed would be written as asked, and a
// player held to that level refuses the stream: the level becomes the lowest that takes them.
void TCustomFFmpeg::RaiseH264Level(OutputStream& ost) {
    AVCodecContext* enc = ost.enc.get();
    if (std::string(ost.codec->name) != "libx264" || enc->level <= 0) return;
    const int needed = H264LevelFor(enc->width, enc->height, enc->framerate);
    if (needed <= enc->level) return;
    LogF(llInfo, "H.264 level %d.%d raised to %d.%d, which %dx%d at %d/%d fps needs", enc->level / 10,
         enc->level % 10, needed / 10, needed % 10, enc->width, enc->height, enc->framerate.num,
         enc->framerate.den);
    enc->level = needed;
}

// Opens the stream's encoder and gives the muxer what it tells; raises when it cannot be opened.
void TCustomFFmpeg::OpenEncoder(OutputStream& ost) {
    AVCodecContext* enc = ost.enc.get();
    if (!ost.codec)
        RaiseFmt("Encoder (codec id %d) not found for output stream #%d.%d (%s)", enc->codec_id,
                 ost.fileIndex, ost.index, MediaKindName(ost.kind));
    if (ost.kind == AVMEDIA_TYPE_SUBTITLE && ost.source->dec && ost.source->dec->subtitle_header) {
        enc->subtitle_header = static_cast<uint8_t*>(av_mallocz(ost.source->dec->subtitle_header_size + 1));
        memcpy(enc->subtitle_header, ost.source->dec->subtitle_header, ost.source->dec->subtitle_header_size);
        enc->subtitle_header_size = ost.source->dec->subtitle_header_size;
    }
    if (ost.kind == AVMEDIA_TYPE_VIDEO) RaiseH264Level(ost);
    if (avcodec_open2(enc, ost.codec, nullptr) < 0) {
        RaiseFmt(
            "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters such "
            "as "
            "bit_rate, rate, width or height. Please check error log message to find out more detail "
            "information.",
            ost.fileIndex, ost.index, MediaKindName(ost.kind));
    }
    ost.encoderOpened = true;
    avcodec_parameters_from_context(ost.st->codecpar, enc);
    // what the encoder tells the muxer, such as the buffer sizes (CPB properties) a disc header states
    for (int k = 0; k < enc->nb_coded_side_data; ++k) {
        const AVPacketSideData& sd = enc->coded_side_data[k];
        uint8_t* dst = av_stream_new_side_data(ost.st, sd.type, sd.size);
        if (!dst) throw std::bad_alloc();
        memcpy(dst, sd.data, sd.size);
    }
    ost.st->time_base = enc->time_base;
    if (ost.kind == AVMEDIA_TYPE_VIDEO) {
        ost.st->avg_frame_rate = enc->framerate;
        ost.st->r_frame_rate = enc->framerate;
        for (int64_t& t : ost.forcedKfPts)
            t = av_rescale_q(t, AV_TIME_BASE_Q, enc->time_base);
    }
    if (ost.kind == AVMEDIA_TYPE_AUDIO) {
        ost.frameSize = (ost.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) ? 0 : enc->frame_size;
        AVAudioFifo* fifo = av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024);
        if (!fifo) throw std::bad_alloc();
        ost.fifo.reset(fifo);
    }
    stats_.headerBytes += enc->extradata_size;
}

// Video sync: how many times the picture at timeUs goes to the encoder so that the output keeps its frame
// rate (0: dropped, more than 1: duplicated). Variable-rate containers only drop; vsync 0 passes every
// picture once.
int64_t TCustomFFmpeg::VideoSyncCopies(OutputStream& ost, int64_t timeUs) {
    const AVCodecContext* enc = ost.enc.get();
    const OutputFile& of = *outputs_[ost.fileIndex];
    double syncIpts = (timeUs - of.startTime) / 1e6 / av_q2d(enc->time_base) - ost.videoSyncShiftFrames;
    int vsync = ost.videoSync;
    if (vsync < 0) vsync = (of.ctx->oformat->flags & AVFMT_VARIABLE_FPS) ? 2 : 1;
    if (!ost.syncStarted) {
        ost.nextEncoderPts = std::max<int64_t>(0, std::llround(syncIpts));
        ost.syncStarted = true;
    }
    int64_t nb = 1;
    double d = syncIpts - ost.nextEncoderPts;
    // No picture is held (or dropped) longer than any input can last: beyond that the time is corrupt, and
    // the picture follows the previous one instead of being copied over the gap.
    const double maxJump = jumpLimitUs_ / 1e6 / av_q2d(enc->time_base);
    if (std::fabs(d) > maxJump) {
        LogF(llWarning, "%.0f frame duplication too large, skipping", d);
        ost.videoSyncShiftFrames += d;
        syncIpts -= d;
        d = 0;
    }
    if (vsync == 0) {
        ost.nextEncoderPts = std::max<int64_t>(ost.nextEncoderPts, std::llround(syncIpts));
    } else if (d < -1.1) {
        nb = 0;
    } else if (vsync == 2) {
        if (d <= -0.6)
            nb = 0;
        else if (d > 0.6)
            ost.nextEncoderPts = std::llround(syncIpts);
    } else if (d > 1.1) {
        nb = std::lrint(d);
    }
    if (nb == 0) {
        ++stats_.dropFrames;
        if (s_.verbose > 2) Log(llVerbose, "*** drop!");
    } else if (nb > 1) {
        stats_.dupFrames += static_cast<int>(nb - 1);
        if (s_.verbose > 2) LogF(llVerbose, "*** %d dup!", static_cast<int>(nb - 1));
    }
    return std::min(nb, ost.maxFrames - ost.frameNumber);
}

// A filtered picture (pic->pts in microseconds) to the encoder, as often as video sync says; the output
// hook and the preview see each copy first.
void TCustomFFmpeg::EncodeVideoFrame(OutputStream& ost, AVFrame* pic) {
    const AVCodecContext* enc = ost.enc.get();
    const OutputFile& of = *outputs_[ost.fileIndex];
    const int64_t timeUs = pic->pts;
    if (timeUs != AV_NOPTS_VALUE && timeUs < of.startTime) return;
    const int64_t copies = VideoSyncCopies(ost, timeUs);
    for (int64_t i = 0; i < copies && !stopRequested_ && !outputLimit_.reached; ++i) {
        AVFrame* toEncode = pic;
        FramePtr hooked;
        if ((VideoOutputHookOn && OnVideoOutputHook) || preview_ || previewBitmap_) {
            hooked = MakeFrame();
            if (av_frame_ref(hooked.get(), pic) < 0 || av_frame_make_writable(hooked.get()) < 0)
                throw std::bad_alloc();
            const int64_t outUs =
                std::llround(ost.nextEncoderPts * av_q2d(enc->time_base) * 1e6) + of.startTime;
            PreviewAndHook(ost, hooked.get(), outUs, static_cast<int>(ost.frameNumber + 1));
            toEncode = hooked.get();
        }
        toEncode->pts = ost.nextEncoderPts;
        toEncode->pict_type = AV_PICTURE_TYPE_NONE;
        if (ost.nextForcedKf < ost.forcedKfPts.size() &&
            ost.nextEncoderPts >= ost.forcedKfPts[ost.nextForcedKf]) {
            toEncode->pict_type = AV_PICTURE_TYPE_I;
            ++ost.nextForcedKf;
        }
        if (ost.topField >= 0) {
            toEncode->interlaced_frame = 1;
            toEncode->top_field_first = ost.topField;
        }
        if (!ost.sameQuality) toEncode->quality = 0;
        EncodeFrame(*outputs_[ost.fileIndex], ost, toEncode);
        toEncode->pts = timeUs;
        ost.nextEncoderPts++;
        ost.frameNumber++;
    }
}

void TCustomFFmpeg::EncodeAudioFromFifo(OutputStream& ost, bool flush) {
    AVCodecContext* enc = ost.enc.get();
    AVAudioFifo* fifo = ost.fifo.get();
    while (!stopRequested_ || flush) {
        int available = av_audio_fifo_size(fifo);
        int n = ost.frameSize > 0 ? ost.frameSize : available;
        if (available <= 0) break;
        if (available < n && !flush) break;
        int take = std::min(available, n);
        if (ost.frameSize > 0 && take < ost.frameSize &&
            !(ost.codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME))
            n = ost.frameSize;  // pad the last frame with silence
        else
            n = take;
        FramePtr frame = MakeFrame();
        frame->format = enc->sample_fmt;
        frame->nb_samples = n;
        frame->sample_rate = enc->sample_rate;
        if (av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0 ||
            av_frame_get_buffer(frame.get(), 0) < 0)
            throw FFmpegException("frame_bytes invalid.");
        if (n > take)
            av_samples_set_silence(frame->extended_data, take, n - take, enc->ch_layout.nb_channels,
                                   enc->sample_fmt);
        av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->extended_data), take);
        frame->pts = ost.nextEncoderPts;
        ost.nextEncoderPts += n;
        ost.frameNumber++;
        EncodeFrame(*outputs_[ost.fileIndex], ost, frame.get());
        if (ost.frameSize == 0 && !flush) break;
    }
}

void TCustomFFmpeg::EncodeSubtitle(OutputStream& ost, InputStream& ist, AVSubtitle& sub, int64_t ptsUs) {
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
        ost.bytesWritten += size;
        WritePacket(*outputs_[ost.fileIndex], ost, pkt.get());
    }
}

void TCustomFFmpeg::FlushEncoders() {
    for (auto& ostPtr : outputStreams_) {
        OutputStream& ost = *ostPtr;
        if (!ost.encoding || !ost.encoderOpened) continue;
        if (ost.kind == AVMEDIA_TYPE_VIDEO) {
            ost.filter.Push(nullptr);
            EncodeFilteredVideo(ost, AV_NOPTS_VALUE);
        }
        if (ost.kind == AVMEDIA_TYPE_AUDIO && ost.fifo) EncodeAudioFromFifo(ost, true);
        if (ost.kind == AVMEDIA_TYPE_SUBTITLE) continue;
        if (ost.kind == AVMEDIA_TYPE_VIDEO && ost.frameNumber == 0 &&
            !(ost.codec->capabilities & AV_CODEC_CAP_DELAY))
            continue;
        EncodeFrame(*outputs_[ost.fileIndex], ost, nullptr);
    }
}

}  // namespace engine
