// reelwright-cli: the converter without a window. It shares the preset table, the probe of the input list
// and the conversion run (job builder and engine) with the program; it reads and writes no settings.

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "app/FileNameBytes.h"
#include "app/Globals.h"
#include "app/UtilFuncs.h"
#include "cli/CliOptions.h"
#include "core/FileLimit.h"
#include "core/NumericLocale.h"
#include "core/SimpleDispatcher.h"
#include "engine/FFDecode.h"
#include "engine/FFLoad.h"
#include "wizard/ConversionRun.h"
#include "wizard/InputFiles.h"
#include "wizard/PresetTable.h"

namespace {

// Set by the handler on whichever thread the signal reaches, read by the main thread: a lock-free atomic is
// both safe in a signal handler and visible across threads (a sig_atomic_t is only the former).
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
    const int savedErrno = errno;  // the interrupted code may be about to read it
    g_interrupted = true;
    errno = savedErrno;
}

// File names in the text are printed as the bytes they are.
void Out(const QString& text) {
    std::fputs(app::FileNameToBytes(text).constData(), stdout);
}

void Err(const QString& text) {
    std::fputs(app::FileNameToBytes(text).constData(), stderr);
    std::fflush(stderr);
}

const char* ClassName(int cls) {
    switch (cls) {
        case app::fcVideo:
            return "Video";
        case app::fcDevice:
            return "Device";
        default:
            return "Audio";
    }
}

int ListPresets(bool json) {
    QJsonArray formats;
    for (const wizard::OutputFormat& f : wizard::OutputFormats()) {
        if (!json) {
            Out(QStringLiteral("%1 (%2, %3, default %4)\n")
                    .arg(QLatin1String(f.Name), QLatin1String(ClassName(f.Class)), QLatin1String(f.Extension))
                    .arg(f.DefaultPreset));
        }
        QJsonArray presets;
        for (size_t i = 0; i < f.Presets.size(); ++i) {
            const QString label = QString::fromUtf8(f.Presets[i].Label);
            if (json)
                presets.append(QJsonObject{{"index", int(i)}, {"label", label}});
            else
                Out(QStringLiteral("  %1  %2\n").arg(int(i), 2).arg(label));
        }
        formats.append(QJsonObject{{"name", QLatin1String(f.Name)},
                                   {"class", QLatin1String(ClassName(f.Class))},
                                   {"extension", QLatin1String(f.Extension)},
                                   {"default", f.DefaultPreset},
                                   {"presets", presets}});
    }
    if (json) Out(QString::fromUtf8(QJsonDocument(QJsonObject{{"formats", formats}}).toJson()));
    return 0;
}

int Probe(const QStringList& files, bool json) {
    engine::TFFDecoder decoder;
    wizard::ThumbnailList thumbnails;
    const engine::TBitmap noPicture;
    wizard::InputProbeContext context{decoder, thumbnails, noPicture, nullptr, nullptr};
    QJsonArray results;
    int failed = 0;
    for (const QString& file : files) {
        const wizard::ProbeResult probe = wizard::ProbeInputFile(context, file);
        if (!probe.item) {
            ++failed;
            Err(probe.error + u'\n');
            results.append(QJsonObject{{"path", app::FileNameForDisplay(file)},
                                       {"error", app::FileNameForDisplay(probe.error)}});
            continue;
        }
        const wizard::InputItem& it = *probe.item;
        if (json) {
            results.append(QJsonObject{{"path", app::FileNameForDisplay(file)},
                                       {"duration", it.Duration},
                                       {"bitrate", it.Bitrate},
                                       {"dimension", it.Dimension},
                                       {"durationMicroseconds", qint64(it.RealDuration)},
                                       {"width", it.Width},
                                       {"height", it.Height},
                                       {"audioOnly", it.AudioOnly}});
        } else {
            Out(file + u'\n');
            for (const QString& line : {it.Duration, it.Bitrate, it.Dimension})
                Out(QStringLiteral("  ") + line + u'\n');
        }
    }
    if (json) Out(QString::fromUtf8(QJsonDocument(QJsonObject{{"files", results}}).toJson()));
    return failed ? 1 : 0;
}

// The conversion run's view for a terminal: progress on standard error (on a terminal one line updated in
// place with every file in flight, "[3/8] name 45% 2.1x", and a line per finished file; otherwise only the
// lines of finished files) and the log lines that name refused files.
class CliRunView : public wizard::ConversionRunView {
public:
    QStringList files;
    QStringList refused;  // the builder's lines for files that did not become a task
    bool finished = false;
    bool tty = isatty(2);

