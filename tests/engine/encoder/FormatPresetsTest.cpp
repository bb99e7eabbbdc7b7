// Rows of the preset settings of every output format, as the job builder writes them into TOutputOptions,
// convert on FFmpeg 5.1 and read back with the requested codecs, size, rate and channels.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>

#include "EncoderFixtures.h"
#include "core/Dispatcher.h"
#include "core/SimpleDispatcher.h"
#include "engine/FFLoad.h"
#include "engine/FFLog.h"
#include "engine/StrFormat.h"

using namespace engine;
using encfix::kBlockA;
using encfix::kBlockB;

namespace {

struct Row {
    const char* name;
    const char* ext;
    std::function<void(TOutputOptions&)> fill;
    const char* video;  // expected codec, "" for none
    int width, height;
    double fps;  // 0: not checked
    const char* audio;
    int sampleRate, channels;
};

void AV(TOutputOptions& o, const char* vc, const char* size, const char* rate, int vb, const char* ac, int ch,
        int sr, int ab) {
    o.VideoCodec = vc;
    o.FrameSize = size;
    o.FrameRate = rate;
    o.VideoBitrate = vb;
    o.AudioCodec = ac;
    o.AudioChannels = ch;
    o.AudioSampleRate = sr;
    o.AudioBitrate = ab;
}

void AudioOnly(TOutputOptions& o, const char* ac, int ch, int sr, int ab) {
    o.DisableVideo = true;
    o.AudioCodec = ac;
    o.AudioChannels = ch;
    o.AudioSampleRate = sr;
    o.AudioBitrate = ab;
}

const Row kRows[] = {
    {"AVI 7", "avi",
     [](TOutputOptions& o) {
         AV(o, "mpeg4", "320x240", "", 768000, "libmp3lame", 2, 44100, 96000);
         o.VideoTag = "XVID";
     },
     "mpeg4", 320, 240, 25, "mp3", 44100, 2},
    {"AVI 9", "avi",
     [](TOutputOptions& o) {
         AV(o, "libx264", "", "", 768000, "libmp3lame", 2, 44100, 96000);
         o.VideoPreset = "libx264-default";
     },
     "h264", 160, 120, 25, "mp3", 44100, 2},
    {"AVI 21", "avi",
     [](TOutputOptions& o) { AV(o, "mjpeg", "640x480", "", 4096000, "pcm_s16le", 2, 44100, 1411000); },
     "mjpeg", 640, 480, 25, "pcm_s16le", 44100, 2},
    {"AVI 28", "avi",
     [](TOutputOptions& o) { AV(o, "rawvideo", "", "", -1, "pcm_s16le", 2, 44100, 1411000); }, "rawvideo",
     160, 120, 25, "pcm_s16le", 44100, 2},
    {"MP4 0", "mp4",
     [](TOutputOptions& o) {
         AV(o, "libx264", "320x240", "30", 640000, "libfaac", 2, 44100, 128000);
         o.ExtOptions = kBlockA;
     },
     "h264", 320, 240, 30, "aac", 44100, 2},
    {"MP4 7", "mp4",
     [](TOutputOptions& o) {
         AV(o, "libx264", "368x208", "30000/1001", 520000, "libfaac", 2, 48000, 128000);
         o.AspectRatio = "16:9";
         o.FileFormat = "psp";
         o.ExtOptions = kBlockB;
     },
     "h264", 368, 208, 30000.0 / 1001, "aac", 48000, 2},
    {"MP4 13", "mp4",
     [](TOutputOptions& o) { AV(o, "mpeg4", "128x96", "12", 56000, "libfaac", 2, 22050, 56000); }, "mpeg4",
     128, 96, 12, "aac", 22050, 2},
    {"FLV 0", "flv",
     [](TOutputOptions& o) {
         AV(o, "libx264", "", "", 1200000, "", 2, 44100, 160000);
         o.VideoPreset = "libx264-default";
     },
     "h264", 160, 120, 25, "mp3", 44100, 2},
    {"FLV 4", "flv", [](TOutputOptions& o) { AV(o, "", "276x144", "15", 480000, "", 1, 11025, 24000); },
     "flv1", 276, 144, 15, "mp3", 11025, 1},
    {"SWF 4", "swf", [](TOutputOptions& o) { AV(o, "", "176x144", "15", 480000, "", 1, 11025, 24000); },
     "flv1", 176, 144, 15, "mp3", 11025, 1},
    {"MPEG 8", "mpg",
     [](TOutputOptions& o) {
         AV(o, "mpeg1video", "320x240", "30000/1001", 780000, "mp2", 2, 44100, 112000);
         o.VideoMaxRate = o.VideoMinRate = 780000;
         o.VideoBufSize = 357000;
     },
     "mpeg1video", 320, 240, 30000.0 / 1001, "mp2", 44100, 2},
    {"MPEG 13", "mpg",
     [](TOutputOptions& o) {
         AV(o, "", "", "25", 1150000, "mp2", 2, 44100, 224000);
         o.AspectRatio = "4:3";
         o.Target = 1;
         o.TargetNorm = 1;
     },
     "mpeg1video", 352, 288, 25, "mp2", 44100, 2},
    {"MPEG 3", "mpg",
     [](TOutputOptions& o) {
         AV(o, "", "", "25", 4000000, "mp2", 2, 48000, 224000);
         o.AspectRatio = "4:3";
         o.Target = 3;
         o.TargetNorm = 1;
     },
     "mpeg2video", 720, 576, 25, "mp2", 48000, 2},
    {"MPEG 11", "mpg",
     [](TOutputOptions& o) {
         AV(o, "", "", "25", 2376000, "mp2", 2, 44100, 224000);
         o.AspectRatio = "4:3";
         o.Target = 2;
         o.TargetNorm = 1;
     },
     "mpeg2video", 480, 576, 25, "mp2", 44100, 2},
    {"RM 4", "rm",
     [](TOutputOptions& o) {
         o.VideoCodec = "rv20";
         o.VideoBitrate = 128000;
     },
     "rv20", 160, 120, 25, "ac3", 44100, 2},
    {"WMV 4", "wmv",
     [](TOutputOptions& o) { AV(o, "wmv2", "192x144", "20", 176000, "wmav2", 2, 32000, 48000); }, "wmv2", 192,
     144, 20, "wmav2", 32000, 2},
    {"MOV 3", "mov",
     [](TOutputOptions& o) { AV(o, "mjpeg", "", "", 16384000, "libmp3lame", 2, 44100, 256000); }, "mjpeg",
     160, 120, 25, "mp3", 44100, 2},
    {"MOV 4", "mov",
     [](TOutputOptions& o) { AV(o, "h263", "352x288", "", 6144000, "libmp3lame", 2, 44100, 128000); }, "h263",
     352, 288, 25, "mp3", 44100, 2},
    {"MOV 9", "mov",
     [](TOutputOptions& o) { AV(o, "svq1", "", "", 921600, "adpcm_ima_qt", 2, 44100, 352000); }, "svq1", 160,
     120, 25, "adpcm_ima_qt", 44100, 2},
    {"3GP 0", "3gp", [](TOutputOptions& o) { AV(o, "h263", "176x144", "12", 240000, "", 1, 8000, 12200); },
     "h263", 176, 144, 12, "aac", 8000, 1},
    {"3GP 4", "3gp", [](TOutputOptions& o) { AV(o, "mpeg4", "128x96", "10", 44000, "", 1, 8000, 6700); },
     "mpeg4", 128, 96, 10, "aac", 8000, 1},
    {"iPod 3", "mp4",
     [](TOutputOptions& o) {
         AV(o, "libx264", "320x240", "15", 500000, "libfaac", 2, 44100, 128000);
         o.ExtOptions = kBlockA;
     },
     "h264", 320, 240, 15, "aac", 44100, 2},
    {"PSP 2", "mp4",
     [](TOutputOptions& o) {
         AV(o, "libx264", "368x208", "15", 500000, "libfaac", 2, 44100, 128000);
         o.FileFormat = "psp";
         o.ExtOptions = kBlockB;
     },
     "h264", 368, 208, 15, "aac", 44100, 2},
    {"BlackBerry 2", "mp4",
     [](TOutputOptions& o) {
         AV(o, "libx264", "320x240", "15", 500000, "libfaac", 2, 44100, 128000);
         o.VideoPreset = "libx264-default";
     },
     "h264", 320, 240, 15, "aac", 44100, 2},
    {"MobilePhone 3", "3gp",
     [](TOutputOptions& o) { AV(o, "mpeg4", "128x96", "10", 119000, "libfaac", 2, 22050, 64000); }, "mpeg4",
     128, 96, 10, "aac", 22050, 2},
    {"OGG 0", "ogg",
     [](TOutputOptions& o) {
         AudioOnly(o, "libvorbis", -1, 11025, -1);
         o.VideoCodec = "libtheora";
         o.ExtOptions = "aq=4.97";
     },
     "", 0, 0, 0, "vorbis", 11025, 2},
    {"WAV 4", "wav", [](TOutputOptions& o) { AudioOnly(o, "pcm_s16le", 2, 44000, -1); }, "", 0, 0, 0,
     "pcm_s16le", 44000, 2},
    {"WAV 2", "wav", [](TOutputOptions& o) { AudioOnly(o, "pcm_s24le", 2, 22050, -1); }, "", 0, 0, 0,
     "pcm_s24le", 22050, 2},
    {"MP3 0", "mp3", [](TOutputOptions& o) { AudioOnly(o, "libmp3lame", 2, 44100, 112000); }, "", 0, 0, 0,
     "mp3", 44100, 2},
    {"WMA 1", "wma", [](TOutputOptions& o) { AudioOnly(o, "wmav2", 2, 44100, 96000); }, "", 0, 0, 0, "wmav2",
     44100, 2},
    {"AAC 1", "aac", [](TOutputOptions& o) { AudioOnly(o, "libfaac", 1, 22500, 112000); }, "", 0, 0, 0, "aac",
     22050, 1},
    {"M4A 1", "m4a", [](TOutputOptions& o) { AudioOnly(o, "", 2, 44800, 256000); }, "", 0, 0, 0, "aac", 44100,
     2},
    {"FLAC 8", "flac",
     [](TOutputOptions& o) {
         AudioOnly(o, "flac", -1, -1, -1);
         o.ExtOptions = "compression_level=8";
     },
     "", 0, 0, 0, "flac", 44100, 2},
    {"MP2 0", "mp2", [](TOutputOptions& o) { AudioOnly(o, "", 1, 22050, 96000); }, "", 0, 0, 0, "mp2", 22050,
     1},
};

}  // namespace

