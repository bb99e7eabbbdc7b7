#include "core/SimpleDispatcher.h"

#include <exception>
#include <memory>

namespace core {

SimpleDispatcher::SimpleDispatcher() : mainId_(std::this_thread::get_id()) {}

SimpleDispatcher::~SimpleDispatcher() = default;

bool SimpleDispatcher::isMainThread() const {
    return std::this_thread::get_id() == mainId_;
}

void SimpleDispatcher::post(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
    }
    cv_.notify_all();
}

void SimpleDispatcher::runSync(const std::function<void()>& fn) {
    if (isMainThread()) {
        fn();
        return;
    }
    struct State {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        std::exception_ptr error;
    };
    auto state = std::make_shared<State>();
    post([state, &fn] {
        try {
            fn();
        } catch (...) {
            state->error = std::current_exception();
        }
        std::lock_guard lock(state->m);
        state->done = true;
        state->cv.notify_all();
    });
    std::unique_lock lock(state->m);
    state->cv.wait(lock, [&] { return state->done; });
    if (state->error) std::rethrow_exception(state->error);
}

int SimpleDispatcher::processPending() {
    int count = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return count;
            fn = std::move(queue_.front());
            queue_.pop_front();
        }
        fn();
        ++count;
    }
}

void SimpleDispatcher::wake() {
    {
        std::lock_guard lock(mutex_);
        ++wakeups_;
    }
    cv_.notify_all();
}

bool SimpleDispatcher::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const bool serve = isMainThread();
    for (;;) {
        if (serve) processPending();
        if (done()) return true;
        if (timeout.count() >= 0 && std::chrono::steady_clock::now() >= deadline) return done();
        std::unique_lock lock(mutex_);
        const auto seen = wakeups_;
        // Short slices: done() may turn true without anyone calling wake().
        auto slice = std::chrono::steady_clock::now() + std::chrono::milliseconds(5);
        if (timeout.count() >= 0 && deadline < slice) slice = deadline;
        cv_.wait_until(lock, slice, [&] { return wakeups_ != seen || (serve && !queue_.empty()); });
    }
}

}  // namespace core
