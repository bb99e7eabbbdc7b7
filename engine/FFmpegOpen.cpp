// Opening a task's inputs and outputs and making its output streams.

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/FrameHook.h"
#include "engine/InterruptCB.h"
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

bool FileExists(const std::string& name, int64_t* size = nullptr) {
    struct stat sb;
    if (stat(name.c_str(), &sb) != 0) return false;
    if (size) *size = sb.st_size;
    return true;
}

const char* KindName(AVMediaType kind) {
    switch (kind) {
        case AVMEDIA_TYPE_VIDEO:
            return "Video";
        case AVMEDIA_TYPE_AUDIO:
            return "Audio";
        case AVMEDIA_TYPE_DATA:
            return "Data";
        case AVMEDIA_TYPE_SUBTITLE:
            return "Subtitle";
        case AVMEDIA_TYPE_ATTACHMENT:
            return "Attachment";
        default:
            return "Unknown";
    }
}

}  // namespace

const char* MediaKindName(AVMediaType kind) {
    return KindName(kind);
}

TCustomFFmpeg::TCustomFFmpeg(int maxInputs, int maxOutputs)
    : maxInputs_(std::clamp(maxInputs, 1, 512)), maxOutputs_(std::clamp(maxOutputs, 1, 512)) {
    for (int k = 0; k < AVMEDIA_TYPE_NB; ++k) {
        kindDefaults_[k] = MakeCodecContext(nullptr);
        kindDefaults_[k]->codec_type = static_cast<AVMediaType>(k);
    }
    formatDefaults_.reset(avformat_alloc_context());
    scalerDefaults_.reset(sws_alloc_context());
    if (!formatDefaults_ || !scalerDefaults_) throw std::bad_alloc();
    decodedFrame_ = MakeFrame();
    filteredFrame_ = MakeFrame();
    encPacket_ = MakePacket();
}

TCustomFFmpeg::~TCustomFFmpeg() {
    try {
        ReleaseStreams();  // a derived class has run its own release before this
    } catch (...) {
    }
}

int TCustomFFmpeg::InputCount() const {
    return static_cast<int>(inputs_.size());
}
int TCustomFFmpeg::OutputCount() const {
    return static_cast<int>(outputs_.size());
}
AVFormatContext* TCustomFFmpeg::InputContext(int index) const {
    return index >= 0 && index < InputCount() ? inputs_[index]->ctx.get() : nullptr;
}

void TCustomFFmpeg::SetError(const std::string& msg) {
    errorOccurred_ = true;
    errorMessage_ = msg;
}

void TCustomFFmpeg::SetPreview(bool on) {
    preview_ = on;
}
void TCustomFFmpeg::SetPreviewBitmap(bool on) {
    previewBitmap_ = on;
}

bool TCustomFFmpeg::StopCheck(void* object, void*) {
    return static_cast<TCustomFFmpeg*>(object)->stopRequested_;
}

bool TCustomFFmpeg::TimeoutCheck(void* object, void*) {
    auto* t = static_cast<TCustomFFmpeg*>(object);
    const int64_t start = t->IOStartTime.load();
    if (start == 0) return true;  // a stop asked to cancel the blocking call
    if (t->stopRequested_) return true;
    return t->IOTimeout > 0 && av_gettime_relative() - start > int64_t(t->IOTimeout) * 1000;
}

