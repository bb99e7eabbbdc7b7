// The filter stage of an output video stream.

#include "engine/VideoFilter.h"

#include "engine/FFmpeg.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

namespace engine {

namespace {

[[noreturn]] void FilterError(int ret) {
    throw FFmpegException("Error opening filters: " + FFErrorText(ret));
}

// Options for the scalers libavfilter inserts by itself, in swscale's "name=value:..." form.
std::string ScalerOptionText(const VideoFilterSpec& spec) {
    std::string text = FormatStr("flags=0x%X", spec.swsFlags);
    for (const auto& [name, value] : spec.scalerOptions)
        text += ":" + name + "=" + value;
    return text;
}

// Display shapes closer than this are the same shape: no bar thinner than about 1 % of the frame (the
// scaler's expressions below state it as 101/100, without a decimal point that a locale could misread).
constexpr double kShapeTolerance = 1.01;

double DisplayAspect(int width, int height, AVRational sar) {
    return sar.num > 0 && sar.den > 0 ? double(width) * sar.num / (double(height) * sar.den)
                                      : double(width) / height;
}

bool ShapeDiffers(const VideoFilterSpec& spec, int width, int height, AVRational sar) {
    const double ratio = DisplayAspect(width, height, sar) / DisplayAspect(spec.width, spec.height, spec.sar);
    return ratio > kShapeTolerance || ratio < 1 / kShapeTolerance;
}

AVFilterContext* AddFilter(AVFilterGraph* g, const char* filter, const std::string& args) {
    AVFilterContext* ctx = nullptr;
    if (avfilter_graph_create_filter(&ctx, avfilter_get_by_name(filter), filter, args.c_str(), nullptr, g) <
        0)
        throw FFmpegException("Error opening filters!");
    return ctx;
}

}  // namespace

AVFilterContext* VideoFilter::FinalStage(AVFilterGraph* g, const VideoFilterSpec& spec,
                                         AVFilterContext* next) {
    if (!spec.keepShape) {
        AVFilterContext* scale =
            AddFilter(g, "scale", FormatStr("%d:%d:sws_flags=%d", spec.width, spec.height, spec.swsFlags));
        if (avfilter_link(scale, 0, next, 0) < 0) throw FFmpegException("Error opening filters!");
        return scale;
    }
    // The picture's display shape (dar, as the scaler sees it) against the frame's: a wider picture fills
    // the width (letterbox), a narrower one the height (pillarbox); sizes stay even for 4:2:0.
    // The frame's shape is n/d, in whole numbers like the tolerance.
    const AVRational sar = spec.sar.num > 0 && spec.sar.den > 0 ? spec.sar : AVRational{1, 1};
    const long long n = 1LL * spec.width * sar.num, d = 1LL * spec.height * sar.den;
    const std::string w = FormatStr("if(lt(dar*%lld*101,%lld*100),max(2,2*round(%d*dar*%lld/%lld/2)),%d)", d,
                                    n, spec.width, d, n, spec.width);
    const std::string h = FormatStr("if(gt(dar*%lld*100,%lld*101),max(2,2*round(%d*%lld/(dar*%lld)/2)),%d)",
                                    d, n, spec.height, n, d, spec.height);
    AVFilterContext* scale =
        AddFilter(g, "scale", FormatStr("w=%s:h=%s:sws_flags=%d", w.c_str(), h.c_str(), spec.swsFlags));
    AVFilterContext* pad = AddFilter(
        g, "pad", FormatStr("w=%d:h=%d:x=(ow-iw)/2:y=(oh-ih)/2:color=black", spec.width, spec.height));
    AVFilterContext* setsar = AddFilter(g, "setsar", FormatStr("sar=%d/%d", sar.num, sar.den));
    if (avfilter_link(scale, 0, pad, 0) < 0 || avfilter_link(pad, 0, setsar, 0) < 0 ||
        avfilter_link(setsar, 0, next, 0) < 0)
        throw FFmpegException("Error opening filters!");
    return scale;
}

void VideoFilter::Configure(const VideoFilterSpec& spec, int width, int height, int pixFmt, AVRational sar) {
    // built aside, so that a failure leaves no half-made graph behind
    graph_.reset();
    source_ = sink_ = nullptr;
    FilterGraphPtr graph(avfilter_graph_alloc());
    if (!graph) throw std::bad_alloc();
    AVFilterGraph* g = graph.get();
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    g->nb_threads = spec.threads;
    if (!sar.num) sar = AVRational{1, 1};
    const std::string srcArgs =
        FormatStr("video_size=%dx%d:pix_fmt=%d:time_base=1/1000000:pixel_aspect=%d/%d", width, height, pixFmt,
                  sar.num, sar.den);
    int ret = avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "src", srcArgs.c_str(),
                                           nullptr, g);
    if (ret >= 0)
        ret = avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                           g);
    if (ret >= 0) {
        const int fmts[] = {spec.pixFmt, AV_PIX_FMT_NONE};
        ret = av_opt_set_int_list(sink, "pix_fmts", fmts, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    }
    if (ret < 0) throw FFmpegException("Error opening filters!");

    // a size set for the output is reached at the end of the graph; otherwise the filters choose it
    AVFilterContext* last = sink;
    if (width != spec.width || height != spec.height ||
        (spec.keepShape && ShapeDiffers(spec, width, height, sar)))
        last = FinalStage(g, spec, sink);
    g->scale_sws_opts = av_strdup(ScalerOptionText(spec).c_str());
    if (!g->scale_sws_opts) throw std::bad_alloc();

    if (spec.filters.empty()) {
        ret = avfilter_link(source, 0, last, 0);
    } else {
        FilterInOutPtr outputs(avfilter_inout_alloc()), inputs(avfilter_inout_alloc());
        if (!outputs || !inputs) throw std::bad_alloc();
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = last;
        AVFilterInOut* in = inputs.release();
        AVFilterInOut* out = outputs.release();
        ret = avfilter_graph_parse_ptr(g, spec.filters.c_str(), &in, &out, nullptr);
        avfilter_inout_free(&in);
        avfilter_inout_free(&out);
    }
    if (ret >= 0) ret = avfilter_graph_config(g, nullptr);
    if (ret < 0) FilterError(ret);
    graph_ = std::move(graph);
    source_ = source;
    sink_ = sink;
    inWidth_ = width;
    inHeight_ = height;
    inFormat_ = pixFmt;
    stale_ = false;
}

bool VideoFilter::InputChanged(const AVFrame* frame) const {
    return graph_ && (frame->width != inWidth_ || frame->height != inHeight_ || frame->format != inFormat_);
}

void VideoFilter::Push(AVFrame* frame) {
    if (!source_) return;
    const int ret = frame ? av_buffersrc_add_frame_flags(source_, frame, AV_BUFFERSRC_FLAG_KEEP_REF)
                          : av_buffersrc_add_frame(source_, nullptr);
    if (ret < 0 && frame) throw FFmpegException("Error while filtering: " + FFErrorText(ret));
}

bool VideoFilter::Pull(AVFrame* out) {
    if (!sink_ || av_buffersink_get_frame(sink_, out) < 0) return false;
    if (out->pts != AV_NOPTS_VALUE)
        out->pts = av_rescale_q(out->pts, av_buffersink_get_time_base(sink_), AV_TIME_BASE_Q);
    return true;
}

int VideoFilter::OutputWidth() const {
    return sink_ ? av_buffersink_get_w(sink_) : 0;
}

int VideoFilter::OutputHeight() const {
    return sink_ ? av_buffersink_get_h(sink_) : 0;
}

}  // namespace engine
