#pragma once
// The program's dispatcher: callables reach the main thread through Qt's event queue.

#include <QObject>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "core/Dispatcher.h"

namespace app {

class QtDispatcher : public core::Dispatcher {
public:
    // Must be created on the main thread after the QCoreApplication.
    QtDispatcher();
    ~QtDispatcher() override;

    void runSync(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    bool isMainThread() const override;
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;
    void wake() override;

private:
    // Queues fn and asks the main thread's event loop to run the oldest queued callable.
    void enqueue(std::function<void()> fn);
    void runOldest();

    // The callables wait in a queue of our own, and Qt's event carries no data: the hand-over between
    // threads goes through this mutex, where a thread checker sees it.
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    unsigned long long wakeups_ = 0;
    // Receiver of the queued events; pending events die with it.
    std::unique_ptr<QObject> receiver_;
};

}  // namespace app
