#include "engine/AudioConvert.h"

#include <algorithm>
#include <climits>

extern "C" {
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace engine {

namespace {

template <typename T>
void ScaleSamples(uint8_t* const* data, int planes, int count, int volume, double lo, double hi) {
    for (int p = 0; p < planes; ++p) {
        T* s = reinterpret_cast<T*>(data[p]);
        for (int i = 0; i < count; ++i)
            s[i] = static_cast<T>(std::clamp(s[i] * (volume / 256.0), lo, hi));
    }
}

}  // namespace

SwrContextPtr MakeResampler(const AVChannelLayout& out, AVSampleFormat outFormat, int outRate,
                            const AVChannelLayout& in, AVSampleFormat inFormat, int inRate) {
    AVChannelLayout inLayout;
    if (in.order == AV_CHANNEL_ORDER_NATIVE && in.u.mask)
        av_channel_layout_from_mask(&inLayout, in.u.mask);
    else
        av_channel_layout_default(&inLayout, in.nb_channels);
    SwrContext* raw = nullptr;
    // the library's signature is not const-correct; it only reads the layouts
    const int ret = swr_alloc_set_opts2(&raw, const_cast<AVChannelLayout*>(&out), outFormat, outRate,
                                        &inLayout, inFormat, inRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    SwrContextPtr swr(raw);
    if (ret < 0 || !swr) return nullptr;
    av_opt_set_int(swr.get(), "filter_size", 16, 0);
    av_opt_set_int(swr.get(), "phase_shift", 10, 0);
    av_opt_set_int(swr.get(), "linear_interp", 0, 0);
    av_opt_set_double(swr.get(), "cutoff", 0.8, 0);
    if (swr_init(swr.get()) < 0) return nullptr;
    return swr;
}

void ApplyVolume(uint8_t* const* data, AVSampleFormat format, int channels, int samples, int volume) {
    const bool planar = av_sample_fmt_is_planar(format);
    const int planes = planar ? channels : 1;
    const int count = planar ? samples : samples * channels;
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_S16:
            for (int p = 0; p < planes; ++p) {
                int16_t* s = reinterpret_cast<int16_t*>(data[p]);
                for (int i = 0; i < count; ++i)
                    s[i] = static_cast<int16_t>(std::clamp((s[i] * volume + 128) >> 8, -32768, 32767));
            }
            break;
        case AV_SAMPLE_FMT_S32:
            ScaleSamples<int32_t>(data, planes, count, volume, INT32_MIN, INT32_MAX);
            break;
        case AV_SAMPLE_FMT_FLT:
            ScaleSamples<float>(data, planes, count, volume, -1.0, 1.0);
            break;
        case AV_SAMPLE_FMT_DBL:
            ScaleSamples<double>(data, planes, count, volume, -1.0, 1.0);
            break;
        case AV_SAMPLE_FMT_U8:
            for (int p = 0; p < planes; ++p)
                for (int i = 0; i < count; ++i) {
                    const int v = (data[p][i] - 128) * volume / 256 + 128;
                    data[p][i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
                }
            break;
        default:
            break;
    }
}

}  // namespace engine
