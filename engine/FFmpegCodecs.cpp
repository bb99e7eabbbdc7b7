// Opening the codecs when the task starts: each encoder (with the H.264 level its picture needs), what it
// tells the muxer, its audio FIFO, the bitstream filters and the stream mapping in the log; then the
// decoders the encoders need, and the input streams' clocks. What they do with frames is the encode and
// decode stages (EncodeStage.cpp, DecodeStage.cpp).

#include <cstring>

#include "engine/DecodeStage.h"
#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/MuxStage.h"

extern "C" {
#include <libavutil/time.h>
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

void TCustomFFmpeg::OpenDecoders() {
    for (auto& ist : inputStreams_)
        if (ist->decodingNeeded) OpenDecoder(*ist);
    for (auto& istPtr : inputStreams_) {
        InputStream& ist = *istPtr;
        ist.ptsUs = 0;
        if (ist.st->avg_frame_rate.num && ist.dec)
            ist.ptsUs =
                -static_cast<int64_t>(ist.dec->has_b_frames * 1000000 / av_q2d(ist.st->avg_frame_rate));
        ist.nextPtsUs = AV_NOPTS_VALUE;
        ist.startWallTimeUs = av_gettime_relative();
    }
}

}  // namespace engine
