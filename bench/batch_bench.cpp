// batch_bench [N]
// Converts N short generated clips (default 6, 3 s of 320x240 with audio) with the MP4 preset "PC - Standard
// Quality" through the job builder and the conversion run, then has the ffmpeg tool convert the same files
// with the same settings one after another; several rounds each in turn (RUNS, default 3). Prints the times
// and, last, "batch ratio program/ffmpeg: X.XX" (best program round over best ffmpeg round).

#include <sys/resource.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "BenchRunView.h"
#include "core/SimpleDispatcher.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// User and system CPU seconds of this process or of its finished children.
double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The same settings as the preset, for the ffmpeg tool.
const char* const kToolSettings = "-c:v mpeg4 -b:v 1200k -r 25 -c:a aac -ac 2 -ar 48000 -b:a 192k";

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;
    const char* runsEnv = std::getenv("RUNS");
    const int runs = runsEnv ? std::max(1, std::atoi(runsEnv)) : 3;
    core::SimpleDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    if (!LoadBenchAVLib()) return 1;

    QTemporaryDir dir;
    BenchRunView view;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.path() + QStringLiteral("/clip%1.mp4").arg(i);
        if (!MakeBenchClip(path, QStringLiteral("320x240"), 3)) return 1;
        view.files << path;
    }

    app::TGlobalVars globals;
    ChooseMp4PcStandard(globals);
    std::vector<double> programTimes, toolTimes;
    for (int r = 0; r < runs; ++r) {
        const QString programOut = dir.path() + QStringLiteral("/program%1/").arg(r);
        const QString toolOut = dir.path() + QStringLiteral("/tool%1/").arg(r);
        QDir().mkpath(programOut);
        QDir().mkpath(toolOut);
        globals.OutputFileDir = programOut;

        const double cpu0 = CpuSeconds(RUSAGE_SELF);
        const auto t0 = std::chrono::steady_clock::now();
        {
            wizard::ConversionRun run(globals, view, QString());
            view.finished = false;
            run.Start();
            dispatcher.waitUntil([&] { return view.finished; }, std::chrono::milliseconds(-1));
        }
        const auto t1 = std::chrono::steady_clock::now();
        const double cpu1 = CpuSeconds(RUSAGE_SELF), children0 = CpuSeconds(RUSAGE_CHILDREN);
        if (globals.ConvertSucceeded != count) {
            std::fprintf(stderr, "program converted %d of %d files\n", globals.ConvertSucceeded, count);
            return 1;
        }
        for (const QString& file : view.files) {
            const QString cmd =
                QStringLiteral("ffmpeg -nostdin -v error -y -i '%1' %2 '%3%4'")
                    .arg(file, QLatin1String(kToolSettings), toolOut, QFileInfo(file).fileName());
            if (std::system(cmd.toLocal8Bit().constData()) != 0) {
                std::fprintf(stderr, "ffmpeg failed: %s\n", qPrintable(cmd));
                return 1;
            }
        }
        const auto t2 = std::chrono::steady_clock::now();
        programTimes.push_back(Seconds(t0, t1));
        toolTimes.push_back(Seconds(t1, t2));
        std::printf("round %d: program %.3f s (cpu %.3f s), ffmpeg %.3f s (cpu %.3f s)\n", r + 1,
                    programTimes.back(), cpu1 - cpu0, toolTimes.back(),
                    CpuSeconds(RUSAGE_CHILDREN) - children0);
        std::fflush(stdout);
    }
    const double p = *std::min_element(programTimes.begin(), programTimes.end());
    const double t = *std::min_element(toolTimes.begin(), toolTimes.end());
    std::printf("best of %d files: program %.3f s, ffmpeg %.3f s\n", count, p, t);
    std::printf("batch ratio program/ffmpeg: %.2f\n", p / t);
    core::setMainDispatcher(nullptr);
    return 0;
}
