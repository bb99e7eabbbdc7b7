#include "net/WinThread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "core/Dispatcher.h"

namespace net {

namespace {

// Hand-overs served on the main thread by any worker; a waiting Run counts them as the messages
// that restart its time limit.
std::atomic<unsigned long long> g_handoversServed{0};

}  // namespace

namespace detail {

// Everything a worker thread touches. Shared between the TEventWinThread object and the thread
// itself, so that a worker left to end on its own never reaches freed memory.
struct WorkerState {
    TCustomWinThread* owner = nullptr;  // dereferenced only on the main thread while not stopped
    std::shared_ptr<std::atomic<bool>> ownerDestroying;

    std::atomic<bool> terminated{false};
    std::atomic<bool> stopped{false};
    std::atomic<bool> suspended{true};
    std::atomic<bool> started{false};
    std::atomic<bool> running{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> freeOnTerminate{false};
    std::atomic<bool> handleException{true};
    std::atomic<int> returnValue{0};
    std::atomic<int> priority{tpNormal};
    std::atomic<pid_t> tid{0};
    std::atomic<int> inHandler{0};      // the main thread is running a method this worker handed over
    std::atomic<bool> detached{false};  // nobody waits for this thread; it may outlive the dispatcher

    std::mutex mutex;  // guards the handlers, the cancel hook and the pause
    std::condition_variable changed;
    TNotifyEvent onExecute;
    TNotifyEvent onTerminate;
    TThreadMethod onException;
    std::function<void()> cancelHook;

    std::exception_ptr
        captured;  // written on the main thread inside a hand-over, read by the worker after it
    std::thread thread;

    bool ownerGoing() const { return ownerDestroying && ownerDestroying->load(); }

    void synchronize(const std::shared_ptr<WorkerState>& self, const TThreadMethod& method);
    void stop();
    void markFinished();
    static void complete(const std::shared_ptr<WorkerState>& s) { s->owner->completeOnMainThread(s); }
};

thread_local std::shared_ptr<WorkerState> t_current;

void WorkerState::synchronize(const std::shared_ptr<WorkerState>& self, const TThreadMethod& method) {
    {
        // Cooperative suspension: a running worker pauses here until resumed or stopped.
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return !suspended.load() || stopped.load(); });
    }
    if (stopped) throw TWorkerStopped{};
    if (ownerGoing()) return;
    captured = nullptr;
    core::mainDispatcher().runSync([self, &method] {
        if (!self->stopped && !self->ownerGoing()) {
            self->captured = nullptr;
            ++self->inHandler;
            try {
                method();
            } catch (...) {
                self->captured = std::current_exception();
            }
            --self->inHandler;
        }
        ++g_handoversServed;
    });
    if (stopped) throw TWorkerStopped{};
    if (captured && !handleException) {
        auto error = captured;
        captured = nullptr;
        std::rethrow_exception(error);
    }
    captured = nullptr;
}

void WorkerState::stop() {
    terminated = true;
    stopped = true;
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex);
        hook = cancelHook;
        if (hook) hook();  // under the lock, so the work cannot clear and free what the hook touches
    }
    changed.notify_all();
}

void WorkerState::markFinished() {
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    changed.notify_all();
    if (detached) return;  // the waits that poll finished see it at their next look
    try {
        core::mainDispatcher().wake();
    } catch (...) {
    }
}

namespace {

void threadBody(std::shared_ptr<WorkerState> s) {
    t_current = s;
    s->tid = static_cast<pid_t>(gettid());
    if (s->priority != tpNormal)
        core::SetThreadPriority(static_cast<TThreadPriority>(s->priority.load()), s->tid);

    if (!s->terminated) {
        s->running = true;
        try {
            TNotifyEvent execute;
            {
                std::lock_guard lock(s->mutex);
                execute = s->onExecute;
            }
            if (execute && !s->ownerGoing()) {
                try {
                    execute(s->owner);
                } catch (const TWorkerStopped&) {
                    throw;
                } catch (...) {
                    // Without HandleException the original lets the exception end the process; here it only
                    // ends the work, unreported.
                    if (s->handleException && !s->ownerGoing()) {
                        s->synchronize(s, [s] {
                            TThreadMethod onException;
                            {
                                std::lock_guard lock(s->mutex);
                                onException = s->onException;
                            }
                            if (onException) onException();
                        });
                    }
                }
            }
            // Completion step: always handed over; whether a handler is set is decided on the main thread.
            s->synchronize(s, [s] { WorkerState::complete(s); });
        } catch (const TWorkerStopped&) {
            // Stopped hard: nothing more of this worker runs.
        } catch (...) {
            // A completion handler's exception re-raised without HandleException: the worker ends.
        }
        s->running = false;
    }
    t_current = nullptr;
    s->markFinished();
}

}  // namespace
}  // namespace detail

using detail::WorkerState;

// ---- TWorkerContext ----

TWorkerContext TWorkerContext::Current() {
    return TWorkerContext(detail::t_current);
}

bool TWorkerContext::Terminated() const {
    return state_ && state_->terminated;
}

