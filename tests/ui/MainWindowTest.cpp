#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>

#include "ModalAnswer.h"
#include "ProgramFolder.h"
#include "app/Globals.h"
#include "app/IniFile.h"
#include "ui/FormLog.h"
#include "ui/FormMain.h"
#include "ui/ImageButton.h"

using ui::TFormMain;

namespace {

const QByteArray kAllFormats =
    "AVI=1\nMP4=1\nFLV=1\nSWF=1\nMPEG=1\nRM=1\nWMV=1\nMOV=1\n3GP=1\nIPOD=1\nIPHONE=1\nAPPLETV=1\nPSP=1\n"
    "BLACKBERRY=1\nMOBILEPHONE=1\nIPAD=1\nWAV=1\nMP3=1\nWMA=1\nOGG=1\nAAC=1\nM4A=1\nFLAC=1\nMP2=1\n";

QPoint Pos(const QWidget* w) {
    return w->pos();
}

TEST(MainWindow, FirstStartWithEmptyHome) {
    ProgramFolder program(ProgramFolder::DefaultProfile());
    TFormMain form(program.dir());
    const QString settings = program.home() + "/.config/Reelwright Video Converter/system.dat";

    // The settings file exists before the window is shown, with every key at its default.
    ASSERT_TRUE(QFileInfo::exists(settings));
    EXPECT_FALSE(form.SettingsFileExisted());
    const app::IniFile ini(settings);
    for (const char* key : {"LastOpenDir", "OutputFormatClass", "OutputiPadPreset", "PreferYouTubeQuality",
                            "PreferYouTube18", "ShutDownWhenFinished"}) {
        EXPECT_TRUE(ini.ValueExists("System", key)) << key;
    }
    EXPECT_EQ(ini.ReadString("System", "LastOpenDir", ""), program.home());
    EXPECT_EQ(ini.ReadInteger("System", "OutputWMVPreset", -1), 16);
    EXPECT_EQ(ini.ReadInteger("System", "OutputVideoFormat", -1), 1);  // the profile's DefaultVideo
    EXPECT_FALSE(form.isVisible());

    // Profile applied.
    EXPECT_EQ(form.windowTitle(), "Reelwright Video Converter");
    EXPECT_EQ(form.LabelVersion->text(), "Version: 1.0.0.1");
    EXPECT_EQ(form.LabelFinishTitle1->text(), "Reelwright Video Converter has finished the conversion.");
    EXPECT_EQ(form.LabelFinishedDownloading2->text(),
              "To convert other files, click \"Finish\". Click \"Exit\" to quit Reelwright Video Converter.");
    EXPECT_TRUE(form.StartupCompleted());
    EXPECT_EQ(form.PageControlMain->currentWidget(), form.TabSheetMode);
    EXPECT_TRUE(form.PageControlMain->tabBar()->isHidden());
    EXPECT_TRUE(form.RzPageControlToFormat->tabBar()->isHidden());
    EXPECT_EQ(form.PageControlMain->count(), 8);

    // The skinned window: the bitmap's size, magenta corners cut away, centred on a first start.
    EXPECT_EQ(form.size(), QSize(760, 550));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(form.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(form.mask().contains(QPoint(380, 275)));
    const QSize screen = form.screen()->size();
    EXPECT_EQ(form.pos(), QPoint((screen.width() - 760) / 2, (screen.height() - 550) / 2));

    // Layout of skin 0 and the buttons of all 24 formats.
    EXPECT_EQ(Pos(form.ButtonClose), QPoint(728, 4));
    EXPECT_EQ(Pos(form.ButtonExit), QPoint(672, 510));
    EXPECT_EQ(Pos(form.PageControlMain), QPoint(203, 74));
    EXPECT_EQ(Pos(form.ButtonToFormatVideo), QPoint(18, 135));
    EXPECT_EQ(Pos(form.ButtonToFormatDevice), QPoint(189, 135));
    EXPECT_EQ(Pos(form.ButtonToFormatAudio), QPoint(360, 135));
    EXPECT_EQ(Pos(form.RzPageControlToFormat).y(), 172);
    EXPECT_EQ(Pos(form.VideoFormatButtons[8]), QPoint(10, 65));  // the ninth wraps on the 525 wide page
    EXPECT_EQ(Pos(form.VideoFormatButtons[7]), QPoint(458, 5));
    EXPECT_EQ(form.VideoFormatButtons[0]->objectName(), "ButtonFormatAVI");
    EXPECT_EQ(form.DeviceFormatButtons[5]->objectName(), "ButtonFormatMobilePhone");

    // DeferredStart shows the window and sets the more-tools wording.
    EXPECT_EQ(form.LabelMoreTools->text(), "more free tools...");
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.LabelMoreTools->text(), "more free tools...");
    EXPECT_EQ(form.ActionMoreFreeTools->text(), "More Free Tools...");

    // Closing saves the settings and the placement, and ends the program.
    QSignalSpy closed(&form, &TFormMain::Closed);
    app::GlobalVars().OutputFormatClass = 2;
    form.move(40, 30);
    form.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(form.ClipboardWatchActive());
    const app::IniFile saved(settings);
    EXPECT_EQ(saved.ReadInteger("System", "OutputFormatClass", -1), 2);
    EXPECT_EQ(saved.ReadInteger("Form", "x", -1), 40);
    EXPECT_EQ(saved.ReadInteger("Form", "y", -1), 30);
    EXPECT_EQ(saved.ReadInteger("Form", "width", -1), 760);
    EXPECT_TRUE(saved.Text().endsWith("maximized=0\n"));
}

struct EditionCase {
    const char* name;
    QByteArray keys;
    std::array<bool, 3> classVisible;
    int formatTop;
    bool startsOnMode;
    bool chrome;  // version, more tools, help and log shown
    const char* moreTools;
};

TEST(MainWindow, EditionsShapeTheWindow) {
    const EditionCase cases[] = {
        {"audio only, no download",
         "Name=A\nDownload=0\nDefaultClass=2\nWAV=1\nMP3=1\n",
         {false, false, false},
         120,
         false,
         true,
         "more free tools..."},
        {"two classes", "Name=B\nAVI=1\nWAV=1\n", {true, false, true}, 172, true, true, "more free tools..."},
        {"minimal chrome",
         "Name=Studio Media Converter\nSkin=1\nMP4=1\n",
         {false, false, false},
         120,
         true,
         false,
         "more free tools..."},
        {"compact about",
         "Name=Reelwright Pro Converter\n" + kAllFormats,
         {true, true, true},
         172,
         true,
         true,
         "more tools..."},
        {"no formats at all", "Name=E\n", {false, false, false}, 172, true, true, "more free tools..."},
    };
    for (const EditionCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder program(ProgramFolder::Profile(c.keys));
        TFormMain form(program.dir());
        QCoreApplication::processEvents();
        EXPECT_EQ(!form.ButtonToFormatVideo->isHidden(), c.classVisible[0]);
        EXPECT_EQ(!form.ButtonToFormatDevice->isHidden(), c.classVisible[1]);
        EXPECT_EQ(!form.ButtonToFormatAudio->isHidden(), c.classVisible[2]);
        EXPECT_EQ(form.RzPageControlToFormat->y(), c.formatTop);
        EXPECT_EQ(form.PageControlMain->currentWidget(),
                  c.startsOnMode ? form.TabSheetMode : form.TabSheetStep1);
        for (QWidget* w : std::initializer_list<QWidget*>{form.LabelVersion, form.LabelMoreTools,
                                                          form.ButtonHelp, form.ButtonLog}) {
            EXPECT_EQ(!w->isHidden(), c.chrome) << w->objectName().toStdString();
        }
        EXPECT_EQ(form.LabelMoreTools->text(), c.moreTools);
        form.close();
    }
}

TEST(MainWindow, AudioOnlyEditionShowsTheStoredClassPage) {
    ProgramFolder program(
        ProgramFolder::Profile("Name=A\nDownload=0\nDefaultClass=2\nDefaultAudio=258\nWAV=1\nMP3=1\n"));
    TFormMain form(program.dir());
    EXPECT_EQ(app::GlobalVars().OutputFormatClass, 2);
    EXPECT_EQ(app::GlobalVars().OutputAudioFormat, 2);
    EXPECT_FALSE(app::GlobalVars().Download);
    EXPECT_EQ(form.RzPageControlToFormat->currentWidget(), form.TabSheetToFormatAudio);
    EXPECT_EQ(Pos(form.AudioFormatButtons[1]), QPoint(74, 5));
    EXPECT_TRUE(form.AudioFormatButtons[2]->isHidden());
    form.close();
}

TEST(MainWindow, SkinVariantsMoveTheChrome) {
    struct Case {
        const char* skin;
        QPoint close, help, next, page;
        bool chromeButtons;
        int helpTag;
        bool transparent;
    } cases[] = {
        {"1", {794, 3}, {25, 566}, {495, 566}, {240, 110}, true, 0, false},
        {"2", {728, 4}, {40, 513}, {522, 513}, {198, 74}, true, 5, false},
        {"3", {728, 4}, {10, 515}, {460, 515}, {203, 74}, false, 0, true},
        {"7", {728, 4}, {40, 510}, {522, 510}, {203, 74}, true, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.skin);
        ProgramFolder program(ProgramFolder::Profile(QByteArray("Name=S\nAVI=1\nSkin=") + c.skin + "\n"));
        TFormMain form(program.dir());
        EXPECT_EQ(Pos(form.ButtonClose), c.close);
        EXPECT_EQ(Pos(form.ButtonHelp), c.help);
        EXPECT_EQ(Pos(form.ButtonNext), c.next);
        EXPECT_EQ(Pos(form.PageControlMain), c.page);
        EXPECT_EQ(!form.ButtonMin->isHidden(), c.chromeButtons);
        EXPECT_EQ(form.ButtonHelpTag, c.helpTag);
        EXPECT_EQ(form.ButtonNext->Transparent(), c.transparent);
        if (c.transparent) {
            EXPECT_EQ(form.LabelVersion->y(), 165);
            EXPECT_EQ(form.LabelMoreTools->y(), 180);
            EXPECT_FALSE(form.LabelTitle->font().bold());
        }
        form.close();
    }
}

TEST(MainWindow, BadSkinStopsStartUpWithTheFileOrValueNamed) {
    struct Case {
        const char* what;
        QByteArray keys;
        const char* brokenFile;  // replaced by garbage, or removed when the text is empty
        QByteArray content;
        const char* named;
    } cases[] = {
        {"missing bitmap", "Name=X\n", "sounds/res/bottom_3.bmp", "", "bottom_3.bmp"},
        {"corrupt png", "Name=X\n", "sounds/res/toplogo.png", "not a png", "toplogo.png"},
        {"missing skin folder", "Name=X\nRes=9\n", nullptr, "", "sounds/res9/toplogo.png"},
        {"skin not an integer", "Name=X\nSkin=blue\n", nullptr, "", "\"blue\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramFolder program(ProgramFolder::Profile(c.keys));
        if (c.brokenFile) {
            QFile::remove(program.dir() + "/" + c.brokenFile);
            if (!c.content.isEmpty()) program.write(c.brokenFile, c.content);
        }
        try {
            TFormMain form(program.dir());
            ADD_FAILURE() << "start-up should fail";
        } catch (const ui::StartupError& e) {
            EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
        }
    }
}

TEST(MainWindow, StoredSettingsAndPlacementAreRestored) {
    ProgramFolder program(ProgramFolder::Profile("Name=Stored\nAVI=1\n"));
    QDir().mkpath(program.home() + "/.config/Stored");
    QFile f(program.home() + "/.config/Stored/system.dat");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[System]\nOutputFormatClass=258\nOutputMP3Preset=x\n[Form]\nx=100000\ny=-40\nwidth=760\nheight="
        "550\n");
    f.close();
    TFormMain form(program.dir());
    EXPECT_TRUE(form.SettingsFileExisted());
    EXPECT_EQ(app::GlobalVars().OutputFormatClass, 2);
    EXPECT_EQ(app::GlobalVars().PresetIndex[app::psMP3], 2);
    // A stored place with no part on the screen is not restored: the window opens centred.
    const QSize screen = form.screen()->size();
    EXPECT_EQ(form.pos(), QPoint((screen.width() - 760) / 2, (screen.height() - 550) / 2));
    form.close();
}

TEST(MainWindow, AnUnreadableSettingsFileIsReportedOnceAndNeverWrittenOver) {
    ProgramFolder program(ProgramFolder::Profile("Name=Locked\n"));
    const QString settings = program.home() + "/.config/Locked/system.dat";
    QDir().mkpath(settings);  // there, but not a file that can be read
    ModalAnswer atStart(QMessageBox::Ok);
    auto form = std::make_unique<TFormMain>(program.dir());
    EXPECT_TRUE(atStart.seen->shown);
    EXPECT_TRUE(atStart.seen->text.contains("system.dat"));
    EXPECT_FALSE(form->SettingsFileExisted());
    ModalAnswer atClose(QMessageBox::Ok);
    form->close();
    EXPECT_FALSE(atClose.seen->shown);  // said once, at the start
    EXPECT_TRUE(QFileInfo(settings).isDir());
}

TEST(MainWindow, ANeverShownLogWindowKeepsItsStoredPlacement) {
    ProgramFolder program(ProgramFolder::Profile("Name=LogPlace\n"));
    QDir().mkpath(program.home() + "/.config/LogPlace");
    const QString settings = program.home() + "/.config/LogPlace/system.dat";
    QFile f(settings);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[FormLog]\nx=40\ny=30\nheight=300\nwidth=400\nmaximized=0\n");
    f.close();
    ui::TFormLog log;
    {
        TFormMain form(program.dir());
        form.SetLogWindow(&log);
        form.close();
    }
    const app::IniFile ini(settings);
    EXPECT_EQ(ini.ReadInteger("FormLog", "x", -1), 40);
    EXPECT_EQ(ini.ReadInteger("FormLog", "width", -1), 400);
    EXPECT_TRUE(ini.ValueExists("Form", "x"));
    EXPECT_TRUE(ini.ValueExists("System", "LastOpenDir"));
}

TEST(MainWindow, FailedSaveAtCloseIsReportedAndTheWindowStillCloses) {
    ProgramFolder program(ProgramFolder::Profile("Name=Unsaved\n"));
    TFormMain form(program.dir());
    QCoreApplication::processEvents();
    app::GlobalVars().SettingsFolder = program.dir() + "/no/such/folder/";
    QSignalSpy closed(&form, &TFormMain::Closed);
    ModalAnswer answer(QMessageBox::Ok);
    form.close();
    EXPECT_TRUE(answer.seen->shown);
    EXPECT_TRUE(answer.seen->text.contains("system.dat"));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(form.isVisible());
}

TEST(MainWindow, ClipboardWatchFollowsTheClipboard) {
    ProgramFolder program(ProgramFolder::Profile("Name=Clip\n"));
    TFormMain form(program.dir());
    QSignalSpy changed(&form, &TFormMain::ClipboardStateChanged);
    QGuiApplication::clipboard()->setText("https://example.org/watch?v=abc");
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.ClipboardHasNoText);
    QGuiApplication::clipboard()->clear();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.ClipboardHasNoText);
    EXPECT_GE(changed.count(), 2);
    form.close();
    // After the close query the watch has ended.
    const int seen = changed.count();
    QGuiApplication::clipboard()->setText("later");
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), seen);
}

TEST(MainWindow, LogLinesWaitForTheLogWindow) {
    ProgramFolder program(ProgramFolder::Profile("Name=Log\n"));
    TFormMain form(program.dir());
    // start-up may have logged already (a preset served with a stand-in codec); those lines come first
    const QStringList startUp = form.PendingLogLines();
    form.LogLine("one");
    form.LogLine("two");
    QStringList received;
    form.SetLogSink([&](const QString& line) { received.append(line); });
    form.LogLine("three");
    EXPECT_EQ(received, startUp + QStringList({"one", "two", "three"}));
    EXPECT_TRUE(form.PendingLogLines().isEmpty());
    form.close();
}

TEST(MainWindow, ChromeButtonsAndLogos) {
    ProgramFolder program(ProgramFolder::Profile("Name=Chrome\n"));
    TFormMain form(program.dir());
    QCoreApplication::processEvents();
    QSignalSpy closed(&form, &TFormMain::Closed);
    // A click on the mode page's pictures selects the choice beside them.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(form.ImageConvertVideo, &press);
    EXPECT_TRUE(form.RadioButtonConvertVideo->isChecked());
    form.ButtonClose->click();
    EXPECT_EQ(closed.count(), 1);
}

}  // namespace
