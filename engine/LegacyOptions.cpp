#include "engine/LegacyOptions.h"

#include <map>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace engine {

namespace {

struct SignedToken {
    bool on;
    std::string name;
};

// "+a-b+c" (or "a") into signed tokens.
std::vector<SignedToken> SplitFlagTokens(const std::string& value) {
    std::vector<SignedToken> tokens;
    size_t i = 0;
    while (i < value.size()) {
        bool on = true;
        if (value[i] == '+' || value[i] == '-') {
            on = value[i] == '+';
            ++i;
        }
        size_t end = value.find_first_of("+-", i);
        if (end == std::string::npos) end = value.size();
        if (end > i) tokens.push_back({on, value.substr(i, end - i)});
        i = end;
    }
    return tokens;
}

// flags2 bits of the old x264 wrapper and the libx264 private option that took their place.
const std::map<std::string, std::string> kFlags2ToX264 = {
    {"mixed_refs", "mixed-refs"}, {"wpred", "weightb"}, {"dct8x8", "8x8dct"}, {"fastpskip", "fast-pskip"},
    {"mbtree", "mbtree"},         {"aud", "aud"},       {"psy", "psy"},       {"ssim", "ssim"},
};

const std::map<std::string, std::string> kPartitions = {
    {"parti4x4", "i4x4"}, {"parti8x8", "i8x8"}, {"partp4x4", "p4x4"},
    {"partp8x8", "p8x8"}, {"partb8x8", "b8x8"},
};

// Renamed options whose values kept their meaning.
const std::map<std::string, std::string> kRenamed = {
    {"directpred", "direct-pred"},    {"cqp", "qp"},
    {"rc_lookahead", "rc-lookahead"}, {"aq_mode", "aq-mode"},
    {"aq_strength", "aq-strength"},   {"psy_rd", "psy-rd"},
};

// Old motion-estimation method names that libx264 never had.
const std::map<std::string, std::string> kMeMethods = {
    {"zero", "dia"}, {"epzs", "hex"}, {"full", "esa"}, {"x1", "hex"}, {"log", "hex"}, {"phods", "hex"},
};

std::vector<OptionLine> TranslateFlags2(const std::string& value) {
    std::vector<OptionLine> out;
    std::string rest;
    for (const SignedToken& t : SplitFlagTokens(value)) {
        if (t.name == "bpyramid") {
            out.push_back({"b-pyramid", t.on ? "normal" : "none"});
        } else if (auto it = kFlags2ToX264.find(t.name); it != kFlags2ToX264.end()) {
            out.push_back({it->second, t.on ? "1" : "0"});
        } else {
            rest += (t.on ? "+" : "-") + t.name;
        }
    }
    if (!rest.empty()) out.push_back({"flags2", rest});
    return out;
}

// Codec flags of the old generation that became private options of the encoders that used them.
const std::map<std::string, std::string> kFlagsToPrivate = {
    {"scan_offset", "scan_offset"}, {"aic", "aic"}, {"umv", "umv"}, {"aiv", "aiv"},
    {"slice", "structured_slices"},
};

std::vector<OptionLine> TranslateFlags(const std::string& value) {
    std::vector<OptionLine> out;
    std::string rest;
    for (const SignedToken& t : SplitFlagTokens(value)) {
        if (auto it = kFlagsToPrivate.find(t.name); it != kFlagsToPrivate.end()) {
            out.push_back({it->second, t.on ? "1" : "0"});
            continue;
        }
        // libx264 no longer reads the loop-filter flag; its own switch turns the deblocking filter off
        if (t.name == "loop" && !t.on) out.push_back({"x264opts", "no-deblock=1"});
        rest += (t.on ? "+" : "-") + t.name;
    }
    if (out.empty()) return {{"flags", value}};  // nothing moved: the value stays as written
    if (!rest.empty()) out.insert(out.begin(), {"flags", rest});
    return out;
}

}  // namespace

