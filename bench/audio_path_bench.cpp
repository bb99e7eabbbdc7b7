// audio_path_bench [--repeat N] [--seconds S]
// The engine's audio stage (libswresample with fixed options into the encoder's format, a volume loop on
// the converted samples, an AVAudioFifo cutting encoder-sized frames; the resampler and volume are the
// engine's own, engine/AudioConvert.h) against the same work through a libavfilter graph (abuffer ->
// aresample with the same options -> volume -> aformat -> abuffersink cutting the frames). Two generated
// inputs (48 kHz stereo AAC, decoded as fltp; 44.1 kHz stereo PCM, decoded as s16) are decoded once into
// memory; each case runs both paths over the same frames N times in turn and prints the best time of each,
// the ratio graph/hand-made, and whether both gave the same samples. Last line: "audio ratio graph/hand-made:
// X.XX" over the summed best times. AUDIO_BENCH_ALWAYS_RESAMPLE=1 keeps aresample in the graph even where the
// input is already in the target's rate, format and channels.

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchTempFolder.h"
#include "ShellCommand.h"
#include "engine/AudioConvert.h"
#include "engine/FFWrappers.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

namespace {

using Clock = std::chrono::steady_clock;
using engine::FramePtr;

[[noreturn]] void Fail(const std::string& what, int ret = 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (ret) av_strerror(ret, text, sizeof text);
    std::fprintf(stderr, "%s%s%s\n", what.c_str(), ret ? ": " : "", text);
    std::exit(1);
}

// ---- the input: decoded once ----

std::vector<FramePtr> DecodeAll(const std::string& path) {
    AVFormatContext* raw = nullptr;
    int ret = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    engine::InputFormatContextPtr fmt(raw);
    if (ret >= 0) ret = avformat_find_stream_info(fmt.get(), nullptr);
    const AVCodec* codec = nullptr;
    const int stream = ret < 0 ? ret : av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0) Fail("cannot open " + path, stream);
    engine::CodecContextPtr dec(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), fmt->streams[stream]->codecpar);
    if ((ret = avcodec_open2(dec.get(), codec, nullptr)) < 0) Fail("cannot open the decoder", ret);
    std::vector<FramePtr> frames;
    engine::PacketPtr packet = engine::MakePacket();
    auto drain = [&] {
        for (;;) {
            FramePtr frame = engine::MakeFrame();
            if (avcodec_receive_frame(dec.get(), frame.get()) < 0) return;
            frames.push_back(std::move(frame));
        }
    };
    while (av_read_frame(fmt.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(dec.get(), packet.get()) >= 0) drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    drain();
    return frames;
}

// ---- what both paths are asked for ----

struct Target {
    int rate;
    AVSampleFormat format;
    int channels;
    int volume;     // 256 = unchanged
    int frameSize;  // the encoder's frame size
};

AVChannelLayout Layout(int channels) {
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    return layout;
}

// The output of one path, gathered for the comparison (not during the timed runs).
struct Collected {
    int64_t samples = 0;
    std::vector<std::vector<uint8_t>> planes;

    void Add(const AVFrame* f, int channels) {
        const AVSampleFormat fmt = AVSampleFormat(f->format);
        const int planar = av_sample_fmt_is_planar(fmt);
        const int count = planar ? channels : 1;
        const size_t bytes = size_t(f->nb_samples) * av_get_bytes_per_sample(fmt) * (planar ? 1 : channels);
        planes.resize(count);
        for (int p = 0; p < count; ++p)
            planes[p].insert(planes[p].end(), f->extended_data[p], f->extended_data[p] + bytes);
    }
};

// ---- the hand-made path: the engine's resampler and volume, driven as engine/AudioStage.cpp and
// EncodeAudioFromFifo drive them ----

class HandMadePath {
public:
    explicit HandMadePath(const Target& t) : t_(t), layout_(Layout(t.channels)) {
        fifo_.reset(av_audio_fifo_alloc(t.format, t.channels, 1024));
        if (!fifo_) Fail("out of memory");
    }

