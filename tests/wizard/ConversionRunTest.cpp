#include "wizard/ConversionRun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <chrono>
#include <set>

#include "ConvertClips.h"
#include "core/Dispatcher.h"
#include "engine/FFDecode.h"
#include "engine/FFLog.h"
#include "wizard/PresetTable.h"

namespace wizard {
namespace {

using std::chrono::seconds;

// Records what the run shows; answers the countdown as told.
class RecordingView : public ConversionRunView {
public:
    std::vector<InputRecord> inputs;
    std::vector<ProgressRow> rows;
    bool mergeCaptions = false;
    RunStatus status;
    QStringList log, sounds, events;
    bool countdownRunsOut = false;
    std::function<void()> onFirstProgress;
    std::function<void()> onRowChange;  // after every row update
    int summaries = 0;
    std::set<int> converting;  // rows reported converting and not yet ended
    int mostConverting = 0;    // the most rows converting at one time
    std::vector<int> bars;     // every position the overall bar took

    std::vector<InputRecord> InputRecords() const override { return inputs; }
    void ShowProgressRows(const std::vector<ProgressRow>& r, bool merge) override {
        rows = r;
        mergeCaptions = merge;
    }
    void UpdateProgressRow(int row, const ProgressRow& values) override {
        ASSERT_LT(row, static_cast<int>(rows.size()));
        rows[row] = values;
        if (values.Status == "Converting...")
            converting.insert(row);
        else
            converting.erase(row);
        mostConverting = std::max(mostConverting, static_cast<int>(converting.size()));
        if (values.Status == "Converting..." && onFirstProgress) std::exchange(onFirstProgress, nullptr)();
        if (onRowChange) onRowChange();
    }
    void ShowRunStatus(const RunStatus& s) override {
        status = s;
        if (bars.empty() || bars.back() != s.Bar) bars.push_back(s.Bar);
    }
    void AppendLog(const QString& line) override { log << line; }
    void ProcessPendingEvents() override {}
    void PlaySound(const QString& path) override {
        sounds << QFileInfo(path).fileName();
        events << "sound";
    }
    bool RunShutdownCountdown() override {
        events << "countdown";
        return countdownRunsOut;
    }
    void ShutdownSystem(int kind) override { events << QStringLiteral("shutdown %1").arg(kind); }
    void ShowConversionSummary() override {
        ++summaries;
        events << "summary";
    }
};

struct RunFixture {
    app::TGlobalVars globals;
    RecordingView view;
    ConversionRun run{globals, view, "/sounds/"};
    QString out = clips::FreshFolder();

