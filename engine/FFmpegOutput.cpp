// Opening a task's outputs as the options name them, and making their streams with their encoders'
// settings; preparing a join.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/FrameHook.h"
#include "engine/InterruptCB.h"
#include "engine/OutputFileNames.h"
#include "engine/StrFormat.h"
#include "engine/UnicodeProtocol.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

namespace engine {

namespace {

// A quantiser matrix of 64 coefficients in memory the codec context frees.
uint16_t* CopyMatrix(const std::vector<uint16_t>& matrix) {
    auto* m = static_cast<uint16_t*>(av_malloc_array(64, sizeof(uint16_t)));
    if (!m) throw std::bad_alloc();
    std::fill(m, m + 64, uint16_t(0));
    std::copy_n(matrix.begin(), std::min<size_t>(matrix.size(), 64), m);
    return m;
}

// "start,end,q/start,end,q/...": a fixed quantiser (q > 0) or a quality factor in percent (q <= 0) for a
// range of frames.
std::vector<RcOverride> ParseRcOverride(const std::string& text) {
    std::vector<RcOverride> ov;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('/', pos);
        if (end == std::string::npos) end = text.size();
        int start = 0, stop = 0, q = 0;
        if (sscanf(text.substr(pos, end - pos).c_str(), "%d,%d,%d", &start, &stop, &q) != 3)
            throw FFmpegException("error parsing rc_override");
        RcOverride r{};
        r.start_frame = start;
        r.end_frame = stop;
        if (q > 0) {
            r.qscale = q;
            r.quality_factor = 1.0f;
        } else {
            r.qscale = 0;
            r.quality_factor = -q / 100.0f;
        }
        ov.push_back(r);
        pos = end + 1;
    }
    return ov;
}

}  // namespace

OutputStream& TCustomFFmpeg::AddOutputStream(OutputFile& of, AVMediaType kind, const AVCodec* codec,
                                             bool copy) {
    AVFormatContext* oc = of.ctx.get();
    AVStream* st = avformat_new_stream(oc, nullptr);
    if (!st) throw FFmpegException("Could not alloc stream");
    const int fileIndex = static_cast<int>(&of == outputs_.back().get() ? outputs_.size() - 1 : 0);
    auto it = s_.streamIds.find(fileIndex);
    st->id = it != s_.streamIds.end() ? it->second : 0;
    auto ost = std::make_unique<OutputStream>();
    ost->fileIndex = fileIndex;
    ost->file = &of;
    ost->index = st->index;
    ost->kind = kind;
    ost->st = st;
    ost->encoding = !copy;
    ost->codec = codec;
    st->codecpar->codec_type = kind;
    if (!copy) {
        ost->enc = MakeCodecContext(codec);
        ost->enc->codec_type = kind;
        ost->enc->thread_count = s_.threads;
        ApplyCodecParams(ost->enc.get(), params_, kind, true, this);
        ApplyOldX264Defaults(ost->enc.get(), params_.codec[kind], params_.priv);
        if (oc->oformat->flags & AVFMT_GLOBALHEADER) ost->enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    outputStreams_.push_back(std::move(ost));
    of.nbStreams++;
    return *outputStreams_.back();
}

static void ParseForcedKeyFrames(OutputStream& ost, const std::string& text) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(',', pos);
        if (end == std::string::npos) end = text.size();
        int64_t t = 0;
        if (av_parse_time(&t, text.substr(pos, end - pos).c_str(), 1) < 0)
            RaiseFmt("Invalid keyframe time: %s", text.substr(pos, end - pos).c_str());
        ost.forcedKfPts.push_back(t);  // microseconds; rescaled when the encoder time base is known
        pos = end + 1;
    }
}

// The encoder of a new output stream: the one named by the options, else the container's default,
// else (for a default the libraries lack) one that the container accepts.
const AVCodec* TCustomFFmpeg::ChooseEncoder(OutputFile& of, int fileIndex, AVMediaType kind,
                                            const std::string& name, const char* kindName) {
    if (!name.empty()) return FindCodecOrRaise(name, kind, true);
    AVCodecID id = av_guess_codec(of.ctx->oformat, nullptr, of.fileName.c_str(), nullptr, kind);
    if (!avcodec_find_encoder(id)) id = DefaultEncoderFor(of.ctx->oformat, kind);
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec)
        RaiseFmt("Encoder (codec id %d) not found for output stream #%d.%d (%s)", id, fileIndex,
                 of.ctx->nb_streams, kindName);
    return codec;
}

