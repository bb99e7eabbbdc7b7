#pragma once
// The program's dispatcher: callables reach the main thread through Qt's event queue.

#include <condition_variable>
#include <mutex>

#include "core/Dispatcher.h"

namespace app {

class QtDispatcher : public core::Dispatcher {
public:
    // Must be created on the main thread after the QCoreApplication.
    QtDispatcher();

    void runSync(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    bool isMainThread() const override;
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;
    void wake() override;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    unsigned long long wakeups_ = 0;
};

}  // namespace app
