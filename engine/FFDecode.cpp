#include "engine/FFDecode.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/Text.h"
#include "engine/EngineError.h"
#include "engine/FFLoad.h"
#include "engine/FFLog.h"
#include "engine/InterruptCB.h"
#include "engine/StrFormat.h"
#include "engine/UnicodeProtocol.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/parseutils.h>
}

namespace engine {

namespace {

int ClampInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

// A time base usable for conversions: a zero denominator becomes the numerator, or 1.
AVRational SaneTimeBase(AVRational tb) {
    if (tb.den == 0) {
        tb.den = tb.num != 0 ? tb.num : 1;
        if (tb.num == 0) tb.num = 1;
    }
    return tb;
}

int64_t ToMicroseconds(int64_t value, AVRational tb) {
    if (value == AV_NOPTS_VALUE) return -1;
    return av_rescale_q(value, SaneTimeBase(tb), AV_TIME_BASE_Q);
}

std::string MetaValue(const AVDictionary* dict, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0);
    return e && e->value ? e->value : std::string();
}

int LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
    return std::atoi(text.c_str() + i);
}

// Containers that hold one still picture: seeking means nothing there, the picture is returned again.
bool IsStillImageFormat(const AVFormatContext* ctx) {
    if (!ctx || !ctx->iformat || !ctx->iformat->name) return false;
    const std::string name = ctx->iformat->name;
    if (strcasecmp(name.c_str(), "image2") == 0) return true;
    const std::string suffix = "_pipe";  // png_pipe, jpeg_pipe, bmp_pipe ...: single image files
    return name.size() > suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Deinterlaces one picture with the library's yadif filter (the picture alone, no neighbours).
bool DeinterlacePicture(const AVFrame* in, AVRational timeBase, FramePtr& out) {
    FilterGraphPtr graph(avfilter_graph_alloc());
    if (!graph) return false;
    const std::string args =
        FormatStr("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", in->width, in->height,
                  in->format, timeBase.num, std::max(timeBase.den, 1),
                  std::max(in->sample_aspect_ratio.num, 0), std::max(in->sample_aspect_ratio.den, 1));
    AVFilterContext* src = nullptr;
    AVFilterContext* yadif = nullptr;
    AVFilterContext* sink = nullptr;
    if (avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr,
                                     graph.get()) < 0 ||
        avfilter_graph_create_filter(&yadif, avfilter_get_by_name("yadif"), "deint",
                                     "mode=send_frame:deint=all", nullptr, graph.get()) < 0 ||
        avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                     graph.get()) < 0 ||
        avfilter_link(src, 0, yadif, 0) < 0 || avfilter_link(yadif, 0, sink, 0) < 0 ||
        avfilter_graph_config(graph.get(), nullptr) < 0)
        return false;
    FramePtr copy = MakeFrame();
    if (av_frame_ref(copy.get(), in) < 0) return false;
    if (av_buffersrc_add_frame(src, copy.get()) < 0 || av_buffersrc_add_frame(src, nullptr) < 0) return false;
    out = MakeFrame();
    return av_buffersink_get_frame(sink, out.get()) >= 0;
}

}  // namespace

std::string CodecDescription(const AVCodecParameters* par) {
    if (const AVCodec* codec = avcodec_find_decoder(par->codec_id)) {
        const std::string name = codec->name ? codec->name : "";
        const std::string longName = codec->long_name ? core::Trim(codec->long_name) : "";
        return longName.empty() ? name : FormatStr("%s(%s)", name.c_str(), longName.c_str());
    }
    if (par->codec_id == 0x20000) return "mpeg2ts";
    if (par->codec_id != AV_CODEC_ID_NONE) {
        if (const AVCodecDescriptor* d = avcodec_descriptor_get(par->codec_id); d && d->name) {
            const std::string name = core::Trim(d->name);
            if (!name.empty()) return name;
        }
    }
    const uint32_t tag = par->codec_tag;
    const unsigned char c[4] = {
        static_cast<unsigned char>(tag & 0xff), static_cast<unsigned char>((tag >> 8) & 0xff),
        static_cast<unsigned char>((tag >> 16) & 0xff), static_cast<unsigned char>((tag >> 24) & 0xff)};
    if (std::all_of(c, c + 4, [](unsigned char ch) { return ch >= 32 && ch <= 126; }))
        return FormatStr("%c%c%c%c / 0x%04X", c[0], c[1], c[2], c[3], tag);
    return FormatStr("0x%04x", tag);
}