TCustomFFmpeg::KindOptions TCustomFFmpeg::OptionsOfKind(AVMediaType kind) {
    switch (kind) {
        case AVMEDIA_TYPE_VIDEO:
            return {kind,        "Video", s_.videoCodecName, s_.videoCopy,   s_.videoDisable,
                    s_.videoTag, s_.vbsf, s_.videoLang,      s_.maxFrames[0]};
        case AVMEDIA_TYPE_AUDIO:
            return {kind,        "Audio", s_.audioCodecName, s_.audioCopy,   s_.audioDisable,
                    s_.audioTag, s_.absf, s_.audioLang,      s_.maxFrames[1]};
        default:
            return {
                AVMEDIA_TYPE_SUBTITLE, "Subtitle", s_.subtitleCodecName, s_.subtitleCopy, s_.subtitleDisable,
                s_.subtitleTag,        s_.sbsf,    s_.subtitleLang,      kNoLimit};
    }
}

// An output stream of the kind, encoded with the codec the options name (or the container's) or copied,
// with the tag, bitstream filters, frame limit and language the options give it.
OutputStream& TCustomFFmpeg::NewOutputStream(int fileIndex, const KindOptions& k) {
    OutputFile& of = *outputs_.at(fileIndex);
    const AVCodec* codec = k.copy ? nullptr : ChooseEncoder(of, fileIndex, k.kind, k.codecName, k.name);
    OutputStream& ost = AddOutputStream(of, k.kind, codec, k.copy);
    ost.maxFrames = k.maxFrames;
    ost.bsfNames = k.bsf;
    if (k.tag) {
        ost.st->codecpar->codec_tag = k.tag;
        if (ost.enc) ost.enc->codec_tag = k.tag;
    }
    if (!k.lang.empty()) av_dict_set(&ost.st->metadata, "language", k.lang.c_str(), 0);
    return ost;
}

// The options of a kind apply to the one stream they made; the next output starts without them.
void TCustomFFmpeg::ConsumeKindOptions(KindOptions& k) {
    k.disable = false;
    k.codecName.clear();
    k.copy = false;
    k.bsf.clear();
    k.tag = 0;
}

// The pixel format the options ask for (else the last input's, else planar 4:2:0), or the encoder's
// nearest one.
AVPixelFormat TCustomFFmpeg::EncoderPixelFormat(const AVCodec* codec) const {
    AVPixelFormat want = s_.pixFmt >= 0 ? AVPixelFormat(s_.pixFmt) : AV_PIX_FMT_YUV420P;
    // Motion JPEG takes full-range pictures unless the strictness allows unofficial ones.
    static const AVPixelFormat kJpegFormats[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P,
                                                 AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_NONE};
    const AVPixelFormat* formats = codec->pix_fmts;
    // a format taken over from the input stays within what the presets' devices play
    if (!s_.pixFmtChosen)
        if (const AVPixelFormat* old = OldGenerationPixelFormats(codec)) formats = old;
    if ((codec->id == AV_CODEC_ID_MJPEG || codec->id == AV_CODEC_ID_LJPEG) &&
        kindDefaults_[AVMEDIA_TYPE_VIDEO]->strict_std_compliance > FF_COMPLIANCE_UNOFFICIAL)
        formats = kJpegFormats;
    if (formats) {
        bool supported = false;
        for (const AVPixelFormat* p = formats; *p != AV_PIX_FMT_NONE; ++p)
            supported |= *p == want;
        if (!supported) want = avcodec_find_best_pix_fmt_of_list(formats, want, 0, nullptr);
    }
    return want;
}

