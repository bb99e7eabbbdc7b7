#pragma once
// What a converted file's first video and audio streams were encoded with, read back from the file, and
// the ffmpeg tool's arguments that ask for the same: the convert benchmark gives the tool the settings the
// engine actually used, so both sides do the same work.

#include <cstdint>
#include <string>
#include <vector>

struct VideoSettings {
    bool present = false;
    std::string codec;    // libavcodec's codec name ("h264", "mpeg4")
    std::string encoder;  // the ffmpeg tool's encoder for it ("libx264" when libx264 made it)
    int width = 0, height = 0;
    std::string pixelFormat;
    int rateNum = 0, rateDen = 1;  // frame rate
    int64_t bitRate = 0;           // as the container states it, else measured over the packets
    std::string profile;           // H.264 profile in libx264's words ("main", "high"); empty otherwise
    int level = 0;                 // H.264 level_idc; 0 when unknown
    std::string codecTag;          // the container's four-character code, empty when none
    std::string x264Options;       // libx264's option text from the first picture; empty for other encoders
};

struct AudioSettings {
    bool present = false;
    std::string codec;
    std::string encoder;
    int sampleRate = 0;
    int channels = 0;
    int64_t bitRate = 0;
};

struct MediaSettings {
    VideoSettings video;
    AudioSettings audio;
};

// Reads the settings of the file's first video and first audio stream; false with the reason on failure.
bool ReadMediaSettings(const std::string& path, MediaSettings& settings, std::string& error);

// Two lines, "video: ..." and "audio: ...", for a reader.
std::string DescribeSettings(const MediaSettings& settings);

// The ffmpeg tool's output arguments for streams like these (codec, size, rate, pixel format, x264
// parameters or bit rate, audio codec, rate, channels, bit rate). What cannot be passed on is added to
// notes.
std::vector<std::string> ToolArgsMatching(const MediaSettings& settings, std::vector<std::string>& notes);

// An audio bit rate as given to an encoder: containers such as MP4 state the measured average, which lies
// a little off the rate asked for. Within 3 % of a multiple of 8 kbit/s it is that multiple, otherwise
// whole kbit/s.
int64_t NominalBitRate(int64_t measured);
