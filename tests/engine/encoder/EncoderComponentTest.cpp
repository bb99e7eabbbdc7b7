// The encoder component: task list, threaded and unthreaded runs, the order and threads of notices, Stop,
// progress and preview deliveries.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "EncoderFixtures.h"
#include "core/Dispatcher.h"
#include "core/SimpleDispatcher.h"
#include "engine/EncoderTask.h"
#include "engine/FFLoad.h"

using namespace engine;

namespace {

struct Notice {
    TTerminateInfo info;
    std::thread::id thread;
};

class EncoderComponent : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadAVLib("")) << AVLibLastErrMsg();
        enc.OnTerminate = [this](TFFEncoder*, const TTerminateInfo& i) {
            std::lock_guard<std::mutex> lock(mutex);
            notices.push_back({i, std::this_thread::get_id()});
            core::mainDispatcher().wake();
        };
    }

    int AddConversion(const std::string& input, const char* ext = "mp4") {
        const int task = enc.AddTask(input);
        EXPECT_GE(task, 0) << enc.LastErrMsg();
        TOutputOptions o;
        o.VideoCodec = "mpeg4";
        o.AudioCodec = "libfaac";
        EXPECT_TRUE(enc.SetOutputFile(task, encfix::Output(std::string("comp.") + ext), &o))
            << enc.LastErrMsg();
        return task;
    }

    bool RunEnded() {
        std::lock_guard<std::mutex> lock(mutex);
        return !notices.empty() && notices.back().info.TaskIndex == -1;
    }

    // Serves main-thread deliveries until the run-ended notice arrived (generous time-out).
    bool WaitRunEnded() {
        return core::mainDispatcher().waitUntil([this] { return RunEnded(); }, std::chrono::seconds(240));
    }

    std::vector<Notice> Notices() {
        std::lock_guard<std::mutex> lock(mutex);
        return notices;
    }

    TFFEncoder enc;
    std::mutex mutex;
    std::vector<Notice> notices;
};

}  // namespace

// A task's end notice is told before the next task starts: a host whose handler is slow (a busy main thread)
// never sees more tasks reporting progress than run at once.
TEST_F(EncoderComponent, TheNextTaskStartsOnceTheEndBeforeItWasTold) {
    for (const int atOnce : {1, 2}) {
        SCOPED_TRACE(atOnce);
        enc.ClearTasks();
        notices.clear();
        for (int i = 0; i < 4; ++i)
            AddConversion(encfix::Input("av2.mp4"));
        std::mutex eventsLock;
        int endsTold = 0;
        std::vector<int> endsToldAtFirstReport(4, -1);  // per task
        enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) {
            if (i.TaskIndex >= 0) std::this_thread::sleep_for(std::chrono::milliseconds(250));
            {
                std::lock_guard<std::mutex> lock(eventsLock);
                if (i.TaskIndex >= 0) ++endsTold;
            }
            std::lock_guard<std::mutex> lock(mutex);
            notices.push_back({i, std::this_thread::get_id()});
            core::mainDispatcher().wake();
        };
        enc.OnProgress = [&](TFFEncoder*, PProgressInfo p) {
            std::lock_guard<std::mutex> lock(eventsLock);
            int& at = endsToldAtFirstReport.at(p->TaskIndex);
            if (at < 0) at = endsTold;
        };
        enc.StartTask(atOnce);
        ASSERT_TRUE(WaitRunEnded());
        for (int task = atOnce; task < 4; ++task)
            EXPECT_GE(endsToldAtFirstReport[task], task - atOnce + 1) << "task " << task;
    }
}

