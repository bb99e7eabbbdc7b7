// batch_bench [--files N] [--repeat R] [--jobs J] [--tiny]
// What a user feels converting a batch: N clips (default 8) of 10 s, 1280x720 H.264 + AAC, made once with
// the ffmpeg tool and kept beside the executable, are converted with the MP4 default and the AVI default
// preset by
//   (a) the program: the job builder and the conversion run, simultaneous conversions automatic (or J),
//   (b) the ffmpeg tool, one file after another,
//   (c) the ffmpeg tool, two at a time (xargs -P 2, what a shell user would write),
// each round in that order, best of R rounds (default 1). Prints each preset's times, the machine's load
// average before and after, and last "batch speedup program/ffmpeg-serial: X.XX" ((b) over (a)) and
// "batch ratio program/ffmpeg-parallel: X.XX" ((a) over (c)), both over the two presets' summed times.
// --tiny: 3 s clips of 320x240 instead, which measures process start-up more than conversion.

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "BenchArgs.h"
#include "BenchRunView.h"
#include "core/SimpleDispatcher.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string one, five, fifteen;
    f >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

bool Shell(const QString& cmd) {
    if (std::system(cmd.toLocal8Bit().constData()) == 0) return true;
    std::fprintf(stderr, "failed: %s\n", qPrintable(cmd));
    return false;
}

// A preset of the program and the ffmpeg tool's settings that give the same streams.
struct BenchPreset {
    const char* name;
    int format;  // video format index
    int preset;
    const char* extension;
    const char* toolSettings;
};

// The defaults of the MP4 and AVI lists. The H.264 line is what the preset's option lines and the
// engine's compatibility defaults (no B-frames, no 8x8 transform) ask libx264 for.
const BenchPreset kPresets[] = {
    {"MP4 default (H.264 640x420, AAC)", 1, 3, ".mp4",
     "-c:v libx264 -s 640x420 -r 30 -b:v 640k -crf 24 -refs 1 -coder 0 -bf 0 -8x8dct 0 -subq 5 "
     "-trellis 2 -me_range 16 -g 250 -keyint_min 25 -level 30 -qmin 10 -qmax 51 -sc_threshold 40 "
     "-i_qfactor 0.71 -partitions i4x4,i8x8,p8x8 -c:a aac -ac 2 -ar 44100 -b:a 128k"},
    {"AVI default (MPEG-4 1500k original size, MP3)", 0, 3, ".avi",
     "-c:v mpeg4 -vtag XVID -b:v 1500k -c:a libmp3lame -ac 2 -ar 44100 -b:a 192k"},
};

// The clips are kept beside the executable and made only when missing.
QStringList MakeClips(int count, bool tiny) {
    const QString folder =
        QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget().section(u'/', 0, -2) +
        (tiny ? QStringLiteral("/batch_bench_clips_tiny/") : QStringLiteral("/batch_bench_clips/"));
    QDir().mkpath(folder);
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("clip%1.mp4").arg(i);
        files << path;
        if (QFileInfo::exists(path)) continue;
        const QString part = folder + QStringLiteral("making.mp4");
        const QString cmd =
            QStringLiteral(
                "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=%1:rate=30 -f lavfi -i "
                "sine=frequency=%2:sample_rate=44100 -t %3 -vf noise=alls=6:allf=t -c:v libx264 -preset "
                "veryfast "
                "-pix_fmt yuv420p -c:a aac -ac 2 -b:a 128k '%4' && mv '%4' '%5'")
                .arg(tiny ? QStringLiteral("320x240") : QStringLiteral("1280x720"))
                .arg(300 + 40 * i)
                .arg(tiny ? 3 : 10)
                .arg(part, path);
        std::printf("making %s\n", qPrintable(path));
        std::fflush(stdout);
        if (!Shell(cmd)) return {};
    }
    return files;
}

struct Times {
    double program = 1e9, serial = 1e9, parallel = 1e9;
};

}  // namespace

