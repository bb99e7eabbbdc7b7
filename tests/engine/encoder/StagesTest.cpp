// The encode stage's video sync on its own: hand-built contexts (a raw video encoder into the null muxer),
// pictures at chosen times, and a FrameHost that records what the host would see.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/EncodeStage.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

// (named one by one: the tests are built in batches, and the engine's InputOpening is also a test's name)
using engine::EncodeVideoFrame;
using engine::FrameHost;
using engine::FramePtr;
using engine::MakeCodecContext;
using engine::MakeFrame;
using engine::OutputFile;
using engine::OutputLimit;
using engine::OutputStream;
using engine::RunOptions;

constexpr int64_t kFrameUs = 40000;  // the encoder's time base is 1/25

class RecordingHost : public FrameHost {
public:
    bool stop = false;
    std::vector<int> frameNumbers;
    std::vector<int64_t> timesUs;

    bool StopRequested() const override { return stop; }
    bool WatchesInputPictures() const override { return false; }
    void InputPicture(AVFrame*, int64_t) override {}
    bool WatchesOutputPictures() const override { return true; }
    void OutputPicture(AVFrame*, int64_t timeUs, int frameNumber) override {
        frameNumbers.push_back(frameNumber);
        timesUs.push_back(timeUs);
    }
    void InputSamples(const AVFrame*, int64_t, int) override {}
};

// One output with one 16x16 grey video stream, its header written, ready for EncodeVideoFrame.
struct VideoOutput {
    RunOptions run;
    OutputLimit limit;
    OutputFile of;
    OutputStream ost;

    explicit VideoOutput(int videoSync, int64_t jumpLimitUs) {
        run.jumpLimitUs = jumpLimitUs;
        AVFormatContext* oc = nullptr;
        if (avformat_alloc_output_context2(&oc, nullptr, "null", nullptr) < 0) throw std::bad_alloc();
        of.ctx.reset(oc);
        of.run = &run;
        of.limit = &limit;
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
        ost.kind = AVMEDIA_TYPE_VIDEO;
        ost.codec = codec;
        ost.file = &of;
        ost.videoSync = videoSync;
        ost.st = avformat_new_stream(oc, nullptr);
        ost.enc = MakeCodecContext(codec);
        AVCodecContext* enc = ost.enc.get();
        enc->width = 16;
        enc->height = 16;
        enc->pix_fmt = AV_PIX_FMT_GRAY8;
        enc->time_base = AVRational{1, 25};
        enc->framerate = AVRational{25, 1};
        if (avcodec_open2(enc, codec, nullptr) < 0) throw std::runtime_error("rawvideo encoder");
        ost.encoderOpened = true;
        avcodec_parameters_from_context(ost.st->codecpar, enc);
        ost.st->time_base = enc->time_base;
        if (avformat_write_header(oc, nullptr) < 0) throw std::runtime_error("null muxer header");
        of.headerWritten = true;
    }
    ~VideoOutput() {
        if (of.headerWritten) av_write_trailer(of.ctx.get());
    }

    void Picture(int64_t timeUs, RecordingHost& host) {
        FramePtr pic = MakeFrame();
        pic->width = 16;
        pic->height = 16;
        pic->format = AV_PIX_FMT_GRAY8;
        if (av_frame_get_buffer(pic.get(), 0) < 0) throw std::bad_alloc();
        memset(pic->data[0], 128, pic->linesize[0] * 16);
        pic->pts = timeUs;
        EncodeVideoFrame(of, ost, pic.get(), host);
    }
};

}  // namespace

// Which pictures are encoded how often: the output keeps its rate (constant), its times (variable) or every
// picture (passthrough); the duplicated and dropped pictures are counted in the stream; a jump beyond the
// run's limit is a corrupt time that the picture follows on from, not a gap to fill.
TEST(EncodeStage, VideoSyncDuplicatesDropsAndCountsPerStream) {
    struct Case {
        const char* name;
        int videoSync;
        std::vector<int64_t> inputUs;
        std::vector<int64_t> encodedUs;  // the output time of every picture encoded, in order
        int dup, drop;
    };
    const int64_t hour = 3600 * int64_t(1000000);
    const Case cases[] = {
        {"constant rate fills a gap with copies",
         1,
         {0, kFrameUs, 5 * kFrameUs},
         {0, kFrameUs, 2 * kFrameUs, 3 * kFrameUs, 4 * kFrameUs},
         2,
         0},
        {"constant rate drops a picture that comes too early",
         1,
         {0, kFrameUs, 2 * kFrameUs, kFrameUs / 2},
         {0, kFrameUs, 2 * kFrameUs},
         0,
         1},
        {"variable rate keeps the gap", 2, {0, 5 * kFrameUs}, {0, 5 * kFrameUs}, 0, 0},
        {"constant rate takes a picture less than a frame early",
         1,
         {0, kFrameUs, kFrameUs + kFrameUs / 4},
         {0, kFrameUs, 2 * kFrameUs},
         0,
         0},
        {"variable rate drops it", 2, {0, kFrameUs, kFrameUs + kFrameUs / 4}, {0, kFrameUs}, 0, 1},
        {"passthrough encodes every picture once",
         0,
         {0, 0, 5 * kFrameUs},
         {0, kFrameUs, 5 * kFrameUs},
         0,
         0},
        {"the container chooses: the null muxer takes variable rates",
         -1,
         {0, 5 * kFrameUs},
         {0, 5 * kFrameUs},
         0,
         0},
        {"a jump beyond the run's limit is followed on, not filled",
         1,
         {0, kFrameUs, hour, hour + kFrameUs},
         {0, kFrameUs, 2 * kFrameUs, 3 * kFrameUs},
         0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VideoOutput out(c.videoSync, 60 * int64_t(1000000));
        RecordingHost host;
        for (int64_t t : c.inputUs)
            out.Picture(t, host);
        EXPECT_EQ(host.timesUs, c.encodedUs);
        std::vector<int> numbers;
        for (size_t i = 0; i < c.encodedUs.size(); ++i)
            numbers.push_back(static_cast<int>(i + 1));
        EXPECT_EQ(host.frameNumbers, numbers);
        EXPECT_EQ(out.ost.frameNumber, static_cast<int64_t>(c.encodedUs.size()));
        EXPECT_EQ(out.of.packetsWritten, static_cast<int64_t>(c.encodedUs.size()));
        EXPECT_EQ(out.ost.dupFrames, c.dup);
        EXPECT_EQ(out.ost.dropFrames, c.drop);
    }
}

// A stop, or the task's output limit reached by another stream, ends the copies at once.
TEST(EncodeStage, NoCopyIsEncodedAfterAStopOrAtTheOutputLimit) {
    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "stop" : "output limit");
        VideoOutput out(1, 60 * int64_t(1000000));
        RecordingHost host;
        out.Picture(0, host);
        if (stop)
            host.stop = true;
        else
            out.limit.reached = true;
        out.Picture(5 * kFrameUs, host);
        EXPECT_EQ(out.ost.frameNumber, 1);
        EXPECT_EQ(out.of.packetsWritten, 1);
        EXPECT_EQ(host.frameNumbers, std::vector<int>{1});
    }
}
