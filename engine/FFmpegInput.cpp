// Opening a task's inputs as the options name them: the demuxer, the chosen program, the streams with
// their decoders, the start position.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <utility>

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

// Reads only the streams of the program with this id.
void KeepOnlyProgram(AVFormatContext* raw, int programId) {
    bool found = false;
    for (unsigned i = 0; i < raw->nb_programs; ++i) {
        AVProgram* p = raw->programs[i];
        if (p->id != programId) {
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
            if (raw->programs[k]->id == programId)
                for (unsigned j = 0; j < raw->programs[k]->nb_stream_indexes; ++j)
                    inProgram = inProgram || raw->programs[k]->stream_index[j] == i;
        if (!inProgram) raw->streams[i]->discard = AVDISCARD_ALL;
    }
}

}  // namespace

// What the options tell the demuxer (raw formats and devices read them; files ignore them).
DictionaryPtr TCustomFFmpeg::InputOpenOptions() const {
    DictionaryPtr opts;
    if (s_.sampleRate) av_dict_set_int(opts.Address(), "sample_rate", s_.sampleRate, 0);
    if (s_.channels) av_dict_set_int(opts.Address(), "channels", s_.channels, 0);
    if (s_.frameRate.den)
        av_dict_set(opts.Address(), "framerate",
                    FormatStr("%d/%d", s_.frameRate.num, s_.frameRate.den).c_str(), 0);
    if (s_.frameWidth && s_.frameHeight)
        av_dict_set(opts.Address(), "video_size", FormatStr("%dx%d", s_.frameWidth, s_.frameHeight).c_str(),
                    0);
    if (s_.pixFmt >= 0)
        av_dict_set(opts.Address(), "pixel_format", av_get_pix_fmt_name(AVPixelFormat(s_.pixFmt)), 0);
    if (s_.videoChannel) av_dict_set_int(opts.Address(), "channel", s_.videoChannel, 0);
    if (!s_.tvStandard.empty()) av_dict_set(opts.Address(), "standard", s_.tvStandard.c_str(), 0);
    if (s_.loopInput) av_dict_set(opts.Address(), "loop", "1", 0);  // image sequences
    return opts;
}

// One input stream per stream of the file, with its decoder (forced by the options or found); the
// options take the file's picture and sound parameters, as the command-line tool does.
void TCustomFFmpeg::AddInputStreams(AVFormatContext* raw, const AVCodec* const forced[3]) {
    const size_t firstStream = inputStreams_.size();
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
                s_.pixFmtChosen = false;
                s_.aspectChosen = false;
                AVRational sar =
                    st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
                if (par->width && par->height)
                    s_.frameAspect = (sar.num ? av_q2d(sar) : 1.0) * par->width / par->height;
                else
                    s_.frameAspect = 4.0 / 3.0;
                AVRational rate = st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate;
                if (st->avg_frame_rate.num && st->avg_frame_rate.den && rate.num &&
                    av_cmp_q(st->avg_frame_rate, rate) != 0 && av_q2d(rate) > 2 * av_q2d(st->avg_frame_rate))
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
    MarkUndecodableStreams(firstStream);
}