void TCustomFFmpeg::NewVideoStream(int fileIndex) {
    KindOptions k = OptionsOfKind(AVMEDIA_TYPE_VIDEO);
    const bool copy = k.copy;
    OutputStream& ost = NewOutputStream(fileIndex, k);
    const AVCodec* codec = ost.codec;
    ost.vfilters = s_.vfilters;
    ost.videoSync = s_.videoSync;
    ost.deinterlace = s_.deinterlace;
    ost.topField = s_.topField;
    ost.sameQuality = s_.sameQuality;
    if (!copy) {
        AVCodecContext* c = ost.enc.get();
        AVRational rate = s_.frameRate.den ? s_.frameRate : AVRational{25, 1};
        if (codec->supported_framerates && !s_.forceFps)
            rate = codec->supported_framerates[av_find_nearest_q_idx(rate, codec->supported_framerates)];
        c->framerate = rate;
        c->time_base = av_inv_q(rate);
        c->width = s_.frameWidth;
        c->height = s_.frameHeight;
        if (s_.frameAspect > 0) {
            const double sar =
                c->width && c->height ? s_.frameAspect * c->height / c->width : s_.frameAspect * 3.0 / 4.0;
            c->sample_aspect_ratio = av_d2q(sar, 255);
            ost.st->sample_aspect_ratio = c->sample_aspect_ratio;
        }
        // An aspect asked for is the frame's shape, not a licence to stretch: the picture keeps its own
        // shape inside it. A container that cannot state a pixel shape is shown with square pixels.
        ost.keepShape = s_.aspectChosen;
        if (!CarriesPixelShape(outputs_.at(fileIndex)->ctx->oformat)) {
            c->sample_aspect_ratio = ost.st->sample_aspect_ratio = AVRational{1, 1};
            ost.keepShape = true;
        }
        c->pix_fmt = EncoderPixelFormat(codec);
        if (s_.vglobal & 1) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (s_.vglobal & 2) c->flags &= ~AV_CODEC_FLAG_GLOBAL_HEADER;
        if (s_.intraOnly) c->gop_size = 0;
        if (s_.videoQScale > 0 || s_.sameQuality) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = static_cast<int>(FF_QP2LAMBDA * (s_.videoQScale > 0 ? s_.videoQScale : 1));
        }
        if (!s_.intraMatrix.empty()) c->intra_matrix = CopyMatrix(s_.intraMatrix);
        if (!s_.interMatrix.empty()) c->inter_matrix = CopyMatrix(s_.interMatrix);
        if (!s_.rcOverride.empty()) {
            const std::vector<RcOverride> ov = ParseRcOverride(s_.rcOverride);
            c->rc_override = static_cast<RcOverride*>(av_malloc_array(ov.size(), sizeof(RcOverride)));
            if (!c->rc_override) throw std::bad_alloc();
            std::copy(ov.begin(), ov.end(), c->rc_override);
            c->rc_override_count = static_cast<int>(ov.size());
        }
        if (!c->rc_initial_buffer_occupancy && c->rc_max_rate && c->rc_buffer_size)
            c->rc_initial_buffer_occupancy = c->rc_buffer_size * 3 / 4;
        c->intra_dc_precision = s_.intraDcPrecision - 8;
        if (s_.psnr) c->flags |= AV_CODEC_FLAG_PSNR;
        if (s_.doPass == 1) c->flags |= AV_CODEC_FLAG_PASS1;
        if (s_.doPass == 2) c->flags |= AV_CODEC_FLAG_PASS2;
        if (!s_.forcedKeyFrames.empty()) ParseForcedKeyFrames(ost, s_.forcedKeyFrames);
    }
    ConsumeKindOptions(k);
    s_.vfilters.clear();
}

