// The transcoding loop: outputs read back with the engine's probe.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <mutex>

#include "EncoderFixtures.h"
#include "engine/FFLoad.h"
#include "engine/FFLog.h"

using namespace engine;

namespace {

class Transcode : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadAVLib("")) << AVLibLastErrMsg(); }
};

constexpr int64_t kFrame = 40000;  // one frame at 25 fps, microseconds

}  // namespace

TEST_F(Transcode, H264AacMp4MatchesTheRequest) {
    TOutputOptions o;
    o.VideoCodec = "libx264";
    o.AudioCodec = "libfaac";
    o.FrameSize = "96x64";
    o.FrameRate = "15";
    o.AudioChannels = 1;
    o.AudioSampleRate = 22050;
    o.VideoBitrate = 200000;
    const std::string out = encfix::Output("h264.mp4");
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    ASSERT_TRUE(f.opened);
    EXPECT_EQ(f.vcodec, "h264");
    EXPECT_EQ(f.video.Width, 96);
    EXPECT_EQ(f.video.Height, 64);
    EXPECT_DOUBLE_EQ(double(f.video.FrameRateNum) / f.video.FrameRateDen, 15.0);
    EXPECT_EQ(f.acodec, "aac");
    EXPECT_EQ(f.audio.Channels, 1);
    EXPECT_EQ(f.audio.SampleRate, 22050);
    EXPECT_NEAR(f.video.Duration, 2000000, 1000000 / 15 + 1000);  // within a frame of the output rate
    EXPECT_NEAR(f.file.Duration, 2000000, 2 * kFrame + 50000);    // audio priming of the encoder
}

TEST_F(Transcode, ResamplesAndUpmixes) {
    TOutputOptions o;
    o.AudioSampleRate = 44100;
    o.AudioChannels = 2;
    const std::string out = encfix::Output("up.wav");
    const TTerminateInfo r = encfix::Convert(encfix::Input("a48.wav"), out, o);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    EXPECT_EQ(f.audio.SampleRate, 44100);
    EXPECT_EQ(f.audio.Channels, 2);
    EXPECT_NEAR(f.file.Duration, 1000000, 5000);
    const std::vector<int16_t> s = encfix::DecodeS16(out);
    ASSERT_GT(s.size(), 44100u);
    // both channels carry the mono signal
    int differing = 0;
    for (size_t i = 0; i + 1 < s.size(); i += 2)
        differing += std::abs(s[i] - s[i + 1]) > 1;
    EXPECT_EQ(differing, 0);
}

// A resampler holds back the last samples of its input (its filter's delay): they reach the output at the end
// of the stream and when a joined input no longer needs resampling, so no sample of a second is lost.
TEST_F(Transcode, ResamplingKeepsTheLastSamples) {
    struct Case {
        const char* what;
        std::vector<std::string> inputs;  // one second each
        int rate, channels, volume;
        size_t values;  // interleaved 16-bit values in the output
    };
    const Case cases[] = {
        {"48 kHz mono to 44.1 kHz stereo", {"a48.wav"}, 44100, 2, -1, 2 * 44100},
        {"48 kHz to 22.05 kHz, louder", {"a48.wav"}, 22050, 1, 512, 22050},
        {"48 kHz to 8 kHz", {"a48.wav"}, 8000, 1, -1, 8000},
        {"44.1 kHz to 48 kHz", {"a44.wav"}, 48000, 1, -1, 48000},
        {"nothing to convert", {"a48.wav"}, 48000, 1, -1, 48000},
        {"joined: resampled, then not", {"a48.wav", "a44.wav"}, 44100, 1, -1, 2 * 44100},
        {"joined: not, then resampled", {"a44.wav", "a48.wav"}, 44100, 1, -1, 2 * 44100},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> inputs;
        for (const std::string& name : c.inputs)
            inputs.push_back(encfix::Input(name));
        TOutputOptions o;
        o.Join = c.inputs.size() > 1;
        o.AudioSampleRate = c.rate;
        o.AudioChannels = c.channels;
        o.AudioVolume = c.volume;
        const std::string out = encfix::Output("tail" + std::to_string(n++) + ".wav");
        const TTerminateInfo result = encfix::Convert(inputs, out, o);
        ASSERT_TRUE(result.Finished && !result.ErrorOccurred) << result.ErrorMessage;
        const std::vector<int16_t> s = encfix::DecodeS16(out);
        EXPECT_EQ(s.size(), c.values);
        // the end is the sine's last samples, not silence
        ASSERT_GE(s.size(), 8u);
        EXPECT_TRUE(std::any_of(s.end() - 8, s.end(), [](int16_t v) { return std::abs(v) > 100; }));
    }
}

