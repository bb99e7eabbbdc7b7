// Step2's output choice in the started main window (offscreen): the class and format buttons, the preset
// lists with their labels, Back dropping an unstored preset, and the choice saved at close and shown again
// at the next start.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "MediaClips.h"
#include "ProgramFolder.h"
#include "app/Globals.h"
#include "app/IniFile.h"
#include "ui/FormMain.h"
#include "ui/ImageButton.h"
#include "ui/MainWizard.h"
#include "ui/WizardPages.h"

using ui::TFormMain;

namespace {

MediaClips& ChoiceClips() {
    static MediaClips clips;
    return clips;
}

const QByteArray kEveryFormat =
    "AVI=1\nMP4=1\nFLV=1\nSWF=1\nMPEG=1\nRM=1\nWMV=1\nMOV=1\n3GP=1\n"
    "IPOD=1\nIPHONE=1\nAPPLETV=1\nPSP=1\nBLACKBERRY=1\nMOBILEPHONE=1\nIPAD=1\n"
    "WAV=1\nMP3=1\nWMA=1\nOGG=1\nAAC=1\nM4A=1\nFLAC=1\nMP2=1\n";

QByteArray ConvertEdition() {
    return ProgramFolder::Profile("Name=Reelwright Video Converter\nDownload=0\n" + kEveryFormat);
}

// Starts the window on Step1 with one file listed and goes on to Step2.
void ToStep2(TFormMain& form) {
    QCoreApplication::processEvents();  // DeferredStart
    if (form.Wizard()->InputRowCount() == 0) form.Wizard()->AddInputFiles({ChoiceClips().Path("video.mp4")});
    QTest::mouseClick(form.ButtonNext, Qt::LeftButton);
    ASSERT_EQ(form.PageControlMain->currentWidget(), form.TabSheetStep2);
}

QString PressedFormats(const TFormMain& form, int cls) {
    QString s;
    for (ui::TImageButton* b : form.FormatButtonsOf(cls))
        s += b->isEnabled() ? '-' : '#';
    return s;
}

TEST(OutputChoiceWindow, ListsHoldEveryLabelAsWritten) {
    ProgramFolder program(ConvertEdition());
    TFormMain form(program.dir());
    struct Case {
        int cls, format, preset;
        const char* label;
    };
    // clang-format off
    const Case cases[] = {
        {app::fcDevice, 0, 1, "iPod Touch High Quality (H264, 30 fps, 480x320, 2500 kbps; AAC - 160 kbps) "},
        {app::fcVideo, 5, 3, "RM - Low Quality  - (256 kbps, Original)"},
        {app::fcVideo, 0, 28, "Video: Uncompressed, Original; Audio: PCM"},
        {app::fcVideo, 6, 16, "Windows Media Video 9 Standard Quality"},
        {app::fcAudio, 0, 2, "FM Radio Quality - PCM: 22050 Hz, Sterro, 24 bits"},
        {app::fcAudio, 6, 8, "Compression Level 8"},
        {app::fcDevice, 6, 0, "iPad High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)"},
    };
    // clang-format on
    for (const Case& c : cases) {
        QComboBox* list = form.PresetList(c.cls, c.format);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->itemText(c.preset), QString::fromUtf8(c.label));
        EXPECT_EQ(list->maxVisibleItems(), 10);
    }
    EXPECT_EQ(form.PresetList(app::fcVideo, 0)->objectName(), "ImageComboBoxAVIPresets");
    EXPECT_EQ(form.PresetList(app::fcVideo, 0)->count(), 29);  // nothing after the last label
    EXPECT_EQ(form.LabelPresetsAudio->text(), "Presets:");
    form.close();
}

TEST(OutputChoiceWindow, ButtonsShowTheChoiceAndBackDropsAnUnstoredPreset) {
    ProgramFolder program(ConvertEdition() + "DefaultClass=0\nDefaultVideo=1\nDefaultAudio=1\n");
    TFormMain form(program.dir());
    ToStep2(form);
    ui::TWizardPages& pages = form.Wizard()->Pages();
    // The edition's defaults: Video with MP4 pressed, MP4's list in front at its default preset.
    EXPECT_FALSE(form.ButtonToFormatVideo->isEnabled());
    EXPECT_TRUE(form.ButtonToFormatAudio->isEnabled());
    EXPECT_EQ(form.RzPageControlToFormat->currentWidget(), form.TabSheetToFormatVideo);
    EXPECT_EQ(PressedFormats(form, app::fcVideo), "-#-------");
    EXPECT_TRUE(form.PresetList(app::fcVideo, 1)->isVisibleTo(form.TabSheetToFormatVideo));
    EXPECT_FALSE(form.PresetList(app::fcVideo, 0)->isVisibleTo(form.TabSheetToFormatVideo));
    EXPECT_EQ(form.PresetList(app::fcVideo, 1)->currentIndex(), 3);
    EXPECT_EQ(pages.EditOutputDir->text(), app::GlobalVars().OutputFileDir);

    // Audio, then MP2: the video page keeps its pressed button and format.
    QTest::mouseClick(form.ButtonToFormatAudio, Qt::LeftButton);
    EXPECT_EQ(form.RzPageControlToFormat->currentWidget(), form.TabSheetToFormatAudio);
    EXPECT_EQ(app::GlobalVars().OutputFormatClass, app::fcAudio);
    QTest::mouseClick(form.AudioFormatButtons[7], Qt::LeftButton);
    EXPECT_EQ(PressedFormats(form, app::fcAudio), "-------#");
    EXPECT_EQ(PressedFormats(form, app::fcVideo), "-#-------");
    EXPECT_EQ(app::GlobalVars().OutputAudioFormat, 7);
    EXPECT_EQ(app::GlobalVars().OutputVideoFormat, 1);
    // A pressed button cannot be clicked again.
    QTest::mouseClick(form.AudioFormatButtons[7], Qt::LeftButton);
    EXPECT_FALSE(form.AudioFormatButtons[7]->isEnabled());

    // A preset changed and left with Back is not kept; the class and format clicks are.
    form.PresetList(app::fcAudio, 7)->setCurrentIndex(2);
    QTest::mouseClick(form.ButtonBack, Qt::LeftButton);
    QTest::mouseClick(form.ButtonNext, Qt::LeftButton);
    EXPECT_EQ(form.PresetList(app::fcAudio, 7)->currentIndex(), 0);
    EXPECT_EQ(form.RzPageControlToFormat->currentWidget(), form.TabSheetToFormatAudio);
    EXPECT_EQ(PressedFormats(form, app::fcAudio), "-------#");
    form.close();
}

