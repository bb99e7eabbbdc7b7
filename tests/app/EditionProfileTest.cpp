#include <gtest/gtest.h>

#include "TempDir.h"
#include "app/EditionBranding.h"
#include "app/EditionProfile.h"
#include "app/Folders.h"

using namespace app;

namespace {

TEST(EditionProfile, MissingFileGivesAllDefaults) {
    TempDir tmp;
    const EditionProfile p = ReadEditionProfile(EditionProfilePath(tmp.path()));
    EXPECT_EQ(EditionProfilePath("/opt/x"), "/opt/x/lame.dll");
    EXPECT_TRUE(p.Name.isEmpty());
    EXPECT_TRUE(p.Download);
    EXPECT_TRUE(p.Video);
    EXPECT_FALSE(p.Merge);
    EXPECT_EQ(p.SkinNumber(), 0);
    for (bool f : p.VideoFormats)
        EXPECT_FALSE(f);
    for (bool f : p.DeviceFormats)
        EXPECT_FALSE(f);
    for (bool f : p.AudioFormats)
        EXPECT_FALSE(f);
}

TEST(EditionProfile, ReadsKeysAndSeedsTheRecord) {
    TempDir tmp;
    tmp.write("lame.dll",
              "[SYSTEM]\nName=Reelwright Audio\nVersion=2.1.0.5\nDownload=0\nRes=2\nWAV=1\nmp3=1\nIPAD=1\n"
              "3GP=1\nDefaultAudio=258\nDefaultClass=5\nDefaultVideo=8\nSkin=3\nMerge=1\nCopyright=Us\n");
    const EditionProfile p = ReadEditionProfile(tmp.path("lame.dll"));
    EXPECT_EQ(ReadEditionTitle(tmp.path("lame.dll")), "Reelwright Audio");
    EXPECT_EQ(p.Version, "2.1.0.5");
    EXPECT_EQ(p.Res, "2");
    EXPECT_FALSE(p.Download);
    EXPECT_TRUE(p.AudioFormats[0] && p.AudioFormats[1] && p.DeviceFormats[6] && p.VideoFormats[8]);
    EXPECT_FALSE(p.AudioFormats[2]);
    EXPECT_EQ(p.SkinNumber(), 3);

    TGlobalVars v;
    ApplyProfileToGlobals(p, v);
    EXPECT_FALSE(v.Download);
    EXPECT_TRUE(v.Merge);
    EXPECT_EQ(v.OutputFormatClass, fcVideo);  // 5 is not a class
    EXPECT_EQ(v.OutputAudioFormat, 2);        // low 8 bits of 258: WMA
    EXPECT_EQ(v.OutputVideoFormat, 8);
}

TEST(EditionProfile, SkinThatIsNotAnIntegerIsReported) {
    TempDir tmp;
    for (const char* bad : {"Skin=blue", "Skin=1.5", "Skin=", "Skin=99999999999"}) {
        tmp.write("lame.dll", QByteArray("[SYSTEM]\n") + bad + "\n");
        EXPECT_FALSE(ReadEditionProfile(tmp.path("lame.dll")).SkinNumber().has_value()) << bad;
    }
}

TEST(Folders, SettingsFolderFromTitle) {
    EXPECT_EQ(SettingsFolderName("/home/u/.config", "Reelwright Video Converter"),
              "/home/u/.config/Reelwright Video Converter/");
    EXPECT_EQ(SettingsFolderName("/home/u/.config", "AC/DC Tools"), "/home/u/.config/AC DC Tools/");
    EXPECT_EQ(SettingsFolderName("/home/u/.config", "../.."), "/home/u/.config/.. ../");
    // Titles that would name the config folder itself or its parent.
    for (const char* title : {"", "   ", ".", "..", " .. ", "/", "//"}) {
        EXPECT_EQ(SettingsFolderName("/home/u/.config", title), "/home/u/.config/Reelwright Video Converter/")
            << '"' << title << '"';
    }
    EXPECT_EQ(SkinFolderName("/opt/rw", "2"), "/opt/rw/sounds/res2/");
    EXPECT_EQ(SkinFolderName("/opt/rw", ""), "/opt/rw/sounds/res/");
    EXPECT_EQ(EngineLibraryFolder("/opt/rw"), "/opt/rw/lib");
}

TEST(Folders, SettingsFolderIsCreatedOrFallsBack) {
    TempDir tmp;
    const QString config = tmp.path("fresh-home/.config");  // the config folder itself does not exist yet
    EXPECT_EQ(EnsureSettingsFolder(config, "A/B"), config + "/A B/");
    EXPECT_TRUE(QFileInfo(config + "/A B").isDir());
    tmp.write("blocker", "a file where the folder should be");
    EXPECT_EQ(EnsureSettingsFolder(tmp.path("blocker"), "X"), tmp.path("blocker") + "/");
}

TEST(EditionBranding, RowsMatchByTitleOrFamilyPrefix) {
    struct Case {
        const char* title;
        const char* row;  // nullptr: no row
    } cases[] = {
        {"Reelwright Video Converter", "Reelwright Video Converter"},
        {"Reelwright Video Converter ", nullptr},  // whole titles compare exactly
        {"ReelKit Free MP3 Converter", "ReelKit Free"},
        {"ReelKit Fre", nullptr},
        {"Studio Media Converter", "Studio Media Converter"},
        {"Reelwright Pro Converter", "Reelwright Pro Converter"},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const EditionBrandingRow* row = FindEditionBranding(c.title);
        if (!c.row) {
            EXPECT_EQ(row, nullptr) << c.title;
        } else {
            ASSERT_NE(row, nullptr) << c.title;
            EXPECT_EQ(row->Title, c.row);
        }
    }
    EXPECT_TRUE(FindEditionBranding("Studio Media Converter")->MinimalChrome);
    EXPECT_TRUE(FindEditionBranding("Reelwright Pro Converter")->CompactAbout);
    EXPECT_EQ(EditionIconName("Studio Media Converter"), "reelwright");  // minimal chrome: the main icon
    EXPECT_EQ(EditionIconName("ReelKit Free DVD Ripper"), "reelkit");
    EXPECT_EQ(EditionIconName("Unknown"), "");
}

}  // namespace