TEST_F(Transcode, VolumeClampsSixteenBitSamples) {
    TOutputOptions o;
    o.AudioVolume = 512;
    const std::string out = encfix::Output("loud.wav");
    const TTerminateInfo r = encfix::Convert(encfix::Input("loud.wav"), out, o);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
    const std::vector<int16_t> s = encfix::DecodeS16(out);
    ASSERT_EQ(s.size(), 4000u);
    EXPECT_EQ(std::count(s.begin(), s.end(), 32767), 4000);

    TOutputOptions half;
    half.AudioVolume = 128;  // 20000 * 128 + 128 >> 8 = 10000
    const std::string out2 = encfix::Output("half.wav");
    ASSERT_TRUE(encfix::Convert(encfix::Input("loud.wav"), out2, half).Finished);
    const std::vector<int16_t> h = encfix::DecodeS16(out2);
    ASSERT_FALSE(h.empty());
    EXPECT_EQ(h[100], 10000);
}

TEST_F(Transcode, PictureSizeChangeMidwayIsScaledAndLogged) {
    TFFLogger logger;
    logger.SetLogLevel(llError);
    std::mutex lock;
    std::vector<std::string> lines;
    logger.SetOnLog([&](TLogSender, TThreadID, TLogLevel, const std::string& m) {
        std::lock_guard<std::mutex> g(lock);
        lines.push_back(m);
    });
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    const std::string out = encfix::Output("sizes.mp4");
    const TTerminateInfo r = encfix::Convert(encfix::Input("sizes.ts"), out, o);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    EXPECT_EQ(f.video.Width, 160);
    EXPECT_EQ(f.video.Height, 120);
    EXPECT_NEAR(f.video.Duration, 2000000, 3 * kFrame);
    bool logged = false;
    for (const std::string& l : lines)
        logged = logged || l.find("frame size changed to 96x64") != std::string::npos;
    EXPECT_TRUE(logged);
}

// Every picture goes through the stream's filter graph: the user's filters may choose the size (which the
// encoder then rounds), deinterlacing comes first, and a plain graph converts size and pixel format.
TEST_F(Transcode, FilterGraphGivesTheEncoderWhatItTakes) {
    struct Case {
        const char* name;
        const char* codec;
        const char* size;  // "" keeps the size the filters give
        const char* ext;
        int width, height;
    };
    const Case cases[] = {
        {"vf=crop=71:49:0:0", "libx264", "", "filtered.mp4", 70, 48},  // filters choose, x264 rounds to even
        {"deinterlace=1", "mpeg4", "64x48", "deint.avi", 64, 48},      // yadif, then the scaler to the size
        {"", "mjpeg", "", "mjpeg.avi", 0, 0},                          // another pixel format, same size
        {"vf=scale=88:72", "mpeg4", "48x32", "scaled-twice.avi", 48, 32},  // the output size wins at the end
    };
    const encfix::Facts source = encfix::Probe(encfix::Input("av.mp4"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name[0] ? c.name : c.codec);
        TOutputOptions o;
        o.VideoCodec = c.codec;
        o.FrameSize = c.size;
        o.ExtOptions = c.name;
        const std::string out = encfix::Output(c.ext);
        const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
        ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
        const encfix::Facts f = encfix::Probe(out);
        EXPECT_EQ(f.video.Width, c.width ? c.width : source.video.Width);
        EXPECT_EQ(f.video.Height, c.height ? c.height : source.video.Height);
        EXPECT_NEAR(f.video.Duration, 2000000, 3 * kFrame);
    }
}

