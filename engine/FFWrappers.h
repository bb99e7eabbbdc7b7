#pragma once
// Owning handles for FFmpeg objects: each pointer frees its object with the library's own release call.

#include <cstdio>
#include <memory>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace engine {

struct InputFormatContextDeleter {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
// An input container opened with avformat_open_input (or allocated for it).
using InputFormatContextPtr = std::unique_ptr<AVFormatContext, InputFormatContextDeleter>;

struct OutputFormatContextDeleter {
    void operator()(AVFormatContext* p) const {
        if (!p) return;
        if (p->oformat && !(p->oformat->flags & AVFMT_NOFILE)) avio_closep(&p->pb);
        avformat_free_context(p);
    }
};
// An output container: closes its byte writer (when the format has a file) and frees the context.
using OutputFormatContextPtr = std::unique_ptr<AVFormatContext, OutputFormatContextDeleter>;

struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

struct FrameDeleter {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct SwsContextDeleter {
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;

struct SwrContextDeleter {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;

struct FilterGraphDeleter {
    void operator()(AVFilterGraph* p) const { avfilter_graph_free(&p); }
};
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;

struct FilterInOutDeleter {
    void operator()(AVFilterInOut* p) const { avfilter_inout_free(&p); }
};
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, FilterInOutDeleter>;

struct BSFContextDeleter {
    void operator()(AVBSFContext* p) const { av_bsf_free(&p); }
};
using BSFContextPtr = std::unique_ptr<AVBSFContext, BSFContextDeleter>;

struct AudioFifoDeleter {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

struct AvFreeDeleter {
    void operator()(void* p) const { av_free(p); }
};
// Memory from av_malloc and friends.
template <typename T>
using AvMemPtr = std::unique_ptr<T, AvFreeDeleter>;

// An AVDictionary* owned by this object (the library's dictionary calls take AVDictionary**: use Address()).
class DictionaryPtr {
public:
    DictionaryPtr() = default;
    ~DictionaryPtr() { av_dict_free(&dict_); }
    DictionaryPtr(const DictionaryPtr&) = delete;
    DictionaryPtr& operator=(const DictionaryPtr&) = delete;
    DictionaryPtr(DictionaryPtr&& o) noexcept : dict_(o.dict_) { o.dict_ = nullptr; }
    DictionaryPtr& operator=(DictionaryPtr&& o) noexcept {
        if (this != &o) {
            av_dict_free(&dict_);
            dict_ = o.dict_;
            o.dict_ = nullptr;
        }
        return *this;
    }
    AVDictionary* get() const { return dict_; }
    AVDictionary** Address() { return &dict_; }
    void reset() { av_dict_free(&dict_); }

private:
    AVDictionary* dict_ = nullptr;
};

// A context made with avformat_alloc_context and never opened (a parameter set).
struct FormatContextDeleter {
    void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;

// A C stream (statistics files the engine writes).
struct FileDeleter {
    void operator()(FILE* f) const { fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileDeleter>;

// Allocation helpers that throw std::bad_alloc instead of returning null.
inline FramePtr MakeFrame() {
    AVFrame* f = av_frame_alloc();
    if (!f) throw std::bad_alloc();
    return FramePtr(f);
}

inline PacketPtr MakePacket() {
    AVPacket* p = av_packet_alloc();
    if (!p) throw std::bad_alloc();
    return PacketPtr(p);
}

inline CodecContextPtr MakeCodecContext(const AVCodec* codec) {
    AVCodecContext* c = avcodec_alloc_context3(codec);
    if (!c) throw std::bad_alloc();
    return CodecContextPtr(c);
}

// Drops the packet's reference when the scope ends (for packets reused in a read loop).
class PacketUnref {
public:
    explicit PacketUnref(AVPacket* p) : p_(p) {}
    ~PacketUnref() { av_packet_unref(p_); }
    PacketUnref(const PacketUnref&) = delete;
    PacketUnref& operator=(const PacketUnref&) = delete;

private:
    AVPacket* p_;
};

// Drops the frame's references when the scope ends (for frames reused in a receive loop).
class FrameUnref {
public:
    explicit FrameUnref(AVFrame* f) : f_(f) {}
    ~FrameUnref() { av_frame_unref(f_); }
    FrameUnref(const FrameUnref&) = delete;
    FrameUnref& operator=(const FrameUnref&) = delete;

private:
    AVFrame* f_;
};

}  // namespace engine
