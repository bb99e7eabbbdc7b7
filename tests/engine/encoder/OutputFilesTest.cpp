// Where a task writes: a hidden temporary file until it has finished, then its final name without ever
// replacing a file (a taken name gets the next counter name); a task that fails or is stopped leaves nothing.
// Names are bytes and are shortened to fit NAME_MAX.

#include <gtest/gtest.h>
#include <limits.h>

#include <filesystem>
#include <fstream>

#include "EncoderFixtures.h"
#include "engine/EncoderTask.h"
#include "engine/FFLoad.h"
#include "engine/OutputFileNames.h"

using namespace engine;
namespace fs = std::filesystem;

namespace {

class OutputFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadAVLib("")) << AVLibLastErrMsg(); }
};

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Converts av.mp4 into folder/name, calling during(...) at the first progress report.
struct RunResult {
    TTerminateInfo result;
    std::string written;
};
RunResult ConvertInto(const std::string& target, const std::function<void(TFFEncoder&)>& during) {
    TFFEncoder enc;
    RunResult run;
    bool called = false;
    enc.SetProgressInterval(100);
    enc.OnProgress = [&](TFFEncoder* e, PProgressInfo) {
        if (!std::exchange(called, true)) during(*e);
    };
    enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) {
        if (i.TaskIndex >= 0) run.result = i;
    };
    const int task = enc.AddTask(encfix::Input("long.mp4"));
    EXPECT_GE(task, 0) << enc.LastErrMsg();
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "libfaac";
    o.RecordingTime = 2000000;
    EXPECT_TRUE(enc.SetOutputFile(task, target, &o)) << enc.LastErrMsg();
    EXPECT_FALSE(fs::exists(target)) << "the file is made when the task starts";
    enc.StartTask(0);
    EXPECT_TRUE(called);
    run.written = enc.Task(task)->WrittenFileName(0);
    return run;
}

}  // namespace

TEST_F(OutputFiles, AConvertingTaskWritesUnderAHiddenNameAndTakesItsOwnAtTheEnd) {
    const std::string folder = fs::path(encfix::Output("hidden")).string();
    fs::create_directories(folder);
    std::vector<std::string> whileConverting;
    const RunResult r =
        ConvertInto(folder + "/clip.mp4", [&](TFFEncoder&) { whileConverting = Names(folder); });
    ASSERT_TRUE(r.result.Finished) << r.result.ErrorMessage;
    ASSERT_EQ(whileConverting.size(), 1u);
    EXPECT_EQ(whileConverting[0].rfind(".clip.mp4.part-", 0), 0u) << whileConverting[0];
    EXPECT_EQ(Names(folder), std::vector<std::string>{"clip.mp4"});
    EXPECT_EQ(r.written, folder + "/clip.mp4");
    EXPECT_TRUE(encfix::Probe(r.written).opened);
}

TEST_F(OutputFiles, ANameTakenMeanwhileIsNeverReplaced) {
    // another program writes the same name while the task converts: the task takes the next counter name
    const std::string folder = fs::path(encfix::Output("taken")).string();
    fs::create_directories(folder);
    const std::string target = folder + "/clip.mp4";
    const RunResult r = ConvertInto(target, [&](TFFEncoder&) {
        std::ofstream(target) << "theirs";
        std::ofstream(folder + "/clip(1).mp4") << "theirs too";
    });
    ASSERT_TRUE(r.result.Finished) << r.result.ErrorMessage;
    EXPECT_EQ(Slurp(target), "theirs");
    EXPECT_EQ(Slurp(folder + "/clip(1).mp4"), "theirs too");
    EXPECT_EQ(r.written, folder + "/clip(2).mp4");
    EXPECT_TRUE(encfix::Probe(r.written).opened);
    EXPECT_EQ(Names(folder).size(), 3u);
}

TEST_F(OutputFiles, AStoppedTaskLeavesNoFile) {
    const std::string folder = fs::path(encfix::Output("stopped")).string();
    fs::create_directories(folder);
    const RunResult r = ConvertInto(folder + "/clip.mp4", [](TFFEncoder& e) { e.Stop(false); });
    EXPECT_FALSE(r.result.Finished);
    EXPECT_TRUE(Names(folder).empty());
    EXPECT_EQ(r.written, "");
}

TEST(OutputFileNames, CounterNamesFitNameMax) {
    const std::string latin1Stem = "lat\xe9";
    const std::string utf8Stem = std::string(249, 'a') + "\xc3\xa9\xc3\xa9";  // 253 bytes
    const struct {
        std::string path;
        int n;
        std::string expected;
    } cases[] = {
        {"/d/clip.mp4", 0, "/d/clip.mp4"},
        {"/d/clip.mp4", 3, "/d/clip(3).mp4"},
        {"/d/noext", 1, "/d/noext(1)"},
        {"/d/.hidden", 1, "/d/.hidden(1)"},
        {"/d/" + latin1Stem + ".mp4", 1, "/d/" + latin1Stem + "(1).mp4"},
        // 251 + ".mp4" fits; with "(1)" the stem gives up 3 bytes
        {"/d/" + std::string(251, 's') + ".mp4", 1, "/d/" + std::string(248, 's') + "(1).mp4"},
        // 250 bytes are left for the stem, which would cut the first "é" in two: it goes whole
        {"/d/" + utf8Stem + ".m", 1, "/d/" + std::string(249, 'a') + "(1).m"},
    };
    for (const auto& c : cases) {
        const std::string got = CounterName(c.path, c.n);
        EXPECT_EQ(got, c.expected) << c.path;
        EXPECT_LE(fs::path(got).filename().string().size(), size_t(NAME_MAX));
    }
}

TEST(OutputFileNames, PartialFilesOfLongNamesFitToo) {
    const std::string folder = fs::path(encfix::Output("long")).string();
    fs::create_directories(folder);
    const std::string target = folder + "/" + std::string(251, 'x') + ".mp4";
    const std::string partial = CreatePartialFile(target);
    EXPECT_EQ(fs::path(partial).filename().string()[0], '.');
    std::ofstream(target) << "theirs";
    const std::string published = PublishPartialFile(partial, target);
    EXPECT_EQ(published, CounterName(target, 1));
    EXPECT_EQ(Slurp(target), "theirs");
    EXPECT_TRUE(fs::exists(published));
}
