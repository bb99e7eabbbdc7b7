// The input list without a window: probing real generated files into rows, the failure texts of bad ones,
// the list's row operations and action rules, path shortening and the drop filter.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>

#include "FakeWizard.h"
#include "MediaClips.h"
#include "app/FileNameBytes.h"
#include "engine/FFDecode.h"
#include "engine/FFLoad.h"
#include "wizard/InputFiles.h"
#include "wizard/InputList.h"

using namespace wizard;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

MediaClips& Clips() {
    static MediaClips clips;
    return clips;
}

// The audio picture stand-in: a 4 x 2 picture of one colour.
engine::TBitmap AudioPicture() {
    engine::TBitmap b;
    b.Resize(4, 2, 24);
    std::fill(b.Pixels.begin(), b.Pixels.end(), uint8_t(0x7F));
    return b;
}

// Mean brightness of a 24-bit picture, 0..255.
double MeanLevel(const engine::TBitmap& b) {
    double sum = 0;
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width * 3; ++x)
            sum += b.Line(y)[x];
    return sum / (double(b.Width) * b.Height * 3);
}

class InputFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine::LoadAVLib("lib")) << engine::AVLibLastErrMsg(); }

    engine::TFFDecoder decoder;
    ThumbnailList thumbnails;
    engine::TBitmap audioPicture = AudioPicture();
    QStringList log;
    InputProbeContext context{decoder, thumbnails, audioPicture,
                              [](const QString& path) { return QStringLiteral("short:") + path; },
                              [this](const QString& line) { log.append(line); }};
};

struct GoodCase {
    const char* file;
    const char* duration;
    const char* bitrateStart;  // the cell up to the number
    const char* dimension;
    int64_t realDuration;
    int width, height;
    bool audioOnly;
};

TEST_F(InputFilesTest, GoodFilesGiveTheirSlideTextsHiddenFactsAndThumbnail) {
    // clang-format off
    const GoodCase cases[] = {
        {"video.mp4",     "Duration: 00:00:01.000",            "Bit rate: ",         "Dimension: 64 x 48",    1000000, 64, 48, false},
        {"odd.avi",       "Duration: 00:00:01.000",            "Bit rate: ",         "Dimension: 321 x 241",  1000000, 321, 241, false},
        {"still.png",     "Duration: Duration is not preseted", "Bit rate: ",        "Dimension: 64 x 48",    0, 64, 48, false},
        {"nodur.m4v",     "Duration: Duration is not preseted", "Bit rate: Bit rate is not preseted", "Dimension: 64 x 48", 0, 64, 48, false},
        {"audio.flac",    "Duration: 00:00:01.000",            "Audio Bit rate: ",   "Audio Encoder: flac",   1000000, -1, -1, true},
        {"clé 日本.mp4",  "Duration: 00:00:01.000",            "Bit rate: ",         "Dimension: 64 x 48",    1000000, 64, 48, false},
    };
    // clang-format on
    for (const GoodCase& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = Clips().Path(QString::fromUtf8(c.file));
        const ProbeResult probe = ProbeInputFile(context, path);
        ASSERT_TRUE(probe.item) << probe.error.toStdString();
        const InputItem& item = *probe.item;
        EXPECT_EQ(item.FileFullName, path);
        EXPECT_EQ(item.FileMinName, "short:" + path);
        EXPECT_EQ(item.Duration, c.duration);
        EXPECT_THAT(item.Bitrate.toStdString(), StartsWith(c.bitrateStart));
        EXPECT_THAT(item.Dimension.toStdString(), StartsWith(c.dimension));
        EXPECT_EQ(item.RealDuration, c.realDuration);
        EXPECT_EQ(item.Width, c.width);
        EXPECT_EQ(item.Height, c.height);
        EXPECT_EQ(item.AudioOnly, c.audioOnly);
        ASSERT_NE(item.Thumbnail, nullptr);
        if (c.audioOnly) {
            EXPECT_EQ(item.Thumbnail->Pixels, audioPicture.Pixels);
            EXPECT_EQ(item.AspectRatio, -1.0);
        } else {
            // A real picture from the file: no larger than the slide's picture area, and not black.
            EXPECT_FALSE(item.Thumbnail->Empty());
            EXPECT_LE(item.Thumbnail->Width, kThumbnailWidth);
            EXPECT_LE(item.Thumbnail->Height, kThumbnailHeight);
            EXPECT_GT(MeanLevel(*item.Thumbnail), 20.0);
            EXPECT_NEAR(item.AspectRatio, double(c.width) / c.height, 0.01);
        }
        EXPECT_FALSE(decoder.IsOpen());
    }
}

