#include "engine/VideoFilterStage.h"

#include "engine/EncodeStage.h"
#include "engine/FFLog.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace engine {

namespace {

// Encodes what the filter graph gives; a picture without a time takes fallbackUs (none: it is dropped).
void EncodeFilteredVideo(OutputFile& of, OutputStream& ost, int64_t fallbackUs, FrameHost& host) {
    AVFrame* out = ost.filtered.get();
    while (ost.filter.Pull(out)) {
        FrameUnref unref(out);
        if (out->pts == AV_NOPTS_VALUE) out->pts = fallbackUs;
        if (out->pts != AV_NOPTS_VALUE) EncodeVideoFrame(of, ost, out, host);
    }
}

}  // namespace

void ConfigureVideoFilter(const OutputFile& of, OutputStream& ost, int width, int height, int pixFmt,
                          AVRational sar) {
    const AVCodecContext* enc = ost.enc.get();
    VideoFilterSpec spec;
    spec.filters = ost.vfilters;
    spec.width = enc->width;
    spec.height = enc->height;
    spec.pixFmt = enc->pix_fmt;
    spec.keepShape = ost.keepShape;
    spec.sar = enc->sample_aspect_ratio;
    spec.swsFlags = of.run->swsFlags;
    for (const OptionLine& p : of.run->params.scaler)
        spec.scalerOptions.emplace_back(p.name, p.value);
    spec.threads = of.run->threads;
    ost.filter.Configure(spec, width, height, pixFmt, sar);
}

void FilterVideo(OutputFile& of, OutputStream& ost, const InputStream& ist, AVFrame* frame,
                 int64_t frameTimeUs, FrameHost& host) {
    // the picture's pixel shape, or the container's when the codec states none
    const AVRational sar = av_guess_sample_aspect_ratio(nullptr, ist.st, frame);
    if (!ost.filter.Configured()) {
        ConfigureVideoFilter(of, ost, frame->width, frame->height, frame->format, sar);
    } else if (ost.filter.InputChanged(frame)) {
        LogFmt(of.run->logSender, llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s",
               ist.fileIndex, ist.streamIndex, frame->width, frame->height,
               av_get_pix_fmt_name(AVPixelFormat(frame->format)));
        ConfigureVideoFilter(of, ost, frame->width, frame->height, frame->format, sar);
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
    EncodeFilteredVideo(of, ost, frameTimeUs, host);
}

void FlushVideoFilter(OutputFile& of, OutputStream& ost, FrameHost& host) {
    ost.filter.Push(nullptr);
    EncodeFilteredVideo(of, ost, AV_NOPTS_VALUE, host);
}

}  // namespace engine
