#include "engine/FFEncode.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "core/Dispatcher.h"
#include "engine/EncoderTask.h"
#include "engine/FFLoad.h"
#include "engine/StrFormat.h"

namespace engine {

namespace {

// The component whose termination notice this thread is delivering, if any.
thread_local const TFFEncoder* tNoticeOf = nullptr;

}  // namespace

// ---------------------------------------------------------------- TFFmpeg

TFFmpeg::TFFmpeg(TFFEncoder& owner)
    : TCustomFFmpeg(owner.MaxInputFiles, owner.MaxOutputFiles), owner_(owner) {}

TFFmpeg::~TFFmpeg() {
    if (thread_.joinable()) thread_.join();
    try {
        Release();
    } catch (...) {
    }
}

void TFFmpeg::BeforeRelease() {
    for (auto& d : decoders_)
        if (d) d->CloseFile();  // they only borrow the containers that are closed now
}

TFFDecoder* TFFmpeg::InputDecoder(int index) const {
    return index >= 0 && index < static_cast<int>(decoders_.size()) ? decoders_[index].get() : nullptr;
}

const TInputOptions* TFFmpeg::InputOptions(int index) const {
    return index >= 0 && index < static_cast<int>(inputOptions_.size()) ? inputOptions_[index].get()
                                                                        : nullptr;
}

const TOutputOptions* TFFmpeg::OutputOptions(int index) const {
    return index >= 0 && index < static_cast<int>(outputOptions_.size()) ? outputOptions_[index].get()
                                                                         : nullptr;
}

// ---------------------------------------------------------------- component

TFFEncoder::TFFEncoder() = default;

TFFEncoder::~TFFEncoder() {
    OnTerminate = nullptr;
    try {
        Stop(true);
    } catch (...) {
    }
    JoinThreads();
    std::lock_guard<std::recursive_mutex> lock(tasksLock_);
    tasks_.clear();
}

bool TFFEncoder::AVLibLoaded() {
    return engine::AVLibLoaded();
}

bool TFFEncoder::LoadAVLib(const std::string& folder) {
    if (engine::LoadAVLib(folder)) return true;
    SetLastErrMsg(AVLibLastErrMsg());
    return false;
}

void TFFEncoder::Guard(const char* op) const {
    if (working_) throw EngineError(FormatStr("Cannot %s while working.", op));
}

int TFFEncoder::TasksCount() const {
    std::lock_guard<std::recursive_mutex> lock(tasksLock_);
    return static_cast<int>(tasks_.size());
}

TFFmpeg* TFFEncoder::TaskOrNull(int index) const {
    std::lock_guard<std::recursive_mutex> lock(tasksLock_);
    return index >= 0 && index < static_cast<int>(tasks_.size()) ? tasks_[index].get() : nullptr;
}

TFFmpeg* TFFEncoder::Task(int index) const {
    return TaskOrNull(index);
}

int TFFEncoder::TaskInputCount(int taskIndex) const {
    const TFFmpeg* task = TaskOrNull(taskIndex);
    return task ? task->InputCount() : 0;
}

const TOutputOptions* TFFEncoder::TaskOutputOptions(int taskIndex, int outputIndex) const {
    const TFFmpeg* task = TaskOrNull(taskIndex);
    return task ? task->OutputOptions(outputIndex) : nullptr;
}

TFFDecoder* TFFEncoder::TaskInputDecoder(int taskIndex, int inputIndex) const {
    const TFFmpeg* task = TaskOrNull(taskIndex);
    return task ? task->InputDecoder(inputIndex) : nullptr;
}

std::string TFFEncoder::TaskWrittenFileName(int taskIndex, int outputIndex) const {
    const TFFmpeg* task = TaskOrNull(taskIndex);
    return task ? task->WrittenFileName(outputIndex) : std::string();
}

int TFFEncoder::TaskIndexOfPreviewKey(const void* key) const {
    return IndexOf(static_cast<const TCustomFFmpeg*>(key));
}

std::string TFFEncoder::LastErrMsg() const {
    std::lock_guard<std::mutex> lock(errLock_);
    return lastErrMsg_;
}

void TFFEncoder::SetLastErrMsg(std::string msg) {
    std::lock_guard<std::mutex> lock(errLock_);
    lastErrMsg_ = std::move(msg);
}

int TFFEncoder::TaskIndexOfThread(TThreadID threadId) const {
    std::lock_guard<std::recursive_mutex> lock(tasksLock_);
    for (size_t i = 0; i < tasks_.size(); ++i)
        if (threadId != 0 && tasks_[i]->threadId_ == threadId) return static_cast<int>(i);
    return -1;
}

int TFFEncoder::IndexOf(const TCustomFFmpeg* task) const {
    std::lock_guard<std::recursive_mutex> lock(tasksLock_);
    for (size_t i = 0; i < tasks_.size(); ++i)
        if (tasks_[i].get() == task) return static_cast<int>(i);
    return -1;
}

void TFFEncoder::SetupTask(TFFmpeg& task) {
    task.RaiseOnUnknown = RaiseOnUnknown;
    task.IOTimeout = IOTimeout;
    task.SetPreview(preview_);
    task.SetPreviewBitmap(previewBitmap_);
    task.ParseOption("v", std::to_string(Verbosity));
    task.OnBeforeFindStreamInfo = [this](TCustomFFmpeg&, AVFormatContext* ctx) {
        if (OnBeforeFindStreamInfo) OnBeforeFindStreamInfo(this, ctx);
    };
    task.OnPreview = [this](TCustomFFmpeg& t, std::shared_ptr<const TBitmap> bmp, int n, int64_t pts) {
        PreviewRelay(t, std::move(bmp), n, pts);
    };
    task.OnPreviewWindow = [this](TCustomFFmpeg& t, std::shared_ptr<const TBitmap> bmp,
                                  const std::string& title) { PreviewWindowRelay(t, std::move(bmp), title); };
}

void TFFEncoder::AttachDecoder(TFFmpeg& task, int inputIndex) {
    if (static_cast<int>(task.decoders_.size()) <= inputIndex) task.decoders_.resize(inputIndex + 1);
    auto dec = std::make_unique<TFFDecoder>();
    dec->AttachContext(task.InputContext(inputIndex));
    task.decoders_[inputIndex] = std::move(dec);
}

int TFFEncoder::AddTask(const std::string& fileName, const TInputOptions* options) {
    Guard("AddTask");
    auto task = std::make_unique<TFFmpeg>(*this);
    try {
        SetupTask(*task);
        std::unique_ptr<TInputOptions> copy;
        if (options) {
            copy = std::make_unique<TInputOptions>(*options);
            if (copy->FileName.empty()) copy->FileName = fileName;
        }
        task->AddInputWithOptions(fileName, copy.get());
        task->inputOptions_.push_back(std::move(copy));
        AttachDecoder(*task, 0);
    } catch (const std::exception& e) {
        SetLastErrMsg(e.what());
        return -1;
    }
    task->OnProgress = [this](TCustomFFmpeg& t, const TProgressInfo& d) { ProgressRelay(t, d); };
    std::lock_guard<std::recursive_mutex> lock(tasksLock_);
    tasks_.push_back(std::move(task));
    return static_cast<int>(tasks_.size()) - 1;
}

bool TFFEncoder::AddInputFile(int taskIndex, const std::string& fileName, const TInputOptions* options) {
    Guard("AddInputFile");
    TFFmpeg* task = TaskOrNull(taskIndex);
    if (!task) {
        SetLastErrMsg(FormatStr("task index #%d is invalid.", taskIndex));
        return false;
    }
    if (task->InputCount() >= MaxInputFiles) {
        SetLastErrMsg(FormatStr("max input files %d reached", MaxInputFiles));
        return false;
    }
    try {
        task->RaiseOnUnknown = RaiseOnUnknown;
        std::unique_ptr<TInputOptions> copy;
        if (options) {
            copy = std::make_unique<TInputOptions>(*options);
            if (copy->FileName.empty()) copy->FileName = fileName;
        }
        task->AddInputWithOptions(fileName, copy.get());
        const int index = task->InputCount() - 1;
        if (static_cast<int>(task->inputOptions_.size()) <= index) task->inputOptions_.resize(index + 1);
        task->inputOptions_[index] = std::move(copy);
        AttachDecoder(*task, index);
        return true;
    } catch (const std::exception& e) {
        SetLastErrMsg(e.what());
        return false;
    }
}

bool TFFEncoder::SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions* options) {
    Guard("SetOutputFile");
    TFFmpeg* task = TaskOrNull(taskIndex);
    if (!task) {
        SetLastErrMsg(FormatStr("task index #%d is invalid.", taskIndex));
        return false;
    }
    if (task->OutputCount() >= MaxOutputFiles) {
        SetLastErrMsg(FormatStr("max output files %d reached", MaxOutputFiles));
        return false;
    }
    try {
        task->RaiseOnUnknown = RaiseOnUnknown;
        std::unique_ptr<TOutputOptions> copy;
        if (options) {
            copy = std::make_unique<TOutputOptions>(*options);
            if (copy->FileName.empty()) copy->FileName = fileName;
        }
        const int index = task->AddOutputWithOptions(fileName, copy.get());
        if (options) {
            if (options->VideoInputHook)
                task->OnVideoInputHook = [this](TCustomFFmpeg& t, THookInfo& i) {
                    VideoHookRelay(t, i, true);
                };
            if (options->VideoOutputHook)
                task->OnVideoOutputHook = [this](TCustomFFmpeg& t, THookInfo& i) {
                    VideoHookRelay(t, i, false);
                };
            if (options->AudioHook)
                task->OnAudioHook = [this](TCustomFFmpeg& t, int64_t pts, uint8_t* s, int size, int rate,
                                           int ch,
                                           int fmt) { AudioHookRelay(t, pts, s, size, rate, ch, fmt); };
        }
        if (static_cast<int>(task->outputOptions_.size()) <= index) task->outputOptions_.resize(index + 1);
        task->outputOptions_[index] = std::move(copy);
        return true;
    } catch (const std::exception& e) {
        SetLastErrMsg(e.what());
        return false;
    }
}

