#include "app/QtDispatcher.h"

#include <QCoreApplication>
#include <QThread>
#include <exception>

namespace app {

QtDispatcher::QtDispatcher() = default;

bool QtDispatcher::isMainThread() const {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void QtDispatcher::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
    wake();
}

void QtDispatcher::runSync(const std::function<void()>& fn) {
    if (isMainThread()) {
        fn();
        return;
    }
    std::exception_ptr error;
    auto call = [&] {
        try {
            fn();
        } catch (...) {
            error = std::current_exception();
        }
    };
    wake();  // a main thread inside waitUntil picks the call up sooner
    QMetaObject::invokeMethod(QCoreApplication::instance(), call, Qt::BlockingQueuedConnection);
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
