// Adds short generated clips to the input list the way Step1 does (probe, thumbnail from the middle of
// each video, one row per file) and reports how many files a second that takes.
//
//   input_bench [--files N] [--repeat R]
//
// The clips are 2 s each in five kinds (H.264 + AAC MP4, MPEG-4 + MP3 AVI, VP8 WebM renamed .mkv, FLAC,
// MP3), copied round-robin to N files (default 50). Prints the best of R runs (default 3) and, last,
// "input add ratio time/goal: X.XX", the time for N files over the goal of 3 s for 50 files.

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "BenchArgs.h"
#include "MediaClips.h"
#include "engine/FFDecode.h"
#include "engine/FFLoad.h"
#include "wizard/InputFiles.h"
#include "wizard/InputList.h"

namespace {

struct Kind {
    const char* name;
    const char* args;
};

const Kind kKinds[] = {
    {"h264.mp4",
     "-f lavfi -i testsrc=size=640x360:rate=25 -f lavfi -i sine=frequency=440 -t 2 -c:v libx264 -preset "
     "veryfast -c:a aac"},
    {"mpeg4.avi",
     "-f lavfi -i testsrc=size=640x360:rate=25 -f lavfi -i sine=frequency=440 -t 2 -c:v mpeg4 -c:a "
     "libmp3lame"},
    {"vp8.mkv", "-f lavfi -i testsrc=size=320x240:rate=25 -t 2 -c:v libvpx -b:v 500k"},
    {"tone.flac", "-f lavfi -i sine=frequency=440 -t 2"},
    {"tone.mp3", "-f lavfi -i sine=frequency=440 -t 2 -c:a libmp3lame"},
};

bool Make(const QString& path, const char* args) {
    const QString cmd = QStringLiteral("ffmpeg -nostdin -v error -y %1 '%2'").arg(QLatin1String(args), path);
    return std::system(cmd.toUtf8().constData()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchBatchArgs args = ParseBenchBatchArgs(argc, argv, {50, 3});
    const int files = args.files, repeat = args.repeat;
    if (!engine::LoadAVLib("lib")) {
        std::fprintf(stderr, "media libraries: %s\n", engine::AVLibLastErrMsg().c_str());
        return 1;
    }
    MediaClips clips;
    QStringList kinds;
    for (const Kind& k : kKinds) {
        const QString path = clips.dir() + "/" + QLatin1String(k.name);
        if (!Make(path, k.args)) {
            std::fprintf(stderr, "ffmpeg could not make %s\n", k.name);
            return 1;
        }
        kinds.append(path);
    }
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        const QString& source = kinds[i % kinds.size()];
        const QString copy = clips.dir() + QStringLiteral("/clip%1-").arg(i) + source.section('/', -1);
        QFile::copy(source, copy);
        paths.append(copy);
    }

    engine::TFFDecoder decoder;
    engine::TBitmap audioPicture;
    audioPicture.Resize(118, 78, 24);
    double best = 1e9;
    for (int run = 0; run < repeat; ++run) {
        wizard::ThumbnailList thumbnails;
        wizard::InputListModel list;
        wizard::InputProbeContext context{decoder, thumbnails, audioPicture, nullptr, nullptr};
        const auto start = std::chrono::steady_clock::now();
        const QStringList failed = wizard::AddInputFilesTo(list, context, paths);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("run %d: %d rows, %d failed, %.3f s, %.1f files/s\n", run + 1, list.Count(),
                    int(failed.size()), seconds, files / seconds);
        if (!failed.isEmpty()) std::printf("  first failure: %s\n", failed.first().toUtf8().constData());
        best = std::min(best, seconds);
    }
    std::printf("best: %d files in %.3f s, %.1f files/s\n", files, best, files / best);
    std::printf("input add ratio time/goal: %.2f\n", best / (3.0 * files / 50.0));
    return 0;
}
