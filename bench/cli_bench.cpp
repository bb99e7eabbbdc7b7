// Converts one batch of generated clips with reelwright-cli and the same batch with the ffmpeg tool, one
// file after another, with the settings of the MP3 preset "Normal Quality" (libmp3lame, 48000 Hz, stereo,
// 256 kbps). Both run the same encoder, so the ratio shows what the batch machinery costs.
//
//   cli_bench [--files N] [--repeat R]
//
// Prints both times of the best of R runs (default 3) and, last, "cli batch ratio reelwright/ffmpeg: X.XX".

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "BenchArgs.h"

namespace {

bool RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchBatchArgs args = ParseBenchBatchArgs(argc, argv, {8, 3});
    const int files = args.files, repeat = args.repeat;
    QTemporaryDir dir;
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        const QString path = dir.path() + QStringLiteral("/clip%1.mp4").arg(i);
        if (!RunTool("ffmpeg",
                     {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25",
                      "-f", "lavfi", "-i", QStringLiteral("sine=frequency=%1").arg(300 + i * 50), "-t", "20",
                      "-c:v", "mpeg4", "-c:a", "aac", path})) {
            std::fprintf(stderr, "ffmpeg could not make the clips\n");
            return 1;
        }
        inputs.append(path);
    }
    double bestCli = 1e9, bestTool = 1e9;
    for (int run = 0; run < repeat; ++run) {
        const QString cliOut = dir.path() + QStringLiteral("/cli%1").arg(run);
        QElapsedTimer t;
        t.start();
        if (!RunTool(REEL_CLI, QStringList{"-f", "MP3", "-p", "2", "-o", cliOut} + inputs)) {
            std::fprintf(stderr, "reelwright-cli failed\n");
            return 1;
        }
        const double cli = t.nsecsElapsed() / 1e9;
        const QString toolOut = dir.path() + QStringLiteral("/tool%1").arg(run);
        QDir().mkpath(toolOut);
        t.restart();
        for (const QString& in : inputs) {
            const QString out = toolOut + "/" + QFileInfo(in).completeBaseName() + ".mp3";
            if (!RunTool("ffmpeg", {"-nostdin", "-v", "error", "-y", "-i", in, "-vn", "-c:a", "libmp3lame",
                                    "-ar", "48000", "-ac", "2", "-b:a", "256k", out})) {
                std::fprintf(stderr, "ffmpeg failed\n");
                return 1;
            }
        }
        const double tool = t.nsecsElapsed() / 1e9;
        std::printf("run %d: reelwright-cli %.3f s, ffmpeg %.3f s\n", run + 1, cli, tool);
        bestCli = std::min(bestCli, cli);
        bestTool = std::min(bestTool, tool);
    }
    std::printf("best: reelwright-cli %.3f s, ffmpeg %.3f s for %d files\n", bestCli, bestTool, files);
    std::printf("cli batch ratio reelwright/ffmpeg: %.2f\n", bestCli / bestTool);
    return 0;
}
