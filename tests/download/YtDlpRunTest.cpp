// The download run with yt-dlp behind it, no network: the real yt-dlp on loopback pages and on a hand-made
// information document, and a stand-in yt-dlp script for the faults a real one shows (an error, a hang,
// garbage progress, being killed), cancelling, playlists, and the run without yt-dlp.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <map>
#include <mutex>

#include "LoopbackListener.h"
#include "RecordingView.h"
#include "ServiceStandIn.h"
#include "core/Dispatcher.h"
#include "download/DownloadRun.h"
#include "download/Quality.h"
#include "download/YtDlp.h"
#include "engine/FFLoad.h"

using namespace std::chrono_literals;
using namespace download;
using reeltest::LoopbackListener;
using reeltest::RecordingView;
using reeltest::ServiceStandIn;
using reeltest::StandInVideo;

namespace {

// Serves files by name on 127.0.0.1, like any small web site.
class FileServer {
public:
    void Put(const std::string& name, const QByteArray& bytes) {
        std::lock_guard lock(mutex_);
        files_[name] = bytes.toStdString();
    }
    std::string Address(const std::string& name) const {
        return "http://127.0.0.1:" + std::to_string(listener_.Port()) + "/" + name;
    }

private:
    bool Serve(int fd, const LoopbackListener::Request& request) {
        std::string body;
        bool found;
        {
            std::lock_guard lock(mutex_);
            const auto it = files_.find(request.target.substr(1));
            found = it != files_.end();
            if (found) body = it->second;
        }
        const std::string head =
            std::string(found ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") + "\r\nContent-Type: " +
            (request.target.ends_with(".html") ? "text/html" : "application/octet-stream") +
            "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        return LoopbackListener::SendAll(fd, head.data(), head.size()) &&
               (request.method == "HEAD" || LoopbackListener::SendAll(fd, body.data(), body.size()));
    }

    std::mutex mutex_;
    std::map<std::string, std::string> files_;
    LoopbackListener listener_{[this](int fd, const LoopbackListener::Request& r) { return Serve(fd, r); },
                               {}};
};

// Tiny media made with the ffmpeg tool, once for the whole program.
class Clips {
public:
    static Clips& Shared() {
        static Clips clips;
        return clips;
    }
    QByteArray Bytes(const QString& name) {
        QFile f(dir_.filePath(name));
        if (!f.exists()) Make(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    void Make(const QString& name) {
        // "v360.mp4": picture 640x360 and sound; "v360-video.mp4": picture only; "sound.m4a", "sound.webm".
        const QString size = name.contains("360") ? "640x360" : name.contains("1080") ? "320x180" : "256x144";
        QString input =
            QStringLiteral("-f lavfi -i testsrc=size=%1:rate=10 -f lavfi -i sine=frequency=440").arg(size);
        QString codecs = "-c:v libx264 -pix_fmt yuv420p -c:a aac";
        if (name.contains("-video")) codecs = "-an -c:v libx264 -pix_fmt yuv420p";
        if (name.startsWith("sound")) {
            input = "-f lavfi -i sine=frequency=660";
            codecs = name.endsWith(".webm") ? "-c:a libopus" : "-c:a aac";
        }
        const QString command = QStringLiteral("ffmpeg -v error -y %1 -t 1 %2 -shortest '%3'")
                                    .arg(input, codecs, dir_.filePath(name));
        ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0) << command.toStdString();
    }
    QTemporaryDir dir_;
};

// A stand-in of yt-dlp for faults. It honours the arguments the run gives (the work folder, the progress
// template); the last word of the link, carried into the information as its id, says what it does.
constexpr const char* kStandInScript = R"SH(#!/bin/bash
info= ; work= ; template= ; link="${@: -1}"
while [ $# -gt 0 ]; do
  case "$1" in
    --load-info-json) info="$2"; shift ;;
    --paths) [ -z "$work" ] && work="$2"; shift ;;
    --progress-template) template="${2#download:}"; shift ;;
  esac
  shift
done
progress() {
  local t="$template"
  t="${t//"%(progress.downloaded_bytes)s"/$1}"; t="${t//"%(progress.total_bytes)s"/$2}"
  t="${t//"%(progress.total_bytes_estimate)s"/NA}"; t="${t//"%(progress.speed)s"/$3}"
  t="${t//"%(progress.eta)s"/$4}"; t="${t//"%(progress.elapsed)s"/$5}"
  echo "$t"
}
if [ -z "$info" ]; then
  mode="${link##*/}"
  echo "$mode" >> "$STANDIN_CALLS"
  case "$mode" in
    error) echo "WARNING: something odd" >&2
           echo "ERROR: [generic] Unable to download webpage: HTTP Error 404: Not Found" >&2
           echo "see the manual" >&2; exit 1 ;;
    hang) sleep 600 & echo $! > "$STANDIN_PIDS"; wait; exit 0 ;;
    list) echo '{"_type": "playlist", "title": "List", "entries": [{"url": "http://127.0.0.1:9/one"},
          {"url": "http://127.0.0.1:9/list"}, {"url": "http://127.0.0.1:9/two"}, {"url": "http://127.0.0.1:9/one"}]}'
          exit 0 ;;
  esac
  printf '{"id": "%s", "title": "Stand-in %s", "format_id": "18", "ext": "mp4", "height": 360, ' "$mode" "$mode"
  echo '"vcodec": "avc1.42001E", "acodec": "mp4a.40.2"}'
  exit 0