void TFFEncoder::RemoveTask(int taskIndex) {
    Guard("RemoveTask");
    std::lock_guard<std::recursive_mutex> lock(tasksLock_);
    if (taskIndex >= 0 && taskIndex < static_cast<int>(tasks_.size()))
        tasks_.erase(tasks_.begin() + taskIndex);
}

void TFFEncoder::ClearTasks() {
    if (working_ && !runEnded_) throw EngineError("Cannot ClearTasks while working.");
    JoinThreads();
    {
        std::lock_guard<std::recursive_mutex> lock(tasksLock_);
        tasks_.clear();
        finishedCount_ = 0;
        nextIndex_ = -1;
        remaining_ = 0;
        threaded_ = false;
    }
    SetLastErrMsg({});
    runEnded_ = false;
    working_ = false;
}

// ---------------------------------------------------------------- run control

void TFFEncoder::StartTask(int threadCount) {
    Guard("StartTask");
    {
        std::lock_guard<std::recursive_mutex> lock(tasksLock_);
        finishedCount_ = 0;
        nextIndex_ = 0;
        remaining_ = static_cast<int>(tasks_.size());
        runEnded_ = false;
        threaded_ = threadCount > 0;
        working_ = true;
    }
    int started = 0;
    const int limit = threadCount <= 1 ? 1 : threadCount;
    while (true) {
        {
            std::lock_guard<std::recursive_mutex> lock(tasksLock_);
            if (remaining_ <= 0) break;
        }
        StartNextTask();
        if (threaded_ && ++started >= limit) break;
    }
}

