// The option language: the option table, the fall-back to the libraries' named parameters, presets and
// disc targets.

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include "core/ProgramFolder.h"
#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/FrameHook.h"
#include "engine/StrFormat.h"
#include "engine/X264Presets.h"

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

namespace engine {

void RaiseFmt(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string msg = FormatStrV(fmt, args);
    va_end(args);
    throw FFmpegException(msg);
}

namespace {

int ToInt(const std::string& v) {
    size_t used = 0;
    const int r = std::stoi(v, &used);
    if (used != v.size() && !Trim(v.substr(used)).empty())
        throw std::invalid_argument("'" + v + "' is not a valid integer value");
    return r;
}

int64_t ToInt64(const std::string& v) {
    size_t used = 0;
    const long long r = std::stoll(v, &used);
    if (used != v.size() && !Trim(v.substr(used)).empty())
        throw std::invalid_argument("'" + v + "' is not a valid integer value");
    return r;
}

double ToFloat(const std::string& v) {
    size_t used = 0;
    const double r = std::stod(v, &used);
    if (used != v.size() && !Trim(v.substr(used)).empty())
        throw std::invalid_argument("'" + v + "' is not a valid floating point value");
    return r;
}

int KindFlag(int kind) {
    switch (kind) {
        case AVMEDIA_TYPE_VIDEO:
            return AV_OPT_FLAG_VIDEO_PARAM;
        case AVMEDIA_TYPE_AUDIO:
            return AV_OPT_FLAG_AUDIO_PARAM;
        case AVMEDIA_TYPE_SUBTITLE:
            return AV_OPT_FLAG_SUBTITLE_PARAM;
        default:
            return 0;
    }
}

// The order in which the fall-back tries the media kinds.
const AVMediaType kKinds[] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA,
                              AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_ATTACHMENT};

bool PrivateClassesKnow(const std::string& name) {
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it))
        if (c->priv_class && av_opt_find(const_cast<AVClass**>(&c->priv_class), name.c_str(), nullptr, 0,
                                         AV_OPT_SEARCH_FAKE_OBJ))
            return true;
    it = nullptr;
    while (const AVOutputFormat* f = av_muxer_iterate(&it))
        if (f->priv_class && av_opt_find(const_cast<AVClass**>(&f->priv_class), name.c_str(), nullptr, 0,
                                         AV_OPT_SEARCH_FAKE_OBJ))
            return true;
    return false;
}

using Handler = void (*)(TCustomFFmpeg&, const std::string& name, const std::string& value);

}  // namespace

// The option table: one row per option name. Plain settings take their value through the setter of their
// kind (in the manner of fftools' OPT_BOOL, OPT_INT and friends); the others carry their own handler.
struct OptionTable {
    static const std::unordered_map<std::string, Handler>& Table();
    static TaskSettings& S(TCustomFFmpeg& t) { return t.s_; }

    template <bool TaskSettings::*Field>
    static void Bool(TCustomFFmpeg& t, const std::string&, const std::string& v) {
        S(t).*Field = OptionIsTrue(v);
    }
    template <int TaskSettings::*Field>
    static void Int(TCustomFFmpeg& t, const std::string&, const std::string& v) {
        S(t).*Field = ToInt(v);
    }
    template <int64_t TaskSettings::*Field>
    static void Int64(TCustomFFmpeg& t, const std::string&, const std::string& v) {
        S(t).*Field = ToInt64(v);
    }
    template <float TaskSettings::*Field>
    static void Float(TCustomFFmpeg& t, const std::string&, const std::string& v) {
        S(t).*Field = static_cast<float>(ToFloat(v));
    }
    template <std::string TaskSettings::*Field>
    static void Text(TCustomFFmpeg& t, const std::string&, const std::string& v) {
        S(t).*Field = v;
    }
    // Options the command-line tool of the presets' generation had and these libraries have no use for:
    // accepted (an integer still checked) and without effect.
    static void NoEffect(TCustomFFmpeg&, const std::string&, const std::string&) {}
    static void NoEffectInt(TCustomFFmpeg&, const std::string&, const std::string& v) { ToInt(v); }
    // A duration ("12.5", "00:01:02.5") in microseconds.
    template <int64_t TaskSettings::*Field>
    static void Duration(TCustomFFmpeg& t, const std::string& name, const std::string& v) {
        S(t).*Field = t.ParseTimeOrRaise("duration", name, v, true);
    }
};

void TCustomFFmpeg::Log(TLogLevel level, const std::string& msg) const {
    FFLogger().Log(this, level, msg);
}

