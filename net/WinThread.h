#pragma once
// TCustomWinThread: a std::thread worker component; runs one piece of work on a background thread and hands
// every notification of that work to the main thread. A hand-over blocks the worker until the main thread has
// run it (through core::mainDispatcher()), so a handler never runs alongside the work.
//
// A worker is one-shot: every Run discards the current worker and starts a fresh copy with the
// same handlers and priority. A hard stop cancels the worker (its pending I/O is interrupted
// through the cancel hook the work registered), waits for it to end, and guarantees that no
// handler of that worker runs afterwards.
//
// Locks: each worker has one mutex (its handlers, its cancel hook, its pause). It is the only lock of the
// network layer and is never held together with another; handlers are copied out and run without it. Only
// the cancel hook runs under it (it only flags the transfer and wakes libcurl's poll), so that the work
// cannot clear and free what the hook touches while it runs.

#include <atomic>
#include <functional>
#include <memory>

#include "core/ThreadPriority.h"
#include "net/Component.h"

namespace net {

using core::TThreadPriority;
using enum core::TThreadPriority;

using TNotifyEvent = std::function<void(TComponent* Sender)>;
using TThreadMethod = std::function<void()>;
using TWinThreadWaitTimeoutExpired = std::function<void(TComponent* Sender, bool& TerminateThread)>;

// Thrown on a worker that has been stopped hard, so that its work unwinds; the thread body
// swallows it and ends without running anything further. Work must let it pass.
struct TWorkerStopped {};

using core::NiceValueOf;
using core::PriorityOfNiceValue;

namespace detail {
struct WorkerState;
}

class TCustomWinThread;

// What the work may use of the worker that runs it: the stop flags, hand-overs, and a cancel
// hook that a hard stop calls (on the stopping thread) to interrupt a blocking call of the work.
class TWorkerContext {
public:
    // The worker running on the calling thread, or an empty context elsewhere.
    static TWorkerContext Current();

    explicit operator bool() const { return state_ != nullptr; }
    bool Terminated() const;  // soft stop request
    bool Stopped() const;     // hard stop: nothing may be handed over any more
    // Throws TWorkerStopped when the worker has been stopped hard.
    void ThrowIfStopped() const;
    // Runs method on the main thread and waits; skipped once stopped (and throws TWorkerStopped then).
    void Synchronize(const TThreadMethod& method) const;
    // The hook must be cheap and thread-safe; it is cleared before whatever it touches goes away.
    void SetCancelHook(std::function<void()> hook) const;
    void ClearCancelHook() const;

private:
    explicit TWorkerContext(std::shared_ptr<detail::WorkerState> state) : state_(std::move(state)) {}
    std::shared_ptr<detail::WorkerState> state_;
    friend class TEventWinThread;
};

// One operating-system thread, created suspended (it starts on the first Resume).
class TEventWinThread {
public:
    explicit TEventWinThread(TCustomWinThread* owner);
    // Sets Terminated and waits for a thread that is running (serving hand-overs meanwhile);
    // a self-freeing worker, or one whose hand-over is being served right now, is left to end alone.
    ~TEventWinThread();

    TEventWinThread(const TEventWinThread&) = delete;
    TEventWinThread& operator=(const TEventWinThread&) = delete;

    void Synchronize(const TThreadMethod& method);
    // Linux cannot freeze a running thread: a running worker pauses at its next hand-over.
    void Suspend();
    void Resume();
    int WaitFor();

    // Hard stop from another thread: cancels pending I/O, waits for the thread unless it is blocked
    // in a hand-over that is being served further up this very stack (then it ends on its own).
    void Stop();

    bool Terminated() const;
    void SetTerminated();
    bool Suspended() const;
    bool Running() const;
    bool Finished() const;
    bool Started() const;
    bool FreeOnTerminate() const;
    void SetFreeOnTerminate(bool value);
    int ReturnValue() const;

    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);

    void SetOnThreadExecute(TNotifyEvent handler);
    void SetOnThreadTerminate(TNotifyEvent handler);
    void SetOnThreadException(TThreadMethod handler);

    // A fresh, suspended worker with the same owner, priority and handlers.
    std::unique_ptr<TEventWinThread> CloneSuspended() const;

    TCustomWinThread* Owner() const;
    TWorkerContext Context() const { return TWorkerContext(state_); }

private:
    std::shared_ptr<detail::WorkerState> state_;
    friend class TCustomWinThread;
};

class TCustomWinThread : public TComponent {
public:
    explicit TCustomWinThread(TComponent* owner = nullptr);
    ~TCustomWinThread() override;

    // Applies the stored Suspended setting to the worker (false starts the work at once).
    // Components made in code have no loading stage: SetSuspended acts at once as well.
    void Loaded();
    // Starts a fresh worker; returns false only when a wait limit passed and the handler let the
    // worker be stopped.
    bool Run();
    void Terminate(bool Hard);
    void Synchronize(const TThreadMethod& Method);

    bool Suspended() const;
    void SetSuspended(bool value);
    bool Running() const;
    bool Terminated() const;
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);

    void SetOnThreadExecute(TNotifyEvent handler);
    void SetOnThreadTerminate(TNotifyEvent handler);
    void SetOnThreadException(TThreadMethod handler);

    bool HandleException() const { return handleException_; }
    void SetHandleException(bool value);

    bool FreeOwnerOnTerminate = false;
    bool WaitThread = false;
    int WaitTimeout = 0;  // milliseconds; 0 waits without limit
    TWinThreadWaitTimeoutExpired OnWaitTimeoutExpired;

    TEventWinThread& Thread() { return *thread_; }

private:
    friend class TEventWinThread;
    friend struct detail::WorkerState;
    void completeOnMainThread(const std::shared_ptr<detail::WorkerState>& finished);
    void replaceWorker();
    bool onOwnWorkerThread() const;

    std::unique_ptr<TEventWinThread> thread_;
    // Shared with every worker, so that even a worker that outlives the component can see it.
    std::shared_ptr<std::atomic<bool>> destroying_;
    bool suspendedSetting_ = true;
    bool handleException_ = true;
};

}  // namespace net
