// The download run against the loopback stand-in of the service: quality fall-back, failing links, names,
// cancelling in every phase, and what is (and is not) left in the download folder.
#include <gtest/gtest.h>

#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>
#include <map>

#include "RecordingView.h"
#include "ServiceStandIn.h"
#include "core/Dispatcher.h"
#include "download/DownloadRun.h"
#include "download/Quality.h"
#include "engine/FFLoad.h"

using namespace std::chrono_literals;
using namespace download;
using reeltest::RecordingView;
using reeltest::ServiceStandIn;
using reeltest::StandInMedia;
using reeltest::StandInVideo;

namespace {

// The bytes compressed as gzip, as a server may send them whether asked or not.
std::string Gzip(const std::string& bytes) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&z, bytes.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(rc == Z_STREAM_END ? z.total_out : 0);
    deflateEnd(&z);
    return out;
}

StandInMedia Bytes(const std::string& bytes) {
    StandInMedia media;
    media.bytes = bytes;
    return media;
}

// Media of its own for every stream: a short WAV file whose samples name the stream.
std::string Content(int itag) {
    return ServiceStandIn::Wave("stream " + std::to_string(itag) + " " +
                                ServiceStandIn::PatternBytes(itag, 3000 + itag));
}

// A video offering the given streams, each with its own content.
StandInVideo Offering(std::initializer_list<int> itags, const std::string& title = "Clip") {
    StandInVideo video;
    video.title = title;
    for (const int itag : itags)
        video.streams[itag] = Bytes(Content(itag));
    return video;
}

class DownloadRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The run reads every finished video with the engine's probe.
        ASSERT_TRUE(engine::LoadAVLib("")) << engine::AVLibLastErrMsg();
        // Every request goes to the stand-in; nothing leaves the machine.
        setenv("http_proxy", standIn.ProxyAddress().c_str(), 1);
        setenv("https_proxy", standIn.ProxyAddress().c_str(), 1);
        unsetenv("no_proxy");
        unsetenv("NO_PROXY");
        unsetenv("all_proxy");
        unsetenv("ALL_PROXY");
        ASSERT_TRUE(dir.isValid());
        g.OutputURLDir = dir.path() + "/";
        // The built-in exchange alone: yt-dlp is kept off PATH here (YtDlpRunTest covers it).
        if (const char* path = std::getenv("PATH")) savedPath = path;
        setenv("PATH", "/nonexistent", 1);
    }
    void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }

    void Run(const QStringList& ids) {
        view.links.clear();
        for (const QString& id : ids)
            view.links << QString::fromStdString(ServiceStandIn::WatchLink(id.toStdString()));
        view.ended = false;
        g.DownloadedFiles.clear();
        run.StartDownloadRun();
        ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return view.ended; }, 60s)) << log();
        EXPECT_FALSE(run.Running());
    }

    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QByteArray File(const QString& name) const {
        QFile f(dir.path() + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    std::string log() const { return view.log.join('\n').toStdString(); }
    int MediaRequests() const {
        int n = 0;
        for (const auto& r : standIn.Requests())
            n += r.target.find("/videoplayback") != std::string::npos;
        return n;
    }

    std::string savedPath;
    ServiceStandIn standIn;
    QTemporaryDir dir;
    app::TGlobalVars g;
    RecordingView view;
    DownloadRun run{g, view};
};

TEST_F(DownloadRunTest, QualityChoice) {
    struct Case {
        const char* what;
        bool prefer;
        QualityOrder order;
        StandInVideo video;
        const char* status;
        QString file;  // saved as; empty when the link fails
        int itag;      // whose content it holds
        int mediaRequests;
    } cases[] = {
        {"default order, all offered", true, kDefaultQualityOrder, Offering({5, 6, 18, 35, 22, 37}),
         "Finish.", "Clip.mp4", 18, 1},
        {"only HQ35 and HQ22: HQ18 fails at once, HQ22 never tried", true, kDefaultQualityOrder,
         Offering({35, 22}), "Finish.", "Clip.flv", 35, 1},
        {"the order decides", true, kBestQualityOrder, Offering({18, 22, 37}), "Finish.", "Clip.mp4", 37, 1},
        {"only the last of the order offered: the eighth attempt takes it", true, kDefaultQualityOrder,
         Offering({5, 37}), "Finish.", "Clip.mp4", 37, 1},
        {"3GP", true, QualityOrder{4, 5, 0, 1, 2, 3, 6, 7}, Offering({17}), "Finish.", "Clip.3gp", 17, 1},
        {"default and HQ18 with the preference on", true, kDefaultQualityOrder, Offering({5, 18}), "Finish.",
         "Clip.mp4", 18, 1},
        {"only the default stream, preference on: eight failed attempts", true, kDefaultQualityOrder,
         Offering({5}), "Failed.", "", 0, 0},
        {"only the default stream, preference off", false, kDefaultQualityOrder, Offering({5, 18}), "Finish.",
         "Clip.flv", 5, 1},
        {"no default stream, preference off: one attempt", false, kDefaultQualityOrder, Offering({18, 22}),
         "Failed.", "", 0, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& f : Files())
            QFile::remove(dir.path() + "/" + f);
        const int before = MediaRequests();
        standIn.AddVideo("v", c.video);
        g.PreferYouTubeQuality = c.prefer;
        g.QualityOrder = c.order;
        Run({"v"});
        EXPECT_EQ(view.Statuses(), QStringList{c.status});
        EXPECT_EQ(MediaRequests() - before, c.mediaRequests);
        if (c.file.isEmpty()) {
            EXPECT_EQ(Files(), QStringList{});
            EXPECT_EQ(g.DownloadSucceeded, 0);
        } else {
            EXPECT_EQ(Files(), QStringList{c.file});
            EXPECT_EQ(File(c.file), QByteArray::fromStdString(Content(c.itag)));
            EXPECT_EQ(g.DownloadedFiles, QStringList{dir.path() + "/" + c.file});
        }
    }
}

TEST_F(DownloadRunTest, FailedAttemptsFallBackAndLeaveNothing) {
    StandInVideo video = Offering({18, 35, 22});
    video.streams[18].status = 404;
    video.streams[35].cutAfter = 1000;  // announced whole, cut off: a failed attempt, never "Finish."
    standIn.AddVideo("v", video);
    Run({"v"});
    EXPECT_EQ(view.Statuses(), QStringList{"Finish."});
    EXPECT_EQ(Files(), QStringList{"Clip.mp4"});
    EXPECT_EQ(File("Clip.mp4"), QByteArray::fromStdString(Content(22)));
    EXPECT_TRUE(view.qualityLabels.contains("[HQ18] failed, try next: [HQ35]"));
    EXPECT_TRUE(view.qualityLabels.contains("[HQ35] failed, try next: [HQ22]"));
    EXPECT_EQ(view.labels[lblQuality], "[HQ22] - (MP4(H.264), 1280 x 720, Stereo 44KHz AAC)");
    EXPECT_TRUE(view.log.join('\n').contains("status 404")) << log();
    EXPECT_TRUE(view.log.join('\n').contains("cut off after 1000 of")) << log();
    // The row shows what the transfer reported.
    EXPECT_EQ(view.rows[0][colProgress], "100%");
    EXPECT_EQ(view.rows[0][colSize], "0.00MB");
    EXPECT_TRUE(view.rows[0][colSpeed].endsWith(" KB/s"));
    EXPECT_EQ(view.progress, 100);
}

TEST_F(DownloadRunTest, ThreeLinksTheSecondGone) {
    standIn.AddVideo("a", Offering({18}, "First"));
    StandInVideo gone = Offering({18}, "Second");
    gone.pageStatus = 404;
    standIn.AddVideo("b", gone);
    standIn.AddVideo("c", Offering({18}, "Third"));
    Run({"a", "b", "c"});
    EXPECT_EQ(view.Statuses(), (QStringList{"Finish.", "Failed.", "Finish."}));
    EXPECT_EQ(g.DownloadCount, 3);
    EXPECT_EQ(g.DownloadSucceeded, 2);
    EXPECT_EQ(Files(), (QStringList{"First.mp4", "Third.mp4"}));
    EXPECT_EQ(view.rows[1][colName], "http://www.youtube.com/watch?v=b");  // never got a title
    EXPECT_EQ(view.rows[2][colURL], "http://www.youtube.com/get_video_info?video_id=c&");
    EXPECT_TRUE(view.log.join('\n').contains(
        "the video page could not be loaded: the server answered with status 404"))
        << log();

    // What went out: the watch link as pasted, then the information request without the page's token.
    bool sawInfo = false;
    for (const auto& r : standIn.Requests()) {
        EXPECT_EQ(r.headers.at("user-agent"), "[Quorvane]");
        EXPECT_EQ(r.headers.at("accept"), "*/*");
        sawInfo |= r.target == "http://www.youtube.com/get_video_info?video_id=a&";
    }
    EXPECT_TRUE(sawInfo);
}

TEST_F(DownloadRunTest, TitlesBecomeCleanNewNames) {
    standIn.AddVideo("v", Offering({18}, "Part 1: Cats &amp; Dogs"));
    Run({"v"});
    EXPECT_EQ(view.rows[0][colName], "Part 1: Cats & Dogs");
    EXPECT_EQ(view.labels[lblCurrentFile], "Part 1: Cats & Dogs");
    // The second download of the same video, with someone's own "NAME.part" in the way too.
    QFile foreign(dir.path() + "/Part 1_ Cats & Dogs(1).mp4.part");
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("mine");
    foreign.close();
    Run({"v"});
    EXPECT_EQ(Files(), (QStringList{"Part 1_ Cats & Dogs(1).mp4", "Part 1_ Cats & Dogs(1).mp4.part",
                                    "Part 1_ Cats & Dogs.mp4"}));
    EXPECT_EQ(File("Part 1_ Cats & Dogs(1).mp4.part"), "mine");
    EXPECT_EQ(File("Part 1_ Cats & Dogs(1).mp4"), QByteArray::fromStdString(Content(18)));
    EXPECT_EQ(g.DownloadedFiles, QStringList{dir.path() + "/Part 1_ Cats & Dogs(1).mp4"});
}

TEST_F(DownloadRunTest, BadAnswersFailTheLinkWithAReason) {
    struct Case {
        const char* what;
        std::function<void(StandInVideo&)> spoil;
        const char* logged;
        int mediaRequests;
    } cases[] = {
        {"no identifier on the page", [](StandInVideo& v) { v.pageWithoutId = true; }, "status 404", 0},
        {"information refused", [](StandInVideo& v) { v.infoStatus = 500; }, "status 500", 0},
        {"keys after the itag",
         [](StandInVideo& v) { v.infoDocument = "url_encoded_fmt_stream_map=url%3Dx%26itag%3D18%26hd%3D1"; },
         "could not be read", 0},
        {"garbage instead of a document",
         [](StandInVideo& v) { v.infoDocument = std::string("\x01\xfe<html>", 8); },
         "no quality of the video could be downloaded", 0},
        {"a stream map that points at a local file",
         [](StandInVideo& v) {
             v.infoDocument =
                 "url_encoded_fmt_stream_map=" +
                 ServiceStandIn::Escape("url=" + ServiceStandIn::Escape("file:///etc/hostname") + "&itag=18");
         },
         "not a web address", 0},
        {"no title", [](StandInVideo& v) { v.pageWithoutTitle = true; }, nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& f : Files())
            QFile::remove(dir.path() + "/" + f);
        StandInVideo video = Offering({18});
        c.spoil(video);
        standIn.AddVideo("v", video);
        view.log.clear();
        const int before = MediaRequests();
        Run({"v"});
        EXPECT_EQ(MediaRequests() - before, c.mediaRequests);
        if (c.logged) {
            EXPECT_EQ(view.Statuses(), QStringList{"Failed."});
            EXPECT_TRUE(view.log.join('\n').contains(c.logged)) << log();
            EXPECT_EQ(Files(), QStringList{});
        } else {
            EXPECT_EQ(view.Statuses(), QStringList{"Finish."});
            EXPECT_EQ(Files(), QStringList{"v.mp4"});  // the video's identifier, never a hidden ".mp4"
        }
    }
}

// Answers that are no video under a success status: each is a failed attempt (the next quality is
// tried), never a saved file. A body the server compressed is saved decoded.
TEST_F(DownloadRunTest, OnlyMediaIsKeptAndAnythingElseIsAFailedAttempt) {
    const std::string wave = Content(18);
    struct Case {
        const char* what;
        std::string reply;  // the answer to the HQ18 request
        const char* logged;
        const char* file;     // what is saved
        std::string content;  // and holds
    } cases[] = {
        {"empty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "the server sent an empty answer",
         "Clip.flv", Content(35)},
        {"HTML error page",
         "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 23\r\n\r\n<html>Not found</html>\n",
         "the server sent a web page instead of the video", "Clip.flv", Content(35)},
        {"HTML page said to be a video",
         "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nContent-Length: 29\r\n\r\n \n<!DOCTYPE "
         "html><p>gone</p>\n",
         "the server sent a web page instead of the video", "Clip.flv", Content(35)},
        {"garbage", "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n" + ServiceStandIn::PatternBytes(7, 3000),
         "is no video", "Clip.flv", Content(35)},
        {"a part nobody asked for",
         "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes */garbage\r\nContent-Length: " +
             std::to_string(wave.size()) + "\r\n\r\n" + wave,
         "the server's answer broke the HTTP protocol", "Clip.flv", Content(35)},
        {"compressed", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + Gzip(wave), nullptr, "Clip.mp4",
         wave},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& f : Files())
            QFile::remove(dir.path() + "/" + f);
        StandInVideo video = Offering({18, 35});
        video.streams[18].reply = c.reply;
        standIn.AddVideo("v", video);
        view.log.clear();
        Run({"v"});
        EXPECT_EQ(view.Statuses(), QStringList{"Finish."});
        EXPECT_EQ(Files(), QStringList{c.file});
        EXPECT_EQ(File(c.file), QByteArray::fromStdString(c.content));
        if (c.logged) {
            EXPECT_TRUE(view.log.join('\n').contains(c.logged)) << log();
            EXPECT_TRUE(view.qualityLabels.contains("[HQ18] failed, try next: [HQ35]"));
        }
    }
}