const AVCodec* TCustomFFmpeg::FindCodecOrRaise(const std::string& rawName, AVMediaType kind, bool encoder) {
    const std::string name = encoder ? ResolveEncoderName(rawName) : rawName;
    const char* what = encoder ? "encoder" : "decoder";
    const AVCodec* codec =
        encoder ? avcodec_find_encoder_by_name(name.c_str()) : avcodec_find_decoder_by_name(name.c_str());
    if (!codec) RaiseFmt("Unknown %s '%s'", what, rawName.c_str());
    if (codec->type != kind) RaiseFmt("Invalid %s type '%s'", what, rawName.c_str());
    const int strict = static_cast<int>(kindDefaults_[kind]->strict_std_compliance);
    if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strict > FF_COMPLIANCE_EXPERIMENTAL) {
        std::string msg = FormatStr(
            "%s '%s' is experimental and might produce bad results.\r\nAdd '-strict experimental' if you "
            "want to "
            "use it.",
            what, codec->name);
        const AVCodec* alt = encoder ? avcodec_find_encoder(codec->id) : avcodec_find_decoder(codec->id);
        if (alt && !(alt->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
            msg += FormatStr("\r\nOr use the non experimental %s '%s'.", what, alt->name);
        throw FFmpegException(msg);
    }
    return codec;
}

// ---------------------------------------------------------------- inputs

bool TCustomFFmpeg::OpenInput(const std::string& fileName) {
    try {
        if (InputCount() >= maxInputs_) RaiseFmt("max input files %d reached", maxInputs_);
        const AVInputFormat* ifmt = nullptr;
        if (!s_.forcedFormat.empty()) {
            ifmt = av_find_input_format(s_.forcedFormat.c_str());
            if (!ifmt) RaiseFmt("Unknown input format: \"%s\"", s_.forcedFormat.c_str());
            s_.forcedFormat.clear();
        }
        // a pipe or a device would block this thread for good; a device format named by the options
        // reads its own kind of name
        if (!ifmt || !(ifmt->flags & AVFMT_NOFILE)) {
            const std::string refusal = NotAFileMessage(DecodeUnicodeName(fileName));
            if (!refusal.empty()) throw FFmpegException(refusal);
        }
        AVFormatContext* raw = avformat_alloc_context();
        if (!raw) throw FFmpegException("avformat_alloc_context failed");
        InputFormatContextPtr ic(raw);
        InstallInterruptCB(raw);
        DictionaryPtr opts;
        if (s_.sampleRate) av_dict_set_int(opts.Address(), "sample_rate", s_.sampleRate, 0);
        if (s_.channels) av_dict_set_int(opts.Address(), "channels", s_.channels, 0);
        if (s_.frameRate.den)
            av_dict_set(opts.Address(), "framerate",
                        FormatStr("%d/%d", s_.frameRate.num, s_.frameRate.den).c_str(), 0);
        if (s_.frameWidth && s_.frameHeight)
            av_dict_set(opts.Address(), "video_size",
                        FormatStr("%dx%d", s_.frameWidth, s_.frameHeight).c_str(), 0);
        if (s_.pixFmt >= 0)
            av_dict_set(opts.Address(), "pixel_format", av_get_pix_fmt_name(AVPixelFormat(s_.pixFmt)), 0);
        if (s_.videoChannel) av_dict_set_int(opts.Address(), "channel", s_.videoChannel, 0);
        if (!s_.tvStandard.empty()) av_dict_set(opts.Address(), "standard", s_.tvStandard.c_str(), 0);
        if (s_.loopInput) av_dict_set(opts.Address(), "loop", "1", 0);  // image sequences
        for (const OptionLine& p : params_.format)
            av_opt_set(raw, p.name.c_str(), p.value.c_str(), 0);

        const AVCodec* forced[3] = {nullptr, nullptr, nullptr};
        if (!s_.videoCodecName.empty())
            forced[0] = FindCodecOrRaise(s_.videoCodecName, AVMEDIA_TYPE_VIDEO, false);
        if (!s_.audioCodecName.empty())
            forced[1] = FindCodecOrRaise(s_.audioCodecName, AVMEDIA_TYPE_AUDIO, false);
        if (!s_.subtitleCodecName.empty())
            forced[2] = FindCodecOrRaise(s_.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false);
        if (forced[0]) raw->video_codec_id = forced[0]->id, raw->video_codec = forced[0];
        if (forced[1]) raw->audio_codec_id = forced[1]->id, raw->audio_codec = forced[1];
        if (forced[2]) raw->subtitle_codec_id = forced[2]->id, raw->subtitle_codec = forced[2];
        raw->flags |= AVFMT_FLAG_NONBLOCK;

        int ret;
        {
            TInterruptScope scope(&TCustomFFmpeg::TimeoutCheck, this);
            IOStartTime = av_gettime_relative();
            AVFormatContext* p = ic.release();
            ret = avformat_open_input(&p, ToLibraryName(fileName).c_str(), ifmt, opts.Address());
            ic.reset(p);  // null on failure: avformat_open_input freed it
        }
        if (ret < 0) throw FFmpegException(FFErrorMessage(fileName, ret));
        raw = ic.get();

        auto in = std::make_unique<InputFile>();
        if (s_.programId >= 0) {
            bool found = false;
            for (unsigned i = 0; i < raw->nb_programs; ++i) {
                AVProgram* p = raw->programs[i];
                if (p->id != s_.programId) {
                    p->discard = AVDISCARD_ALL;
                } else {
                    found = true;
                    for (unsigned j = 0; j < p->nb_stream_indexes; ++j)
                        raw->streams[p->stream_index[j]]->discard = AVDISCARD_NONE;
                }
            }
            if (!found) throw FFmpegException("Specified program id not found");
            for (unsigned i = 0; i < raw->nb_streams; ++i) {
                bool inProgram = false;
                for (unsigned k = 0; k < raw->nb_programs; ++k)
                    if (raw->programs[k]->id == s_.programId)
                        for (unsigned j = 0; j < raw->programs[k]->nb_stream_indexes; ++j)
                            inProgram = inProgram || raw->programs[k]->stream_index[j] == i;
                if (!inProgram) raw->streams[i]->discard = AVDISCARD_ALL;
            }
            in->programId = s_.programId;
            s_.programId = -1;
        }
        if (OnBeforeFindStreamInfo) OnBeforeFindStreamInfo(*this, raw);
        {
            TInterruptScope scope(&TCustomFFmpeg::TimeoutCheck, this);
            IOStartTime = av_gettime_relative();
            ret = avformat_find_stream_info(raw, nullptr);
        }
        if (ret < 0 && s_.verbose >= 0) {
            LogF(llVerbose, "%s: could not find codec parameters", fileName.c_str());
            RaiseFmt("%s: could not find codec parameters", fileName.c_str());
        }

        int64_t timestamp = s_.startTime;
        if (raw->start_time != AV_NOPTS_VALUE) timestamp += raw->start_time;
        if (s_.startTime != 0) {
            if (avformat_seek_file(raw, -1, INT64_MIN, timestamp, timestamp, 0) < 0 && s_.verbose > 0)
                LogF(llVerbose, "%s: could not seek to position %0.3f", fileName.c_str(), timestamp / 1e6);
        }

        in->firstStream = static_cast<int>(inputStreams_.size());
        in->nbStreams = static_cast<int>(raw->nb_streams);
        for (unsigned i = 0; i < raw->nb_streams; ++i) {
            AVStream* st = raw->streams[i];
            AVCodecParameters* par = st->codecpar;
            auto ist = std::make_unique<InputStream>();
            ist->fileIndex = InputCount();
            ist->streamIndex = static_cast<int>(i);
            ist->st = st;
            ist->discard = true;
            switch (par->codec_type) {
                case AVMEDIA_TYPE_VIDEO: {
                    ist->decoder = forced[0] ? forced[0] : avcodec_find_decoder(par->codec_id);
                    s_.frameWidth = par->width;
                    s_.frameHeight = par->height;
                    s_.pixFmt = par->format < 0 ? 0 : par->format;
                    AVRational sar =
                        st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
                    if (par->width && par->height)
                        s_.frameAspect = (sar.num ? av_q2d(sar) : 1.0) * par->width / par->height;
                    else
                        s_.frameAspect = 4.0 / 3.0;
                    AVRational rate = st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate;
                    if (st->avg_frame_rate.num && st->avg_frame_rate.den && rate.num &&
                        av_cmp_q(st->avg_frame_rate, rate) != 0 &&
                        av_q2d(rate) > 2 * av_q2d(st->avg_frame_rate))
                        rate = st->avg_frame_rate;
                    if (rate.num && rate.den) s_.frameRate = rate;
                    if (s_.videoDisable)
                        st->discard = AVDISCARD_ALL;
                    else if (s_.videoDiscard)
                        st->discard = static_cast<AVDiscard>(s_.videoDiscard);
                    break;
                }
                case AVMEDIA_TYPE_AUDIO:
                    ist->decoder = forced[1] ? forced[1] : avcodec_find_decoder(par->codec_id);
                    s_.channelLayout =
                        par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
                    s_.channels = par->ch_layout.nb_channels;
                    s_.sampleRate = par->sample_rate;
                    s_.sampleFmt = par->format;
                    if (s_.audioDisable) st->discard = AVDISCARD_ALL;
                    break;
                case AVMEDIA_TYPE_SUBTITLE:
                    ist->decoder = forced[2] ? forced[2] : avcodec_find_decoder(par->codec_id);
                    if (s_.subtitleDisable) st->discard = AVDISCARD_ALL;
                    break;
                case AVMEDIA_TYPE_DATA:
                case AVMEDIA_TYPE_ATTACHMENT:
                case AVMEDIA_TYPE_UNKNOWN:
                    break;
                default:
                    throw FFmpegException("invalid codec_type");
            }
            inputStreams_.push_back(std::move(ist));
        }
        if (raw->duration != AV_NOPTS_VALUE && raw->duration > totalDuration_) totalDuration_ = raw->duration;
        in->tsOffset = s_.copyTs ? s_.inputTsOffset : s_.inputTsOffset - timestamp;
        for (int k = 0; k < kMaxStreams; ++k)
            in->tsScale[k] = s_.tsScale[k];
        if (s_.verbose >= 0) av_dump_format(raw, InputCount(), fileName.c_str(), 0);
        in->ctx = std::move(ic);
        inputs_.push_back(std::move(in));
        s_.videoChannel = 0;
        s_.videoCodecName.clear();
        s_.audioCodecName.clear();
        s_.subtitleCodecName.clear();
        s_.startTime = 0;
        s_.inputTsOffset = 0;
        for (double& sc : s_.tsScale)
            sc = 1.0;
        return true;
    } catch (const EngineError& e) {
        // drop the input streams of a failed open
        const size_t keep =
            inputs_.empty() ? 0
                            : static_cast<size_t>(inputs_.back()->firstStream + inputs_.back()->nbStreams);
        inputStreams_.resize(std::min(inputStreams_.size(), keep));
        errorMessage_ = e.what();
        return false;
    }
}

// ---------------------------------------------------------------- outputs

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
        ApplyCodecParamsTo(ost->enc.get(), kind, true);
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

void TCustomFFmpeg::NewVideoStream(int fileIndex) {
    OutputFile& of = *outputs_.at(fileIndex);
    const bool copy = s_.videoCopy;
    const AVCodec* codec =
        copy ? nullptr : ChooseEncoder(of, fileIndex, AVMEDIA_TYPE_VIDEO, s_.videoCodecName, "Video");
    OutputStream& ost = AddOutputStream(of, AVMEDIA_TYPE_VIDEO, codec, copy);
    ost.vfilters = s_.vfilters;
    ost.forceFps = s_.forceFps;
    ost.videoSync = s_.videoSync;
    ost.deinterlace = s_.deinterlace;
    ost.topField = s_.topField;
    ost.sameQuality = s_.sameQuality;
    ost.maxFrames = s_.maxFrames[0];
    if (s_.videoTag) ost.st->codecpar->codec_tag = s_.videoTag;
    if (!s_.vbsf.empty()) ost.bsfNames = s_.vbsf;
    if (!copy) {
        AVCodecContext* c = ost.enc.get();
        if (s_.videoTag) c->codec_tag = s_.videoTag;
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
        AVPixelFormat want = s_.pixFmt >= 0 ? AVPixelFormat(s_.pixFmt) : AV_PIX_FMT_YUV420P;
        // Motion JPEG takes full-range pictures unless the strictness allows unofficial ones.
        static const AVPixelFormat kJpegFormats[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P,
                                                     AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_NONE};
        const AVPixelFormat* formats = codec->pix_fmts;
        if ((codec->id == AV_CODEC_ID_MJPEG || codec->id == AV_CODEC_ID_LJPEG) &&
            kindDefaults_[AVMEDIA_TYPE_VIDEO]->strict_std_compliance > FF_COMPLIANCE_UNOFFICIAL)
            formats = kJpegFormats;
        if (formats) {
            bool supported = false;
            for (const AVPixelFormat* p = formats; *p != AV_PIX_FMT_NONE; ++p)
                supported |= *p == want;
            if (!supported) want = avcodec_find_best_pix_fmt_of_list(formats, want, 0, nullptr);
        }
        c->pix_fmt = want;
        if (s_.vglobal & 1) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (s_.vglobal & 2) c->flags &= ~AV_CODEC_FLAG_GLOBAL_HEADER;
        if (s_.intraOnly) c->gop_size = 0;
        if (s_.videoQScale > 0 || s_.sameQuality) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = static_cast<int>(FF_QP2LAMBDA * (s_.videoQScale > 0 ? s_.videoQScale : 1));
        }
        if (!s_.intraMatrix.empty()) {
            c->intra_matrix = static_cast<uint16_t*>(av_malloc(64 * sizeof(uint16_t)));
            std::copy(s_.intraMatrix.begin(), s_.intraMatrix.end(), c->intra_matrix);
        }
        if (!s_.interMatrix.empty()) {
            c->inter_matrix = static_cast<uint16_t*>(av_malloc(64 * sizeof(uint16_t)));
            std::copy(s_.interMatrix.begin(), s_.interMatrix.end(), c->inter_matrix);
        }
        if (!s_.rcOverride.empty()) {
            std::vector<RcOverride> ov;
            size_t pos = 0;
            while (pos < s_.rcOverride.size()) {
                size_t end = s_.rcOverride.find('/', pos);
                if (end == std::string::npos) end = s_.rcOverride.size();
                int start = 0, stop = 0, q = 0;
                if (sscanf(s_.rcOverride.substr(pos, end - pos).c_str(), "%d,%d,%d", &start, &stop, &q) != 3)
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
            c->rc_override = static_cast<RcOverride*>(av_malloc_array(ov.size(), sizeof(RcOverride)));
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
    if (!s_.videoLang.empty()) av_dict_set(&ost.st->metadata, "language", s_.videoLang.c_str(), 0);
    s_.videoDisable = false;
    s_.videoCodecName.clear();
    s_.videoCopy = false;
    s_.vfilters.clear();
    s_.vbsf.clear();
    s_.videoTag = 0;
}

void TCustomFFmpeg::NewAudioStream(int fileIndex) {
    OutputFile& of = *outputs_.at(fileIndex);
    const bool copy = s_.audioCopy;
    const AVCodec* codec =
        copy ? nullptr : ChooseEncoder(of, fileIndex, AVMEDIA_TYPE_AUDIO, s_.audioCodecName, "Audio");
    OutputStream& ost = AddOutputStream(of, AVMEDIA_TYPE_AUDIO, codec, copy);
    ost.volume = s_.volume;
    ost.audioSync = s_.audioSync;
    ost.driftThreshold = s_.audioDriftThreshold;
    ost.maxFrames = s_.maxFrames[1];
    if (s_.audioTag) ost.st->codecpar->codec_tag = s_.audioTag;
    if (!s_.absf.empty()) ost.bsfNames = s_.absf;
    if (!copy) {
        AVCodecContext* c = ost.enc.get();
        if (s_.audioTag) c->codec_tag = s_.audioTag;
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
    if (!s_.audioLang.empty()) av_dict_set(&ost.st->metadata, "language", s_.audioLang.c_str(), 0);
    s_.audioDisable = false;
    s_.audioCodecName.clear();
    s_.audioCopy = false;
    s_.absf.clear();
    s_.audioTag = 0;
}

void TCustomFFmpeg::NewSubtitleStream(int fileIndex) {
    OutputFile& of = *outputs_.at(fileIndex);
    const bool copy = s_.subtitleCopy;
    const AVCodec* codec =
        copy ? nullptr
             : ChooseEncoder(of, fileIndex, AVMEDIA_TYPE_SUBTITLE, s_.subtitleCodecName, "Subtitle");
    OutputStream& ost = AddOutputStream(of, AVMEDIA_TYPE_SUBTITLE, codec, copy);
    if (s_.subtitleTag) ost.st->codecpar->codec_tag = s_.subtitleTag;
    if (!s_.sbsf.empty()) ost.bsfNames = s_.sbsf;
    if (!copy) ost.enc->time_base = AVRational{1, 1000};
    if (!s_.subtitleLang.empty()) av_dict_set(&ost.st->metadata, "language", s_.subtitleLang.c_str(), 0);
    s_.subtitleDisable = false;
    s_.subtitleCodecName.clear();
    s_.subtitleCopy = false;
    s_.sbsf.clear();
    s_.subtitleTag = 0;
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

        bool useVideo = ofmt->video_codec != AV_CODEC_ID_NONE || !s_.videoCodecName.empty() || s_.videoCopy;
        bool useAudio = ofmt->audio_codec != AV_CODEC_ID_NONE || !s_.audioCodecName.empty() || s_.audioCopy;
        bool useSubtitle =
            ofmt->subtitle_codec != AV_CODEC_ID_NONE || !s_.subtitleCodecName.empty() || s_.subtitleCopy;
        if (!inputs_.empty()) {
            bool hasV = false, hasA = false, hasS = false;
            const size_t lastInput = join ? 1 : inputs_.size();
            for (size_t i = 0; i < lastInput; ++i) {
                AVFormatContext* ic = inputs_[i]->ctx.get();
                for (unsigned j = 0; j < ic->nb_streams; ++j) {
                    switch (ic->streams[j]->codecpar->codec_type) {
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
            useVideo = useVideo && hasV;
            useAudio = useAudio && hasA;
            useSubtitle = useSubtitle && hasS;
        }
        if (s_.videoDisable) useVideo = false;
        if (s_.audioDisable) useAudio = false;
        if (s_.subtitleDisable) useSubtitle = false;
        auto wrap = [](const char* what, const std::function<void()>& fn) {
            try {
                fn();
            } catch (const EngineError& e) {
                RaiseFmt("%s fail: %s", what, e.what());
            }
        };
        if (useVideo) wrap("new_video_stream", [&] { NewVideoStream(fileIndex); });
        if (useAudio) wrap("new_audio_stream", [&] { NewAudioStream(fileIndex); });
        if (useSubtitle) wrap("new_subtitle_stream", [&] { NewSubtitleStream(fileIndex); });
        s_.videoDisable = s_.audioDisable = s_.subtitleDisable = false;

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

        if ((ofmt->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(libName.c_str()))
            throw FFmpegException(FFErrorMessage(fileName, -33));
        if (!(ofmt->flags & AVFMT_NOFILE)) {
            const bool existed = FileExists(out.fileName);
            int ret;
            {
                TInterruptScope scope(&TCustomFFmpeg::TimeoutCheck, this);
                IOStartTime = av_gettime_relative();
                ret = avio_open2(&raw->pb, libName.c_str(), AVIO_FLAG_WRITE, EngineInterruptCB(), nullptr);
            }
            if (ret < 0) throw FFmpegException(FFErrorMessage(fileName, ret));
            out.fileCreated = !existed;
        }
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
        out.startTime = s_.startTime;
        out.recordingTime = s_.recordingTime;
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
            OutputFile& out = *outputs_.back();
            const std::string name = out.fileName;
            const bool created = out.fileCreated;
            outputs_.pop_back();
            int64_t size = -1;
            if (created && FileExists(name, &size) && size == 0) unlink(name.c_str());
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
