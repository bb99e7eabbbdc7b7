// Every preset of every output format, applied through the job builder to a short generated clip, gives a
// file that the engine's probe reads back with the preset's codecs, picture size, frame rate, channels and
// sample rate (or the nearest value the chosen encoder supports).

#include <gtest/gtest.h>

#include <QFileInfo>
#include <atomic>
#include <thread>

#include "ConvertClips.h"
#include "engine/FFDecode.h"
#include "engine/FFEncode.h"
#include "engine/LegacyOptions.h"
#include "wizard/JobBuilder.h"
#include "wizard/PresetCheck.h"
#include "wizard/PresetTable.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/parseutils.h>
#include <libavutil/rational.h>
}

namespace wizard {
namespace {

constexpr int kSourceWidth = 64, kSourceHeight = 48, kSourceRate = 25, kSourceChannels = 2,
              kSourceSampleRate = 44100;

struct Expected {
    std::string video, audio;  // codec names as the probe reports them; video empty for audio formats
    int width = 0, height = 0;
    AVRational fps{0, 1};
    int channels = 0, sampleRate = 0;
};

struct Outcome {
    std::string error;  // setup or conversion error, empty when the file was made
    bool opened = false;
    std::string video, audio;
    int width = 0, height = 0;
    AVRational fps{0, 1};
    int channels = 0, sampleRate = 0;
};

const AVCodec* EncoderOf(const char* name, const AVOutputFormat* container, AVMediaType kind) {
    if (name) return avcodec_find_encoder_by_name(engine::ResolveEncoderName(name).c_str());
    return avcodec_find_encoder(engine::DefaultEncoderFor(container, kind));
}

int NearestSampleRate(const AVCodec* codec, int rate) {
    if (!codec || !codec->supported_samplerates) return rate;
    int best = codec->supported_samplerates[0];
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (std::abs(*r - rate) < std::abs(best - rate)) best = *r;
    return best;
}

AVRational NearestFrameRate(const AVCodec* codec, AVRational rate) {
    if (!codec || !codec->supported_framerates) return rate;
    return codec->supported_framerates[av_find_nearest_q_idx(rate, codec->supported_framerates)];
}

// Disc targets: picture size by target (1 VCD, 2 SVCD, 3 DVD) and norm (1 PAL, 2 NTSC).
void TargetSize(int target, int norm, int& w, int& h) {
    const bool pal = norm == 1;
    switch (target) {
        case 1:
            w = 352, h = pal ? 288 : 240;
            return;
        case 2:
            w = 480, h = pal ? 576 : 480;
            return;
        default:
            w = 720, h = pal ? 576 : 480;
    }
}

Expected ExpectedFor(const OutputFormat& format, const PresetSettings& s) {
    const AVOutputFormat* container = av_guess_format(s.FileFormat ? s.FileFormat : nullptr,
                                                      (std::string("x") + format.Extension).c_str(), nullptr);
    Expected e;
    const AVCodec* audio = EncoderOf(s.AudioCodec, container, AVMEDIA_TYPE_AUDIO);
    e.audio = audio ? avcodec_get_name(audio->id) : "?";
    e.channels = s.AudioChannels != kNotSet ? s.AudioChannels : kSourceChannels;
    e.sampleRate =
        NearestSampleRate(audio, s.AudioSampleRate != kNotSet ? s.AudioSampleRate : kSourceSampleRate);
    if (format.Class == app::fcAudio) return e;

    const AVCodec* video =
        s.Target > 0 ? avcodec_find_encoder(s.Target == 1 ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO)
                     : EncoderOf(s.VideoCodec, container, AVMEDIA_TYPE_VIDEO);
    e.video = video ? avcodec_get_name(video->id) : "?";
    e.width = kSourceWidth, e.height = kSourceHeight;
    if (s.FrameSize) sscanf(s.FrameSize, "%dx%d", &e.width, &e.height);
    if (s.Target > 0) TargetSize(s.Target, s.TargetNorm, e.width, e.height);
    AVRational rate{kSourceRate, 1};
    if (s.FrameRate) av_parse_ratio(&rate, s.FrameRate, 1001000, 0, nullptr);
    e.fps = NearestFrameRate(video, rate);
    return e;
}

// The probe names a stream's codec by its decoder ("mp3float"); compared by codec, by the codec's name.
std::string ShortName(const std::string& description) {
    const std::string decoder = description.substr(0, description.find('('));
    const AVCodec* codec = avcodec_find_decoder_by_name(decoder.c_str());
    return codec ? avcodec_get_name(codec->id) : decoder;
}

Outcome Convert(const OutputFormat& format, int presetIndex, const QString& source) {
    Outcome out;
    const QString folder = clips::FreshFolder();
    engine::TFFEncoder encoder;
    engine::TTerminateInfo notice;
    notice.ErrorOccurred = true;
    notice.ErrorMessage = "no termination notice";
    encoder.OnTerminate = [&](engine::TFFEncoder*, const engine::TTerminateInfo& info) {
        if (info.TaskIndex >= 0) notice = info;
    };
    std::string log;
    JobBuilder builder(encoder, [&](const QString& line) { log += line.toStdString() + "; "; });
    const OutputChoice choice{format.Class, format.Index, presetIndex, folder};
    const JobBatch batch = builder.BuildConvertJobs({InputRecord{source}}, choice);
    if (batch.OutputFiles.size() != 1) {
        out.error = "not added: " + log;
        return out;
    }
    encoder.StartTask(0);
    if (!notice.Finished) {
        out.error = "conversion failed: " + notice.ErrorMessage;
        return out;
    }
    engine::TFFDecoder probe;
    out.opened = probe.LoadFile(batch.OutputFiles[0].toStdString());
    if (!out.opened) return out;
    if (probe.VideoStreamCount() > 0) {
        engine::TVideoStreamInfo v;
        probe.GetVideoStreamInfo(probe.FirstVideoStreamIndex(), v);
        out.video = ShortName(v.CodecName);
        out.width = v.Width, out.height = v.Height;
        out.fps = {v.FrameRateNum, v.FrameRateDen};
    }
    if (probe.AudioStreamCount() > 0) {
        engine::TAudioStreamInfo a;
        probe.GetAudioStreamInfo(probe.FirstAudioStreamIndex(), a);
        out.audio = ShortName(a.CodecName);
        out.channels = a.Channels, out.sampleRate = a.SampleRate;
    }
    return out;
}

class AllPresetsTest : public testing::TestWithParam<int> {};

TEST_P(AllPresetsTest, EveryPresetGivesAFileWithItsStreams) {
    const OutputFormat& format = OutputFormats()[GetParam()];
    const QString source = clips::AudioVideo(kSourceWidth, kSourceHeight, 0.6);
    const int count = static_cast<int>(format.Presets.size());
    std::vector<Outcome> outcomes(count);
    std::atomic<int> next{0};
    auto worker = [&] {
        for (int i; (i = next++) < count;) {
            try {
                outcomes[i] = Convert(format, i, source);
            } catch (const std::exception& e) {
                outcomes[i].error = e.what();
            }
        }
    };
    std::thread helper(worker);
    worker();
    helper.join();

    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(std::string(format.Name) + " preset " + std::to_string(i) + ": " +
                     format.Presets[i].Label);
        const Outcome& got = outcomes[i];
        ASSERT_TRUE(got.error.empty()) << got.error;
        ASSERT_TRUE(got.opened);
        const Expected want = ExpectedFor(format, format.Presets[i].Settings);
        EXPECT_EQ(got.audio, want.audio);
        EXPECT_EQ(got.channels, want.channels);
        EXPECT_EQ(got.sampleRate, want.sampleRate);
        EXPECT_EQ(got.video, want.video);
        if (format.Class == app::fcAudio) continue;
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        ASSERT_GT(got.fps.den, 0);
        EXPECT_NEAR(av_q2d(got.fps), av_q2d(want.fps), av_q2d(want.fps) * 0.01)
            << got.fps.num << "/" << got.fps.den;
    }
}

std::string FormatName(const testing::TestParamInfo<int>& info) {
    const std::string name = OutputFormats()[info.param].Name;
    return std::isdigit(static_cast<unsigned char>(name[0])) ? "F" + name : name;
}

INSTANTIATE_TEST_SUITE_P(Formats, AllPresetsTest, testing::Range(0, 24), FormatName);

}  // namespace
}  // namespace wizard

