// Every preset of every output format, applied through the job builder to a short generated clip, gives a
// file that holds what the preset's label promises: the frame size, the codec families, Mono or Stereo,
// the sample rate and the frame rate where the label names them. The rows mended for their devices are
// also held to the limits of those devices, on a 1080p source with 5.1 sound.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <atomic>
#include <regex>
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

constexpr int kSourceWidth = 64, kSourceHeight = 48;

// What a label promises; empty or 0 where it says nothing.
struct Promise {
    std::string video, audio;  // codec families (see Family)
    int width = 0, height = 0;
    bool originalSize = false;
    int channels = 0, sampleRate = 0;
    double fps = 0;
};

bool Has(const std::string& text, const char* word) {
    return text.find(word) != std::string::npos;
}

Promise PromiseOf(const OutputFormat& format, const std::string& label, int sourceChannels) {
    Promise p;
    std::smatch m;
    if (std::regex_search(label, m, std::regex(R"((\d{3,4})x(\d{2,4}))"))) {
        p.width = std::stoi(m[1]), p.height = std::stoi(m[2]);
    } else if (Has(label, "1080p")) {
        p.width = 1920, p.height = 1080;
    } else if (Has(label, "720p")) {
        p.width = 1280, p.height = 720;
    } else {
        p.originalSize = Has(label, "Original");
    }
    if (std::regex_search(label, m, std::regex(R"((\d{4,5}) ?Hz)"))) p.sampleRate = std::stoi(m[1]);
    if (std::regex_search(label, m, std::regex(R"(([\d.]+) fps)"))) p.fps = std::stod(m[1]);
    if (Has(label, "Mono")) p.channels = 1;
    if (Has(label, "Stereo") || Has(label, "Sterro")) p.channels = 2;
    if (Has(label, "Surround")) p.channels = sourceChannels >= 6 ? 6 : 2;

    if (Has(label, "AAC") || Has(label, "MPEG2/4") || Has(label, "MP2/4"))
        p.audio = "aac";
    else if (Has(label, "MP3"))
        p.audio = "mp3";
    else if (Has(label, "AMR"))
        p.audio = avcodec_find_encoder(AV_CODEC_ID_AMR_NB) ? "amr_nb" : "aac";
    else if (Has(label, "Vorbis"))
        p.audio = "vorbis";
    else if (Has(label, "MPEG layer-2"))
        p.audio = "mp2";
    else if (Has(label, "IMA ADPCM"))
        p.audio = "adpcm_ima_qt";
    else if (Has(label, "PCM"))
        p.audio = "pcm";
    else if (Has(label, "WMA"))
        p.audio = "wma";
    if (format.Class == app::fcAudio) return p;

    if (Has(label, "H.264") || Has(label, "H264"))
        p.video = "h264";
    else if (Has(label, "H.263"))
        p.video = "h263";
    else if (Has(label, "MPEG4") || Has(label, "DivX"))
        p.video = "mpeg4";
    else if (Has(label, "MPEG2"))
        p.video = "mpeg2video";
    else if (Has(label, "MPEG1"))
        p.video = "mpeg1video";
    else if (Has(label, "WMV"))
        p.video = "wmv";
    else if (Has(label, "Photo Jpeg"))
        p.video = "mjpeg";
    else if (Has(label, "Sorenson"))
        p.video = "svq";
    else if (Has(label, "Uncompressed"))
        p.video = "rawvideo";
    return p;
}

// The family a codec belongs to, as labels name them: Flash video's Sorenson H.263 is an H.263.
std::string Family(const std::string& codec) {
    if (codec == "h263" || codec == "h263p" || codec == "flv1") return "h263";
    if (codec.rfind("wmv", 0) == 0) return "wmv";
    if (codec.rfind("wma", 0) == 0) return "wma";
    if (codec.rfind("pcm_", 0) == 0) return "pcm";
    if (codec.rfind("svq", 0) == 0) return "svq";
    return codec;
}

