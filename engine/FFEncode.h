#pragma once
// The encoder component: the engine's face to the host. It keeps a list of conversion tasks (each a
// TFFmpeg with its inputs, outputs and options), starts them on conversion threads, relays their progress,
// previews and hooks, and reports their termination.
//
// Threads: OnProgress and OnPreviewBitmap run on the main thread (TriggerEventInMainThread) while the
// converting thread waits; the hooks run on the converting thread (the hooks of two tasks may run at the
// same time). OnTerminate runs on a short-lived notifier thread in a threaded run (and when the component is
// not working), directly on the caller in an unthreaded run. Notices on notifier threads are delivered one
// at a time in the order the tasks ended, and the run-ended notice (TaskIndex -1) comes last.
//
// Locks: no handler and no call into the preview host ever runs while the component holds a lock, so every
// handler may call back into the component. Where two locks are held at once, they are taken in this order:
// tasksLock_ before previewLock_; terminateLock_ before noticeLock_ before notifiersLock_. The other locks
// (progressLock_, videoHookLock_, errLock_, a task's doneLock_) are never held together with another.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/ThreadPriority.h"
#include "engine/EncoderRecords.h"
#include "engine/FFDecode.h"
#include "engine/Previewer.h"
#include "engine/ThreadId.h"

struct AVFormatContext;

namespace engine {

// A conversion task (engine/EncoderTask.h, internal to the engine).
class TCustomFFmpeg;
class TFFmpeg;

using core::TThreadPriority;
using enum core::TThreadPriority;

class TFFEncoder {
public:
    using TProgressEvent = std::function<void(TFFEncoder* sender, PProgressInfo info)>;
    using TTerminateEvent = std::function<void(TFFEncoder* sender, const TTerminateInfo& info)>;
    using TPreviewBitmapEvent = std::function<void(TFFEncoder* sender, const TPreviewInfo& info)>;
    using TVideoHookEvent = std::function<void(TFFEncoder* sender, PHookInfo info)>;
    using TAudioHookEvent =
        std::function<void(TFFEncoder* sender, int taskIndex, int64_t pts, uint8_t* sample, int size,
                           int sampleRate, int channels, int sampleFormat)>;
    using TBeforeFindStreamInfoEvent =
        std::function<void(TFFEncoder* sender, AVFormatContext* formatContext)>;

    TFFEncoder();
    ~TFFEncoder();
    TFFEncoder(const TFFEncoder&) = delete;
    TFFEncoder& operator=(const TFFEncoder&) = delete;

    // ---- properties
    std::string About;
    static const char* Version() { return "3.9"; }
    bool Preview() const { return preview_; }
    void SetPreview(bool value);
    bool PreviewBitmap() const { return previewBitmap_; }
    void SetPreviewBitmap(bool value);
    int ProgressInterval() const { return progressInterval_; }
    void SetProgressInterval(int ms) { progressInterval_ = ms <= 100 ? 100 : ms; }
    TThreadPriority ThreadPriority = tpNormal;
    bool TriggerEventInMainThread = true;
    // Where preview windows are shown (the host's); none: Preview shows nothing.
    TPreviewHost* PreviewHost = nullptr;

    TProgressEvent OnProgress;
    TTerminateEvent OnTerminate;
    TPreviewBitmapEvent OnPreviewBitmap;
    TVideoHookEvent OnVideoInputHook, OnVideoOutputHook;
    TAudioHookEvent OnAudioHook;
    TBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;

    // Per-task defaults copied into every new task.
    int MaxInputFiles = 20, MaxOutputFiles = 20;
    bool RaiseOnUnknown = true;
    int Verbosity = 1;
    int IOTimeout = 10000;

    // A copy: a failing call on another thread may replace the message meanwhile.
    std::string LastErrMsg() const;
    TFFDecoder& Decoder() { return decoder_; }

    // ---- libraries
    bool AVLibLoaded();
    bool LoadAVLib(const std::string& folder);

    // ---- tasks; each throws EngineError("Cannot <op> while working.") during a run
    int AddTask(const std::string& fileName, const TInputOptions* options = nullptr);
    bool AddInputFile(int taskIndex, const std::string& fileName, const TInputOptions* options = nullptr);
    bool SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions* options = nullptr);
    void RemoveTask(int taskIndex);
    void ClearTasks();
    int TasksCount() const;
    TFFmpeg* Task(int index) const;
    // What a task was given, for hosts and tests that cannot see the task itself; 0 and nullptr for an
    // index that names nothing.
    int TaskInputCount(int taskIndex) const;
    const TOutputOptions* TaskOutputOptions(int taskIndex, int outputIndex) const;
    // The decoder lent for an input of a task (reports on the task's open container), or nullptr.
    TFFDecoder* TaskInputDecoder(int taskIndex, int inputIndex) const;
    // The name an output of a finished task was written under (empty while it is not written).
    std::string TaskWrittenFileName(int taskIndex, int outputIndex) const;
    // The task a preview key (engine/Previewer.h) belongs to, or -1.
    int TaskIndexOfPreviewKey(const void* key) const;

