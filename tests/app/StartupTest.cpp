#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "../common/HomeOverride.h"
#include "TempDir.h"
#include "app/IniFile.h"
#include "app/Startup.h"

namespace {

// A home folder of the test's own (no documents folder, no config folder yet), restored afterwards.
struct FreshHome {
    TempDir tmp;
    HomeOverride homeOverride{home()};
    FreshHome() { QDir().mkpath(home()); }
    QString home() const { return tmp.path("home"); }
    QString settingsFolder(const QString& title) const { return home() + "/.config/" + title + "/"; }
};

// Records what start-up tells the window, in order, as "Event: text" lines.
struct RecordingStartupView : app::StartupView {
    QStringList events;
    void StartupLog(const QString& line) override { events << "Log: " + line; }
    void FirstStart() override { events << "FirstStart"; }
    void SettingsUnreadable(const QString& message) override { events << "Unreadable: " + message; }
    void SettingsLoaded() override { events << "SettingsLoaded"; }
};

struct Steps {
    bool librariesLoad = true;
    QStringList libraryFolders;  // where the libraries were looked for
    int presetChecks = 0;
    app::StartupSteps steps() {
        return {
            [this](const QString& folder, QString* message) {
                libraryFolders << folder;
                if (!librariesLoad) *message = QStringLiteral("libavcodec.so.59: not found");
                return librariesLoad;
            },
            [this] {
                ++presetChecks;
                return QStringList{"Preset not available: RM \"Real\" (rv10)", "3GP: AAC in place of AMR"};
            }};
    }
};

TEST(Startup, FirstStartWritesTheDefaultsThenASecondStartReadsThem) {
    FreshHome home;
    const QString title = QStringLiteral("Startup Converter");
    app::TGlobalVars g;
    g.OutputFormatClass = 2;  // what an edition's profile may have set before
    RecordingStartupView view;
    Steps steps;
    app::StartupOutcome outcome = app::RunStartup(g, "/opt/prog", title, view, steps.steps());

    EXPECT_EQ(view.events,
              QStringList({"FirstStart", "SettingsLoaded", "Log: Preset not available: RM \"Real\" (rv10)",
                           "Log: 3GP: AAC in place of AMR"}));
    EXPECT_FALSE(outcome.settingsExisted);
    EXPECT_FALSE(outcome.settingsUnreadable);
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(steps.libraryFolders, QStringList{"/opt/prog/lib"});
    EXPECT_EQ(g.SettingsFolder, home.settingsFolder(title));
    // No documents folder: the three folders start at home.
    EXPECT_EQ(g.LastOpenDir, home.home());
    EXPECT_EQ(g.OutputFileDir, home.home());
    EXPECT_EQ(g.OutputURLDir, home.home());
    const app::IniFile written(home.settingsFolder(title) + "system.dat");
    EXPECT_EQ(written.ReadInteger("System", "OutputFormatClass", -1), 2);
    EXPECT_EQ(written.ReadString("System", "LastOpenDir", ""), home.home());

    // The user changes a setting; the next start reads it back and neither centres nor writes.
    app::IniFile stored(home.settingsFolder(title) + "system.dat");
    stored.WriteString("System", "OutputFileDir", "/media/out/");
    ASSERT_TRUE(stored.UpdateFile());
    app::TGlobalVars again;
    RecordingStartupView secondView;
    outcome = app::RunStartup(again, "/opt/prog", title, secondView, steps.steps());
    EXPECT_TRUE(outcome.settingsExisted);
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(secondView.events,
              QStringList({"SettingsLoaded", "Log: Preset not available: RM \"Real\" (rv10)",
                           "Log: 3GP: AAC in place of AMR"}));
    EXPECT_EQ(again.OutputFileDir, "/media/out/");
    EXPECT_EQ(again.OutputFormatClass, 2);
}

TEST(Startup, ASettingsFileThatIsNoRegularFileIsReportedOnceAndLeftAlone) {
    struct Case {
        const char* what;
        bool (*make)(const QString& path);
    } cases[] = {
        {"folder", [](const QString& path) { return QDir().mkpath(path); }},
        {"fifo",
         [](const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreshHome home;
        const QString title = QStringLiteral("Locked");
        const QString settings = home.settingsFolder(title) + "system.dat";
        ASSERT_TRUE(QDir().mkpath(home.settingsFolder(title)));
        ASSERT_TRUE(c.make(settings));
        app::TGlobalVars g;
        RecordingStartupView view;
        Steps steps;
        const app::StartupOutcome outcome = app::RunStartup(g, "/opt/prog", title, view, steps.steps());

        EXPECT_TRUE(outcome.settingsUnreadable);
        EXPECT_FALSE(outcome.settingsExisted);
        EXPECT_TRUE(outcome.completed);  // the rest of start-up goes on
        // Said once, between the defaults and the pages; the preset notes follow as usual.
        ASSERT_EQ(view.events.size(), 5) << view.events.join(" | ").toStdString();
        EXPECT_TRUE(view.events[1].startsWith("Unreadable: ")) << view.events[1].toStdString();
        EXPECT_TRUE(view.events[1].contains("system.dat"));
        view.events.removeAt(1);
        EXPECT_EQ(view.events, QStringList({"FirstStart", "SettingsLoaded",
                                            "Log: Preset not available: RM \"Real\" (rv10)",
                                            "Log: 3GP: AAC in place of AMR"}));
        EXPECT_FALSE(QFileInfo(settings).isFile()) << "never written over";
        EXPECT_EQ(g.LastOpenDir, home.home());  // the defaults stay in force
    }
}

TEST(Startup, MissingLibrariesAreLoggedAndEndStartUpBeforeThePresetCheck) {
    FreshHome home;
    app::TGlobalVars g;
    RecordingStartupView view;
    Steps steps;
    steps.librariesLoad = false;
    const app::StartupOutcome outcome = app::RunStartup(g, "/opt/prog", "Bare", view, steps.steps());

    EXPECT_EQ(view.events, QStringList({"FirstStart", "SettingsLoaded", "Log: libavcodec.so.59: not found"}));
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(steps.presetChecks, 0);
    // The settings part had run: the window still opens with them.
    EXPECT_TRUE(QFileInfo(home.settingsFolder("Bare") + "system.dat").isFile());
}

TEST(Startup, AnEditionWhoseSkinIsNoNumberStopsStartUpNamingValueAndFile) {
    TempDir program;
    program.write("lame.dll", "[SYSTEM]\nName=X\nSkin=blue\nDownload=0\n");
    app::TGlobalVars g;
    g.Download = true;
    try {
        app::ReadEdition(program.path(), g);
        ADD_FAILURE() << "start-up should fail";
    } catch (const app::StartupError& e) {
        EXPECT_NE(std::string(e.what()).find("\"blue\""), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("lame.dll"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(g.Download) << "nothing of a refused edition is applied";

    program.write("lame.dll", "[SYSTEM]\nName=X\nSkin=3\nDownload=0\nMerge=1\n");
    const app::Edition edition = app::ReadEdition(program.path(), g);
    EXPECT_EQ(edition.skinNumber, 3);
    EXPECT_EQ(edition.profile.Name, "X");
    EXPECT_FALSE(g.Download);
    EXPECT_TRUE(g.Merge);
}

}  // namespace