// The facts audio and video stream records share.
template <class StreamInfo>
void FillCommonStreamFacts(const AVStream* s, StreamInfo& info) {
    info.Language = MetaValue(s->metadata, "language");
    info.CodecName = CodecDescription(s->codecpar);
    info.StartPTS = s->start_time == AV_NOPTS_VALUE ? -1 : s->start_time;
    info.StartTime = ToMicroseconds(s->start_time, s->time_base);
    info.DurationPTS = s->duration == AV_NOPTS_VALUE ? -1 : s->duration;
    info.Duration = ToMicroseconds(s->duration, s->time_base);
    info.BitRate = ClampInt(s->codecpar->bit_rate);
}

TFFDecoder::TFFDecoder() : picture_(MakeFrame()) {}

TFFDecoder::~TFFDecoder() {
    CloseFile();
}

void TFFDecoder::Error(const std::string& msg, int level) {
    lastErrMsg_ = msg;
    Log(this, static_cast<TLogLevel>(level), msg);
}

void TFFDecoder::ResetFacts() {
    fileSize_ = -1;
    streamCount_ = programCount_ = -1;
    audioCount_ = videoCount_ = subtitleCount_ = -1;
    firstAudio_ = firstVideo_ = firstSubtitle_ = -1;
    refStream_ = -1;
    refStartTime_ = 0;
}

void TFFDecoder::ResetPicture() {
    av_frame_unref(picture_.get());
    pictureReady_ = false;
    picturePTS_ = prevPicturePTS_ = -1;
    picturePos_ = prevPicturePos_ = -1;
    pktDTS_ = pktPTS_ = -1;
    pictureType_ = 0;
    keyFrame_ = false;
}

void TFFDecoder::CloseDecoders() {
    videoCodec_.reset();
    videoCodecStream_ = -1;
    audioCodec_.reset();
    draining_ = false;
}

void TFFDecoder::CloseFile() {
    CloseDecoders();
    if (ctx_) {
        if (owned_)
            avformat_close_input(&ctx_);
        else
            ctx_ = nullptr;  // borrowed: its owner closes it
    }
    owned_ = false;
    formatName_.clear();
    ResetFacts();
    ResetPicture();
    decodeStream_ = -1;
    eof_ = false;
}

bool TFFDecoder::LoadFile(const std::string& fileName, const std::string& formatName) {
    static const struct {
        TLibrary lib;
        const char* text;
    } required[] = {{libAVCodec, "LibAVCodec not loaded."},
                    {libAVFormat, "LibAVFormat not loaded."},
                    {libAVUtil, "LibAVUtil not loaded."},
                    {libSwScale, "LibSwScale not loaded."}};
    for (const auto& r : required)
        if (!FFLoader().LibLoaded(r.lib)) throw EngineError(r.text);

    CloseFile();
    lastErrMsg_.clear();

    const AVInputFormat* forced = nullptr;
    if (!formatName.empty()) {
        forced = av_find_input_format(formatName.c_str());
        if (!forced) {
            lastErrMsg_ = FormatStr("Unknown input format: %s", formatName.c_str());
            return false;
        }
    }

    const std::string displayName = DecodeUnicodeName(fileName);
    const std::string libraryName = ToLibraryName(fileName);

    // A directory opens as a file on Linux and would only fail later with a misleading text; a pipe or a
    // device would block the caller (the main thread) for good. A device format named by the caller
    // reads its own kind of name.
    if (!forced || !(forced->flags & AVFMT_NOFILE)) {
        const std::string refusal = NotAFileMessage(displayName);
        if (!refusal.empty()) {
            Error(refusal, llError);
            return false;
        }
    }

    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) throw std::bad_alloc();
    InstallInterruptCB(raw);
    RestrictInputProtocols(raw, libraryName);
    const int ret = avformat_open_input(&raw, libraryName.c_str(), forced, nullptr);
    if (ret < 0) {  // the library has freed the context
        Error(FFErrorMessage(displayName, ret), llError);
        return false;
    }
    ctx_ = raw;
    owned_ = true;

    if (avformat_find_stream_info(ctx_, nullptr) < 0) {
        const std::string msg = FormatStr("%s: could not find codec parameters", displayName.c_str());
        CloseFile();
        lastErrMsg_ = msg;
        return false;
    }
    GatherFacts();
    formatName_ = formatName;
    return true;
}

