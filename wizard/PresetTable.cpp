#include "wizard/PresetTable.h"

#include <array>
#include <cassert>

namespace wizard {

// Option lines of the H.264 presets: name=value, each ended by CR LF; block B has no line end after its
// last line.
// clang-format off
const char* const kX264BlockA =
    "flags=+loop\r\n"
    "cmp=+chroma\r\n"
    "deblockalpha=0\r\n"
    "deblockbeta=0\r\n"
    "crf=24\r\n"
    "refs=1\r\n"
    "coder=0\r\n"
    "me_range=16\r\n"
    "subq=5\r\n"
    "partitions=+parti4x4+parti8x8+partp8x8\r\n"
    "g=250\r\n"
    "keyint_min=25\r\n"
    "level=30\r\n"
    "qmin=10\r\n"
    "qmax=51\r\n"
    "trellis=2\r\n"
    "sc_threshold=40\r\n"
    "i_qfactor=0.71\r\n";
const char* const kX264BlockB =
    "flags=+loop\r\n"
    "cmp=+chroma\r\n"
    "partitions=+parti4x4+partp8x8+partb8x8\r\n"
    "me_method=umh\r\n"
    "subq=5\r\n"
    "trellis=1\r\n"
    "refs=2\r\n"
    "bf=1\r\n"
    "coder=1\r\n"
    "me_range=16\r\n"
    "g=300\r\n"
    "keyint_min=25\r\n"
    "sc_threshold=40\r\n"
    "i_qfactor=0.71\r\n"
    "bt=64k\r\n"
    "maxrate=4M\r\n"
    "bufsize=4M\r\n"
    "rc_eq='blurCplx^(1-qComp)'\r\n"
    "qcomp=0.6\r\n"
    "qmin=10\r\n"
    "qmax=51\r\n"
    "qdiff=4\r\n"
    "level=21";
const char* const kX264ConstrainedBaseline =
    "coder=0\r\n"
    "bf=0\r\n"
    "refs=1\r\n"
    "flags2=-wpred-dct8x8\r\n"
    "wpredp=0\r\n";
const char* const kAppleTVFirstGeneration =
    "flags2=-dct8x8\r\n"
    "level=31\r\n"
    "vf=scale=w='min(iw,1280)':h='min(ih,720)':force_original_aspect_ratio=decrease:force_divisible_by=2\r\n";
const char* const kArchosLargestPicture =
    "vf=scale=w='min(iw,480)':h='min(ih,272)':force_original_aspect_ratio=decrease:force_divisible_by=2\r\n";
// clang-format on

namespace {

constexpr const char* _ = nullptr;
constexpr int N = kNotSet;

// FFmpeg has no lossless WMA encoder; the row's WMA 2 keeps the source's rate within what that encoder
// takes (it refuses less than 24 kb/s) and the 320 kb/s at which WMA 2 stereo tops out.
constexpr int kWma2LowestBitrate = 24000, kWma2HighestStereoBitrate = 320000;

// A row of a video or device format, in table column order.
constexpr PresetSettings V(const char* videoCodec, const char* videoTag, const char* videoPreset,
                           const char* frameSize, const char* frameRate, const char* aspectRatio,
                           int videoBitrate, const char* audioCodec, int audioChannels, int audioSampleRate,
                           int audioBitrate) {
    PresetSettings s;
    s.VideoCodec = videoCodec;
    s.VideoTag = videoTag;
    s.VideoPreset = videoPreset;
    s.FrameSize = frameSize;
    s.FrameRate = frameRate;
    s.AspectRatio = aspectRatio;
    s.VideoBitrate = videoBitrate;
    s.AudioCodec = audioCodec;
    s.AudioChannels = audioChannels;
    s.AudioSampleRate = audioSampleRate;
    s.AudioBitrate = audioBitrate;
    return s;
}

// A row of an audio format.
constexpr PresetSettings A(const char* audioCodec, int audioChannels, int audioSampleRate, int audioBitrate) {
    return V(_, _, _, _, _, _, N, audioCodec, audioChannels, audioSampleRate, audioBitrate);
}

// Columns of V: VideoCodec, VideoTag, VideoPreset, FrameSize, FrameRate, AspectRatio, VideoBitrate,
//               AudioCodec, AudioChannels, AudioSampleRate, AudioBitrate.
// Columns of A: AudioCodec, AudioChannels, AudioSampleRate, AudioBitrate.
// clang-format off

const Preset kAVIPresets[] = {
    {"HD Video 720p: MPEG4 (DivX, XviD), 4500 kbps; Audio: MP3, 192 kbps", V("mpeg4", "XVID", _, "1280x720", _, "16:9", 4500000, "libmp3lame", 2, 44100, 192000)},
    {"HD Video 1080p: H.264/AVC, 4200 kbps; Audio: MP3, 256 kbps", V("libx264", _, "libx264-default", "1920x1080", _, "16:9", 4200000, "libmp3lame", 2, 44100, 256000)},
    {"Video: MPEG4 (DivX, XviD), 2500 kbps, Original; Audio: MP3, 256 kbps", V("mpeg4", "XVID", _, _, _, _, 2500000, "libmp3lame", 2, 44100, 256000)},
    {"Video: MPEG4 (DivX, XviD), 1500 kbps, Original; Audio: MP3, 192 kbps", V("mpeg4", "XVID", _, _, _, _, 1500000, "libmp3lame", 2, 44100, 192000)},
    {"Video: MPEG4 (DivX, XviD), 768 kbps, Original; Audio: MP3, 96 kbps", V("mpeg4", "XVID", _, _, _, _, 768000, "libmp3lame", 2, 44100, 96000)},
    {"Video: MPEG4 (DivX, XviD), 2500 kbps, 720x540; Audio: MP3, 256 kbps", V("mpeg4", "XVID", _, "720x540", _, _, 2500000, "libmp3lame", 2, 44100, 256000)},
    {"Video: MPEG4 (DivX, XviD), 1500 kbps, 512x384; Audio: MP3, 192 kbps", V("mpeg4", "XVID", _, "512x384", _, _, 1500000, "libmp3lame", 2, 44100, 192000)},
    {"Video: MPEG4 (DivX, XviD), 768 kbps, 320x240; Audio: MP3, 96 kbps", V("mpeg4", "XVID", _, "320x240", _, _, 768000, "libmp3lame", 2, 44100, 96000)},
    {"Video: H.264/AVC, 1200 kbps; Audio: MP3, 192 kbps", V("libx264", _, "libx264-default", _, _, _, 1200000, "libmp3lame", 2, 44100, 192000)},
    {"Video: H.264/AVC, 768 kbps; Audio: MP3, 96 kbps", V("libx264", _, "libx264-default", _, _, _, 768000, "libmp3lame", 2, 44100, 96000)},
    {"BlackBerry 81xx - (MPEG4, 560 kbps, 320x240)", V("mpeg4", "FMP4", _, "320x240", _, _, 460000, "libmp3lame", 2, 44100, 96000)},
    {"BlackBerry 8xxx - (MPEG4, 420 kbps, 240x180)", V("mpeg4", "FMP4", _, "240x180", _, _, 324000, "libmp3lame", 2, 44100, 96000)},
    {"Archos AV500/700; 4-series (704,604,504,404) - (MPEG4, 1800 kbps, Original)", V("mpeg4", "XVID", _, _, _, _, 1600000, "libmp3lame", 2, 44100, 192000).WithExtOptions(kArchosLargestPicture)},
    {"Archos AV500/700; 4-series (704,604,504,404) - (MPEG4, 900 kbps, 480x272)", V("mpeg4", "XVID", _, "480x272", _, _, 760000, "libmp3lame", 2, 44100, 128000)},
    {"Creative Zen Vision W - (MPEG4, 1800 kbps, 720x480)", V("mpeg4", "XVID", _, "720x480", _, _, 1400000, "libmp3lame", 2, 44100, 192000)},
    {"Creative Zen Vision - (MPEG4, 1200 kbps, 640x480)", V("mpeg4", "XVID", _, "640x480", _, _, 1000000, "libmp3lame", 2, 44100, 192000)},
    {"Creative Zen Vision M - (MPEG4, 720 kbps, 320x240)", V("mpeg4", "XVID", _, "320x240", _, _, 600000, "libmp3lame", 2, 44100, 128000)},
    {"Epson P3000/P4500/P5000 - (MPEG4, 2 mbps, 720x480, 30 fps)", V("mpeg4", "XVID", _, "720x480", "30", _, 1200000, "libmp3lame", 2, 44100, 705000)},
    {"iRiver U20(Clix) - (MPEG4, 320 kbps, 320x240, 15 fps)", V("mpeg4", "XVID", _, "320x240", "15", _, 224000, "libmp3lame", 2, 44100, 96000)},
    {"iRiver U10 Clix - (MPEG4, 560 kbps, 320x240, 15 fps)", V("mpeg4", "XVID", _, "320x240", "15", _, 460000, "libmp3lame", 2, 44100, 96000)},
    {"iAudio X5 - Optimized for hardware - (MPEG4, 600 kbps, 160x120, 15 fps)", V("mpeg4", "XVID", _, "160x120", "15", _, 480000, "libmp3lame", 2, 44100, 128000)},
    {"Nindendo Wii Clip", V("mjpeg", _, _, "640x480", _, _, 4096000, "pcm_s16le", 2, 44100, 1411000)},
    {"SanDisk Sansa View - Hight Quality - (MPEG4, 640x480; MP3, 128kbps)", V("mpeg4", "XVID", _, "640x480", "25", _, 1500000, "libmp3lame", 2, 44100, 128000)},
    {"SanDisk Sansa View - Normal Quality - (MPEG4, 320x240; MP3, 96kbps)", V("mpeg4", "XVID", _, "320x240", "30", _, 768000, "libmp3lame", 2, 44100, 96000)},
    {"Video for Google Video", V("mpeg4", "XVID", _, "640x480", "30", _, 2000000, "libmp3lame", 2, 44100, 128000)},
    {"Video for YouTube", V("mpeg4", "XVID", _, "320x240", _, _, 2700000, "libmp3lame", 2, 44100, 128000)},
    {"Video for Myspace", V("mpeg4", "XVID", _, "320x240", "25", _, 1000000, "libmp3lame", 2, 44100, 128000)},
    {"Video: DivX; Audio: MP3, 192 kbps", V("mpeg4", "DIVX", _, _, _, _, 1200000, "libmp3lame", 2, 44100, 192000)},
    {"Video: Uncompressed, Original; Audio: PCM", V("rawvideo", _, _, _, _, _, N, "pcm_s16le", 2, 44100, 1411000)},
};

const Preset kMP4Presets[] = {
    {"Apple iPod - (H.264, 320x240)", V("libx264", _, _, "320x240", "30", _, 640000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"Apple iPod - (H.264, 640x480)", V("libx264", _, _, "640x480", "30", _, 640000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"Apple iPod - (MPEG4, 320x240)", V("mpeg4", _, _, "320x240", "30", _, 600000, "libfaac", 2, 44100, 128000)},
    {"Apple iPhone/iTouch - (H.264,640x420)", V("libx264", _, _, "640x420", "30", _, 640000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"Microsoft XBox360 - Normal HD Quality 480p - (H.264, 29.97 fps, 848x480)", V("libx264", _, "libx264-default", "848x480", "30000/1001", "16:9", 2600000, "libfaac", 2, 48000, 256000)},
    {"Sony PS3 - Normal HD Quality 480p - (H.264, 29.97 fps, 848x480)", V("libx264", _, _, "848x480", "30000/1001", "16:9", 2600000, "libfaac", 2, 48000, 256000).WithFileFormat("psp").WithExtOptions(kX264BlockB)},
    {"Sony PS3 - Normal HD Quality 480p, Surround - (H.264, 29.97 fps, 848x480)", V("libx264", _, _, "848x480", "30000/1001", "16:9", 2600000, "libfaac", 2, 48000, 768000).WithSourceChannelsUpTo(6).WithFileFormat("psp").WithExtOptions(kX264BlockB)},
    {"Sony PSP - Normal - (H.264, 29.97 fps, 368x208)", V("libx264", _, _, "368x208", "30000/1001", "16:9", 520000, "libfaac", 2, 48000, 128000).WithFileFormat("psp").WithExtOptions(kX264BlockB)},
    {"Sony PSP - High Resolution - (H264, 29.97 fps, 480x272)", V("libx264", _, _, "480x272", "30000/1001", "16:9", 720000, "libfaac", 2, 48000, 128000).WithFileFormat("psp").WithExtOptions(kX264BlockB)},
    {"Epson P2000/P4000 - High Quality - (MPEG4, 640x480)", V("mpeg4", _, _, "640x480", _, _, 1200000, "libfaac", 2, 24000, 96000)},
    {"Epson P2000/P4000 - Economy Quality - (MPEG4, 320x240)", V("mpeg4", _, _, "320x240", _, _, 640000, "libfaac", 2, 22050, 64000)},
    {"Epson P3000/P4500/P5000 - Best Quality - (MPEG4, 720x480)", V("mpeg4", _, _, "720x480", _, _, 1200000, "libfaac", 2, 48000, 96000)},
    {"Mobile - Standard Quality - (MPEG4, 176x144, 15 fps)", V("mpeg4", _, _, "176x144", "15", _, 120000, "libfaac", 2, 44100, 96000)},
    {"Mobile - Economy Quality - (MPEG4, 128x96, 12 fps)", V("mpeg4", _, _, "128x96", "12", _, 56000, "libfaac", 2, 22050, 56000)},
    {"PC - High Quality - (MPEG4, 2500 kbps, Original Size, 25 fps)", V("mpeg4", _, _, _, "25", _, 2500000, "libfaac", 2, 48000, 256000)},
    {"PC - Standard Quality - (MPEG4, 1200 kbps, Original Size, 25 fps)", V("mpeg4", _, _, _, "25", _, 1200000, "libfaac", 2, 48000, 192000)},
    {"PC - Economy Quality - (MPEG4, 700 kbps, Original Size, 25 fps)", V("mpeg4", _, _, _, "25", _, 700000, "libfaac", 2, 48000, 128000)},
    {"SanDisk Sansa View - Hight Quality - (MPEG4, 640x480; MPEG2/4 Audio, 128kbps)", V("mpeg4", _, _, "640x480", "24", _, 1500000, "libfaac", 2, 48000, 128000)},
    {"SanDisk Sansa View - Normal Quality - (MPEG4, 320x240; MPEG2/4 Audio, 96kbps)", V("mpeg4", _, _, "320x240", "30", _, 768000, "libfaac", 2, 48000, 96000)},
};

const Preset kFLVPresets[] = {
    {"FLV - Best Quality - (H.264, 1200 kbps, Original; MP3, 160 kbps)", V("libx264", _, "libx264-default", _, _, _, 1200000, _, 2, 44100, 160000)},
    {"FLV - Normal Quality - (H.264, 920 kbps, Original size, 20 fps; MP3, 112 kbps)", V("libx264", _, "libx264-default", _, "20", _, 930000, _, 2, 44100, 160000)},
    {"FLV - Optimal Quality - (H.263, 780 kbps, 352x288, 15 fps; MP3, 64 kbps)", V(_, _, _, "352x288", "15", _, 780000, _, 2, 22050, 64000)},
    {"FLV - Low Quality - (H.263, 640 kbps, 320x240, 15 fps; MP3, 48 kbps)", V(_, _, _, "320x240", "15", _, 640000, _, 2, 11025, 48000)},
    {"FLV - Least Quality - (H.263, 480 kbps, 176x144, 15 fps; MP3, 24 kbps)", V(_, _, _, "176x144", "15", _, 480000, _, 1, 11025, 24000)},
};

const Preset kSWFPresets[] = {
    {"SWF - Best Quality - (H.263, Original; MP3, 160 kbps)", V(_, _, _, _, "25", _, 1200000, _, 2, 44100, 160000)},
    {"SWF - Normal Quality - (H.263, 920 kbps, Original size, 20 fps; MP3, 112 kbps)", V(_, _, _, _, "25", _, 920000, _, 2, 44100, 112000)},
    {"SWF - Optimal Quality - (H.263, 780 kbps, 352x288, 15 fps; MP3, 64 kbps)", V(_, _, _, "352x288", "15", _, 780000, _, 2, 22050, 64000)},
    {"SWF - Low Quality - (H.263, 640 kbps, 320x240, 15 fps; MP3, 48 kbps)", V(_, _, _, "320x240", "25", _, 640000, _, 2, 11025, 48000)},
    {"SWF - Least Quality - (H.263, 480 kbps, 176x144, 15 fps; MP3, 24 kbps)", V(_, _, _, "176x144", "15", _, 480000, _, 1, 11025, 24000)},
};

const Preset kMPEGPresets[] = {
    {"HD Video 1080p - (MPEG2, 15000 kbps, 1920x1080, 29.97 fps)", V("mpeg2video", _, _, "1920x1080", "30000/1001", "4:3", 15000000, "mp2", 2, 48000, 224000).WithConstantRate(15000000, 6881000)},
    {"HD Video 720p - (MPEG2, 9000 kbps, 1280x720, 29.97 fps)", V("mpeg2video", _, _, "1280x720", "30000/1001", "4:3", 9000000, "mp2", 2, 48000, 224000)},
    {"DVD NTSC compatible - (MPEG2, 4000 kbps, 720x480, 29.97 fps)", V(_, _, _, _, "30000/1001", "4:3", 4000000, "ac3", 2, 48000, 224000).WithTarget(3, 2)},
    {"DVD PAL compatible - (MPEG2, 4000 kbps, 720x576, 25 fps)", V(_, _, _, _, "25", "4:3", 4000000, "mp2", 2, 48000, 224000).WithTarget(3, 1)},
    {"Video: MPEG1, 4000 kbps, Original size, 29.97 fps; Audio: 224 kbps", V("mpeg1video", _, _, _, "30000/1001", _, 4000000, "mp2", 2, 44100, 224000).WithConstantRate(4000000, 1835000)},
    {"Video: MPEG2, 4000 kbps, Original size, 29.97 fps; Audio: 224 kbps", V("mpeg2video", _, _, _, "30000/1001", _, 4000000, "mp2", 2, 44100, 224000).WithConstantRate(4000000, 1835000)},
    {"Creative ZEN Vision W - Best Quality - (MPEG1, 1150 kbps, 720x480, 29.97 fps)", V("mpeg1video", _, _, "720x480", "30000/1001", _, 1150000, "mp2", 2, 44100, 128000).WithConstantRate(1150000, 527000)},
    {"Creative ZEN Vision - Standard Quality - (MPEG1, 860 kbps, 480x360, 29.97 fps)", V("mpeg1video", _, _, "480x360", "30000/1001", _, 860000, "mp2", 2, 44100, 128000).WithConstantRate(860000, 394000)},
    {"Creative ZEN Vision M - Normal Quality - (MPEG1, 780 kbps, 320x240, 29.97 fps)", V("mpeg1video", _, _, "320x240", "30000/1001", _, 780000, "mp2", 2, 44100, 112000).WithConstantRate(780000, 357000)},
    {"Epson P3000/P4500/P5000 - (MPEG2, 2000 kbps, 720x480, 30 fps)", V("mpeg1video", _, _, "720x480", "30", _, 2000000, "mp2", 2, 44100, 192000).WithConstantRate(2000000, 917000)},
    {"SVCD NTSC compatible - (MPEG2, 2376 kbps, 480x480, 29.97 fps)", V(_, _, _, _, "30000/1001", "4:3", 2376000, "mp2", 2, 44100, 224000).WithTarget(2, 2)},
    {"SVCD PAL compatible - (MPEG2, 2376 kbps, 480x576, 25 fps)", V(_, _, _, _, "25", "4:3", 2376000, "mp2", 2, 44100, 224000).WithTarget(2, 1)},
    {"VCD NTSC compatible - (MPEG1, 1150 kbps, 352x240, 29.97 fps)", V(_, _, _, _, "30000/1001", "4:3", 1150000, "mp2", 2, 44100, 224000).WithTarget(1, 2)},
    {"VCD PAL compatible - (MPEG1, 1150 kbps, 352x288, 25 fps)", V(_, _, _, _, "25", "4:3", 1150000, "mp2", 2, 44100, 224000).WithTarget(1, 1)},
};

const Preset kRMPresets[] = {
    {"RM - Best Quality - (1024 kbps, Original)", V("rv20", _, _, _, _, _, 1024000, _, N, N, N)},
    {"RM - Normal Quality - (750 kbps, Original)", V("rv20", _, _, _, _, _, 750000, _, N, N, N)},
    {"RM - Optimal Quality - (512 kbps, Original)", V("rv20", _, _, _, _, _, 512000, _, N, N, N)},
    {"RM - Low Quality  - (256 kbps, Original)", V("rv20", _, _, _, _, _, 256000, _, N, N, N)},
    {"RM - Least Quality  - (128 kbps, Original)", V("rv20", _, _, _, _, _, 128000, _, N, N, N)},
};

const Preset kWMVPresets[] = {
    {"HD Video 1080p: WMV 9, 9000 kbps; Audio: WMA Pro, 384kbps", V("wmv2", _, _, "1920x1080", "30000/1001", _, 9000000, "wmav2", 2, 48000, 384000)},
    {"HD Video 720p: WMV 9, 7000 kbps; Audio: WMA Pro, 384kbps", V("wmv2", _, _, "1280x720", "30000/1001", _, 7000000, "wmav2", 2, 48000, 384000)},
    {"Microsoft Zune - Best Quality - (1112 kbps, 320x240, 25 fps)", V("wmv2", _, _, "320x240", "25", _, 1112000, "wmav2", 2, 44100, 192000)},
    {"Microsoft Zune - Normal Quality - (568 kbps, 320x240, 25 fps)", V("wmv2", _, _, "320x240", "25", _, 568000, "wmav2", 2, 44100, 128000)},
    {"Video for Pocket PCs/PDAs", V("wmv2", _, _, "192x144", "20", _, 176000, "wmav2", 2, 32000, 48000)},
    {"Archos AV500/700; 4-series (704,604,504,404) - Highest Available Quality", V("wmv2", _, _, "352x288", "25", _, 920000, "wmav2", 2, 44100, 128000)},
    {"Archos AV500/700; 4-series (704,604,504,404) - Good Quality", V("wmv2", _, _, "320x240", "25", _, 600000, "wmav2", 2, 44100, 128000)},
    {"Archos AV500/700; 4-series (704,604,504,404) - Low Quality", V("wmv2", _, _, "352x288", "25", _, 400000, "wmav2", 2, 44100, 96000)},
    {"Creative ZEN Vision W - Highest Available Quality", V("wmv2", _, _, "480x272", "25", _, 700000, "wmav2", 2, 44100, 192000)},
    {"Creative ZEN Vision - Good Quality", V("wmv2", _, _, "320x240", "25", _, 720000, "wmav2", 2, 44100, 128000)},
    {"Creative ZEN Vision M - Normal Quality", V("wmv2", _, _, "320x240", "25", _, 480000, "wmav2", 2, 44100, 128000)},
    {"Epson Multimedia Storage Viewer P3000/P5000", V("wmv2", _, _, "352x288", "24", _, 768000, "wmav2", 2, 44100, 128000)},
    {"SanDisk Sansa View", V("wmv2", _, _, "320x240", "30", _, 768000, "wmav2", 2, 48000, 128000)},
    {"Palm Treo series", V("wmv2", _, _, "320x240", "25", _, 380000, "wmav2", 2, 44100, 128000)},
    {"HP iPaq series", V("wmv2", _, _, "320x240", "25", _, 220000, "wmav2", 2, 44100, 96000)},
    {"Windows Media Video 9 High Quality", V("wmv2", _, _, "320x240", "25", _, 2500000, "wmav2", 2, 48000, 196000)},
    {"Windows Media Video 9 Standard Quality", V("wmv2", _, _, "320x240", "25", _, 720000, "wmav2", 2, 44100, 128000)},
    {"Windows Media Video 9 Low Quality", V("wmv2", _, _, "320x240", "25", _, 480000, "wmav2", 2, 44100, 96000)},
};

const Preset kMOVPresets[] = {
    {"Apple TV - Best Quality - (H.264, Original; MP2/4 (AAC), 320 kbps)", V("libx264", _, "libx264-default", _, _, _, 1200000, "libfaac", 2, 48000, 320000).WithExtOptions(kAppleTVFirstGeneration)},
    {"Quick Time - HD Quality 480p - (H.264, 848x480; MP2/4 (AAC), 320 kbps)", V("libx264", _, "libx264-default", "848x480", _, _, 1200000, "libfaac", 2, 48000, 320000)},
    {"Quick Time - DVD Quality - (H.264, 720x576; MP2/4 (AAC), 320 kbps)", V("libx264", _, "libx264-default", "720x576", _, _, 1200000, "libfaac", 2, 48000, 320000)},
    {"Quick Time - Photo Quality - (Photo Jpeg, Original; MP3, 256 kbps)", V("mjpeg", _, _, _, _, _, 16384000, "libmp3lame", 2, 44100, 256000)},
    {"Quick Time - Optimal Quality - (H.263, 352x288; MP3, 128 kbps)", V("h263", _, _, "352x288", _, _, 6144000, "libmp3lame", 2, 44100, 128000)},
    {"Quick Time - Highest Available Quality - (MPEG4, Original; MP3, 192 kbps)", V("mpeg4", _, _, _, _, _, 921600, "libmp3lame", 2, 44100, 192000)},
    {"Quick Time - Standard Quality - (H.263, 176x144; MP3, 128 kbps)", V("h263", _, _, "176x144", _, _, 4014080, "libmp3lame", 2, 44100, 128000)},
    {"Quick Time - Balanced Quality - (MPEG4, Original; MP3, 96 kbps)", V("mpeg4", _, _, _, _, _, 614400, "libmp3lame", 2, 44100, 96000)},
    {"Quick Time - Economy Quality - (Sorenson Video; MP3, 96 kbps)", V("svq1", _, _, _, _, _, 921600, "libmp3lame", 2, 44100, 96000)},
    {"Quick Time - Economy Quality - (Sorenson Video; IMA ADPCM)", V("svq1", _, _, _, _, _, 921600, "adpcm_ima_qt", 2, 44100, 352000)},
};

const Preset kF3GPPresets[] = {
    {"3GPP - Extended Mobile Support - (H.263, 240 kbps, 176x144, 12 fps; AMR)", V("h263", _, _, "176x144", "12", _, 240000, _, 1, 8000, 12200)},
    {"3GPP - Mobile Highest Available Quality - (MPEG4, 104 kbps, 176x144, 15 fps; AAC)", V("mpeg4", _, _, "176x144", "15", _, 104000, "libfaac", 1, 32000, 64000)},
    {"3GPP - Mobile Standard Quality - (MPEG4, 64 kbps, 176x144, 12 fps; AMR)", V("mpeg4", _, _, "176x144", "12", _, 64000, _, 1, 8000, 12200)},
    {"3GPP - Mobile Balanced Quality - (H.263, 140 kbps, 128x96, 10 fps; AMR)", V("h263", _, _, "128x96", "10", _, 140000, _, 1, 8000, 10200)},
    {"3GPP - Mobile Smallest Size with Audio - (MPEG4, 44 kbps, 128x96, 10 fps; AMR)", V("mpeg4", _, _, "128x96", "10", _, 44000, _, 1, 8000, 6700)},
};

const Preset kiPodPresets[] = {
    {"iPod Highest Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", V("libx264", _, _, "640x480", "30", _, 2500000, "libfaac", 2, 48000, 160000).WithExtOptions(kX264BlockA)},
    {"iPod Touch High Quality (H264, 30 fps, 480x320, 2500 kbps; AAC - 160 kbps) ", V("libx264", _, _, "480x320", "30", _, 2500000, "libfaac", 2, 48000, 160000).WithExtOptions(kX264BlockA)},
    {"iPod Touch Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", V("libx264", _, _, "480x320", "24", _, 1300000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"iPod Touch Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps) ", V("libx264", _, _, "320x240", "15", _, 500000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"iPod Classic High Quality (H264, 30 fps, 320x240, 2500 kbps; AAC - 160 kbps)", V("libx264", _, _, "320x240", "30", _, 2500000, "libfaac", 2, 48000, 160000).WithExtOptions(kX264BlockA)},
    {"iPod Classic Standard Quality (H264, 24 fps, 320x240, 1000 kbps; AAC - 128 kbps)", V("libx264", _, _, "320x240", "24", _, 1000000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"iPod Classic Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", V("libx264", _, _, "320x240", "15", _, 500000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"iPod Nano High Quality (H264, 30 fps, 320x240, 2500 kbps; AAC - 160 kbps)", V("libx264", _, _, "320x240", "30", _, 2500000, "libfaac", 2, 48000, 160000).WithExtOptions(kX264BlockA)},
    {"iPod Nano Standard Quality (H264, 24 fps, 320x240, 1000 kbps; AAC - 128 kbps)", V("libx264", _, _, "320x240", "24", _, 1000000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"iPod Nano Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", V("libx264", _, _, "320x240", "15", _, 500000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
};

const Preset kiPhonePresets[] = {
    {"iPhone High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", V("libx264", _, _, "640x480", "30", _, 2500000, "libfaac", 2, 48000, 160000).WithExtOptions(kX264BlockA)},
    {"iPhone Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", V("libx264", _, _, "480x320", "30", _, 1300000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"iPhone Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", V("libx264", _, _, "320x240", "15", _, 500000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
};

const Preset kAppleTVPresets[] = {
    {"AppleTV High Quality (H264, 24 fps, 1280x720, 5000 kbps; AAC - 160 kbps)", V("libx264", _, _, "640x480", "24", _, 5000000, "libfaac", 2, 48000, 160000).WithExtOptions(kX264BlockA)},
    {"AppleTV Standard Quality (H264, 24 fps, 720x540, 2000 kbps; AAC - 128 kbps)", V("libx264", _, _, "720x540", "24", _, 2000000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"AppleTV Economy Quality (H264, 24 fps, 480x360, 1000 kbps; AAC - 128 kbps)", V("libx264", _, _, "480x360", "24", _, 1000000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
};

const Preset kPSPPresets[] = {
    {"PSP Highest Quality (H264, 30 fps, 480x272, 1500 kbps; AAC - 160 kbps)", V("libx264", _, _, "480x272", "30", _, 1500000, "libfaac", 2, 48000, 160000).WithFileFormat("psp").WithExtOptions(kX264BlockB)},
    {"PSP Optimal Quality (H264, 24 fps, 368x208, 1000 kbps; AAC - 128 kbps)", V("libx264", _, _, "368x208", "24", _, 1000000, "libfaac", 2, 44100, 128000).WithFileFormat("psp").WithExtOptions(kX264BlockB)},
    {"PSP Economy Quality (H264, 15 fps, 368x208, 500 kbps; AAC - 128 kbps)", V("libx264", _, _, "368x208", "15", _, 500000, "libfaac", 2, 44100, 128000).WithFileFormat("psp").WithExtOptions(kX264BlockB)},
};

const Preset kBlackBerryPresets[] = {
    {"BlackBerry High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", V("libx264", _, "libx264-default", "480x360", "30", _, 2500000, "libfaac", 2, 48000, 160000).WithExtOptions(kX264ConstrainedBaseline)},
    {"BlackBerry Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", V("libx264", _, "libx264-default", "480x320", "30", _, 1300000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264ConstrainedBaseline)},
    {"BlackBerry Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", V("libx264", _, "libx264-default", "320x240", "15", _, 500000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264ConstrainedBaseline)},
};

const Preset kMobilePhonePresets[] = {
    {"Mobile MP4 High Quality (MPEG4, 15 fps, 320x240, 600 kbps; AAC - 192 kbps)", V("mpeg4", _, _, "320x240", "15", _, 600000, "libfaac", 2, 48000, 192000)},
    {"Mobile MP4 Standard Quality (MPEG4, 15 fps, 176x144, 256 kbps; AAC - 128 kbps)", V("mpeg4", _, _, "176x144", "15", _, 256000, "libfaac", 2, 44100, 128000)},
    {"Mobile MP4 Balanced Quality (MPEG4, 12 fps, 176x144, 146 kbps; AAC - 96 kbps)", V("mpeg4", _, _, "176x144", "12", _, 146000, "libfaac", 2, 32000, 96000)},
    {"Mobile MP4 Economy Quality (MPEG4, 10 fps, 128x96, 119 kbps; AAC - 64 kbps)", V("mpeg4", _, _, "128x96", "10", _, 119000, "libfaac", 2, 22050, 64000)},
};

const Preset kiPadPresets[] = {
    {"iPad High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", V("libx264", _, _, "640x480", "30", _, 2500000, "libfaac", 2, 48000, 160000).WithExtOptions(kX264BlockA)},
    {"iPad Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", V("libx264", _, _, "480x320", "30", _, 1300000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
    {"iPad Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", V("libx264", _, _, "320x240", "15", _, 500000, "libfaac", 2, 44100, 128000).WithExtOptions(kX264BlockA)},
};

const Preset kWAVPresets[] = {
    {"For Mobiles - PCM: 11025 Hz, Mono, 16 bits", A("pcm_s16le", 1, 11025, N)},
    {"AM Radio Quality - PCM: 22050 Hz, Mono, 16 bits", A("pcm_s16le", 1, 22050, N)},
    {"FM Radio Quality - PCM: 22050 Hz, Sterro, 24 bits", A("pcm_s24le", 2, 22050, N)},
    {"HiFi Quality - PCM: 48000Hz, Stereo, 32 bits", A("pcm_s32le", 2, 48000, N)},
    {"Uncompressed (CD Audio Quality)", A("pcm_s16le", 2, 44100, N)},
};

const Preset kMP3Presets[] = {
    {"For Mobile - MP3: 44100 Hz, Stereo, 112 kbps", A("libmp3lame", 2, 44100, 112000)},
    {"For Media Player - MP3: 48000 Hz, Stereo, 128 kbps", A("libmp3lame", 2, 48000, 128000)},
    {"Normal Quality - MP3: 48000 Hz, Stereo, 256 kbps", A("libmp3lame", 2, 48000, 256000)},
    {"Best Quality - MP3: 48000 Hz, Stereo, 320 kbps", A("libmp3lame", 2, 48000, 320000)},
};

const Preset kWMAPresets[] = {
    {"For Media Player Best Quality", A("wmav2", 2, 48000, 192000)},
    {"For Media Player Economy Quality", A("wmav2", 2, 44100, 96000)},
    {"For Pocket PCs/PDAs Normal Quality", A("wmav2", 2, 44100, 128000)},
    {"For PC Normal Quality", A("wmav2", 2, 44100, 128000)},
    {"WMA Losslesss Audio", A("wmav2", 2, 48000, N).WithSourceAudioBitrate(kWma2LowestBitrate, kWma2HighestStereoBitrate)},
};

const Preset kOGGPresets[] = {
    {"Telephone Quality - Ogg Vorbis: Quality - 4.97; 11025 Hz, Mono", A("libvorbis", 1, 11025, N).WithVideoCodec("libtheora").WithExtOptions("aq=4.97")},
    {"AM Radio Quality - Ogg Vorbis: Quality - 4.97; 22050 Hz, Mono", A("libvorbis", 1, 22050, N).WithVideoCodec("libtheora").WithExtOptions("aq=4.97")},
    {"FM Radio Quality - Ogg Vorbis: Quality - 4.97; 22050 Hz, Stereo", A("libvorbis", 2, 22050, N).WithVideoCodec("libtheora").WithExtOptions("aq=4.97")},
    {"CD Quality - Ogg Vorbis: Quality - 4.97; 44100 Hz, Stereo", A("libvorbis", 2, 44100, N).WithVideoCodec("libtheora").WithExtOptions("aq=4.97")},
    {"HiFi Quality - Ogg Vorbis: Quality - 8.05; 48000 Hz, Stereo", A("libvorbis", 2, 48000, N).WithVideoCodec("libtheora").WithExtOptions("aq=8.05")},
};

const Preset kAACPresets[] = {
    {"For Mobiles - MPEG2/4 LC: 16000 Hz, Mono, 96 kbps", A("libfaac", 1, 16000, 96000)},
    {"AM Quality - MPEG2/4 LC: 22500 Hz, Mono, 112 kbps", A("libfaac", 1, 22500, 112000)},
    {"FM Quality - MPEG2/4 LC: 22500 Hz, Stereo, 224 kbps", A("libfaac", 2, 22500, 224000)},
    {"CD Quality - MPEG2/4 LC: 44100 Hz, Stereo, 256 kbps", A("libfaac", 2, 44100, 256000)},
    {"HiFi Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps", A("libfaac", 2, 48000, 256000)},
};

const Preset kM4APresets[] = {
    {"Normal Quality - MPEG2/4 LC: 44100 Hz, Stereo, 96 kbps", A(_, 2, 44100, 96000)},
    {"Best Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps", A(_, 2, 44800, 256000)},
};

const Preset kFLACPresets[] = {
    {"Compression Level 0", A("flac", N, N, N).WithExtOptions("compression_level=0")},
    {"Compression Level 1", A("flac", N, N, N).WithExtOptions("compression_level=1")},
    {"Compression Level 2", A("flac", N, N, N).WithExtOptions("compression_level=2")},
    {"Compression Level 3", A("flac", N, N, N).WithExtOptions("compression_level=3")},
    {"Compression Level 4", A("flac", N, N, N).WithExtOptions("compression_level=4")},
    {"Compression Level 5 (Default)", A("flac", N, N, N).WithExtOptions("compression_level=5")},
    {"Compression Level 6", A("flac", N, N, N).WithExtOptions("compression_level=6")},
    {"Compression Level 7", A("flac", N, N, N).WithExtOptions("compression_level=7")},
    {"Compression Level 8", A("flac", N, N, N).WithExtOptions("compression_level=8")},
};

const Preset kMP2Presets[] = {
    {"For Mobiles - MPEG layer-2: 22050 Hz, Mono, 96 kbps", A(_, 1, 22050, 96000)},
    {"AM Quality - MPEG layer-2: 22050 Hz, Mono, 112 kbps", A(_, 1, 22050, 112000)},
    {"FM Quality - MPEG layer-2: 22050 Hz, Stereo, 128 kbps", A(_, 2, 22050, 128000)},
};

const PresetSettings kNone{};

// Class, index, name, extension, edition key, preset key, slot, button, list, default preset, common values.
const OutputFormat kFormats[] = {
    {app::fcVideo, 0, "AVI", ".avi", "AVI", "OutputAVIPreset", app::psAVI, "ButtonFormatAVI", "ImageComboBoxAVIPresets", 3, kNone, kAVIPresets},
    {app::fcVideo, 1, "MP4", ".mp4", "MP4", "OutputMP4Preset", app::psMP4, "ButtonFormatMP4", "ImageComboBoxMP4Presets", 3, kNone, kMP4Presets},
    {app::fcVideo, 2, "FLV", ".flv", "FLV", "OutputFLVPreset", app::psFLV, "ButtonFormatFLV", "ImageComboBoxFLVPresets", 1, kNone, kFLVPresets},
    {app::fcVideo, 3, "SWF", ".swf", "SWF", "OutputSWFPreset", app::psSWF, "ButtonFormatSWF", "ImageComboBoxSWFPresets", 1, kNone, kSWFPresets},
    {app::fcVideo, 4, "MPEG", ".mpg", "MPEG", "OutputMPEGPreset", app::psMPEG, "ButtonFormatMPEG", "ImageComboBoxMPEGPresets", 5, kNone, kMPEGPresets},
    {app::fcVideo, 5, "RM", ".rm", "RM", "OutputRMPreset", app::psRM, "ButtonFormatRM", "ImageComboBoxRMPresets", 1, kNone, kRMPresets},
    {app::fcVideo, 6, "WMV", ".wmv", "WMV", "OutputWMVPreset", app::psWMV, "ButtonFormatWMV", "ImageComboBoxWMVPresets", 16, kNone, kWMVPresets},
    {app::fcVideo, 7, "MOV", ".mov", "MOV", "OutputMOVPreset", app::psMOV, "ButtonFormatMOV", "ImageComboBoxMOVPresets", 7, kNone, kMOVPresets},
    {app::fcVideo, 8, "3GP", ".3gp", "3GP", "Output3GPPreset", app::ps3GP, "ButtonFormat3GP", "ImageComboBox3GPPresets", 2, kNone, kF3GPPresets},
    {app::fcDevice, 0, "iPod", ".mp4", "IPOD", "OutputiPodPreset", app::psiPod, "ButtonFormatiPod", "ImageComboBoxiPodPresets", 5, V("libx264", _, _, _, _, _, N, "libfaac", N, N, N).WithExtOptions(kX264BlockA), kiPodPresets},
    {app::fcDevice, 1, "iPhone", ".mp4", "IPHONE", "OutputiPhonePreset", app::psiPhone, "ButtonFormatiPhone", "ImageComboBoxiPhonePresets", 1, V("libx264", _, _, _, _, _, N, "libfaac", N, N, N).WithExtOptions(kX264BlockA), kiPhonePresets},
    {app::fcDevice, 2, "AppleTV", ".mp4", "APPLETV", "OutputAppleTVPreset", app::psAppleTV, "ButtonFormatAppleTV", "ImageComboBoxAppleTVPresets", 1, V("libx264", _, _, _, _, _, N, "libfaac", N, N, N).WithExtOptions(kX264BlockA), kAppleTVPresets},
    {app::fcDevice, 3, "PSP", ".mp4", "PSP", "OutputPSPPreset", app::psPSP, "ButtonFormatPSP", "ImageComboBoxPSPPresets", 1, V("libx264", _, _, _, _, _, N, "libfaac", N, N, N).WithFileFormat("psp").WithExtOptions(kX264BlockB), kPSPPresets},
    {app::fcDevice, 4, "BlackBerry", ".mp4", "BLACKBERRY", "OutputBlackBerryPreset", app::psBlackBerry, "ButtonFormatBlackBerry", "ImageComboBoxBlackBerryPresets", 1, kNone, kBlackBerryPresets},
    {app::fcDevice, 5, "MobilePhone", ".mp4", "MOBILEPHONE", "OutputMobilePhonePreset", app::psMobilePhone, "ButtonFormatMobilePhone", "ImageComboBoxMobilePhonePresets", 1, kNone, kMobilePhonePresets},
    {app::fcDevice, 6, "iPad", ".mp4", "IPAD", "OutputiPadPreset", app::psiPad, "ButtonFormatiPad", "ImageComboBoxiPadPresets", 0, V("libx264", _, _, _, _, _, N, "libfaac", N, N, N).WithExtOptions(kX264BlockA), kiPadPresets},
    {app::fcAudio, 0, "WAV", ".wav", "WAV", "OutputWAVPreset", app::psWAV, "ButtonFormatWAV", "ImageComboBoxWAVPresets", 3, kNone, kWAVPresets},
    {app::fcAudio, 1, "MP3", ".mp3", "MP3", "OutputMP3Preset", app::psMP3, "ButtonFormatMP3", "ImageComboBoxMP3Presets", 2, A("libmp3lame", N, N, N), kMP3Presets},
    {app::fcAudio, 2, "WMA", ".wma", "WMA", "OutputWMAPreset", app::psWMA, "ButtonFormatWMA", "ImageComboBoxWMAPresets", 1, A("wmav2", N, N, N), kWMAPresets},
    {app::fcAudio, 3, "OGG", ".ogg", "OGG", "OutputOGGPreset", app::psOGG, "ButtonFormatOGG", "ImageComboBoxOGGPresets", 3, A("libvorbis", N, N, N).WithVideoCodec("libtheora"), kOGGPresets},
    {app::fcAudio, 4, "AAC", ".aac", "AAC", "OutputAACPreset", app::psAAC, "ButtonFormatAAC", "ImageComboBoxAACPresets", 3, A("libfaac", N, N, N), kAACPresets},
    {app::fcAudio, 5, "M4A", ".m4a", "M4A", "OutputM4APreset", app::psM4A, "ButtonFormatM4A", "ImageComboBoxM4APresets", 0, kNone, kM4APresets},
    {app::fcAudio, 6, "FLAC", ".flac", "FLAC", "OutputFLACPreset", app::psFLAC, "ButtonFormatFLAC", "ImageComboBoxFLACPresets", 5, A("flac", N, N, N), kFLACPresets},
    {app::fcAudio, 7, "MP2", ".mp2", "MP2", "OutputMP2Preset", app::psMP2, "ButtonFormatMP2", "ImageComboBoxMP2Presets", 0, kNone, kMP2Presets},
};
// clang-format on

}  // namespace

std::span<const OutputFormat> OutputFormats() {
    return kFormats;
}

std::span<const OutputFormat> OutputFormatsOf(app::TFormatClass cls) {
    switch (cls) {
        case app::fcVideo:
            return std::span(kFormats).subspan(0, app::kVideoFormatCount);
        case app::fcDevice:
            return std::span(kFormats).subspan(app::kVideoFormatCount, app::kDeviceFormatCount);
        case app::fcAudio:
            return std::span(kFormats).subspan(app::kVideoFormatCount + app::kDeviceFormatCount,
                                               app::kAudioFormatCount);
    }
    return {};
}

const OutputFormat* FindOutputFormat(int cls, int index) {
    if (cls < app::fcVideo || cls > app::fcAudio) return nullptr;
    const auto formats = OutputFormatsOf(static_cast<app::TFormatClass>(cls));
    if (index < 0 || index >= static_cast<int>(formats.size())) return nullptr;
    return &formats[index];
}

const OutputFormat& OutputFormatOfSlot(app::TPresetSlot slot) {
    for (const auto& f : kFormats)
        if (f.Slot == slot) return f;
    assert(false && "every slot has a format");
    return kFormats[0];
}

const Preset* FindPreset(const OutputFormat& format, int presetIndex) {
    if (presetIndex < 0 || presetIndex >= static_cast<int>(format.Presets.size())) return nullptr;
    return &format.Presets[presetIndex];
}

}  // namespace wizard