bool TWorkerContext::Stopped() const {
    return state_ && state_->stopped;
}

void TWorkerContext::ThrowIfStopped() const {
    if (Stopped()) throw TWorkerStopped{};
}

void TWorkerContext::Synchronize(const TThreadMethod& method) const {
    if (!state_) {
        core::mainDispatcher().runSync(method);
        return;
    }
    state_->synchronize(state_, method);
}

void TWorkerContext::SetCancelHook(std::function<void()> hook) const {
    if (!state_) return;
    std::lock_guard lock(state_->mutex);
    state_->cancelHook = std::move(hook);
}

void TWorkerContext::ClearCancelHook() const {
    if (!state_) return;
    std::lock_guard lock(state_->mutex);
    state_->cancelHook = nullptr;
}

// ---- TEventWinThread ----

TEventWinThread::TEventWinThread(TCustomWinThread* owner) : state_(std::make_shared<WorkerState>()) {
    state_->owner = owner;
    if (owner) {
        state_->ownerDestroying = owner->destroying_;
        state_->handleException = owner->handleException_;
    }
}

TEventWinThread::~TEventWinThread() {
    state_->terminated = true;
    if (!state_->thread.joinable()) return;
    const bool self = state_->thread.get_id() == std::this_thread::get_id();
    if (self || state_->freeOnTerminate || state_->inHandler > 0) {
        // It ends on its own and keeps its state alive until then.
        state_->detached = true;
        state_->changed.notify_all();
        state_->thread.detach();
        return;
    }
    if (state_->suspended) Resume();  // a paused worker must run on to see Terminated
    WaitFor();
    state_->thread.join();
}

void TEventWinThread::Synchronize(const TThreadMethod& method) {
    state_->synchronize(state_, method);
}

void TEventWinThread::Suspend() {
    state_->suspended = true;
}

void TEventWinThread::Resume() {
    {
        std::lock_guard lock(state_->mutex);
        state_->suspended = false;
    }
    state_->changed.notify_all();
    if (!state_->started.exchange(true)) state_->thread = std::thread(detail::threadBody, state_);
}

int TEventWinThread::WaitFor() {
    if (!state_->started) return state_->returnValue;
    auto s = state_;
    if (core::mainDispatcher().isMainThread()) {
        // Keep serving hand-overs, or a worker blocked in one would never end.
        core::mainDispatcher().waitUntil([s] { return s->finished.load(); }, std::chrono::milliseconds(-1));
    } else {
        std::unique_lock lock(s->mutex);
        s->changed.wait(lock, [&] { return s->finished.load(); });
    }
    return s->returnValue;
}

void TEventWinThread::Stop() {
    state_->stop();
    if (!state_->started) return;
    if (state_->thread.get_id() == std::this_thread::get_id()) throw TWorkerStopped{};
    if (state_->inHandler > 0 || state_->freeOnTerminate) return;  // the destructor detaches it
    WaitFor();
}

bool TEventWinThread::Terminated() const {
    return state_->terminated;
}
void TEventWinThread::SetTerminated() {
    state_->terminated = true;
}
bool TEventWinThread::Suspended() const {
    return state_->suspended;
}
bool TEventWinThread::Running() const {
    return state_->running;
}
bool TEventWinThread::Finished() const {
    return state_->finished;
}
bool TEventWinThread::Started() const {
    return state_->started;
}
bool TEventWinThread::FreeOnTerminate() const {
    return state_->freeOnTerminate;
}
void TEventWinThread::SetFreeOnTerminate(bool value) {
    state_->freeOnTerminate = value;
}
int TEventWinThread::ReturnValue() const {
    return state_->returnValue;
}
TCustomWinThread* TEventWinThread::Owner() const {
    return state_->owner;
}

TThreadPriority TEventWinThread::Priority() const {
    const pid_t tid = state_->tid;
    if (tid == 0 || state_->finished) return static_cast<TThreadPriority>(state_->priority.load());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (errno != 0) return static_cast<TThreadPriority>(state_->priority.load());
    return PriorityOfNiceValue(nice);
}

void TEventWinThread::SetPriority(TThreadPriority priority) {
    state_->priority = priority;
    const pid_t tid = state_->tid;
    if (tid != 0 && !state_->finished) core::SetThreadPriority(priority, tid);
}

void TEventWinThread::SetOnThreadExecute(TNotifyEvent handler) {
    std::lock_guard lock(state_->mutex);
    state_->onExecute = std::move(handler);
}
void TEventWinThread::SetOnThreadTerminate(TNotifyEvent handler) {
    std::lock_guard lock(state_->mutex);
    state_->onTerminate = std::move(handler);
}
void TEventWinThread::SetOnThreadException(TThreadMethod handler) {
    std::lock_guard lock(state_->mutex);
    state_->onException = std::move(handler);
}

std::unique_ptr<TEventWinThread> TEventWinThread::CloneSuspended() const {
    auto fresh = std::make_unique<TEventWinThread>(state_->owner);
    std::lock_guard lock(state_->mutex);
    fresh->state_->priority = state_->priority.load();
    fresh->state_->handleException = state_->handleException.load();
    fresh->state_->onExecute = state_->onExecute;
    fresh->state_->onTerminate = state_->onTerminate;
    fresh->state_->onException = state_->onException;
    return fresh;
}