TEST_F(Transcode, JoinedInputsFollowOneAnother) {
    TFFEncoder enc;
    std::vector<TTerminateInfo> notices;
    int64_t total = 0;
    enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) { notices.push_back(i); };
    enc.OnProgress = [&](TFFEncoder*, PProgressInfo p) { total = p->TotalDuration; };
    const int task = enc.AddTask(encfix::Input("av.mp4"));
    ASSERT_GE(task, 0) << enc.LastErrMsg();
    ASSERT_TRUE(enc.AddInputFile(task, encfix::Input("av2.mp4"))) << enc.LastErrMsg();
    TOutputOptions o;
    o.Join = true;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "libfaac";
    const std::string out = encfix::Output("joined.mp4");
    ASSERT_TRUE(enc.SetOutputFile(task, out, &o)) << enc.LastErrMsg();
    enc.StartTask(0);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_TRUE(notices[0].Finished) << notices[0].ErrorMessage;
    EXPECT_FALSE(notices[0].ErrorOccurred) << notices[0].ErrorMessage;
    EXPECT_NEAR(total, 3000000, 100000);
    const encfix::Facts f = encfix::Probe(out);
    EXPECT_EQ(f.videoStreams, 1);
    EXPECT_EQ(f.audioStreams, 1);
    EXPECT_NEAR(f.video.Duration, 3000000, kFrame);
    EXPECT_NEAR(f.audio.Duration, 3000000, 100000);
}

// The quality figure of the progress reports is the encoder's quantiser (lambda / FF_QP2LAMBDA): within the
// codec's range, or -1 where the encoder gives none. libx264 marks its drained packets with a lambda of -118,
// which read unsigned made the last report of every file show q=36398028.0.
TEST_F(Transcode, ProgressQualityIsTheEncodersQuantiser) {
    struct Case {
        const char* video;
        const char* audio;
        const char* file;
        float highest;  // the codec's largest quantiser; -1: the encoder reports none
    };
    const Case cases[] = {{"libx264", "libfaac", "q.mp4", 69},
                          {"mpeg4", "libfaac", "q.avi", 31},
                          {"libtheora", "libvorbis", "q.ogg", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.video);
        TFFEncoder enc;
        std::vector<float> qualities;
        enc.OnProgress = [&](TFFEncoder*, PProgressInfo p) { qualities.push_back(p->Quality); };
        const int task = enc.AddTask(encfix::Input("av.mp4"));
        ASSERT_GE(task, 0) << enc.LastErrMsg();
        TOutputOptions o;
        o.VideoCodec = c.video;
        o.AudioCodec = c.audio;
        ASSERT_TRUE(enc.SetOutputFile(task, encfix::Output(c.file), &o)) << enc.LastErrMsg();
        enc.StartTask(0);
        ASSERT_FALSE(qualities.empty());
        for (float q : qualities)
            EXPECT_TRUE(q == -1 || (q >= 0 && q <= c.highest)) << q;
        // The last report (after the drain) keeps the last real quantiser.
        if (c.highest > 0) {
            EXPECT_GT(qualities.back(), 0);
        }
    }
}

TEST_F(Transcode, RecordingTimeAndStartPosition) {
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "libfaac";
    o.StartTime = 500000;
    o.RecordingTime = 1000000;
    const std::string out = encfix::Output("cut.mp4");
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    EXPECT_NEAR(f.video.Duration, 1000000, kFrame);
    EXPECT_NEAR(f.audio.Duration, 1000000, 100000);
}

