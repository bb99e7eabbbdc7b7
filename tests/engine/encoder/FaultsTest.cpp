// Broken and hostile inputs: corrupt times cannot make a conversion run away, special files are refused
// before anything opens them, and a task that wrote no media fails and leaves no file behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "EncoderFixtures.h"
#include "LoopbackServer.h"
#include "core/Dispatcher.h"
#include "engine/EncoderTask.h"
#include "engine/FFLoad.h"
#include "engine/FFLog.h"

using namespace engine;

namespace {

class Faults : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadAVLib("")) << AVLibLastErrMsg(); }
};

// A named pipe in the fixture folder. Should a reader block on it (the fault), a writer opens it after a
// while so the reader fails instead of hanging the suite.
class Fifo {
public:
    Fifo() : path_(encfix::Output("input.fifo")) {
        if (mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
        unblocker_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (cv_.wait_for(lock, std::chrono::seconds(10), [this] { return done_; })) return;
            const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);  // fails when no reader waits
            if (fd >= 0) close(fd);
        });
    }
    ~Fifo() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        cv_.notify_all();
        unblocker_.join();
        unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread unblocker_;
};

}  // namespace

TEST_F(Faults, CorruptTimestampCannotMakeTheOutputRunAway) {
    // One picture 36 days ahead; before, the frame-rate sync copied it ~78 million times.
    const std::string out = encfix::Output("jump.mp4");
    TFFEncoder enc;
    std::atomic<bool> ended{false};
    TTerminateInfo result;
    enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) {
        if (i.TaskIndex == 0) result = i;
        if (i.TaskIndex == -1) ended = true;
        core::mainDispatcher().wake();
    };
    const int task = enc.AddTask(encfix::Input("jump.flv"));
    ASSERT_GE(task, 0) << enc.LastErrMsg();
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "libfaac";
    ASSERT_TRUE(enc.SetOutputFile(task, out, &o)) << enc.LastErrMsg();
    enc.StartTask(1);
    const bool inTime =
        core::mainDispatcher().waitUntil([&] { return ended.load(); }, std::chrono::seconds(120));
    if (!inTime) enc.Stop(true);
    ASSERT_TRUE(inTime) << "the conversion ran away";
    ASSERT_TRUE(result.Finished) << result.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    ASSERT_TRUE(f.opened);
    EXPECT_NEAR(f.video.Duration, 4000000, 500000);
    EXPECT_LT(f.file.Duration, 5000000);
}

TEST_F(Faults, AnOutputNeverRunsFarBeyondItsInputsDuration) {
    // A jump short enough to be real: before, the frame-rate sync filled it, 52 s of output from 4 s.
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "libmp3lame";
    const std::string out = encfix::Output("gap.avi");
    const TTerminateInfo r = encfix::Convert(encfix::Input("gap.flv"), out, o);
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_FALSE(r.ErrorOccurred);
    EXPECT_NE(r.ErrorMessage.find("reached 34.4 s, far beyond the input's 4.0 s"), std::string::npos)
        << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    ASSERT_TRUE(f.opened);
    EXPECT_LE(f.video.Duration, 34500000);
    EXPECT_GT(f.video.Duration, 30000000);
}

TEST_F(Faults, TransportStreamPresentationTimeJumpIsNoRunaway) {
    // The second half's pictures claim presentation times 26 hours on (their decoding times do not), and
    // the container's duration says 26 hours too. Before, every preset ran without end.
    const std::string in = encfix::Input("ptsjump.ts");
    for (const char* ext : {"mpg", "mp4", "flv"}) {
        SCOPED_TRACE(ext);
        TOutputOptions o;
        const std::string out = encfix::Output(std::string("ptsjump.") + ext);
        TFFEncoder enc;
        std::atomic<bool> ended{false};
        TTerminateInfo result;
        enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) {
            if (i.TaskIndex == 0) result = i;
            if (i.TaskIndex == -1) ended = true;
            core::mainDispatcher().wake();
        };
        const int task = enc.AddTask(in);
        ASSERT_GE(task, 0) << enc.LastErrMsg();
        ASSERT_TRUE(enc.SetOutputFile(task, out, &o)) << enc.LastErrMsg();
        enc.StartTask(1);
        const bool inTime =
            core::mainDispatcher().waitUntil([&] { return ended.load(); }, std::chrono::seconds(60));
        if (!inTime) enc.Stop(true);
        ASSERT_TRUE(inTime) << "the conversion ran away";
        ASSERT_TRUE(result.Finished) << result.ErrorMessage;
        const encfix::Facts f = encfix::Probe(out);
        ASSERT_TRUE(f.opened);
        EXPECT_LT(f.file.Duration, 3000000);
    }
}