void TCustomFFmpeg::LogF(TLogLevel level, const char* fmt, ...) const {
    if (!FFLogger().WillLog(level)) return;
    va_list args;
    va_start(args, fmt);
    FFLogger().LogFmtV(this, level, fmt, args);
    va_end(args);
}

int64_t TCustomFFmpeg::ParseTimeOrRaise(const std::string& context, const std::string& name,
                                        const std::string& value, bool isDuration) {
    int64_t us = 0;
    if (av_parse_time(&us, value.c_str(), isDuration) < 0)
        RaiseFmt("Invalid %s specification for %s: %s", context.c_str(), name.c_str(), value.c_str());
    return us;
}

void TCustomFFmpeg::OptBitrate(const std::string& name, const std::string& value, AVMediaType kind) {
    // "b"/"vb" and "ab" are the libraries' "b" of that kind.
    AVCodecContext* ctx = kindDefaults_[kind].get();
    if (av_opt_set(ctx, "b", value.c_str(), 0) < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
               name.c_str());
        RaiseFmt("Invalid value \"%s\" for option \"%s\"", value.c_str(), name.c_str());
    }
    params_.codec[kind].push_back({"b", value});
    if (ctx->bit_rate < 1000)
        Log(llWarning,
            "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

void TCustomFFmpeg::OptDefault(const std::string& rawName, const std::string& rawValue) {
    if (Trim(rawName).empty()) {
        if (RaiseOnUnknown) throw FFmpegException(errorMessage_);
        return;
    }
    for (const OptionLine& line : TranslateLegacyOption(rawName, rawValue, legacy_)) {
        const std::string& name = line.name;
        const std::string& value = line.value;
        bool set = false, failed = false;
        for (AVMediaType kind : kKinds) {
            const int flag = KindFlag(kind);
            if (!flag) continue;
            AVCodecContext* ctx = kindDefaults_[kind].get();
            if (!av_opt_find(ctx, name.c_str(), nullptr, flag, 0)) continue;
            if (av_opt_set(ctx, name.c_str(), value.c_str(), 0) < 0) {
                failed = true;
                break;
            }
            params_.codec[kind].push_back({name, value});
            set = true;
        }
        if (!set && !failed && av_opt_find(formatDefaults_.get(), name.c_str(), nullptr, 0, 0)) {
            if (av_opt_set(formatDefaults_.get(), name.c_str(), value.c_str(), 0) < 0)
                failed = true;
            else {
                params_.format.push_back({name, value});
                set = true;
            }
        }
        if (!set && !failed && av_opt_find(scalerDefaults_.get(), name.c_str(), nullptr, 0, 0)) {
            if (av_opt_set(scalerDefaults_.get(), name.c_str(), value.c_str(), 0) < 0)
                failed = true;
            else {
                params_.scaler.push_back({name, value});
                set = true;
            }
        }
        if (!set && !failed && name.size() > 1) {
            AVMediaType kind = AVMEDIA_TYPE_UNKNOWN;
            if (name[0] == 'a') kind = AVMEDIA_TYPE_AUDIO;
            if (name[0] == 'v') kind = AVMEDIA_TYPE_VIDEO;
            if (name[0] == 's') kind = AVMEDIA_TYPE_SUBTITLE;
            const std::string rest = name.substr(1);
            if (kind != AVMEDIA_TYPE_UNKNOWN &&
                av_opt_find(kindDefaults_[kind].get(), rest.c_str(), nullptr, KindFlag(kind), 0)) {
                if (av_opt_set(kindDefaults_[kind].get(), rest.c_str(), value.c_str(), 0) < 0)
                    failed = true;
                else {
                    params_.codec[kind].push_back({rest, value});
                    set = true;
                }
            }
        }
        std::string error;
        if (!set && !failed) {
            if (PrivateClassesKnow(name)) {
                params_.priv.push_back({name, value});
                set = true;
            } else {
                av_log(nullptr, AV_LOG_ERROR, "Unrecognized option \"%s\"\n", name.c_str());
                error = FormatStr("Unrecognized option \"%s\"", name.c_str());
            }
        }
        if (failed) {
            av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
                   name.c_str());
            error = FormatStr("Invalid value \"%s\" for option \"%s\"", value.c_str(), name.c_str());
        }
        if (!error.empty()) {
            if (RaiseOnUnknown) throw FFmpegException(error);
            continue;
        }
        if (kindDefaults_[AVMEDIA_TYPE_VIDEO]->debug || kindDefaults_[AVMEDIA_TYPE_AUDIO]->debug ||
            formatDefaults_->debug)
            FFLogger().SetLogLevel(llDebug);
    }
}