void TCustomFFmpeg::NewAudioStream(int fileIndex) {
    KindOptions k = OptionsOfKind(AVMEDIA_TYPE_AUDIO);
    const bool copy = k.copy;
    OutputStream& ost = NewOutputStream(fileIndex, k);
    const AVCodec* codec = ost.codec;
    ost.volume = s_.volume;
    ost.audioSync = s_.audioSync;
    ost.driftThresholdSeconds = s_.audioDriftThreshold;
    if (!copy) {
        AVCodecContext* c = ost.enc.get();
        if (s_.audioQScale > -99999) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = static_cast<int>(FF_QP2LAMBDA * s_.audioQScale);
        }
        // sample format: the settings' when the encoder takes it, else the encoder's first
        AVSampleFormat fmt = s_.sampleFmt >= 0 ? AVSampleFormat(s_.sampleFmt) : AV_SAMPLE_FMT_S16;
        if (codec->sample_fmts) {
            bool ok = false;
            for (const AVSampleFormat* p = codec->sample_fmts; *p != AV_SAMPLE_FMT_NONE; ++p)
                ok |= *p == fmt;
            if (!ok) {
                // prefer the same layout family (planar or packed), then anything
                fmt = codec->sample_fmts[0];
            }
        }
        c->sample_fmt = fmt;
        int rate = s_.sampleRate;
        if (codec->supported_samplerates) {
            int best = codec->supported_samplerates[0];
            for (const int* p = codec->supported_samplerates; *p; ++p)
                if (std::abs(*p - rate) < std::abs(best - rate)) best = *p;
            if (best != rate)
                LogF(llWarning, "Requested sampling rate unsupported using closest supported (%d)", best);
            rate = best;
        }
        c->sample_rate = rate;
        const int64_t maxRate = MaxAudioBitrate(codec->id);
        if (maxRate && c->bit_rate > maxRate) {
            LogF(llWarning, "Audio bit rate %lld is above what %s takes; using %lld",
                 static_cast<long long>(c->bit_rate), codec->name, static_cast<long long>(maxRate));
            c->bit_rate = maxRate;
        }
        if (s_.channelLayout && av_popcount64(s_.channelLayout) == s_.channels)
            av_channel_layout_from_mask(&c->ch_layout, s_.channelLayout);
        else
            av_channel_layout_default(&c->ch_layout, s_.channels);
        c->time_base = AVRational{1, rate};
    } else {
        ost.st->codecpar->sample_rate = s_.sampleRate;
    }
    ConsumeKindOptions(k);
}

void TCustomFFmpeg::NewSubtitleStream(int fileIndex) {
    KindOptions k = OptionsOfKind(AVMEDIA_TYPE_SUBTITLE);
    OutputStream& ost = NewOutputStream(fileIndex, k);
    if (ost.enc) ost.enc->time_base = AVRational{1, 1000};
    ConsumeKindOptions(k);
}

// Which kinds of stream the output gets: those its format has a default codec for, or the options name,
// and that the inputs have (only the first input's when joining), less those the options disable.
TCustomFFmpeg::StreamKinds TCustomFFmpeg::WantedStreamKinds(const AVOutputFormat* ofmt, bool join) const {
    StreamKinds use;
    use.video = ofmt->video_codec != AV_CODEC_ID_NONE || !s_.videoCodecName.empty() || s_.videoCopy;
    use.audio = ofmt->audio_codec != AV_CODEC_ID_NONE || !s_.audioCodecName.empty() || s_.audioCopy;
    use.subtitle =
        ofmt->subtitle_codec != AV_CODEC_ID_NONE || !s_.subtitleCodecName.empty() || s_.subtitleCopy;
    if (!inputs_.empty()) {
        bool hasV = false, hasA = false, hasS = false;
        const size_t lastInput = join ? 1 : inputs_.size();
        for (size_t i = 0; i < lastInput; ++i) {
            AVFormatContext* ic = inputs_[i]->ctx.get();
            for (unsigned j = 0; j < ic->nb_streams; ++j) {
                const InputStream* ist = FindInputStream(static_cast<int>(i), static_cast<int>(j));
                const AVMediaType type = ic->streams[j]->codecpar->codec_type;
                const bool copied = (type == AVMEDIA_TYPE_VIDEO && s_.videoCopy) ||
                                    (type == AVMEDIA_TYPE_AUDIO && s_.audioCopy) ||
                                    (type == AVMEDIA_TYPE_SUBTITLE && s_.subtitleCopy);
                if (ist && ist->undecodable && !copied) continue;
                switch (type) {
                    case AVMEDIA_TYPE_VIDEO:
                        hasV = true;
                        break;
                    case AVMEDIA_TYPE_AUDIO:
                        hasA = true;
                        break;
                    case AVMEDIA_TYPE_SUBTITLE:
                        hasS = true;
                        break;
                    case AVMEDIA_TYPE_DATA:
                    case AVMEDIA_TYPE_ATTACHMENT:
                    case AVMEDIA_TYPE_UNKNOWN:
                        break;
                    default:
                        throw FFmpegException(
                            "check_audio_video_sub_inputs fail: invalid codec_type of input file");
                }
            }
        }
        use.video = use.video && hasV;
        use.audio = use.audio && hasA;
        use.subtitle = use.subtitle && hasS;
    }
    if (s_.videoDisable) use.video = false;
    if (s_.audioDisable) use.audio = false;
    if (s_.subtitleDisable) use.subtitle = false;
    return use;
}

