#include "engine/EncodeStage.h"

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

}  // namespace engine
