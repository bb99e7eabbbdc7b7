#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <filesystem>
#include <fstream>

#include "LogCollector.h"
#include "MediaFixtures.h"
#include "engine/EngineError.h"
#include "engine/FFDecode.h"
#include "engine/FFLoad.h"
#include "engine/UnicodeProtocol.h"

using namespace engine;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace fs = std::filesystem;

namespace {

class DecoderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadAVLib("lib")) << AVLibLastErrMsg(); }

    bool Logged(TLogLevel level, const std::string& msg) {
        for (const LoggedLine& l : log.lines())
            if (l.level == level && l.msg == msg && l.sender == &dec) return true;
        return false;
    }

    void ExpectClosed() {
        EXPECT_FALSE(dec.IsOpen());
        EXPECT_EQ(dec.FileSize(), -1);
        EXPECT_EQ(dec.StreamCount(), -1);
        EXPECT_EQ(dec.VideoStreamCount(), -1);
        EXPECT_EQ(dec.FirstVideoStreamIndex(), -1);
        EXPECT_EQ(dec.FirstAudioStreamIndex(), -1);
    }

    LogCollector log{llDebug};
    TFFDecoder dec;
};

}  // namespace

TEST_F(DecoderTest, ReportsTheFactsAndRecordsOfAFile) {
    const std::string path = fixtures::Path("video.mp4");
    ASSERT_TRUE(dec.LoadFile(path)) << dec.LastErrMsg();
    EXPECT_EQ(dec.FileName(), path);
    EXPECT_EQ(dec.FormatName(), "");
    EXPECT_EQ(dec.FileSize(), static_cast<int64_t>(fs::file_size(path)));
    EXPECT_EQ(dec.StreamCount(), 2);
    EXPECT_EQ(dec.ProgramCount(), 0);
    EXPECT_EQ(dec.VideoStreamCount(), 1);
    EXPECT_EQ(dec.AudioStreamCount(), 1);
    EXPECT_EQ(dec.SubtitleStreamCount(), 0);
    EXPECT_EQ(dec.FirstVideoStreamIndex(), 0);
    EXPECT_EQ(dec.FirstAudioStreamIndex(), 1);
    EXPECT_EQ(dec.FirstSubtitleStreamIndex(), -1);

    TFileStreamInfo file;
    ASSERT_TRUE(dec.GetFileStreamInfo(file));
    EXPECT_NEAR(file.Duration, 4000000, 150000);
    EXPECT_GE(file.StartTime, 0);
    EXPECT_GT(file.BitRate, 0);
    EXPECT_EQ(file.Title, "Probe Title");
    EXPECT_EQ(file.Author, "Probe Artist");
    EXPECT_EQ(file.Genre, "");

    TVideoStreamInfo video;
    ASSERT_TRUE(dec.GetVideoStreamInfo(-1, video));
    EXPECT_EQ(video.Width, 160);
    EXPECT_EQ(video.Height, 96);
    EXPECT_THAT(video.CodecName, StartsWith("mpeg4(MPEG-4 part 2"));
    EXPECT_NEAR(video.DisplayAspectRatio, 160.0 / 96.0, 0.001);
    EXPECT_EQ(video.FrameRateNum, 10);
    EXPECT_EQ(video.FrameRateDen, 1);
    EXPECT_EQ(video.PixFmt, 0);  // yuv420p
    EXPECT_NEAR(video.Duration, 4000000, 150000);
    EXPECT_GT(video.DurationPTS, 0);
    EXPECT_EQ(video.Language, "und");

    TAudioStreamInfo audio;
    ASSERT_TRUE(dec.GetAudioStreamInfo(-1, audio));
    EXPECT_EQ(audio.CodecName, "aac(AAC (Advanced Audio Coding))");
    EXPECT_EQ(audio.Channels, 1);
    EXPECT_EQ(audio.SampleRate, 22050);
    EXPECT_GT(audio.BitRate, 0);

    dec.CloseFile();
    ExpectClosed();
    EXPECT_EQ(dec.FileName(), "");
    EXPECT_TRUE(Logged(llWarning, "file not loaded."));
    EXPECT_FALSE(dec.GetFileStreamInfo(file));
    EXPECT_EQ(file.Duration, -1);
    EXPECT_EQ(file.Title, "");
}