void ApplyCodecParams(AVCodecContext* ctx, const AcceptedParams& params, AVMediaType kind, bool encoding,
                      TLogSender sender) {
    const int dirFlag = encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
    if (kind >= 0 && kind < AVMEDIA_TYPE_NB)
        for (const OptionLine& p : params.codec[kind])
            if (av_opt_find(ctx, p.name.c_str(), nullptr, dirFlag, 0))
                av_opt_set(ctx, p.name.c_str(), p.value.c_str(), 0);
    if (!ctx->priv_data) return;
    for (const OptionLine& p : params.priv) {
        if (!av_opt_find(ctx->priv_data, p.name.c_str(), nullptr, 0, 0)) continue;
        if (av_opt_set(ctx->priv_data, p.name.c_str(), p.value.c_str(), 0) < 0)
            LogFmt(sender, llWarning, "Invalid value \"%s\" for option \"%s\"", p.value.c_str(),
                   p.name.c_str());
    }
}

void TCustomFFmpeg::SetCodecName(AVMediaType kind, const std::string& value) {
    const bool copy = value == "copy";
    if (kind == AVMEDIA_TYPE_VIDEO) {
        s_.videoCodecName = copy ? "" : value;
        s_.videoCopy = copy;
    } else if (kind == AVMEDIA_TYPE_AUDIO) {
        s_.audioCodecName = copy ? "" : value;
        s_.audioCopy = copy;
    } else {
        s_.subtitleCodecName = copy ? "" : value;
        s_.subtitleCopy = copy;
    }
}

void TCustomFFmpeg::OptMap(const std::string& v) {
    // file SEP stream [SEP syncfile SEP syncstream]; each separator is any single character
    StreamMap m{};
    const char* p = v.c_str();
    char* end = nullptr;
    m.file = static_cast<int>(std::strtol(p, &end, 10));
    if (*end) ++end;
    m.stream = static_cast<int>(std::strtol(end, &end, 10));
    if (*end) {
        ++end;
        m.syncFile = static_cast<int>(std::strtol(end, &end, 10));
        if (*end) ++end;
        m.syncStream = static_cast<int>(std::strtol(end, &end, 10));
    } else {
        m.syncFile = m.file;
        m.syncStream = m.stream;
    }
    streamMaps_.push_back(m);
}

void TCustomFFmpeg::OptMapMetaData(const std::string& v) {
    auto parse = [this](const char* p, char** end, MetadataMap& m) {
        m.file = static_cast<int>(std::strtol(p, end, 10));
        m.type = 'g';
        m.index = 0;
        if (**end == ',') {
            m.type = (*end)[1];
            if (m.type != 'g' && m.type != 's' && m.type != 'c' && m.type != 'p')
                RaiseFmt("Invalid metadata type %c.", m.type);
            *end += 2;
            if (**end == ':' && (*end)[1] && std::isdigit(static_cast<unsigned char>((*end)[1])) &&
                m.type != 'g') {
                m.index = static_cast<int>(std::strtol(*end + 1, end, 10));
            }
        }
        if (m.type == 'g') metadataGlobalAuto_ = false;
        if (m.type == 's') metadataStreamsAuto_ = false;
        if (m.type == 'c') metadataChaptersAuto_ = false;
    };
    MetadataMap out{}, in{};
    char* end = nullptr;
    parse(v.c_str(), &end, out);
    if (*end == ':') ++end;
    char* end2 = nullptr;
    parse(end, &end2, in);
    metaMaps_.push_back({out, in});
}

void TCustomFFmpeg::OptMapChapters(const std::string& v) {
    char* end = nullptr;
    const int out = static_cast<int>(std::strtol(v.c_str(), &end, 10));
    if (*end) ++end;
    const int in = static_cast<int>(std::strtol(end, &end, 10));
    chapterMaps_.push_back({out, in});
}

void TCustomFFmpeg::OptMatrix(const std::string& value, std::vector<uint16_t>& matrix) {
    matrix.assign(64, 0);
    const char* p = value.c_str();
    for (int i = 0; i < 64; ++i) {
        matrix[i] = static_cast<uint16_t>(std::strtol(p, nullptr, 10));
        p = std::strchr(p, ',');
        if (!p && i < 63) RaiseFmt("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i);
        if (p) ++p;
    }
}

void TCustomFFmpeg::OptTag(const std::string& value, uint32_t& tag) {
    char* end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 0);
    if (!value.empty() && *end == 0) {
        tag = static_cast<uint32_t>(n);
        return;
    }
    if (value.size() != 4) throw FFmpegException("tag parameter must be 4 chars or int value");
    tag = MKTAG(value[0], value[1], value[2], value[3]);
}

