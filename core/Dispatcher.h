#pragma once
// The one way the engine and the network layer reach the main thread.
// The program installs a Qt-backed dispatcher at start-up; tests install SimpleDispatcher.

#include <chrono>
#include <functional>

namespace core {

class Dispatcher {
public:
    virtual ~Dispatcher() = default;

    // Runs fn on the main thread and returns after it has run.
    // On the main thread itself fn runs at once.
    virtual void runSync(const std::function<void()>& fn) = 0;

    // Queues fn to run on the main thread after the current handler has returned.
    virtual void post(std::function<void()> fn) = 0;

    virtual bool isMainThread() const = 0;

    // Waits until done() is true or the timeout has passed; returns done().
    // On the main thread the wait keeps serving runSync and post callables (and, in the
    // program, the whole event loop), so a worker blocked in a hand-over can never deadlock it.
    // A negative timeout waits without limit.
    virtual bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) = 0;

    // Wakes a waitUntil so that it checks its condition again; workers call it when their state changed.
    virtual void wake() = 0;
};

// The dispatcher of the process. Set once by the program or the test main before any worker starts.
Dispatcher& mainDispatcher();
void setMainDispatcher(Dispatcher* dispatcher);

}  // namespace core
