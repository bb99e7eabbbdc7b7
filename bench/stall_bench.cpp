// stall_bench [SECONDS]
// Converts a generated 720p clip (default 8 s) with the MP4 preset "PC - Standard Quality" through the
// conversion run inside a Qt event loop, with the live preview on (each picture becomes a pixmap, as the
// preview window makes it). A 10 ms timer notes how late each of its ticks runs; prints, last,
// "longest main-thread stall: N ms".

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "BenchRunView.h"
#include "app/QtDispatcher.h"
#include "engine/Previewer.h"

namespace {

// Does on the main thread what the preview window does with a picture.
class PixmapHost : public engine::TPreviewHost {
public:
    int pictures = 0;
    void ShowPreview(const void*, const engine::TBitmap& b, const std::string&) override {
        const QImage image(b.Pixels.data(), b.Width, b.Height, b.Stride, QImage::Format_BGR888);
        pixmap_ = QPixmap::fromImage(image);
        ++pictures;
    }
    void ClosePreview(const void*) override {}

private:
    QPixmap pixmap_;
};

constexpr int kTickMs = 10;

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 8.0;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    app::QtDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);  // stays installed while the run below is torn down
    if (!LoadBenchAVLib()) return 1;

    QTemporaryDir dir;
    BenchRunView view;
    view.files << dir.path() + QStringLiteral("/hd.mp4");
    if (!MakeBenchClip(view.files[0], QStringLiteral("1280x720"), seconds)) return 1;

    app::TGlobalVars globals;
    ChooseMp4PcStandard(globals);
    globals.OutputFileDir = dir.path() + u'/';

    PixmapHost host;
    wizard::ConversionRun run(globals, view, QString());
    run.Encoder().PreviewHost = &host;
    run.SetPreview(true);

    using Clock = std::chrono::steady_clock;
    auto last = Clock::now();
    double longest = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count() - kTickMs);
        last = now;
        if (view.finished) application.quit();
    });
    QTimer::singleShot(0, [&] {
        run.Start();
        last = Clock::now();
        timer.start(kTickMs);
    });
    application.exec();
    std::printf("converted: %d of 1, preview pictures shown: %d\n", globals.ConvertSucceeded, host.pictures);
    std::printf("longest main-thread stall: %.0f ms\n", longest);
    std::fflush(stdout);
    return globals.ConvertSucceeded == 1 ? 0 : 1;
}