void TCustomFFmpeg::OptStreamId(const std::string& name, const std::string& value) {
    const size_t colon = value.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= value.size())
        RaiseFmt("Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"", value.c_str(),
                 name.c_str());
    s_.streamIds[ToInt(value.substr(0, colon))] = ToInt(value.substr(colon + 1));
}

void TCustomFFmpeg::OptVhook(const std::string& value) {
    std::vector<std::string> words;
    const char sep = value.find('|') != std::string::npos ? '|' : ' ';
    std::string cur;
    for (char c : value + sep) {
        if (c == sep) {
            if (!cur.empty() && words.size() < 253) words.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    std::string err;
    std::shared_ptr<FrameHookModule> mod = words.empty() ? nullptr : FrameHookModule::Load(words, err);
    if (!mod) {
        if (!err.empty()) av_log(nullptr, AV_LOG_ERROR, "%s\n", err.c_str());
        throw FFmpegException("Failed to add video hook function: " + value);
    }
    hooks_.push_back(mod);
}

const std::unordered_map<std::string, Handler>& OptionTable::Table() {
    static const std::unordered_map<std::string, Handler> table = {
        {"loglevel",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             FFLogger().SetLogLevelByName(v);
         }},
        {"v", Int<&TaskSettings::verbose>},
        {"timelimit",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             t.Log(llWarning, "Warning: -timelimit not implemented on Windows");
         }},
        {"threads",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             S(t).threads = ToInt(v);
             if (S(t).verbose >= 0)
                 t.Log(llVerbose,
                       "Warning: if the ffmpeg libraries were not compiled with thread support, it would be using "
                       "thread emulation.");
         }},
        {"target",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             std::string norm = "auto", kind = v;
             for (const char* prefix : {"pal-", "ntsc-", "film-"})
                 if (v.rfind(prefix, 0) == 0) {
                     norm = std::string(prefix, std::strlen(prefix) - 1);
                     kind = v.substr(std::strlen(prefix));
                 }
             t.SetTarget(kind, norm, "ntsc");
         }},
        {"dump", Bool<&TaskSettings::doDump>},
        {"hex", Bool<&TaskSettings::doHex>},
        {"re", Bool<&TaskSettings::rateEmu>},
        {"loop_input", Bool<&TaskSettings::loopInput>},
        {"loop_output", Int<&TaskSettings::loopOutput>},
        {"xerror", Bool<&TaskSettings::exitOnError>},
        {"fs", Int64<&TaskSettings::limitFilesize>},
        {"f", Text<&TaskSettings::forcedFormat>},
        {"ss", Duration<&TaskSettings::startTime>},
        {"t", Duration<&TaskSettings::recordingTime>},
        {"itsoffset", Duration<&TaskSettings::inputTsOffset>},
        {"itsscale",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const size_t colon = v.find(':');
             const int idx = ToInt(v.substr(0, colon));
             if (idx >= kMaxStreams) RaiseFmt("stream index over MAX_STREAMS(%d)", kMaxStreams);
             if (idx >= 0 && colon != std::string::npos) S(t).tsScale[idx] = ToFloat(v.substr(colon + 1));
         }},
        {"timestamp",
         [](TCustomFFmpeg& t, const std::string& name, const std::string& v) {
             S(t).recTimestamp = t.ParseTimeOrRaise("date", name, v, false) / 1000000;
         }},
        {"metadata",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const size_t eq = v.find('=');
             if (eq == std::string::npos) throw FFmpegException("Missing =");
             if (eq == 0) throw FFmpegException("wrong parameter of metadata");
             S(t).metadata.push_back({v.substr(0, eq), v.substr(eq + 1)});
         }},
        {"programid", Int<&TaskSettings::programId>},
        {"vsync", Int<&TaskSettings::videoSync>},
        {"async", Int<&TaskSettings::audioSync>},
        {"adrift_threshold", Float<&TaskSettings::audioDriftThreshold>},
        {"dts_delta_threshold", Float<&TaskSettings::dtsDeltaThreshold>},
        {"vglobal", Int<&TaskSettings::vglobal>},
        {"copyts", Bool<&TaskSettings::copyTs>},
        {"copytb", NoEffect},
        {"shortest", Bool<&TaskSettings::shortest>},
        {"copyinkf",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             S(t).copyInitialNonkeyframes = v.empty() ? 1 : ToInt(v);
         }},
        {"isync", Bool<&TaskSettings::inputSync>},
        {"muxdelay", Float<&TaskSettings::muxMaxDelay>},
        {"muxpreload", Float<&TaskSettings::muxPreload>},
        {"map",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptMap(v);
         }},
        {"map_meta_data",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptMapMetaData(v);
         }},
        {"map_chapters",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptMapChapters(v);
         }},
        // video
        {"b",
         [](TCustomFFmpeg& t, const std::string& name, const std::string& v) {
             t.OptBitrate(name, v, AVMEDIA_TYPE_VIDEO);
         }},
        {"vb",
         [](TCustomFFmpeg& t, const std::string& name, const std::string& v) {
             t.OptBitrate(name, v, AVMEDIA_TYPE_VIDEO);
         }},
        {"vframes",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             S(t).maxFrames[0] = ToInt(v);
         }},
        {"r",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             AVRational r;
             if (av_parse_video_rate(&r, v.c_str()) < 0) throw FFmpegException("Incorrect frame rate");
             S(t).frameRate = r;
         }},
        {"s",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             int w = 0, h = 0;
             if (av_parse_video_size(&w, &h, v.c_str()) < 0) throw FFmpegException("Incorrect frame size");
             S(t).frameWidth = w;
             S(t).frameHeight = h;
         }},
        {"aspect",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             double ar = 0;
             const size_t colon = v.find(':');
             if (colon != std::string::npos) {
                 const int x = ToInt(v.substr(0, colon));
                 const int y = ToInt(v.substr(colon + 1));
                 if (x > 0 && y > 0) ar = static_cast<double>(x) / y;
             } else {
                 ar = ToFloat(v);
             }
             if (ar == 0) throw FFmpegException("Incorrect aspect ratio specification.");
             S(t).frameAspect = ar;
             S(t).aspectChosen = true;
         }},
        {"pix_fmt",
         [](TCustomFFmpeg& t, const std::string& name, const std::string& v) {
             if (v == "list") {
                 const AVPixFmtDescriptor* d = nullptr;
                 std::string list;
                 while ((d = av_pix_fmt_desc_next(d)))
                     list += std::string(d->name) + "\n";
                 t.Log(llInfo, list);
                 return;
             }
             const AVPixelFormat f = av_get_pix_fmt(v.c_str());
             if (f == AV_PIX_FMT_NONE) RaiseFmt("Unknown pixel format requested: %s", v.c_str());
             S(t).pixFmt = f;
             S(t).pixFmtChosen = true;
         }},
        {"croptop",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the crop filter instead");
         }},
        {"cropbottom",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the crop filter instead");
         }},
        {"cropleft",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the crop filter instead");
         }},
        {"cropright",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the crop filter instead");
         }},
        {"padtop",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the pad filter instead");
         }},
        {"padbottom",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the pad filter instead");
         }},
        {"padleft",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the pad filter instead");
         }},
        {"padright",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the pad filter instead");
         }},
        {"padcolor",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             throw FFmpegException("Removed, use the pad filter instead");
         }},
        {"intra", Bool<&TaskSettings::intraOnly>},
        {"vn", Bool<&TaskSettings::videoDisable>},
        {"vdt", Int<&TaskSettings::videoDiscard>},
        {"qscale",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const double q = ToFloat(v);
             if (!(q > 0 && q <= 255)) throw FFmpegException("qscale must be > 0.0 and <= 255");
             S(t).videoQScale = static_cast<float>(q);
         }},
        {"rc_override", Text<&TaskSettings::rcOverride>},
        {"vcodec",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.SetCodecName(AVMEDIA_TYPE_VIDEO, v);
         }},
        {"me_threshold", NoEffectInt},
        {"sameq", Bool<&TaskSettings::sameQuality>},
        {"pass",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const int p = ToInt(v);
             if (p != 1 && p != 2) throw FFmpegException("pass number can be only 1 or 2");
             S(t).doPass = p;
         }},
        {"passlogfile", Text<&TaskSettings::passLogFile>},
        {"deinterlace", Bool<&TaskSettings::deinterlace>},
        {"psnr", Bool<&TaskSettings::psnr>},
        {"vstats",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             time_t now = time(nullptr);
             struct tm tmv;
             localtime_r(&now, &tmv);
             S(t).vstatsFilename = FormatStr("%svstats_%02d%02d%02d.log", core::ProgramFolder().c_str(), tmv.tm_hour,
                                          tmv.tm_min, tmv.tm_sec);
         }},
        {"vstats_file", Text<&TaskSettings::vstatsFilename>},
        {"vhook",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptVhook(v);
         }},
        {"vfilters", Text<&TaskSettings::vfilters>},
        {"vf", Text<&TaskSettings::vfilters>},
        {"intra_matrix",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptMatrix(v, S(t).intraMatrix);
         }},
        {"inter_matrix",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptMatrix(v, S(t).interMatrix);
         }},
        {"top", Int<&TaskSettings::topField>},
        {"dc", Int<&TaskSettings::intraDcPrecision>},
        {"vtag",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptTag(v, S(t).videoTag);
         }},
        {"atag",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptTag(v, S(t).audioTag);
         }},
        {"stag",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.OptTag(v, S(t).subtitleTag);
         }},
        {"newvideo",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             if (t.OutputCount() == 0) throw FFmpegException("At least one output file must be specified");
             t.NewVideoStream(t.OutputCount() - 1);
         }},
        {"newaudio",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             if (t.OutputCount() == 0) throw FFmpegException("At least one output file must be specified");
             t.NewAudioStream(t.OutputCount() - 1);
         }},
        {"newsubtitle",
         [](TCustomFFmpeg& t, const std::string&, const std::string&) {
             if (t.OutputCount() == 0) throw FFmpegException("At least one output file must be specified");
             t.NewSubtitleStream(t.OutputCount() - 1);
         }},
        {"vlang", Text<&TaskSettings::videoLang>},
        {"alang", Text<&TaskSettings::audioLang>},
        {"slang", Text<&TaskSettings::subtitleLang>},
        {"qphist", NoEffect},
        {"force_fps", Bool<&TaskSettings::forceFps>},
        {"streamid",
         [](TCustomFFmpeg& t, const std::string& name, const std::string& v) {
             t.OptStreamId(name, v);
         }},
        {"force_key_frames", Text<&TaskSettings::forcedKeyFrames>},
        {"vc", Int<&TaskSettings::videoChannel>},
        {"tvstd", Text<&TaskSettings::tvStandard>},
        // audio and subtitles
        {"ab",
         [](TCustomFFmpeg& t, const std::string& name, const std::string& v) {
             t.OptBitrate(name, v, AVMEDIA_TYPE_AUDIO);
         }},
        {"aframes",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             S(t).maxFrames[1] = ToInt(v);
         }},
        {"aq", Float<&TaskSettings::audioQScale>},
        {"ar",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const int r = ToInt(v);
             if (r > 0) S(t).sampleRate = r;
         }},
        {"ac",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const int c = ToInt(v);
             if (c > 0) {
                 S(t).channels = c;
                 S(t).channelLayout = 0;
             }
         }},
        {"an", Bool<&TaskSettings::audioDisable>},
        {"sn", Bool<&TaskSettings::subtitleDisable>},
        {"acodec",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.SetCodecName(AVMEDIA_TYPE_AUDIO, v);
         }},
        {"scodec",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.SetCodecName(AVMEDIA_TYPE_SUBTITLE, v);
         }},
        {"vol", Int<&TaskSettings::volume>},
        {"sample_fmt",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             if (v == "list") {
                 std::string list;
                 for (int f = 0; f < AV_SAMPLE_FMT_NB; ++f)
                     list += std::string(av_get_sample_fmt_name(AVSampleFormat(f))) + "\n";
                 t.Log(llInfo, list);
                 return;
             }
             const AVSampleFormat f = av_get_sample_fmt(v.c_str());
             if (f == AV_SAMPLE_FMT_NONE) RaiseFmt("Invalid sample format \"%s\"", v.c_str());
             S(t).sampleFmt = f;
         }},
        {"absf",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const std::string n = v.substr(0, v.find('='));
             if (!av_bsf_get_by_name(n.c_str())) RaiseFmt("Unknown bitstream filter %s", n.c_str());
             S(t).absf.push_back(v);
         }},
        {"vbsf",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const std::string n = v.substr(0, v.find('='));
             if (!av_bsf_get_by_name(n.c_str())) RaiseFmt("Unknown bitstream filter %s", n.c_str());
             S(t).vbsf.push_back(v);
         }},
        {"sbsf",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             const std::string n = v.substr(0, v.find('='));
             if (!av_bsf_get_by_name(n.c_str())) RaiseFmt("Unknown bitstream filter %s", n.c_str());
             S(t).sbsf.push_back(v);
         }},
        {"apre",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.ApplyPreset("apre", v);
         }},
        {"vpre",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.ApplyPreset("vpre", v);
         }},
        {"spre",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.ApplyPreset("spre", v);
         }},
        {"fpre",
         [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
             t.ApplyPreset("fpre", v);
         }},
    };
    return table;
}

