// reelwright-cli run as a user runs it: usage errors, the preset list as JSON, batches with a bad file,
// joining, outputs that never overwrite, and the probe.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "MediaClips.h"
#include "engine/FFDecode.h"
#include "engine/FFLoad.h"

using ::testing::HasSubstr;

namespace {

MediaClips& Clips() {
    static MediaClips clips;
    return clips;
}

struct CliRun {
    int status = -1;
    std::string out, err;
};

CliRun Cli(const QStringList& args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(Clips().dir());
    p.start(QStringLiteral(REEL_CLI), args);
    CliRun r;
    if (!p.waitForFinished(120000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

// The duration the engine reads back from a written file; -1 when it cannot be opened.
int64_t WrittenDuration(const QString& path) {
    engine::TFFDecoder decoder;
    if (!decoder.LoadFile(path.toStdString())) return -1;
    engine::TFileStreamInfo info;
    decoder.GetFileStreamInfo(info);
    return info.Duration;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine::LoadAVLib("lib")); }
};

TEST_F(CliTest, UsageErrorsExitWithTwoAndSayWhy) {
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{}, "no format given"},
        {{"-f", "XYZ", "a.mp4"}, "unknown format XYZ"},
        {{"-f", "mp3", "-p", "4", "a.mp4"}, "MP3 has no preset 4 (0 to 3)"},
        {{"-f", "mp3", "-p", "one", "a.mp4"}, "MP3 has no preset one"},
        {{"-f", "mp3"}, "no files to convert"},
        {{"-f"}, "-f needs a format name"},
        {{"--probe"}, "--probe needs at least one file"},
        {{"--list-presets", "-f", "mp3"}, "choose one of"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"-f", "mp3", "-j", "17", "a.mp4"}, "-j takes 0 (automatic) to 16, not 17"},
        {{"-f", "mp3", "--jobs", "two", "a.mp4"}, "-j takes 0 (automatic) to 16, not two"},
        {{"-f", "mp3", "-j", "-1", "a.mp4"}, "-j takes 0 (automatic) to 16, not -1"},
        {{"-f", "mp3", "a.mp4", "-j"}, "-j needs a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun r = Cli(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_THAT(r.err, HasSubstr(c.says));
        EXPECT_THAT(r.err, HasSubstr("Usage: reelwright-cli"));
    }
    const CliRun help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--list-presets"));
}

TEST_F(CliTest, ThePresetListAsJsonReadsBack) {
    const CliRun r = Cli({"--list-presets", "--json"});
    ASSERT_EQ(r.status, 0);
    const QJsonArray formats =
        QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object().value("formats").toArray();
    ASSERT_EQ(formats.size(), 24);
    const QJsonObject mp4 = formats[1].toObject();
    EXPECT_EQ(mp4.value("name").toString(), "MP4");
    EXPECT_EQ(mp4.value("class").toString(), "Video");
    EXPECT_EQ(mp4.value("extension").toString(), ".mp4");
    EXPECT_EQ(mp4.value("default").toInt(), 3);
    const QJsonObject ipod = formats[9].toObject();
    EXPECT_EQ(ipod.value("class").toString(), "Device");
    EXPECT_EQ(ipod.value("presets").toArray()[1].toObject().value("label").toString(),
              "iPod Touch High Quality (H264, 30 fps, 480x320, 2500 kbps; AAC - 160 kbps) ");
}

TEST_F(CliTest, ABatchWithABadFileConvertsTheOthersAndNeverOverwrites) {
    const QString out = Clips().dir() + "/batch";
    QDir().mkpath(out);
    QFile taken(out + "/first.mp3");  // already there: kept, the new file gets a free name
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("mine");
    taken.close();
    const QString first = Clips().Path("first.mp4"), second = Clips().Path("second.mp4");
    const QString bad = Clips().Write("broken.avi", "not a video");
    const CliRun r = Cli({"-f", "mp3", "-o", "batch", first, bad, "missing.wav", second});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("2 of 4 file(s) converted, 2 failed"));
    EXPECT_THAT(r.err, HasSubstr(bad.toStdString()));
    EXPECT_THAT(r.err, HasSubstr("missing.wav: No such file or directory"));
    QFile kept(out + "/first.mp3");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "mine");
    EXPECT_GT(WrittenDuration(out + "/first(1).mp3"), 900000);
    EXPECT_GT(WrittenDuration(out + "/second.mp3"), 900000);

    const CliRun good = Cli({"-f", "WAV", "-o", "batch", first, second});
    EXPECT_EQ(good.status, 0);
    EXPECT_THAT(good.err, HasSubstr("2 of 2 file(s) converted, 0 failed"));
}

