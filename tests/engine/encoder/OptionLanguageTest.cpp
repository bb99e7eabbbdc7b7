// The option language: text rules, the option table's messages, the record-to-option order, presets, targets.

#include <gtest/gtest.h>

#include <fstream>

#include "EncoderFixtures.h"
#include "engine/FFLoad.h"
#include "engine/FFmpeg.h"
#include "engine/OptionText.h"
#include "engine/X264Presets.h"

using namespace engine;

namespace {

class OptionLanguage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadAVLib("")) << AVLibLastErrMsg(); }

    // SetOutputFile with the record; "" on success, else LastErrMsg.
    std::string SetOutput(const TOutputOptions& o, bool raiseOnUnknown = true, const char* ext = "mkv") {
        TFFEncoder enc;
        enc.RaiseOnUnknown = raiseOnUnknown;
        const int task = enc.AddTask(encfix::Input("av.mp4"));
        if (task < 0) return "AddTask: " + enc.LastErrMsg();
        if (enc.SetOutputFile(task, encfix::Output(std::string("opt.") + ext), &o)) return "";
        return enc.LastErrMsg();
    }
};

std::string Matrix(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (i ? "," : "") + std::to_string(16 + i);
    return s;
}

}  // namespace

TEST(OptionText, LineBreaksAndSplitting) {
    const auto lines = SplitOptionText("  aq=4.97<CRLF>ab=128000\r\nVN\rs=320x240=x\n\n  ");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].name, "aq");
    EXPECT_EQ(lines[0].value, "4.97");
    EXPECT_EQ(lines[1].name, "ab");
    EXPECT_EQ(lines[1].value, "128000");
    EXPECT_EQ(lines[2].name, "vn");  // names lower-cased, a line without "=" has an empty value
    EXPECT_EQ(lines[2].value, "");
    EXPECT_EQ(lines[3].value, "320x240=x");  // split at the first "="
}

TEST_F(OptionLanguage, BooleanValues) {
    struct Case {
        const char* value;
        bool expected;
    } cases[] = {{"0", false}, {"", true}, {"1", true}, {"yes", true}};
    for (const Case& c : cases) {
        TCustomFFmpeg t;
        t.ParseOption("vn", c.value);
        EXPECT_EQ(t.Settings().videoDisable, c.expected) << "vn=" << c.value;
    }
}

TEST_F(OptionLanguage, OptionErrorsCarryTheirMessages) {
    struct Case {
        std::string ext;
        std::string error;  // empty: accepted
    } cases[] = {
        {"metadata=title", "Missing ="},
        {"metadata==x", "wrong parameter of metadata"},
        {"metadata=title=Hello", ""},
        {"itsscale=20:1.0", "stream index over MAX_STREAMS(20)"},
        {"intra_matrix=" + Matrix(64), ""},
        {"intra_matrix=" + Matrix(63), "Syntax error in matrix \"" + Matrix(63) + "\" at coeff 62"},
        {"foo=1", "Unrecognized option \"foo\""},
        {"g=abc", "Invalid value \"abc\" for option \"g\""},
        {"aspect=4:0", "Incorrect aspect ratio specification."},
        {"r=fast", "Incorrect frame rate"},
        {"pass=3", "pass number can be only 1 or 2"},
        {"qscale=0", "qscale must be > 0.0 and <= 255"},
        {"croptop=2", "Removed, use the crop filter instead"},
        {"padcolor=000000", "Removed, use the pad filter instead"},
        {"vtag=ABC", "tag parameter must be 4 chars or int value"},
        {"vtag=XVID", ""},
        {"streamid=1", "Invalid value \"1\" for option \"streamid\", required syntax is \"index:value\""},
        {"ss=abc", "Invalid duration specification for ss: abc"},
        {"timestamp=never", "Invalid date specification for timestamp: never"},
        {"pix_fmt=nosuch", "Unknown pixel format requested: nosuch"},
        {"sample_fmt=nosuch", "Invalid sample format \"nosuch\""},
        {"vbsf=nosuch", "Unknown bitstream filter nosuch"},
        {"target=pal-foo", "Unknown target type"},
        {"map_meta_data=0,x:0", "Invalid metadata type x."},
        {"crf=23\nrefs=2\nflags=+loop", ""},
    };
    for (const Case& c : cases) {
        TOutputOptions o;
        o.ExtOptions = c.ext;
        EXPECT_EQ(SetOutput(o), c.error) << c.ext;
    }
}

TEST_F(OptionLanguage, UnknownOptionIgnoredWhenRaiseIsOff) {
    TOutputOptions o;
    o.ExtOptions = "foo=1";
    EXPECT_EQ(SetOutput(o, false), "");
    EXPECT_EQ(SetOutput(o, true), "Unrecognized option \"foo\"");
}