    // ---- run control
    // N > 0: run on conversion threads, N at a time; N = 0: run every task on the caller, then return.
    void StartTask(int threadCount);
    // Stops the run; with wait, returns when the running tasks have ended (serving main-thread deliveries).
    void Stop(bool wait);
    bool Working() const { return working_; }

    // The index of the task whose conversion thread has this identifier (the one the log reports), or -1.
    // Kept after the task ended, until ClearTasks, so late log lines still find their task.
    int TaskIndexOfThread(TThreadID threadId) const;

    // The host reports that the user closed the preview window shown for key: Preview ends for that task.
    void PreviewWindowClosed(const void* key);

    // The last record of each event kind.
    TProgressInfo LastProgressInfo() const;
    TTerminateInfo LastTerminateInfo();

private:
    void Guard(const char* op) const;
    TFFmpeg* TaskOrNull(int index) const;
    int IndexOf(const TCustomFFmpeg* task) const;
    void SetupTask(TFFmpeg& task);
    void AttachDecoder(TFFmpeg& task, int inputIndex);
    void StartNextTask();
    void StartOne(TFFmpeg& task);
    void ConvertThreadMain(TFFmpeg* task);
    void RunTask(TFFmpeg& task);
    void FinishTask(TFFmpeg& task);
    void TerminateRelay(TFFmpeg* task);
    void SendRunEnded();
    void SpawnNotifier(std::function<void()> fn);
    // Calls a termination handler; an exception it throws is logged, so the run still reaches its end.
    void Notify(const TTerminateEvent& handler, const TTerminateInfo& info);
    // A notice's place in the queue; notices are delivered in the order their tickets were taken.
    uint64_t TakeNoticeTicket();
    // Delivers the notice on a thread of its own once every notice before it was delivered, then runs
    // `then` (if any) on that thread.
    void SpawnOrderedNotice(const TTerminateEvent& handler, const TTerminateInfo& info, uint64_t ticket,
                            std::function<void()> then = nullptr);
    void JoinThreads();
    // Runs fn on the main thread (TriggerEventInMainThread) while the task's thread waits for it.
    void Deliver(const TCustomFFmpeg& task, const std::function<void()>& fn);
    // True when waiting for the task would wait for the caller itself: the task's own thread (a hook), or a
    // main thread running one of the task's handlers.
    bool BlockedByCaller(TFFmpeg& task);

    // relays called by the tasks
    void ProgressRelay(TCustomFFmpeg& task, const TProgressInfo& report);
    void PreviewRelay(TCustomFFmpeg& task, std::shared_ptr<const TBitmap> bmp, int frameNumber, int64_t pts);
    void PreviewWindowRelay(TCustomFFmpeg& task, std::shared_ptr<const TBitmap> bmp,
                            const std::string& title);
    void VideoHookRelay(TCustomFFmpeg& task, THookInfo& info, bool input);
    void AudioHookRelay(TCustomFFmpeg& task, int64_t pts, uint8_t* samples, int size, int rate, int channels,
                        int format);

    void SetLastErrMsg(std::string msg);

    mutable std::mutex errLock_;
    std::string lastErrMsg_;  // under errLock_
    TFFDecoder decoder_;
    std::vector<std::unique_ptr<TFFmpeg>> tasks_;
    mutable std::recursive_mutex tasksLock_;  // the list and the run counters

    std::atomic<bool> preview_{false}, previewBitmap_{false};
    std::atomic<int> progressInterval_{500};

    int finishedCount_ = 0;
    int nextIndex_ = -1;
    int remaining_ = 0;
    std::atomic<bool> threaded_{false};  // this run uses conversion threads (set by StartTask)
    std::atomic<bool> working_{false};
    std::atomic<bool> runEnded_{false};
    // Termination notices on notifier threads are delivered one at a time in the order they were made.
    std::mutex noticeLock_;
    std::condition_variable noticeCv_;
    uint64_t nextTicket_ = 0, servedTicket_ = 0;
    // Tasks whose thread waits for a handler the main thread is running (main thread only).
    std::vector<const TCustomFFmpeg*> waitingForMain_;

    // The last records (and the previewers); see the lock order at the top.
    mutable std::mutex progressLock_, previewLock_, videoHookLock_, terminateLock_;
    TProgressInfo progressInfo_;
    TTerminateInfo terminateInfo_;
    TPreviewInfo previewInfo_;
    THookInfo hookInfo_;

    // notifier threads (termination notices) and their done flags
    struct Notifier {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex notifiersLock_;
    std::vector<Notifier> notifiers_;
};

}  // namespace engine
