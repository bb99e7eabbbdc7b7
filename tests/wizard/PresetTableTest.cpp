#include "wizard/PresetTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace wizard {
namespace {

TEST(PresetTableTest, FormatsAgreeWithTheirClassIndexAndSettingsSlot) {
    const app::TGlobalVars defaults;
    std::set<std::string> keys;
    std::set<int> slotsSeen;
    for (int cls = app::fcVideo; cls <= app::fcAudio; ++cls) {
        const auto formats = OutputFormatsOf(static_cast<app::TFormatClass>(cls));
        for (int i = 0; i < static_cast<int>(formats.size()); ++i) {
            const OutputFormat& f = formats[i];
            SCOPED_TRACE(f.Name);
            EXPECT_EQ(f.Class, cls);
            EXPECT_EQ(f.Index, i);
            EXPECT_EQ(FindOutputFormat(cls, i), &f);
            EXPECT_EQ(&OutputFormatOfSlot(f.Slot), &f);
            EXPECT_EQ(defaults.PresetIndex[f.Slot], f.DefaultPreset) << "record default and table disagree";
            EXPECT_NE(FindPreset(f, f.DefaultPreset), nullptr);
            EXPECT_TRUE(keys.insert(f.PresetKey).second);
            EXPECT_TRUE(slotsSeen.insert(f.Slot).second);
            EXPECT_EQ(std::string(f.ListName), std::string("ImageComboBox") + f.Name + "Presets");
            if (cls == app::fcDevice) {
                EXPECT_STREQ(f.Extension, ".mp4");
            }
        }
    }
}

TEST(PresetTableTest, OutOfRangeLookupsFindNothing) {
    EXPECT_EQ(FindOutputFormat(3, 0), nullptr);
    EXPECT_EQ(FindOutputFormat(-1, 0), nullptr);
    EXPECT_EQ(FindOutputFormat(app::fcVideo, 9), nullptr);
    EXPECT_EQ(FindOutputFormat(app::fcDevice, 7), nullptr);
    EXPECT_EQ(FindOutputFormat(app::fcAudio, 8), nullptr);
    EXPECT_EQ(FindOutputFormat(app::fcAudio, -1), nullptr);
    const OutputFormat& mp2 = *FindOutputFormat(app::fcAudio, 7);
    EXPECT_STREQ(mp2.Name, "MP2");
    EXPECT_EQ(FindPreset(mp2, -1), nullptr);
    EXPECT_EQ(FindPreset(mp2, 3), nullptr);
    EXPECT_NE(FindPreset(mp2, 2), nullptr);
}

// Labels shown byte for byte, blanks and typos included.
TEST(PresetTableTest, LabelsKeepTheirExactBytes) {
    struct Case {
        int cls, format, preset;
        const char* label;
    };
    // clang-format off
    const Case cases[] = {
        {app::fcDevice, 0, 1, "iPod Touch High Quality (H264, 30 fps, 480x320, 2500 kbps; AAC - 160 kbps) "},
        {app::fcDevice, 0, 3, "iPod Touch Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps) "},
        {app::fcVideo, 5, 3, "RM - Low Quality  - (256 kbps, Original)"},
        {app::fcVideo, 5, 4, "RM - Least Quality  - (128 kbps, Original)"},
        {app::fcAudio, 0, 2, "FM Radio Quality - PCM: 22050 Hz, Sterro, 24 bits"},
        {app::fcAudio, 2, 4, "WMA Losslesss Audio"},
        {app::fcVideo, 0, 21, "Nindendo Wii Clip"},
        {app::fcVideo, 1, 3, "Apple iPhone/iTouch - (H.264,640x420)"},
        {app::fcAudio, 7, 2, "FM Quality - MPEG layer-2: 22050 Hz, Stereo, 128 kbps"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const Preset* p = FindPreset(*FindOutputFormat(c.cls, c.format), c.preset);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(std::string(p->Label), c.label);
    }
}

// Values that differ from what the label says: the table is what is written.
TEST(PresetTableTest, ValuesThatDifferFromTheirLabels) {
    const auto preset = [](int cls, int format, int index) {
        return FindPreset(*FindOutputFormat(cls, format), index)->Settings;
    };
    EXPECT_EQ(preset(app::fcAudio, 4, 1).AudioSampleRate, 22500);
    EXPECT_EQ(preset(app::fcAudio, 5, 1).AudioSampleRate, 44800);
    EXPECT_EQ(preset(app::fcAudio, 5, 1).AudioCodec, nullptr);
    EXPECT_EQ(preset(app::fcVideo, 6, 15).AudioBitrate, 196000);
    EXPECT_STREQ(preset(app::fcDevice, 2, 0).FrameSize, "640x480");
    EXPECT_STREQ(preset(app::fcDevice, 1, 1).FrameRate, "30");
    EXPECT_EQ(preset(app::fcVideo, 8, 0).AudioCodec, nullptr);
    EXPECT_EQ(preset(app::fcVideo, 0, 17).AudioBitrate, 705000);

    const PresetSettings dvd = preset(app::fcVideo, 4, 2);
    EXPECT_EQ(dvd.Target, 3);
    EXPECT_EQ(dvd.TargetNorm, 2);
    const PresetSettings hd = preset(app::fcVideo, 4, 0);
    EXPECT_EQ(hd.VideoMaxRate, 15000000);
    EXPECT_EQ(hd.VideoMinRate, 15000000);
    EXPECT_EQ(hd.VideoBufSize, 6881000);
    EXPECT_TRUE(preset(app::fcAudio, 2, 4).AudioBitrateFromSource);
    EXPECT_EQ(preset(app::fcAudio, 2, 4).SourceAudioBitrateMax, 320000);
    EXPECT_FALSE(preset(app::fcAudio, 2, 3).AudioBitrateFromSource);
}

TEST(PresetTableTest, X264BlocksEndTheirLinesAsTheEngineExpects) {
    const std::string a = kX264BlockA, b = kX264BlockB;
    EXPECT_EQ(a.substr(0, 13), "flags=+loop\r\n");
    EXPECT_EQ(a.substr(a.size() - 16), "i_qfactor=0.71\r\n");
    EXPECT_EQ(b.substr(b.size() - 10), "\r\nlevel=21");
    EXPECT_NE(b.find("rc_eq='blurCplx^(1-qComp)'\r\n"), std::string::npos);
    const OutputFormat& psp = *FindOutputFormat(app::fcDevice, 3);
    EXPECT_STREQ(psp.Common.FileFormat, "psp");
    EXPECT_EQ(psp.Common.ExtOptions, kX264BlockB);
    EXPECT_EQ(FindOutputFormat(app::fcDevice, 0)->Common.ExtOptions, kX264BlockA);
}

}  // namespace
}  // namespace wizard