// Where a row keeps a value other than its label's, on purpose: the value plays on the device.
struct KnownDeviation {
    const char* format;
    int preset;
    const char* what;  // "size", "fps", "rate" or "video"
    const char* why;
};
const KnownDeviation kKnownDeviations[] = {
    {"AppleTV", 0, "size", "640x480 rather than the label's 1280x720"},
    {"BlackBerry", 0, "size", "480x360, the largest these phones play, rather than the label's 640x480"},
    {"iPhone", 1, "fps", "30 rather than the label's 24"},
    {"BlackBerry", 1, "fps", "30 rather than the label's 24"},
    {"iPad", 1, "fps", "30 rather than the label's 24"},
    {"SWF", 1, "fps", "25 rather than the label's 20"},
    {"SWF", 3, "fps", "25 rather than the label's 15"},
    {"M4A", 1, "rate", "44100 (asked for 44800) rather than the label's 48000"},
    {"MPEG", 9, "video", "MPEG-1 rather than the label's MPEG2; the Epson players take both"},
};

bool Deviates(const OutputFormat& format, int preset, const char* what) {
    for (const KnownDeviation& d : kKnownDeviations)
        if (format.Name == std::string(d.format) && d.preset == preset && what == std::string(d.what))
            return true;
    return false;
}

struct Outcome {
    std::string error;  // setup or conversion error, empty when the file was made
    bool opened = false;
    QString path;
    std::string log;  // the job builder's lines
    std::string video, audio;
    int width = 0, height = 0;
    AVRational fps{0, 1};
    int channels = 0, sampleRate = 0;
};

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
    JobBuilder builder(encoder, [&](const QString& line) { out.log += line.toStdString() + "; "; });
    const OutputChoice choice{format.Class, format.Index, presetIndex, folder};
    const JobBatch batch = builder.BuildConvertJobs({InputRecord{source}}, choice);
    if (batch.OutputFiles.size() != 1) {
        out.error = "not added: " + out.log;
        return out;
    }
    encoder.StartTask(0);
    if (!notice.Finished) {
        out.error = "conversion failed: " + notice.ErrorMessage;
        return out;
    }
    out.path = batch.OutputFiles[0];
    engine::TFFDecoder probe;
    out.opened = probe.LoadFile(out.path.toStdString());
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

// Converts through each of the given rows on two threads.
template <typename Row>
std::vector<Outcome> ConvertAll(const std::vector<Row>& rows, const QString& source) {
    std::vector<Outcome> outcomes(rows.size());
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next++) < rows.size();) {
            try {
                outcomes[i] = Convert(*rows[i].format, rows[i].preset, source);
            } catch (const std::exception& e) {
                outcomes[i].error = e.what();
            }
        }
    };
    std::thread helper(worker);
    worker();
    helper.join();
    return outcomes;
}

struct PresetRow {
    const OutputFormat* format;
    int preset;
};

class AllPresetsTest : public ::testing::TestWithParam<int> {};

TEST_P(AllPresetsTest, EveryPresetGivesWhatItsLabelPromises) {
    const OutputFormat& format = OutputFormats()[GetParam()];
    const QString source = clips::AudioVideo(kSourceWidth, kSourceHeight, 0.6);
    std::vector<PresetRow> rows;
    for (size_t i = 0; i < format.Presets.size(); ++i)
        rows.push_back({&format, int(i)});
    const std::vector<Outcome> outcomes = ConvertAll(rows, source);

    for (size_t i = 0; i < rows.size(); ++i) {
        const int preset = int(i);
        const std::string label = format.Presets[i].Label;
        SCOPED_TRACE(std::string(format.Name) + " preset " + std::to_string(i) + ": " + label);
        const Outcome& got = outcomes[i];
        ASSERT_TRUE(got.error.empty()) << got.error;
        ASSERT_TRUE(got.opened);
        const Promise want = PromiseOf(format, label, 2);
        if (!want.audio.empty()) {
            EXPECT_EQ(Family(got.audio), want.audio);
        }
        if (want.channels) {
            EXPECT_EQ(got.channels, want.channels);
        }
        if (want.sampleRate && !Deviates(format, preset, "rate")) {
            const AVCodec* encoder =
                avcodec_find_encoder(avcodec_descriptor_get_by_name(got.audio.c_str())->id);
            EXPECT_EQ(got.sampleRate, NearestSampleRate(encoder, want.sampleRate));
        }
        if (format.Class == app::fcAudio) {
            EXPECT_TRUE(got.video.empty()) << got.video;
            continue;
        }
        ASSERT_FALSE(got.video.empty());
        if (!want.video.empty() && !Deviates(format, preset, "video")) {
            EXPECT_EQ(Family(got.video), want.video);
        }
        if (want.width && !Deviates(format, preset, "size")) {
            EXPECT_EQ(got.width, want.width);
            EXPECT_EQ(got.height, want.height);
        }
        if (want.originalSize) {
            EXPECT_EQ(got.width, kSourceWidth);
            EXPECT_EQ(got.height, kSourceHeight);
        }
        if (want.fps > 0 && !Deviates(format, preset, "fps")) {
            ASSERT_GT(got.fps.den, 0);
            const AVCodec* encoder =
                avcodec_find_encoder(avcodec_descriptor_get_by_name(got.video.c_str())->id);
            AVRational rate;
            av_parse_ratio(&rate, std::to_string(want.fps).c_str(), 1001000, 0, nullptr);
            if (want.fps == 29.97) rate = {30000, 1001};
            const double expected = av_q2d(NearestFrameRate(encoder, rate));
            EXPECT_NEAR(av_q2d(got.fps), expected, expected * 0.01) << got.fps.num << "/" << got.fps.den;
        }
    }
}

