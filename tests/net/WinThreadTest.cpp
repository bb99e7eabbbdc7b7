#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/Dispatcher.h"
#include "net/WinThread.h"

using namespace std::chrono_literals;
using net::TComponent;
using net::TCustomWinThread;
using net::TWorkerContext;

namespace {

core::Dispatcher& main() {
    return core::mainDispatcher();
}

// Stands in for a long blocking call of the work: it ends when the hard stop's cancel hook fires
// (or after a generous limit, so that a broken stop cannot hang the test run).
struct BlockingCall {
    std::mutex m;
    std::condition_variable cv;
    bool cancelled = false;
    std::atomic<int> hookCalls{0};

    void run(const TWorkerContext& ctx, std::chrono::milliseconds limit = 30s) {
        ctx.SetCancelHook([this] {
            ++hookCalls;
            std::lock_guard lock(m);
            cancelled = true;
            cv.notify_all();
        });
        {
            std::unique_lock lock(m);
            cv.wait_for(lock, limit, [&] { return cancelled; });
        }
        ctx.ClearCancelHook();
        ctx.ThrowIfStopped();
    }
};

bool waitFor(const std::function<bool()>& done) {
    return main().waitUntil(done, 60s);
}

}  // namespace

TEST(WinThread, PriorityTableMapsBothWaysAndUnknownNiceReadsNormal) {
    for (int p = net::tpIdle; p <= net::tpTimeCritical; ++p) {
        const auto priority = static_cast<net::TThreadPriority>(p);
        EXPECT_EQ(net::PriorityOfNiceValue(net::NiceValueOf(priority)), priority);
    }
    EXPECT_EQ(net::PriorityOfNiceValue(3), net::tpNormal);
    EXPECT_EQ(net::NiceValueOf(net::tpIdle), 19);
}

TEST(WinThread, ComponentThatNeverRunsEndsWithoutCallingHandlers) {
    bool executed = false, terminated = false;
    {
        TCustomWinThread thread;
        thread.SetOnThreadExecute([&](TComponent*) { executed = true; });
        thread.SetOnThreadTerminate([&](TComponent*) { terminated = true; });
        EXPECT_TRUE(thread.Suspended());
        EXPECT_FALSE(thread.Running());
    }
    main().waitUntil([] { return false; }, 50ms);
    EXPECT_FALSE(executed);
    EXPECT_FALSE(terminated);
}

TEST(WinThread, WorkRunsOnWorkerAndCompletionOnMainThreadAfterIt) {
    TCustomWinThread thread;
    thread.SetPriority(net::tpLowest);
    std::vector<std::string> order;
    std::atomic<bool> workOnMain{true};
    net::TThreadPriority seenPriority = net::tpNormal;
    thread.SetOnThreadExecute([&](TComponent* sender) {
        EXPECT_EQ(sender, &thread);
        workOnMain = main().isMainThread();
        thread.Synchronize([&] {
            order.push_back("handover");
            seenPriority = thread.Priority();
        });
    });
    thread.SetOnThreadTerminate([&](TComponent* sender) {
        EXPECT_EQ(sender, &thread);
        EXPECT_TRUE(main().isMainThread());
        order.push_back("terminate");
    });
    EXPECT_TRUE(thread.Run());
    ASSERT_TRUE(waitFor([&] { return order.size() == 2 && !thread.Running(); }));
    EXPECT_FALSE(workOnMain);
    EXPECT_EQ(order, (std::vector<std::string>{"handover", "terminate"}));
    EXPECT_EQ(seenPriority, net::tpLowest);  // lowering a thread's priority needs no privileges
}

TEST(WinThread, ExceptionOfTheWorkGivesOneExceptionCallThenTheCompletion) {
    // Without HandleException the exception is not reported, but it no longer ends the process either.
    for (const bool handle : {true, false}) {
        TCustomWinThread thread;
        thread.SetHandleException(handle);
        std::vector<std::string> order;
        thread.SetOnThreadExecute([](TComponent*) { throw std::runtime_error("work failed"); });
        thread.SetOnThreadException([&] {
            EXPECT_TRUE(main().isMainThread());
            order.push_back("exception");
        });
        thread.SetOnThreadTerminate([&](TComponent*) { order.push_back("terminate"); });
        thread.Run();
        ASSERT_TRUE(
            waitFor([&] { return !order.empty() && order.back() == "terminate" && !thread.Running(); }));
        EXPECT_EQ(order, handle ? (std::vector<std::string>{"exception", "terminate"})
                                : std::vector<std::string>{"terminate"});
    }
}

