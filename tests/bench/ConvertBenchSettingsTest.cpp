// The convert benchmark reads what a file was encoded with and gives the ffmpeg tool the same settings.
// Each case encodes a short clip with unusual settings, reads them back, encodes again with only the
// arguments made from them, and expects the second file to carry the same settings as the first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTempFolder.h"
#include "MediaSettings.h"
#include "ShellCommand.h"
#include "X264Options.h"

namespace {

struct HandOverCase {
    const char* name;
    const char* extension;
    const char* rate;                   // the source's frame rate
    std::vector<std::string> encoding;  // the first file's output arguments
    bool x264;
};

const HandOverCase kCases[] = {
    // libx264's and AAC's defaults in MP4 (length-prefixed NAL units)
    {"Mp4Defaults", ".mp4", "25", {"-c:v", "libx264", "-c:a", "aac", "-ac", "2", "-b:a", "128k"}, true},
    // AVI holds H.264 as a byte stream; constant bit rate and most switches off; MP3 at 22.05 kHz mono
    {"AviByteStreamConstantRate",
     ".avi",
     "25",
     {"-c:v", "libx264", "-profile:v", "baseline", "-x264-params",
      "cabac=0:no-deblock=1:bframes=0:8x8dct=0:me=dia:subme=2:aq-mode=0:psy=0:trellis=0:weightp=0:ref=1:"
      "mixed-refs=0:fast-pskip=0:dct-decimate=0:deadzone-inter=6:deadzone-intra=9:bitrate=300:"
      "vbv-maxrate=300:vbv-bufsize=600:chroma-me=0:scenecut=0",
      "-c:a", "libmp3lame", "-ar", "22050", "-ac", "1", "-b:a", "64k"},
     true},
    // values that need translating: deblock strengths, named modes, interlacing, matrices, 4:2:2, psy
    // strengths that move the recorded chroma offset
    {"MkvUnusualSettings",
     ".mkv",
     "30000/1001",
     {"-c:v", "libx264", "-pix_fmt", "yuv422p", "-x264-params",
      "deblock=-1,-2:direct=temporal:b-pyramid=none:b-adapt=2:bframes=2:tff=1:cqm=jvt:qp=20:"
      "analyse=p8x8,i4x4:chroma-qp-offset=1:threads=2:sliced-threads=1:slices=2:keyint=50:min-keyint=5:"
      "psy-rd=0.8,0.1:weightb=0:open-gop=1:ipratio=1.3:pbratio=1.2:me=umh:me-range=24:nr=100",
      "-an"},
     true},
    // 4:4:4 with psy raises the recorded chroma offset; trellis off leaves psy trellis without effect
    {"Mp4FullChroma",
     ".mp4",
     "25",
     {"-c:v", "libx264", "-pix_fmt", "yuv444p", "-x264-params",
      "psy-rd=0.2,0.5:trellis=0:chroma-qp-offset=-3", "-c:a", "aac", "-ar", "48000", "-ac", "2", "-b:a",
      "96k"},
     true},
    // not libx264: codec, tag, size, rate, pixel format and bit rates (the container has only the measured
    // rate, which short clips overshoot at low targets)
    {"AviMpeg4Mp3",
     ".avi",
     "25",
     {"-c:v", "mpeg4", "-vtag", "XVID", "-b:v", "1500k", "-c:a", "libmp3lame", "-ac", "2", "-b:a", "192k"},
     false},
};

std::string CaseName(const testing::TestParamInfo<int>& info) {
    return kCases[info.param].name;
}

// ffmpeg -f lavfi (2 s of testsrc2 at the rate, a sine) ARGS OUTPUT; true when the tool succeeded.
bool Encode(const char* rate, const std::vector<std::string>& outputArgs, const std::string& output) {
    std::vector<std::string> args = {"ffmpeg",
                                     "-nostdin",
                                     "-v",
                                     "error",
                                     "-y",
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     std::string("testsrc2=size=320x240:rate=") + rate,
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     "sine=sample_rate=44100",
                                     "-t",
                                     "2"};
    args.insert(args.end(), outputArgs.begin(), outputArgs.end());
    args.push_back(output);
    return std::system(ShellCommandLine(args).c_str()) == 0;
}

class SettingsHandOverTest : public testing::TestWithParam<int> {};

TEST_P(SettingsHandOverTest, ToolGivenTheReadSettingsEncodesAlike) {
    const HandOverCase& c = kCases[GetParam()];
    const BenchTempFolder folder("bench_tests");
    const std::string first = folder.path() + "/first" + c.extension;
    const std::string second = folder.path() + "/second" + c.extension;
    ASSERT_TRUE(Encode(c.rate, c.encoding, first));

    MediaSettings a, b;
    std::string error;
    ASSERT_TRUE(ReadMediaSettings(first, a, error)) << error;
    ASSERT_EQ(!a.video.x264Options.empty(), c.x264) << a.video.x264Options;
    std::vector<std::string> notes;
    const std::vector<std::string> args = ToolArgsMatching(a, notes);
    SCOPED_TRACE(ShellCommandLine(args));
    ASSERT_TRUE(Encode(c.rate, args, second));
    ASSERT_TRUE(ReadMediaSettings(second, b, error)) << error;

    EXPECT_EQ(a.video.x264Options, b.video.x264Options)
        << X264OptionDifferences(a.video.x264Options, b.video.x264Options);
    if (c.x264) {
        EXPECT_TRUE(notes.empty()) << notes.front();
    }
    EXPECT_EQ(a.video.codec, b.video.codec);
    EXPECT_EQ(a.video.codecTag, b.video.codecTag);
    EXPECT_EQ(a.video.width, b.video.width);
    EXPECT_EQ(a.video.height, b.video.height);
    EXPECT_EQ(a.video.pixelFormat, b.video.pixelFormat);
    EXPECT_EQ(a.video.rateNum, b.video.rateNum);
    EXPECT_EQ(a.video.rateDen, b.video.rateDen);
    EXPECT_EQ(a.video.profile, b.video.profile);
    EXPECT_EQ(a.video.level, b.video.level);
    if (!c.x264) {
        EXPECT_NEAR(b.video.bitRate, a.video.bitRate, a.video.bitRate / 4);
    }
    EXPECT_EQ(a.audio.present, b.audio.present);
    EXPECT_EQ(a.audio.codec, b.audio.codec);
    EXPECT_EQ(a.audio.sampleRate, b.audio.sampleRate);
    EXPECT_EQ(a.audio.channels, b.audio.channels);
    EXPECT_EQ(NominalBitRate(a.audio.bitRate), NominalBitRate(b.audio.bitRate));
}

INSTANTIATE_TEST_SUITE_P(Clips, SettingsHandOverTest, testing::Range(0, int(std::size(kCases))), CaseName);

// The benchmark prints this comparison as its verdict on the hand-over, so it must see every kind of change.
TEST(X264OptionDifferencesTest, NamesChangedMissingAndAddedSettings) {
    const struct {
        const char *a, *b, *expected;
    } cases[] = {
        {"cabac=1 ref=3 bframes=3", "cabac=1 ref=3 bframes=3", ""},
        {"cabac=1 ref=3 bframes=3", "cabac=1 ref=1 bframes=0", "ref 3/1 bframes 3/0"},
        {"cabac=1 b_pyramid=2 weightp=2", "cabac=1 weightp=2", "b_pyramid 2/-"},
        {"cabac=1 weightp=2", "cabac=1 b_pyramid=2 weightp=2", "b_pyramid -/2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(X264OptionDifferences(c.a, c.b), c.expected) << c.a << " | " << c.b;
}

}  // namespace
