#include "MediaSettings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "X264Options.h"
#include "engine/FFWrappers.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {

// Packets scanned for libx264's option text; it rides on the first picture.
constexpr int kPacketsToScan = 8;

// libx264's name of an H.264 profile as libavcodec numbers it; empty when it has none.
std::string X264ProfileName(int profile) {
    switch (profile & ~(FF_PROFILE_H264_CONSTRAINED | FF_PROFILE_H264_INTRA)) {
        case FF_PROFILE_H264_BASELINE:
            return "baseline";
        case FF_PROFILE_H264_MAIN:
            return "main";
        case FF_PROFILE_H264_HIGH:
            return "high";
        case FF_PROFILE_H264_HIGH_10:
            return "high10";
        case FF_PROFILE_H264_HIGH_422:
            return "high422";
        case FF_PROFILE_H264_HIGH_444_PREDICTIVE:
            return "high444";
        default:
            return {};
    }
}

// libx264's version text "x264 - core ... options: ..." inside the bytes, from "options: " to its end
// (the text is ASCII, ended by a zero byte; H.264's escape bytes never fall inside it).
std::string FindX264OptionText(const uint8_t* data, size_t size) {
    if (!data || !size) return {};
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t start = bytes.find("x264 - core ");
    if (start == std::string_view::npos) return {};
    size_t end = start;
    while (end < bytes.size() && std::isprint(static_cast<unsigned char>(bytes[end])))
        ++end;
    const std::string_view text = bytes.substr(start, end - start);
    const size_t options = text.find("options: ");
    return options == std::string_view::npos ? std::string() : std::string(text.substr(options + 9));
}

std::string FourCC(uint32_t tag) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != ' ') return {};
        s += c;
    }
    return s;
}

// What the packets of one stream add up to: bytes and the time they span.
struct PacketTally {
    int64_t bytes = 0;
    int64_t first = AV_NOPTS_VALUE, end = AV_NOPTS_VALUE;
    int packets = 0;

    void Add(const AVPacket& p) {
        bytes += p.size;
        ++packets;
        const int64_t t = p.pts != AV_NOPTS_VALUE ? p.pts : p.dts;
        if (t == AV_NOPTS_VALUE) return;
        if (first == AV_NOPTS_VALUE || t < first) first = t;
        if (end == AV_NOPTS_VALUE || t + p.duration > end) end = t + p.duration;
    }
    int64_t BitRate(AVRational timeBase) const {
        if (first == AV_NOPTS_VALUE || end <= first) return 0;
        return std::llround(bytes * 8 / ((end - first) * av_q2d(timeBase)));
    }
};

std::string EncoderName(AVCodecID id) {
    const AVCodec* codec = avcodec_find_encoder(id);
    return codec ? codec->name : avcodec_get_name(id);
}

}  // namespace

int64_t NominalBitRate(int64_t measured) {
    const int64_t step = 8000;
    const int64_t nearest = (measured + step / 2) / step * step;
    if (nearest > 0 && std::llabs(measured - nearest) * 100 <= nearest * 3) return nearest;
    return (measured + 500) / 1000 * 1000;
}