fi
mode=$(sed -n 's/^{"id": "\([^"]*\)".*/\1/p' "$info")
case "$mode" in
  garbage) echo "[download] Destination: media.mp4"; progress x 100 NA NA NA; progress -7 100 NA NA NA
           progress 1e999 100 NA NA NA; progress 5; printf '\001\377\n'; progress 50 100 2048 1 3 ;;
  killed) progress 10 100 NA NA NA; printf part > "$work/media.mp4.part"; kill -9 $$ ;;
  slow) printf part > "$work/media.mp4.part"; printf frag > "$work/media.mp4.part-Frag1"; trap '' TERM
        n=0; while :; do n=$((n+1)); progress $n 1000000 100 NA 1; sleep 0.2; done ;;
esac
progress 100 100 NA 0 1
case "$mode" in
  html) printf '<!DOCTYPE html><html><body>Sign in</body></html>' > "$work/media.mp4" ;;
  empty) : > "$work/media.mp4" ;;
  *) cat "$STANDIN_MEDIA" > "$work/media.mp4" ;;
esac
)SH";

constexpr const char* kStandInSamples = "what the stand-in saves";

class YtDlpRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The run reads every video of the service's own exchange with the engine's probe.
        ASSERT_TRUE(engine::LoadAVLib("")) << engine::AVLibLastErrMsg();
        ASSERT_TRUE(dir.isValid() && tools.isValid());
        g.OutputURLDir = dir.path() + "/";
        realYtDlp = FindYtDlp(QString());
        for (const char* name :
             {"http_proxy", "https_proxy", "no_proxy", "NO_PROXY", "all_proxy", "ALL_PROXY"})
            unsetenv(name);
        setenv("STANDIN_CALLS", tools.filePath("calls").toLocal8Bit().constData(), 1);
        setenv("STANDIN_PIDS", tools.filePath("pids").toLocal8Bit().constData(), 1);
        // What the stand-in saves: a short wave file (the saved result must read as media).
        QFile media(tools.filePath("media.wav"));
        ASSERT_TRUE(media.open(QIODevice::WriteOnly));
        media.write(QByteArray::fromStdString(ServiceStandIn::Wave(kStandInSamples)));
        media.close();
        setenv("STANDIN_MEDIA", media.fileName().toLocal8Bit().constData(), 1);
    }
    void TearDown() override { unsetenv("http_proxy"); }

    QString Script(const QString& name, const QByteArray& text) {
        QFile f(tools.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        return f.fileName();
    }
    void UseStandIn() { g.YtDlpPath = Script("yt-dlp-standin", kStandInScript); }
    // The service's stand-in for links of the service; loopback pages are reached directly.
    void ThroughServiceStandIn() {
        setenv("http_proxy", service.ProxyAddress().c_str(), 1);
        setenv("no_proxy", "127.0.0.1", 1);
    }

    void Start(const QStringList& links) {
        view.links = links;
        view.ended = false;
        view.log.clear();
        g.DownloadedFiles.clear();
        run.StartDownloadRun();
    }
    void Run(const QStringList& links) {
        Start(links);
        ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return view.ended; }, 300s)) << Log();
    }
    void Clear() {
        for (const QString& f : Files())
            QFile::remove(dir.filePath(f));
    }

    QStringList Files() const {
        return QDir(dir.path())
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }
    QByteArray File(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList Calls() const {
        QFile f(tools.filePath("calls"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                           : QStringList();
    }
    std::string Log() const { return view.log.join('\n').toStdString(); }

    QTemporaryDir dir, tools;
    QString realYtDlp;
    ServiceStandIn service;
    FileServer site;
    app::TGlobalVars g;
    RecordingView view;
    DownloadRun run{g, view};
};

// yt-dlp's generic extractor on an HTML5 page with two sources and on a direct media link, in one run with a
// link of the service that its own exchange still serves.
TEST_F(YtDlpRunTest, LoopbackPageAndDirectLinkInOneRunWithTheService) {
    if (realYtDlp.isEmpty()) GTEST_SKIP() << "yt-dlp is not installed";
    Clips& clips = Clips::Shared();
    site.Put("v360.mp4", clips.Bytes("v360.mp4"));
    site.Put("v144.mp4", clips.Bytes("v144.mp4"));
    site.Put("cats.html",
             "<html><head><title>Loopback Cats</title></head><body><video controls>"
             "<source src=\"v144.mp4\" type=\"video/mp4\" res=\"144\">"
             "<source src=\"v360.mp4\" type=\"video/mp4\" res=\"360\"></video></body></html>");
    StandInVideo old;
    old.title = "Old Times";
    const std::string oldMedia = ServiceStandIn::Wave("2011 media");
    old.streams[18].bytes = oldMedia;
    old.streams[5].bytes = oldMedia;
    service.AddVideo("old", old);
    ThroughServiceStandIn();

    struct Case {
        bool prefer;
        const char* clip;   // the one the order asks for
        const char* label;  // the generic extractor numbers a page's sources
        const char* old;    // the service's file: HQ18 with the preference, the default stream without
    } cases[] = {{true, "v360.mp4", "[1] - (MP4, 360p, audio as offered)", "Old Times.mp4"},
                 {false, "v144.mp4", "[0] - (MP4, 144p, audio as offered)", "Old Times.flv"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clip);
        Clear();
        g.PreferYouTubeQuality = c.prefer;
        const QString page = QString::fromStdString(site.Address("cats.html"));
        Run({QString::fromStdString(ServiceStandIn::WatchLink("old")), page,
             QString::fromStdString(site.Address("v144.mp4"))});
        EXPECT_EQ(view.Statuses(), (QStringList{"Finish.", "Finish.", "Finish."})) << Log();
        // The generic extractor numbers a page's videos after its title.
        EXPECT_EQ(Files(), (QStringList{"Loopback Cats (1).mp4", c.old, "v144.mp4"})) << Log();
        EXPECT_EQ(File(c.old), QByteArray::fromStdString(oldMedia));
        EXPECT_EQ(File("Loopback Cats (1).mp4"), clips.Bytes(c.clip));
        EXPECT_EQ(File("v144.mp4"), clips.Bytes("v144.mp4"));
        EXPECT_EQ(view.rows[1][colName], "Loopback Cats (1)");
        EXPECT_EQ(view.rows[1][colURL], page);
        EXPECT_EQ(view.rows[1][colProgress], "100%");
        EXPECT_TRUE(view.rows[1][colSpeed].endsWith(" KB/s"));
        EXPECT_TRUE(view.qualityLabels.contains(c.label)) << view.qualityLabels.join('\n').toStdString();
        EXPECT_EQ(g.DownloadSucceeded, 3);
        EXPECT_EQ(g.DownloadedFiles.size(), 3);
    }
}

// The real yt-dlp answering from a hand-made information document: the stored order decides the format.
TEST_F(YtDlpRunTest, TheQualityOrderChoosesTheFormat) {
    if (realYtDlp.isEmpty()) GTEST_SKIP() << "yt-dlp is not installed";
    Clips& clips = Clips::Shared();
    for (const char* name :
         {"v360.mp4", "v360-video.mp4", "v1080-video.mp4", "v144-video.mp4", "sound.m4a", "sound.webm"})
        site.Put(name, clips.Bytes(name));
    auto format = [&](const char* id, const char* file, const char* ext, int height, const char* vcodec,
                      const char* acodec, int rate) {
        return QStringLiteral(
                   R"({"format_id": "%1", "url": "%2", "ext": "%3", %4 "vcodec": "%5", "acodec": "%6",
                              "tbr": %7})")
            .arg(id, QString::fromStdString(site.Address(file)), ext,
                 height ? QStringLiteral(R"("height": %1,)").arg(height) : QString(), vcodec, acodec)
            .arg(rate);
    };
    const QString muxed18 = format("18", "v360.mp4", "mp4", 360, "avc1.42001E", "mp4a.40.2", 500);
    // Today's service: separate picture and sound streams.
    const QStringList today = {format("160", "v144-video.mp4", "mp4", 144, "avc1.4d400c", "none", 100),
                               format("134", "v360-video.mp4", "mp4", 360, "avc1.4d401e", "none", 300),
                               format("137", "v1080-video.mp4", "mp4", 1080, "avc1.640028", "none", 3000),
                               format("140", "sound.m4a", "m4a", 0, "none", "mp4a.40.2", 128),
                               format("251", "sound.webm", "webm", 0, "none", "opus", 160)};
    const QString onlyHd = format("hd", "v360.mp4", "mp4", 720, "avc1.64001f", "mp4a.40.2", 2000);

    struct Case {
        const char* what;
        bool prefer;
        QualityOrder order;
        QStringList formats;
        const char* chosen;
        const char* file;
    } cases[] = {
        {"a stream tag of the order is offered", true, kDefaultQualityOrder, QStringList(today) << muxed18,
         "18", "Hand Made.mp4"},
        {"none offered: best at or under 360 lines in MP4", true, kDefaultQualityOrder, today, "134+140",
         "Hand Made.mp4"},
        {"the best order: up to 1080 lines", true, kBestQualityOrder, today, "137+140", "Hand Made.mp4"},
        {"preference off: at or under 240 lines", false, kDefaultQualityOrder, today, "160+140",
         "Hand Made.mp4"},
        {"3GP first: no 3GP today, the best sound", true, QualityOrder{4, 5, 0, 1, 2, 3, 6, 7}, today,
         "160+251", "Hand Made.mkv"},
        {"nothing that small: the smallest there is",
         true,
         kDefaultQualityOrder,
         {onlyHd},
         "hd",
         "Hand Made.mp4"},
    };
    const QString wrapper = Script(
        "yt-dlp-handmade", QStringLiteral("#!/bin/bash\n"
                                          "# yt-dlp answering from a hand-made document instead of a site\n"
                                          "if [ \"$1\" = --dump-single-json ]; then\n"
                                          "  exec '%1' --load-info-json \"$HANDMADE_INFO\" \"${@:1:$#-2}\"\n"
                                          "fi\n"
                                          "exec '%1' \"$@\"\n")
                               .arg(realYtDlp)
                               .toUtf8());
    g.YtDlpPath = wrapper;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        const QString info = tools.filePath("info.json");
        QFile doc(info);
        ASSERT_TRUE(doc.open(QIODevice::WriteOnly | QIODevice::Truncate));
        doc.write(QStringLiteral(R"({"id": "clip", "title": "Hand Made", "extractor": "generic",
            "extractor_key": "Generic", "webpage_url": "%1", "formats": [%2]})")
                      .arg(QString::fromStdString(site.Address("page")), c.formats.join(", "))
                      .toUtf8());
        doc.close();
        setenv("HANDMADE_INFO", info.toLocal8Bit().constData(), 1);
        g.PreferYouTubeQuality = c.prefer;
        g.QualityOrder = c.order;
        Run({QString::fromStdString(site.Address("page"))});
        EXPECT_EQ(view.Statuses(), QStringList{"Finish."}) << Log();
        EXPECT_TRUE(view.labels[lblQuality].startsWith(QStringLiteral("[%1]").arg(c.chosen)) ||
                    (QString(c.chosen) == "18" && view.labels[lblQuality].startsWith("[HQ18]")))
            << view.labels[lblQuality].toStdString();
        EXPECT_EQ(Files(), QStringList{c.file}) << Log();
        if (QString(c.chosen) == "18") {
            EXPECT_EQ(File(c.file), clips.Bytes("v360.mp4"));
        }
    }
}