TEST_F(EncoderComponent, ThreadedRunConvertsInOrderAndEndsWithTheRunNotice) {
    for (int i = 0; i < 3; ++i)
        AddConversion(encfix::Input("av2.mp4"));
    std::vector<std::pair<int, std::thread::id>> progress;
    enc.OnProgress = [&](TFFEncoder*, PProgressInfo p) {
        progress.push_back({p->TaskIndex, std::this_thread::get_id()});
        if (p->FileIndex == -1) {
            EXPECT_NEAR(p->CurrentDuration, 1000000, 100000);
        }
    };
    enc.StartTask(1);
    ASSERT_TRUE(WaitRunEnded());
    const auto n = Notices();
    ASSERT_EQ(n.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(n[i].info.TaskIndex, i);
        EXPECT_TRUE(n[i].info.Finished) << n[i].info.ErrorMessage;
        EXPECT_FALSE(n[i].info.ErrorOccurred);
        EXPECT_NE(n[i].thread, std::this_thread::get_id());  // notifier threads
    }
    EXPECT_EQ(n[3].info.TaskIndex, -1);
    EXPECT_TRUE(n[3].info.Finished);
    // progress arrives on the main thread, task by task
    ASSERT_FALSE(progress.empty());
    for (size_t i = 0; i < progress.size(); ++i) {
        EXPECT_EQ(progress[i].second, std::this_thread::get_id());
        if (i) {
            EXPECT_LE(progress[i - 1].first, progress[i].first);
        }
    }
    EXPECT_THROW(enc.AddTask(encfix::Input("av2.mp4")), EngineError);
    try {
        enc.AddTask(encfix::Input("av2.mp4"));
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(), "Cannot AddTask while working.");
    }
    enc.ClearTasks();
    EXPECT_EQ(enc.TasksCount(), 0);
    EXPECT_GE(enc.AddTask(encfix::Input("av2.mp4")), 0);
}

TEST_F(EncoderComponent, UnthreadedRunNotifiesOnTheCaller) {
    AddConversion(encfix::Input("av2.mp4"));
    const int bad = enc.AddTask(encfix::Input("av2.mp4"));  // no output
    ASSERT_EQ(bad, 1);
    enc.StartTask(0);
    const auto n = Notices();
    ASSERT_EQ(n.size(), 3u);
    EXPECT_TRUE(n[0].info.Finished);
    EXPECT_EQ(n[1].info.TaskIndex, 1);
    EXPECT_FALSE(n[1].info.Finished);
    EXPECT_EQ(n[1].info.ErrorMessage, "At least one output file must be specified");
    EXPECT_EQ(n[2].info.TaskIndex, -1);
    for (const Notice& x : n)
        EXPECT_EQ(x.thread, std::this_thread::get_id());
}

TEST_F(EncoderComponent, StopWithWaitEndsTheRunAndLeavesNoPartialFile) {
    const int first = AddConversion(encfix::Input("long.mp4"));
    AddConversion(encfix::Input("long.mp4"));
    std::atomic<int> reports{0};
    enc.SetProgressInterval(100);
    enc.OnProgress = [&](TFFEncoder*, PProgressInfo) { ++reports; };
    enc.StartTask(1);
    ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return reports > 0; }, std::chrono::seconds(120)));
    enc.Stop(true);
    ASSERT_TRUE(WaitRunEnded());
    const auto n = Notices();
    ASSERT_EQ(n.size(), 3u);
    EXPECT_EQ(n[0].info.TaskIndex, 0);
    EXPECT_FALSE(n[0].info.Finished);
    EXPECT_FALSE(n[0].info.ErrorOccurred) << n[0].info.ErrorMessage;
    EXPECT_EQ(n[1].info.TaskIndex, 1);
    EXPECT_FALSE(n[1].info.Finished);
    EXPECT_EQ(n[2].info.TaskIndex, -1);
    // the stopped output is no result: neither its name nor its temporary file stays
    const TOutputOptions* o = enc.Task(first)->OutputOptions(0);
    ASSERT_NE(o, nullptr);
    EXPECT_FALSE(encfix::Exists(o->FileName));
    EXPECT_EQ(enc.Task(first)->WrittenFileName(0), "");
}