bool ReadMediaSettings(const std::string& path, MediaSettings& settings, std::string& error) {
    settings = {};
    AVFormatContext* raw = nullptr;
    int ret = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    engine::InputFormatContextPtr fmt(raw);
    if (ret >= 0) ret = avformat_find_stream_info(fmt.get(), nullptr);
    if (ret < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(ret, text, sizeof text);
        error = path + ": " + text;
        return false;
    }
    const int v = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int a = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);

    PacketTally videoTally, audioTally;
    engine::PacketPtr packet(av_packet_alloc());
    if (!packet) throw std::bad_alloc();
    std::string x264;
    if (v >= 0) {
        const AVCodecParameters* par = fmt->streams[v]->codecpar;
        x264 = FindX264OptionText(par->extradata, par->extradata_size);
    }
    while (av_read_frame(fmt.get(), packet.get()) >= 0) {
        if (packet->stream_index == v) {
            if (x264.empty() && videoTally.packets < kPacketsToScan)
                x264 = FindX264OptionText(packet->data, packet->size);
            videoTally.Add(*packet);
        } else if (packet->stream_index == a) {
            audioTally.Add(*packet);
        }
        av_packet_unref(packet.get());
    }

    if (v >= 0) {
        const AVStream* st = fmt->streams[v];
        const AVCodecParameters* par = st->codecpar;
        VideoSettings& out = settings.video;
        out.present = true;
        out.codec = avcodec_get_name(par->codec_id);
        out.encoder = x264.empty() ? EncoderName(par->codec_id) : "libx264";
        out.width = par->width;
        out.height = par->height;
        const char* pixFmt = av_get_pix_fmt_name(AVPixelFormat(par->format));
        out.pixelFormat = pixFmt ? pixFmt : "";
        AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
        av_reduce(&rate.num, &rate.den, rate.num, rate.den, 1 << 30);
        out.rateNum = rate.num;
        out.rateDen = rate.den ? rate.den : 1;
        out.bitRate = par->bit_rate > 0 ? par->bit_rate : videoTally.BitRate(st->time_base);
        if (par->codec_id == AV_CODEC_ID_H264) {
            out.profile = X264ProfileName(par->profile);
            out.level = par->level > 0 ? par->level : 0;
        }
        out.codecTag = FourCC(par->codec_tag);
        out.x264Options = x264;
    }
    if (a >= 0) {
        const AVStream* st = fmt->streams[a];
        const AVCodecParameters* par = st->codecpar;
        AudioSettings& out = settings.audio;
        out.present = true;
        out.codec = avcodec_get_name(par->codec_id);
        out.encoder = EncoderName(par->codec_id);
        out.sampleRate = par->sample_rate;
        out.channels = par->ch_layout.nb_channels;
        out.bitRate = par->bit_rate > 0 ? par->bit_rate : audioTally.BitRate(st->time_base);
    }
    return true;
}

std::string DescribeSettings(const MediaSettings& s) {
    std::string text = "video: ";
    if (!s.video.present) {
        text += "none";
    } else {
        const VideoSettings& v = s.video;
        text += v.codec + (v.profile.empty() ? "" : " " + v.profile) +
                (v.level ? " level " + std::to_string(v.level) : "") + " " + std::to_string(v.width) + "x" +
                std::to_string(v.height) + " " + v.pixelFormat + " " + std::to_string(v.rateNum) + "/" +
                std::to_string(v.rateDen) + " fps " + std::to_string(v.bitRate / 1000) + " kb/s" +
                (v.codecTag.empty() ? "" : " tag " + v.codecTag);
        if (!v.x264Options.empty()) text += "\n  x264 options: " + v.x264Options;
    }
    text += "\naudio: ";
    if (!s.audio.present) {
        text += "none";
    } else {
        const AudioSettings& a = s.audio;
        text += a.codec + " " + std::to_string(a.sampleRate) + " Hz " + std::to_string(a.channels) + " ch " +
                std::to_string(a.bitRate / 1000) + " kb/s";
    }
    return text;
}

std::vector<std::string> ToolArgsMatching(const MediaSettings& s, std::vector<std::string>& notes) {
    std::vector<std::string> args;
    auto add = [&](std::initializer_list<std::string> items) { args.insert(args.end(), items); };
    if (s.video.present) {
        const VideoSettings& v = s.video;
        const bool x264 = !v.x264Options.empty();
        add({"-c:v", v.encoder});
        if (!v.codecTag.empty()) add({"-tag:v", v.codecTag});
        add({"-s", std::to_string(v.width) + "x" + std::to_string(v.height)});
        if (!v.pixelFormat.empty()) add({"-pix_fmt", v.pixelFormat});
        if (v.rateNum > 0) add({"-r", std::to_string(v.rateNum) + "/" + std::to_string(v.rateDen)});
        if (x264) {
            X264Params params = X264ParamsFromOptions(v.x264Options, v.pixelFormat);
            if (v.level) params.params.emplace_back("level", std::to_string(v.level));
            if (!v.profile.empty()) add({"-profile:v", v.profile});
            add({"-x264-params", params.Joined()});
            for (const std::string& u : params.untouched)
                notes.push_back("x264 setting not passed on: " + u);
        } else {
            if (v.bitRate > 0) add({"-b:v", std::to_string((v.bitRate + 500) / 1000) + "k"});
            notes.push_back("not x264: only codec, size, rate, pixel format and bit rate are matched");
        }
    } else {
        add({"-vn"});
    }
    if (s.audio.present) {
        const AudioSettings& a = s.audio;
        add({"-c:a", a.encoder, "-ar", std::to_string(a.sampleRate), "-ac", std::to_string(a.channels)});
        if (a.bitRate > 0) add({"-b:a", std::to_string(NominalBitRate(a.bitRate) / 1000) + "k"});
    } else {
        add({"-an"});
    }
    return args;
}