// A service link whose exchange gives no stream map, or no information, goes on through yt-dlp in the same
// row; a page the service does not answer fails as before.
TEST_F(YtDlpRunTest, TheServiceExchangeHandsOverToYtDlp) {
    UseStandIn();
    ThroughServiceStandIn();
    StandInVideo noMap;
    noMap.title = "Today";
    noMap.infoDocument = "status=fail&errorcode=2&reason=Invalid+parameters.";
    service.AddVideo("nomap", noMap);
    StandInVideo noInfo = noMap;
    noInfo.infoStatus = 404;
    service.AddVideo("noinfo", noInfo);
    StandInVideo gone;
    gone.pageStatus = 404;
    service.AddVideo("gone", gone);
    Run({QString::fromStdString(ServiceStandIn::WatchLink("nomap")),
         QString::fromStdString(ServiceStandIn::WatchLink("noinfo")),
         QString::fromStdString(ServiceStandIn::WatchLink("gone"))});
    EXPECT_EQ(view.Statuses(), (QStringList{"Finish.", "Finish.", "Failed."})) << Log();
    EXPECT_EQ(Calls(), (QStringList{"watch?v=nomap", "watch?v=noinfo"}));  // the links as pasted
    EXPECT_EQ(Files(), (QStringList{"Stand-in watch_v=noinfo.mp4", "Stand-in watch_v=nomap.mp4"}));
    EXPECT_EQ(File("Stand-in watch_v=nomap.mp4"),
              QByteArray::fromStdString(ServiceStandIn::Wave(kStandInSamples)));
    EXPECT_EQ(view.rows[0][colName], "Stand-in watch?v=nomap");
    EXPECT_EQ(view.labels[lblQuality], "[HQ18] - (MP4(H.264), 360p, AAC)");
}