TEST(FormatPresets, RepresentativeRowsOfEveryFormatConvert) {
    ASSERT_TRUE(LoadAVLib(""));
    for (const Row& row : kRows) {
        TOutputOptions o;
        row.fill(o);
        o.RecordingTime = 1000000;
        const std::string out = encfix::Output(std::string("row.") + row.ext);
        const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
        ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << row.name << ": " << r.ErrorMessage;
        const encfix::Facts f = encfix::Probe(out);
        ASSERT_TRUE(f.opened) << row.name;
        if (*row.video) {
            EXPECT_EQ(f.vcodec, row.video) << row.name;
            EXPECT_EQ(f.video.Width, row.width) << row.name;
            EXPECT_EQ(f.video.Height, row.height) << row.name;
            if (row.fps > 0 && f.video.FrameRateDen > 0) {
                EXPECT_NEAR(double(f.video.FrameRateNum) / f.video.FrameRateDen, row.fps, 0.01) << row.name;
            }
        } else {
            EXPECT_EQ(f.videoStreams, 0) << row.name;
        }
        EXPECT_EQ(f.acodec, row.audio) << row.name;
        EXPECT_EQ(f.audio.SampleRate, row.sampleRate) << row.name;
        EXPECT_EQ(f.audio.Channels, row.channels) << row.name;
    }
}

