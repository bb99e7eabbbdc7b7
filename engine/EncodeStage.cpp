#include "engine/EncodeStage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/FFLog.h"
#include "engine/MuxStage.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace engine {

namespace {

// One line per encoded picture, after it was written, in the ffmpeg tool's form: its size, the stream's
// bytes and time so far, its own bit rate (its bits at the stream's picture rate) and the average.
void WriteVideoStats(VideoStatsLog& log, const OutputStream& ost, int frameSize, AVPictureType pictureType) {
    if (!log.file) {
        log.file.reset(fopen(log.fileName.c_str(), "w"));
        if (!log.file) throw FFmpegException("fopen fail: " + log.fileName);
    }
    const AVCodecContext* enc = ost.enc.get();
    const double t = ost.endTimeUs / 1e6;
    const double ti = t < 0.01 ? 0.01 : t;
    const double rate = enc->framerate.num > 0 && enc->framerate.den > 0 ? av_q2d(enc->framerate)
                                                                         : 1 / av_q2d(enc->time_base);
    FILE* f = log.file.get();
    const double q = ost.quality >= 0 ? ost.quality / FF_QP2LAMBDA : -1;
    fprintf(f, "frame= %5d q= %2.1f ", static_cast<int>(ost.frameNumber), q);
    fprintf(f, "f_size= %6d ", frameSize);
    fprintf(f, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
            ost.bytesWritten / 1024.0, t, frameSize * 8 * rate / 1000.0, ost.bytesWritten * 8 / ti / 1000.0);
    fprintf(f, "type= %c\n", av_get_picture_type_char(pictureType));
}

// The encoder's quality figure and the picture type of a video packet, from its quality side data. The
// side data holds a signed lambda; a negative one means the encoder has no figure for this packet (libx264
// gives -118 for the pictures it drains), and the last real one is kept.
AVPictureType NoteQuality(OutputStream& ost, const AVPacket* pkt) {
    size_t size = 0;
    const uint8_t* q = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
    if (q && size >= 4) {
        const auto lambda = static_cast<int32_t>(AV_RL32(q));
        if (lambda >= 0) ost.quality = static_cast<float>(lambda);
    }
    return q && size >= 5 ? static_cast<AVPictureType>(q[4]) : AV_PICTURE_TYPE_NONE;
}

[[noreturn]] void RaiseEncodingFailed(const OutputStream& ost) {
    throw FFmpegException(ost.kind == AVMEDIA_TYPE_VIDEO ? "Video encoding failed" : "Audio encoding failed");
}

// The FIFO's samples in encoder-sized frames; flush: the rest as well, the last frame padded with silence
// for an encoder that takes no short one. An encoder of any frame size takes what there is, once.
void EncodeFifo(OutputFile& of, OutputStream& ost, bool flush, const FrameHost* host) {
    AVCodecContext* enc = ost.enc.get();
    AVAudioFifo* fifo = ost.fifo.get();
    while (flush || !host->StopRequested()) {
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
        EncodeFrame(of, ost, frame.get());
        if (ost.frameSize == 0 && !flush) break;
    }
}

}  // namespace

void EncodeFrame(OutputFile& of, OutputStream& ost, AVFrame* frame) {
    AVCodecContext* enc = ost.enc.get();
    int ret = avcodec_send_frame(enc, frame);
    if (ret < 0 && ret != AVERROR_EOF) RaiseEncodingFailed(ost);
    AVPacket* pkt = ost.encoded.get();
    while (true) {
        ret = avcodec_receive_packet(enc, pkt);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
        if (ret < 0) RaiseEncodingFailed(ost);
        PacketUnref unref(pkt);
        const int packetSize = pkt->size;
        const AVPictureType pictureType =
            ost.kind == AVMEDIA_TYPE_VIDEO ? NoteQuality(ost, pkt) : AV_PICTURE_TYPE_NONE;
        if (ost.kind == AVMEDIA_TYPE_VIDEO || ost.kind == AVMEDIA_TYPE_AUDIO) ost.bytesWritten += packetSize;
        av_packet_rescale_ts(pkt, enc->time_base, ost.st->time_base);
        WritePacket(of, ost, pkt);
        if (ost.kind == AVMEDIA_TYPE_VIDEO) {
            if (ost.passLog && enc->stats_out) fputs(enc->stats_out, ost.passLog.get());
            if (ost.videoStats) WriteVideoStats(*ost.videoStats, ost, packetSize, pictureType);
        }
    }
}

