#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "TempDir.h"
#include "app/IniFile.h"
#include "app/SettingsStore.h"

using namespace app;

namespace {

TGlobalVars DefaultsIn(const TempDir& tmp) {
    TGlobalVars v;
    v.SettingsFolder = tmp.path() + "/";
    v.LastOpenDir = v.OutputFileDir = v.OutputURLDir = "/home/user/Documents";
    return v;
}

TEST(SettingsStore, FirstStartWritesEveryKeyAtItsDefault) {
    TempDir tmp;
    TGlobalVars v = DefaultsIn(tmp);
    EXPECT_FALSE(LoadSettings(v));
    const QByteArray expected =
        "[System]\n"
        "LastOpenDir=/home/user/Documents\nOutputFileDir=/home/user/Documents\nOutputURLDir=/home/user/"
        "Documents\n"
        "OutputFormatClass=0\nOutputAudioFormat=0\nOutputVideoFormat=0\nOutputDeviceFormat=0\n"
        "OutputWAVPreset=3\nOutputMP3Preset=2\nOutputWMAPreset=1\nOutputOGGPreset=3\nOutputM4APreset=0\n"
        "OutputAACPreset=3\nOutputFLACPreset=5\nOutputMP2Preset=0\nOutputAVIPreset=3\nOutputMP4Preset=3\n"
        "OutputFLVPreset=1\nOutputSWFPreset=1\nOutputMPEGPreset=5\nOutputRMPreset=1\nOutputWMVPreset=16\n"
        "OutputMOVPreset=7\nOutput3GPPreset=2\nOutputiPodPreset=5\nOutputiPhonePreset=1\n"
        "OutputAppleTVPreset=1\nOutputPSPPreset=1\nOutputBlackBerryPreset=1\nOutputMobilePhonePreset=1\n"
        "OutputiPadPreset=0\nPlayASoundWhenFinished=0\nShutDownWhenFinished=0\nSimultaneousConversions=0\n"
        "PreferYouTubeQuality=1\n"
        "PreferYouTube1=1\nPreferYouTube2=2\nPreferYouTube3=3\nPreferYouTube4=0\nPreferYouTube5=4\n"
        "PreferYouTube6=5\nPreferYouTube7=6\nPreferYouTube18=7\n";
    EXPECT_EQ(tmp.read("system.dat"), expected);
    EXPECT_TRUE(LoadSettings(v));  // now it exists
}

TEST(SettingsStore, RoundTripKeepsEveryField) {
    TempDir tmp;
    TGlobalVars out = DefaultsIn(tmp);
    out.LastOpenDir = "/media/clips/";
    out.OutputFileDir = "/out/with = sign/";
    out.OutputURLDir = "/dl/Ü/";
    out.OutputFormatClass = 2;
    out.OutputAudioFormat = 7;
    out.OutputVideoFormat = 8;
    out.OutputDeviceFormat = 6;
    for (int i = 0; i < psCount; ++i)
        out.PresetIndex[i] = 100 + i;
    out.PresetIndex[psM4A] = -1;  // a list without selection
    out.PlayASoundWhenFinished = true;
    out.ShutDownWhenFinished = true;
    out.SimultaneousConversions = 16;
    out.PreferYouTubeQuality = false;
    out.QualityOrder = {7, 6, 5, 4, 3, 2, 1, 0};
    ASSERT_TRUE(SaveSettings(out));

    TGlobalVars in = DefaultsIn(tmp);
    ASSERT_TRUE(LoadSettings(in));
    EXPECT_EQ(in.LastOpenDir, out.LastOpenDir);
    EXPECT_EQ(in.OutputFileDir, out.OutputFileDir);
    EXPECT_EQ(in.OutputURLDir, out.OutputURLDir);
    EXPECT_EQ(in.OutputFormatClass, 2);
    EXPECT_EQ(in.OutputAudioFormat, 7);
    EXPECT_EQ(in.OutputVideoFormat, 8);
    EXPECT_EQ(in.OutputDeviceFormat, 6);
    EXPECT_EQ(in.PresetIndex, out.PresetIndex);
    EXPECT_TRUE(in.PlayASoundWhenFinished);
    EXPECT_TRUE(in.ShutDownWhenFinished);
    EXPECT_EQ(in.SimultaneousConversions, 16);
    EXPECT_FALSE(in.PreferYouTubeQuality);
    EXPECT_EQ(in.QualityOrder, out.QualityOrder);
}

TEST(SettingsStore, DamagedFileGivesDefaultsPerKey) {
    TempDir tmp;
    tmp.write("system.dat",
              "garbage line without equals\n"
              "[System]\n"
              "OutputFormatClass=258\n"        // bytes keep their low 8 bits: 2 (Audio)
              "OutputAudioFormat=abc\n"        // not a number: default
              "OutputMP3Preset=99999999999\n"  // too big: default
              "OutputWAVPreset= 4 \n"
              "PreferYouTube8=0\n"  // not the key of the eighth entry
              "PreferYouTube18=3\n"
              "PreferYouTube1=300\n"     // 44 after the low 8 bits: no quality type, the default
              "OutputVideoFormat=9\n"    // no such format: the default
              "OutputDeviceFormat=-1\n"  // 255: the default
              "OutputMP4Preset=-5\n"     // below "no selection": the default
              "OutputAVIPreset=-1\n"
              "PlayASoundWhenFinished=yes\n"
              "SimultaneousConversions=17\n"  // more than the setting offers: automatic
              "\x01\x02\xff\xfe binary noise\n");
    TGlobalVars v = DefaultsIn(tmp);
    v.OutputAudioFormat = 5;  // the profile's default
    ASSERT_TRUE(LoadSettings(v));
    EXPECT_EQ(v.OutputFormatClass, 2);
    EXPECT_EQ(v.OutputAudioFormat, 5);
    EXPECT_EQ(v.PresetIndex[psMP3], 2);
    EXPECT_EQ(v.PresetIndex[psWAV], 4);
    EXPECT_EQ(v.QualityOrder[7], 3);
    EXPECT_EQ(v.QualityOrder[3], 0);
    EXPECT_EQ(v.QualityOrder[0], 1);
    EXPECT_EQ(v.OutputVideoFormat, 0);
    EXPECT_EQ(v.OutputDeviceFormat, 0);
    EXPECT_EQ(v.PresetIndex[psMP4], 3);
    EXPECT_EQ(v.PresetIndex[psAVI], -1);
    EXPECT_FALSE(v.PlayASoundWhenFinished);
    EXPECT_EQ(v.SimultaneousConversions, 0);
    EXPECT_EQ(v.LastOpenDir, "/home/user/Documents");  // missing key: the current value
}

TEST(SettingsStore, AnUnreadableFileIsReportedAndLeftAlone) {
    TempDir tmp;
    QDir().mkdir(tmp.path("system.dat"));  // there, but no file to read (root reads every file)
    TGlobalVars v = DefaultsIn(tmp);
    v.OutputFileDir = "/kept/";
    QString saveError, readError;
    EXPECT_FALSE(LoadSettings(v, &saveError, &readError));
    EXPECT_TRUE(readError.contains("system.dat"));
    EXPECT_TRUE(saveError.isEmpty());  // no attempt to create it
    EXPECT_EQ(v.OutputFileDir, "/kept/");
    EXPECT_FALSE(SaveSettingsAndPlacements(v, {{"Form", {1, 2, 3, 4, false}}}));
    EXPECT_TRUE(QFileInfo(tmp.path("system.dat")).isDir());
}

TEST(SettingsStore, CloseWritesSettingsAndPlacementsTogetherAndKeepsTheRest) {
    TempDir tmp;
    tmp.write(
        "system.dat",
        "; hand-written note\n[FormLog]\nx=5\ny=6\nheight=7\nwidth=8\nmaximized=0\n[Extra]\nkeep=\xE9\n");
    TGlobalVars v = DefaultsIn(tmp);
    ASSERT_TRUE(SaveSettingsAndPlacements(v, {{"Form", {10, 20, 760, 550, true}}}));
    const QByteArray text = tmp.read("system.dat");
    EXPECT_TRUE(text.startsWith(
        "; hand-written note\n[FormLog]\nx=5\ny=6\nheight=7\nwidth=8\nmaximized=0\n[Extra]\nkeep=\xE9\n"));
    const IniFile ini(tmp.path("system.dat"));
    EXPECT_EQ(ini.ReadInteger("System", "OutputWMVPreset", -1), 16);
    EXPECT_EQ(ini.ReadInteger("Form", "width", -1), 760);
    EXPECT_TRUE(ini.ReadBool("Form", "maximized", false));
}

TEST(SettingsStore, SaveIntoMissingFolderFails) {
    TempDir tmp;
    TGlobalVars v = DefaultsIn(tmp);
    v.SettingsFolder = tmp.path() + "/gone/";
    QString error;
    EXPECT_FALSE(SaveSettings(v, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Placement, ClampsToTheScreen) {
    TempDir tmp;
    const QString file = tmp.path("p.dat");
    const WindowPlacement current{10, 20, 760, 550, false};
    struct Case {
        const char* stored;
        WindowPlacement expected;
    } cases[] = {
        {"", {10, 20, 760, 550, false}},                                         // nothing stored
        {"x=100\ny=50\nwidth=760\nheight=550\n", {100, 50, 760, 550, false}},    // fits
        {"x=300\ny=300\nwidth=5000\nheight=550\n", {0, 218, 1024, 550, false}},  // wider than the screen
        {"x=900\ny=700\nwidth=760\nheight=550\n", {264, 218, 760, 550, false}},  // off the right and bottom
        {"x=-50\ny=-9\nwidth=760\nheight=550\nmaximized=1\n", {0, 0, 760, 550, true}},
        {"x=abc\ny=\n", {10, 20, 760, 550, false}},
        // Nothing of the window on the screen, or no size: centred at the current size.
        {"x=3000\ny=10\nwidth=-100\nheight=550\n", {132, 109, 760, 550, false}},
        {"x=10\ny=10\nwidth=0\nheight=550\nmaximized=1\n", {132, 109, 760, 550, true}},
        {"x=1024\ny=0\nwidth=760\nheight=550\n", {132, 109, 760, 550, false}},
        {"x=-760\ny=0\nwidth=760\nheight=550\n", {132, 109, 760, 550, false}},
        {"x=0\ny=-2147483648\nwidth=760\nheight=-2147483648\n", {132, 109, 760, 550, false}},
        {"x=2147483647\ny=2147483647\n", {132, 109, 760, 550, false}},
        {"x=-2000000000\ny=0\nwidth=2147483647\nheight=550\n", {0, 0, 1024, 550, false}},  // no overflow
    };
    for (const auto& c : cases) {
        tmp.write("p.dat", QByteArray("[Form]\n") + c.stored);
        const WindowPlacement p = LoadPlacement("Form", current, 1024, 768, file);
        EXPECT_EQ(p.x, c.expected.x) << c.stored;
        EXPECT_EQ(p.y, c.expected.y) << c.stored;
        EXPECT_EQ(p.width, c.expected.width) << c.stored;
        EXPECT_EQ(p.height, c.expected.height) << c.stored;
        EXPECT_EQ(p.maximized, c.expected.maximized) << c.stored;
    }
}

TEST(Placement, SavesMaximizedLastAndDefaultsToTheSettingsFile) {
    TempDir tmp;
    GlobalVars().SettingsFolder = tmp.path() + "/";
    ASSERT_TRUE(SavePlacement("FormLog", {1, 2, 300, 200, true}, "  "));
    EXPECT_EQ(tmp.read("system.dat"), "[FormLog]\nx=1\ny=2\nheight=200\nwidth=300\nmaximized=1\n");
    GlobalVars().SettingsFolder.clear();
}

}  // namespace