TEST(FormatPresets, OriginalSizeOnOddSourcesIsRoundedForTheEncoder) {
    ASSERT_TRUE(LoadAVLib(""));
    TFFLogger logger;
    logger.SetLogLevel(llInfo);
    std::mutex lock;
    std::vector<std::string> lines;
    logger.SetOnLog([&](TLogSender, TThreadID, TLogLevel, const std::string& m) {
        std::lock_guard<std::mutex> g(lock);
        lines.push_back(m);
    });
    const struct {
        const char* input;
        const char* ext;
        const char* codec;
        const char* frameSize;  // "" keeps the source's
        int width, height;
    } cases[] = {
        {"odd.mp4", "flv", "libx264", "", 320, 240},  // FLV 1 on a 321x241 source
        {"odd.mp4", "rm", "rv20", "", 320, 240},      // RM 1: multiples of 4
        {"wide.mp4", "rm", "rv20", "", 480, 268},
        {"av.mp4", "mp4", "libx264", "161x121", 160, 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.codec) + " " + c.input + " " + c.frameSize);
        TOutputOptions o;
        o.VideoCodec = c.codec;
        o.FrameSize = c.frameSize;
        const std::string out = encfix::Output(std::string("odd.") + c.ext);
        const TTerminateInfo r = encfix::Convert(encfix::Input(c.input), out, o);
        ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
        const encfix::Facts f = encfix::Probe(out);
        EXPECT_EQ(f.video.Width, c.width);
        EXPECT_EQ(f.video.Height, c.height);
        std::lock_guard<std::mutex> g(lock);
        const std::string note = FormatStr("rounded to %dx%d, which %s takes", c.width, c.height, c.codec);
        EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                               [&](const std::string& l) { return l.find(note) != std::string::npos; }),
                  lines.end())
            << note;
    }
}