// Variable-rate containers only drop; vsync 0 passes every picture once.
int64_t VideoSyncCopies(const OutputFile& of, OutputStream& ost, int64_t timeUs) {
    const AVCodecContext* enc = ost.enc.get();
    double syncIpts = (timeUs - of.startTimeUs) / 1e6 / av_q2d(enc->time_base) - ost.videoSyncShiftFrames;
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
    const double maxJump = of.run->jumpLimitUs / 1e6 / av_q2d(enc->time_base);
    if (std::fabs(d) > maxJump) {
        LogFmt(of.run->logSender, llWarning, "%.0f frame duplication too large, skipping", d);
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
        ++ost.dropFrames;
        if (of.run->verbose > 2) Log(of.run->logSender, llVerbose, "*** drop!");
    } else if (nb > 1) {
        ost.dupFrames += static_cast<int>(nb - 1);
        if (of.run->verbose > 2)
            LogFmt(of.run->logSender, llVerbose, "*** %d dup!", static_cast<int>(nb - 1));
    }
    return std::min(nb, ost.maxFrames - ost.frameNumber);
}

void EncodeVideoFrame(OutputFile& of, OutputStream& ost, AVFrame* pic, FrameHost& host) {
    const AVCodecContext* enc = ost.enc.get();
    const int64_t timeUs = pic->pts;
    if (timeUs != AV_NOPTS_VALUE && timeUs < of.startTimeUs) return;
    const int64_t copies = VideoSyncCopies(of, ost, timeUs);
    for (int64_t i = 0; i < copies && !host.StopRequested() && !of.limit->reached; ++i) {
        AVFrame* toEncode = pic;
        FramePtr hooked;
        if (host.WatchesOutputPictures()) {
            hooked = MakeFrame();
            if (av_frame_ref(hooked.get(), pic) < 0 || av_frame_make_writable(hooked.get()) < 0)
                throw std::bad_alloc();
            const int64_t outUs =
                std::llround(ost.nextEncoderPts * av_q2d(enc->time_base) * 1e6) + of.startTimeUs;
            host.OutputPicture(hooked.get(), outUs, static_cast<int>(ost.frameNumber + 1));
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
        EncodeFrame(of, ost, toEncode);
        toEncode->pts = timeUs;
        ost.nextEncoderPts++;
        ost.frameNumber++;
    }
}

void EncodeAudioFromFifo(OutputFile& of, OutputStream& ost, const FrameHost& host) {
    EncodeFifo(of, ost, false, &host);
}

void EncodeSubtitle(OutputFile& of, OutputStream& ost, AVSubtitle& sub, int64_t ptsUs) {
    if (ptsUs == AV_NOPTS_VALUE) {
        if (of.run->exitOnError) throw FFmpegException("Subtitle packets must have a pts");
        Log(of.run->logSender, llError, "Subtitle packets must have a pts");
        return;
    }
    const int nb = ost.enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
    std::vector<uint8_t> buf(1 << 20);
    for (int i = 0; i < nb; ++i) {
        sub.pts = ptsUs - of.startTimeUs;
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
        WritePacket(of, ost, pkt.get());
    }
}

void FlushEncoder(OutputFile& of, OutputStream& ost) {
    if (ost.kind == AVMEDIA_TYPE_AUDIO && ost.fifo) EncodeFifo(of, ost, true, nullptr);
    if (ost.kind == AVMEDIA_TYPE_SUBTITLE) return;
    // an encoder without delay that got no picture has nothing to give
    if (ost.kind == AVMEDIA_TYPE_VIDEO && ost.frameNumber == 0 &&
        !(ost.codec->capabilities & AV_CODEC_CAP_DELAY))
        return;
    EncodeFrame(of, ost, nullptr);
}

}  // namespace engine