// A stream of a codec the libraries cannot decode (an unknown one beside a good picture, say) is left out as
// if the file did not have it, and said once; when no stream of the file can be decoded, nothing is left out
// and the conversion fails on it as before.
void TCustomFFmpeg::MarkUndecodableStreams(size_t firstStream) {
    auto isMedia = [](const InputStream& s) {
        const AVMediaType t = s.st->codecpar->codec_type;
        return t == AVMEDIA_TYPE_VIDEO || t == AVMEDIA_TYPE_AUDIO || t == AVMEDIA_TYPE_SUBTITLE;
    };
    const auto first = inputStreams_.begin() + static_cast<std::ptrdiff_t>(firstStream);
    if (std::none_of(first, inputStreams_.end(), [&](const auto& s) { return isMedia(*s) && s->decoder; }))
        return;
    for (auto it = first; it != inputStreams_.end(); ++it) {
        InputStream& s = **it;
        if (!isMedia(s) || s.decoder) continue;
        s.undecodable = true;
        Log(llWarning, FormatStr("Input stream #%d.%d (%s): no decoder for its codec (id %d); it is left out",
                                 s.fileIndex, s.streamIndex, MediaKindName(s.st->codecpar->codec_type),
                                 static_cast<int>(s.st->codecpar->codec_id)));
    }
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

// Opens the container as the record says: the demuxer with its options and forced decoders, the program,
// the stream parameters, the start position. The probe hook sees the first opening only. Raises with the
// reason.
InputFormatContextPtr TCustomFFmpeg::OpenContainer(const InputOpening& how, bool firstOpening) {
    // a pipe or a device would block this thread for good; a device format named by the options reads its
    // own kind of name
    if (!how.forcedFormat || !(how.forcedFormat->flags & AVFMT_NOFILE)) {
        const std::string refusal = NotAFileMessage(DecodeUnicodeName(how.fileName));
        if (!refusal.empty()) throw FFmpegException(refusal);
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) throw FFmpegException("avformat_alloc_context failed");
    InputFormatContextPtr ic(raw);
    InstallInterruptCB(raw);
    RestrictInputProtocols(raw, how.libraryName);
    DictionaryPtr opts;
    av_dict_copy(opts.Address(), how.demuxerOptions.get(), 0);
    for (const OptionLine& p : how.formatParams)
        av_opt_set(raw, p.name.c_str(), p.value.c_str(), 0);
    if (const AVCodec* c = how.forcedDecoders[0]) raw->video_codec_id = c->id, raw->video_codec = c;
    if (const AVCodec* c = how.forcedDecoders[1]) raw->audio_codec_id = c->id, raw->audio_codec = c;
    if (const AVCodec* c = how.forcedDecoders[2]) raw->subtitle_codec_id = c->id, raw->subtitle_codec = c;
    raw->flags |= AVFMT_FLAG_NONBLOCK;

    int ret;
    {
        TInterruptScope scope(&TCustomFFmpeg::TimeoutCheck, this);
        IOStartTime = av_gettime_relative();
        AVFormatContext* p = ic.release();
        ret = avformat_open_input(&p, how.libraryName.c_str(), how.forcedFormat, opts.Address());
        ic.reset(p);  // null on failure: avformat_open_input freed it
    }
    if (ret < 0) throw FFmpegException(FFErrorMessage(how.fileName, ret));
    raw = ic.get();
    if (how.programId >= 0) KeepOnlyProgram(raw, how.programId);
    if (firstOpening && OnBeforeFindStreamInfo) OnBeforeFindStreamInfo(*this, raw);
    {
        TInterruptScope scope(&TCustomFFmpeg::TimeoutCheck, this);
        IOStartTime = av_gettime_relative();
        ret = avformat_find_stream_info(raw, nullptr);
    }
    if (ret < 0 && s_.verbose >= 0) {
        LogF(llVerbose, "%s: could not find codec parameters", how.fileName.c_str());
        RaiseFmt("%s: could not find codec parameters", how.fileName.c_str());
    }
    if (how.startPositionUs != AV_NOPTS_VALUE) {
        const int64_t timestamp =
            how.startPositionUs + (raw->start_time != AV_NOPTS_VALUE ? raw->start_time : 0);
        if (avformat_seek_file(raw, -1, INT64_MIN, timestamp, timestamp, 0) < 0 && s_.verbose > 0)
            LogF(llVerbose, "%s: could not seek to position %0.3f", how.fileName.c_str(), timestamp / 1e6);
    }
    return ic;
}

bool TCustomFFmpeg::OpenInput(const std::string& fileName) {
    try {
        if (InputCount() >= maxInputs_) RaiseFmt("max input files %d reached", maxInputs_);
        auto in = std::make_unique<InputFile>();
        InputOpening& how = in->opening;
        how.fileName = fileName;
        how.libraryName = ToLibraryName(fileName);
        if (!s_.forcedFormat.empty()) {
            how.forcedFormat = av_find_input_format(s_.forcedFormat.c_str());
            if (!how.forcedFormat) RaiseFmt("Unknown input format: \"%s\"", s_.forcedFormat.c_str());
            s_.forcedFormat.clear();
        }
        how.demuxerOptions = InputOpenOptions();
        how.formatParams = params_.format;
        if (!s_.videoCodecName.empty())
            how.forcedDecoders[0] = FindCodecOrRaise(s_.videoCodecName, AVMEDIA_TYPE_VIDEO, false);
        if (!s_.audioCodecName.empty())
            how.forcedDecoders[1] = FindCodecOrRaise(s_.audioCodecName, AVMEDIA_TYPE_AUDIO, false);
        if (!s_.subtitleCodecName.empty())
            how.forcedDecoders[2] = FindCodecOrRaise(s_.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false);
        how.programId = std::exchange(s_.programId, -1);
        if (s_.startTime != 0) how.startPositionUs = s_.startTime;

        InputFormatContextPtr ic = OpenContainer(how, true);
        AVFormatContext* raw = ic.get();
        int64_t timestamp = s_.startTime;
        if (raw->start_time != AV_NOPTS_VALUE) timestamp += raw->start_time;

        in->firstStream = static_cast<int>(inputStreams_.size());
        in->nbStreams = static_cast<int>(raw->nb_streams);
        AddInputStreams(raw, how.forcedDecoders);
        if (raw->duration != AV_NOPTS_VALUE && raw->duration > totalDuration_) totalDuration_ = raw->duration;
        in->tsOffsetUs = s_.copyTs ? s_.inputTsOffset : s_.inputTsOffset - timestamp;
        for (int k = 0; k < kMaxStreams; ++k)
            in->tsScale[k] = s_.tsScale[k];
        if (s_.verbose >= 0) av_dump_format(raw, InputCount(), fileName.c_str(), 0);
        // what the probe learned stays; the file itself is opened again when the task runs
        if (raw->pb && !(raw->iformat->flags & AVFMT_NOFILE) && !(raw->flags & AVFMT_FLAG_CUSTOM_IO)) {
            avio_closep(&raw->pb);
            in->fileClosed = true;
        }
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

// When the task starts, each input closed after probing is opened again. The file must still hold the
// streams the outputs were set up for; a file that vanished or changed fails the task with the reason.
void TCustomFFmpeg::ReopenInputs() {
    for (size_t i = 0; i < inputs_.size(); ++i) {
        InputFile& in = *inputs_[i];
        if (!in.fileClosed) continue;
        InputFormatContextPtr fresh = OpenContainer(in.opening, false);
        const AVFormatContext* probed = in.ctx.get();
        bool same = fresh->iformat == probed->iformat && fresh->nb_streams == probed->nb_streams;
        for (unsigned k = 0; same && k < fresh->nb_streams; ++k) {
            const AVCodecParameters* now = fresh->streams[k]->codecpar;
            const AVCodecParameters* then = probed->streams[k]->codecpar;
            same = now->codec_type == then->codec_type && now->codec_id == then->codec_id;
        }
        if (!same)
            RaiseFmt("%s: the file changed since it was added (its streams are not the ones it had)",
                     in.opening.fileName.c_str());
        // the choices made on the probed streams (left out, program) hold for the file's streams
        for (unsigned k = 0; k < fresh->nb_streams; ++k) {
            fresh->streams[k]->discard = probed->streams[k]->discard;
            inputStreams_[in.firstStream + k]->st = fresh->streams[k];
        }
        for (unsigned p = 0; p < std::min(fresh->nb_programs, probed->nb_programs); ++p)
            fresh->programs[p]->discard = probed->programs[p]->discard;
        in.probed = std::move(in.ctx);
        in.ctx = std::move(fresh);
        in.fileClosed = false;
    }
}

}  // namespace engine