    void Push(const AVFrame* frame, Collected* out) {
        const int inRate = frame->sample_rate;
        const bool convert = inRate != t_.rate || frame->ch_layout.nb_channels != t_.channels ||
                             frame->format != t_.format || t_.volume != 256;
        if (convert && !swr_) Configure(frame);
        const int64_t maxOut = int64_t(frame->nb_samples) * t_.rate / inRate * 2 + 10000;
        Reserve(static_cast<int>(std::max<int64_t>(maxOut, t_.frameSize)));
        uint8_t* const* data = frame->extended_data;
        int samples = frame->nb_samples;
        if (convert) {
            samples = swr_convert(swr_.get(), planes_.data(), capacity_,
                                  const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
            if (samples < 0) Fail("swr_convert failed", samples);
            data = planes_.data();
            if (t_.volume != 256)
                engine::ApplyVolume(planes_.data(), t_.format, t_.channels, samples, t_.volume);
        }
        if (samples <= 0) return;
        if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(const_cast<uint8_t**>(data)), samples) <
            samples)
            Fail("fifo write failed");
        Drain(false, out);
    }

    // The end of the stream: what the resampler still holds, then the FIFO's last frame.
    void Finish(Collected* out) {
        if (swr_) {
            const int pending = swr_get_out_samples(swr_.get(), 0);
            if (pending > 0) {
                Reserve(pending);
                const int got = swr_convert(swr_.get(), planes_.data(), capacity_, nullptr, 0);
                if (got < 0) Fail("swr_convert failed", got);
                if (got > 0 && t_.volume != 256)
                    engine::ApplyVolume(planes_.data(), t_.format, t_.channels, got, t_.volume);
                if (got > 0 &&
                    av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(planes_.data()), got) < got)
                    Fail("fifo write failed");
            }
        }
        Drain(true, out);
    }
    int64_t samples() const { return samples_; }

private:
    void Configure(const AVFrame* frame) {
        swr_ = engine::MakeResampler(layout_, t_.format, t_.rate, frame->ch_layout,
                                     AVSampleFormat(frame->format), frame->sample_rate);
        if (!swr_) Fail("the resampler refused the pair");
    }

    void Reserve(int samples) {
        if (capacity_ >= samples) return;
        data_.reset();
        uint8_t** planes = nullptr;
        int linesize = 0;
        if (av_samples_alloc_array_and_samples(&planes, &linesize, t_.channels, samples, t_.format, 0) < 0)
            Fail("out of memory");
        data_.reset(planes[0]);
        planes_.assign(planes, planes + (av_sample_fmt_is_planar(t_.format) ? t_.channels : 1));
        av_freep(&planes);
        capacity_ = samples;
    }

    // The encoder's frames, as EncodeAudioFromFifo cuts them (the last one padded with silence).
    void Drain(bool flush, Collected* out) {
        for (;;) {
            const int available = av_audio_fifo_size(fifo_.get());
            int n = t_.frameSize > 0 ? t_.frameSize : available;
            if (available <= 0 || (available < n && !flush)) break;
            const int take = std::min(available, n);
            FramePtr frame = engine::MakeFrame();
            frame->format = t_.format;
            frame->nb_samples = n;
            frame->sample_rate = t_.rate;
            if (av_channel_layout_copy(&frame->ch_layout, &layout_) < 0 ||
                av_frame_get_buffer(frame.get(), 0) < 0)
                Fail("out of memory");
            if (n > take)
                av_samples_set_silence(frame->extended_data, take, n - take, t_.channels, t_.format);
            av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), take);
            samples_ += take;
            if (out) {
                frame->nb_samples = take;  // the padding is not the path's output
                out->Add(frame.get(), t_.channels);
            }
            if (t_.frameSize == 0 && !flush) break;
        }
    }

    Target t_;
    AVChannelLayout layout_;
    engine::SwrContextPtr swr_;
    engine::AudioFifoPtr fifo_;
    engine::AvMemPtr<uint8_t> data_;
    std::vector<uint8_t*> planes_;
    int capacity_ = 0;
    int64_t samples_ = 0;
};

// ---- the same work through a filter graph ----

