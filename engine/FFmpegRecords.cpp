// How the fields of TInputOptions and TOutputOptions become options, and in which order.

#include <ctime>
#include <deque>

#include "engine/FFmpeg.h"
#include "engine/StrFormat.h"

namespace engine {

void InitInputOptions(TInputOptions& options) {
    options = TInputOptions();
}
void InitOutputOptions(TOutputOptions& options) {
    options = TOutputOptions();
}

namespace {

// Local date-time as days since 1899-12-30 to seconds since 1970-01-01 UTC.
int64_t DateTimeToUnix(double dt) {
    const double localSeconds = (dt - 25569.0) * 86400.0;
    const time_t asIfUtc = static_cast<time_t>(localSeconds);
    struct tm parts;
    gmtime_r(&asIfUtc, &parts);
    parts.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&parts));  // interprets the parts as local time
}

}  // namespace

void TCustomFFmpeg::AddInputWithOptions(const std::string& fileName, const TInputOptions* options) {
    if (options) {
        ParseOptionText(options->ExtOptions, true);
        if (!options->FileFormat.empty()) ParseOption("f", options->FileFormat);
        if (options->StartTime != kUnsetTime) s_.startTime = options->StartTime;
        if (options->ProgramID >= 0) ParseOption("programid", std::to_string(options->ProgramID));
    }
    if (!OpenInput(fileName)) throw FFmpegException(errorMessage_);
}