TEST_F(EncoderComponent, LimitsAndProperties) {
    const int task = enc.AddTask(encfix::Input("av2.mp4"));
    ASSERT_GE(task, 0);
    for (int i = 1; i < 20; ++i)
        ASSERT_TRUE(enc.AddInputFile(task, encfix::Input("av2.mp4"))) << i;
    EXPECT_FALSE(enc.AddInputFile(task, encfix::Input("av2.mp4")));
    EXPECT_EQ(enc.LastErrMsg(), "max input files 20 reached");
    // the host reads task inputs through the lent decoders
    ASSERT_NE(enc.Task(task)->InputDecoder(19), nullptr);
    EXPECT_EQ(enc.Task(task)->InputDecoder(19)->VideoStreamCount(), 1);

    EXPECT_EQ(enc.AddTask("/nonexistent/file.mp4"), -1);
    EXPECT_EQ(enc.LastErrMsg(), "/nonexistent/file.mp4: No such file or directory");
    EXPECT_EQ(enc.TasksCount(), 1);

    enc.SetProgressInterval(50);
    EXPECT_EQ(enc.ProgressInterval(), 100);
    enc.SetProgressInterval(700);
    EXPECT_EQ(enc.ProgressInterval(), 700);
    EXPECT_STREQ(TFFEncoder::Version(), "3.9");
    enc.RemoveTask(task);
    EXPECT_EQ(enc.TasksCount(), 0);
}

TEST_F(EncoderComponent, PreviewPicturesAndHooks) {
    const int task = AddConversion(encfix::Input("av2.mp4"));
    (void)task;
    std::vector<TPreviewInfo> previews;
    std::thread::id previewThread;
    enc.OnPreviewBitmap = [&](TFFEncoder*, const TPreviewInfo& p) {
        previews.push_back(p);
        previewThread = std::this_thread::get_id();
    };
    enc.SetPreviewBitmap(true);
    enc.StartTask(1);
    ASSERT_TRUE(WaitRunEnded());
    ASSERT_FALSE(previews.empty());
    EXPECT_EQ(previewThread, std::this_thread::get_id());
    ASSERT_TRUE(previews[0].Bitmap);
    EXPECT_EQ(previews[0].Bitmap->Width, 160);
    EXPECT_EQ(previews[0].Bitmap->Height, 120);
    EXPECT_EQ(previews[0].Bitmap->BitsPixel, 24);
    EXPECT_EQ(previews[0].FrameNumber, 1);
}

// Both video hooks see the pictures as bitmaps on the task's thread, paint them, and stop when asked: the
// input hook before the filters (it numbers no frames), the output hook before the encoder.
TEST_F(EncoderComponent, VideoHooksPaintAndStop) {
    struct Case {
        bool input;
        std::vector<int> frameNumbers;
    };
    const Case cases[] = {{false, {1, 2, 3}}, {true, {0, 0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input ? "input hook" : "output hook");
        TFFEncoder encoder;
        const int task = encoder.AddTask(encfix::Input("av2.mp4"));
        TOutputOptions o;
        o.VideoCodec = "mpeg4";
        o.DisableAudio = true;
        (c.input ? o.VideoInputHook : o.VideoOutputHook) = true;
        const std::string out = encfix::Output(c.input ? "hooked-in.mp4" : "hooked-out.mp4");
        ASSERT_TRUE(encoder.SetOutputFile(task, out, &o));
        std::vector<int> frames;
        std::thread::id hookThread;
        TTerminateInfo result;
        encoder.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) {
            if (i.TaskIndex >= 0) result = i;
        };
        auto hook = [&](TFFEncoder*, PHookInfo h) {
            frames.push_back(h->FrameNumber);
            hookThread = std::this_thread::get_id();
            std::fill(h->Bitmap->Pixels.begin(), h->Bitmap->Pixels.end(), 0);  // paint it black
            h->StopHook = frames.size() == 3;
        };
        (c.input ? encoder.OnVideoInputHook : encoder.OnVideoOutputHook) = hook;
        encoder.StartTask(0);
        EXPECT_EQ(frames, c.frameNumbers);
        EXPECT_EQ(hookThread, std::this_thread::get_id());  // unthreaded: the task runs here
        ASSERT_TRUE(result.Finished) << result.ErrorMessage;
        // the first picture is black, the fourth is not
        const std::string luma = encfix::Capture("ffmpeg -nostdin -v error -i '" + out +
                                                 "' -frames:v 4 -vf scale=1:1,format=gray -f rawvideo -");
        ASSERT_EQ(luma.size(), 4u);
        EXPECT_LT(static_cast<unsigned char>(luma[0]), 30);
        EXPECT_GT(static_cast<unsigned char>(luma[3]), 30);
    }
}