    RunFixture(int formatClass, int format, int preset) {
        globals.OutputFormatClass = static_cast<uint8_t>(formatClass);
        if (formatClass == app::fcAudio) globals.OutputAudioFormat = static_cast<uint8_t>(format);
        if (formatClass == app::fcVideo) globals.OutputVideoFormat = static_cast<uint8_t>(format);
        globals.OutputFileDir = out;
        globals.PlayASoundWhenFinished = true;
        globals.PresetIndex[FindOutputFormat(formatClass, format)->Slot] = preset;
    }
    // Starts the run and serves the main thread until the summary shows.
    void StartAndWait() {
        run.Start();
        ASSERT_TRUE(core::mainDispatcher().waitUntil([this] { return view.summaries > 0; }, seconds(120)));
    }
    // Every file in the output folder, hidden ones too (a partial output may sit under a hidden name).
    QStringList Outputs() const { return QDir(out).entryList(QDir::Files | QDir::Hidden); }
};

void WriteKeep(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep");
}

engine::TAudioStreamInfo AudioOf(const QString& path) {
    engine::TFFDecoder probe;
    engine::TAudioStreamInfo info;
    if (probe.LoadFile(path.toStdString())) probe.GetAudioStreamInfo(-1, info);
    return info;
}

TEST(ConversionRunTest, TwoFilesConvertAndTheSummaryCountsBoth) {
    RunFixture t(app::fcVideo, 1, 3);  // MP4, iPhone preset
    t.view.inputs = {{clips::AudioVideo(64, 48, 0.6)}, {clips::AudioVideo(96, 64, 0.6)}};
    t.StartAndWait();

    EXPECT_EQ(t.globals.ConvertTotal, 2);
    EXPECT_EQ(t.globals.ConvertSucceeded, 2);
    EXPECT_TRUE(t.globals.ConvertErrors.isEmpty());
    ASSERT_EQ(t.view.rows.size(), 2u);
    for (const ProgressRow& row : t.view.rows) {
        EXPECT_EQ(row.Status, "Finish.");
        EXPECT_EQ(row.Progress, "100%");
    }
    EXPECT_FALSE(t.view.mergeCaptions);
    EXPECT_EQ(t.view.sounds, QStringList{"done.wav"});
    EXPECT_EQ(t.view.status.CurrentFile, "...");
    EXPECT_EQ(t.view.status.Progress, "0%");
    EXPECT_EQ(t.globals.DoneDuration, t.globals.BatchDuration);
    EXPECT_EQ(t.Outputs(), (QStringList{"av-64x48-0.6.mp4", "av-96x64-0.6.mp4"}));
    EXPECT_EQ(AudioOf(t.out + "av-64x48-0.6.mp4").SampleRate, 44100);
    EXPECT_EQ(t.run.Encoder().TasksCount(), 0);  // cleared for the next run
}

TEST(ConversionRunTest, AnAudioFormatFromAFileWithoutAudioFailsAndLeavesNoFile) {
    RunFixture t(app::fcAudio, 1, 2);  // MP3
    t.globals.ShutDownWhenFinished = true;
    t.view.countdownRunsOut = false;
    t.view.inputs = {{clips::AudioVideo(64, 48, 0.6)}, {clips::VideoOnly(64, 48, 0.6)}};
    t.StartAndWait();

    EXPECT_EQ(t.globals.ConvertTotal, 2);
    EXPECT_EQ(t.globals.ConvertSucceeded, 1);
    ASSERT_EQ(t.globals.ConvertErrors.size(), 1);
    // the engine's own message, led by a reason a user understands
    EXPECT_TRUE(t.globals.ConvertErrors[0].startsWith("File (1): the file has no audio to convert ("))
        << t.globals.ConvertErrors[0].toStdString();
    EXPECT_GT(t.globals.ConvertErrors[0].size(), 50);
    EXPECT_EQ(t.view.rows[1].Status, "Failed.");
    EXPECT_EQ(t.Outputs(), QStringList{"av-64x48-0.6.mp3"});
    // Sound first, then the countdown (cancelled: no shutdown), then the summary.
    EXPECT_EQ(t.view.events, (QStringList{"sound", "countdown", "summary"}));
    EXPECT_EQ(t.view.sounds, QStringList{"fail.wav"});
}

TEST(ConversionRunTest, APartlyReadableInputIsKeptWithAWarningInTheLogTheSummaryAndItsRow) {
    RunFixture t(app::fcVideo, 1, 3);  // MP4, iPhone preset
    t.view.inputs = {{clips::Truncated()}};
    t.StartAndWait();

    EXPECT_EQ(t.globals.ConvertSucceeded, 1);
    EXPECT_EQ(t.view.rows[0].Status, "Finish.");
    EXPECT_EQ(t.Outputs(), QStringList{"truncated.mp4"});
    ASSERT_EQ(t.globals.ConvertErrors.size(), 1);
    EXPECT_TRUE(t.globals.ConvertErrors[0].startsWith("File (0): warning: "))
        << t.globals.ConvertErrors[0].toStdString();
    EXPECT_TRUE(t.globals.ConvertErrors[0].contains("could only be read up to"));
    EXPECT_TRUE(t.view.log.contains(t.globals.ConvertErrors[0]));
    // the row carries it too, beside its "Finish."
    EXPECT_TRUE(t.view.rows[0].Warning.contains("could only be read up to"))
        << t.view.rows[0].Warning.toStdString();
    EXPECT_EQ(t.view.sounds, QStringList{"done.wav"});
}

TEST(ConversionRunTest, CountdownThatRunsOutShutsDownBeforeTheSummary) {
    RunFixture t(app::fcAudio, 0, 3);  // WAV
    t.globals.PlayASoundWhenFinished = false;
    t.globals.ShutDownWhenFinished = true;
    t.view.countdownRunsOut = true;
    t.view.inputs = {{clips::AudioOnly(0.5)}};
    t.StartAndWait();
    EXPECT_EQ(t.view.events, (QStringList{"countdown", "shutdown 1", "summary"}));
    EXPECT_EQ(t.globals.ConvertSucceeded, 1);
}

TEST(ConversionRunTest, CancelDuringTheFirstOfThreeTasksReportsAllThreeAndRemovesThePartialFile) {
    RunFixture t(app::fcVideo, 0, 3);       // AVI
    t.globals.SimultaneousConversions = 1;  // one after another: the short files have not begun
    const QString longClip = clips::AudioVideo(320, 240, 20, "long.mp4");
    t.view.inputs = {{longClip}, {clips::AudioVideo(64, 48, 0.6)}, {clips::AudioVideo(96, 64, 0.6)}};
    // Cancel arrives as a click after the progress handler has returned.
    t.view.onFirstProgress = [&] { core::mainDispatcher().post([&] { t.run.StopAndWait(); }); };
    t.StartAndWait();

    EXPECT_EQ(t.globals.ConvertTotal, 3);
    EXPECT_EQ(t.globals.ConvertSucceeded, 0);
    for (const ProgressRow& row : t.view.rows)
        EXPECT_EQ(row.Status, "Failed.");
    EXPECT_EQ(t.view.sounds, QStringList{"fail.wav"});
    EXPECT_TRUE(t.Outputs().isEmpty()) << t.Outputs().join(", ").toStdString();
    EXPECT_EQ(t.run.Encoder().TasksCount(), 0);

    // A second run on the same controller starts from zero again.
    t.view.inputs = {{clips::AudioVideo(64, 48, 0.6)}};
    t.view.summaries = 0;
    t.StartAndWait();
    EXPECT_EQ(t.globals.ConvertTotal, 1);
    EXPECT_EQ(t.globals.ConvertSucceeded, 1);
    EXPECT_EQ(t.globals.DoneDuration, t.globals.BatchDuration);
}

TEST(ConversionRunTest, SeveralFilesAtOnceKeepRowsCountsBarAndOutputsTrue) {
    enum Ending { kAllConvert, kOneBadFile, kCancelWhileTwoConvert };
    struct Case {
        const char* what;
        int simultaneous;
        Ending ending;
    };
    const Case cases[] = {
        {"two at once, all convert", 2, kAllConvert},
        {"three at once, all convert", 3, kAllConvert},
        {"two at once, one file without audio to an audio format", 2, kOneBadFile},
        {"three at once, one file without audio to an audio format", 3, kOneBadFile},
        {"two at once, cancelled while two convert", 2, kCancelWhileTwoConvert},
        {"three at once, cancelled while two convert", 3, kCancelWhileTwoConvert},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool toAudio = c.ending == kOneBadFile;
        RunFixture t(toAudio ? app::fcAudio : app::fcVideo, toAudio ? 1 : 0, toAudio ? 2 : 3);  // MP3 or AVI
        t.globals.SimultaneousConversions = c.simultaneous;
        QStringList expectedOutputs;
        if (c.ending == kCancelWhileTwoConvert) {
            // One short file that finishes, then four long enough to be converting when Cancel comes: once
            // the short one has ended and two others convert at the same time.
            t.view.inputs = {{clips::AudioVideo(64, 48, 0.6)}};
            for (int i = 0; i < 4; ++i)
                t.view.inputs.push_back(
                    {clips::AudioVideo(320, 240, 40, QStringLiteral("long%1.mp4").arg(i))});
            t.view.onRowChange = [&] {
                if (t.view.rows[0].Status == "Finish." && t.view.converting.size() >= 2) {
                    // the file that began last of those converting is named
                    EXPECT_TRUE(t.view.status.CurrentFile.contains("long"))
                        << t.view.status.CurrentFile.toStdString();
                    t.view.onRowChange = nullptr;
                    core::mainDispatcher().post([&] { t.run.StopAndWait(); });
                }
            };
        } else {
            for (int i = 0; i < 5; ++i) {
                const bool bad = c.ending == kOneBadFile && i == 2;
                t.view.inputs.push_back(
                    {bad ? clips::VideoOnly(64, 48, 0.6) : clips::AudioVideo(64 + 16 * i, 48, 0.6)});
                if (!bad)
                    expectedOutputs
                        << QStringLiteral("av-%1x48-0.6%2").arg(64 + 16 * i).arg(toAudio ? ".mp3" : ".avi");
            }
        }
        // The engine's lines, each with the file number the log window gives it.
        std::vector<std::pair<int, std::string>> logged;
        engine::TFFLogger logger;
        logger.SetLogLevel(engine::llError);
        logger.SetOnLog([&](engine::TLogSender, engine::TThreadID thread, engine::TLogLevel,
                            const std::string& m) { logged.emplace_back(t.run.FileOfThread(thread), m); });
        t.StartAndWait();

        EXPECT_EQ(t.run.SimultaneousCount(), c.simultaneous);
        EXPECT_LE(t.view.mostConverting, c.simultaneous);
        EXPECT_EQ(t.globals.ConvertTotal, 5);
        int finished = 0, failed = 0;
        for (const ProgressRow& row : t.view.rows) {
            finished += row.Status == "Finish.";
            failed += row.Status == "Failed.";
            // after a cancel exactly the files that finished are there, each complete
            if (c.ending == kCancelWhileTwoConvert && row.Status == "Finish.")
                expectedOutputs << QFileInfo(row.Name).completeBaseName() + ".avi";
        }
        // a cancel comes after the short file and while two long ones convert: at least 2 are cut short
        const int succeeded = c.ending == kAllConvert ? 5 : c.ending == kOneBadFile ? 4 : finished;
        if (c.ending == kCancelWhileTwoConvert) {
            EXPECT_TRUE(finished >= 1 && finished <= 3) << finished;
        }
        EXPECT_EQ(t.globals.ConvertSucceeded, succeeded);
        EXPECT_EQ(finished, succeeded);
        EXPECT_EQ(failed, 5 - succeeded);
        expectedOutputs.sort();
        QStringList outputs = t.Outputs();
        outputs.sort();
        EXPECT_EQ(outputs, expectedOutputs);
        EXPECT_EQ(t.view.sounds, QStringList{succeeded == 5 ? "done.wav" : "fail.wav"});
        if (c.ending == kOneBadFile) {
            ASSERT_EQ(t.globals.ConvertErrors.size(), 1);
            EXPECT_TRUE(t.globals.ConvertErrors[0].startsWith("File (2): "))
                << t.globals.ConvertErrors[0].toStdString();
            EXPECT_EQ(t.view.rows[2].Status, "Failed.");
            // the engine's lines name their file: the failed file's error under its number, and the lines
            // of the files converting at the same time under theirs
            const QString error = t.globals.ConvertErrors[0];
            std::set<int> files;
            bool errorNamed = false;
            for (const auto& [file, line] : logged) {
                if (file >= 0) files.insert(file);
                if (!line.empty() && error.contains(QString::fromStdString(line).trimmed()))
                    errorNamed |= file == 2;
            }
            EXPECT_TRUE(errorNamed) << error.toStdString();
            EXPECT_GE(files.size(), 2u);
        }
        if (c.ending == kCancelWhileTwoConvert) {
            EXPECT_GE(t.view.mostConverting, 2);
        }
        // The overall bar covers the batch: it only rises during the run (to 100 once every file has
        // ended, unless cancelled) and is reset at the end.
        ASSERT_FALSE(t.view.bars.empty());
        EXPECT_EQ(t.view.bars.back(), 0);
        const std::vector<int> during(t.view.bars.begin(), t.view.bars.end() - 1);
        EXPECT_TRUE(std::is_sorted(during.begin(), during.end()));
        if (c.ending != kCancelWhileTwoConvert) {
            ASSERT_FALSE(during.empty());
            EXPECT_EQ(during.back(), 100);
        }
        EXPECT_EQ(t.run.Encoder().TasksCount(), 0);
    }
}

TEST(ConversionRunTest, ClosingTheWindowDuringARunEndsItWithoutAnEndOfRunStep) {
    RunFixture t(app::fcVideo, 0, 3);
    t.globals.SimultaneousConversions = 1;  // the short file waits, so no output may stay
    t.view.inputs = {{clips::AudioVideo(320, 240, 20, "long.mp4")}, {clips::AudioVideo(64, 48, 0.6)}};
    bool closed = false;
    t.view.onFirstProgress = [&] {
        core::mainDispatcher().post([&] {
            t.run.DetachEvents();
            t.run.StopAndWait();
            closed = true;
        });
    };
    t.run.Start();
    ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return closed; }, seconds(120)));
    // The stopped task's notice may still be on its way; its unfinished file goes when it arrives.
    core::mainDispatcher().waitUntil([&] { return t.Outputs().isEmpty(); }, seconds(20));
    EXPECT_TRUE(t.Outputs().isEmpty()) << t.Outputs().join(", ").toStdString();
    core::mainDispatcher().waitUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(t.view.summaries, 0);
    EXPECT_TRUE(t.view.sounds.isEmpty());
}