void TFFEncoder::StartNextTask() {
    TFFmpeg* task = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(tasksLock_);
        if (remaining_ <= 0) return;
        --remaining_;
        task = tasks_.at(nextIndex_).get();
        ++nextIndex_;
    }
    task->ProgressInterval = int64_t(progressInterval_) * 1000;
    StartOne(*task);
}

void TFFEncoder::StartOne(TFFmpeg& task) {
    if (task.running_ || task.terminated_) return;
    const char* missing = task.OutputCount() == 0  ? "At least one output file must be specified"
                          : task.InputCount() == 0 ? "At least one input file must be specified"
                                                   : nullptr;
    if (missing) {
        task.Log(llQuiet, missing);
        task.SetError(missing);
        FinishTask(task);
        return;
    }
    task.running_ = true;
    if (!threaded_) {
        RunTask(task);
        FinishTask(task);
        return;
    }
    task.hasThread_ = true;
    // under the done lock: the thread cannot report itself done before its handle is stored
    std::lock_guard<std::mutex> lock(task.doneLock_);
    task.threadDone_ = false;
    task.thread_ = std::thread(&TFFEncoder::ConvertThreadMain, this, &task);
}

void TFFEncoder::ConvertThreadMain(TFFmpeg* task) {
    task->threadId_ = CurrentThreadID();
    if (ThreadPriority != tpNormal) core::SetThreadPriority(ThreadPriority);
    RunTask(*task);
    FinishTask(*task);
    {
        std::lock_guard<std::mutex> lock(task->doneLock_);
        task->threadDone_ = true;
    }
    task->doneCv_.notify_all();
    core::mainDispatcher().wake();
}