std::vector<OptionLine> TranslateLegacyOption(const std::string& name, const std::string& value,
                                              LegacyOptionState& state) {
    if (name == "flags") return TranslateFlags(value);
    if (name == "flags2") return TranslateFlags2(value);
    if (name == "partitions") {
        const std::vector<SignedToken> tokens = SplitFlagTokens(value);
        bool legacy = !tokens.empty();
        for (const SignedToken& t : tokens)
            legacy = legacy && kPartitions.count(t.name) > 0;
        if (!legacy) return {{name, value}};
        // The old flags started from none, so only the switched-on partitions count.
        std::string list;
        for (const SignedToken& t : tokens)
            if (t.on) list += (list.empty() ? "" : ",") + kPartitions.at(t.name);
        return {{name, list.empty() ? "none" : list}};
    }
    if (name == "me_method") {
        auto it = kMeMethods.find(value);
        return {{name, it == kMeMethods.end() ? value : it->second}};
    }
    if (name == "deblockalpha" || name == "deblockbeta") {
        (name == "deblockalpha" ? state.deblockAlpha : state.deblockBeta) = value;
        return {{"deblock", state.deblockAlpha + ":" + state.deblockBeta}};
    }
    if (name == "rc_eq" && value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
        return {{name, value.substr(1, value.size() - 2)}};
    if (auto it = kRenamed.find(name); it != kRenamed.end()) return {{it->second, value}};
    return {{name, value}};
}

void ApplyOldX264Defaults(AVCodecContext* enc, const std::vector<OptionLine>& codecLines,
                          const std::vector<OptionLine>& privateLines) {
    if (!enc->codec || std::string(enc->codec->name) != "libx264" || !enc->priv_data) return;
    auto named = [](const std::vector<OptionLine>& lines, std::initializer_list<const char*> names) {
        for (const OptionLine& l : lines)
            for (const char* n : names)
                if (l.name == n) return true;
        return false;
    };
    // x264's own settings text may name them too
    auto inX264Text = [&](const char* key) {
        for (const OptionLine& l : privateLines)
            if ((l.name == "x264opts" || l.name == "x264-params") && l.value.find(key) != std::string::npos)
                return true;
        return false;
    };
    if (named(privateLines, {"preset", "tune"})) return;
    if (!named(codecLines, {"bf"}) && !inX264Text("bframes")) enc->max_b_frames = 0;
    if (!named(privateLines, {"8x8dct"}) && !inX264Text("8x8dct"))
        av_opt_set_int(enc->priv_data, "8x8dct", 0, 0);
    if (!named(privateLines, {"weightb"}) && !inX264Text("weightb"))
        av_opt_set_int(enc->priv_data, "weightb", 0, 0);
    int64_t coder = -1;
    av_opt_get_int(enc->priv_data, "coder", 0, &coder);
    if (coder == 0 && !named(privateLines, {"weightp", "wpredp"}) && !inX264Text("weightp"))
        av_opt_set_int(enc->priv_data, "weightp", 0, 0);
}

std::string ResolveEncoderName(const std::string& name) {
    if (avcodec_find_encoder_by_name(name.c_str())) return name;
    static const std::map<std::string, std::string> kAliases = {
        {"libfaac", "aac"},        {"libvo_aacenc", "aac"},      {"libfdk_aac", "aac"},
        {"libvo_amrwbenc", "aac"}, {"libopencore_amrnb", "aac"},
    };
    auto it = kAliases.find(name);
    return it == kAliases.end() ? name : it->second;
}

int64_t MaxAudioBitrate(AVCodecID id) {
    switch (id) {
        case AV_CODEC_ID_MP2:
            return 384000;
        case AV_CODEC_ID_MP3:
            return 320000;
        case AV_CODEC_ID_AC3:
            return 640000;
        default:
            return 0;
    }
}

const AVPixelFormat* OldGenerationPixelFormats(const AVCodec* codec) {
    static const AVPixelFormat kX264[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_NONE};
    return codec && std::string(codec->name) == "libx264" ? kX264 : nullptr;
}

SizeAlignment PictureAlignment(const AVCodec* codec, AVPixelFormat format) {
    if (!codec) return {};
    const std::string name = codec->name;
    if (name == "rv10") return {16, 16};
    if (name == "rv20" || name == "h263" || name == "h263p") return {4, 4};
    if (name == "wmv1" || name == "wmv2" || name == "huffyuv") return {2, 1};
    if (name == "libx264" || name == "libx264rgb" || name == "libx265" || name == "libxvid") {
        // whole chroma samples
        const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
        if (name == "libxvid") return {2, 2};
        if (d) return {1 << d->log2_chroma_w, 1 << d->log2_chroma_h};
    }
    return {};
}

bool CarriesPixelShape(const AVOutputFormat* format) {
    if (!format) return true;
    const std::string name = format->name;
    return name != "flv" && name != "swf" && name != "avm2";
}

int H264LevelFor(int width, int height, AVRational frameRate) {
    // Annex A, table A-1: level, largest frame in macroblocks, largest macroblock rate
    struct Limit {
        int level;
        int64_t frameMbs, mbRate;
    };
    static const Limit kLimits[] = {
        {10, 99, 1485},     {11, 396, 3000},     {12, 396, 6000},     {13, 396, 11880},
        {20, 396, 11880},   {21, 792, 19800},    {22, 1620, 20250},   {30, 1620, 40500},
        {31, 3600, 108000}, {32, 5120, 216000},  {40, 8192, 245760},  {41, 8192, 245760},
        {42, 8704, 522240}, {50, 22080, 589824}, {51, 36864, 983040}, {52, 36864, 2073600},
    };
    const int64_t mbs = int64_t((width + 15) / 16) * ((height + 15) / 16);
    const double rate = frameRate.num > 0 && frameRate.den > 0 ? av_q2d(frameRate) : 25.0;
    for (const Limit& l : kLimits)
        if (mbs <= l.frameMbs && mbs * rate <= l.mbRate * 1.0001) return l.level;
    return 0;
}

AVCodecID DefaultEncoderFor(const AVOutputFormat* format, AVMediaType kind) {
    AVCodecID id = AV_CODEC_ID_NONE;
    if (kind == AVMEDIA_TYPE_VIDEO) id = format->video_codec;
    if (kind == AVMEDIA_TYPE_AUDIO) id = format->audio_codec;
    if (kind == AVMEDIA_TYPE_SUBTITLE) id = format->subtitle_codec;
    if (id == AV_CODEC_ID_NONE || avcodec_find_encoder(id)) return id;
    static const AVCodecID kAudio[] = {AV_CODEC_ID_AAC, AV_CODEC_ID_MP3, AV_CODEC_ID_AC3, AV_CODEC_ID_MP2,
                                       AV_CODEC_ID_PCM_S16LE};
    static const AVCodecID kVideo[] = {AV_CODEC_ID_MPEG4, AV_CODEC_ID_H264, AV_CODEC_ID_H263,
                                       AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MJPEG};
    if (kind == AVMEDIA_TYPE_AUDIO || kind == AVMEDIA_TYPE_VIDEO) {
        for (AVCodecID c :
             (kind == AVMEDIA_TYPE_AUDIO ? std::vector<AVCodecID>(std::begin(kAudio), std::end(kAudio))
                                         : std::vector<AVCodecID>(std::begin(kVideo), std::end(kVideo))))
            if (avcodec_find_encoder(c) && avformat_query_codec(format, c, FF_COMPLIANCE_NORMAL) == 1)
                return c;
    }
    return AV_CODEC_ID_NONE;
}

}  // namespace engine