TEST_F(Transcode, StreamCopyAndItsRefusals) {
    TOutputOptions o;
    o.VideoCodec = "copy";
    o.AudioCodec = "copy";
    o.ExtOptions = "vbsf=dump_extra";
    const std::string out = encfix::Output("copy.mkv");
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    EXPECT_EQ(f.vcodec, "mpeg4");
    EXPECT_EQ(f.acodec, "aac");
    EXPECT_NEAR(f.file.Duration, 2000000, 2 * kFrame);

    TOutputOptions vol;
    vol.AudioCodec = "copy";
    vol.AudioVolume = 512;
    const std::string out2 = encfix::Output("copyvol.mkv");
    const TTerminateInfo r2 = encfix::Convert(encfix::Input("av.mp4"), out2, vol);
    EXPECT_FALSE(r2.Finished);
    EXPECT_EQ(r2.ErrorMessage, "-acodec copy and -vol are incompatible (frames are not decoded)");
    EXPECT_FALSE(encfix::Exists(out2));  // left empty, so deleted
}

TEST_F(Transcode, FailedTaskLeavesNoEmptyFileAndKeepsExistingOnes) {
    TOutputOptions o;
    o.VideoCodec = "h263";
    o.FrameSize = "161x121";  // h263 takes only its five picture sizes
    o.DisableAudio = true;
    const std::string out = encfix::Output("refused.mp4");
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), out, o);
    EXPECT_TRUE(r.ErrorOccurred);
    EXPECT_NE(r.ErrorMessage.find("Error while opening encoder for output stream #0.0 (Video)"),
              std::string::npos)
        << r.ErrorMessage;
    EXPECT_FALSE(encfix::Exists(out));

    // an empty file that was there before is not the task's to delete
    const std::string existing = encfix::Output("existing.mp4");
    std::ofstream(existing).close();
    encfix::Convert(encfix::Input("av.mp4"), existing, o);
    EXPECT_TRUE(encfix::Exists(existing));
}

TEST_F(Transcode, CorruptPacketsAreSkipped) {
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    const std::string out = encfix::Output("fromcorrupt.mp4");
    const TTerminateInfo r = encfix::Convert(encfix::Input("corrupt.avi"), out, o);
    EXPECT_TRUE(r.Finished) << r.ErrorMessage;
    const encfix::Facts f = encfix::Probe(out);
    EXPECT_TRUE(f.opened);
    EXPECT_GT(f.video.Duration, 0);
}