// ---- TCustomWinThread ----

TCustomWinThread::TCustomWinThread(TComponent* owner)
    : TComponent(owner), destroying_(std::make_shared<std::atomic<bool>>(false)) {
    thread_ = std::make_unique<TEventWinThread>(this);
}

TCustomWinThread::~TCustomWinThread() {
    BeginDestroy();
    destroying_->store(true);  // before the stop: a worker that is just starting skips its work
    if (thread_->Started()) thread_->Stop();
    thread_.reset();
}

bool TCustomWinThread::onOwnWorkerThread() const {
    return detail::t_current && detail::t_current->owner == this;
}

void TCustomWinThread::Loaded() {
    if (suspendedSetting_ != thread_->Suspended()) SetSuspended(suspendedSetting_);
}

void TCustomWinThread::replaceWorker() {
    auto fresh = thread_->CloneSuspended();
    std::unique_ptr<TEventWinThread> old = std::move(thread_);
    thread_ = std::move(fresh);
    old->Stop();
    old.reset();
}

void TCustomWinThread::Terminate(bool Hard) {
    if (onOwnWorkerThread()) {
        // Called by the work itself: a soft request only marks it; a hard one ends the thread here.
        detail::t_current->terminated = true;
        if (Hard) {
            detail::t_current->stopped = true;
            throw TWorkerStopped{};
        }
        return;
    }
    if (!Hard) {
        thread_->SetTerminated();
        return;
    }
    replaceWorker();
}

bool TCustomWinThread::Run() {
    Terminate(true);
    if (FreeOwnerOnTerminate) thread_->SetFreeOnTerminate(true);
    auto state = thread_->state_;
    thread_->Resume();
    if (!WaitThread) return true;

    auto destroying = destroying_;
    const auto limit =
        WaitTimeout > 0 ? std::chrono::milliseconds(WaitTimeout) : std::chrono::milliseconds(-1);
    for (;;) {
        const auto seen = g_handoversServed.load();
        const bool woke = core::mainDispatcher().waitUntil(
            [&] { return state->finished || g_handoversServed != seen || destroying->load(); }, limit);
        if (state->finished || destroying->load()) return true;
        if (woke) continue;  // a hand-over was served: the limit starts again
        bool terminateThread = true;
        if (OnWaitTimeoutExpired) OnWaitTimeoutExpired(this, terminateThread);
        if (terminateThread && !destroying->load()) Terminate(true);
        return !terminateThread;
    }
}

void TCustomWinThread::Synchronize(const TThreadMethod& Method) {
    if (destroying_->load()) return;
    if (onOwnWorkerThread()) {
        TWorkerContext::Current().Synchronize(Method);
        return;
    }
    core::mainDispatcher().runSync(Method);
}

void TCustomWinThread::completeOnMainThread(const std::shared_ptr<WorkerState>& finished) {
    const bool freeOwner = FreeOwnerOnTerminate;
    if (!Destroying()) {
        TNotifyEvent onTerminate;
        TThreadMethod onException;
        {
            std::lock_guard lock(finished->mutex);
            onTerminate = finished->onTerminate;
            onException = finished->onException;
        }
        if (onTerminate) {
            if (handleException_) {
                try {
                    onTerminate(this);
                } catch (...) {
                    if (onException) onException();
                }
            } else {
                onTerminate(this);
            }
        }
    }
    if (freeOwner && Owner() && !Destroying() && thread_->state_ == finished) {
        // The finished worker frees itself once its body ends (Run set FreeOnTerminate).
        thread_ = thread_->CloneSuspended();
        delete Owner();
    }
}

bool TCustomWinThread::Suspended() const {
    return thread_->Suspended();
}

void TCustomWinThread::SetSuspended(bool value) {
    suspendedSetting_ = value;
    if (value == thread_->Suspended()) return;
    if (value)
        thread_->Suspend();
    else
        thread_->Resume();
}

bool TCustomWinThread::Running() const {
    return thread_->Running();
}

bool TCustomWinThread::Terminated() const {
    if (onOwnWorkerThread()) return detail::t_current->terminated;
    return thread_->Terminated();
}

TThreadPriority TCustomWinThread::Priority() const {
    return thread_->Priority();
}

void TCustomWinThread::SetPriority(TThreadPriority priority) {
    thread_->SetPriority(priority);
}

void TCustomWinThread::SetOnThreadExecute(TNotifyEvent handler) {
    thread_->SetOnThreadExecute(std::move(handler));
}

void TCustomWinThread::SetOnThreadTerminate(TNotifyEvent handler) {
    thread_->SetOnThreadTerminate(std::move(handler));
}

void TCustomWinThread::SetOnThreadException(TThreadMethod handler) {
    thread_->SetOnThreadException(std::move(handler));
}

void TCustomWinThread::SetHandleException(bool value) {
    handleException_ = value;
    thread_->state_->handleException = value;
}

}  // namespace net