namespace {

// A host that records what the engine asks of its preview windows.
class FakePreviewHost : public TPreviewHost {
public:
    void ShowPreview(const void* key, const TBitmap& picture, const std::string& title) override {
        EXPECT_TRUE(core::mainDispatcher().isMainThread());
        shown.push_back({key, title});
        width = picture.Width;
        pixelAspect = picture.PixelAspect;
    }
    void ClosePreview(const void* key) override { closed.push_back(key); }
    std::vector<std::pair<const void*, std::string>> shown;
    std::vector<const void*> closed;
    int width = 0;
    double pixelAspect = 0;
};

}  // namespace

TEST_F(EncoderComponent, PreviewWindowPerTaskUntilTheUserClosesIt) {
    FakePreviewHost host;
    enc.PreviewHost = &host;
    AddConversion(encfix::Input("av2.mp4"));
    enc.SetPreview(true);
    enc.StartTask(1);
    ASSERT_TRUE(WaitRunEnded());
    static_cast<core::SimpleDispatcher&>(core::mainDispatcher()).processPending();
    ASSERT_FALSE(host.shown.empty());
    EXPECT_EQ(host.shown[0].first, enc.Task(0));
    EXPECT_EQ(host.shown[0].second, "00:00:00.000");  // the picture time
    EXPECT_EQ(host.width, 160);
    EXPECT_DOUBLE_EQ(host.pixelAspect, 1.0);
    EXPECT_FALSE(host.closed.empty());  // the window goes when the task ends

    // an anamorphic output (160x120 shown as 16:9) tells the shape its pixels are shown in
    enc.ClearTasks();
    const int task = enc.AddTask(encfix::Input("av2.mp4"));
    TOutputOptions wide;
    wide.VideoCodec = "mpeg4";
    wide.FrameSize = "160x120";
    wide.AspectRatio = "16:9";
    ASSERT_TRUE(enc.SetOutputFile(task, encfix::Output("wide.mp4"), &wide)) << enc.LastErrMsg();
    enc.SetPreview(true);
    {
        std::lock_guard<std::mutex> lock(mutex);
        notices.clear();
    }
    enc.StartTask(1);
    ASSERT_TRUE(WaitRunEnded());
    static_cast<core::SimpleDispatcher&>(core::mainDispatcher()).processPending();
    EXPECT_EQ(host.width, 160);
    EXPECT_NEAR(host.pixelAspect, 4.0 / 3.0, 1e-9);

    // closing the window ends preview for that task only
    enc.ClearTasks();
    AddConversion(encfix::Input("av2.mp4"));
    AddConversion(encfix::Input("av2.mp4"));
    enc.PreviewWindowClosed(enc.Task(0));
    EXPECT_FALSE(enc.Task(0)->Preview());
    EXPECT_TRUE(enc.Task(1)->Preview());
}

namespace {

// Sets up two conversions whose handler of one kind calls back into the component.
struct CallbackCase {
    const char* name;
    int threads;  // StartTask's argument
    std::function<void(TFFEncoder&)> install;
};

}  // namespace