void TCustomFFmpeg::ParseOption(const std::string& name, const std::string& value) {
    static const char* const kNothing[] = {"L",         "h",       "version", "formats", "codecs",   "bsfs",
                                           "protocols", "filters", "i",       "y",       "benchmark"};
    for (const char* n : kNothing)
        if (name == n) {
            Log(llInfo, "Do nothing: option - " + name);
            return;
        }
    const auto& table = OptionTable::Table();
    auto it = table.find(name);
    if (it == table.end()) {
        OptDefault(name, value);
        return;
    }
    try {
        it->second(*this, name, value);
    } catch (const std::invalid_argument& e) {
        throw FFmpegException(e.what());
    } catch (const std::out_of_range&) {
        throw FFmpegException("'" + value + "' is not a valid value");
    }
}

void TCustomFFmpeg::ParseOptionText(const std::string& text, bool isInput) {
    static const char* const kSkipInput[] = {"newvideo", "newaudio", "newsubtitle", "apre",
                                             "vpre",     "spre",     "vfilters",    "vf"};
    static const char* const kSkipOutput[] = {"newvideo", "newaudio", "newsubtitle", "apre",
                                              "vpre",     "spre",     "vfilters",    "vf",
                                              "acodec",   "vcodec",   "scodec",      "s"};
    for (const OptionLine& line : SplitOptionText(text)) {
        bool skip = false;
        if (isInput) {
            for (const char* n : kSkipInput)
                skip = skip || line.name == n;
        } else {
            for (const char* n : kSkipOutput)
                skip = skip || line.name == n;
        }
        if (!skip) ParseOption(line.name, line.value);
    }
}

