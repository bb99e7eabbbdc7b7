// The pieces of the yt-dlp source on their own: the child-process runner against small shell programs, the
// reading of progress and information, the link rule with yt-dlp installed.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>

#include "core/Dispatcher.h"
#include "download/ChildProcess.h"
#include "download/LinkList.h"
#include "download/YtDlp.h"

using namespace std::chrono_literals;
using namespace download;

namespace {

struct ChildRecord {
    std::vector<std::string> out, err;
    std::optional<ChildExit> exit;
};

ChildProcess::Handlers Recording(ChildRecord& r) {
    return {[&r](const std::string& l) { r.out.push_back(l); },
            [&r](const std::string& l) { r.err.push_back(l); }, [&r](const ChildExit& e) { r.exit = e; }};
}

bool Alive(pid_t pid) {
    return pid > 0 && ::kill(pid, 0) == 0;
}

// Ended: no longer there, or a zombie waiting for whoever adopted it.
bool Ended(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
}

pid_t ReadPid(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toInt() : 0;
}

TEST(ChildProcess, LinesArriveInOrderAndTheExitLast) {
    ChildRecord r;
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(
        child.Start({"/bin/sh", "-c",
                     "printf 'one\\r\\ntwo\\n'; echo oops >&2; head -c 300000 /dev/zero | tr '\\0' x; "
                     "printf '\\nlast without end'; exit 3"},
                    Recording(r), 0, &error))
        << error;
    ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return r.exit.has_value(); }, 60s));
    ASSERT_EQ(r.out.size(), 4u);
    EXPECT_EQ(r.out[0], "one");
    EXPECT_EQ(r.out[1], "two");
    EXPECT_EQ(r.out[2], std::string(300000, 'x'));
    EXPECT_EQ(r.out[3], "last without end");
    EXPECT_EQ(r.err, std::vector<std::string>{"oops"});
    EXPECT_EQ(r.exit->exitCode, 3);
    EXPECT_FALSE(r.exit->stalled || r.exit->stopped);
}

TEST(ChildProcess, AProgramThatCannotRunIsReported) {
    ChildRecord r;
    ChildProcess child;
    std::string error;
    EXPECT_FALSE(child.Start({"/nonexistent/yt-dlp"}, Recording(r), 0, &error));
    EXPECT_NE(error.find("/nonexistent/yt-dlp"), std::string::npos) << error;
}

// A silent child, a stopped child that ignores TERM, and a child dropped while running: each time the whole
// group goes, including what the child started in the background.
TEST(ChildProcess, StallStopAndDropEndTheWholeGroup) {
    QTemporaryDir dir;
    enum How { stall, stop, drop };
    for (How how : {stall, stop, drop}) {
        SCOPED_TRACE(how);
        const QString pidFile = dir.filePath(QString::number(how));
        const std::string script =
            "trap '' TERM; sleep 600 & echo $! > '" + pidFile.toStdString() + "'; echo started; wait; wait";
        ChildRecord r;
        auto child = std::make_unique<ChildProcess>();
        ASSERT_TRUE(child->Start({"/bin/sh", "-c", script}, Recording(r), how == stall ? 1 : 0, nullptr));
        ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return !r.out.empty(); }, 60s));
        const pid_t helper = ReadPid(pidFile);
        ASSERT_TRUE(Alive(helper));
        const auto before = std::chrono::steady_clock::now();
        if (how == stop) child->Stop();
        if (how == drop) {
            child.reset();  // waits for the group's end
        } else {
            ASSERT_TRUE(core::mainDispatcher().waitUntil([&] { return r.exit.has_value(); }, 60s));
            EXPECT_EQ(r.exit->signal, SIGKILL);  // TERM was ignored
            EXPECT_EQ(r.exit->stalled, how == stall);
            EXPECT_EQ(r.exit->stopped, how == stop);
        }
        EXPECT_GE(std::chrono::steady_clock::now() - before,
                  std::chrono::seconds(ChildProcess::kGraceSeconds));
        // The helper ends within moments of the group's KILL.
        EXPECT_TRUE(core::mainDispatcher().waitUntil([&] { return Ended(helper); }, 5s));
    }
}