TEST(OutputChoiceWindow, TheChoiceIsSavedAtCloseAndShownAtTheNextStart) {
    ProgramFolder program(ConvertEdition());
    const QString out = program.home() + "/converted";
    {
        TFormMain form(program.dir());
        ToStep2(form);
        QTest::mouseClick(form.ButtonToFormatDevice, Qt::LeftButton);
        QTest::mouseClick(form.DeviceFormatButtons[3], Qt::LeftButton);  // PSP
        form.PresetList(app::fcDevice, 3)->setCurrentIndex(2);
        form.PresetList(app::fcVideo, 0)->setCurrentIndex(27);  // AVI, on the hidden video page
        form.Wizard()->Pages().EditOutputDir->setText(out);
        QComboBox* simultaneous = form.Wizard()->Pages().ComboBoxSimultaneous;
        EXPECT_EQ(simultaneous->currentText(), "Automatic");  // the default
        EXPECT_EQ(simultaneous->count(), 17);
        simultaneous->setCurrentIndex(3);
        QTest::mouseClick(form.ButtonNext, Qt::LeftButton);  // Convert: the choice is stored
        QCoreApplication::processEvents();                   // the run (no engine yet) ends at once
        form.close();
    }
    const app::IniFile saved(program.home() + "/.config/Reelwright Video Converter/system.dat");
    EXPECT_EQ(saved.ReadInteger("System", "OutputFormatClass", -1), app::fcDevice);
    EXPECT_EQ(saved.ReadInteger("System", "OutputDeviceFormat", -1), 3);
    EXPECT_EQ(saved.ReadInteger("System", "OutputPSPPreset", -1), 2);
    EXPECT_EQ(saved.ReadInteger("System", "OutputAVIPreset", -1), 27);
    EXPECT_EQ(saved.ReadString("System", "OutputFileDir", ""), out + "/");
    EXPECT_EQ(saved.ReadInteger("System", "SimultaneousConversions", -1), 3);

    // Another run of the program in between would have left other values in the record.
    app::GlobalVars().OutputFormatClass = app::fcAudio;
    app::GlobalVars().PresetIndex.fill(0);
    app::GlobalVars().SimultaneousConversions = 0;
    TFormMain again(program.dir());
    ToStep2(again);
    EXPECT_EQ(again.RzPageControlToFormat->currentWidget(), again.TabSheetToFormatDevice);
    EXPECT_FALSE(again.ButtonToFormatDevice->isEnabled());
    EXPECT_EQ(PressedFormats(again, app::fcDevice), "---#---");
    EXPECT_EQ(again.PresetList(app::fcDevice, 3)->currentIndex(), 2);
    EXPECT_EQ(again.PresetList(app::fcVideo, 0)->currentIndex(), 27);
    EXPECT_EQ(again.Wizard()->Pages().EditOutputDir->text(), out + "/");
    EXPECT_EQ(again.Wizard()->Pages().ComboBoxSimultaneous->currentText(), "3");
    again.close();
}

TEST(OutputChoiceWindow, AHandEditedPresetOutsideItsListSelectsNothingAndIsStoredAsMinusOne) {
    ProgramFolder program(ConvertEdition());
    QDir().mkpath(program.home() + "/.config/Reelwright Video Converter");
    QFile settings(program.home() + "/.config/Reelwright Video Converter/system.dat");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[System]\nOutputMP4Preset=40\nOutputFormatClass=0\nOutputVideoFormat=1\n");
    settings.close();
    TFormMain form(program.dir());
    ToStep2(form);
    EXPECT_EQ(form.PresetList(app::fcVideo, 1)->currentIndex(), -1);
    form.Wizard()->Pages().EditOutputDir->setText(program.home() + "/out");
    QTest::mouseClick(form.ButtonNext, Qt::LeftButton);
    EXPECT_EQ(app::GlobalVars().PresetIndex[app::psMP4], -1);
    QCoreApplication::processEvents();
    form.close();
}

}  // namespace
