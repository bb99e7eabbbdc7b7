#pragma once
// A dispatcher without a GUI event loop: the thread that creates it is the main thread,
// and callables run whenever that thread calls processPending() or waits in waitUntil().
// Used by tests and command-line tools (benchmarks).

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "core/Dispatcher.h"

namespace core {

class SimpleDispatcher : public Dispatcher {
public:
    SimpleDispatcher();
    ~SimpleDispatcher() override;

    void runSync(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    bool isMainThread() const override;
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;
    void wake() override;

    // Runs every queued callable (main thread only); returns how many ran.
    int processPending();

private:
    std::thread::id mainId_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    unsigned long long wakeups_ = 0;
};

}  // namespace core