void TFFEncoder::RunTask(TFFmpeg& task) {
    task.Run();
    try {
        task.Release();
    } catch (const std::exception& e) {
        task.Log(llQuiet, e.what());
        task.SetError(e.what());
    }
}

void TFFEncoder::FinishTask(TFFmpeg& task) {
    task.running_ = false;
    task.terminated_ = true;
    std::unique_ptr<TPreviewer> previewer;  // closed with no lock held
    {
        std::lock_guard<std::mutex> lock(previewLock_);
        previewer = std::move(task.previewer_);
    }
    previewer.reset();
    TerminateRelay(&task);
}

void TFFEncoder::SpawnNotifier(std::function<void()> fn) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard<std::mutex> lock(notifiersLock_);
    notifiers_.push_back({std::thread([fn = std::move(fn), done] {
                              fn();
                              *done = true;
                              core::mainDispatcher().wake();
                          }),
                          done});
}

void TFFEncoder::TerminateRelay(TFFmpeg* task) {
    bool callHere = false, queued = false;
    uint64_t ticket = 0;
    TTerminateInfo info;
    if (task && OnTerminate) {
        info.TaskIndex = IndexOf(task);
        info.Finished = task->Finished();
        info.ErrorOccurred = task->ErrorOccurred();
        info.ErrorMessage = task->ErrorMessage();
        // the record and the notice's place in the queue are taken together, before the run can end
        std::lock_guard<std::mutex> lock(terminateLock_);
        terminateInfo_ = info;
        if (threaded_ || !working_) {
            ticket = TakeNoticeTicket();
            queued = true;
        } else {
            callHere = true;
        }
    }
    if (callHere) Notify(OnTerminate, info);  // unthreaded run: on the caller, no lock held
    bool sendEnd = false, startNext = false;
    {
        std::lock_guard<std::recursive_mutex> tl(tasksLock_);
        ++finishedCount_;
        if (remaining_ <= 0)
            sendEnd = finishedCount_ >= static_cast<int>(tasks_.size()) && working_;
        else
            startNext = threaded_;
    }
    if (queued) {
        // The next task starts once this one's end has been told: a host never sees a later task's first
        // report before an earlier task's end (a list would show one task too many converting).
        std::function<void()> then;
        if (startNext) then = [this] { StartNextTask(); };
        SpawnOrderedNotice(OnTerminate, info, ticket, std::move(then));
    } else if (startNext) {
        StartNextTask();
    }
    if (sendEnd) SendRunEnded();
}

void TFFEncoder::SendRunEnded() {
    if (runEnded_.exchange(true)) return;
    if (!OnTerminate) return;
    TTerminateInfo info;
    info.TaskIndex = -1;
    info.Finished = true;
    {
        std::lock_guard<std::mutex> lock(terminateLock_);
        terminateInfo_ = info;
        if (threaded_ || !working_) {
            SpawnOrderedNotice(OnTerminate, info, TakeNoticeTicket());  // behind the last task's notice
            return;
        }
    }
    Notify(OnTerminate, info);
}

void TFFEncoder::Notify(const TTerminateEvent& handler, const TTerminateInfo& info) {
    try {
        handler(this, info);
    } catch (const std::exception& e) {
        // the run goes on to its end: later notices must still come
        FFLogger().Log(this, llError, std::string("Error in the termination handler: ") + e.what());
    }
}

uint64_t TFFEncoder::TakeNoticeTicket() {
    std::lock_guard<std::mutex> lock(noticeLock_);
    return nextTicket_++;
}