std::string FormatName(const ::testing::TestParamInfo<int>& info) {
    const std::string name = OutputFormats()[info.param].Name;
    return std::isdigit(static_cast<unsigned char>(name[0])) ? "F" + name : name;
}

INSTANTIATE_TEST_SUITE_P(Formats, AllPresetsTest, ::testing::Range(0, 24), FormatName);

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

namespace wizard {
namespace {

// The limits of the device a mended row names; 0 or empty where the row has no limit of that kind.
struct DeviceLimit {
    int cls, format, preset;
    const char* profile;  // as ffprobe names it
    int maxLevel;         // H.264 level times ten
    int maxRefs;
    int maxWidth, maxHeight;
    const char* audio;  // codec name; "amr_nb|aac": the first when this FFmpeg can write it
    int channels, sampleRate, maxAudioBitrate;
    const char* note;  // a line the job builder logs for the row
};

TEST(DeviceLimitsTest, MendedRowsMeetTheirDevicesLimitsOnA1080pSurroundSource) {
    const bool amr = avcodec_find_encoder(AV_CODEC_ID_AMR_NB) != nullptr;
    const char* phoneAudio = amr ? "amr_nb" : "aac";
    using app::fcAudio, app::fcDevice, app::fcVideo;
    // clang-format off
    const DeviceLimit limits[] = {
        // BlackBerry phones: Constrained Baseline, one reference frame, 480x360 at most
        {fcDevice, 4, 0, "Constrained Baseline", 0, 1, 480, 360, "aac", 2, 0, 0, nullptr},
        {fcDevice, 4, 1, "Constrained Baseline", 0, 1, 480, 360, "aac", 2, 0, 0, nullptr},
        {fcDevice, 4, 2, "Constrained Baseline", 0, 1, 480, 360, "aac", 2, 0, 0, nullptr},
        // the first Apple TV: Main at level 3.1, 1280x720
        {fcVideo, 7, 0, "Main", 31, 0, 1280, 720, "aac", 2, 0, 0, nullptr},
        // NTSC DVD players take AC-3 at 48 kHz; PAL keeps MP2
        {fcVideo, 4, 2, "", 0, 0, 720, 480, "ac3", 2, 48000, 0, nullptr},
        {fcVideo, 4, 3, "", 0, 0, 720, 576, "mp2", 2, 48000, 0, nullptr},
        // PS3 at 848x480 29.97 fps needs level 3.1; the Surround row keeps 5.1
        {fcVideo, 1, 5, "Main", 31, 0, 848, 480, "aac", 2, 48000, 0, nullptr},
        {fcVideo, 1, 6, "Main", 31, 0, 848, 480, "aac", 6, 48000, 0, nullptr},
        {fcAudio, 3, 0, "", 0, 0, 0, 0, "vorbis", 1, 11025, 0, nullptr},
        {fcAudio, 3, 3, "", 0, 0, 0, 0, "vorbis", 2, 44100, 0, nullptr},
        {fcAudio, 0, 4, "", 0, 0, 0, 0, "pcm_s16le", 2, 44100, 0, nullptr},
        {fcVideo, 2, 4, "", 0, 0, 176, 144, "mp3", 1, 11025, 0, nullptr},
        {fcVideo, 4, 7, "", 0, 0, 480, 360, "mp2", 2, 44100, 0, nullptr},
        // the Archos players' row that keeps the source's size: no larger than their 480x272
        {fcVideo, 0, 12, "", 0, 0, 480, 272, "mp3", 2, 44100, 0, nullptr},
        {fcVideo, 8, 0, "", 0, 0, 176, 144, phoneAudio, 1, 8000, 0, amr ? nullptr : "no amr_nb encoder"},
        {fcAudio, 2, 4, "", 0, 0, 0, 0, "wmav2", 2, 48000, 320000, "lossy WMA 2"},
    };
    // clang-format on
    std::vector<PresetRow> rows;
    for (const DeviceLimit& l : limits)
        rows.push_back({FindOutputFormat(l.cls, l.format), l.preset});
    const QString source = clips::Surround(1920, 1080, 0.4);
    const std::vector<Outcome> outcomes = ConvertAll(rows, source);

    for (size_t i = 0; i < rows.size(); ++i) {
        const DeviceLimit& l = limits[i];
        const Outcome& got = outcomes[i];
        SCOPED_TRACE(std::string(rows[i].format->Name) + " preset " + std::to_string(l.preset) + ": " +
                     rows[i].format->Presets[l.preset].Label);
        ASSERT_TRUE(got.error.empty()) << got.error;
        ASSERT_TRUE(got.opened);
        EXPECT_EQ(got.audio, l.audio);
        EXPECT_EQ(got.channels, l.channels);
        if (l.sampleRate) {
            EXPECT_EQ(got.sampleRate, l.sampleRate);
        }
        if (l.maxAudioBitrate) {
            const int bitrate = clips::StreamEntries(got.path, "a", "bit_rate").value("bit_rate").toInt();
            EXPECT_GT(bitrate, 0);
            EXPECT_LE(bitrate, l.maxAudioBitrate);
        }
        if (l.note) {
            EXPECT_NE(got.log.find(l.note), std::string::npos) << got.log;
        }
        if (!l.maxWidth) continue;
        // within the device's largest picture; a row that keeps the source's size keeps its 16:9 shape and
        // is as large as the device lets it be
        EXPECT_LE(got.width, l.maxWidth);
        EXPECT_LE(got.height, l.maxHeight);
        if (PromiseOf(*rows[i].format, rows[i].format->Presets[l.preset].Label, 6).originalSize) {
            EXPECT_TRUE(got.width >= l.maxWidth - 1 || got.height >= l.maxHeight - 1)
                << got.width << "x" << got.height;
            EXPECT_NEAR(double(got.width) / got.height, 16.0 / 9, 0.02);
        }
        if (*l.profile) {
            const auto v = clips::StreamEntries(got.path, "v", "profile,level,refs,has_b_frames");
            EXPECT_EQ(v.value("profile").toStdString(), l.profile);
            const int level = v.value("level").toInt();
            if (l.maxLevel) {
                EXPECT_LE(level, l.maxLevel);
            }
            // the level stated is one that takes the picture and its rate
            EXPECT_GE(level, engine::H264LevelFor(got.width, got.height, got.fps));
            if (l.maxRefs) {
                EXPECT_LE(v.value("refs").toInt(), l.maxRefs);
            }
            if (std::string(l.profile) == "Constrained Baseline") {
                EXPECT_EQ(v.value("has_b_frames"), "0");  // no B-frames
            }
        }
    }
}

struct Bars {
    int activeWidth = 0, activeHeight = 0;  // the white part
    int top = 0, left = 0;                  // black lines above it and columns left of it
};

// The white rectangle on black of a grey picture.
Bars FindBars(const QByteArray& grey, int width, int height) {
    Bars b;
    auto bright = [&](int x, int y) { return uchar(grey[y * width + x]) > 128; };
    int firstRow = -1, lastRow = -1, firstCol = -1, lastCol = -1;
    for (int y = 0; y < height; ++y) {
        if (!bright(width / 2, y)) continue;
        if (firstRow < 0) firstRow = y;
        lastRow = y;
    }
    for (int x = 0; x < width; ++x) {
        if (!bright(x, height / 2)) continue;
        if (firstCol < 0) firstCol = x;
        lastCol = x;
    }
    if (firstRow < 0 || firstCol < 0) return b;
    b.activeHeight = lastRow - firstRow + 1;
    b.activeWidth = lastCol - firstCol + 1;
    b.top = firstRow;
    b.left = firstCol;
    return b;
}

// A picture whose shape differs from the target frame's keeps its shape: it fills the frame's width or
// height and black bars fill the rest, while the frame keeps its size and its aspect flag.
TEST(PictureShapeTest, OtherShapesAreFittedWithBlackBarsNotStretched) {
    struct Case {
        const char* what;
        int sourceWidth, sourceHeight;
        int cls, format, preset;
        int frameWidth, frameHeight;
        const char* aspectFlag;  // display_aspect_ratio the file states
        bool letterbox;          // bars top and bottom, else left and right
    };
    // clang-format off
    const Case cases[] = {
        {"16:9 into an NTSC DVD (4:3)",  320, 180, app::fcVideo, 4, 2, 720, 480, "4:3", true},
        {"16:9 into FLV 352x288",        320, 180, app::fcVideo, 2, 2, 352, 288, "", true},
        {"4:3 into the Xbox 360's 16:9", 320, 240, app::fcVideo, 1, 4, 848, 480, "16:9", false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome got = Convert(*FindOutputFormat(c.cls, c.format), c.preset,
                                    clips::White(c.sourceWidth, c.sourceHeight, 0.4));
        ASSERT_TRUE(got.error.empty()) << got.error;
        ASSERT_EQ(got.width, c.frameWidth);
        ASSERT_EQ(got.height, c.frameHeight);
        const auto shape = clips::StreamEntries(got.path, "v", "sample_aspect_ratio,display_aspect_ratio");
        if (*c.aspectFlag) {
            EXPECT_EQ(shape.value("display_aspect_ratio").toStdString(), c.aspectFlag);
        }
        const QString sarText = shape.value("sample_aspect_ratio");
        AVRational sar{sarText.section(u':', 0, 0).toInt(), sarText.section(u':', 1).toInt()};
        if (sar.num <= 0 || sar.den <= 0) sar = {1, 1};  // "N/A": square pixels

        const Bars bars = FindBars(clips::FirstPictureGrey(got.path, c.frameWidth, c.frameHeight),
                                   c.frameWidth, c.frameHeight);
        ASSERT_GT(bars.activeWidth, 0) << "no picture found";
        if (c.letterbox) {
            EXPECT_GT(bars.top, 8);
            EXPECT_LE(std::abs(c.frameHeight - bars.activeHeight - 2 * bars.top), 4);  // centred
            EXPECT_GE(bars.activeWidth, c.frameWidth - 2);
        } else {
            EXPECT_GT(bars.left, 8);
            EXPECT_LE(std::abs(c.frameWidth - bars.activeWidth - 2 * bars.left), 4);
            EXPECT_GE(bars.activeHeight, c.frameHeight - 2);
        }
        // what the viewer sees of the picture has the source's shape
        const double shown = double(bars.activeWidth) * sar.num / sar.den / bars.activeHeight;
        EXPECT_NEAR(shown, double(c.sourceWidth) / c.sourceHeight, 0.03 * c.sourceWidth / c.sourceHeight);
    }
}

// 3GP's AMR rows fall back to AAC when no AMR-NB encoder is linked; the start-up check says so once.
TEST(PresetCheckTest, AStandInForAPromisedCodecIsSaidAtStartUp) {
    const QStringList lines = PresetFallbacks();
    if (avcodec_find_encoder(AV_CODEC_ID_AMR_NB)) {
        EXPECT_TRUE(lines.isEmpty()) << lines.join("\n").toStdString();
        return;
    }
    ASSERT_EQ(lines.size(), 1) << lines.join("\n").toStdString();
    EXPECT_EQ(lines[0].toStdString(),
              "3GP presets 0, 2, 3, 4: this FFmpeg has no amr_nb encoder; their audio is written as aac");
}

}  // namespace
}  // namespace wizard
