#pragma once
// The conversion job builder: turns the input rows and the Step2 output choice into tasks of the encoder
// and the progress rows of the conversion page, one log line per file accepted or refused.

#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/Globals.h"
#include "engine/EncoderRecords.h"

namespace engine {
class TFFEncoder;
}

namespace wizard {

// What the builder needs of one input row. Per-file mode reads only the path (the file is probed again);
// merge mode shows the values stored when the file was listed.
struct InputRecord {
    QString Path;          // full path
    int64_t Duration = 0;  // microseconds; 0 when the listing did not know it
    int Width = 0;
    int Height = 0;
    double AspectRatio = 0;  // display aspect ratio
};

// The output choice the builder reads from the global record.
struct OutputChoice {
    int FormatClass = app::fcVideo;
    int FormatIndex = 0;
    int PresetIndex = -1;
    QString OutputDir;  // with a trailing separator

    static OutputChoice FromGlobals(const app::TGlobalVars& g);
};

// One row of the progress list: caption and four sub-items, plus the task's input duration.
struct ProgressRow {
    QString Name;                // file name without folder
    QString Duration;            // duration text
    QString Status;              // per-file: "Waiting..."; merge: width x height
    QString Progress;            // per-file: empty; merge: aspect ratio
    QString Path;                // per-file: the input's folder; merge: the joined output path
    int64_t InputDuration = -1;  // microseconds, below 0 when unknown
    QString Warning;             // a finished task's warning (kept output, told in the log and summary too)
};

struct JobBatch {
    std::vector<ProgressRow> Rows;
    int64_t BatchDuration = 0;         // sum of the known durations of the rows
    std::vector<QString> OutputFiles;  // per task: the output path it writes
    // per task: a plain reason the task cannot succeed, known before it runs (empty when none), shown with
    // the engine's own message should the task fail
    std::vector<QString> FailureHints;
};

// Extension of the chosen format (".avi"); empty for a class or format outside the tables.
QString OutputExtension(int formatClass, int formatIndex);

// Class setting and preset values of the choice written into options (which InitOutputOptions started).
// sourceAudioBitrate is the probed source's audio bit rate, used by the preset that keeps it; below 1 it
// leaves the engine's default. sourceChannels is the source's audio channel count, kept by the preset that
// keeps surround sound; below 1 it leaves the preset's own count.
void ApplyOutputChoice(const OutputChoice& choice, engine::TOutputOptions& options, int sourceAudioBitrate,
                       int sourceChannels = -1);

class JobBuilder {
public:
    using LogFn = std::function<void(const QString&)>;
    JobBuilder(engine::TFFEncoder& encoder, LogFn log);

    // Per-file mode: every input is probed and becomes its own task with its own output.
    JobBatch BuildConvertJobs(const std::vector<InputRecord>& inputs, const OutputChoice& choice);
    // Merge mode: the accepted inputs become the inputs of task 0, joined into "Output_Merge" + extension.
    JobBatch BuildMergeJob(const std::vector<InputRecord>& inputs, const OutputChoice& choice);

private:
    void AddConvertJob(const QString& path, const OutputChoice& choice, JobBatch& batch);
    engine::TOutputOptions BuildOutputOptions(const OutputChoice& choice);
    engine::TInputOptions BuildInputOptions();
    void AddConvertTask(const engine::TInputOptions& io, const engine::TOutputOptions& oo, JobBatch& batch);
    // Output folder + a name not taken on disk nor given out earlier in this batch.
    QString ReserveOutputName(const QString& folder, const QString& candidate);
    // Logs, on the first use of a preset in this builder, what it writes in place of its label's promise.
    void NoteFallback(const OutputChoice& choice, int audioBitrate);

    engine::TFFEncoder& encoder_;
    LogFn log_;
    QSet<QString> reserved_;  // names given out in the current batch
    QSet<QString> noted_;     // fall-back notes already logged
};

}  // namespace wizard