TEST_F(Transcode, TwoPassWritesAndReadsItsStatisticsOneFilePerOutput) {
    // two outputs of one task at different rates: each has its own statistics file
    const std::string prefix = encfix::Output("stats");
    for (int pass : {1, 2}) {
        TFFEncoder enc;
        std::vector<TTerminateInfo> notices;
        enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) { notices.push_back(i); };
        const int task = enc.AddTask(encfix::Input("av.mp4"));
        ASSERT_GE(task, 0) << enc.LastErrMsg();
        for (int rate : {150000, 400000}) {
            TOutputOptions o;
            o.VideoCodec = "mpeg4";
            o.VideoBitrate = rate;
            o.DisableAudio = true;
            o.ExtOptions = "pass=" + std::to_string(pass) + "\npasslogfile=" + prefix;
            ASSERT_TRUE(enc.SetOutputFile(task, encfix::Output("pass.mp4"), &o)) << enc.LastErrMsg();
        }
        enc.StartTask(0);
        ASSERT_FALSE(notices.empty());
        EXPECT_TRUE(notices[0].Finished && !notices[0].ErrorOccurred)
            << "pass " << pass << ": " << notices[0].ErrorMessage;
        EXPECT_TRUE(encfix::Exists(prefix + "-0.log"));
        EXPECT_TRUE(encfix::Exists(prefix + "-1.log"));
    }
    for (const char* suffix : {"-0.log", "-1.log"}) {
        std::ifstream in(prefix + suffix);
        const std::string stats((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(stats.rfind("in:0 ", 0), 0u) << suffix;
        EXPECT_EQ(stats.find("in:0 ", 1), std::string::npos) << suffix << ": written by two outputs";
    }
}

TEST_F(Transcode, VideoStatisticsNameEachPicturesTypeAndRate) {
    const std::string stats = encfix::Output("vstats.log");
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.GOPSize = 10;
    o.DisableAudio = true;
    o.ExtOptions = "vstats_file=" + stats;
    const TTerminateInfo r = encfix::Convert(encfix::Input("av.mp4"), encfix::Output("vstats.mp4"), o);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;

    std::ifstream in(stats);
    std::string line, types;
    while (std::getline(in, line)) {
        int frame = 0, size = 0;
        float q = 0, kB = 0, time = 0, rate = 0, average = 0;
        char type = 0;
        ASSERT_EQ(
            std::sscanf(line.c_str(),
                        "frame= %d q= %f f_size= %d s_size= %fkB time= %f br= %fkbits/s avg_br= %fkbits/s "
                        "type= %c",
                        &frame, &q, &size, &kB, &time, &rate, &average, &type),
            8)
            << line;
        EXPECT_NEAR(rate, size * 8 * 25 / 1000.0, 0.1) << line;  // the picture's bits at 25 pictures a second
        types += type;
    }
    ASSERT_EQ(types.size(), 50u);  // 2 s at 25 fps
    EXPECT_EQ(types.front(), 'I');
    EXPECT_GE(std::count(types.begin(), types.end(), 'I'), 5) << types;  // at least one every 10 pictures
    EXPECT_GT(std::count(types.begin(), types.end(), 'P'), 30) << types;
}

// One input stream may be copied into one output and encoded for another (two outputs of a task, or a map
// that sends it to both): each copying output gets every packet, each encoding output every picture.
TEST_F(Transcode, OneStreamCopiedForOneOutputAndEncodedForAnother) {
    const std::string source = encfix::Input("av.mp4");
    auto packets = [](const std::string& path, const char* kind) {
        return encfix::Capture(std::string("ffprobe -v error -count_packets -select_streams ") + kind +
                               ":0 -show_entries stream=nb_read_packets -of csv=p=0 '" + path + "'");
    };
    // what a task that only copies writes
    TOutputOptions copyOnly;
    copyOnly.VideoCodec = copyOnly.AudioCodec = "copy";
    const std::string reference = encfix::Output("reference.mkv");
    const TTerminateInfo r = encfix::Convert(source, reference, copyOnly);
    ASSERT_TRUE(r.Finished && !r.ErrorOccurred) << r.ErrorMessage;

    struct Case {
        const char* name;
        const char* firstVideo;  // codecs of the first output ("copy" or an encoder)
        const char* firstAudio;
    };
    const Case cases[] = {{"both kinds copied", "copy", "copy"},
                          {"video copied", "copy", "libvorbis"},
                          {"audio copied", "libx264", "copy"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFFEncoder enc;
        TTerminateInfo notice;
        enc.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& i) {
            if (i.TaskIndex >= 0) notice = i;
        };
        const int task = enc.AddTask(source);
        ASSERT_GE(task, 0) << enc.LastErrMsg();
        TOutputOptions first;
        first.VideoCodec = c.firstVideo;
        first.AudioCodec = c.firstAudio;
        const std::string copied = encfix::Output("copied.mkv");
        ASSERT_TRUE(enc.SetOutputFile(task, copied, &first)) << enc.LastErrMsg();
        TOutputOptions second;
        second.VideoCodec = "libx264";
        second.AudioCodec = "libvorbis";
        const std::string encoded = encfix::Output("encoded.mkv");
        ASSERT_TRUE(enc.SetOutputFile(task, encoded, &second)) << enc.LastErrMsg();
        enc.StartTask(0);
        ASSERT_TRUE(notice.Finished && !notice.ErrorOccurred) << notice.ErrorMessage;

        if (std::string(c.firstVideo) == "copy") {
            EXPECT_EQ(packets(copied, "v"), packets(reference, "v"));
        }
        if (std::string(c.firstAudio) == "copy") {
            EXPECT_EQ(packets(copied, "a"), packets(reference, "a"));
        }
        const encfix::Facts e = encfix::Probe(encoded);
        EXPECT_EQ(e.vcodec, "h264");
        EXPECT_EQ(e.acodec, "vorbis");
        EXPECT_EQ(packets(encoded, "v"), "50\n");  // 2 s at 25 fps
        EXPECT_NEAR(e.file.Duration, 2000000, 100000);
    }
}