TEST_F(InputFilesTest, KnownBitRatesAreWholeKbps) {
    const ProbeResult video = ProbeInputFile(context, Clips().Path("video.mp4"));
    ASSERT_TRUE(video.item);
    EXPECT_THAT(video.item->Bitrate.toStdString(), ::testing::MatchesRegex("Bit rate: [0-9]+ Kbps"));
    const ProbeResult audio = ProbeInputFile(context, Clips().Path("audio.flac"));
    ASSERT_TRUE(audio.item);
    EXPECT_EQ(audio.item->Bitrate, "Audio Bit rate: Bit rate is not preseted");
}

TEST_F(InputFilesTest, TheThumbnailIsTakenFromTheMiddleOfTheFile) {
    // testsrc draws a moving frame counter: the first and the middle picture differ.
    const ProbeResult probe = ProbeInputFile(context, Clips().Path("long.mp4"));
    ASSERT_TRUE(probe.item);
    engine::TFFDecoder first;
    ASSERT_TRUE(first.LoadFile(Clips().Path("long.mp4").toStdString()));
    ASSERT_TRUE(first.Decode());
    engine::TBitmap start;
    ASSERT_TRUE(first.CopyToBitmap(start));
    EXPECT_NE(ScaleDownToFit(start, kThumbnailWidth, kThumbnailHeight).Pixels, probe.item->Thumbnail->Pixels);
}

TEST_F(InputFilesTest, BadFilesAreRefusedWithAMessageNamingThem) {
    const QString folder = Clips().dir() + "/folder.avi";
    QDir().mkpath(folder);
    const QString cases[] = {
        Clips().Write("empty.avi", QByteArray()),
        Clips().Truncated("video.mp4", "truncated.mp4", 600),
        Clips().Write("text.avi", QByteArray("just some text, not a video\n").repeated(40)),
        // Subtitles the libraries read, but nothing to convert.
        Clips().Write("subtitles.avi",
                      "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n2\n00:00:03,000 --> "
                      "00:00:04,000\nAgain\n\n"),
        folder,
        Clips().dir() + "/missing.mp4",
    };
    for (const QString& path : cases) {
        SCOPED_TRACE(path.toStdString());
        const ProbeResult probe = ProbeInputFile(context, path);
        EXPECT_FALSE(probe.item);
        EXPECT_THAT(probe.error.toStdString(), HasSubstr(path.toStdString()));
        EXPECT_FALSE(decoder.IsOpen());
    }
}