namespace wizard {
namespace {

// "Original size" presets on a source whose odd size the encoder cannot take as it is: the file is still
// made, with the size rounded to what the encoder accepts.
TEST(OriginalSizePresetsTest, OddSourceSizesAreRoundedForTheEncoder) {
    struct Case {
        int cls, format, preset;
    };
    const Case cases[] = {
        {app::fcVideo, 0, 8},  // AVI, libx264
        {app::fcVideo, 2, 0},  // FLV, libx264
        {app::fcVideo, 3, 0},  // SWF, the container's default video encoder
        {app::fcVideo, 5, 1},  // RM, rv20
        {app::fcVideo, 7, 5},  // MOV, mpeg4
    };
    const QString source = clips::AudioVideo(65, 49, 0.6);
    for (const Case& c : cases) {
        const OutputFormat& format = *FindOutputFormat(c.cls, c.format);
        SCOPED_TRACE(std::string(format.Name) + " preset " + std::to_string(c.preset));
        const Outcome got = Convert(format, c.preset, source);
        EXPECT_TRUE(got.error.empty()) << got.error;
        if (!got.opened) continue;
        EXPECT_LE(std::abs(got.width - 65), 4) << got.width;
        EXPECT_LE(std::abs(got.height - 49), 4) << got.height;
    }
}

}  // namespace
}  // namespace wizard

namespace wizard {
namespace {

TEST(PresetCheckTest, TheLinkedLibrariesServeEveryPreset) {
    const QStringList missing = UnservablePresets();
    EXPECT_TRUE(missing.isEmpty()) << missing.join("\n").toStdString();
}

}  // namespace
}  // namespace wizard
