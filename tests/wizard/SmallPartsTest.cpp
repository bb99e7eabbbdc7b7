// The log line format, the shutdown countdown and the folder rules.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "wizard/LogLine.h"
#include "wizard/OutputFolder.h"
#include "wizard/ShutdownCountdown.h"

namespace wizard {
namespace {

TEST(LogLineTest, ThreadLevelAndMessage) {
    EXPECT_EQ(FormatEngineLogLine(12, 3, "Invalid data found"), "#12.3: Invalid data found");
    EXPECT_EQ(FormatEngineLogLine(140737351481152ull, 6, ""), "#140737351481152.6: ");
    EXPECT_EQ(FormatEngineLogLine(1, 0, "caf\xc3\xa9 %1 100%"),
              QString::fromUtf8("#1.0: caf\xc3\xa9 %1 100%"));
    // a line of a file's conversion names the file as the summary does
    EXPECT_EQ(FormatEngineLogLine(12, 0, "no audio", 2), "#12.0: File (2): no audio");
    EXPECT_EQ(FormatEngineLogLine(12, 0, "no audio", 0), "#12.0: File (0): no audio");
}

TEST(ShutdownCountdownTest, ShowsThirtyToZeroThenEndsOnTheNextTick) {
    ShutdownCountdown countdown;
    EXPECT_EQ(countdown.TimeLeftText(), "Time left: 30");
    int ticks = 0;
    for (int shown = 29; shown >= 0; --shown) {
        EXPECT_FALSE(countdown.Tick());
        ++ticks;
        EXPECT_EQ(countdown.TimeLeftText(), QStringLiteral("Time left: %1").arg(shown));
    }
    EXPECT_TRUE(countdown.Tick());
    EXPECT_EQ(++ticks, 31);
}

TEST(ShutdownCountdownTest, DescriptionHasTheTitleOnItsOwnLine) {
    EXPECT_EQ(ShutdownDescription(QStringLiteral("Test Converter")),
              "If you don't press cancel now, \nTest Converter\nwill shut down the computer.");
}

TEST(OutputFolderTest, ExistingOrCreatableFoldersOnly) {
    QTemporaryDir tmp;
    EXPECT_TRUE(ForceFolder(tmp.path()));
    EXPECT_TRUE(ForceFolder(tmp.path() + "/a/b/c/"));
    EXPECT_TRUE(QDir(tmp.path() + "/a/b/c").exists());
    EXPECT_FALSE(ForceFolder(""));
    EXPECT_FALSE(ForceFolder("out/"));
}

}  // namespace
}  // namespace wizard
