#pragma once
// ConversionRun: the conversion controller. Owns the encoder, builds the jobs, implements the conversion half
// of the wizard's hand-over, follows the engine's progress and termination events on the main thread, and
// ends with the sound, the optional shutdown countdown and the summary page. It lives beside the main
// window; the window only shows what it reports through ConversionRunView.

#include <QDateTime>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "app/Globals.h"
#include "engine/FFEncode.h"
#include "wizard/JobBuilder.h"
#include "wizard/WizardHandOver.h"

namespace wizard {

// The status group of the conversion page.
struct RunStatus {
    QString CurrentFile;  // LabelCurrentFile
    QString Estimated;    // LabelEstimated
    QString Elapsed;      // LabelElapsed
    QString TimeLeft;     // LabelTimeLeft
    QString Progress;     // LabelProgress
    int Bar = 0;          // ProgressBar, 0..100
};

// What the run asks of the window. Every call comes on the main thread.
class ConversionRunView {
public:
    virtual ~ConversionRunView() = default;
    // The rows of the input list, in their order.
    virtual std::vector<InputRecord> InputRecords() const = 0;
    // Fills the progress list; merge mode captions the third and fourth columns "Width x Height" and
    // "Aspect Ratio" and LabelCurrentFileTitle "Output file:", per-file mode "Status", "Progress" and
    // "Current file:".
    virtual void ShowProgressRows(const std::vector<ProgressRow>& rows, bool merge) = 0;
    virtual void UpdateProgressRow(int row, const ProgressRow& values) = 0;
    virtual void ShowRunStatus(const RunStatus& status) = 0;
    // One line in the log window.
    virtual void AppendLog(const QString& line) = 0;
    // Lets pending window events (painting) run before the run is set up.
    virtual void ProcessPendingEvents() = 0;
    // Plays a wave file without waiting for it; a missing file plays nothing.
    virtual void PlaySound(const QString& path) = 0;
    // The modal shutdown countdown; true when it ran out, false when the user cancelled it.
    virtual bool RunShutdownCountdown() = 0;
    // Shuts the computer down (kind as app::ShutdownSystem).
    virtual void ShutdownSystem(int kind) = 0;
    // Shows the summary page from the run counters of the global record.
    virtual void ShowConversionSummary() = 0;
    // Where the reasons of refused files can be read, as a clause of a sentence ("the log window says why").
    virtual QString WhereReasonsAre() const { return QStringLiteral("the log window says why"); }
};

class ConversionRun : public ConversionHandOver {
public:
    // soundFolder: the folder holding done.wav and fail.wav.
    ConversionRun(app::TGlobalVars& globals, ConversionRunView& view, QString soundFolder);
    ~ConversionRun() override;
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    engine::TFFEncoder& Encoder() { return *encoder_; }

    // WM_CONVERT_START: builds the jobs and starts the encoder.
    void Start();
    // True from Start until the end-of-run steps have begun.
    bool Running() const { return running_; }

    // Cancel on the conversion page: stops the tasks and waits; the normal end of run follows.
    void StopAndWait();
    // The window is closing: no progress, termination or end-of-run step reaches the window any more.
    void DetachEvents();

    // ---- ConversionHandOver ----
    // Start, after the current handler has returned (never once the events are detached).
    void PostConvertStart() override;
    void StopEncoderAndWait() override { StopAndWait(); }
    void DetachEncoderEvents() override { DetachEvents(); }
    // CheckBoxPreview: opens or closes the live preview of the converting tasks at once.
    void SetPreview(bool on);
    bool PreviewOn() const { return encoder_->Preview(); }
    // Whether the preview picture of the task behind key (the engine's preview key) is the one shown: with
    // several files in flight only the first still running one has a window.
    bool ShowsPreviewOf(const void* key) const;
    // The number (task index, as in the summary's error lines) of the file whose conversion runs on the
    // engine thread threadId; -1 for other threads and in merge mode. Main thread.
    int FileOfThread(uint32_t threadId) const;

    // How many tasks the current (or last) run converts at the same time.
    int SimultaneousCount() const { return simultaneous_; }

    // The rows as shown, for the window and tests.
    const std::vector<ProgressRow>& Rows() const { return rows_; }
    // The output file of each task of the current run.
    const std::vector<QString>& OutputFiles() const { return outputFiles_; }

    // "h:nn:ss" of a time span in days, whole days dropped; negative spans read 0:00:00.
    static QString FormatDayTime(double days);

private:
    void OnProgress(const engine::TProgressInfo& info);
    void OnTaskTerminated(const engine::TTerminateInfo& info);
    void NoteWrittenName(int taskIndex);
    void OnRunEnded();  // on the notifier thread
    void Detach();      // silences the handlers and releases OnRunEnded's wait
    void PostFinishRun();
    void FinishRun();  // clears the tasks, then the end-of-run steps
    void EndOfRun();   // WM_CONVERT_FINISHED, on the main thread
    void ShowStatus();
    // Overall bar, LabelProgress and the three times from the work done over the whole batch.
    void UpdateBatchStatus();
    int TaskCount() const { return static_cast<int>(workDone_.size()); }
    int64_t TaskDuration(int task) const;  // microseconds of input, 0 when unknown

    app::TGlobalVars& globals_;
    ConversionRunView& view_;
    QString soundFolder_;
    std::unique_ptr<engine::TFFEncoder> encoder_;
    std::atomic<bool> attached_{true};
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // posted steps do nothing once it is gone
    bool stopping_ = false;                                       // inside StopAndWait
    bool finishPending_ = false;                                  // the run ended while stopping
    bool running_ = false;
    bool merge_ = false;

    std::vector<ProgressRow> rows_;
    std::vector<QString> outputFiles_;
    std::vector<QString> failureHints_;
    std::atomic<int> terminatedCount_{0};
    // Changes of terminatedCount_ and attached_ are made under endLock_ and wake OnRunEnded's wait.
    std::mutex endLock_;
    std::condition_variable endCv_;
    RunStatus status_;
    int simultaneous_ = 1;
    // Per task: microseconds of its input converted so far (all of it once the task has ended, finished or
    // not: nothing of it is left to do), and whether it has ended.
    std::vector<int64_t> workDone_;
    std::vector<bool> ended_;
    std::vector<int> inFlight_;  // tasks that reported progress and have not ended, in the order they began
};

}  // namespace wizard
