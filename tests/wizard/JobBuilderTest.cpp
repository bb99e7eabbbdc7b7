#include "wizard/JobBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <filesystem>

#include "app/FileNameBytes.h"

#include "ConvertClips.h"
#include "engine/FFEncode.h"
#include "wizard/InputFiles.h"
#include "wizard/PresetTable.h"

namespace wizard {
namespace {

QString CopyInto(const QString& source, const QString& folder, const QString& name) {
    const QString target = folder + name;
    EXPECT_TRUE(QFile::copy(source, target));
    return target;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Builder {
    engine::TFFEncoder encoder;
    QStringList log;
    JobBuilder builder{encoder, [this](const QString& line) { log << line; }};
};

const int kAVI = 0, kMP4 = 1, kWMA = 2, kMP3 = 1, kiPod = 0;

TEST(JobBuilderTest, SameNamesFromTwoFoldersAndAnExistingFileGetTheirOwnOutputs) {
    const QString clip = clips::AudioVideo(64, 48, 0.6);
    const QString a = CopyInto(clip, clips::FreshFolder(), "clip.mp4");
    const QString b = CopyInto(clip, clips::FreshFolder(), "clip.mp4");
    const QString out = clips::FreshFolder();
    WriteFile(out + "clip.avi", "keep");

    Builder t;
    const JobBatch batch = t.builder.BuildConvertJobs({{a}, {out + "vanished.mp4"}, {b}}, {0, kAVI, 3, out});

    ASSERT_EQ(batch.OutputFiles, (std::vector<QString>{out + "clip(1).avi", out + "clip(2).avi"}));
    EXPECT_EQ(ReadFile(out + "clip.avi"), "keep");
    ASSERT_EQ(t.encoder.TasksCount(), 2);
    ASSERT_EQ(batch.Rows.size(), 2u);
    EXPECT_EQ(batch.Rows[0].Name, "clip.mp4");
    EXPECT_EQ(batch.Rows[0].Status, "Waiting...");
    EXPECT_EQ(batch.Rows[0].Progress, "");
    EXPECT_EQ(batch.Rows[0].Path, QFileInfo(a).path() + "/");
    EXPECT_EQ(batch.Rows[1].Path, QFileInfo(b).path() + "/");
    EXPECT_GT(batch.Rows[0].InputDuration, 500000);
    EXPECT_EQ(batch.Rows[0].Duration, DurationText(batch.Rows[0].InputDuration));
    EXPECT_EQ(batch.BatchDuration, batch.Rows[0].InputDuration + batch.Rows[1].InputDuration);
    ASSERT_EQ(t.log.size(), 3);
    EXPECT_EQ(t.log[0], "File has been added to convert list.");
    EXPECT_TRUE(t.log[1].startsWith("File load error: ")) << t.log[1].toStdString();
    EXPECT_EQ(t.log[2], "File has been added to convert list.");
    // The task order is the list order, and each task writes its own name.
    EXPECT_EQ(t.encoder.TaskOutputOptions(1, 0)->FileName, (out + "clip(2).avi").toStdString());
}

TEST(JobBuilderTest, NamesAreBytesAndOutputNamesFitNameMax) {
    struct Case {
        std::string stem;
        size_t stemBytes, counterStemBytes;  // of the first output's stem and of the "(1)" one's
    };
    const Case cases[] = {
        {"lat\xe9", 4, 4},
        {"bad\xff\xfe\xc3", 6, 6},
        {"emoji\xf0\x9f\x8e\xac", 9, 9},
        {"new\nline", 8, 8},
        {"-dash", 5, 5},
        {std::string(251, 'x'), 251, 248},
        {std::string(247, 'x') + "\xc3\xa9yy", 251, 247},  // "(1)" would cut the "é" in half
    };
    const QString clip = clips::AudioVideo(64, 48, 0.6);
    for (const Case& c : cases) {
        SCOPED_TRACE(QByteArray::fromStdString(c.stem).left(40).toHex().toStdString());
        const QString in = clips::FreshFolder(), out = clips::FreshFolder();
        const std::string inputBytes = app::FileNameToStd(in) + c.stem + ".mp4";
        std::filesystem::copy_file(app::FileNameToStd(clip), inputBytes);
        const QString input = app::FileNameFromStd(inputBytes);

        Builder t;
        const JobBatch batch = t.builder.BuildConvertJobs({{input}, {input}}, {0, kAVI, 3, out});

        const std::string outBytes = app::FileNameToStd(out);
        const std::vector<std::string> expected{outBytes + c.stem.substr(0, c.stemBytes) + ".avi",
                                                outBytes + c.stem.substr(0, c.counterStemBytes) + "(1).avi"};
        ASSERT_EQ(batch.OutputFiles.size(), 2u) << t.log.join('\n').toStdString();
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(app::FileNameToStd(batch.OutputFiles[i]), expected[i]);
            EXPECT_EQ(t.encoder.TaskOutputOptions(i, 0)->FileName, expected[i]);
        }
        EXPECT_EQ(app::FileNameToStd(batch.Rows[0].Name), c.stem + ".mp4");
    }
}

TEST(JobBuilderTest, AFolderThatCannotHoldFilesRefusesEveryTaskWithALogLine) {
    const QString clip = clips::AudioVideo(64, 48, 0.6);
    const QString notAFolder = clips::FreshFolder() + "file";
    WriteFile(notAFolder, "x");
    Builder t;
    const JobBatch batch = t.builder.BuildConvertJobs({{clip}}, {0, kMP4, 3, notAFolder + "/"});
    EXPECT_TRUE(batch.Rows.empty());
    EXPECT_EQ(t.encoder.TasksCount(), 0);
    ASSERT_EQ(t.log.size(), 1);
    EXPECT_TRUE(t.log[0].startsWith("Cannot do convert, error: ")) << t.log[0].toStdString();
}

// The row keeps the source's audio bit rate and says once per run that its output is lossy.
TEST(JobBuilderTest, WmaLosslessTakesTheSourceAudioBitRate) {
    const QString clip = clips::AudioVideo(64, 48, 0.6);
    Builder t;
    t.builder.BuildConvertJobs({{clip}, {clip}}, {app::fcAudio, kWMA, 4, clips::FreshFolder()});
    ASSERT_EQ(t.encoder.TasksCount(), 2);
    const engine::TOutputOptions* oo = t.encoder.TaskOutputOptions(0, 0);
    EXPECT_TRUE(oo->DisableVideo);
    EXPECT_GT(oo->AudioBitrate, 30000);  // the clip's aac stream runs at about 64 kbit/s
    EXPECT_LT(oo->AudioBitrate, 100000);
    EXPECT_EQ(t.log.filter(QStringLiteral("lossy WMA 2")).size(), 1) << t.log.join('\n').toStdString();
}

TEST(JobBuilderTest, ChoiceOutsideTheTablesAppliesOnlyWhatIsCommon) {
    struct Case {
        const char* what;
        OutputChoice choice;
        int sourceBitrate;
        const char* ext;
        bool disableVideo;
        const char* videoCodec;
        const char* audioCodec;
        int audioBitrate;
        const char* extOptions;
    };
    // clang-format off
    const Case cases[] = {
        {"AVI row 3",             {app::fcVideo, kAVI, 3, {}},   -1, ".avi", false, "mpeg4", "libmp3lame", 192000, ""},
        {"AVI no preset",         {app::fcVideo, kAVI, -1, {}},  -1, ".avi", false, "", "", -1, ""},
        {"iPod index past list",  {app::fcDevice, kiPod, 10, {}}, -1, ".mp4", false, "libx264", "libfaac", -1, kX264BlockA},
        {"MP3 from a video",      {app::fcAudio, kMP3, 0, {}},   -1, ".mp3", true, "", "libmp3lame", 112000, ""},
        {"WMA lossless, merge",   {app::fcAudio, kWMA, 4, {}},   -1, ".wma", true, "", "wmav2", -1, ""},
        {"WMA lossless, source",  {app::fcAudio, kWMA, 4, {}},   96000, ".wma", true, "", "wmav2", 96000, ""},
        {"WMA lossless, 24-bit",  {app::fcAudio, kWMA, 4, {}},   4608000, ".wma", true, "", "wmav2", 320000, ""},
        {"WMA lossless, 16 kb/s", {app::fcAudio, kWMA, 4, {}},   16000, ".wma", true, "", "wmav2", 24000, ""},
        {"class outside",         {3, 0, 0, {}},                 -1, "", false, "", "", -1, ""},
        {"format outside",        {app::fcVideo, 9, 0, {}},      -1, "", false, "", "", -1, ""},
        {"audio format outside",  {app::fcAudio, 8, 0, {}},      -1, "", true, "", "", -1, ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine::TOutputOptions o;
        engine::InitOutputOptions(o);
        ApplyOutputChoice(c.choice, o, c.sourceBitrate);
        EXPECT_EQ(OutputExtension(c.choice.FormatClass, c.choice.FormatIndex), c.ext);
        EXPECT_EQ(o.DisableVideo, c.disableVideo);
        EXPECT_EQ(o.VideoCodec, c.videoCodec);
        EXPECT_EQ(o.AudioCodec, c.audioCodec);
        EXPECT_EQ(o.AudioBitrate, c.audioBitrate);
        EXPECT_EQ(o.ExtOptions, c.extOptions);
    }
}

TEST(JobBuilderTest, MergeJoinsTheAcceptedFilesIntoOneNumberedOutput) {
    const QString first = clips::AudioVideo(64, 48, 0.6);
    const QString third = clips::AudioVideo(96, 64, 0.6);
    const QString out = clips::FreshFolder();
    WriteFile(out + "Output_Merge.mp4", "keep");

    Builder t;
    std::vector<InputRecord> inputs = {{first, 600000, 64, 48, 4.0 / 3},
                                       {out + "vanished.mp4", 1000000, 32, 32, 1.0},
                                       {third, 0, 96, 64, 1.5}};
    const JobBatch batch = t.builder.BuildMergeJob(inputs, {0, kMP4, 3, out});

    ASSERT_EQ(t.encoder.TasksCount(), 1);
    EXPECT_EQ(t.encoder.TaskInputCount(0), 2);
    const engine::TOutputOptions* oo = t.encoder.TaskOutputOptions(0, 0);
    EXPECT_TRUE(oo->Join);
    EXPECT_EQ(oo->FileName, (out + "Output_Merge(1).mp4").toStdString());
    EXPECT_EQ(batch.OutputFiles, std::vector<QString>{out + "Output_Merge(1).mp4"});
    ASSERT_EQ(batch.Rows.size(), 2u);
    EXPECT_EQ(batch.Rows[0].Status, "64x48");
    EXPECT_EQ(batch.Rows[0].Progress, "1.3333333333333333");
    EXPECT_EQ(batch.Rows[0].Duration, "00:00:00.600");
    EXPECT_EQ(batch.Rows[1].Status, "96x64");
    EXPECT_EQ(batch.Rows[1].Progress, "1.5");
    EXPECT_EQ(batch.Rows[1].Duration, "00:00:00.000");
    EXPECT_EQ(batch.Rows[1].Path, out + "Output_Merge(1).mp4");
    EXPECT_EQ(batch.BatchDuration, 600000);
    EXPECT_EQ(ReadFile(out + "Output_Merge.mp4"), "keep");
    ASSERT_EQ(t.log.size(), 3);
    EXPECT_TRUE(t.log[1].startsWith("Adding file error: ")) << t.log[1].toStdString();
}

TEST(JobBuilderTest, MergeWithNoAcceptedFileLeavesAnEmptyBatch) {
    const QString out = clips::FreshFolder();
    Builder t;
    const JobBatch batch = t.builder.BuildMergeJob({{out + "a.mp4"}, {out + "b.mp4"}}, {0, kMP4, 3, out});
    EXPECT_EQ(t.encoder.TasksCount(), 0);
    EXPECT_TRUE(batch.Rows.empty());
    EXPECT_TRUE(batch.OutputFiles.empty());
    EXPECT_EQ(t.log.size(), 2);
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
}

TEST(JobBuilderTest, DurationTexts) {
    EXPECT_EQ(DurationText(-1), "Duration is not preseted");
    EXPECT_EQ(DurationText(0), "00:00:00.000");
    EXPECT_EQ(DurationText(3723456789), "01:02:03.456");
}

}  // namespace
}  // namespace wizard