void TCustomFFmpeg::SetOutputMetadata(AVFormatContext* raw) {
    if (s_.recTimestamp) {
        time_t t = static_cast<time_t>(s_.recTimestamp);
        struct tm parts;
        gmtime_r(&t, &parts);
        char buf[32];
        strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S.000000Z", &parts);
        av_dict_set(&raw->metadata, "creation_time", buf, 0);
    }
    for (const auto& [k, v] : s_.metadata)
        av_dict_set(&raw->metadata, k.c_str(), v.c_str(), 0);
    s_.metadata.clear();
    s_.recTimestamp = 0;
}

// Opens the output's file for writing, when the task starts. A local file is written under a hidden
// temporary name beside its target (created exclusively, so nothing is ever truncated) and takes its final
// name only when the task has finished; what is not a regular file (a device, a pipe, an address) is written
// directly.
void TCustomFFmpeg::OpenOutputFile(OutputFile& out) {
    AVFormatContext* raw = out.ctx.get();
    std::string libName = ToLibraryName(out.fileName);
    const std::string local = LocalPathOf(libName);
    struct stat sb;
    const bool exists = !local.empty() && stat(local.c_str(), &sb) == 0;
    if (!local.empty() && (!exists || S_ISREG(sb.st_mode))) {
        out.partialName = CreatePartialFile(local);
        out.partialTarget = local;
        libName = "file:" + out.partialName;
    }
    int ret;
    {
        TInterruptScope scope(&TCustomFFmpeg::TimeoutCheck, this);
        IOStartTime = av_gettime_relative();
        ret = avio_open2(&raw->pb, libName.c_str(), AVIO_FLAG_WRITE, EngineInterruptCB(), nullptr);
    }
    if (ret < 0) throw FFmpegException(FFErrorMessage(out.fileName, ret));
    out.fileCreated = !out.partialName.empty() || !exists;
}

// The file itself is made when the task starts; a folder that cannot hold it refuses the output now.
void TCustomFFmpeg::CheckOutputFolder(const std::string& fileName) const {
    const std::string local = LocalPathOf(ToLibraryName(fileName));
    if (local.empty()) return;
    const size_t slash = local.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : local.substr(0, slash);
    struct stat sb;
    int err = 0;
    if (stat(folder.c_str(), &sb) != 0)
        err = errno;
    else if (!S_ISDIR(sb.st_mode))
        err = ENOTDIR;
    else if (access(folder.c_str(), W_OK | X_OK) != 0)
        err = errno;
    if (err) throw FFmpegException(FFErrorMessage(fileName, AVERROR(err)));
}

void TCustomFFmpeg::OpenOutputFiles() {
    for (auto& out : outputs_)
        if (out->needsFile && !out->ctx->pb) OpenOutputFile(*out);
}

void TCustomFFmpeg::ApplyMuxerOptions(AVFormatContext* raw) {
    raw->max_delay = static_cast<int>(s_.muxMaxDelay * AV_TIME_BASE);
    for (const OptionLine& p : params_.format)
        av_opt_set(raw, p.name.c_str(), p.value.c_str(), 0);
    if (raw->priv_data)
        for (const OptionLine& p : params_.priv)
            if (av_opt_find(raw->priv_data, p.name.c_str(), nullptr, 0, 0))
                av_opt_set(raw->priv_data, p.name.c_str(), p.value.c_str(), 0);
    if (s_.loopOutput >= 0 && raw->priv_data && av_opt_find(raw->priv_data, "loop", nullptr, 0, 0))
        av_opt_set_int(raw->priv_data, "loop", s_.loopOutput, 0);
    if (s_.muxPreload > 0)
        av_opt_set_int(raw, "preload", static_cast<int64_t>(s_.muxPreload * AV_TIME_BASE), 0);
    raw->flags |= AVFMT_FLAG_NONBLOCK;
}