TEST_F(DecoderTest, StreamChoiceErrorsLeaveTheRecordCleared) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("video.mp4")));
    const struct {
        bool audio;
        int index;
        const char* msg;
    } cases[] = {{true, 5, "stream index #5 is invalid."},
                 {true, 0, "stream #0 is not audio stream."},
                 {false, 1, "stream #1 is not video stream."},
                 {false, 2, "stream index #2 is invalid."}};
    for (const auto& c : cases) {
        TAudioStreamInfo a;
        TVideoStreamInfo v;
        a.Channels = v.Width = 99;
        EXPECT_FALSE(c.audio ? dec.GetAudioStreamInfo(c.index, a) : dec.GetVideoStreamInfo(c.index, v));
        EXPECT_EQ(dec.LastErrMsg(), c.msg);
        EXPECT_TRUE(Logged(llError, c.msg)) << c.msg;
        EXPECT_EQ(c.audio ? a.Channels : v.Width, -1);
        EXPECT_EQ(c.audio ? a.CodecName : v.CodecName, "");
    }
    EXPECT_FALSE(dec.Decode(1));
    EXPECT_EQ(dec.LastErrMsg(), "stream #1 is not video stream.");
}

TEST_F(DecoderTest, AudioOnlyFileHasNoVideo) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("audio.wav")));
    EXPECT_EQ(dec.FirstVideoStreamIndex(), -1);
    EXPECT_EQ(dec.VideoStreamCount(), 0);
    EXPECT_EQ(dec.FirstAudioStreamIndex(), 0);
    TVideoStreamInfo video;
    EXPECT_FALSE(dec.GetVideoStreamInfo(-1, video));
    EXPECT_EQ(video.Width, -1);
    EXPECT_FLOAT_EQ(video.DisplayAspectRatio, -1.0f);
    EXPECT_TRUE(Logged(llError, "no video stream."));
    EXPECT_FALSE(dec.Decode(-1));
    EXPECT_EQ(dec.LastErrMsg(), "no video stream.");
    TAudioStreamInfo audio;
    ASSERT_TRUE(dec.GetAudioStreamInfo(-1, audio));
    EXPECT_EQ(audio.CodecName, "pcm_s16le(PCM signed 16-bit little-endian)");
    EXPECT_EQ(audio.SampleRate, 22050);
    EXPECT_TRUE(dec.Seek(0, 500000));  // audio is the seek reference
}

TEST_F(DecoderTest, StreamWithoutContainerDurationReportsUnknown) {
    const std::string path = fixtures::Path("nodur.m4v");
    ASSERT_TRUE(dec.LoadFile(path)) << dec.LastErrMsg();
    TFileStreamInfo file;
    ASSERT_TRUE(dec.GetFileStreamInfo(file));
    EXPECT_EQ(file.Duration, -1);
    EXPECT_EQ(dec.FileSize(), static_cast<int64_t>(fs::file_size(path)));
    EXPECT_TRUE(dec.Decode(-1));
}

TEST_F(DecoderTest, ThumbnailFromTheMiddle) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("video.mp4")));
    TFileStreamInfo file;
    ASSERT_TRUE(dec.GetFileStreamInfo(file));
    TBitmap bmp;
    EXPECT_FALSE(dec.CopyToBitmap(bmp));
    EXPECT_EQ(dec.LastErrMsg(), "picture not ready, please decode first");
    ASSERT_TRUE(dec.Seek(0, file.Duration / 2)) << dec.LastErrMsg();
    ASSERT_TRUE(dec.Decode(dec.FirstVideoStreamIndex())) << dec.LastErrMsg();
    EXPECT_NEAR(dec.PicturePTS(), 2000000, 1000001);
    EXPECT_TRUE(dec.KeyFrame());
    ASSERT_TRUE(dec.CopyToBitmap(bmp)) << dec.LastErrMsg();
    EXPECT_EQ(bmp.Width, 160);
    EXPECT_EQ(bmp.Height, 96);
    EXPECT_EQ(bmp.BitsPixel, 24);
    EXPECT_EQ(bmp.Stride, 480);
    EXPECT_EQ(bmp.Pixels.size(), 480u * 96u);
    EXPECT_THAT(log.messages(), Contains(StartsWith("decode PTS: ")));
}

// With no key picture after the middle, the thumbnail comes from the key picture before it.
TEST_F(DecoderTest, ThumbnailOfAClipWithOneKeyPicture) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("onekey.mp4")));
    TFileStreamInfo file;
    ASSERT_TRUE(dec.GetFileStreamInfo(file));
    ASSERT_TRUE(dec.Seek(0, file.Duration / 2)) << dec.LastErrMsg();
    ASSERT_TRUE(dec.Decode(dec.FirstVideoStreamIndex())) << dec.LastErrMsg();
    EXPECT_EQ(dec.PicturePTS(), 0);
}

