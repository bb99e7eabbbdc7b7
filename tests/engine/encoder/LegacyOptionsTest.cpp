// The compatibility layer: old option names and values of the preset texts reach libx264 as what they meant.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "EncoderFixtures.h"
#include "engine/FFLoad.h"
#include "engine/LegacyOptions.h"
#include "engine/X264Presets.h"

using namespace engine;
using encfix::kBlockA;
using encfix::kBlockB;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The settings line libx264 writes into the stream ("cabac=0 ref=1 ... ").
std::string X264Settings(const std::string& path) {
    const std::string data = ReadFile(path);
    const size_t at = data.find("x264 - core");
    return at == std::string::npos ? "" : data.substr(at, data.find('\0', at) - at);
}

}  // namespace

TEST(LegacyOptions, Translations) {
    struct Case {
        const char* name;
        const char* value;
        std::vector<OptionLine> expected;
    } cases[] = {
        {"flags2",
         "+mixed_refs+wpred+dct8x8+fastpskip",
         {{"mixed-refs", "1"}, {"weightb", "1"}, {"8x8dct", "1"}, {"fast-pskip", "1"}}},
        {"flags2", "-wpred-dct8x8", {{"weightb", "0"}, {"8x8dct", "0"}}},
        {"flags2", "+bpyramid+local_header", {{"b-pyramid", "normal"}, {"flags2", "+local_header"}}},
        {"partitions", "+parti8x8+parti4x4+partp8x8+partb8x8", {{"partitions", "i8x8,i4x4,p8x8,b8x8"}}},
        {"partitions", "-parti8x8+parti4x4-partb8x8", {{"partitions", "i4x4"}}},
        {"partitions", "-parti8x8-parti4x4", {{"partitions", "none"}}},
        {"directpred", "1", {{"direct-pred", "1"}}},
        {"cqp", "0", {{"qp", "0"}}},
        {"me_method", "epzs", {{"me_method", "hex"}}},
        {"rc_eq", "'blurCplx^(1-qComp)'", {{"rc_eq", "blurCplx^(1-qComp)"}}},
        {"crf", "24", {{"crf", "24"}}},
        {"flags", "+loop", {{"flags", "+loop"}}},
        {"flags", "+scan_offset", {{"scan_offset", "1"}}},
        {"flags", "+loop+aic", {{"flags", "+loop"}, {"aic", "1"}}},
        {"flags", "-loop", {{"flags", "-loop"}, {"x264opts", "no-deblock=1"}}},
    };
    for (const Case& c : cases) {
        LegacyOptionState st;
        const auto got = TranslateLegacyOption(c.name, c.value, st);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name << "=" << c.value;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].name, c.expected[i].name) << c.name << "=" << c.value;
            EXPECT_EQ(got[i].value, c.expected[i].value) << c.name << "=" << c.value;
        }
    }
    LegacyOptionState st;
    TranslateLegacyOption("deblockalpha", "-1", st);
    const auto deblock = TranslateLegacyOption("deblockbeta", "2", st);
    ASSERT_EQ(deblock.size(), 1u);
    EXPECT_EQ(deblock[0].name, "deblock");
    EXPECT_EQ(deblock[0].value, "-1:2");

    EXPECT_EQ(ResolveEncoderName("libfaac"), "aac");
    EXPECT_EQ(ResolveEncoderName("libmp3lame"), "libmp3lame");
    ASSERT_TRUE(LoadAVLib(""));
    // 3GP's default audio encoder (amr_nb) is missing: another one the container takes stands in.
    EXPECT_EQ(DefaultEncoderFor(av_guess_format("3gp", nullptr, nullptr), AVMEDIA_TYPE_AUDIO),
              AV_CODEC_ID_AAC);
}