TEST_F(YtDlpRunTest, FaultsFailTheLinkAndTheRunGoesOn) {
    UseStandIn();
    run.YtDlpStallSeconds = 2;
    const QString site = "http://127.0.0.1:9/";
    Run({site + "error", site + "hang", site + "killed", site + "garbage", site + "html", site + "empty",
         site + "fine"});
    EXPECT_EQ(view.Statuses(),
              (QStringList{"Failed.", "Failed.", "Failed.", "Finish.", "Failed.", "Failed.", "Finish."}))
        << Log();
    const QString log = view.log.join('\n');
    // yt-dlp's own error line, the last one of its standard error.
    EXPECT_TRUE(log.contains("yt-dlp: [generic] Unable to download webpage: HTTP Error 404: Not Found"))
        << Log();
    EXPECT_TRUE(log.contains("yt-dlp gave no sign for 2 s and was ended")) << Log();
    EXPECT_TRUE(log.contains("yt-dlp was ended by signal 9")) << Log();
    // A page or an empty file saved as the video is no download.
    EXPECT_EQ(log.count("yt-dlp: its file was not kept: "), 2) << Log();
    EXPECT_FALSE(log.contains("would let the program")) << "yt-dlp is there";
    // The hanging one's helper went with it.
    QFile pids(tools.filePath("pids"));
    ASSERT_TRUE(pids.open(QIODevice::ReadOnly));
    const pid_t helper = pids.readAll().trimmed().toInt();
    QFile stat(QStringLiteral("/proc/%1/stat").arg(helper));
    EXPECT_TRUE(!stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z "));
    // Nothing of the failed ones is left; garbage progress did not disturb the row.
    EXPECT_EQ(Files(), (QStringList{"Stand-in fine.mp4", "Stand-in garbage.mp4"}));
    EXPECT_EQ(view.rows[3][colProgress], "100%");
    EXPECT_EQ(view.rows[3][colSize], "0.00MB");
    EXPECT_EQ(g.DownloadSucceeded, 2);
}

TEST_F(YtDlpRunTest, CancelAndClosingLeaveNothing) {
    UseStandIn();
    const QString site = "http://127.0.0.1:9/";
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "window closed" : "cancelled");
        Clear();
        auto own = std::make_unique<DownloadRun>(g, view);
        view.ended = false;
        view.links = {site + "fine", site + "slow", site + "fine"};
        own->StartDownloadRun();
        ASSERT_TRUE(core::mainDispatcher().waitUntil(
            [&] {
                return view.ended || (view.rows.size() == 3 && view.rows[1][colStatus] == "Downloading...");
            },
            120s));
        ASSERT_EQ(Files(), (QStringList{"Stand-in fine.mp4", "Stand-in slow.mp4.part"}));
        if (close) {
            own.reset();  // the program closes during the download (the child ignores TERM: KILL follows)
        } else {
            own->AbortTransfers();
            ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return view.ended; }, 60s));
            EXPECT_EQ(g.DownloadSucceeded, 1);
            EXPECT_EQ(view.rows[2][colStatus], "Waiting...");
        }
        EXPECT_EQ(Files(), QStringList{"Stand-in fine.mp4"});
    }
}