TEST_F(InputFilesTest, ABatchListsTheGoodFilesInOrderAndReturnsEveryFailure) {
    InputListModel list;
    const QString missing1 = Clips().dir() + "/gone1.avi";
    const QString missing2 = Clips().dir() + "/gone2.avi";
    const QString text = Clips().Write("notes.avi", "plain text\n");
    const QStringList failed =
        AddInputFilesTo(list, context,
                        {Clips().Path("audio.flac"), missing1, Clips().Path("video.mp4"), text,
                         Clips().Path("video.mp4"), missing2});
    // Audio first, then video: the texts are chosen per file; the same file twice gives two rows.
    ASSERT_EQ(list.Count(), 3);
    EXPECT_THAT(list.Cell(0, InputListModel::NxTextColumnBitrate).toStdString(),
                StartsWith("Audio Bit rate: "));
    EXPECT_THAT(list.Cell(0, InputListModel::NxTextColumnDimension).toStdString(),
                StartsWith("Audio Encoder: "));
    EXPECT_THAT(list.Cell(1, InputListModel::NxTextColumnBitrate).toStdString(), StartsWith("Bit rate: "));
    EXPECT_EQ(list.Cell(1, InputListModel::NxTextColumnDimension), "Dimension: 64 x 48");
    EXPECT_EQ(list.Cell(2, InputListModel::NxTextColumnFileFullName), Clips().Path("video.mp4"));
    // The hidden columns hold the numbers as text; an audio file's picture size is unknown.
    EXPECT_EQ(list.Cell(1, InputListModel::NxTextColumnRealDuration), "1000000");
    EXPECT_EQ(list.Cell(0, InputListModel::NxTextColumnWidth), "-1");
    EXPECT_EQ(list.Cell(0, InputListModel::NxTextColumnAspectRatio), "-1");
    EXPECT_EQ(list.Cell(1, InputListModel::NxTextColumnHeight), "48");

    ASSERT_EQ(failed.size(), 3);
    EXPECT_THAT(failed[0].toStdString(), HasSubstr(missing1.toStdString()));
    EXPECT_THAT(failed[1].toStdString(), HasSubstr(text.toStdString()));
    EXPECT_THAT(failed[2].toStdString(), HasSubstr(missing2.toStdString()));
    ASSERT_EQ(log.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(log[i], "File load error: " + failed[i]);
    EXPECT_EQ(thumbnails.Count(), 3);
}

TEST(InputListModel, RowsMoveDeleteAndClearAsTheListSays) {
    InputListModel list;
    for (const char* name : {"a", "b", "c", "d"}) {
        InputItem item;
        item.FileFullName = QString::fromLatin1(name);
        list.Append(item);
    }
    auto order = [&list] {
        QString s;
        for (const InputItem& i : list.Items())
            s += i.FileFullName;
        return s;
    };
    struct Move {
        int from, to;
        bool moved;
        const char* after;
    };
    // clang-format off
    const Move moves[] = {
        {0, 1, true, "bacd"},  // down one
        {1, 0, true, "abcd"},  // up one
        {0, 3, true, "bcda"},  // dragged to the end
        {3, 0, true, "abcd"},  // dragged to the top
        {2, 2, false, "abcd"},
        {-1, 0, false, "abcd"},
        {0, 4, false, "abcd"},
    };
    // clang-format on
    for (const Move& m : moves) {
        SCOPED_TRACE(::testing::Message() << m.from << "->" << m.to);
        EXPECT_EQ(list.MoveRow(m.from, m.to), m.moved);
        EXPECT_EQ(order(), m.after);
    }
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    list.Remove(1);
    EXPECT_EQ(order(), "acd");
    list.Remove(7);
    EXPECT_EQ(removed.count(), 1);
    list.Clear();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.columnCount(), 17);
    EXPECT_EQ(list.headerData(5, Qt::Horizontal).toString(), "NxTextColumnFileFullName");
}

TEST(InputListModel, ActionStatesAndTheSelectionAfterDelete) {
    struct Case {
        int rows, selected;
        InputActionStates states;  // Delete, Clear, MoveUp, MoveDown, Play
    };
    // clang-format off
    const Case cases[] = {
        {0, -1, {false, false, false, false, false}},
        {3, -1, {false, true,  false, false, false}},
        {3,  0, {true,  true,  false, true,  true}},   // first row: no Move Up
        {3,  1, {true,  true,  true,  true,  true}},
        {3,  2, {true,  true,  true,  false, true}},   // last row: no Move Down
        {1,  0, {true,  true,  false, false, true}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rows << " rows, selected " << c.selected);
        EXPECT_EQ(InputActionStatesFor(c.rows, c.selected), c.states);
    }
    EXPECT_EQ(SelectionAfterDelete(1, 2), 1);   // the following row
    EXPECT_EQ(SelectionAfterDelete(2, 2), 1);   // the last row went: the new last one
    EXPECT_EQ(SelectionAfterDelete(0, 0), -1);  // the only row went: no selection
}