TEST(WinThread, ExceptionOfACompletionHandlerGoesToTheExceptionHandler) {
    TCustomWinThread thread;
    std::vector<std::string> order;
    thread.SetOnThreadExecute([](TComponent*) {});
    thread.SetOnThreadException([&] { order.push_back("exception"); });
    thread.SetOnThreadTerminate([&](TComponent*) {
        order.push_back("terminate");
        throw std::runtime_error("handler failed");
    });
    thread.Run();
    ASSERT_TRUE(waitFor([&] { return order.size() >= 2 && !thread.Running(); }));
    EXPECT_EQ(order, (std::vector<std::string>{"terminate", "exception"}));
}

TEST(WinThread, HandOverExceptionReachesTheWorkOnlyWithoutHandleException) {
    for (const bool handle : {true, false}) {
        TCustomWinThread thread;
        thread.SetHandleException(handle);
        std::atomic<bool> reachedWork{false}, done{false};
        thread.SetOnThreadExecute([&](TComponent*) {
            try {
                thread.Synchronize([] { throw std::runtime_error("handler failed"); });
            } catch (const std::runtime_error&) {
                reachedWork = true;
            }
        });
        thread.SetOnThreadTerminate([&](TComponent*) { done = true; });
        thread.Run();
        ASSERT_TRUE(waitFor([&] { return done && !thread.Running(); }));
        EXPECT_EQ(reachedWork, !handle) << "HandleException " << handle;
    }
}

TEST(WinThread, RunWhileWorkingStopsTheOldRunWithoutItsCompletion) {
    TCustomWinThread thread;
    BlockingCall call;
    std::atomic<int> runs{0};
    std::vector<int> completed;
    thread.SetOnThreadExecute([&](TComponent*) {
        const int run = ++runs;
        if (run == 1) call.run(TWorkerContext::Current());
    });
    thread.SetOnThreadTerminate([&](TComponent*) { completed.push_back(runs.load()); });
    thread.Run();
    ASSERT_TRUE(waitFor([&] { return runs == 1 && thread.Running(); }));
    thread.Run();
    ASSERT_TRUE(waitFor([&] { return !completed.empty() && !thread.Running(); }));
    main().waitUntil([] { return false; }, 50ms);
    EXPECT_EQ(call.hookCalls, 1);
    EXPECT_EQ(completed, std::vector<int>{2});
}

TEST(WinThread, WaitLimitRestartsWithEveryHandOverAndExpiresWithoutThem) {
    // Hand-overs every 50 ms for four seconds: the 2 s limit between two of them never passes.
    {
        TCustomWinThread thread;
        thread.WaitThread = true;
        thread.WaitTimeout = 2000;
        bool expired = false;
        int handovers = 0;
        thread.OnWaitTimeoutExpired = [&](TComponent*, bool&) { expired = true; };
        thread.SetOnThreadExecute([&](TComponent*) {
            for (int i = 0; i < 80; ++i) {
                std::this_thread::sleep_for(50ms);
                thread.Synchronize([&] { ++handovers; });
            }
        });
        EXPECT_TRUE(thread.Run());
        EXPECT_FALSE(expired);
        EXPECT_EQ(handovers, 80);
    }
    // Silent work: the limit passes, the handler leaves TerminateThread true, the worker is stopped.
    {
        TCustomWinThread thread;
        thread.WaitThread = true;
        thread.WaitTimeout = 300;
        BlockingCall call;
        int expired = 0;
        bool completed = false;
        thread.OnWaitTimeoutExpired = [&](TComponent* sender, bool& terminate) {
            EXPECT_EQ(sender, &thread);
            EXPECT_TRUE(terminate);
            ++expired;
        };
        thread.SetOnThreadExecute([&](TComponent*) { call.run(TWorkerContext::Current()); });
        thread.SetOnThreadTerminate([&](TComponent*) { completed = true; });
        EXPECT_FALSE(thread.Run());
        EXPECT_EQ(expired, 1);
        EXPECT_EQ(call.hookCalls, 1);
        EXPECT_FALSE(thread.Running());
        main().waitUntil([] { return false; }, 50ms);
        EXPECT_FALSE(completed);
    }
}