int TCustomFFmpeg::OpenOutput(const std::string& fileName, bool join) {
    const size_t streamsBefore = outputStreams_.size();
    const size_t outputsBefore = outputs_.size();
    try {
        if (join_) throw FFmpegException("Cannot join more than one output file.");
        if (OutputCount() >= maxOutputs_) RaiseFmt("max output files %d reached", maxOutputs_);
        AVFormatContext* raw = nullptr;
        const std::string libName = ToLibraryName(fileName);
        const AVOutputFormat* ofmt = nullptr;
        if (!s_.forcedFormat.empty()) {
            ofmt = av_guess_format(s_.forcedFormat.c_str(), nullptr, nullptr);
            if (!ofmt)
                RaiseFmt("Requested output format '%s' is not a suitable output format",
                         s_.forcedFormat.c_str());
            s_.forcedFormat.clear();
        } else {
            ofmt = av_guess_format(nullptr, DecodeUnicodeName(fileName).c_str(), nullptr);
            if (!ofmt) RaiseFmt("Unable to find a suitable output format for '%s'", fileName.c_str());
        }
        if (avformat_alloc_output_context2(&raw, ofmt, nullptr, libName.c_str()) < 0 || !raw)
            throw FFmpegException("avformat_alloc_context failed");
        auto of = std::make_unique<OutputFile>();
        of->ctx.reset(raw);
        of->fileName = DecodeUnicodeName(fileName);
        of->firstStream = static_cast<int>(outputStreams_.size());
        InstallInterruptCB(raw);
        outputs_.push_back(std::move(of));
        OutputFile& out = *outputs_.back();
        const int fileIndex = OutputCount() - 1;

        const StreamKinds use = WantedStreamKinds(ofmt, join);
        auto wrap = [](const char* what, const std::function<void()>& fn) {
            try {
                fn();
            } catch (const EngineError& e) {
                RaiseFmt("%s fail: %s", what, e.what());
            }
        };
        if (use.video) wrap("new_video_stream", [&] { NewVideoStream(fileIndex); });
        if (use.audio) wrap("new_audio_stream", [&] { NewAudioStream(fileIndex); });
        if (use.subtitle) wrap("new_subtitle_stream", [&] { NewSubtitleStream(fileIndex); });
        s_.videoDisable = s_.audioDisable = s_.subtitleDisable = false;

        SetOutputMetadata(raw);

        if ((ofmt->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(libName.c_str()))
            throw FFmpegException(FFErrorMessage(fileName, -33));
        out.needsFile = !(ofmt->flags & AVFMT_NOFILE);
        if (out.needsFile) CheckOutputFolder(fileName);
        ApplyMuxerOptions(raw);
        out.startTimeUs = s_.startTime;
        out.recordingTimeUs = s_.recordingTime;
        out.limitFilesize = s_.limitFilesize;
        out.shortest = s_.shortest;
        if (s_.recordingTime != kNoLimit) totalDuration_ = s_.recordingTime;
        s_.streamIds.clear();
        s_.forcedKeyFrames.clear();
        if (join && inputs_.size() > 1) join_ = true;
        return fileIndex;
    } catch (const EngineError& e) {
        outputStreams_.resize(streamsBefore);
        if (outputs_.size() > outputsBefore) {
            outputs_.pop_back();
        }
        errorMessage_ = e.what();
        return -1;
    }
}

void TCustomFFmpeg::PrepareJoin() {
    if (!join_) return;
    int64_t sum = 0;
    for (const auto& in : inputs_)
        if (in->ctx->duration != AV_NOPTS_VALUE && in->ctx->duration > 0) sum += in->ctx->duration;
    totalDuration_ = sum == 0 ? -1 : sum;
    // The output's streams are fed by one input after the other (Transcode switches their sources).
}

}  // namespace engine