void TCustomFFmpeg::ApplyPreset(const std::string& kind, const std::string& name) {
    if (name.empty()) return;
    std::string display = name;
    std::string text;
    bool found = false;
    if (kind != "fpre") {
        const TOptionsPreset* p = FindBuiltinPreset(name);
        if (!p) {
            const std::string& codec = kind == "apre"   ? s_.audioCodecName
                                       : kind == "vpre" ? s_.videoCodecName
                                                        : s_.subtitleCodecName;
            if (!codec.empty()) {
                p = FindBuiltinPreset(codec + "-" + name);
                if (p) display = codec + "-" + name;
            }
        }
        if (p) {
            text = p->Text;
            found = true;
        }
    }
    if (!found) {
        struct stat sb;
        if (stat(name.c_str(), &sb) != 0 || S_ISDIR(sb.st_mode))
            RaiseFmt("Preset \"%s\" not found", name.c_str());
        std::ifstream in(name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        text = ss.str();
        display = name;
    }
    const std::string norm = NormalizeOptionText(text);
    std::istringstream lines(norm);
    std::string raw;
    while (std::getline(lines, raw)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        const size_t eq = line.find('=');
        const std::string key = eq == std::string::npos ? line : Trim(line.substr(0, eq));
        const std::string value = eq == std::string::npos ? "" : Trim(line.substr(eq + 1));
        if (key.empty() || value.empty())
            RaiseFmt("%s: Invalid syntax: \"%s\"", display.c_str(), line.c_str());
        const std::string lkey = ToLower(key);
        if (lkey == "acodec") {
            SetCodecName(AVMEDIA_TYPE_AUDIO, value);
        } else if (lkey == "vcodec") {
            SetCodecName(AVMEDIA_TYPE_VIDEO, value);
        } else if (lkey == "scodec") {
            SetCodecName(AVMEDIA_TYPE_SUBTITLE, value);
        } else {
            try {
                OptDefault(key, value);
            } catch (const FFmpegException& e) {
                RaiseFmt("%s\r\n%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"", e.what(),
                         display.c_str(), line.c_str(), key.c_str(), value.c_str());
            }
        }
    }
}

void TCustomFFmpeg::SetTarget(const std::string& kind, const std::string& norm,
                              const std::string& fallbackNorm) {
    enum { PAL, NTSC, FILM } n = PAL;
    if (norm == "pal") {
        n = PAL;
    } else if (norm == "ntsc") {
        n = NTSC;
    } else if (norm == "film") {
        n = FILM;
    } else {
        if (s_.frameRate.den == 0) throw FFmpegException("frame_rate is invalid.");
        bool decided = false;
        auto decide = [&](long fr) {
            if (fr == 25000) {
                n = PAL;
                decided = true;
            } else if (fr == 29970 || fr == 23976) {
                n = NTSC;
                decided = true;
            }
        };
        decide(std::lround(av_q2d(s_.frameRate) * 1000));
        for (size_t i = 0; !decided && i < inputs_.size(); ++i) {
            AVFormatContext* ic = inputs_[i]->ctx.get();
            for (unsigned j = 0; !decided && j < ic->nb_streams; ++j) {
                AVStream* st = ic->streams[j];
                if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || st->r_frame_rate.den == 0) continue;
                decide(std::lround(st->r_frame_rate.num * 1000.0 / st->r_frame_rate.den));
            }
        }
        if (!decided) n = fallbackNorm == "film" ? FILM : fallbackNorm == "ntsc" ? NTSC : PAL;
        if (s_.verbose > 0) LogF(llVerbose, "Assuming %s for target.", n == PAL ? "PAL" : "NTSC");
    }
    const char* rate = n == PAL ? "25" : n == NTSC ? "30000/1001" : "24000/1001";
    const bool pal = n == PAL;
    auto aspectDefault = [this](const char* ar, const char* text) {
        if (s_.frameAspect == 0) {
            ParseOption("aspect", ar);
            Log(llInfo, text);
        }
    };
    if (kind == "vcd") {
        SetCodecName(AVMEDIA_TYPE_VIDEO, "mpeg1video");
        SetCodecName(AVMEDIA_TYPE_AUDIO, "mp2");
        ParseOption("f", "vcd");
        ParseOption("s", pal ? "352x288" : "352x240");
        ParseOption("r", rate);
        OptDefault("g", pal ? "15" : "18");
        OptBitrate("b", "1150000", AVMEDIA_TYPE_VIDEO);
        OptDefault("maxrate", "1150000");
        OptDefault("minrate", "1150000");
        OptDefault("bufsize", "327680");
        OptBitrate("ab", "224000", AVMEDIA_TYPE_AUDIO);
        s_.sampleRate = 44100;
        s_.channels = 2;
        s_.channelLayout = 0;
        OptDefault("packetsize", "2324");
        OptDefault("muxrate", "1411200");
        s_.muxPreload = 0.44f;
        aspectDefault("4:3", "Assuming 4:3 for aspect ratio");
    } else if (kind == "svcd") {
        SetCodecName(AVMEDIA_TYPE_VIDEO, "mpeg2video");
        SetCodecName(AVMEDIA_TYPE_AUDIO, "mp2");
        ParseOption("f", "svcd");
        ParseOption("s", pal ? "480x576" : "480x480");
        ParseOption("r", rate);
        OptDefault("g", pal ? "15" : "18");
        OptBitrate("b", "2040000", AVMEDIA_TYPE_VIDEO);
        OptDefault("maxrate", "2516000");
        OptDefault("minrate", "0");
        OptDefault("bufsize", "1835008");
        OptDefault("flags", "+scan_offset");
        ParseOption("pix_fmt", "yuv420p");  // the disc takes 4:2:0 pictures only, whatever the source
        OptBitrate("ab", "224000", AVMEDIA_TYPE_AUDIO);
        s_.sampleRate = 44100;
        OptDefault("packetsize", "2324");
        if (s_.channels == 1) s_.channels = 2, s_.channelLayout = 0;
        aspectDefault("4:3", "Assuming 4:3 for aspect ratio");
    } else if (kind == "dvd") {
        SetCodecName(AVMEDIA_TYPE_VIDEO, "mpeg2video");
        SetCodecName(AVMEDIA_TYPE_AUDIO, "ac3");
        ParseOption("f", "dvd");
        ParseOption("s", pal ? "720x576" : "720x480");
        ParseOption("r", rate);
        ParseOption("pix_fmt", "yuv420p");  // the disc takes 4:2:0 pictures only, whatever the source
        OptDefault("g", pal ? "15" : "18");
        OptBitrate("b", "6000000", AVMEDIA_TYPE_VIDEO);
        OptDefault("maxrate", "9000000");
        OptDefault("minrate", "0");
        OptDefault("bufsize", "1835008");
        OptDefault("packetsize", "2048");
        OptDefault("muxrate", "10080000");
        OptBitrate("ab", "448000", AVMEDIA_TYPE_AUDIO);
        s_.sampleRate = 48000;
        if (s_.channels == 1) s_.channels = 2, s_.channelLayout = 0;
        aspectDefault("16:9", "Assuming 16:9 for aspect ratio");
    } else if (kind == "dv" || kind == "dv50") {
        ParseOption("f", "dv");
        ParseOption("s", pal ? "720x576" : "720x480");
        ParseOption("r", rate);
        ParseOption("pix_fmt", kind == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
        s_.sampleRate = 48000;
        s_.channels = 2;
        s_.channelLayout = 0;
    } else {
        throw FFmpegException("Unknown target type");
    }
}

}  // namespace engine