TEST(InputText, DurationAndBitRateTexts) {
    EXPECT_EQ(DurationText(205480000), "00:03:25.480");
    EXPECT_EQ(DurationText(0), "00:00:00.000");
    EXPECT_EQ(DurationText(-1), "Duration is not preseted");
    EXPECT_EQ(BitRateText(128999), "128 Kbps");
    EXPECT_EQ(BitRateText(999), "0 Kbps");
    EXPECT_EQ(BitRateText(0), "Bit rate is not preseted");
    EXPECT_EQ(BitRateText(-1), "Bit rate is not preseted");
}

TEST(InputText, MinimizeNameDropsFoldersFromTheFrontOfThePath) {
    const auto chars = [](const QString& s) { return int(s.size()); };
    struct Case {
        const char* path;
        int width;
        const char* shown;
    };
    // clang-format off
    const Case cases[] = {
        {"/home/ann/videos/clip.avi", 100, "/home/ann/videos/clip.avi"},
        {"/home/ann/videos/clip.avi", 24,  "/.../ann/videos/clip.avi"},
        {"/home/ann/videos/clip.avi", 20,  "/.../videos/clip.avi"},
        {"/home/ann/videos/clip.avi", 13,  "/.../clip.avi"},
        {"/home/ann/videos/clip.avi", 12,  ".../clip.avi"},
        {"/home/ann/videos/clip.avi", 5,   "clip.avi"},
        {"clip.avi",                  3,   "clip.avi"},
        {"videos/clip.avi",           14,  ".../clip.avi"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.path << " in " << c.width);
        EXPECT_EQ(MinimizeName(QString::fromUtf8(c.path), c.width, chars), c.shown);
    }
}

TEST(InputText, DropsTakeKnownMediaFilesOnly) {
    const QString folder = Clips().dir() + "/dropped.mp4";
    QDir().mkpath(folder);
    const QStringList taken = FilterDroppedFiles(
        {"/x/a.MP4", folder, "/x/b.mpeg", "/x/c.txt", "/x/d.flac", "/x/noext", "/x/e.avi"});
    EXPECT_THAT(taken, ElementsAre("/x/a.MP4", "/x/d.flac", "/x/e.avi"));
}

TEST(InputText, CommandLineFilesBecomeAbsolutePaths) {
    const QStringList files = FilesFromCommandLine(
        {"reelwright", "a.mp4", "../b c.flac", "/abs/d.avi", "file:///x/%C3%A9t%C3%A9.mp4", ""},
        "/home/ann/videos");
    EXPECT_THAT(files, ElementsAre("/home/ann/videos/a.mp4", "/home/ann/b c.flac", "/abs/d.avi",
                                   QString::fromUtf8("/x/été.mp4")));
}

TEST(InputText, CommandLineFilesKeepTheirBytes) {
    // A Latin-1 name, as an argument and as a "file:" address (percent-encoded, or with the raw byte).
    const QStringList files =
        FilesFromCommandLine({"reelwright", app::FileNameFromBytes("lat\xe9.mp4"), "file:///x/lat%E9.mp4",
                              app::FileNameFromBytes("file:///x/raw\xe9 1.mp4")},
                             "/home/ann");
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(app::FileNameToBytes(files[0]), "/home/ann/lat\xe9.mp4");
    EXPECT_EQ(app::FileNameToBytes(files[1]), "/x/lat\xe9.mp4");
    EXPECT_EQ(app::FileNameToBytes(files[2]), "/x/raw\xe9 1.mp4");
}

TEST(InputText, ScaleDownKeepsTheAspectAndTheColours) {
    engine::TBitmap wide;
    wide.Resize(640, 240, 24);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 640; ++x)
            wide.Line(y)[x * 3 + 2] = x < 320 ? 255 : 0;  // red left half, black right half
    const engine::TBitmap small = ScaleDownToFit(wide, 128, 88);
    EXPECT_EQ(small.Width, 128);
    EXPECT_EQ(small.Height, 48);
    EXPECT_EQ(small.Line(10)[10 * 3 + 2], 255);
    EXPECT_EQ(small.Line(10)[100 * 3 + 2], 0);
    const engine::TBitmap fits = ScaleDownToFit(small, 128, 88);
    EXPECT_EQ(fits.Pixels, small.Pixels);
}

}  // namespace
