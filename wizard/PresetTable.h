#pragma once
// The 24 output formats and their named presets: the labels the Step2 lists show and, per preset, the
// values the job builder writes into the engine's output options. Pure data; one table for both.

#include <span>

#include "app/Globals.h"

namespace wizard {

// An integer value the preset leaves to the engine (InitOutputOptions keeps -1).
constexpr int kNotSet = -1;

// What one preset writes into TOutputOptions. A null text or kNotSet leaves the field as the engine
// initialised it, so the engine decides (container default encoder, source size, rate, channels...).
struct PresetSettings {
    const char* VideoCodec = nullptr;
    const char* VideoTag = nullptr;
    const char* VideoPreset = nullptr;
    const char* FrameSize = nullptr;
    const char* FrameRate = nullptr;
    const char* AspectRatio = nullptr;
    int VideoBitrate = kNotSet;
    const char* AudioCodec = nullptr;
    int AudioChannels = kNotSet;
    int AudioSampleRate = kNotSet;
    int AudioBitrate = kNotSet;
    const char* FileFormat = nullptr;
    const char* ExtOptions = nullptr;
    int Target = kNotSet;
    int TargetNorm = kNotSet;
    int VideoMaxRate = kNotSet;
    int VideoMinRate = kNotSet;
    int VideoBufSize = kNotSet;
    // The audio bit rate is the source's own (per-file mode only; merge mode leaves it to the engine),
    // within what the row's encoder takes.
    bool AudioBitrateFromSource = false;
    int SourceAudioBitrateMin = kNotSet, SourceAudioBitrateMax = kNotSet;
    // A source with at least this many audio channels keeps this many (per-file mode only); fewer give
    // AudioChannels.
    int SourceChannelsUpTo = kNotSet;

    // Builders for the rarer fields, so table rows stay one line each.
    constexpr PresetSettings WithFileFormat(const char* f) const {
        PresetSettings s = *this;
        s.FileFormat = f;
        return s;
    }
    constexpr PresetSettings WithExtOptions(const char* o) const {
        PresetSettings s = *this;
        s.ExtOptions = o;
        return s;
    }
    constexpr PresetSettings WithTarget(int target, int norm) const {
        PresetSettings s = *this;
        s.Target = target;
        s.TargetNorm = norm;
        return s;
    }
    // Constant bit rate: max = min = rate, with the given buffer size in bits.
    constexpr PresetSettings WithConstantRate(int rate, int bufSize) const {
        PresetSettings s = *this;
        s.VideoMaxRate = rate;
        s.VideoMinRate = rate;
        s.VideoBufSize = bufSize;
        return s;
    }
    constexpr PresetSettings WithVideoCodec(const char* c) const {
        PresetSettings s = *this;
        s.VideoCodec = c;
        return s;
    }
    constexpr PresetSettings WithSourceAudioBitrate(int min, int max) const {
        PresetSettings s = *this;
        s.AudioBitrateFromSource = true;
        s.SourceAudioBitrateMin = min;
        s.SourceAudioBitrateMax = max;
        return s;
    }
    constexpr PresetSettings WithSourceChannelsUpTo(int channels) const {
        PresetSettings s = *this;
        s.SourceChannelsUpTo = channels;
        return s;
    }
};

// One entry of a format's preset list: its label, shown byte for byte, and its values.
struct Preset {
    const char* Label;
    PresetSettings Settings;
};

// One output format with its place in the Step2 choice and its preset list.
struct OutputFormat {
    app::TFormatClass Class;
    int Index;               // format index inside its class
    const char* Name;        // "AVI", "iPod", ...
    const char* Extension;   // ".avi"; all device formats give ".mp4"
    const char* EditionKey;  // edition-profile key that shows the button
    const char* PresetKey;   // settings key of the preset index
    app::TPresetSlot Slot;   // index into TGlobalVars::PresetIndex
    const char* ButtonName;  // ButtonFormatAVI
    const char* ListName;    // ImageComboBoxAVIPresets
    int DefaultPreset;       // preset index before the settings file is read
    PresetSettings Common;   // written before the row; the only values when the index is out of range
    std::span<const Preset> Presets;
};

// All 24 formats: the Video class (9), then Device (7), then Audio (8), each in format-index order.
std::span<const OutputFormat> OutputFormats();

// The formats of one class, in format-index order.
std::span<const OutputFormat> OutputFormatsOf(app::TFormatClass cls);

// The format at (class, index), or nullptr when either is outside the table.
const OutputFormat* FindOutputFormat(int cls, int index);

// The format whose preset index lives in this slot of TGlobalVars::PresetIndex.
const OutputFormat& OutputFormatOfSlot(app::TPresetSlot slot);

// The preset at index of the format, or nullptr when the index lies outside its list (-1 included).
const Preset* FindPreset(const OutputFormat& format, int presetIndex);

// The two fixed option blocks of the H.264 presets.
extern const char* const kX264BlockA;
extern const char* const kX264BlockB;
// What the x264 preset of a row asks for beyond what its device plays, taken back: Constrained Baseline
// (no CABAC, no B-frames, one reference frame, no 8x8 transform, no weighted prediction) for the
// BlackBerry rows, Main at level 3.1 within 1280x720 for the first Apple TV.
extern const char* const kX264ConstrainedBaseline;
extern const char* const kAppleTVFirstGeneration;
// The largest picture of the Archos players, for their row that keeps the source's size.
extern const char* const kArchosLargestPicture;

}  // namespace wizard