TEST_F(DecoderTest, DecodesEveryPictureThenReportsTheEndUntilASeek) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("odd.avi")));
    int pictures = 0;
    int64_t lastPts = -1;
    while (dec.Decode(-1) && pictures < 100) {
        EXPECT_GT(dec.PicturePTS(), lastPts);
        EXPECT_EQ(dec.PrevPicturePTS(), lastPts);
        lastPts = dec.PicturePTS();
        ++pictures;
    }
    EXPECT_EQ(pictures, 20);  // 2 s at 10 pictures a second, none lost at the end
    EXPECT_EQ(dec.LastErrMsg(), "stream eof reached.");
    EXPECT_TRUE(dec.EndOfStream());
    EXPECT_FALSE(dec.Decode(-1));
    EXPECT_TRUE(Logged(llInfo, "stream eof reached."));

    ASSERT_TRUE(dec.Seek(0, 0));
    EXPECT_FALSE(dec.EndOfStream());
    ASSERT_TRUE(dec.Decode(-1));
    EXPECT_EQ(dec.PicturePTS(), 0);
}

TEST_F(DecoderTest, OddSizedPicturesGoThroughTheScaler) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("odd.avi")));
    ASSERT_TRUE(dec.Decode(-1));
    TBitmap bmp;
    ASSERT_TRUE(dec.CopyToBitmap(bmp));
    EXPECT_EQ(bmp.Width, 161);
    EXPECT_EQ(bmp.Height, 97);
    EXPECT_EQ(bmp.Stride, 484);  // 483 bytes of pixels, padded to 32 bits
}

TEST_F(DecoderTest, BitmapIsBlueGreenRed) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("blue.avi")));
    ASSERT_TRUE(dec.Decode(-1));
    TBitmap bmp;
    ASSERT_TRUE(dec.CopyToBitmap(bmp));
    const uint8_t* px = bmp.Line(bmp.Height / 2) + 3 * (bmp.Width / 2);
    EXPECT_NEAR(px[0], 255, 12);  // blue first
    EXPECT_NEAR(px[1], 0, 12);
    EXPECT_NEAR(px[2], 0, 12);
}

TEST_F(DecoderTest, DeinterlacedPicturesKeepTheirSize) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("odd.avi")));
    dec.SetDeinterlace(true);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(dec.Decode(-1)) << dec.LastErrMsg();
    EXPECT_TRUE(dec.Deinterlace()) << "deinterlacing was given up";
    TBitmap bmp;
    ASSERT_TRUE(dec.CopyToBitmap(bmp));
    EXPECT_EQ(bmp.Width, 161);
    EXPECT_EQ(bmp.Height, 97);
}

TEST_F(DecoderTest, StillImageIsNotSeekedAndDecodesAgainAndAgain) {
    for (const std::string forced : {"", "image2"}) {
        ASSERT_TRUE(dec.LoadFile(fixtures::Path("still.png"), forced)) << dec.LastErrMsg();
        EXPECT_EQ(dec.FormatName(), forced);
        const std::string name = dec.FormatContext()->iformat->name;
        EXPECT_FALSE(dec.Seek(0, 0));
        EXPECT_EQ(dec.LastErrMsg(), "\"" + name + "\" format cannot to be seeked.");
        EXPECT_TRUE(Logged(llInfo, dec.LastErrMsg()));
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(dec.Decode(-1)) << "call " << i << ": " << dec.LastErrMsg();
            TBitmap bmp;
            ASSERT_TRUE(dec.CopyToBitmap(bmp));
            ASSERT_EQ(bmp.Width, 64);
            EXPECT_NEAR(bmp.Line(10)[30], 255, 2);  // the generator's blue is 254
            EXPECT_EQ(bmp.Line(10)[31], 0);
            EXPECT_EQ(bmp.Line(10)[32], 0);
        }
    }
}