int main(int argc, char** argv) {
    const BenchBatchArgs args = ParseBenchBatchArgs(argc, argv, {8, 1});
    int jobs = 0;
    bool tiny = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--jobs") && i + 1 < argc) jobs = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--tiny")) tiny = true;
    }
    const int count = std::max(1, args.files);
    core::SimpleDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    if (!LoadBenchAVLib()) return 1;

    BenchRunView view;
    view.files = MakeClips(count, tiny);
    if (view.files.isEmpty()) return 1;
    QTemporaryDir dir;
    std::printf("load average before: %s\n", LoadAverage().c_str());
    std::fflush(stdout);

    Times total{0, 0, 0};
    for (const BenchPreset& p : kPresets) {
        app::TGlobalVars globals;
        globals.OutputFormatClass = app::fcVideo;
        globals.OutputVideoFormat = static_cast<uint8_t>(p.format);
        globals.PresetIndex[wizard::FindOutputFormat(app::fcVideo, p.format)->Slot] = p.preset;
        globals.SimultaneousConversions = jobs;
        Times best;
        for (int r = 0; r < std::max(1, args.repeat); ++r) {
            const QString round = dir.path() + QStringLiteral("/%1-%2-").arg(p.format).arg(r);
            const QString programOut = round + QStringLiteral("program/"),
                          serialOut = round + QStringLiteral("serial/"),
                          parallelOut = round + QStringLiteral("parallel/");
            for (const QString& d : {programOut, serialOut, parallelOut})
                QDir().mkpath(d);

            globals.OutputFileDir = programOut;
            const auto t0 = std::chrono::steady_clock::now();
            int simultaneous = 0;
            {
                wizard::ConversionRun run(globals, view, QString());
                view.finished = false;
                run.Start();
                simultaneous = run.SimultaneousCount();
                dispatcher.waitUntil([&] { return view.finished; }, std::chrono::milliseconds(-1));
            }
            const auto t1 = std::chrono::steady_clock::now();
            if (globals.ConvertSucceeded != count) {
                std::fprintf(stderr, "program converted %d of %d files\n", globals.ConvertSucceeded, count);
                return 1;
            }
            for (const QString& file : view.files) {
                const QString cmd = QStringLiteral("ffmpeg -nostdin -v error -y -i '%1' %2 '%3%4%5'")
                                        .arg(file, QLatin1String(p.toolSettings), serialOut,
                                             QFileInfo(file).completeBaseName(), QLatin1String(p.extension));
                if (!Shell(cmd)) return 1;
            }
            const auto t2 = std::chrono::steady_clock::now();
            const QString xargs =
                QStringLiteral(
                    "printf '%s\\0' '%1' | xargs -0 -n 1 -P 2 sh -c "
                    "'ffmpeg -nostdin -v error -y -i \"$0\" %2 \"%3$(basename \"${0%.*}\")%4\"'")
                    .arg(view.files.join(QStringLiteral("' '")), QLatin1String(p.toolSettings), parallelOut,
                         QLatin1String(p.extension));
            if (!Shell(xargs)) return 1;
            const auto t3 = std::chrono::steady_clock::now();

            const Times t{Seconds(t0, t1), Seconds(t1, t2), Seconds(t2, t3)};
            std::printf(
                "%s, round %d: program %.2f s (%d at once), ffmpeg serial %.2f s, ffmpeg -P 2 %.2f s\n",
                p.name, r + 1, t.program, simultaneous, t.serial, t.parallel);
            std::fflush(stdout);
            best.program = std::min(best.program, t.program);
            best.serial = std::min(best.serial, t.serial);
            best.parallel = std::min(best.parallel, t.parallel);
        }
        std::printf(
            "%s, best of %d files: program %.2f s, ffmpeg serial %.2f s, ffmpeg -P 2 %.2f s; "
            "speedup %.2f, ratio %.2f\n",
            p.name, count, best.program, best.serial, best.parallel, best.serial / best.program,
            best.program / best.parallel);
        total.program += best.program;
        total.serial += best.serial;
        total.parallel += best.parallel;
    }
    std::printf("load average after: %s\n", LoadAverage().c_str());
    std::printf("batch speedup program/ffmpeg-serial: %.2f\n", total.serial / total.program);
    std::printf("batch ratio program/ffmpeg-parallel: %.2f\n", total.program / total.parallel);
    core::setMainDispatcher(nullptr);
    return 0;
}
