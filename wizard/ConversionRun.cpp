#include "wizard/ConversionRun.h"

#include <QFile>
#include <cmath>

#include "core/Dispatcher.h"
#include "wizard/PresetTable.h"
#include "wizard/SimultaneousConversions.h"

namespace wizard {

namespace {

constexpr double kMicrosecondsPerDay = 86400.0 * 1000000.0;
constexpr double kMillisecondsPerDay = 86400.0 * 1000.0;
const QString kDots = QStringLiteral("...");

// The largest picture a task of the batch holds: its source's or the preset's output size, whichever is
// larger; 0 when no task has video.
int64_t LargestFramePixels(engine::TFFEncoder& encoder, const OutputChoice& choice) {
    int64_t largest = 0;
    const OutputFormat* format = FindOutputFormat(choice.FormatClass, choice.FormatIndex);
    const Preset* preset = format ? FindPreset(*format, choice.PresetIndex) : nullptr;
    int width = 0, height = 0;
    if (preset && preset->Settings.FrameSize &&
        std::sscanf(preset->Settings.FrameSize, "%dx%d", &width, &height) == 2)
        largest = int64_t(width) * height;
    for (int i = 0; i < encoder.TasksCount(); ++i) {
        engine::TFFDecoder* source = encoder.TaskInputDecoder(i, 0);
        engine::TVideoStreamInfo video;
        if (source && source->FirstVideoStreamIndex() >= 0 &&
            source->GetVideoStreamInfo(source->FirstVideoStreamIndex(), video))
            largest = std::max(largest, int64_t(std::max(video.Width, 0)) * std::max(video.Height, 0));
    }
    return largest;
}

}  // namespace

ConversionRun::ConversionRun(app::TGlobalVars& globals, ConversionRunView& view, QString soundFolder)
    : globals_(globals),
      view_(view),
      soundFolder_(std::move(soundFolder)),
      encoder_(std::make_unique<engine::TFFEncoder>()) {
    // The handlers stay attached for the encoder's life; DetachEvents silences them instead of replacing
    // them, so no engine thread ever reads a handler while the main thread changes it.
    encoder_->OnProgress = [this](engine::TFFEncoder*, engine::PProgressInfo info) {
        if (attached_) OnProgress(*info);
    };
    encoder_->OnTerminate = [this](engine::TFFEncoder*, const engine::TTerminateInfo& info) {
        // A task cut short leaves no file behind: the engine removes what it wrote under its temporary name.
        if (!attached_) return;
        if (info.TaskIndex >= 0)
            core::mainDispatcher().runSync([this, info] {
                if (attached_) OnTaskTerminated(info);
            });
        else
            OnRunEnded();
    };
    status_ = {kDots, kDots, kDots, kDots, QStringLiteral("0%"), 0};
}

ConversionRun::~ConversionRun() {
    Detach();
    alive_.reset();
    encoder_.reset();  // stops and joins every task and notifier
}

QString ConversionRun::FormatDayTime(double days) {
    if (!(days > 0)) days = 0;  // also catches NaN
    const double withinDay = days - std::floor(days);
    const int64_t seconds = static_cast<int64_t>(std::llround(withinDay * 86400.0)) % 86400;
    return QString::asprintf("%d:%02d:%02d", static_cast<int>(seconds / 3600),
                             static_cast<int>((seconds / 60) % 60), static_cast<int>(seconds % 60));
}

void ConversionRun::PostConvertStart() {
    core::mainDispatcher().post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired() && attached_) Start();
    });
}

void ConversionRun::Start() {
    view_.ProcessPendingEvents();
    merge_ = globals_.Merge;
    const OutputChoice choice = OutputChoice::FromGlobals(globals_);
    const std::vector<InputRecord> inputs = view_.InputRecords();
    JobBuilder builder(*encoder_, [this](const QString& line) { view_.AppendLog(line); });
    JobBatch batch =
        merge_ ? builder.BuildMergeJob(inputs, choice) : builder.BuildConvertJobs(inputs, choice);
    rows_ = std::move(batch.Rows);
    outputFiles_ = std::move(batch.OutputFiles);
    failureHints_ = std::move(batch.FailureHints);
    globals_.BatchDuration = batch.BatchDuration;
    view_.ShowProgressRows(rows_, merge_);

    const bool empty = encoder_->TasksCount() == 0;
    // A join that had to leave out a refused input is counted with that input as failed.
    const int refused = merge_ ? static_cast<int>(inputs.size() - rows_.size()) : 0;
    globals_.ConvertTotal = empty ? 0 : merge_ ? 1 + refused : static_cast<int>(rows_.size());
    globals_.ConvertErrors.clear();
    if (!empty && refused > 0)
        globals_.ConvertErrors
            << QStringLiteral("%1 of the files could not be joined; the log says why.").arg(refused);
    globals_.ConvertSucceeded = 0;
    globals_.ConvertStartTime = QDateTime::currentDateTime();
    globals_.DoneDuration = 0;
    terminatedCount_ = 0;
    const int tasks = encoder_->TasksCount();
    workDone_.assign(tasks, 0);
    ended_.assign(tasks, false);
    inFlight_.clear();
    status_ = {kDots, kDots, kDots, kDots, QStringLiteral("0%"), 0};
    ShowStatus();
    running_ = true;

    if (empty) {
        // The engine reports nothing for an empty batch: the run ends here, after the current handler.
        if (!inputs.empty())
            globals_.ConvertErrors << QStringLiteral(
                                          "None of the files could be added to the conversion; %1.")
                                          .arg(view_.WhereReasonsAre());
        core::mainDispatcher().post([this, alive = std::weak_ptr<bool>(alive_)] {
            if (!alive.expired() && attached_) EndOfRun();
        });
        return;
    }
    // Several files at once keep every core busy; a join is one task.
    simultaneous_ = merge_ ? 1
                           : SimultaneousConversions(globals_.SimultaneousConversions, tasks,
                                                     LargestFramePixels(*encoder_, choice), CurrentMachine());
    encoder_->StartTask(simultaneous_);
}