void TFFDecoder::AttachContext(AVFormatContext* ctx) {
    CloseFile();
    if (!ctx) return;
    ctx_ = ctx;
    owned_ = false;
    GatherFacts();
}

void TFFDecoder::GatherFacts() {
    ResetFacts();
    const int64_t containerSize = ctx_->pb ? avio_size(ctx_->pb) : -1;
    fileSize_ = containerSize;
    if (containerSize <= 0) {
        struct stat st {};
        const std::string name = FromLibraryName(ctx_->url ? ctx_->url : "");
        if (!name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) fileSize_ = st.st_size;
    }
    streamCount_ = static_cast<int>(ctx_->nb_streams);
    programCount_ = static_cast<int>(ctx_->nb_programs);
    audioCount_ = videoCount_ = subtitleCount_ = 0;
    int firstMovingVideo = -1;
    for (unsigned i = 0; i < ctx_->nb_streams; ++i) {
        const AVStream* s = ctx_->streams[i];
        switch (s->codecpar->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                ++videoCount_;
                if (firstVideo_ < 0) firstVideo_ = static_cast<int>(i);
                if (firstMovingVideo < 0 && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC))
                    firstMovingVideo = static_cast<int>(i);
                break;
            case AVMEDIA_TYPE_AUDIO:
                ++audioCount_;
                if (firstAudio_ < 0) firstAudio_ = static_cast<int>(i);
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                ++subtitleCount_;
                if (firstSubtitle_ < 0) firstSubtitle_ = static_cast<int>(i);
                break;
            default:
                break;
        }
    }
    // Seek by the timeline of the first real video stream (a cover picture has none), else the first audio.
    refStream_ = firstMovingVideo >= 0 ? firstMovingVideo : firstAudio_ >= 0 ? firstAudio_ : firstVideo_;
    const int64_t start = refStream_ >= 0 ? ctx_->streams[refStream_]->start_time : ctx_->start_time;
    refStartTime_ = start == AV_NOPTS_VALUE ? 0 : start;
}

std::string TFFDecoder::FileName() {
    if (!ctx_) {
        Error("file not loaded.", llWarning);
        return std::string();
    }
    return FromLibraryName(ctx_->url ? ctx_->url : "");
}

bool TFFDecoder::GetFileStreamInfo(TFileStreamInfo& info) {
    info = TFileStreamInfo{};
    if (!ctx_) {
        Error("file not loaded.", llWarning);
        return false;
    }
    info.StartTime = ctx_->start_time == AV_NOPTS_VALUE ? -1 : ctx_->start_time;
    info.Duration = ctx_->duration == AV_NOPTS_VALUE || ctx_->duration < 0 ? -1 : ctx_->duration;
    info.BitRate = ClampInt(ctx_->bit_rate);
    const AVDictionary* m = ctx_->metadata;
    const std::string created = MetaValue(m, "creation_time");
    int64_t ts = 0;
    if (!created.empty() && av_parse_time(&ts, created.c_str(), 0) == 0) info.Timestamp = ts;
    std::string year = MetaValue(m, "year");
    if (year.empty()) year = MetaValue(m, "date");
    info.Year = LeadingNumber(year);
    info.Track = LeadingNumber(MetaValue(m, "track"));
    info.Title = MetaValue(m, "title");
    info.Author = MetaValue(m, "author");
    if (info.Author.empty()) info.Author = MetaValue(m, "artist");  // the current libraries' name for it
    info.Copyright = MetaValue(m, "copyright");
    info.Comment = MetaValue(m, "comment");
    info.Album = MetaValue(m, "album");
    info.Genre = MetaValue(m, "genre");
    return true;
}

