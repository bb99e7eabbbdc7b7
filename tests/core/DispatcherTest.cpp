#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/SimpleDispatcher.h"

using namespace std::chrono_literals;

TEST(SimpleDispatcher, RunSyncFromWorkersRunsOnMainInOrderPerThread) {
    core::SimpleDispatcher d;
    std::vector<int> seen;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            d.runSync([&, i] {
                EXPECT_TRUE(d.isMainThread());
                seen.push_back(i);
            });
        finished = true;
        d.wake();
    });
    EXPECT_TRUE(d.waitUntil([&] { return finished.load(); }, 10s));
    worker.join();
    ASSERT_EQ(seen.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(seen[i], i);
}

TEST(SimpleDispatcher, PostRunsOnlyWhenServedAndExceptionsReachTheCaller) {
    core::SimpleDispatcher d;
    int ran = 0;
    d.post([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(d.processPending(), 1);
    EXPECT_EQ(ran, 1);

    std::thread worker(
        [&] { EXPECT_THROW(d.runSync([] { throw std::runtime_error("boom"); }), std::runtime_error); });
    d.waitUntil([&] { return false; }, 200ms);
    worker.join();
}

TEST(SimpleDispatcher, WaitUntilTimesOut) {
    core::SimpleDispatcher d;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(d.waitUntil([] { return false; }, 50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}