void TFFEncoder::SpawnOrderedNotice(const TTerminateEvent& handler, const TTerminateInfo& info,
                                    uint64_t ticket, std::function<void()> then) {
    SpawnNotifier([this, handler, info, ticket, then = std::move(then)] {
        {
            std::unique_lock<std::mutex> lock(noticeLock_);
            noticeCv_.wait(lock, [&] { return servedTicket_ == ticket; });
        }
        tNoticeOf = this;
        Notify(handler, info);
        tNoticeOf = nullptr;
        {
            std::lock_guard<std::mutex> lock(noticeLock_);
            ++servedTicket_;
        }
        noticeCv_.notify_all();
        if (then) then();
    });
}

void TFFEncoder::Stop(bool wait) {
    std::vector<TFFmpeg*> tasks;
    {
        std::lock_guard<std::recursive_mutex> lock(tasksLock_);
        remaining_ = 0;
        for (auto& t : tasks_)
            tasks.push_back(t.get());
    }
    if (!working_) return;
    core::Dispatcher& d = core::mainDispatcher();
    for (TFFmpeg* task : tasks) {
        if (task->running_) {
            task->RequestStop();
            if (!task->hasThread_) {
                task->IOStartTime = 0;  // cancels a blocking open of the unthreaded run
                return;
            }
            if (wait && !BlockedByCaller(*task)) {
                auto done = [task] {
                    std::lock_guard<std::mutex> lock(task->doneLock_);
                    return task->threadDone_;
                };
                while (!done()) {
                    if (d.isMainThread()) {
                        d.waitUntil(done, std::chrono::milliseconds(20));
                    } else {
                        std::unique_lock<std::mutex> lock(task->doneLock_);
                        task->doneCv_.wait_for(lock, std::chrono::milliseconds(20),
                                               [task] { return task->threadDone_; });
                    }
                }
            }
        } else if (!task->terminated_) {
            task->terminated_ = true;
            auto done = std::make_shared<std::atomic<bool>>(false);
            std::thread notifier([this, task, done] {
                TerminateRelay(task);
                *done = true;
                core::mainDispatcher().wake();
            });
            if (wait) {
                if (d.isMainThread())
                    d.waitUntil([done] { return done->load(); }, std::chrono::milliseconds(-1));
                notifier.join();
            } else {
                std::lock_guard<std::mutex> lock(notifiersLock_);
                notifiers_.push_back({std::move(notifier), done});
            }
        }
    }
}

bool TFFEncoder::BlockedByCaller(TFFmpeg& task) {
    if (core::mainDispatcher().isMainThread())
        return std::find(waitingForMain_.begin(), waitingForMain_.end(), &task) != waitingForMain_.end();
    std::lock_guard<std::mutex> lock(task.doneLock_);
    return task.thread_.get_id() == std::this_thread::get_id();  // a hook of the task itself
}

void TFFEncoder::JoinThreads() {
    core::Dispatcher& d = core::mainDispatcher();
    // A notice handler that clears the tasks cannot wait for the notifiers: the later ones wait for it, and
    // one of them is its own thread. They are joined later (at the latest by the destructor).
    const bool inNotice = tNoticeOf == this;
    std::vector<TFFmpeg*> tasks;
    {
        std::lock_guard<std::recursive_mutex> lock(tasksLock_);
        for (auto& t : tasks_)
            tasks.push_back(t.get());
    }
    for (TFFmpeg* task : tasks) {
        auto done = [task] {
            std::lock_guard<std::mutex> lock(task->doneLock_);
            return task->threadDone_;
        };
        if (d.isMainThread()) d.waitUntil(done, std::chrono::milliseconds(-1));
        std::thread t;
        {
            std::lock_guard<std::mutex> lock(task->doneLock_);
            t = std::move(task->thread_);
        }
        if (t.joinable()) t.join();
    }
    while (!inNotice) {
        std::vector<Notifier> list;
        {
            std::lock_guard<std::mutex> lock(notifiersLock_);
            list.swap(notifiers_);
        }
        if (list.empty()) break;
        for (Notifier& n : list) {
            if (d.isMainThread()) d.waitUntil([&n] { return n.done->load(); }, std::chrono::milliseconds(-1));
            n.thread.join();
        }
    }
}

// ---------------------------------------------------------------- relays