class GraphPath {
public:
    GraphPath(const Target& t, const AVFrame* first) : t_(t), out_(engine::MakeFrame()) {
        graph_.reset(avfilter_graph_alloc());
        if (!graph_) Fail("out of memory");
        char layout[64] = {};
        av_channel_layout_describe(&first->ch_layout, layout, sizeof layout);
        char outLayout[64] = {};
        const AVChannelLayout target = Layout(t.channels);
        av_channel_layout_describe(&target, outLayout, sizeof outLayout);
        const std::string srcArgs = "time_base=1/" + std::to_string(first->sample_rate) +
                                    ":sample_rate=" + std::to_string(first->sample_rate) +
                                    ":sample_fmt=" + av_get_sample_fmt_name(AVSampleFormat(first->format)) +
                                    ":channel_layout=" + layout;
        src_ = Add("abuffer", srcArgs);
        AVFilterContext* last = src_;
        // as the engine leaves libswresample out when nothing needs converting, the graph leaves out
        // aresample
        const bool same = first->sample_rate == t.rate && first->format == t.format &&
                          first->ch_layout.nb_channels == t.channels;
        if (!same || std::getenv("AUDIO_BENCH_ALWAYS_RESAMPLE"))
            last = Link(last, Add("aresample", "filter_size=16:phase_shift=10:linear_interp=0:cutoff=0.8"));
        if (t.volume != 256) {
            const bool integer = av_get_packed_sample_fmt(t.format) != AV_SAMPLE_FMT_FLT &&
                                 av_get_packed_sample_fmt(t.format) != AV_SAMPLE_FMT_DBL;
            char volume[32];
            std::snprintf(volume, sizeof volume, "%.6f", t.volume / 256.0);
            last = Link(last, Add("volume", std::string("volume=") + volume +
                                                ":precision=" + (integer ? "fixed" : "float")));
        }
        last = Link(last, Add("aformat", std::string("sample_fmts=") + av_get_sample_fmt_name(t.format) +
                                             ":sample_rates=" + std::to_string(t.rate) +
                                             ":channel_layouts=" + outLayout));
        sink_ = Link(last, Add("abuffersink", ""));
        const int ret = avfilter_graph_config(graph_.get(), nullptr);
        if (ret < 0) Fail("cannot configure the audio graph", ret);
        if (t.frameSize > 0) av_buffersink_set_frame_size(sink_, t.frameSize);
    }

    void Push(AVFrame* frame, Collected* out) {
        frame->pts = nextPts_;
        nextPts_ += frame->nb_samples;
        const int ret = av_buffersrc_add_frame_flags(src_, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
        if (ret < 0) Fail("cannot feed the audio graph", ret);
        Drain(out);
    }

    void Finish(Collected* out) {
        const int ret = av_buffersrc_add_frame(src_, nullptr);
        if (ret < 0) Fail("cannot end the audio graph's input", ret);
        Drain(out);
    }
    int64_t samples() const { return samples_; }

private:
    AVFilterContext* Add(const char* filter, const std::string& args) {
        AVFilterContext* ctx = nullptr;
        const int ret =
            avfilter_graph_create_filter(&ctx, avfilter_get_by_name(filter), filter,
                                         args.empty() ? nullptr : args.c_str(), nullptr, graph_.get());
        if (ret < 0) Fail(std::string("cannot make ") + filter + " " + args, ret);
        return ctx;
    }
    AVFilterContext* Link(AVFilterContext* from, AVFilterContext* to) {
        if (avfilter_link(from, 0, to, 0) < 0) Fail("cannot link the audio graph");
        return to;
    }
    void Drain(Collected* out) {
        while (av_buffersink_get_frame(sink_, out_.get()) >= 0) {
            samples_ += out_->nb_samples;
            if (out) out->Add(out_.get(), t_.channels);
            av_frame_unref(out_.get());
        }
    }

    Target t_;
    engine::FilterGraphPtr graph_;
    AVFilterContext* src_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    FramePtr out_;
    int64_t nextPts_ = 0;
    int64_t samples_ = 0;
};

// ---- running and comparing ----

template <typename Path>
double Run(const std::vector<FramePtr>& frames, Path& path, Collected* out) {
    const auto start = Clock::now();
    for (const FramePtr& f : frames)
        path.Push(f.get(), out);
    path.Finish(out);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// "identical", or how many samples differ and by how much at most, over the common length.
std::string Compare(const Collected& a, const Collected& b, AVSampleFormat fmt) {
    const AVSampleFormat packed = av_get_packed_sample_fmt(fmt);
    int64_t differing = 0, first = -1;
    double largest = 0;
    for (size_t p = 0; p < std::min(a.planes.size(), b.planes.size()); ++p) {
        const size_t bytes = std::min(a.planes[p].size(), b.planes[p].size());
        if (packed == AV_SAMPLE_FMT_S16) {
            const int16_t* x = reinterpret_cast<const int16_t*>(a.planes[p].data());
            const int16_t* y = reinterpret_cast<const int16_t*>(b.planes[p].data());
            for (size_t i = 0; i < bytes / 2; ++i)
                if (x[i] != y[i]) {
                    ++differing;
                    if (first < 0 || int64_t(i) < first) first = int64_t(i);
                    largest = std::max(largest, std::fabs(double(x[i]) - y[i]));
                }
        } else if (packed == AV_SAMPLE_FMT_FLT) {
            const float* x = reinterpret_cast<const float*>(a.planes[p].data());
            const float* y = reinterpret_cast<const float*>(b.planes[p].data());
            for (size_t i = 0; i < bytes / 4; ++i)
                if (std::memcmp(&x[i], &y[i], 4) != 0) {
                    ++differing;
                    if (first < 0 || int64_t(i) < first) first = int64_t(i);
                    largest = std::max(largest, std::fabs(double(x[i]) - y[i]) * 32768);
                }
        }
    }
    if (!differing) return "identical over the common length";
    char text[160];
    std::snprintf(text, sizeof text, "%lld values differ (first at %lld, largest by %.1f in 16-bit steps)",
                  (long long)differing, (long long)first, largest);
    return text;
}

struct Case {
    const char* name;
    int input;  // 0: 48 kHz fltp, 1: 44.1 kHz s16
    Target target;
};

}  // namespace

int main(int argc, char** argv) {
    int repeat = 5, seconds = 120;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--repeat")) repeat = std::max(1, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::max(1, std::atoi(argv[i + 1]));
    }
    av_log_set_level(AV_LOG_ERROR);
    const BenchTempFolder folder("audio_path_bench");
    const std::string tone = "aevalsrc=0.8*sin(440*2*PI*t)+0.05*sin(7919*2*PI*t)|0.8*sin(554*2*PI*t):d=" +
                             std::to_string(seconds) + ":s=";
    const std::string aac = folder.path() + "/in48.m4a", pcm = folder.path() + "/in44.wav";
    const std::string makeAac = ShellCommandLine({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi",
                                                  "-i", tone + "48000", "-c:a", "aac", "-b:a", "192k", aac});
    const std::string makePcm = ShellCommandLine({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi",
                                                  "-i", tone + "44100", "-c:a", "pcm_s16le", pcm});
    if (std::system(makeAac.c_str()) != 0 || std::system(makePcm.c_str()) != 0)
        Fail("cannot make the inputs");
    const std::vector<FramePtr> inputs[2] = {DecodeAll(aac), DecodeAll(pcm)};
    for (int i = 0; i < 2; ++i) {
        const AVFrame* f = inputs[i].front().get();
        std::printf("input %d: %zu frames of %d samples, %d Hz %s, %d ch\n", i + 1, inputs[i].size(),
                    f->nb_samples, f->sample_rate, av_get_sample_fmt_name(AVSampleFormat(f->format)),
                    f->ch_layout.nb_channels);
    }