// The conversion half of the wizard's hand-over: the run starts after the handler that asked for it has
// returned, and a window closing in between (events detached) never starts it.
TEST(ConversionRunTest, AStartHandedOverRunsAfterTheHandlerAndNeverOnceTheWindowHasClosed) {
    for (const bool closeFirst : {false, true}) {
        SCOPED_TRACE(closeFirst ? "window closed before the start" : "normal hand-over");
        RunFixture t(app::fcVideo, 1, 3);
        t.view.inputs = {{clips::AudioVideo(64, 48, 0.4)}};
        ConversionHandOver& handOver = t.run;
        handOver.PostConvertStart();
        EXPECT_TRUE(t.view.rows.empty()) << "nothing is built inside the caller's handler";
        EXPECT_FALSE(t.run.Running());
        if (closeFirst) handOver.DetachEncoderEvents();
        bool drained = false;  // posted after the start: once it ran, the start has had its turn
        core::mainDispatcher().post([&drained] { drained = true; });
        ASSERT_TRUE(core::mainDispatcher().waitUntil([&drained] { return drained; }, seconds(60)));
        if (closeFirst) {
            EXPECT_TRUE(t.view.rows.empty());
            EXPECT_FALSE(t.run.Running());
            handOver.StopEncoderAndWait();  // the close path goes on without a run
            continue;
        }
        EXPECT_EQ(t.view.rows.size(), 1u);
        ASSERT_TRUE(core::mainDispatcher().waitUntil([&t] { return t.view.summaries > 0; }, seconds(120)));
        EXPECT_EQ(t.globals.ConvertSucceeded, 1);
    }
}

