// When a task holds its input files: probed when the task is added, then closed; opened again when the
// task starts, and the file must still be the one that was added.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "EncoderFixtures.h"
#include "engine/FFLoad.h"

using namespace engine;
namespace fs = std::filesystem;

namespace {

class InputOpeningTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadAVLib("")) << AVLibLastErrMsg(); }
};

// Descriptors of this process open on a path.
int DescriptorsOn(const std::string& path) {
    int n = 0;
    std::error_code ec;
    const fs::path target = fs::canonical(path, ec);
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkEc;
        if (fs::read_symlink(entry.path(), linkEc) == target) ++n;
    }
    return n;
}

}  // namespace

// An added task keeps what the probe learned but no descriptor; when it starts, an input that vanished or
// changed in between fails that task with the reason, and the next task of the batch still converts.
TEST_F(InputOpeningTest, AddedTaskHoldsNoDescriptorAndAChangedInputFailsItsTask) {
    struct Case {
        const char* name;
        void (*change)(const std::string& path);
        const char* reason;
    };
    const Case cases[] = {
        {"removed", [](const std::string& p) { fs::remove(p); }, "No such file or directory"},
        {"replaced by other streams",
         [](const std::string& p) {
             fs::copy_file(encfix::Input("video.mp4"), p, fs::copy_options::overwrite_existing);
         },
         "the file changed since it was added"},
        {"cut to nothing", [](const std::string& p) { fs::resize_file(p, 0); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string input = encfix::Output("changing.mp4");
        fs::copy_file(encfix::Input("av.mp4"), input);
        TFFEncoder enc;
        std::vector<TTerminateInfo> notices;
        enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) {
            if (i.TaskIndex >= 0) notices.push_back(i);
        };
        TOutputOptions o;
        o.VideoCodec = "mpeg4";
        o.AudioCodec = "libfaac";
        const int changing = enc.AddTask(input);
        ASSERT_GE(changing, 0) << enc.LastErrMsg();
        const std::string lost = encfix::Output("lost.mp4");
        ASSERT_TRUE(enc.SetOutputFile(changing, lost, &o)) << enc.LastErrMsg();
        const int steady = enc.AddTask(encfix::Input("av2.mp4"));
        ASSERT_GE(steady, 0) << enc.LastErrMsg();
        const std::string kept = encfix::Output("kept.mp4");
        ASSERT_TRUE(enc.SetOutputFile(steady, kept, &o)) << enc.LastErrMsg();
        EXPECT_EQ(DescriptorsOn(input), 0);
        EXPECT_EQ(DescriptorsOn(encfix::Input("av2.mp4")), 0);

        c.change(input);
        enc.StartTask(0);
        ASSERT_EQ(notices.size(), 2u);
        EXPECT_FALSE(notices[0].Finished);
        EXPECT_TRUE(notices[0].ErrorOccurred);
        EXPECT_NE(notices[0].ErrorMessage.find(input), std::string::npos) << notices[0].ErrorMessage;
        EXPECT_NE(notices[0].ErrorMessage.find(c.reason), std::string::npos) << notices[0].ErrorMessage;
        EXPECT_FALSE(encfix::Exists(lost));
        EXPECT_TRUE(notices[1].Finished && !notices[1].ErrorOccurred) << notices[1].ErrorMessage;
        EXPECT_TRUE(encfix::Exists(kept));
    }
}

// A batch far larger than the descriptor limit converts: 2,000 tasks under a soft limit of 256, in a child
// process so that the limit stays there.
TEST_F(InputOpeningTest, BatchLargerThanTheDescriptorLimitConverts) {
    constexpr int kTasks = 2000;
    const std::string folder = encfix::Output("batch");
    fs::create_directories(folder + "/out");
    const std::string source = encfix::Input("tiny.mp3");
    for (int i = 0; i < kTasks; ++i)
        fs::create_hard_link(source, folder + "/in" + std::to_string(i) + ".mp3");

    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(report[0]);
        auto fail = [&](const std::string& why) {
            const ssize_t written = write(report[1], why.data(), why.size());
            (void)written;
            _exit(1);
        };
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = 256;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) fail("setrlimit failed");
        TFFEncoder enc;
        int converted = 0;
        std::string firstError;
        enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) {
            if (i.TaskIndex < 0) return;
            if (i.Finished && !i.ErrorOccurred)
                ++converted;
            else if (firstError.empty())
                firstError = "task " + std::to_string(i.TaskIndex) + ": " + i.ErrorMessage;
        };
        TOutputOptions o;
        o.AudioCodec = "pcm_s16le";
        for (int i = 0; i < kTasks; ++i) {
            const std::string n = std::to_string(i);
            const int task = enc.AddTask(folder + "/in" + n + ".mp3");
            if (task < 0 || !enc.SetOutputFile(task, folder + "/out/out" + n + ".wav", &o))
                fail("adding task " + n + ": " + enc.LastErrMsg());
        }
        enc.StartTask(0);
        if (converted != kTasks)
            fail(std::to_string(converted) + " of " + std::to_string(kTasks) + " converted; " + firstError);
        _exit(0);
    }
    close(report[1]);
    std::string why;
    char buf[512];
    for (ssize_t n; (n = read(report[0], buf, sizeof buf)) > 0;)
        why.append(buf, static_cast<size_t>(n));
    close(report[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0) << why;
    int outputs = 0;
    for (const auto& entry : fs::directory_iterator(folder + "/out"))
        outputs += entry.path().extension() == ".wav" && fs::file_size(entry.path()) > 44;
    EXPECT_EQ(outputs, kTasks);
}