TEST(WinThread, TimeoutHandlerCanLetTheWorkerRunOn) {
    TCustomWinThread thread;
    thread.WaitThread = true;
    thread.WaitTimeout = 200;
    std::atomic<bool> release{false};
    bool completed = false;
    thread.OnWaitTimeoutExpired = [](TComponent*, bool& terminate) { terminate = false; };
    thread.SetOnThreadExecute([&](TComponent*) {
        while (!release && !TWorkerContext::Current().Terminated())
            std::this_thread::sleep_for(5ms);
    });
    thread.SetOnThreadTerminate([&](TComponent*) { completed = true; });
    EXPECT_TRUE(thread.Run());
    EXPECT_TRUE(thread.Running());
    thread.Terminate(false);  // the soft request the work polls
    ASSERT_TRUE(waitFor([&] { return completed && !thread.Running(); }));
}

TEST(WinThread, DestroyingDuringALongCallStopsTheWorkerWithoutFurtherHandlers) {
    BlockingCall call;
    std::atomic<bool> afterCall{false};
    bool terminated = false, exception = false;
    {
        TCustomWinThread thread;
        thread.SetOnThreadExecute([&](TComponent*) {
            call.run(TWorkerContext::Current());
            afterCall = true;
        });
        thread.SetOnThreadTerminate([&](TComponent*) { terminated = true; });
        thread.SetOnThreadException([&] { exception = true; });
        thread.Run();
        ASSERT_TRUE(waitFor([&] { return thread.Running(); }));
        main().waitUntil([] { return false; }, 20ms);
    }
    main().waitUntil([] { return false; }, 50ms);
    EXPECT_EQ(call.hookCalls, 1);
    EXPECT_FALSE(afterCall);
    EXPECT_FALSE(terminated);
    EXPECT_FALSE(exception);
}

TEST(WinThread, HardStopFromInsideAHandOverOfThatWorkerEndsItAfterwards) {
    auto thread = std::make_unique<TCustomWinThread>();
    std::atomic<bool> afterHandOver{false}, unwound{false};
    bool terminated = false;
    struct SetOnExit {
        std::atomic<bool>& flag;
        ~SetOnExit() { flag = true; }
    };
    thread->SetOnThreadExecute([&](TComponent*) {
        SetOnExit onExit{unwound};
        TWorkerContext::Current().Synchronize([&] { thread->Terminate(true); });
        afterHandOver = true;
    });
    thread->SetOnThreadTerminate([&](TComponent*) { terminated = true; });
    thread->Run();
    ASSERT_TRUE(waitFor([&] { return unwound.load(); }));
    main().waitUntil([] { return false; }, 100ms);
    EXPECT_FALSE(afterHandOver);
    EXPECT_FALSE(terminated);
    thread.reset();
}

TEST(WinThread, HardStopByTheWorkItselfEndsItsThreadThere) {
    TCustomWinThread thread;
    std::atomic<bool> afterStop{false};
    bool terminated = false;
    thread.SetOnThreadExecute([&](TComponent*) {
        thread.Terminate(true);
        afterStop = true;
    });
    thread.SetOnThreadTerminate([&](TComponent*) { terminated = true; });
    thread.Run();
    ASSERT_TRUE(waitFor([&] { return thread.Thread().Finished(); }));
    main().waitUntil([] { return false; }, 50ms);
    EXPECT_FALSE(afterStop);
    EXPECT_FALSE(terminated);
}

namespace {
struct Owner : TComponent {
    explicit Owner(bool& flag) : destroyed(flag) {}
    ~Owner() override { destroyed = true; }
    bool& destroyed;
};
}  // namespace

TEST(WinThread, FreeOwnerOnTerminateFreesTheOwnerAfterTheCompletion) {
    bool ownerDestroyed = false, terminated = false;
    auto* owner = new Owner(ownerDestroyed);
    auto* thread = new TCustomWinThread(owner);  // owned by owner
    thread->FreeOwnerOnTerminate = true;
    thread->SetOnThreadExecute([](TComponent*) {});
    thread->SetOnThreadTerminate([&](TComponent*) { terminated = true; });
    thread->Run();
    ASSERT_TRUE(waitFor([&] { return ownerDestroyed; }));
    EXPECT_TRUE(terminated);
    main().waitUntil([] { return false; }, 50ms);  // the old worker ends on its own
}