int64_t ConversionRun::TaskDuration(int task) const {
    if (merge_) return globals_.BatchDuration;
    return task >= 0 && task < static_cast<int>(rows_.size())
               ? std::max<int64_t>(rows_[task].InputDuration, 0)
               : 0;
}

void ConversionRun::OnProgress(const engine::TProgressInfo& info) {
    const int task = merge_ ? 0 : info.TaskIndex;
    if (task < 0 || task >= TaskCount() || ended_[task]) return;
    if (std::find(inFlight_.begin(), inFlight_.end(), task) == inFlight_.end()) inFlight_.push_back(task);
    // A task's part of the batch's work; a task of unknown duration is not part of BatchDuration either.
    const int64_t duration = TaskDuration(task);
    // The engine's reports of one task may step back a little (its last report counts what was muxed): the
    // bar never does.
    if (duration > 0)
        workDone_[task] = std::max(workDone_[task], std::clamp<int64_t>(info.CurrentDuration, 0, duration));

    if (task < static_cast<int>(rows_.size())) {
        ProgressRow& row = rows_[task];
        if (info.TotalDuration > 0) {
            const int64_t percent =
                std::clamp<int64_t>(info.CurrentDuration * 100 / info.TotalDuration, 0, 100);
            if (!merge_) {
                row.Progress = QString::number(percent) + u'%';
                row.Status = QStringLiteral("Converting...");
                view_.UpdateProgressRow(task, row);
            }
        } else if (!merge_) {
            row.Progress = QStringLiteral("N/A");
            view_.UpdateProgressRow(task, row);
        }
    }
    UpdateBatchStatus();
}

void ConversionRun::UpdateBatchStatus() {
    // "Current file" names the file that began last of those still converting.
    if (!inFlight_.empty()) {
        const int task = inFlight_.back();
        if (merge_ && !rows_.empty())
            status_.CurrentFile = rows_.front().Path;
        else if (task < static_cast<int>(rows_.size()))
            status_.CurrentFile = rows_[task].Path + rows_[task].Name;
    }
    int64_t done = 0;
    for (int64_t d : workDone_)
        done += d;
    const int ended = static_cast<int>(std::count(ended_.begin(), ended_.end(), true));
    // The bar covers the whole batch: by duration where durations are known, else by files ended.
    const int64_t percent = globals_.BatchDuration > 0 ? done * 100 / globals_.BatchDuration
                            : TaskCount() > 0          ? int64_t(ended) * 100 / TaskCount()
                                                       : 0;
    status_.Bar = static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
    status_.Progress = QString::number(status_.Bar) + u'%';

    const double elapsed =
        globals_.ConvertStartTime.msecsTo(QDateTime::currentDateTime()) / kMillisecondsPerDay;
    const double estimated =
        done > 0 ? static_cast<double>(globals_.BatchDuration) * elapsed / static_cast<double>(done) : 0.0;
    status_.Estimated = FormatDayTime(estimated);
    status_.Elapsed = FormatDayTime(elapsed);
    status_.TimeLeft = FormatDayTime(estimated - elapsed);
    ShowStatus();
}