TEST(YtDlpProgress, OnlyWellFormedLinesCount) {
    struct Case {
        const char* line;
        bool read;
        std::int64_t downloaded, total;
        int percent;
        std::int64_t eta, elapsed;
    } cases[] = {
        {"[reelwright-progress] 512 2048 NA 1024.5 3 1.9", true, 512, 2048, 25, 3, 1},
        {"[reelwright-progress] 300 NA 1000 NA NA 0.2", true, 300, 1000, 30, 0, 0},    // the estimate
        {"[reelwright-progress] 300 NA NA NA NA NA", true, 300, 0, 0, 0, 0},           // length unknown
        {"[reelwright-progress] 5000 1000 NA NA NA NA", true, 5000, 1000, 100, 0, 0},  // over its size
        {"[reelwright-progress] NA 1000 NA NA NA NA", false, 0, 0, 0, 0, 0},
        {"[reelwright-progress] -5 1000 NA NA NA NA", false, 0, 0, 0, 0, 0},
        {"[reelwright-progress] 1e999 1000 NA NA NA NA", false, 0, 0, 0, 0, 0},
        {"[reelwright-progress] 10 20", false, 0, 0, 0, 0, 0},
        {"[download]  12.5% of 1.00MiB at 10.00KiB/s ETA 00:10", false, 0, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto p = ParseProgressLine(QString::fromLatin1(c.line));
        ASSERT_EQ(p.has_value(), c.read);
        if (!p) continue;
        EXPECT_EQ(p->downloaded, c.downloaded);
        EXPECT_EQ(p->total, c.total);
        EXPECT_EQ(p->percent, c.percent);
        EXPECT_EQ(p->eta, c.eta);
        EXPECT_EQ(p->elapsed, c.elapsed);
    }
    const auto nan = ParseProgressLine("[reelwright-progress] nan 10 NA NA NA NA");
    EXPECT_FALSE(nan.has_value());
}

TEST(YtDlpInfo, AnswersAndLabels) {
    const auto video =
        ParseYtDlpInfo(R"({"title": "Cats", "format_id": "137+140", "ext": "mp4", "width": 1920,
        "height": 1080, "vcodec": "avc1.640028", "acodec": "mp4a.40.2", "formats": []})");
    ASSERT_TRUE(video);
    EXPECT_FALSE(video->playlist);
    EXPECT_EQ(video->title, "Cats");
    EXPECT_EQ(YtDlpQualityLabel(*video), "[137+140] - (MP4(H.264), 1920 x 1080, AAC)");

    const auto known = ParseYtDlpInfo(R"({"title": "x", "format_id": "18", "ext": "mp4", "height": 360,
        "vcodec": "avc1.42001E", "acodec": "mp4a.40.2"})");
    ASSERT_TRUE(known);
    EXPECT_EQ(YtDlpQualityLabel(*known), "[HQ18] - (MP4(H.264), 360p, AAC)");

    const auto page = ParseYtDlpInfo(R"({"title": "x", "format_id": "0", "ext": "webm", "vcodec": null})");
    ASSERT_TRUE(page);
    EXPECT_EQ(YtDlpQualityLabel(*page), "[0] - (WEBM, size as offered, audio as offered)");

    const auto list = ParseYtDlpInfo(R"({"_type": "playlist", "title": "List", "entries": [
        {"url": "https://example.org/a", "title": "A"}, {"url": "file:///etc/passwd"}, {"id": "b"},
        {"url": "b", "webpage_url": "https://example.org/b"}]})");
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->playlist);
    ASSERT_EQ(list->entries.size(), 2u);  // a local file and an entry without an address are not videos
    EXPECT_EQ(list->entries[0].url, "https://example.org/a");
    EXPECT_EQ(list->entries[1].url, "https://example.org/b");

    for (const char* bad : {"", "not json", "[1, 2]", R"({"title": "no format"})"})
        EXPECT_FALSE(ParseYtDlpInfo(bad).has_value()) << bad;
}

TEST(YtDlpLinks, OtherSitesAreLinksOnlyWithYtDlp) {
    struct Case {
        const char* line;
        bool withoutYtDlp, withYtDlp;
    } cases[] = {
        {"http://www.youtube.com/watch?v=abc", true, true},
        {"https://vimeo.com/12345", false, true},
        {"  http://127.0.0.1:8080/page.html", false, true},
        {"vimeo.com/12345", false, false},  // no scheme: not a web link
        {"ftp://example.org/video.mp4", false, false},
        {"file:///home/me/video.mp4", false, false},
        {"http://", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        for (const bool otherSites : {false, true}) {
            QStringList rows;
            QStringList refused;
            AddLinks(
                {QString::fromLatin1(c.line)}, rows,
                [&](const QString& m) {
                    refused << m;
                    return true;
                },
                otherSites);
            const bool accepted = otherSites ? c.withYtDlp : c.withoutYtDlp;
            EXPECT_EQ(rows.size(), accepted ? 1 : 0);
            if (!accepted) {
                EXPECT_TRUE(refused.value(0).endsWith(kNotALink));
            }
        }
    }
}

TEST(YtDlpProgram, StoredPathThenPath) {
    QTemporaryDir dir;
    const QString own = dir.filePath("my-yt-dlp");
    QFile f(own);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8());
    EXPECT_EQ(FindYtDlp(own), QString()) << "not executable";
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    EXPECT_EQ(FindYtDlp(own), own);
    EXPECT_EQ(FindYtDlp(QString()), QString());  // none on PATH
    QFile::copy(own, dir.filePath("yt-dlp"));
    EXPECT_EQ(FindYtDlp(dir.filePath("gone")), dir.filePath("yt-dlp"));
    qputenv("PATH", savedPath);
}

}  // namespace