TEST_F(YtDlpRunTest, APlaylistBecomesOneRowPerVideo) {
    UseStandIn();
    const QString site = "http://127.0.0.1:9/";
    Run({site + "list", site + "after"});
    // Its own link and a repeated entry are not downloaded again.
    EXPECT_EQ(view.rows.size(), 3u);
    EXPECT_EQ(view.Statuses(), (QStringList{"Finish.", "Finish.", "Finish."})) << Log();
    EXPECT_EQ(view.rows[0][colName], "Stand-in one");
    EXPECT_EQ(view.rows[1][colName], "Stand-in two");
    EXPECT_EQ(view.rows[2][colName], "Stand-in after");
    EXPECT_EQ(g.DownloadCount, 3);
    EXPECT_EQ(g.DownloadSucceeded, 3);
}

// Without yt-dlp the service's exchange behaves as it always did, and each failed link says how to get it.
TEST_F(YtDlpRunTest, WithoutYtDlpEveryFailedLinkSaysHowToGetIt) {
    ThroughServiceStandIn();
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", tools.path().toLocal8Bit().constData(), 1);
    StandInVideo noMap;
    noMap.title = "Today";
    noMap.infoDocument = "status=fail";
    service.AddVideo("nomap", noMap);
    StandInVideo old;
    old.title = "Old";
    old.streams[18].bytes = ServiceStandIn::Wave("media");
    service.AddVideo("old", old);
    Run({QString::fromStdString(ServiceStandIn::WatchLink("nomap")),
         QString::fromStdString(ServiceStandIn::WatchLink("old")), "https://vimeo.com/1"});
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(view.Statuses(), (QStringList{"Failed.", "Finish.", "Failed."})) << Log();
    EXPECT_EQ(view.log.filter("yt-dlp would let the program download this link").size(), 2) << Log();
    EXPECT_EQ(Files(), QStringList{"Old.mp4"});
}

}  // namespace
