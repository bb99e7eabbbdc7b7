// The video filter stage of the task: each decoded picture through its output stream's VideoFilter
// (the user's filters, the size and pixel format the encoder takes) to the encoder.

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace engine {

void TCustomFFmpeg::ConfigureVideoFilter(OutputStream& ost, int width, int height, int pixFmt,
                                         AVRational sar) {
    const AVCodecContext* enc = ost.enc.get();
    VideoFilterSpec spec;
    spec.filters = ost.vfilters;
    spec.width = enc->width;
    spec.height = enc->height;
    spec.pixFmt = enc->pix_fmt;
    spec.keepShape = ost.keepShape;
    spec.sar = enc->sample_aspect_ratio;
    spec.swsFlags = s_.swsFlags;
    for (const OptionLine& p : params_.scaler)
        spec.scalerOptions.emplace_back(p.name, p.value);
    spec.threads = s_.threads;
    ost.filter.Configure(spec, width, height, pixFmt, sar);
}

// A decoded picture on its way to one output: through the stream's filter graph (built at the first
// picture, and again when the pictures change) to the encoder. frameTimeUs is the picture's input time.
void TCustomFFmpeg::FilterVideo(OutputStream& ost, InputStream& ist, AVFrame* frame, int64_t frameTimeUs) {
    // the picture's pixel shape, or the container's when the codec states none
    const AVRational sar = av_guess_sample_aspect_ratio(nullptr, ist.st, frame);
    if (!ost.filter.Configured()) {
        ConfigureVideoFilter(ost, frame->width, frame->height, frame->format, sar);
    } else if (ost.filter.InputChanged(frame)) {
        LogF(llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s", ist.fileIndex, ist.streamIndex,
             frame->width, frame->height, av_get_pix_fmt_name(AVPixelFormat(frame->format)));
        ConfigureVideoFilter(ost, frame->width, frame->height, frame->format, sar);
    }
    const int64_t savedPts = frame->pts;
    frame->pts = frameTimeUs;
    try {
        ost.filter.Push(frame);
    } catch (...) {
        frame->pts = savedPts;
        throw;
    }
    frame->pts = savedPts;
    EncodeFilteredVideo(ost, frameTimeUs);
}

// Encodes what the filter graph gives; a picture without a time takes fallbackUs (none: it is dropped).
void TCustomFFmpeg::EncodeFilteredVideo(OutputStream& ost, int64_t fallbackUs) {
    AVFrame* out = ost.filtered.get();
    while (ost.filter.Pull(out)) {
        FrameUnref unref(out);
        if (out->pts == AV_NOPTS_VALUE) out->pts = fallbackUs;
        if (out->pts != AV_NOPTS_VALUE) EncodeVideoFrame(ost, out);
    }
}

}  // namespace engine
