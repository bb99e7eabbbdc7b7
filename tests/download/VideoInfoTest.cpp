// The watch page, the stream map and the saved name, on ordinary and hostile input.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include "download/VideoInfo.h"

using namespace download;

TEST(VideoInfo, URLDecode) {
    struct Case {
        const char* in;
        QString out;
    } cases[] = {
        {"a+b", "a b"},   {"%41%62", "Ab"},
        {"%2B", "+"},     {"100%25", "100%"},
        {"%00x", "x"},  // byte 0 is dropped
        {"%zz1", "1"},  // not hexadecimal: the three characters go
        {"%4", ""},     // too short at the end
        {"%", ""},        {"%C3%A9", QString::fromLatin1("\xC3\xA9")},  // bytes, not characters
        {"%252C", "%2C"},                                               // decoded once only
    };
    for (const auto& c : cases)
        EXPECT_EQ(URLDecode(QString::fromLatin1(c.in)), c.out) << c.in;
}

TEST(VideoInfo, WatchPage) {
    const QString info = "http://www.youtube.com/get_video_info?";
    struct Case {
        const char* page;
        QString title, address;
    } cases[] = {
        {"<meta name=\"title\" content=\"Cats &amp; Dogs\">\nx video_id=Ab_1-x&t=tok&hl=en", "Cats & Dogs",
         info + "video_id=Ab_1-x&"},
        {"<meta name=\"title\" content=\"a:b/c\">", "a:b/c", info},  // no identifier: ends with "?"
        {"<title>no tag</title> video_id=1&", "", info + "video_id=1&"},
        {"<meta name=\"title\" content=\"line\nbreak\"> video_id=a&b video_id=c&", "line\nbreak",
         info + "video_id=a&"},  // the first, shortest match
        {"<meta name=\"title\" content=\"caf\xC3\xA9\">", QString::fromUtf8("caf\xC3\xA9"), info},
        {"<META NAME=\"title\" content=\"x\">", "", info},  // case counts
        {"", "", info},
    };
    for (const auto& c : cases) {
        const WatchPage page = ReadWatchPage(QByteArray(c.page));
        EXPECT_EQ(page.title, c.title) << c.page;
        EXPECT_EQ(page.infoAddress, c.address) << c.page;
        // The identifier is what the address carries between "video_id=" and "&".
        EXPECT_EQ(page.videoId,
                  c.address.mid(info.size() + 9).chopped(c.address.size() > info.size() ? 1 : 0))
            << c.page;
    }
}

namespace {
// A stream map entry as the service writes it: the address escaped once, and the whole map escaped again.
QString Entry(const QString& url, int itag, const QString& between = "&quality=medium&type=video%2Fmp4") {
    return "url=" + QString::fromLatin1(QUrl::toPercentEncoding(url)) + between +
           "&itag=" + QString::number(itag);
}
QByteArray Document(const QStringList& entries) {
    return "status=ok&url_encoded_fmt_stream_map=" + QUrl::toPercentEncoding(entries.join(',')) + "&token=x";
}
}  // namespace

TEST(VideoInfo, StreamMapFillsTheSlots) {
    app::TGlobalVars streams;
    ParseVideoInfo(Document({Entry("http://m/v?id=1&itag=18", 18), Entry("http://m/v?a,b", 5, ""),
                             Entry("http://m/22first", 22), Entry("http://m/22second", 22),
                             Entry("http://m/unknown", 43)}),
                   streams);
    EXPECT_EQ(streams.StreamSlots[1], "http://m/v?id=1&itag=18&quality=medium&type=video/mp4");
    EXPECT_EQ(streams.StreamDefault, "http://m/v?a,b");  // an escaped comma does not split entries
    EXPECT_EQ(streams.StreamSlots[3], "http://m/22second&quality=medium&type=video/mp4");
    for (const int empty : {0, 2, 4, 5, 6, 7})
        EXPECT_TRUE(streams.StreamSlots[empty].isEmpty()) << empty;
}

TEST(VideoInfo, DocumentsWithoutAUsableMap) {
    struct Case {
        const char* what;
        QByteArray document;
        bool throws;
    } cases[] = {
        {"no map", "status=fail&reason=gone", false},
        {"empty", "", false},
        {"binary garbage", QByteArray("\x00\xff&&%%\x01", 8), false},
        {"entry without itag", Document({"url=http%3A%2F%2Fm%2Fx&quality=hd"}), true},
        {"keys after the itag", Document({Entry("http://m/x", 18) + "&fallback_host=y"}), true},
        {"itag not a number", Document({"url=x&itag=eighteen"}), true},
        {"empty entry",
         "url_encoded_fmt_stream_map=" + QUrl::toPercentEncoding(Entry("http://m/x", 18) + ",,"), true},
        {"map without value", "url_encoded_fmt_stream_map", false},
    };
    for (const auto& c : cases) {
        app::TGlobalVars streams;
        if (c.throws) {
            EXPECT_THROW(ParseVideoInfo(c.document, streams), VideoInfoError) << c.what;
        } else {
            EXPECT_NO_THROW(ParseVideoInfo(c.document, streams)) << c.what;
            EXPECT_TRUE(streams.StreamDefault.isEmpty()) << c.what;
            for (const QString& slot : streams.StreamSlots)
                EXPECT_TRUE(slot.isEmpty()) << c.what;
        }
    }
}

TEST(VideoInfo, SavedNameIsCleanAndNew) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    struct Case {
        QString title, extension, name;
        QString videoId = QString();
    } cases[] = {
        {"a:b/c?", ".mp4", "a_b_c_.mp4"},
        {"taken", ".flv", "taken(1).flv"},
        {"Cats & Dogs", ".3gp", "Cats & Dogs.3gp"},
        {QString("a\nb") + QChar(0) + "c", ".flv", "a_b_c.flv"},
        {QString(150, QChar(0x4E2D)), ".mp4", QString(66, QChar(0x4E2D)) + ".mp4"},  // 450 bytes cut to 198
        // Never a hidden file nor one of dots: the identifier, else "video", stands in for a title.
        {"", ".flv", "Ab_1-x.flv", "Ab_1-x"},
        {"", ".flv", "video.flv"},
        {"..", ".mp4", "Ab_1-x.mp4", "Ab_1-x"},
        {" . .", ".mp4", "video.mp4"},
        {".hidden", ".mp4", "hidden.mp4", "Ab_1-x"},
        {"", ".mp4", "video.mp4", "..."},
        {"", ".mp4", "_etc_passwd.mp4", "../etc/passwd"},
        {"  Spaced out  ", ".mp4", "Spaced out.mp4"},
        {"Mr. Dot.", ".mp4", "Mr. Dot..mp4"},
    };
    QFile taken(folder + "taken.flv");
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    for (const auto& c : cases)
        EXPECT_EQ(DownloadFileName(c.title, c.extension, dir.path(), c.videoId), folder + c.name)
            << c.title.toStdString() << " / " << c.videoId.toStdString();
}
