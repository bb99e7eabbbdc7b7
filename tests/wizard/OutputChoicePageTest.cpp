// The output choice without a window: which buttons stand pressed, what Show hands the preset lists and what
// Store keeps.
#include "wizard/OutputChoicePage.h"

#include <gtest/gtest.h>

#include "wizard/PresetTable.h"

namespace wizard {
namespace {

using app::TGlobalVars;

std::array<int, app::psCount> Unchanged(const TGlobalVars& g) {
    return g.PresetIndex;
}

TEST(OutputChoicePageTest, ShowClicksTheStoredClassAndEachClassesFormat) {
    TGlobalVars g;
    g.OutputFormatClass = app::fcDevice;
    g.OutputVideoFormat = 4;   // MPEG
    g.OutputDeviceFormat = 2;  // AppleTV
    g.OutputAudioFormat = 6;   // FLAC
    g.PresetIndex[app::psFLAC] = 8;
    OutputChoicePage choice(g);
    EXPECT_EQ(choice.PressedClass(), -1);
    const auto selections = choice.Show();
    EXPECT_EQ(choice.PressedClass(), app::fcDevice);
    EXPECT_EQ(choice.PressedFormat(app::fcVideo), 4);
    EXPECT_EQ(choice.PressedFormat(app::fcDevice), 2);
    EXPECT_EQ(choice.PressedFormat(app::fcAudio), 6);
    EXPECT_EQ(selections[app::psFLAC], 8);
    // Untouched formats show their defaults.
    for (const OutputFormat& f : OutputFormats()) {
        if (f.Slot != app::psFLAC) {
            EXPECT_EQ(selections[f.Slot], f.DefaultPreset) << f.Name;
        }
    }
}

TEST(OutputChoicePageTest, StoredValuesOutsideTheirRangeChangeNothingOrSelectNothing) {
    TGlobalVars g;
    OutputChoicePage choice(g);
    choice.Show();  // Video, AVI, iPod, WAV
    // A hand-edited settings file: class 5, video format 9, presets outside their lists.
    g.OutputFormatClass = 5;
    g.OutputVideoFormat = 9;
    g.OutputAudioFormat = 1;
    g.PresetIndex[app::psMP3] = 4;
    g.PresetIndex[app::psAVI] = -7;
    const auto selections = choice.Show();
    EXPECT_EQ(choice.PressedClass(), app::fcVideo);    // no class was clicked
    EXPECT_EQ(choice.PressedFormat(app::fcVideo), 0);  // no video format was clicked
    EXPECT_EQ(choice.PressedFormat(app::fcAudio), 1);
    EXPECT_EQ(g.OutputFormatClass, 5);  // the record keeps what it holds
    EXPECT_EQ(selections[app::psMP3], -1);
    EXPECT_EQ(selections[app::psAVI], -1);
    // Next stores "no selection" for them.
    choice.Store(QStringLiteral("/out"), selections);
    EXPECT_EQ(g.PresetIndex[app::psMP3], -1);
    EXPECT_EQ(g.PresetIndex[app::psAVI], -1);
    EXPECT_EQ(g.OutputFileDir, "/out/");
}

TEST(OutputChoicePageTest, ClicksChangeOnlyTheirOwnClass) {
    TGlobalVars g;
    g.OutputVideoFormat = 1;
    g.OutputDeviceFormat = 3;
    g.OutputAudioFormat = 2;
    OutputChoicePage choice(g);
    choice.Show();

    choice.ClickFormat(app::fcAudio, 7);  // MP2 on the audio page
    EXPECT_EQ(g.OutputAudioFormat, 7);
    EXPECT_EQ(g.OutputVideoFormat, 1);
    EXPECT_EQ(g.OutputDeviceFormat, 3);
    EXPECT_EQ(g.OutputFormatClass, app::fcVideo);  // a format click does not change the class
    EXPECT_EQ(choice.PressedFormat(app::fcVideo), 1);
    EXPECT_EQ(choice.PressedFormat(app::fcDevice), 3);

    choice.ClickClass(app::fcDevice);
    EXPECT_EQ(g.OutputFormatClass, app::fcDevice);
    EXPECT_EQ(g.OutputAudioFormat, 7);
    EXPECT_EQ(g.OutputDeviceFormat, 3);
    // Clicking the current choice again changes nothing.
    const TGlobalVars before = g;
    choice.ClickClass(app::fcDevice);
    choice.ClickFormat(app::fcDevice, 3);
    EXPECT_EQ(g.OutputFormatClass, before.OutputFormatClass);
    EXPECT_EQ(g.OutputDeviceFormat, before.OutputDeviceFormat);
    // Buttons that do not exist are not clicked.
    choice.ClickFormat(app::fcDevice, 7);
    choice.ClickClass(3);
    EXPECT_EQ(g.OutputDeviceFormat, 3);
    EXPECT_EQ(choice.PressedClass(), app::fcDevice);
}

TEST(OutputChoicePageTest, PresetsChangeOnlyWhenStored) {
    TGlobalVars g;
    OutputChoicePage choice(g);
    auto lists = choice.Show();
    lists[app::psMP4] = 7;  // chosen on the page, then Back: nothing stored
    EXPECT_EQ(choice.Show()[app::psMP4], 3);
    lists = choice.Show();
    lists[app::psMP4] = 7;
    choice.Store(QStringLiteral("/videos/"), lists);  // Next
    EXPECT_EQ(g.PresetIndex[app::psMP4], 7);
    EXPECT_EQ(g.OutputFileDir, "/videos/");
    EXPECT_EQ(choice.Show(), Unchanged(g));
}

}  // namespace
}  // namespace wizard