TEST_F(OptionLanguage, CodecNamesAreResolvedWithTheirMessages) {
    struct Case {
        const char* video;
        std::string error;
    } cases[] = {{"nosuch", "new_video_stream fail: Unknown encoder 'nosuch'"},
                 {"mp2", "new_video_stream fail: Invalid encoder type 'mp2'"},
                 {"libx264", ""}};
    for (const Case& c : cases) {
        TOutputOptions o;
        o.VideoCodec = c.video;
        EXPECT_EQ(SetOutput(o), c.error) << c.video;
    }
}

TEST_F(OptionLanguage, PresetsByNameCodecAndFile) {
    TOutputOptions o;
    o.VideoCodec = "libx264";
    o.ExtOptions = "vpre=default";
    EXPECT_EQ(SetOutput(o), "");  // found as "libx264-default"

    TOutputOptions none;
    none.ExtOptions = "vpre=default";
    EXPECT_EQ(SetOutput(none), "Preset \"default\" not found");

    const std::string bad = encfix::Output("bad.ffpreset");
    std::ofstream(bad) << "# a comment\n\ncrf\n";
    TOutputOptions file;
    file.ExtOptions = "fpre=" + bad;
    EXPECT_EQ(SetOutput(file), bad + ": Invalid syntax: \"crf\"");

    const std::string unknown = encfix::Output("unknown.ffpreset");
    std::ofstream(unknown) << "crf=20\nnosuchoption=1\n";
    TOutputOptions u;
    u.ExtOptions = "fpre=" + unknown;
    EXPECT_EQ(SetOutput(u),
              "Unrecognized option \"nosuchoption\"\r\n" + unknown +
                  ": Invalid option or argument: \"nosuchoption=1\", parsed as \"nosuchoption\" = \"1\"");

    ASSERT_NE(FindBuiltinPreset("LIBX264-Default"), nullptr);  // looked up without regard to case
    EXPECT_EQ(std::string(FindBuiltinPreset("libx264-main")->Text), "flags2=-dct8x8");
}

TEST_F(OptionLanguage, TargetPalDvdSettings) {
    TCustomFFmpeg t;
    ASSERT_TRUE(t.OpenInput(encfix::Input("av.mp4"))) << t.ErrorMessage();
    t.ParseOption("target", "pal-dvd");
    EXPECT_EQ(t.Settings().frameWidth, 720);
    EXPECT_EQ(t.Settings().frameHeight, 576);
    EXPECT_EQ(t.Settings().frameRate.num, 25);
    EXPECT_EQ(t.Settings().frameRate.den, 1);
    EXPECT_EQ(t.Settings().audioCodecName, "ac3");
    EXPECT_EQ(t.Settings().videoCodecName, "mpeg2video");
    EXPECT_EQ(t.Settings().sampleRate, 48000);

    TCustomFFmpeg a;
    a.ParseOption("r", "30000/1001");
    a.ParseOption("target", "vcd");  // auto norm decided by the frame rate
    EXPECT_EQ(a.Settings().frameHeight, 240);
}

TEST_F(OptionLanguage, RecordFieldsWinExceptDefaults) {
    // ar in the text loses against the field; s in the text only fills an empty FrameSize;
    // acodec in the text fills an empty AudioCodec.
    TOutputOptions o;
    o.AudioSampleRate = 32000;
    o.FrameSize = "96x64";
    o.ExtOptions = "ar=22050\ns=128x96\nacodec=libfaac";
    const std::string out = encfix::Output("fields.mp4");
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    EXPECT_EQ(f.audio.SampleRate, 32000);
    EXPECT_EQ(f.video.Width, 96);
    EXPECT_EQ(f.video.Height, 64);
    EXPECT_EQ(f.acodec, "aac");  // "libfaac" resolves to the native encoder
}

TEST_F(OptionLanguage, TextCodecWaitsForNewAudioWhenFieldIsSet) {
    TOutputOptions o;
    o.AudioCodec = "mp2";
    o.ExtOptions = "acodec=libfaac\nnewaudio=";
    const std::string out = encfix::Output("two-audio.mkv");
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const std::string streams = encfix::Capture(
        "ffprobe -v error -select_streams a -show_entries stream=codec_name -of csv=p=0 '" + out + "'");
    EXPECT_EQ(streams, "mp2\naac\n");
}

TEST_F(OptionLanguage, TargetRatesWinOverRecordBitrates) {
    TOutputOptions o;
    o.Target = 3;
    o.TargetNorm = 1;
    o.AudioBitrate = 64000;
    o.VideoBitrate = 100000;
    o.RecordingTime = 400000;
    const std::string out = encfix::Output("dvd.mpg");
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    EXPECT_EQ(f.video.Width, 720);
    EXPECT_EQ(f.video.Height, 576);
    EXPECT_EQ(f.video.FrameRateNum * 1.0 / f.video.FrameRateDen, 25.0);
    EXPECT_EQ(f.acodec, "ac3");
    EXPECT_EQ(f.audio.BitRate, 448000);
    EXPECT_EQ(f.audio.SampleRate, 48000);
}