TEST(LegacyOptions, X264BlocksReachLibx264) {
    ASSERT_TRUE(LoadAVLib(""));
    struct Case {
        const char* block;
        const char* format;
        std::vector<const char*> settings;  // what libx264 reports it used
        const char* profileAndLevel;        // as the stream's parameter set states them
    } cases[] = {
        // the old wrapper's defaults: no B-frames, no 8x8 transform, no weighted prediction with CAVLC
        {kBlockA,
         "",
         {"cabac=0", "ref=1", "subme=5", "trellis=2", "deblock=1:0:0", "keyint=250", "rc=crf", "crf=24.0",
          "me_range=16", "analyse=0x1:0x11", "qpmin=10", "bframes=0", "8x8dct=0", "weightp=0"},
         "Constrained Baseline,30"},
        {kBlockB,
         "psp",
         {"cabac=1", "ref=2", "me=umh", "subme=5", "trellis=1", "bframes=1", "keyint=300", "vbv_maxrate=4000",
          "vbv_bufsize=4000", "analyse=0x1:0x111", "qpstep=4", "8x8dct=0", "weightb=0"},
         "Main,21"},
    };
    // 4:4:4 and RGB sources too: the old wrapper took 4:2:0 pictures only, which is what the devices play
    for (const char* input : {"av.mp4", "yuv444.mkv", "rgb.mov"})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(input) + (c.format[0] ? " to psp" : " to mp4"));
            TOutputOptions o;
            o.VideoCodec = "libx264";
            o.AudioCodec = "libfaac";
            o.FileFormat = c.format;
            o.FrameSize = "320x240";
            o.VideoBitrate = 500000;
            o.ExtOptions = c.block;
            o.RecordingTime = 400000;
            const std::string out = encfix::Output("block.mp4");
            const TTerminateInfo r = encfix::Convert(encfix::Input(input), out, o);
            ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
            const std::string settings = X264Settings(out);
            for (const char* s : c.settings)
                EXPECT_NE(settings.find(s), std::string::npos) << s << " in " << settings;
            EXPECT_EQ(encfix::StreamEntry(out, "v", "profile,level"), c.profileAndLevel);
        }
    // a pixel format asked for is kept
    TOutputOptions o;
    o.VideoCodec = "libx264";
    o.DisableAudio = true;
    o.ExtOptions = "pix_fmt=yuv444p";
    o.RecordingTime = 400000;
    const std::string out = encfix::Output("asked444.mp4");
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
    EXPECT_EQ(encfix::StreamEntry(out, "v", "pix_fmt"), "yuv444p");
}

TEST(LegacyOptions, EveryBuiltinPresetEncodes) {
    ASSERT_TRUE(LoadAVLib(""));
    for (const TOptionsPreset& p : BuiltinPresets()) {
        TOutputOptions o;
        o.VideoCodec = "libx264";
        o.VideoPreset = p.Name;
        o.DisableAudio = true;
        o.FrameSize = "64x48";
        o.ExtOptions = "vframes=6";
        const std::string out = encfix::Output("preset.mp4");
        const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
        EXPECT_TRUE(r.Finished && !r.ErrorOccurred) << p.Name << ": " << r.ErrorMessage;
        const encfix::Facts f = encfix::Probe(out);
        EXPECT_EQ(f.vcodec, "h264") << p.Name;
        // what some presets mean reaches the encoder
        const std::string settings = X264Settings(out);
        const std::string name = p.Name;
        std::vector<const char*> expected;
        if (name == "libx264-default")
            expected = {"subme=7",  "ref=3",     "trellis=1",         "weightp=2", "mixed_ref=1",
                        "8x8dct=1", "bframes=3", "analyse=0x3:0x113", "direct=1"};
        if (name == "libx264-baseline") expected = {"cabac=0", "bframes=0", "8x8dct=0", "weightp=0"};
        if (name == "libx264-lossless_fast") expected = {"rc=cqp", "qp=0"};
        if (name == "libx264-ultrafast") expected = {"subme=0", "me=dia", "deblock=0", "analyse=0x1:0"};
        for (const char* e : expected)
            EXPECT_NE(settings.find(e), std::string::npos) << name << ": " << e << " in " << settings;
    }
}