TEST_F(Faults, AStreamStartingFarFromTheOthersIsMovedToThem) {
    // Before, the output kept the 55-hour gap between its streams (or failed to write it at all).
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "libmp3lame";
    const std::string out = encfix::Output("late.avi");
    const TTerminateInfo r = encfix::Convert(encfix::Input("late.mkv"), out, o);
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    ASSERT_TRUE(f.opened);
    EXPECT_EQ(f.videoStreams, 1);
    EXPECT_EQ(f.audioStreams, 1);
    EXPECT_LT(f.file.Duration, 3000000);
}

TEST_F(Faults, PipesAndDevicesAreRefusedBeforeOpening) {
    Fifo fifo;
    for (const std::string& path : {fifo.path(), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        const std::string refusal = path + ": Not a regular file (a pipe or device cannot be converted)";
        TFFDecoder probe;
        EXPECT_FALSE(probe.LoadFile(path));
        EXPECT_EQ(probe.LastErrMsg(), refusal);

        TFFEncoder enc;
        EXPECT_EQ(enc.AddTask(path), -1);
        EXPECT_EQ(enc.LastErrMsg(), refusal);
        const int task = enc.AddTask(encfix::Input("av2.mp4"));
        ASSERT_GE(task, 0);
        EXPECT_FALSE(enc.AddInputFile(task, path));
        EXPECT_EQ(enc.LastErrMsg(), refusal);
        EXPECT_EQ(enc.Task(task)->InputCount(), 1);
    }
}

TEST_F(Faults, TaskWithoutMediaFailsAndLeavesNoFile) {
    const struct {
        const char* input;
        const char* ext;
        std::function<void(TOutputOptions&)> fill;
        const char* message;  // the start of the task's message
    } cases[] = {
        {"piece.mkv", "mp4", [](TOutputOptions& o) { o.VideoCodec = "mpeg4"; },
         "Output file #0 received no audio or video: nothing could be read from the input"},
        {"corrupt.png", "avi", [](TOutputOptions& o) { o.VideoCodec = "mpeg4"; },
         "Output file #0 received no audio or video: nothing could be read from the input"},
        // sound alone is no success for an output with a video stream
        {"nopicture.mkv", "avi", [](TOutputOptions& o) { o.VideoCodec = "mpeg4"; },
         "Output file #0 received no picture for its video stream"},
        // the muxer refuses the header: the few bytes it wrote go too
        {"video.mp4", "mp4",
         [](TOutputOptions& o) {
             o.VideoCodec = "mpeg4";
             o.FileFormat = "psp";
         },
         "Could not write header for output file #0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        TOutputOptions o;
        c.fill(o);
        const std::string out = encfix::Output(std::string("nomedia.") + c.ext);
        std::string setupError;
        const TTerminateInfo r = encfix::Convert(encfix::Input(c.input), out, o, &setupError);
        ASSERT_TRUE(setupError.empty()) << setupError;
        EXPECT_FALSE(r.Finished);
        EXPECT_TRUE(r.ErrorOccurred);
        EXPECT_EQ(r.ErrorMessage.rfind(c.message, 0), 0u) << r.ErrorMessage;
        EXPECT_FALSE(encfix::Exists(out));
    }
}

TEST_F(Faults, AStreamWithoutADecoderIsLeftOutAndTheRestConverts) {
    const encfix::LogLines log(llWarning);
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "libmp3lame";
    const std::string out = encfix::Output("unknown.avi");
    std::string setupError;
    const TTerminateInfo r = encfix::Convert(encfix::Input("unknown.mkv"), out, o, &setupError);
    ASSERT_TRUE(setupError.empty()) << setupError;
    EXPECT_TRUE(r.Finished) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    ASSERT_TRUE(f.opened);
    EXPECT_EQ(f.videoStreams, 1);
    EXPECT_EQ(f.audioStreams, 0);
    EXPECT_GT(f.video.Duration, 800000);
    EXPECT_EQ(log.Count("no decoder for its codec"), 1);
}

TEST_F(Faults, PartlyReadableInputFinishesWithAWarning) {
    const encfix::LogLines log(llWarning);
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "libfaac";
    const std::string out = encfix::Output("partly.mp4");
    const TTerminateInfo r = encfix::Convert(encfix::Input("truncated.mp4"), out, o);
    EXPECT_TRUE(r.Finished);
    EXPECT_FALSE(r.ErrorOccurred);
    EXPECT_NE(r.ErrorMessage.find("could only be read up to"), std::string::npos) << r.ErrorMessage;
    EXPECT_NE(r.ErrorMessage.find("of its 6.0 s"), std::string::npos) << r.ErrorMessage;
    const std::vector<std::string> warnings = log.Lines();
    EXPECT_NE(std::find(warnings.begin(), warnings.end(), r.ErrorMessage), warnings.end());
    const encfix::Facts f = encfix::Probe(out);
    ASSERT_TRUE(f.opened);
    EXPECT_GT(f.video.Duration, 1000000);
    EXPECT_LT(f.video.Duration, 5000000);

    // a whole input gives no such word
    const TTerminateInfo whole = encfix::Convert(encfix::Input("av.mp4"), encfix::Output("whole.mp4"), o);
    EXPECT_TRUE(whole.Finished);
    EXPECT_EQ(whole.ErrorMessage, "");
}

TEST_F(Faults, DecodeTimesGoingBackAreMovedOnAndSaidOrEndTheTaskWithXerror) {
    // A copied picture claims a time before its predecessor's; muxers refuse such a packet.
    struct Case {
        const char* what;
        const char* options;
        bool finished;
    } cases[] = {
        {"moved on, with a warning", "", true},
        {"exit on error", "xerror=1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const encfix::LogLines log(llWarning);
        TOutputOptions o;
        o.VideoCodec = "copy";
        o.ExtOptions = c.options;
        const std::string out = encfix::Output("back.mkv");
        const TTerminateInfo r = encfix::Convert(encfix::Input("back.flv"), out, o);
        EXPECT_EQ(r.Finished, c.finished) << r.ErrorMessage;
        bool said = false;
        for (const std::string& l : log.Lines())
            said = said || l.rfind("Non-monotonous DTS in output stream 0:0; previous: ", 0) == 0;
        EXPECT_TRUE(said);
        if (c.finished) {
            const encfix::Facts f = encfix::Probe(out);
            ASSERT_TRUE(f.opened);
            EXPECT_NEAR(f.file.Duration, 2000000, 200000);
        } else {
            EXPECT_TRUE(r.ErrorOccurred);
            EXPECT_NE(r.ErrorMessage.find("Non-monotonous DTS"), std::string::npos) << r.ErrorMessage;
        }
    }
}

// A read that fails (here a connection cut before the length it promised) ends the task with an error that
// names the input; an input that simply ends early still gives what could be read.
TEST_F(Faults, ReadErrorFailsTheTaskWhileAnEarlyEndConvertsWhatWasRead) {
    std::ifstream file(encfix::Input("sizes.ts"), std::ios::binary);
    const std::string media((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(media.size(), 188u * 100);
    const std::string sent = media.substr(0, media.size() * 6 / 10 / 188 * 188);
    auto reply = [&](size_t promised) {
        return "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nContent-Length: " + std::to_string(promised) +
               "\r\n\r\n" + sent;
    };
    reeltest::LoopbackServer server;
    server.Canned("/cut.ts", reply(media.size()));
    server.Canned("/short.ts", reply(sent.size()));
    struct Case {
        const char* path;
        bool finishes;
    };
    for (const Case& c : {Case{"/cut.ts", false}, Case{"/short.ts", true}}) {
        SCOPED_TRACE(c.path);
        const std::string url = server.Url(c.path);
        TOutputOptions o;
        o.VideoCodec = "mpeg4";
        o.AudioCodec = "libmp3lame";
        const std::string out = encfix::Output("read.avi");
        const TTerminateInfo r = encfix::Convert(url, out, o);
        EXPECT_EQ(r.Finished, c.finishes) << r.ErrorMessage;
        EXPECT_EQ(r.ErrorOccurred, !c.finishes) << r.ErrorMessage;
        if (c.finishes) {
            EXPECT_GT(encfix::Probe(out).video.Duration, 500000);
        } else {
            EXPECT_NE(r.ErrorMessage.find(url), std::string::npos) << r.ErrorMessage;
            EXPECT_NE(r.ErrorMessage.find("I/O error"), std::string::npos) << r.ErrorMessage;
            EXPECT_FALSE(encfix::Exists(out));
        }
    }
}