TEST(ConversionRunTest, ABatchWithNothingToConvertEndsWithAnEmptySummary) {
    struct Case {
        const char* what;
        std::vector<InputRecord> inputs;
        bool merge;
        int errorLines;
        int logLines;
    };
    const QString gone = clips::FreshFolder() + "vanished.mp4";
    const Case cases[] = {
        {"no inputs", {}, false, 0, 0},
        {"a file that vanished since it was listed", {{gone}}, false, 1, 1},
        {"merge of vanished files", {{gone}, {gone}}, true, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture t(app::fcVideo, 1, 3);
        t.globals.Merge = c.merge;
        t.view.inputs = c.inputs;
        t.StartAndWait();
        EXPECT_EQ(t.globals.ConvertTotal, 0);
        EXPECT_EQ(t.globals.ConvertSucceeded, 0);
        EXPECT_EQ(t.globals.ConvertErrors.size(), c.errorLines);
        EXPECT_EQ(t.view.log.size(), c.logLines);
        EXPECT_TRUE(t.view.rows.empty());
        EXPECT_TRUE(t.Outputs().isEmpty());
    }
}

TEST(ConversionRunTest, MergeJoinsIntoOneOutputCountedOnce) {
    RunFixture t(app::fcVideo, 1, 3);
    t.globals.Merge = true;
    t.view.inputs = {{clips::AudioVideo(64, 48, 0.6), 600000, 64, 48, 4.0 / 3},
                     {clips::AudioVideo(96, 64, 0.6), 600000, 96, 64, 1.5},
                     {clips::AudioVideo(64, 48, 0.6), 600000, 64, 48, 4.0 / 3}};
    t.StartAndWait();
    EXPECT_TRUE(t.view.mergeCaptions);
    EXPECT_EQ(t.globals.ConvertTotal, 1);
    EXPECT_EQ(t.globals.ConvertSucceeded, 1);
    EXPECT_EQ(t.view.rows[0].Status, "Finish.");
    EXPECT_EQ(t.view.rows[1].Status, "96x64");
    EXPECT_EQ(t.Outputs(), QStringList{"Output_Merge.mp4"});
    engine::TFFDecoder probe;
    ASSERT_TRUE(probe.LoadFile((t.out + "Output_Merge.mp4").toStdString()));
    engine::TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    EXPECT_GT(info.Duration, 1500000);
}

TEST(ConversionRunTest, AJoinThatLeftOutARefusedInputCountsItAsFailed) {
    RunFixture t(app::fcVideo, 1, 3);
    t.globals.Merge = true;
    const QString notMedia = clips::FreshFolder() + "notes.mp4";
    WriteKeep(notMedia);
    t.view.inputs = {{clips::AudioVideo(64, 48, 0.6), 600000, 64, 48, 4.0 / 3},
                     {notMedia, 0, 0, 0, 0},
                     {clips::AudioVideo(64, 48, 0.6), 600000, 64, 48, 4.0 / 3}};
    t.StartAndWait();
    EXPECT_EQ(t.view.rows.size(), 2u);
    EXPECT_EQ(t.globals.ConvertTotal, 2);
    EXPECT_EQ(t.globals.ConvertSucceeded, 1);  // the summary: 2 / 1 / 1
    ASSERT_FALSE(t.globals.ConvertErrors.isEmpty());
    EXPECT_EQ(t.globals.ConvertErrors[0], "1 of the files could not be joined; the log says why.")
        << t.globals.ConvertErrors.join("|").toStdString();
    EXPECT_EQ(t.view.sounds, QStringList{"fail.wav"});
    EXPECT_EQ(t.Outputs(), QStringList{"Output_Merge.mp4"});
}

// A small RAM disk mounted for one test; mounting needs privileges, so the test is skipped without them.
struct SmallDisk {
    QString path = clips::FreshFolder();
    bool mounted = false;
    explicit SmallDisk(int kilobytes) {
        const QString cmd =
            QStringLiteral("mount -t tmpfs -o size=%1k tmpfs '%2' 2>/dev/null").arg(kilobytes).arg(path);
        mounted = std::system(cmd.toLocal8Bit().constData()) == 0;
    }
    ~SmallDisk() {
        if (mounted) std::system(QStringLiteral("umount '%1'").arg(path).toLocal8Bit().constData());
    }
};

TEST(ConversionRunTest, AFullDiskFailsTheTaskRemovesItsFileAndTouchesNoOther) {
    SmallDisk disk(64);
    if (!disk.mounted) GTEST_SKIP() << "no permission to mount a small disk";
    RunFixture t(app::fcAudio, 0, 3);  // WAV, 48000 Hz stereo 32-bit: about 230 KB for 0.6 s
    t.out = disk.path;
    t.globals.OutputFileDir = disk.path;
    WriteKeep(disk.path + "keep.txt");
    t.view.inputs = {{clips::AudioVideo(64, 48, 0.6)}};
    t.StartAndWait();
    EXPECT_EQ(t.globals.ConvertSucceeded, 0);
    EXPECT_EQ(t.view.rows[0].Status, "Failed.");
    EXPECT_EQ(t.globals.ConvertErrors.size(), 1) << t.globals.ConvertErrors.join("; ").toStdString();
    EXPECT_EQ(t.Outputs(), QStringList{"keep.txt"});
}

TEST(ConversionRunTest, TimeLabelsDropWholeDaysAndNeverReadNegative) {
    struct Case {
        double days;
        const char* text;
    };
    const Case cases[] = {
        {0, "0:00:00"},
        {1.0 / 86400 * 61, "0:01:01"},
        {1.0 / 24 * 13.5, "13:30:00"},
        {1 + 1.0 / 24, "1:00:00"},
        {-0.25, "0:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConversionRun::FormatDayTime(c.days), c.text) << c.days;
}

}  // namespace
}  // namespace wizard