// A title that would give a hidden file, or a name of dots, gives way to the video's identifier.
TEST_F(DownloadRunTest, ADownloadsNameNeverStartsWithADot) {
    struct Case {
        const char* title;
        QString file;
    } cases[] = {{"", "v.mp4"}, {"..", "v.mp4"}, {".profile", "profile.mp4"}, {" . ", "v.mp4"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        for (const QString& f : Files())
            QFile::remove(dir.path() + "/" + f);
        standIn.AddVideo("v", Offering({18}, c.title));
        Run({"v"});
        EXPECT_EQ(view.Statuses(), QStringList{"Finish."});
        EXPECT_EQ(Files(), QStringList{c.file});
        EXPECT_EQ(view.rows[0][colName], c.title);  // the row shows the title as it is
    }
}

// A page that never ends is read into memory up to a limit, and the log says so (it is no fault of the
// download folder).
TEST_F(DownloadRunTest, APageLargerThanItsLimitIsReportedAsSuch) {
    standIn.AddVideo("v", Offering({18}));
    run.WinHTTPGetInfoFileURL.MemoryOutputLimit = 64;  // far below the stand-in's page
    Run({"v"});
    EXPECT_EQ(view.Statuses(), QStringList{"Failed."});
    EXPECT_TRUE(
        view.log.join('\n').contains("the video page was not loaded: the server sent more than 64 bytes"))
        << log();
    EXPECT_FALSE(view.log.join('\n').contains("download folder")) << log();
    EXPECT_EQ(Files(), QStringList{});
}

TEST_F(DownloadRunTest, UnwritableFolderFailsWithoutLeavingAnything) {
    QFile blocker(dir.path() + "/not-a-folder");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    g.OutputURLDir = dir.path() + "/not-a-folder/";
    standIn.AddVideo("v", Offering({18, 35}));
    Run({"v"});
    EXPECT_EQ(view.Statuses(), QStringList{"Failed."});
    EXPECT_TRUE(view.log.join('\n').contains("cannot create a file in")) << log();
    EXPECT_EQ(Files(), QStringList{"not-a-folder"});
}

TEST_F(DownloadRunTest, CancelInEveryPhase) {
    // Three links; the second is cancelled in the phase given. The first stays downloaded, nothing of the
    // second is written, and the third never starts.
    enum Phase { page, info, media, betweenLinks };
    struct Case {
        const char* what;
        Phase phase;
    } cases[] = {
        {"watch page", page},
        {"video information", info},
        {"media transfer", media},
        {"between two links", betweenLinks},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& f : Files())
            QFile::remove(dir.path() + "/" + f);
        standIn.AddVideo("a", Offering({18}, "First"));
        StandInVideo second = Offering({18}, "Second");
        second.stallPage = c.phase == page;
        second.stallInfo = c.phase == info;
        second.streams[18].bytes += std::string(200000, 'x');
        second.streams[18].cutAfter = 70000;
        second.streams[18].stall = true;
        standIn.AddVideo("b", second);
        standIn.AddVideo("c", Offering({18}, "Third"));

        // Between two links the cancel comes while the next link's step is queued.
        view.onRowText = [&](int row, DownloadColumn column, const QString& text) {
            if (c.phase == betweenLinks && row == 0 && column == colStatus && text == "Finish.") {
                run.AbortTransfers();
            }
        };
        view.links.clear();
        for (const char* id : {"a", "b", "c"})
            view.links << QString::fromStdString(ServiceStandIn::WatchLink(id));
        view.ended = false;
        run.StartDownloadRun();
        const std::string asked = c.phase == page   ? "watch?v=b"
                                  : c.phase == info ? "get_video_info?video_id=b"
                                                    : "videoplayback?id=b";
        auto requested = [&] {
            for (const auto& r : standIn.Requests())
                if (r.target.find(asked) != std::string::npos) return true;
            return false;
        };
        if (c.phase != betweenLinks) {
            ASSERT_TRUE(core::mainDispatcher().waitUntil(
                [&] {
                    return view.ended ||
                           (requested() && (c.phase != media || view.rows[1][colStatus] == "Downloading..."));
                },
                60s));
            if (c.phase == media) {
                EXPECT_EQ(Files(), (QStringList{"First.mp4", "Second.mp4.part"}));
            }
            run.AbortTransfers();
        }
        ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return view.ended; }, 60s)) << log();
        view.onRowText = nullptr;
        EXPECT_EQ(g.DownloadCount, 3);
        EXPECT_EQ(g.DownloadSucceeded, 1);
        EXPECT_EQ(Files(), QStringList{"First.mp4"});
        EXPECT_EQ(view.rows[2][colStatus], "Waiting...");
    }
}

}  // namespace