TEST_F(CliTest, JobsSetsHowManyFilesConvertAtOnce) {
    struct Case {
        QStringList jobs;
        int files;
        const char* says;
    };
    const Case cases[] = {
        {{"-j", "3"}, 4, "converting 4 files, 3 at a time"},
        {{"--jobs", "1"}, 3, "converting 3 files, 1 at a time"},
        {{"-j", "16"}, 2, "converting 2 files, 2 at a time"},  // never more than files
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jobs.join(' ').toStdString());
        const QString out = QStringLiteral("jobs-%1-%2").arg(c.jobs.last()).arg(c.files);
        QStringList args = QStringList{"-f", "WAV", "-o", out} + c.jobs;
        for (int i = 0; i < c.files; ++i)
            args << Clips().Path(QStringLiteral("job%1.mp4").arg(i));
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.says));
        EXPECT_THAT(
            r.err,
            HasSubstr(QStringLiteral("%1 of %1 file(s) converted, 0 failed").arg(c.files).toStdString()));
        for (int i = 0; i < c.files; ++i)
            EXPECT_GT(WrittenDuration(Clips().dir() + QStringLiteral("/%1/job%2.wav").arg(out).arg(i)),
                      900000);
    }
}

// A decimal-comma locale, compiled into the test's folder; empty when the machine has no locale sources.
QString CompileGermanLocale() {
    const QString dir = Clips().dir() + "/locales";
    QDir().mkpath(dir);
    QProcess localedef;
    localedef.start("localedef", {"-i", "de_DE", "-f", "UTF-8", dir + "/de_DE.UTF-8"});
    if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0) return {};
    return dir;
}

TEST_F(CliTest, PresetsWithDecimalsConvertUnderADecimalCommaLocale) {
    const QString locales = CompileGermanLocale();
    if (locales.isEmpty()) GTEST_SKIP() << "localedef could not build de_DE.UTF-8 (package locales missing)";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LOCPATH", locales);
    env.insert("LC_ALL", "de_DE.UTF-8");
    // The MP4 and FLV defaults carry fractions such as i_qfactor=0.71 and qcomp=0.6.
    for (const char* format : {"mp4", "flv"}) {
        const CliRun r = Cli({"-f", format, "-o", "comma", Clips().Path("video.mp4")}, env);
        EXPECT_EQ(r.status, 0) << format << ": " << r.err;
        EXPECT_GT(WrittenDuration(Clips().dir() + "/comma/video." + format), 900000) << format;
    }
}

TEST_F(CliTest, WhenNoFileCanBeAddedTheReasonsAreTheLinesAbove) {
    // The program has no log window: it points at the lines it has printed before.
    const QString bad = Clips().Write("broken-only.avi", "not a video");
    const CliRun r = Cli({"-f", "mp3", "-o", "none-added", bad, "missing.wav"});
    EXPECT_EQ(r.status, 1);
    const auto reason = r.err.find("missing.wav: No such file or directory");
    const auto sentence =
        r.err.find("None of the files could be added to the conversion; the lines above say why.");
    EXPECT_NE(reason, std::string::npos) << r.err;
    EXPECT_NE(sentence, std::string::npos) << r.err;
    EXPECT_LT(reason, sentence) << r.err;
    EXPECT_EQ(r.err.find("log window"), std::string::npos) << r.err;
}

TEST_F(CliTest, MergeJoinsTheFilesIntoOne) {
    const CliRun r =
        Cli({"-f", "mp4", "--merge", "-o", "joined", Clips().Path("video.mp4"), Clips().Path("video.mp4")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_GT(WrittenDuration(Clips().dir() + "/joined/Output_Merge.mp4"), 1800000);
}

TEST_F(CliTest, AMergeThatLeavesOutAnUnreadableInputFailsAndNamesIt) {
    const QString notMedia = Clips().dir() + "/notes.mp4";
    QFile f(notMedia);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a video");
    f.close();
    const CliRun r = Cli({"-f", "mp4", "--merge", "-o", "joined-refused", Clips().Path("video.mp4"), notMedia,
                          Clips().Path("video.mp4")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr("2 of 3 file(s) converted, 1 failed"));
    EXPECT_THAT(r.err, HasSubstr("notes.mp4"));
}

TEST_F(CliTest, ABatchLargerThanTheSoftFileLimitConverts) {
    // Started with a soft limit of 48 open files (the hard one is higher): before, the tasks' files ran out.
    const QString folder = Clips().dir() + "/many";
    QDir().mkpath(folder);
    QStringList args{"-c", "ulimit -S -n 48 && exec \"$0\" -f wav -o many-out \"$@\"",
                     QStringLiteral(REEL_CLI)};
    for (int i = 0; i < 60; ++i) {
        const QString copy = folder + QStringLiteral("/clip%1.flac").arg(i);
        QFile::remove(copy);
        ASSERT_TRUE(QFile::link(Clips().Path("audio.flac"), copy));
        args << copy;
    }
    QProcess p;
    p.setWorkingDirectory(Clips().dir());
    p.start("sh", args);
    ASSERT_TRUE(p.waitForFinished(300000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << err.right(2000).toStdString();
    EXPECT_THAT(err.toStdString(), HasSubstr("60 of 60 file(s) converted, 0 failed"));
}

TEST_F(CliTest, ProbeShowsWhatTheInputListShows) {
    const CliRun r =
        Cli({"--probe", "--json", Clips().Path("video.mp4"), Clips().Path("audio.flac"), "nothing.avi"});
    EXPECT_EQ(r.status, 1);
    const QJsonArray files =
        QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object().value("files").toArray();
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(files[0].toObject().value("dimension").toString(), "Dimension: 64 x 48");
    EXPECT_EQ(files[0].toObject().value("durationMicroseconds").toInteger(), 1000000);
    EXPECT_TRUE(files[1].toObject().value("dimension").toString().startsWith("Audio Encoder: flac"));
    EXPECT_THAT(files[2].toObject().value("error").toString().toStdString(), HasSubstr("No such file"));
}

TEST_F(CliTest, AnInterruptStopsTheCurrentFileAndRemovesItsPartialOutput) {
    // A clip long enough to be converting when the interrupt comes: it is sent once the first, short file
    // has been reported finished.
    const QString longClip = Clips().dir() + "/long.avi";
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                           "testsrc=size=640x360:rate=25", "-t", "60", "-c:v", "mpeg4",
                                           "-q:v", "8", longClip}),
              0);
    QProcess p;
    p.setWorkingDirectory(Clips().dir());
    p.setReadChannel(QProcess::StandardError);
    p.start(QStringLiteral(REEL_CLI), {"-f", "mp4", "-o", "stopped", Clips().Path("video.mp4"), longClip});
    QByteArray err;
    while (!err.contains("[1/2]") && p.waitForReadyRead(60000))
        err += p.readAllStandardError();
    ASSERT_TRUE(err.contains("[1/2] video.mp4  Finish.")) << err.toStdString();
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(60000));
    err += p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 130) << err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(Clips().dir() + "/stopped/video.mp4"));
    EXPECT_FALSE(QFileInfo::exists(Clips().dir() + "/stopped/long.mp4"));
}