namespace {

// The video buffer size a program stream's system header states (P-STD buffer size bound of the video).
int VideoBufferBound(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string ps((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at = ps.find(std::string("\0\0\1\xBB", 4)); at != std::string::npos;
         at = ps.find(std::string("\0\0\1\xBB", 4), at + 4)) {
        const size_t length = size_t(uint8_t(ps[at + 4])) << 8 | uint8_t(ps[at + 5]);
        for (size_t e = at + 12; e + 3 <= at + 6 + length && e + 3 <= ps.size(); e += 3) {
            if (uint8_t(ps[e]) != 0xE0 && uint8_t(ps[e]) != 0xB9) continue;  // stream 0, or all video
            const int scale = (uint8_t(ps[e + 1]) >> 5) & 1;
            const int size = (uint8_t(ps[e + 1]) & 0x1F) << 8 | uint8_t(ps[e + 2]);
            return size * (scale ? 1024 : 128);
        }
    }
    return -1;
}

}  // namespace

TEST(FormatPresets, DiscHeadersStateTheEncodersBufferSize) {
    ASSERT_TRUE(LoadAVLib(""));
    TFFLogger logger;
    logger.SetLogLevel(llWarning);
    std::mutex lock;
    std::vector<std::string> lines;
    logger.SetOnLog([&](TLogSender, TThreadID, TLogLevel, const std::string& m) {
        std::lock_guard<std::mutex> g(lock);
        lines.push_back(m);
    });
    const struct {
        const char* name;
        int target;  // 1 VCD, 3 DVD
        int bitrate, audioRate;
        int bufferBytes;  // the encoder's buffer plus the 6 KiB the muxer adds
    } cases[] = {
        {"MPEG 13 (VCD)", 1, 1150000, 44100, 47104},
        {"MPEG 3 (DVD)", 3, 4000000, 48000, 235520},
    };
    // a 4:2:2 source too: the discs take 4:2:0 pictures only
    for (const char* input : {"av.mp4", "yuv422.mkv"})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " from " + input);
            TOutputOptions o;
            AV(o, "", "", "25", c.bitrate, "mp2", 2, c.audioRate, 224000);
            o.AspectRatio = "4:3";
            o.Target = c.target;
            o.TargetNorm = 1;
            o.RecordingTime = 500000;
            const std::string out = encfix::Output("disc.mpg");
            const TTerminateInfo r = encfix::Convert(encfix::Input(input), out, o);
            ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
            EXPECT_EQ(VideoBufferBound(out), c.bufferBytes);
            EXPECT_EQ(encfix::StreamEntry(out, "v", "pix_fmt"), "yuv420p");
        }
    static_cast<core::SimpleDispatcher&>(core::mainDispatcher()).processPending();  // queued library lines
    std::lock_guard<std::mutex> g(lock);
    for (const std::string& l : lines)
        EXPECT_EQ(l.find("VBV buffer size not set"), std::string::npos) << l;
}