TEST_F(DecoderTest, BadInputsFailWithTheNameAndTheReason) {
    const std::string dir = fixtures::Dir();
    std::ifstream in(fixtures::Path("video.mp4"), std::ios::binary);
    const std::string video((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string random = [] {
        std::string s(4096, '\0');
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<char>((i * 2654435761u) >> 13);
        return s;
    }();
    fs::create_directories(dir + "/folder.mp4");
    const struct {
        std::string path;
        const char* reason;  // nullptr: any text
    } cases[] = {
        {dir + "/missing.mp4", "No such file or directory"},
        {dir + "/folder.mp4", "Is a directory"},
        {fixtures::WriteFile("zero.mp4", ""), nullptr},
        {fixtures::WriteFile("text.mp4", "This is a text file, not a movie.\nSecond line.\n"), nullptr},
        {fixtures::WriteFile("truncated.mp4", video.substr(0, video.size() / 2)), nullptr},
        {fixtures::WriteFile("random.avi", random), nullptr},
    };
    for (const auto& c : cases) {
        log.clear();
        EXPECT_FALSE(dec.LoadFile(c.path)) << c.path;
        EXPECT_THAT(dec.LastErrMsg(), StartsWith(c.path + ": ")) << c.path;
        EXPECT_GT(dec.LastErrMsg().size(), c.path.size() + 2) << c.path;
        if (c.reason) {
            EXPECT_EQ(dec.LastErrMsg(), c.path + ": " + c.reason);
        }
        ExpectClosed();
    }
    // A file with the wrong extension is still read by its content.
    const std::string renamed = fixtures::WriteFile("really-mp4.wav", video);
    EXPECT_TRUE(dec.LoadFile(renamed)) << dec.LastErrMsg();
    EXPECT_EQ(dec.VideoStreamCount(), 1);
}

TEST_F(DecoderTest, UnreadableFileFails) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string path = fixtures::WriteFile("locked.mp4", "data");
    fs::permissions(path, fs::perms::none);
    EXPECT_FALSE(dec.LoadFile(path));
    EXPECT_EQ(dec.LastErrMsg(), path + ": Permission denied");
}

TEST_F(DecoderTest, UnknownForcedFormatIsKeptButNotLogged) {
    EXPECT_FALSE(dec.LoadFile(fixtures::Path("video.mp4"), "nosuchformat"));
    EXPECT_EQ(dec.LastErrMsg(), "Unknown input format: nosuchformat");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(DecoderTest, NonAsciiNamesOpenInBothForms) {
    const std::string path = fixtures::Dir() + "/vidéo ünï 日本.mp4";
    fs::copy_file(fixtures::Path("video.mp4"), path, fs::copy_options::overwrite_existing);
    ASSERT_TRUE(dec.LoadFile(path)) << dec.LastErrMsg();
    EXPECT_EQ(dec.FileName(), path);
    ASSERT_TRUE(dec.LoadFile(EncodeUnicodeName(path))) << dec.LastErrMsg();
    EXPECT_EQ(dec.FileName(), path);
    EXPECT_TRUE(dec.Decode(-1));
}

TEST_F(DecoderTest, ADamagedMiddleStillReportsTheFacts) {
    ASSERT_TRUE(dec.LoadFile(fixtures::Path("corrupt-middle.avi"))) << dec.LastErrMsg();
    EXPECT_EQ(dec.VideoStreamCount(), 1);
    TFileStreamInfo file;
    ASSERT_TRUE(dec.GetFileStreamInfo(file));
    EXPECT_GT(file.Duration, 0);
    dec.Seek(0, file.Duration / 2);  // may or may not find a picture; must not crash or hang
    int calls = 0;
    while (dec.Decode(-1) && ++calls < 100) {
    }
    EXPECT_LT(calls, 100);
}

TEST_F(DecoderTest, ABorrowedContainerIsReportedButNeverSeekedOrClosed) {
    AVFormatContext* ctx = nullptr;
    ASSERT_EQ(avformat_open_input(&ctx, fixtures::Path("video.mp4").c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(ctx, nullptr), 0);
    dec.AttachContext(ctx);
    EXPECT_TRUE(dec.IsBorrowed());
    EXPECT_EQ(dec.StreamCount(), 2);
    EXPECT_EQ(dec.FirstAudioStreamIndex(), 1);
    TAudioStreamInfo audio;
    EXPECT_TRUE(dec.GetAudioStreamInfo(-1, audio));
    try {
        dec.Seek(0, 0);
        ADD_FAILURE() << "seeked a borrowed container";
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(), "file cannot be seeked, handle is readonly.");
    }
    EXPECT_TRUE(Logged(llError, "file cannot be seeked, handle is readonly."));
    dec.CloseFile();
    ExpectClosed();
    EXPECT_EQ(ctx->nb_streams, 2u);  // still open: its owner closes it
    avformat_close_input(&ctx);
}

TEST_F(DecoderTest, RefusesToWorkBeforeTheLibrariesAreLoaded) {
    const struct {
        TLibrary lib;
        const char* text;
    } cases[] = {{libAVCodec, "LibAVCodec not loaded."},
                 {libAVFormat, "LibAVFormat not loaded."},
                 {libAVUtil, "LibAVUtil not loaded."},
                 {libSwScale, "LibSwScale not loaded."}};
    for (const auto& c : cases) {
        FFLoader().UnloadLib(c.lib);
        try {
            dec.LoadFile(fixtures::Path("video.mp4"));
            ADD_FAILURE() << "loaded without " << c.text;
        } catch (const EngineError& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
        ASSERT_TRUE(LoadAVLib("lib"));
    }
}

TEST(CodecDescription, FallsBackForCodecsWithoutADecoder) {
    AVCodecParameters* par = avcodec_parameters_alloc();
    par->codec_id = AV_CODEC_ID_NONE;
    par->codec_tag = MKTAG('a', 'b', 'c', 'd');
    EXPECT_EQ(CodecDescription(par), "abcd / 0x64636261");
    par->codec_tag = 0x01;
    EXPECT_EQ(CodecDescription(par), "0x0001");
    par->codec_id = static_cast<AVCodecID>(0x20000);
    EXPECT_EQ(CodecDescription(par), "mpeg2ts");
    par->codec_id = AV_CODEC_ID_H264;
    EXPECT_EQ(CodecDescription(par), "h264(H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)");
    avcodec_parameters_free(&par);
}

namespace {

// A TCP listener on a free loopback port that records whether anyone connected; a connection is closed at
// once, so a reader that got through fails quickly instead of waiting for an answer.
class ConnectionWatch {
public:
    ConnectionWatch() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd_, 8) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            pollfd p{fd_, POLLIN, 0};
            while (!stop_ && poll(&p, 1, 50) >= 0) {
                if (!(p.revents & POLLIN)) continue;
                const int c = accept(fd_, nullptr, nullptr);
                if (c >= 0) {
                    connected_ = true;
                    close(c);
                }
            }
        });
    }
    ~ConnectionWatch() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        close(fd_);
    }
    int Port() const { return port_; }
    bool Connected() const { return connected_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false}, connected_{false};
    std::thread thread_;
};

}  // namespace