void TFFEncoder::Deliver(const TCustomFFmpeg& task, const std::function<void()>& fn) {
    core::Dispatcher& d = core::mainDispatcher();
    if (!TriggerEventInMainThread || d.isMainThread()) {
        fn();
        return;
    }
    d.runSync([this, &task, &fn] {
        // while the handler runs, the task waits for it: a Stop(true) from the handler must not wait for it
        waitingForMain_.push_back(&task);
        struct Pop {
            std::vector<const TCustomFFmpeg*>& list;
            ~Pop() { list.pop_back(); }
        } pop{waitingForMain_};
        fn();
    });
}

void TFFEncoder::ProgressRelay(TCustomFFmpeg& task, const TProgressInfo& report) {
    TProgressInfo info = report;
    info.TaskIndex = IndexOf(&task);
    {
        std::lock_guard<std::mutex> lock(progressLock_);
        progressInfo_ = info;
    }
    // delivered with no lock held: the handler may call back into the component
    if (OnProgress) Deliver(task, [this, &info] { OnProgress(this, &info); });
}

void TFFEncoder::PreviewRelay(TCustomFFmpeg& task, std::shared_ptr<const TBitmap> bmp, int frameNumber,
                              int64_t pts) {
    TPreviewInfo info;
    info.TaskIndex = IndexOf(&task);
    info.Bitmap = std::move(bmp);
    info.FrameNumber = frameNumber;
    info.PTS = pts;
    {
        std::lock_guard<std::mutex> lock(previewLock_);
        previewInfo_ = info;
    }
    // handed over without any lock held: a main thread that sets Preview meanwhile is not blocked
    if (OnPreviewBitmap) Deliver(task, [this, &info] { OnPreviewBitmap(this, info); });
}

void TFFEncoder::PreviewWindowRelay(TCustomFFmpeg& task, std::shared_ptr<const TBitmap> bmp,
                                    const std::string& title) {
    auto& t = static_cast<TFFmpeg&>(task);
    std::lock_guard<std::mutex> lock(previewLock_);
    if (!t.Preview()) return;
    if (!t.previewer_) t.previewer_ = std::make_unique<TPreviewer>(PreviewHost, &task);
    t.previewer_->Show(std::move(bmp), title);
}

void TFFEncoder::PreviewWindowClosed(const void* key) {
    std::vector<std::unique_ptr<TPreviewer>> closing;  // closed below, with no lock held
    {
        std::lock_guard<std::recursive_mutex> lock(tasksLock_);
        for (auto& t : tasks_)
            if (t.get() == key) {
                t->SetPreview(false);
                std::lock_guard<std::mutex> pl(previewLock_);
                closing.push_back(std::move(t->previewer_));
            }
    }
}

void TFFEncoder::SetPreview(bool value) {
    preview_ = value;
    std::vector<std::unique_ptr<TPreviewer>> closing;  // closed below, with no lock held
    {
        std::lock_guard<std::recursive_mutex> lock(tasksLock_);
        for (auto& t : tasks_) {
            t->SetPreview(value);
            if (!value) {
                std::lock_guard<std::mutex> pl(previewLock_);
                closing.push_back(std::move(t->previewer_));
            }
        }
    }
}

void TFFEncoder::SetPreviewBitmap(bool value) {
    previewBitmap_ = value;
    std::lock_guard<std::recursive_mutex> lock(tasksLock_);
    for (auto& t : tasks_)
        t->SetPreviewBitmap(value);
}

void TFFEncoder::VideoHookRelay(TCustomFFmpeg& task, THookInfo& info, bool input) {
    info.TaskIndex = IndexOf(&task);
    {
        std::lock_guard<std::mutex> lock(videoHookLock_);
        hookInfo_ = info;
    }
    const TVideoHookEvent& handler = input ? OnVideoInputHook : OnVideoOutputHook;
    if (handler) handler(this, &info);
}

void TFFEncoder::AudioHookRelay(TCustomFFmpeg& task, int64_t pts, uint8_t* samples, int size, int rate,
                                int channels, int format) {
    if (OnAudioHook) OnAudioHook(this, IndexOf(&task), pts, samples, size, rate, channels, format);
}

TProgressInfo TFFEncoder::LastProgressInfo() const {
    std::lock_guard<std::mutex> lock(progressLock_);
    return progressInfo_;
}

TTerminateInfo TFFEncoder::LastTerminateInfo() {
    std::lock_guard<std::mutex> lock(terminateLock_);
    return terminateInfo_;
}

}  // namespace engine