// Runs the CLI with arguments given as bytes (QProcess would pass them through text) from the clip folder;
// its output streams are read back as bytes.
CliRun CliWithByteArguments(const std::vector<std::string>& args) {
    const std::string dir = QFile::encodeName(Clips().dir()).toStdString();
    const std::string outFile = dir + "/cli-stdout", errFile = dir + "/cli-stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        std::vector<char*> argv{const_cast<char*>(REEL_CLI)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(REEL_CLI, argv.data());
        _exit(127);
    }
    CliRun r;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    auto slurp = [](const std::string& path) {
        QFile f(QFile::decodeName(path.c_str()));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    };
    r.out = slurp(outFile);
    r.err = slurp(errFile);
    return r;
}

bool ExistsAsBytes(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

TEST_F(CliTest, FileNamesAreBytesThroughConvertAndProbe) {
    struct Case {
        std::string stem;
        const char* inputExt;
        size_t stemBytes;         // of the first output's stem
        size_t counterStemBytes;  // of the second's, which gets "(1)"
    };
    const std::string longMixed = std::string(247, 'x') + "\xc3\xa9" + "yy";  // "é" where "(1)" cuts
    const Case cases[] = {
        {"lat\xe9", ".mp4", 4, 4},                  // Latin-1
        {"bad\xff\xfe\xc3", ".mp4", 6, 6},          // no UTF-8 at all, a lead byte last
        {"emoji\xf0\x9f\x8e\xac", ".mp4", 9, 9},    // valid UTF-8 beyond the basic plane
        {"new\nline", ".mp4", 8, 8},                // a line break
        {"-dash", ".mp4", 5, 5},                    // looks like an option
        {std::string(250, 'x'), ".mp4", 250, 248},  // "(1)" passes NAME_MAX
        {std::string(251, 'x'), ".mp4", 251, 248},  // the longest stem ".mp4" allows
        {std::string(255, 'x'), "", 251, 248},      // ".avi" alone passes NAME_MAX
        {longMixed, ".mp4", 251, 247},              // never half a character
    };
    const std::string dir = QFile::encodeName(Clips().dir()).toStdString() + "/";
    const std::string source = QFile::encodeName(Clips().Path("video.mp4")).toStdString();
    const std::string out = dir + "bytes-out/";
    for (const Case& c : cases) {
        SCOPED_TRACE(QByteArray::fromStdString(c.stem).left(40).toHex().toStdString());
        const std::string input = c.stem + c.inputExt;
        std::filesystem::copy_file(source, dir + input, std::filesystem::copy_options::overwrite_existing);

        const CliRun probe = CliWithByteArguments({"--probe", "--", input});
        EXPECT_EQ(probe.status, 0) << probe.err;
        EXPECT_EQ(probe.out.rfind(input + "\n", 0), 0u) << probe.out;  // printed as the same bytes

        // Twice: the second output takes the counter name, which must fit as well.
        for (const std::string& expected :
             {c.stem.substr(0, c.stemBytes) + ".avi", c.stem.substr(0, c.counterStemBytes) + "(1).avi"}) {
            const CliRun run = CliWithByteArguments({"-f", "AVI", "-o", out, "--", input});
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(ExistsAsBytes(out + expected)) << run.err;
        }
    }
}

}  // namespace