TEST_F(DecoderTest, ALocalPlaylistCannotMakeTheProbeReachTheNetwork) {
    // A playlist with local segments still opens: the local list keeps what such files need.
    const std::string dir = fixtures::Dir() + "/hls/";
    fs::create_directories(dir);
    ASSERT_TRUE(
        fixtures::Run("ffmpeg -v error -y -f lavfi -i testsrc=s=64x48:r=10:d=2 -c:v mpeg2video -f hls "
                      "-hls_time 1 -hls_list_size 0 -hls_segment_filename '" +
                      dir + "seg%d.ts' '" + dir + "local.m3u8'"));
    ASSERT_TRUE(dec.LoadFile(dir + "local.m3u8")) << dec.LastErrMsg();
    dec.CloseFile();

    ConnectionWatch watch;
    ASSERT_GT(watch.Port(), 0);
    const std::string address = "http://127.0.0.1:" + std::to_string(watch.Port());
    const struct {
        const char* name;
        std::string text;
    } playlists[] = {
        {"remote-segment.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1.0,\n" + address +
                                    "/seg.ts\n#EXTINF:1.0,\nseg0.ts\n#EXT-X-ENDLIST\n"},
        {"remote-key.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXT-X-KEY:METHOD=AES-128,URI=\"" + address +
                                "/key\"\n#EXTINF:1.0,\nseg0.ts\n#EXT-X-ENDLIST\n"},
    };
    for (const auto& p : playlists) {
        SCOPED_TRACE(p.name);
        std::ofstream(dir + p.name) << p.text;
        if (dec.LoadFile(dir + p.name)) dec.CloseFile();
        EXPECT_FALSE(watch.Connected());
    }
    EXPECT_EQ(InputProtocolWhitelist(ToLibraryName(dir + "local.m3u8")), "file,crypto,data");
    EXPECT_EQ(InputProtocolWhitelist("https://example.com/a.m3u8"),
              "http,https,tcp,tls,crypto,data,httpproxy");
}