TEST_F(EncoderComponent, HandlersThatCallBackIntoTheComponentLetTheRunEnd) {
    const CallbackCase cases[] = {
        {"progress reads the last progress", 1,
         [](TFFEncoder& e) { e.OnProgress = [](TFFEncoder* s, PProgressInfo) { s->LastProgressInfo(); }; }},
        {"progress reads the tasks", 1,
         [](TFFEncoder& e) {
             e.OnProgress = [](TFFEncoder* s, PProgressInfo p) {
                 EXPECT_TRUE(s->Working());
                 EXPECT_NE(s->Task(p->TaskIndex)->OutputOptions(0), nullptr);
                 s->TasksCount();
                 s->LastTerminateInfo();
             };
         }},
        {"progress stops the run", 1,
         [](TFFEncoder& e) { e.OnProgress = [](TFFEncoder* s, PProgressInfo) { s->Stop(false); }; }},
        {"progress stops the run and waits", 2,
         [](TFFEncoder& e) { e.OnProgress = [](TFFEncoder* s, PProgressInfo) { s->Stop(true); }; }},
        {"progress clears the tasks (refused while working)", 1,
         [](TFFEncoder& e) { e.OnProgress = [](TFFEncoder* s, PProgressInfo) { s->ClearTasks(); }; }},
        {"progress switches the preview off", 1,
         [](TFFEncoder& e) {
             e.SetPreviewBitmap(true);
             e.OnProgress = [](TFFEncoder* s, PProgressInfo) { s->SetPreviewBitmap(false); };
         }},
        {"preview reads progress and switches itself off", 1,
         [](TFFEncoder& e) {
             e.SetPreviewBitmap(true);
             e.OnPreviewBitmap = [](TFFEncoder* s, const TPreviewInfo&) {
                 s->LastProgressInfo();
                 s->SetPreviewBitmap(false);
             };
         }},
        {"termination reads its record", 1,
         [](TFFEncoder& e) {
             e.OnTerminate = [inner = e.OnTerminate](TFFEncoder* s, const TTerminateInfo& i) {
                 EXPECT_GE(s->LastTerminateInfo().TaskIndex, -1);
                 inner(s, i);
             };
         }},
        {"termination reads its record, unthreaded", 0,
         [](TFFEncoder& e) {
             e.OnTerminate = [inner = e.OnTerminate](TFFEncoder* s, const TTerminateInfo& i) {
                 EXPECT_EQ(s->LastTerminateInfo().TaskIndex, i.TaskIndex);
                 s->LastProgressInfo();
                 inner(s, i);
             };
         }},
        {"termination clears the tasks", 1,
         [](TFFEncoder& e) {
             e.OnTerminate = [inner = e.OnTerminate](TFFEncoder* s, const TTerminateInfo& i) {
                 s->ClearTasks();  // refused while tasks run, done once the run has ended
                 inner(s, i);
             };
         }},
        {"termination stops and waits", 1,
         [](TFFEncoder& e) {
             e.OnTerminate = [inner = e.OnTerminate](TFFEncoder* s, const TTerminateInfo& i) {
                 s->Stop(true);
                 inner(s, i);
             };
         }},
        {"video hook reads progress and stops the run and waits", 1,
         [](TFFEncoder& e) {
             e.OnVideoOutputHook = [](TFFEncoder* s, PHookInfo h) {
                 s->LastProgressInfo();
                 if (h->FrameNumber == 5) s->Stop(true);
             };
         }},
        {"audio hook stops the run", 1,
         [](TFFEncoder& e) {
             e.OnAudioHook = [](TFFEncoder* s, int, int64_t, uint8_t*, int, int, int, int) {
                 s->Stop(false);
             };
         }},
    };
    for (const CallbackCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFFEncoder& e = enc;
        e.ClearTasks();
        e.OnProgress = nullptr;
        e.OnPreviewBitmap = nullptr;
        e.OnVideoOutputHook = nullptr;
        e.OnAudioHook = nullptr;
        e.SetPreviewBitmap(false);
        e.SetProgressInterval(100);
        {
            std::lock_guard<std::mutex> lock(mutex);
            notices.clear();
        }
        SetUp();  // the recording termination handler
        for (int i = 0; i < 2; ++i) {
            const int task = e.AddTask(encfix::Input("av.mp4"));
            ASSERT_GE(task, 0) << e.LastErrMsg();
            TOutputOptions o;
            o.VideoCodec = "mpeg4";
            o.AudioCodec = "libfaac";
            o.VideoOutputHook = true;
            o.AudioHook = true;
            ASSERT_TRUE(e.SetOutputFile(task, encfix::Output("callback.mp4"), &o)) << e.LastErrMsg();
        }
        c.install(e);
        e.StartTask(c.threads);
        if (!WaitRunEnded()) {
            // a deadlock: report it rather than hang in the component's destructor
            ADD_FAILURE() << "the run did not end";
            std::fflush(nullptr);
            std::_Exit(1);
        }
        e.OnTerminate = nullptr;
        e.Stop(true);
    }
}