bool TFFDecoder::CheckStream(int& index, AVMediaType kind, const char* noneText, const char* wrongText) {
    if (!ctx_) {
        Error("file not loaded.", llWarning);
        return false;
    }
    if (index >= static_cast<int>(ctx_->nb_streams)) {
        Error(FormatStr("stream index #%d is invalid.", index), llError);
        return false;
    }
    if (index < 0) {
        index = kind == AVMEDIA_TYPE_AUDIO ? firstAudio_ : firstVideo_;
        if (index < 0) {
            Error(noneText, llError);
            return false;
        }
    }
    if (ctx_->streams[index]->codecpar->codec_type != kind) {
        Error(FormatStr(wrongText, index), llError);
        return false;
    }
    return true;
}

bool TFFDecoder::GetAudioStreamInfo(int streamIndex, TAudioStreamInfo& info) {
    info = TAudioStreamInfo{};
    if (!CheckStream(streamIndex, AVMEDIA_TYPE_AUDIO, "no audio stream.", "stream #%d is not audio stream."))
        return false;
    const AVStream* s = ctx_->streams[streamIndex];
    const AVCodecParameters* par = s->codecpar;
    FillCommonStreamFacts(s, info);
    info.Channels = par->ch_layout.nb_channels;
    info.SampleRate = par->sample_rate;
    info.SampleFormat = par->format;
    return true;
}

bool TFFDecoder::GetVideoStreamInfo(int streamIndex, TVideoStreamInfo& info) {
    info = TVideoStreamInfo{};
    if (!CheckStream(streamIndex, AVMEDIA_TYPE_VIDEO, "no video stream.", "stream #%d is not video stream."))
        return false;
    const AVStream* s = ctx_->streams[streamIndex];
    const AVCodecParameters* par = s->codecpar;
    FillCommonStreamFacts(s, info);
    info.Height = par->height;
    info.Width = par->width;
    if (par->width > 0 && par->height > 0) {
        AVRational sar = s->sample_aspect_ratio.num ? s->sample_aspect_ratio : par->sample_aspect_ratio;
        if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};  // unknown means square pixels
        info.DisplayAspectRatio = static_cast<float>(av_q2d(sar) * par->width / par->height);
    }
    info.PixFmt = par->format;
    const AVRational rate =
        s->avg_frame_rate.num && s->avg_frame_rate.den ? s->avg_frame_rate : s->r_frame_rate;
    info.FrameRateNum = rate.num;
    info.FrameRateDen = rate.den;
    return true;
}