void ConversionRun::OnTaskTerminated(const engine::TTerminateInfo& info) {
    const int task = merge_ ? 0 : info.TaskIndex;
    const bool hasRow = task >= 0 && task < static_cast<int>(rows_.size());
    if (info.Finished) {
        ++globals_.ConvertSucceeded;
        globals_.DoneDuration += TaskDuration(task);
        if (hasRow) {
            rows_[task].Progress = QStringLiteral("100%");
            rows_[task].Status = QStringLiteral("Finish.");
        }
        NoteWrittenName(info.TaskIndex);
    } else if (hasRow) {
        rows_[task].Status = QStringLiteral("Failed.");
    }
    if (hasRow) view_.UpdateProgressRow(task, rows_[task]);
    if (task >= 0 && task < TaskCount()) {
        // Ended either way: nothing of this file is left to do in the batch (unless the whole run was
        // cancelled: then the bar stays where the work stopped).
        if (info.Finished || !stopping_) workDone_[task] = TaskDuration(task);
        ended_[task] = true;
        std::erase(inFlight_, task);
        UpdateBatchStatus();
    }
    {
        std::lock_guard<std::mutex> lock(endLock_);
        ++terminatedCount_;
    }
    endCv_.notify_all();
    if (info.ErrorOccurred) {
        const bool hinted = info.TaskIndex >= 0 && info.TaskIndex < static_cast<int>(failureHints_.size()) &&
                            !failureHints_[info.TaskIndex].isEmpty();
        const QString message = QString::fromStdString(info.ErrorMessage);
        globals_.ConvertErrors << QStringLiteral("File (%1): %2")
                                      .arg(info.TaskIndex)
                                      .arg(hinted ? failureHints_[info.TaskIndex] + QStringLiteral(" (") +
                                                        message + u')'
                                                  : message);
    } else if (info.Finished && !info.ErrorMessage.empty()) {
        // Finished with a warning (an input that could only be read in part): the file is kept, the user
        // told.
        const QString warning = QStringLiteral("File (%1): warning: %2")
                                    .arg(info.TaskIndex)
                                    .arg(QString::fromStdString(info.ErrorMessage));
        globals_.ConvertErrors << warning;
        view_.AppendLog(warning);
    }
}

void ConversionRun::NoteWrittenName(int taskIndex) {
    // Another program may have taken the reserved name meanwhile; the file then has the next counter name.
    if (taskIndex < 0 || taskIndex >= static_cast<int>(outputFiles_.size())) return;
    const std::string written = encoder_->TaskWrittenFileName(taskIndex, 0);
    if (written.empty()) return;
    const QString name = QString::fromStdString(written);
    if (name != outputFiles_[taskIndex]) view_.AppendLog(QStringLiteral("Output file written as ") + name);
    outputFiles_[taskIndex] = name;
}

void ConversionRun::OnRunEnded() {
    // On the notifier thread: every task's notice has been applied before the run's end is taken. The
    // rest runs on the main thread once this notice has returned, so that clearing the tasks never waits
    // for the very thread that asks for it.
    {
        std::unique_lock<std::mutex> lock(endLock_);
        endCv_.wait(lock, [this] { return !attached_ || terminatedCount_ >= encoder_->TasksCount(); });
    }
    if (!attached_) return;
    PostFinishRun();
}

void ConversionRun::PostFinishRun() {
    core::mainDispatcher().post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired() || !attached_) return;
        // A cancel waits inside Stop, which serves posted work: the end of the run follows once Stop has
        // returned.
        if (stopping_) {
            finishPending_ = true;
            return;
        }
        FinishRun();
    });
}

void ConversionRun::FinishRun() {
    encoder_->ClearTasks();
    status_.CurrentFile = kDots;
    status_.Progress = QStringLiteral("0%");
    status_.Bar = 0;
    ShowStatus();
    EndOfRun();
}

void ConversionRun::EndOfRun() {
    running_ = false;
    if (globals_.PlayASoundWhenFinished) {
        const bool allDone = globals_.ConvertSucceeded >= globals_.ConvertTotal;
        view_.PlaySound(soundFolder_ + (allDone ? QStringLiteral("done.wav") : QStringLiteral("fail.wav")));
    }
    if (globals_.ShutDownWhenFinished && view_.RunShutdownCountdown()) view_.ShutdownSystem(1);
    view_.ShowConversionSummary();
}

void ConversionRun::ShowStatus() {
    view_.ShowRunStatus(status_);
}

void ConversionRun::StopAndWait() {
    stopping_ = true;
    encoder_->Stop(true);
    stopping_ = false;
    if (std::exchange(finishPending_, false)) PostFinishRun();
}

void ConversionRun::DetachEvents() {
    Detach();
}

void ConversionRun::Detach() {
    {
        std::lock_guard<std::mutex> lock(endLock_);
        attached_ = false;
    }
    endCv_.notify_all();
}

void ConversionRun::SetPreview(bool on) {
    encoder_->SetPreview(on);
}

bool ConversionRun::ShowsPreviewOf(const void* key) const {
    // Tasks start in list order, so the first task that has not ended is running (or about to). A key of no
    // task of this run is not held back.
    const int first = static_cast<int>(std::find(ended_.begin(), ended_.end(), false) - ended_.begin());
    const int task = encoder_->TaskIndexOfPreviewKey(key);
    return task < 0 || task >= TaskCount() || task == first;
}

int ConversionRun::FileOfThread(uint32_t threadId) const {
    return merge_ ? -1 : encoder_->TaskIndexOfThread(threadId);
}

}  // namespace wizard
