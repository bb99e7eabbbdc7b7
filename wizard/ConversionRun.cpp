#include "wizard/ConversionRun.h"

#include <QFile>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/Dispatcher.h"

namespace wizard {

namespace {

constexpr double kMicrosecondsPerDay = 86400.0 * 1000000.0;
constexpr double kMillisecondsPerDay = 86400.0 * 1000.0;
const QString kDots = QStringLiteral("...");

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
    attached_ = false;
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
    encoder_->StartTask(1);
}

void ConversionRun::OnProgress(const engine::TProgressInfo& info) {
    const int index = merge_ ? 0 : info.TaskIndex;
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    ProgressRow& row = rows_[index];
    status_.CurrentFile = merge_ ? row.Path : row.Path + row.Name;
    if (info.TotalDuration > 0) {
        const int64_t percent = info.CurrentDuration * 100 / info.TotalDuration;
        status_.Bar = static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
        status_.Progress = QString::number(status_.Bar) + u'%';
        if (!merge_) {
            row.Progress = status_.Progress;
            row.Status = QStringLiteral("Converting...");
            view_.UpdateProgressRow(index, row);
        }
    } else if (!merge_) {
        row.Progress = QStringLiteral("N/A");
        view_.UpdateProgressRow(index, row);
    }

    const double elapsed =
        globals_.ConvertStartTime.msecsTo(QDateTime::currentDateTime()) / kMillisecondsPerDay;
    const double done = static_cast<double>(globals_.DoneDuration + info.CurrentDuration);
    const double estimated = done > 0 ? static_cast<double>(globals_.BatchDuration) * elapsed / done : 0.0;
    status_.Estimated = FormatDayTime(estimated);
    status_.Elapsed = FormatDayTime(elapsed);
    status_.TimeLeft = FormatDayTime(estimated - elapsed);
    ShowStatus();
}

void ConversionRun::OnTaskTerminated(const engine::TTerminateInfo& info) {
    const int index = merge_ ? 0 : info.TaskIndex;
    const bool hasRow = index >= 0 && index < static_cast<int>(rows_.size());
    if (info.Finished) {
        ++globals_.ConvertSucceeded;
        const int64_t duration = merge_ ? globals_.BatchDuration : hasRow ? rows_[index].InputDuration : 0;
        globals_.DoneDuration += std::max<int64_t>(duration, 0);
        status_.Progress = QStringLiteral("100%");
        status_.Bar = 100;
        ShowStatus();
        if (hasRow) {
            rows_[index].Progress = QStringLiteral("100%");
            rows_[index].Status = QStringLiteral("Finish.");
        }
        NoteWrittenName(info.TaskIndex);
    } else if (hasRow) {
        rows_[index].Status = QStringLiteral("Failed.");
    }
    if (hasRow) view_.UpdateProgressRow(index, rows_[index]);
    ++terminatedCount_;
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
    const engine::TFFmpeg* task = encoder_->Task(taskIndex);
    if (!task || taskIndex >= static_cast<int>(outputFiles_.size())) return;
    const std::string written = task->WrittenFileName(0);
    if (written.empty()) return;
    const QString name = QString::fromStdString(written);
    if (name != outputFiles_[taskIndex]) view_.AppendLog(QStringLiteral("Output file written as ") + name);
    outputFiles_[taskIndex] = name;
}

void ConversionRun::OnRunEnded() {
    // On the notifier thread: every task's notice has been applied before the run's end is taken. The
    // rest runs on the main thread once this notice has returned, so that clearing the tasks never waits
    // for the very thread that asks for it.
    while (attached_ && terminatedCount_ < encoder_->TasksCount())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
    attached_ = false;
}

void ConversionRun::SetPreview(bool on) {
    encoder_->SetPreview(on);
}

}  // namespace wizard