bool TFFDecoder::Seek(int flags, int64_t position) {
    if (!ctx_) {
        Error("file not loaded.", llWarning);
        return false;
    }
    if (!owned_) {
        const std::string msg = "file cannot be seeked, handle is readonly.";
        Error(msg, llError);
        throw EngineError(msg);
    }
    if (IsStillImageFormat(ctx_)) {
        Error(FormatStr("\"%s\" format cannot to be seeked.", ctx_->iformat->name), llInfo);
        return false;
    }
    if (ctx_->pb) LogFmt(this, llDebug, "current position %" PRId64 " bytes", avio_tell(ctx_->pb));

    flags &= 0xF;
    const bool byBytes = flags & sfByte;
    const int64_t given = std::max<int64_t>(position, 0);
    int64_t target = given;
    int streamIndex = -1;
    if (!byBytes) {
        if (refStream_ >= 0) {
            streamIndex = refStream_;
            target = av_rescale_q(target, AV_TIME_BASE_Q, SaneTimeBase(ctx_->streams[refStream_]->time_base));
        }
        if (refStartTime_ > 0) target += refStartTime_;
    }

    if (videoCodec_) avcodec_flush_buffers(videoCodec_.get());
    if (audioCodec_) avcodec_flush_buffers(audioCodec_.get());
    draining_ = false;
    av_frame_unref(picture_.get());
    pictureReady_ = false;
    picturePTS_ = -1;
    pktDTS_ = pktPTS_ = -1;

    int ret;
    if (given > 0) {
        ret = av_seek_frame(ctx_, streamIndex, target, flags);
        // No key picture at or after a late position (short clips): take the one before it instead.
        if (ret < 0 && !(flags & sfBackward))
            ret = av_seek_frame(ctx_, streamIndex, target, flags | sfBackward);
    } else {
        ret = av_seek_frame(ctx_, streamIndex, target, flags | sfBackward);
        if (ret < 0) ret = av_seek_frame(ctx_, streamIndex, target, flags & ~sfBackward);
    }
    if (ret < 0) {
        if (byBytes)
            Error(FormatStr("could not seek to position %" PRId64 " bytes", given), llError);
        else
            Error(FormatStr("could not seek to position %0.3f seconds", given / 1000000.0), llError);
        return false;
    }
    if (ctx_->pb) LogFmt(this, llDebug, "seek to position %" PRId64 " bytes", avio_tell(ctx_->pb));
    if (ctx_->pb && avio_feof(ctx_->pb)) {
        Error("stream eof reached.", llInfo);
        eof_ = true;
        return false;
    }
    eof_ = false;
    return true;
}

bool TFFDecoder::OpenVideoDecoder(int index) {
    if (videoCodec_ && videoCodecStream_ == index) return true;
    videoCodec_.reset();
    videoCodecStream_ = -1;
    draining_ = false;
    const AVStream* s = ctx_->streams[index];
    const AVCodecParameters* par = s->codecpar;
    if (par->width == 0 || par->height == 0) {
        Error("frame size of codec is invalid.", llError);
        return false;
    }
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) {
        Error(FormatStr("Unsupported codec (id=%d) for input file stream #%d", par->codec_id, index),
              llError);
        return false;
    }
    CodecContextPtr cc = MakeCodecContext(codec);
    if (avcodec_parameters_to_context(cc.get(), par) < 0) {
        Error(FormatStr("Error while opening codec for input file stream #%d", index), llError);
        return false;
    }
    cc->pkt_timebase = s->time_base;
    // Slice threads only: frame threads would hold back pictures, and a probe wants the first one at once.
    cc->thread_count = 0;
    cc->thread_type = FF_THREAD_SLICE;
    if (avcodec_open2(cc.get(), codec, nullptr) < 0) {
        Error(FormatStr("Error while opening codec for input file stream #%d", index), llError);
        return false;
    }
    videoCodec_ = std::move(cc);
    videoCodecStream_ = index;
    return true;
}

void TFFDecoder::StorePicture(AVFrame* frame, int index, int64_t readPos) {
    const AVStream* s = ctx_->streams[index];
    LogFmt(this, llDebug, "pkt.st_idx=%d, dts=%" PRId64 ", pts=%" PRId64 ", flags=%d, pict_type=%d", index,
           frame->pkt_dts, frame->pts, frame->flags, static_cast<int>(frame->pict_type));

    FramePtr deinterlaced;
    if (deinterlace_ && !DeinterlacePicture(frame, s->time_base, deinterlaced)) {
        Log(this, llWarning, "deinterlacing failed.");
        deinterlace_ = false;
        deinterlaced.reset();
    }
    prevPicturePTS_ = picturePTS_;
    prevPicturePos_ = picturePos_;
    av_frame_unref(picture_.get());
    av_frame_move_ref(picture_.get(), deinterlaced ? deinterlaced.get() : frame);

    keyFrame_ = picture_->key_frame != 0;
    const int type = static_cast<int>(picture_->pict_type);
    pictureType_ = type >= 0 && type <= 7 ? type : 0;
    pktDTS_ = frame->pkt_dts == AV_NOPTS_VALUE ? -1 : frame->pkt_dts;
    pktPTS_ = picture_->pts == AV_NOPTS_VALUE ? -1 : picture_->pts;
    picturePos_ = readPos;

    int64_t t = picture_->pkt_dts;
    if (t == AV_NOPTS_VALUE) t = picture_->pts;
    if (t == AV_NOPTS_VALUE) t = picture_->best_effort_timestamp;
    if (t == AV_NOPTS_VALUE) {
        picturePTS_ = -1;
    } else {
        if (s->start_time != AV_NOPTS_VALUE) t -= s->start_time;
        picturePTS_ = av_rescale_q(t, SaneTimeBase(s->time_base), AV_TIME_BASE_Q);
        LogFmt(this, llDebug, "decode PTS: %0.3f", picturePTS_ / 1000000.0);
    }
    pictureReady_ = true;
}

