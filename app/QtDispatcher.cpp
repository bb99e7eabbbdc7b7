#include "app/QtDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <exception>

namespace app {

namespace {

// Receives one plain event per queued callable and runs the oldest. It never reads the event: all that
// passes between the threads is in the dispatcher's queue.
class QueueReceiver : public QObject {
public:
    explicit QueueReceiver(std::function<void()> runOldest) : runOldest_(std::move(runOldest)) {}
    bool event(QEvent*) override {
        runOldest_();
        return true;
    }

private:
    std::function<void()> runOldest_;
};

}  // namespace

QtDispatcher::QtDispatcher() : receiver_(std::make_unique<QueueReceiver>([this] { runOldest(); })) {}

QtDispatcher::~QtDispatcher() = default;

bool QtDispatcher::isMainThread() const {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void QtDispatcher::enqueue(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
    }
    QCoreApplication::postEvent(receiver_.get(), new QEvent(QEvent::User));
}

void QtDispatcher::runOldest() {
    std::function<void()> fn;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return;
        fn = std::move(queue_.front());
        queue_.pop_front();
    }
    fn();
}

void QtDispatcher::post(std::function<void()> fn) {
    enqueue(std::move(fn));
    wake();
}

void QtDispatcher::runSync(const std::function<void()>& fn) {
    if (isMainThread()) {
        fn();
        return;
    }
    std::exception_ptr error;
    bool done = false;
    enqueue([&] {
        try {
            fn();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            done = true;
        }
        cv_.notify_all();
    });
    wake();  // a main thread inside waitUntil picks the call up sooner
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return done; });
    lock.unlock();
    if (error) std::rethrow_exception(error);
}

void QtDispatcher::wake() {
    {
        std::lock_guard lock(mutex_);
        ++wakeups_;
    }
    cv_.notify_all();
}

bool QtDispatcher::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const bool serve = isMainThread();
    for (;;) {
        if (serve) QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (done()) return true;
        if (timeout.count() >= 0 && std::chrono::steady_clock::now() >= deadline) return done();
        std::unique_lock lock(mutex_);
        const auto seen = wakeups_;
        auto slice = std::chrono::steady_clock::now() + std::chrono::milliseconds(serve ? 2 : 10);
        if (timeout.count() >= 0 && deadline < slice) slice = deadline;
        cv_.wait_until(lock, slice, [&] { return wakeups_ != seen; });
    }
}

}  // namespace app