    std::vector<wizard::InputRecord> InputRecords() const override {
        std::vector<wizard::InputRecord> records;
        for (const QString& f : files)
            records.push_back({f});
        return records;
    }
    void ShowProgressRows(const std::vector<wizard::ProgressRow>& rows, bool) override {
        rows_ = rows;
        started_.assign(rows.size(), {});
        inFlight_.clear();
    }
    void UpdateProgressRow(int row, const wizard::ProgressRow& values) override {
        if (row < 0 || row >= int(rows_.size())) return;
        rows_[row] = values;
        const bool ended =
            values.Status == QLatin1String("Finish.") || values.Status == QLatin1String("Failed.");
        const auto at = std::find(inFlight_.begin(), inFlight_.end(), row);
        if (ended) {
            if (at != inFlight_.end()) inFlight_.erase(at);
            QString line =
                Label(row) + QStringLiteral("  ") + values.Status + QStringLiteral("  ") + values.Progress;
            if (!values.Warning.isEmpty()) line += QStringLiteral("  warning: ") + values.Warning;
            Err(tty ? QStringLiteral("\r\033[K") + line + u'\n' : line + u'\n');
        } else if (at == inFlight_.end()) {
            inFlight_.push_back(row);
            started_[row] = std::chrono::steady_clock::now();
        }
        if (tty) ShowFilesInFlight();
    }
    void ShowRunStatus(const wizard::RunStatus& status) override { timeLeft_ = status.TimeLeft; }
    void AppendLog(const QString& line) override {
        if (line != QLatin1String("File has been added to convert list.")) refused.append(line);
    }
    void ProcessPendingEvents() override {}
    void PlaySound(const QString&) override {}
    bool RunShutdownCountdown() override { return false; }
    void ShutdownSystem(int) override {}
    void ShowConversionSummary() override { finished = true; }
    // The refused files' lines are printed before the run's errors.
    QString WhereReasonsAre() const override { return QStringLiteral("the lines above say why"); }

private:
    QString Label(int row) const {
        return QStringLiteral("[%1/%2] %3").arg(row + 1).arg(rows_.size()).arg(rows_[row].Name);
    }
    void ShowFilesInFlight() {
        if (inFlight_.empty()) return;
        QStringList parts;
        for (int row : inFlight_)
            parts << Label(row) + u' ' + rows_[row].Progress + Speed(row);
        Err(QStringLiteral("\r\033[K") + parts.join(QStringLiteral("  ")) + QStringLiteral("  left ") +
            timeLeft_);
    }
    // Media time converted per second of wall time since the file's first report, as " 2.4x".
    QString Speed(int row) const {
        const wizard::ProgressRow& values = rows_[row];
        bool ok = false;
        const double percent =
            QStringView(values.Progress).chopped(values.Progress.endsWith(u'%') ? 1 : 0).toDouble(&ok);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_[row]).count();
        if (!ok || values.InputDuration <= 0 || seconds < 0.2) return QString();
        const double media = percent / 100.0 * double(values.InputDuration) / 1e6;
        return QStringLiteral(" %1x").arg(media / seconds, 0, 'f', 1);
    }

    std::vector<wizard::ProgressRow> rows_;
    std::vector<std::chrono::steady_clock::time_point> started_;
    std::vector<int> inFlight_;  // rows converting, in the order they began
    QString timeLeft_;
};

int Convert(const cli::CliOptions& o) {
    const QDir current(app::CurrentFolder());
    const QString folder = app::AddTrailingBackslash(QDir::cleanPath(current.absoluteFilePath(o.outputDir)));
    if (!app::MakeFolders(folder)) {
        Err(QStringLiteral("%1: the output folder cannot be created\n").arg(folder));
        return 1;
    }
    app::TGlobalVars g;
    g.OutputFormatClass = uint8_t(o.formatClass);
    (o.formatClass == app::fcVideo    ? g.OutputVideoFormat
     : o.formatClass == app::fcDevice ? g.OutputDeviceFormat
                                      : g.OutputAudioFormat) = uint8_t(o.formatIndex);
    g.PresetIndex[wizard::FindOutputFormat(o.formatClass, o.formatIndex)->Slot] = o.presetIndex;
    g.OutputFileDir = folder;
    g.Merge = o.merge;
    g.SimultaneousConversions = o.jobs;

    CliRunView view;
    for (const QString& f : o.files)
        view.files.append(QDir::cleanPath(current.absoluteFilePath(f)));
    wizard::ConversionRun run(g, view, QString());
    run.Start();
    if (g.ConvertTotal > 1)
        Err(QStringLiteral("converting %1 files, %2 at a time\n")
                .arg(g.ConvertTotal)
                .arg(run.SimultaneousCount()));
    bool stopped = false;
    while (!view.finished) {
        core::mainDispatcher().waitUntil([&] { return view.finished || g_interrupted; },
                                         std::chrono::milliseconds(100));
        if (g_interrupted && !stopped) {
            stopped = true;
            run.StopAndWait();  // the run ends and removes the unfinished outputs
        }
    }
    if (stopped) {
        Err(QStringLiteral("interrupted\n"));
        return 130;
    }

    const int tasks = g.ConvertTotal;
    const int converted = g.ConvertSucceeded;
    const int inputs = int(o.files.size());
    // a join that left out a refused input is no success
    const int refused = o.merge && tasks > 0 ? tasks - 1 : 0;
    const int failed = o.merge ? (converted == 1 ? refused : inputs) : inputs - converted;
    Err(QStringLiteral("%1 of %2 file(s) converted, %3 failed\n")
            .arg(o.merge ? (converted ? inputs - refused : 0) : converted)
            .arg(inputs)
            .arg(failed));
    for (const QString& line : view.refused)
        Err(line + u'\n');
    for (const QString& line : g.ConvertErrors)
        Err(line + u'\n');
    return failed == 0 && tasks > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    core::RaiseOpenFileLimit();  // a large batch holds files of several tasks
    QCoreApplication application(argc, argv);
    core::KeepCNumericLocale();
    core::SimpleDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    const cli::ParseResult parsed = cli::ParseCommandLine(app::FileNamesFromArguments(argc, argv).mid(1));
    if (!parsed.options) {
        Err(QStringLiteral("reelwright-cli: ") + parsed.error + QStringLiteral("\n\n") + cli::UsageText());
        return 2;
    }
    const cli::CliOptions& o = *parsed.options;
    if (o.command == cli::Command::Help) {
        Out(cli::UsageText());
        return 0;
    }
    if (o.command == cli::Command::ListPresets) return ListPresets(o.json);
    if (!engine::LoadAVLib("lib")) {
        Err(QString::fromStdString(engine::AVLibLastErrMsg()) + u'\n');
        return 1;
    }
    if (o.command == cli::Command::Probe) return Probe(o.files, o.json);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const int status = Convert(o);
    core::setMainDispatcher(nullptr);
    return status;
}