int TCustomFFmpeg::AddOutputWithOptions(const std::string& fileName, const TOutputOptions* o) {
    if (!o) {
        const int index = OpenOutput(fileName, false);
        if (index < 0) throw FFmpegException(errorMessage_);
        return index;
    }
    // Defaults: the record's codecs, presets, size and filters; the text fills only what the record leaves
    // empty.
    std::map<std::string, std::string> def;
    auto setDef = [&](const char* key, const std::string& v) {
        if (!v.empty()) def[key] = v;
    };
    setDef("acodec", o->AudioCodec);
    setDef("vcodec", o->VideoCodec);
    setDef("scodec", o->SubtitleCodec);
    setDef("apre", o->AudioPreset);
    setDef("vpre", o->VideoPreset);
    setDef("spre", o->SubtitlePreset);
    setDef("s", o->FrameSize);
    setDef("vf", o->VideoFilters);
    std::deque<OptionLine> queue;
    const std::vector<OptionLine> lines = SplitOptionText(o->ExtOptions);
    for (const OptionLine& l : lines) {
        std::string name = l.name == "vfilters" ? "vf" : l.name;
        static const char* const kDefaults[] = {"acodec", "vcodec", "scodec", "apre",
                                                "vpre",   "spre",   "s",      "vf"};
        bool isDef = false;
        for (const char* n : kDefaults)
            isDef = isDef || name == n;
        if (!isDef || l.value.empty()) continue;
        if (!def.count(name)) def[name] = l.value;
        queue.push_back({name, l.value});
    }
    auto get = [&](const char* key) {
        auto it = def.find(key);
        return it == def.end() ? std::string() : it->second;
    };

    if (o->Target >= 1 && o->Target <= 3) {
        static const char* const kKinds[] = {"vcd", "svcd", "dvd"};
        const char* norm = o->TargetNorm == 1 ? "pal" : o->TargetNorm == 2 ? "ntsc" : "auto";
        SetTarget(kKinds[o->Target - 1], norm, o->TargetFallbackNorm == 1 ? "pal" : "ntsc");
    }
    for (const char* k : {"acodec", "vcodec", "scodec"})
        if (!get(k).empty()) ParseOption(k, get(k));
    for (const char* k : {"apre", "vpre", "spre"})
        ApplyPreset(k, get(k));
    ParseOptionText(o->ExtOptions, false);

    // The fields win over the text: they come after it.
    auto fallback = [this](const char* name, long long v) {
        // Numeric fields go straight to the libraries' parameters; a refusal is not reported.
        const bool saved = RaiseOnUnknown;
        RaiseOnUnknown = false;
        try {
            if (std::string(name) == "ab")
                OptBitrate(name, std::to_string(v), AVMEDIA_TYPE_AUDIO);
            else if (std::string(name) == "vb")
                OptBitrate(name, std::to_string(v), AVMEDIA_TYPE_VIDEO);
            else
                OptDefault(name, std::to_string(v));
        } catch (const EngineError&) {
        }
        RaiseOnUnknown = saved;
    };
    if (!o->FileFormat.empty()) ParseOption("f", o->FileFormat);
    if (o->PacketSize > 0) fallback("packetsize", o->PacketSize);
    if (o->MuxRate > 0) fallback("muxrate", o->MuxRate);
    if (o->MuxDelay > 0) s_.muxMaxDelay = o->MuxDelay;
    if (o->MuxPreload > 0) s_.muxPreload = o->MuxPreload;
    if (o->DisableAudio) ParseOption("an", "");
    if (o->AudioVolume >= 0) ParseOption("vol", std::to_string(o->AudioVolume));
    if (o->AudioChannels > 0) ParseOption("ac", std::to_string(o->AudioChannels));
    if (o->AudioSampleRate > 0) ParseOption("ar", std::to_string(o->AudioSampleRate));
    if (o->AudioBitrate > 0 && o->Target == 0) fallback("ab", o->AudioBitrate);
    if (o->AudioBitrateTolerance > 0) fallback("abt", o->AudioBitrateTolerance);
    if (!o->AudioLanguage.empty()) ParseOption("alang", o->AudioLanguage);
    ParseOption("async", std::to_string(o->AudioSync));
    if (!o->AudioTag.empty()) ParseOption("atag", o->AudioTag);
    if (o->DisableVideo) ParseOption("vn", "");
    if (!o->FrameRate.empty()) ParseOption("r", o->FrameRate);
    if (!o->AspectRatio.empty()) ParseOption("aspect", o->AspectRatio);
    if (o->GOPSize > 0) fallback("g", o->GOPSize);
    if (o->VideoBitrate > 0 && o->Target == 0) fallback("vb", o->VideoBitrate);
    if (o->VideoMaxRate > 0) fallback("maxrate", o->VideoMaxRate);
    if (o->VideoMinRate > 0) fallback("minrate", o->VideoMinRate);
    if (o->VideoBitrateTolerance > 0) fallback("bt", o->VideoBitrateTolerance);
    if (o->VideoBufSize > 0) fallback("bufsize", o->VideoBufSize);
    ParseOption("vsync", std::to_string(o->VideoSync));
    if (!o->VideoTag.empty()) ParseOption("vtag", o->VideoTag);
    if (!o->VideoLanguage.empty()) ParseOption("vlang", o->VideoLanguage);
    if (o->DisableSubtitle) ParseOption("sn", "");
    if (!o->SubtitleLanguage.empty()) ParseOption("slang", o->SubtitleLanguage);
    ParseOption("isync", o->InputSync ? "1" : "0");
    if (o->CopyTS) ParseOption("copyts", "");
    if (o->StartTime != kUnsetTime) s_.startTime = o->StartTime;
    if (o->RecordingTime != kUnsetTime) s_.recordingTime = o->RecordingTime;
    if (o->Info.Timestamp == 0)
        s_.recTimestamp = time(nullptr);
    else if (o->Info.Timestamp > 0)
        s_.recTimestamp = DateTimeToUnix(o->Info.Timestamp);
    if (o->Info.Year > 0) s_.metadata.push_back({"year", std::to_string(o->Info.Year)});
    if (o->Info.Track > 0) s_.metadata.push_back({"track", std::to_string(o->Info.Track)});
    const std::pair<const char*, const std::string*> texts[] = {
        {"title", &o->Info.Title},     {"author", &o->Info.Author}, {"copyright", &o->Info.Copyright},
        {"comment", &o->Info.Comment}, {"album", &o->Info.Album},   {"genre", &o->Info.Genre}};
    for (const auto& [key, value] : texts)
        if (!value->empty()) s_.metadata.push_back({key, *value});
    if (!get("s").empty()) ParseOption("s", get("s"));
    if (!get("vf").empty()) ParseOption("vf", get("vf"));

    AudioHookOn = o->AudioHook;
    VideoInputHookOn = o->VideoInputHook;
    VideoOutputHookOn = o->VideoOutputHook;
    HookBitsPixel = o->BitsPixel;

    const int index = OpenOutput(fileName, o->Join);
    if (index < 0) throw FFmpegException(errorMessage_);

    // Further streams: their settings come from the queued lines of the text, else the defaults.
    auto takeQueued = [&](const char* name) {
        for (auto it = queue.begin(); it != queue.end(); ++it)
            if (it->name == name) {
                const std::string v = it->value;
                queue.erase(it);
                return v;
            }
        return get(name);
    };
    for (const OptionLine& l : lines) {
        std::vector<const char*> names;
        if (l.name == "newaudio") names = {"acodec", "apre"};
        if (l.name == "newvideo") names = {"vcodec", "vpre", "s", "vf"};
        if (l.name == "newsubtitle") names = {"scodec", "spre"};
        if (names.empty()) continue;
        for (const char* n : names) {
            const std::string v = takeQueued(n);
            if (v.empty()) continue;
            const std::string sn(n);
            if (sn == "apre" || sn == "vpre" || sn == "spre")
                ApplyPreset(sn, v);
            else
                ParseOption(sn, v);
        }
        ParseOption(l.name, l.value);
    }
    if (o->Join) PrepareJoin();
    return index;
}

}  // namespace engine