    const Case cases[] = {
        {"48k fltp -> 44.1k s16 stereo, vol 256", 0, {44100, AV_SAMPLE_FMT_S16, 2, 256, 1152}},
        {"48k fltp -> 44.1k s16 stereo, vol 512", 0, {44100, AV_SAMPLE_FMT_S16, 2, 512, 1152}},
        {"48k fltp -> 48k fltp (frames of 1024)", 0, {48000, AV_SAMPLE_FMT_FLTP, 2, 256, 1024}},
        {"44.1k s16 -> 22.05k s16 mono", 1, {22050, AV_SAMPLE_FMT_S16, 1, 256, 1152}},
    };
    double handTotal = 0, graphTotal = 0;
    for (const Case& c : cases) {
        const std::vector<FramePtr>& frames = inputs[c.input];
        // one untimed pass each whose output is kept for the comparison
        Collected handOut, graphOut;
        HandMadePath handCheck(c.target);
        GraphPath graphCheck(c.target, frames.front().get());
        Run(frames, handCheck, &handOut);
        Run(frames, graphCheck, &graphOut);

        double hand = 1e9, graph = 1e9;
        for (int r = 0; r < repeat; ++r) {
            HandMadePath h(c.target);
            hand = std::min(hand, Run(frames, h, nullptr));
            GraphPath g(c.target, frames.front().get());
            graph = std::min(graph, Run(frames, g, nullptr));
        }
        handTotal += hand;
        graphTotal += graph;
        std::printf("%s: hand-made %.3f s, graph %.3f s, ratio graph/hand-made %.2f\n", c.name, hand, graph,
                    graph / hand);
        std::printf("  samples: hand-made %lld, graph %lld%s; %s\n", (long long)handCheck.samples(),
                    (long long)graphCheck.samples(),
                    handCheck.samples() == graphCheck.samples() ? " (same)" : " (differ)",
                    Compare(handOut, graphOut, c.target.format).c_str());
        std::fflush(stdout);
    }
    std::printf("audio ratio graph/hand-made: %.2f\n", graphTotal / handTotal);
    return 0;
}