bool TFFDecoder::Decode(int streamIndex) {
    if (!ctx_) {
        Error("file not loaded.", llWarning);
        return false;
    }
    // a borrowed container whose file its owner has closed (it keeps only what the probe learned)
    if (!owned_ && !ctx_->pb && !(ctx_->iformat->flags & AVFMT_NOFILE) &&
        !(ctx_->flags & AVFMT_FLAG_CUSTOM_IO)) {
        Error("file is closed.", llWarning);
        return false;
    }
    int index = streamIndex;
    if (index < 0) {
        index = decodeStream_ >= 0 ? decodeStream_ : firstVideo_;
        if (index < 0) {
            Error("no video stream.", llError);
            return false;
        }
    }
    if (index >= static_cast<int>(ctx_->nb_streams)) {
        Error(FormatStr("stream index #%d is invalid.", index), llError);
        return false;
    }
    if (ctx_->streams[index]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) {
        Error(FormatStr("stream #%d is not video stream.", index), llError);
        return false;
    }
    if (index != decodeStream_) {
        ResetPicture();
        decodeStream_ = index;
    }
    if (pictureReady_ && IsStillImageFormat(ctx_)) return true;
    if (eof_) {
        Error("stream eof reached.", llInfo);
        return false;
    }
    if (!OpenVideoDecoder(index)) return false;

    AVCodecContext* cc = videoCodec_.get();
    FramePtr frame = MakeFrame();
    const int64_t readPos = ctx_->pb ? avio_tell(ctx_->pb) : -1;
    PacketPtr pkt = MakePacket();
    for (;;) {
        // A picture the decoder already holds comes first.
        int r = avcodec_receive_frame(cc, frame.get());
        if (r >= 0) {
            StorePicture(frame.get(), index, readPos);
            return true;
        }
        if (r == AVERROR_EOF || (draining_ && r != AVERROR(EAGAIN))) {
            Error("stream eof reached.", llInfo);
            eof_ = true;
            return false;
        }
        if (draining_) {  // a draining decoder ends with AVERROR_EOF; never read on past the end
            Error("stream eof reached.", llInfo);
            eof_ = true;
            return false;
        }

        r = av_read_frame(ctx_, pkt.get());
        if (r == AVERROR(EAGAIN)) {
            Error("no data, please try again.", llInfo);
            return false;
        }
        if (r < 0) {
            const bool atEnd = r == AVERROR_EOF || r == -32 || (ctx_->pb && avio_feof(ctx_->pb));
            if (!atEnd) {
                Error(FormatStr("unknown error #%d.", r), llError);
                return false;
            }
            // End of the file: let the decoder hand out the pictures it still holds.
            draining_ = true;
            avcodec_send_packet(cc, nullptr);
            continue;
        }
        PacketUnref unref(pkt.get());
        if (pkt->stream_index != index) continue;
        r = avcodec_send_packet(cc, pkt.get());
        if (r < 0 && r != AVERROR(EAGAIN)) {
            // A damaged packet: the library has said why; go on with the next one.
            continue;
        }
    }
}

bool TFFDecoder::CopyToBitmap(TBitmap& bmp) {
    if (!pictureReady_) {
        Error("picture not ready, please decode first", llError);
        return false;
    }
    if (!converter_.FrameToBitmap(picture_.get(), bmp)) {
        Error(converter_.LastErrMsg(), llError);
        return false;
    }
    return true;
}

}  // namespace engine
