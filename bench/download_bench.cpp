// Downloads a 256 MiB video through the whole download run (watch page, video information, media into
// NAME.part, moved into place) from the loopback stand-in of the service, then fetches the same media with
// `curl -o` through the same stand-in, and prints how the two compare (best of three each).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QTemporaryDir>

#include "ServiceStandIn.h"
#include "core/SimpleDispatcher.h"
#include "download/DownloadRun.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint64_t kMediaSize = 256ull << 20;
constexpr int kRounds = 3;

// The run's view without a window: one row, a count of the progress reports.
struct HeadlessView : download::DownloadView {
    QStringList links, row;
    long long updates = 0;
    bool ended = false;
    QStringList Links() const override { return links; }
    void ClearDownloadRows() override { row.clear(); }
    void AddDownloadRow(const QStringList& columns) override { row = columns; }
    void InsertDownloadRow(int, const QStringList&) override {}  // one link, never a playlist
    int DownloadRowCount() const override { return row.isEmpty() ? 0 : 1; }
    QString DownloadRowText(int, download::DownloadColumn c) const override { return row.value(c); }
    void SetDownloadRowText(int, download::DownloadColumn c, const QString& text) override {
        row[c] = text;
        ++updates;
    }
    void SetDownloadLabel(download::DownloadLabel, const QString&) override {}
    void SetDownloadProgress(int) override {}
    void LogDownloadLine(const QString& line) override { std::fprintf(stderr, "%s\n", qPrintable(line)); }
    void DownloadRunEnded() override { ended = true; }
};

double runOnce(core::SimpleDispatcher& dispatcher, const QString& folder, const std::string& link, bool& ok) {
    app::TGlobalVars g;
    g.OutputURLDir = folder + "/";
    HeadlessView view;
    view.links << QString::fromStdString(link);
    download::DownloadRun run(g, view);
    const auto start = Clock::now();
    run.StartDownloadRun();
    dispatcher.waitUntil([&] { return view.ended; }, std::chrono::minutes(5));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ok = g.DownloadSucceeded == 1 && g.DownloadedFiles.size() == 1 &&
         fs::file_size(g.DownloadedFiles.front().toStdString()) == kMediaSize;
    for (const QString& f : g.DownloadedFiles)
        fs::remove(f.toStdString());
    return seconds;
}

double curlOnce(const std::string& proxy, const std::string& url, const fs::path& out, bool& ok) {
    const std::string command = "curl -s -o '" + out.string() + "' -x '" + proxy + "' '" + url + "'";
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ok = rc == 0 && fs::exists(out) && fs::file_size(out) == kMediaSize;
    fs::remove(out);
    return seconds;
}

}  // namespace

int main() {
    core::SimpleDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    reeltest::ServiceStandIn standIn;
    reeltest::StandInVideo video;
    video.title = "Big video";
    video.streams[18].size = kMediaSize;
    standIn.AddVideo("big", video);
    setenv("http_proxy", standIn.ProxyAddress().c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");

    QTemporaryDir dir;
    double program = 1e9, curl = 1e9;
    bool allOk = true;
    for (int i = 0; i < kRounds; ++i) {
        bool ok = false;
        const double p = runOnce(dispatcher, dir.path(), reeltest::ServiceStandIn::WatchLink("big"), ok);
        allOk &= ok;
        const double c = curlOnce(standIn.ProxyAddress(), reeltest::ServiceStandIn::MediaAddress("big", 18),
                                  fs::path(dir.path().toStdString()) / "curl.out", ok);
        allOk &= ok;
        std::printf("round %d: program %.3f s, curl %.3f s\n", i + 1, p, c);
        program = std::min(program, p);
        curl = std::min(curl, c);
    }
    core::setMainDispatcher(nullptr);
    if (!allOk) {
        std::printf("a download did not complete\n");
        return 1;
    }
    std::printf("256 MiB through the download run: %.3f s (%.0f MiB/s); curl -o: %.3f s\n", program,
                256 / program, curl);
    std::printf("download ratio program/curl: %.2f\n", program / curl);
    return 0;
}
