// The download run against the loopback stand-in of the service: quality fall-back, failing links, names,
// cancelling in every phase, and what is (and is not) left in the download folder.
#include <gtest/gtest.h>

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

using namespace std::chrono_literals;
using namespace download;
using reeltest::RecordingView;
using reeltest::ServiceStandIn;
using reeltest::StandInMedia;
using reeltest::StandInVideo;

namespace {

StandInMedia Bytes(const std::string& bytes) {
    StandInMedia media;
    media.bytes = bytes;
    return media;
}

std::string Content(int itag) {
    return "stream " + std::to_string(itag) + " " + ServiceStandIn::PatternBytes(itag, 3000 + itag);
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
        // Every request goes to the stand-in; nothing leaves the machine.
        setenv("http_proxy", standIn.ProxyAddress().c_str(), 1);
        setenv("https_proxy", standIn.ProxyAddress().c_str(), 1);
        unsetenv("no_proxy");
        unsetenv("NO_PROXY");
        unsetenv("all_proxy");
        unsetenv("ALL_PROXY");
        ASSERT_TRUE(dir.isValid());
        g.OutputURLDir = dir.path() + "/";
        // The service's exchange as specified: no yt-dlp to go on with (its own tests are YtDlpRunTest).
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
            EXPECT_EQ(Files(), QStringList{".mp4"});  // only the extension, like any other name
        }
    }
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
