// Running a task: set-up of the stream tables and codecs, the main loop, flushing, progress and release.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "core/Dispatcher.h"
#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/FrameHook.h"
#include "engine/InterruptCB.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

namespace engine {

const char* MediaKindName(AVMediaType kind);

void TCustomFFmpeg::Run() {
    finished_ = false;
    try {
        Transcode();
    } catch (const std::exception& e) {
        Log(llQuiet, e.what());
        SetError(e.what());
    }
    try {
        CloseCodecs();
    } catch (const std::exception& e) {
        Log(llQuiet, e.what());
        SetError(e.what());
    }
}

void TCustomFFmpeg::CloseCodecs() {
    for (auto& ost : outputStreams_) {
        if (ost->enc) av_freep(&ost->enc->stats_in);  // the caller's, not freed with the context
        if (ost->enc && ost->encoderOpened) {
            ost->enc.reset();
            ost->encoderOpened = false;
        }
    }
    for (auto& ist : inputStreams_)
        ist->dec.reset();
}

int64_t TCustomFFmpeg::InputTimeOffset(int fileIndex) const {
    return inputs_[fileIndex]->tsOffset;
}

// ---------------------------------------------------------------- set-up

void TCustomFFmpeg::SetupStreams() {
    int totalOst = 0;
    for (size_t i = 0; i < outputs_.size(); ++i) {
        OutputFile& of = *outputs_[i];
        if (of.nbStreams == 0 && !(of.ctx->oformat->flags & AVFMT_NOSTREAMS))
            RaiseFmt("Output file #%d does not contain any stream", static_cast<int>(i));
        totalOst += of.nbStreams;
    }
    if (!streamMaps_.empty() && static_cast<int>(streamMaps_.size()) != totalOst)
        throw FFmpegException("Number of stream maps must match number of output streams");
    auto findIst = [this](int file, int stream) -> InputStream* {
        if (file < 0 || file >= InputCount() || stream < 0 || stream >= inputs_[file]->nbStreams)
            return nullptr;
        return inputStreams_[inputs_[file]->firstStream + stream].get();
    };
    for (const StreamMap& m : streamMaps_) {
        if (!findIst(m.file, m.stream)) RaiseFmt("Could not find input stream #%d.%d", m.file, m.stream);
        if (!findIst(m.syncFile, m.syncStream))
            RaiseFmt("Could not find sync stream #%d.%d", m.syncFile, m.syncStream);
    }

    int n = 0;
    for (auto& ostPtr : outputStreams_) {
        OutputStream& ost = *ostPtr;
        InputStream* src = nullptr;
        if (!streamMaps_.empty()) {
            const StreamMap& m = streamMaps_[n];
            src = findIst(m.file, m.stream);
            ost.sync = findIst(m.syncFile, m.syncStream);
            if (src->st->codecpar->codec_type != ost.kind)
                RaiseFmt("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)", m.file, m.stream,
                         MediaKindName(src->st->codecpar->codec_type), ost.fileIndex, ost.index,
                         MediaKindName(ost.kind));
        } else {
            const int firstFile = join_ ? joinInput_ : 0;
            const int lastFile = join_ ? joinInput_ + 1 : InputCount();
            for (int f = firstFile; f < lastFile && !src; ++f) {
                AVFormatContext* ic = inputs_[f]->ctx.get();
                const int best = av_find_best_stream(ic, ost.kind, -1, -1, nullptr, 0);
                InputStream* cand = best >= 0 ? findIst(f, best) : nullptr;
                if (cand && !cand->used && cand->st->discard != AVDISCARD_ALL) src = cand;
                for (int k = 0; k < inputs_[f]->nbStreams && !src; ++k) {
                    InputStream* c = findIst(f, k);
                    if (!c->used && c->st->discard != AVDISCARD_ALL &&
                        c->st->codecpar->codec_type == ost.kind)
                        src = c;
                }
            }
            if (!src && !join_) {
                for (int i = static_cast<int>(inputStreams_.size()) - 1; i >= 0 && !src; --i) {
                    InputStream* c = inputStreams_[i].get();
                    if (c->st->discard != AVDISCARD_ALL && c->st->codecpar->codec_type == ost.kind) src = c;
                }
            }
            if (!src)
                RaiseFmt("Could not find input stream matching output stream #%d.%d (%s)", ost.fileIndex,
                         ost.index, MediaKindName(ost.kind));
            ost.sync = src;
        }
        ost.source = src;
        src->used = true;
        src->discard = false;
        src->decodingNeeded = src->decodingNeeded || ost.encoding;
        src->outputs.push_back(&ost);
        ++n;
    }

    for (size_t ostIndex = 0; ostIndex < outputStreams_.size(); ++ostIndex) {
        OutputStream& ost = *outputStreams_[ostIndex];
        InputStream& ist = *ost.source;
        AVCodecParameters* ipar = ist.st->codecpar;
        AVDictionaryEntry* lang = av_dict_get(ist.st->metadata, "language", nullptr, 0);
        if (lang && metadataStreamsAuto_ && !av_dict_get(ost.st->metadata, "language", nullptr, 0))
            av_dict_set(&ost.st->metadata, "language", lang->value, 0);
        if (!ost.encoding) {
            if (ost.kind == AVMEDIA_TYPE_AUDIO) {
                if (AudioHookOn)
                    throw FFmpegException(
                        "-acodec copy and AudioHook are incompatible (frames are not decoded)");
                if (ost.volume != 256)
                    throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
            }
            if (ost.kind == AVMEDIA_TYPE_VIDEO) {
                if (VideoInputHookOn || VideoOutputHookOn)
                    throw FFmpegException(
                        "-vcodec copy and VideoHook are incompatible (frames are not decoded)");
                if (!hooks_.empty())
                    throw FFmpegException(
                        "-vcodec copy and -vhook are incompatible (frames are not decoded)");
                if (preview_ || previewBitmap_)
                    throw FFmpegException(
                        "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
            }
            const uint32_t tag = ost.st->codecpar->codec_tag;
            if (avcodec_parameters_copy(ost.st->codecpar, ipar) < 0)
                throw FFmpegException("icodec.extradata_size is invalid (too large)");
            const AVOutputFormat* ofmt = outputs_[ost.fileIndex]->ctx->oformat;
            if (tag) {
                ost.st->codecpar->codec_tag = tag;
            } else if (ofmt->codec_tag &&
                       av_codec_get_id(ofmt->codec_tag, ipar->codec_tag) != ipar->codec_id &&
                       av_codec_get_tag(ofmt->codec_tag, ipar->codec_id)) {
                ost.st->codecpar->codec_tag = 0;
            } else if (ofmt->codec_tag &&
                       av_codec_get_id(ofmt->codec_tag, ipar->codec_tag) != ipar->codec_id) {
                ost.st->codecpar->codec_tag = 0;
            }
            ost.st->time_base = ist.st->time_base;
            ost.st->avg_frame_rate = ist.st->avg_frame_rate;
            ost.st->r_frame_rate = ist.st->r_frame_rate;
            ost.st->sample_aspect_ratio = ist.st->sample_aspect_ratio;
            if (ost.kind == AVMEDIA_TYPE_AUDIO &&
                ((ipar->codec_id == AV_CODEC_ID_MP3 && ipar->block_align == 1) ||
                 ipar->codec_id == AV_CODEC_ID_AC3))
                ost.st->codecpar->block_align = 0;
            continue;
        }
        AVCodecContext* enc = ost.enc.get();
        if (ost.kind == AVMEDIA_TYPE_VIDEO) {
            if (enc->pix_fmt == AV_PIX_FMT_NONE)
                throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
            if (enc->width <= 0 || enc->height <= 0) {
                enc->width = ipar->width;
                enc->height = ipar->height;
            }
            FitPictureSize(ost);
            if (ost.deinterlace) ost.vfilters = ost.vfilters.empty() ? "yadif" : "yadif," + ost.vfilters;
            if (!ost.vfilters.empty()) {
                BuildFilterGraph(ost, ipar->width, ipar->height, ipar->format, ist.st->sample_aspect_ratio);
                // the filters chose the size: the graph ends in a scaler to a size the encoder takes
                if (FitPictureSize(ost))
                    BuildFilterGraph(ost, ipar->width, ipar->height, ipar->format,
                                     ist.st->sample_aspect_ratio);
            }
            if (s_.doPass) {
                const std::string prefix = s_.passLogFile.empty() ? "ffmpeg2pass" : s_.passLogFile;
                // one file per output stream of the task: two outputs never share one
                ost.passLogName = FormatStr("%s-%d.log", prefix.c_str(), static_cast<int>(ostIndex));
                if (std::string(ost.codec->name) == "libx264") {
                    av_opt_set(enc->priv_data, "stats", ost.passLogName.c_str(), 0);
                } else if (enc->flags & AV_CODEC_FLAG_PASS1) {
                    ost.passLog.reset(fopen(ost.passLogName.c_str(), "wb"));
                    if (!ost.passLog)
                        RaiseFmt("Cannot write log file %s for pass-1 encoding", ost.passLogName.c_str());
                } else if (enc->flags & AV_CODEC_FLAG_PASS2) {
                    std::ifstream in(ost.passLogName, std::ios::binary);
                    if (!in)
                        RaiseFmt("Cannot read file: Error reading log file \"%s\" for pass-2 encoding",
                                 ost.passLogName.c_str());
                    std::stringstream ss;
                    ss << in.rdbuf();
                    ost.statsIn = ss.str();
                    enc->stats_in = av_strdup(ost.statsIn.c_str());
                    if (!enc->stats_in)
                        RaiseFmt(
                            "Could not allocate file buffer: Error reading log file \"%s\" for pass-2 "
                            "encoding",
                            ost.passLogName.c_str());
                }
            }
        }
    }
}

// An encoder that needs the size in multiples (even for libx264, 4 for rv20) gets the largest such size
// within the picture; the picture is scaled to it. True when the size changed.
bool TCustomFFmpeg::FitPictureSize(OutputStream& ost) {
    AVCodecContext* enc = ost.enc.get();
    const SizeAlignment a = PictureAlignment(ost.codec, enc->pix_fmt);
    const int w = std::max(a.width, enc->width / a.width * a.width);
    const int h = std::max(a.height, enc->height / a.height * a.height);
    if (w == enc->width && h == enc->height) return false;
    LogF(llInfo, "Picture size %dx%d rounded to %dx%d, which %s takes", enc->width, enc->height, w, h,
         ost.codec->name);
    enc->width = w;
    enc->height = h;
    return true;
}

void TCustomFFmpeg::OpenEncoders() {
    std::string error;
    for (auto& ostPtr : outputStreams_) {
        OutputStream& ost = *ostPtr;
        if (!ost.encoding) continue;
        AVCodecContext* enc = ost.enc.get();
        if (!ost.codec) {
            error = FormatStr("Encoder (codec id %d) not found for output stream #%d.%d (%s)", enc->codec_id,
                              ost.fileIndex, ost.index, MediaKindName(ost.kind));
            break;
        }
        if (ost.kind == AVMEDIA_TYPE_SUBTITLE && ost.source->dec && ost.source->dec->subtitle_header) {
            enc->subtitle_header =
                static_cast<uint8_t*>(av_mallocz(ost.source->dec->subtitle_header_size + 1));
            memcpy(enc->subtitle_header, ost.source->dec->subtitle_header,
                   ost.source->dec->subtitle_header_size);
            enc->subtitle_header_size = ost.source->dec->subtitle_header_size;
        }
        if (avcodec_open2(enc, ost.codec, nullptr) < 0) {
            error = FormatStr(
                "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters such "
                "as "
                "bit_rate, rate, width or height. Please check error log message to find out more detail "
                "information.",
                ost.fileIndex, ost.index, MediaKindName(ost.kind));
            break;
        }
        ost.encoderOpened = true;
        avcodec_parameters_from_context(ost.st->codecpar, enc);
        // what the encoder tells the muxer, such as the buffer sizes (CPB properties) a disc header states
        for (int k = 0; k < enc->nb_coded_side_data; ++k) {
            const AVPacketSideData& sd = enc->coded_side_data[k];
            uint8_t* dst = av_stream_new_side_data(ost.st, sd.type, sd.size);
            if (!dst) throw std::bad_alloc();
            memcpy(dst, sd.data, sd.size);
        }
        ost.st->time_base = enc->time_base;
        if (ost.kind == AVMEDIA_TYPE_VIDEO) {
            ost.st->avg_frame_rate = enc->framerate;
            ost.st->r_frame_rate = enc->framerate;
            for (int64_t& t : ost.forcedKfPts)
                t = av_rescale_q(t, AV_TIME_BASE_Q, enc->time_base);
        }
        if (ost.kind == AVMEDIA_TYPE_AUDIO) {
            ost.frameSize =
                (ost.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) ? 0 : enc->frame_size;
            AVAudioFifo* fifo = av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024);
            if (!fifo) throw std::bad_alloc();
            ost.fifo.reset(fifo);
        }
        extraSize_ += enc->extradata_size;
    }
    if (error.empty()) {
        for (auto& ostPtr : outputStreams_) {
            OutputStream& ost = *ostPtr;
            if (ost.bsfNames.empty()) continue;
            for (const std::string& spec : ost.bsfNames) {
                const size_t eq = spec.find('=');
                const std::string name = spec.substr(0, eq);
                const AVBitStreamFilter* f = av_bsf_get_by_name(name.c_str());
                AVBSFContext* ctx = nullptr;
                if (!f || av_bsf_alloc(f, &ctx) < 0) RaiseFmt("Unknown bitstream filter %s", name.c_str());
                BSFContextPtr holder(ctx);
                const AVCodecParameters* in = ost.bsfs.empty() ? ost.st->codecpar : ost.bsfs.back()->par_out;
                avcodec_parameters_copy(ctx->par_in, in);
                ctx->time_base_in = ost.st->time_base;
                if (eq != std::string::npos && ctx->priv_data)
                    av_set_options_string(ctx->priv_data, spec.substr(eq + 1).c_str(), "=", ":");
                const int ret = av_bsf_init(ctx);
                if (ret < 0)
                    RaiseFmt("%s failed for stream %d, codec %s: %s", name.c_str(), ost.index,
                             ost.encoding ? ost.codec->name : "copy", FFErrorText(ret).c_str());
                ost.bsfs.push_back(std::move(holder));
            }
            avcodec_parameters_copy(ost.st->codecpar, ost.bsfs.back()->par_out);
        }
    }
    // The stream mapping is logged before an encoder error is raised.
    if (s_.verbose >= 0) {
        Log(llVerbose, "Stream mapping:");
        for (auto& ostPtr : outputStreams_) {
            OutputStream& ost = *ostPtr;
            std::string line =
                FormatStr("  Stream #%d.%d -> #%d.%d (%s)", ost.source->fileIndex, ost.source->streamIndex,
                          ost.fileIndex, ost.index, ost.encoding ? ost.codec->name : "copy");
            if (ost.sync && ost.sync != ost.source)
                line += FormatStr(" [sync #%d.%d (%s)]", ost.sync->fileIndex, ost.sync->streamIndex,
                                  MediaKindName(ost.kind));
            Log(llVerbose, line);
        }
    }
    if (!error.empty()) {
        Log(llError, error);
        throw FFmpegException(error);
    }
}

void TCustomFFmpeg::OpenDecoders() {
    for (auto& istPtr : inputStreams_) {
        InputStream& ist = *istPtr;
        if (!ist.decodingNeeded) continue;
        const AVMediaType kind = ist.st->codecpar->codec_type;
        if (!ist.decoder)
            RaiseFmt("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                     ist.st->codecpar->codec_id, ist.fileIndex, ist.streamIndex, MediaKindName(kind));
        ist.dec = MakeCodecContext(ist.decoder);
        avcodec_parameters_to_context(ist.dec.get(), ist.st->codecpar);
        ist.dec->pkt_timebase = ist.st->time_base;
        ist.dec->thread_count = s_.threads;
        ApplyCodecParamsTo(ist.dec.get(), kind, false);
        if (avcodec_open2(ist.dec.get(), ist.decoder, nullptr) < 0) {
            ist.dec.reset();
            RaiseFmt("Error while opening decoder for input stream #%d.%d (%s)", ist.fileIndex,
                     ist.streamIndex, MediaKindName(kind));
        }
    }
    for (auto& istPtr : inputStreams_) {
        InputStream& ist = *istPtr;
        ist.pts = 0;
        if (ist.st->avg_frame_rate.num && ist.dec)
            ist.pts = -static_cast<int64_t>(ist.dec->has_b_frames * 1000000 / av_q2d(ist.st->avg_frame_rate));
        ist.nextPts = AV_NOPTS_VALUE;
        ist.startWallTime = av_gettime_relative();
    }
}

void TCustomFFmpeg::WriteHeaders() {
    // metadata and chapter maps
    for (const auto& [out, in] : metaMaps_) {
        if (out.file < 0 || out.file >= OutputCount())
            RaiseFmt("Invalid %s index %d while processing metadata maps", "output file", out.file);
        if (in.file < 0 || in.file >= InputCount())
            RaiseFmt("Invalid %s index %d while processing metadata maps", "input file", in.file);
        AVFormatContext* oc = outputs_[out.file]->ctx.get();
        AVFormatContext* ic = inputs_[in.file]->ctx.get();
        auto pick = [](AVFormatContext* c, const MetadataMap& m, const char* what) -> AVDictionary** {
            switch (m.type) {
                case 's':
                    if (m.index < 0 || m.index >= static_cast<int>(c->nb_streams))
                        RaiseFmt("Invalid %s index %d while processing metadata maps", "stream", m.index);
                    return &c->streams[m.index]->metadata;
                case 'c':
                    if (m.index < 0 || m.index >= static_cast<int>(c->nb_chapters))
                        RaiseFmt("Invalid %s index %d while processing metadata maps", "chapter", m.index);
                    return &c->chapters[m.index]->metadata;
                case 'p':
                    if (m.index < 0 || m.index >= static_cast<int>(c->nb_programs))
                        RaiseFmt("Invalid %s index %d while processing metadata maps", "program", m.index);
                    return &c->programs[m.index]->metadata;
                default:
                    return &c->metadata;
            }
        };
        av_dict_copy(pick(oc, out, "output"), *pick(ic, in, "input"), AV_DICT_DONT_OVERWRITE);
    }
    for (const auto& [out, in] : chapterMaps_) {
        if (in < 0 || in >= InputCount()) RaiseFmt("Invalid input file index %d in chapter mapping.", in);
        if (out < 0 || out >= OutputCount())
            RaiseFmt("Invalid output file index %d in chapter mapping.", out);
    }
    for (size_t i = 0; i < outputs_.size(); ++i) {
        AVFormatContext* oc = outputs_[i]->ctx.get();
        if (metadataGlobalAuto_ && !inputs_.empty())
            av_dict_copy(&oc->metadata, inputs_[0]->ctx->metadata, AV_DICT_DONT_OVERWRITE);
        if (metadataChaptersAuto_ && !inputs_.empty() && oc->nb_chapters == 0 && !join_) {
            AVFormatContext* ic = inputs_[0]->ctx.get();
            for (unsigned c = 0; c < ic->nb_chapters; ++c) {
                AVChapter* in = ic->chapters[c];
                AVChapter* ch = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
                if (!ch) break;
                *ch = *in;
                ch->metadata = nullptr;
                av_dict_copy(&ch->metadata, in->metadata, 0);
                AVChapter** grown = static_cast<AVChapter**>(
                    av_realloc_array(oc->chapters, oc->nb_chapters + 1, sizeof(AVChapter*)));
                if (grown) {
                    oc->chapters = grown;
                    oc->chapters[oc->nb_chapters++] = ch;
                } else {
                    av_dict_free(&ch->metadata);
                    av_free(ch);
                    break;
                }
            }
        }
        // encoder and muxer names of this library generation are not the user's metadata
        av_dict_set(&oc->metadata, "encoder", nullptr, 0);
        DictionaryPtr opts;
        if (avformat_write_header(oc, opts.Address()) < 0) {
            const std::string msg =
                FormatStr("Could not write header for output file #%d (incorrect codec parameters ?)",
                          static_cast<int>(i));
            Log(llError, msg);
            throw FFmpegException(msg);
        }
        outputs_[i]->headerWritten = true;
    }
    bool allRtp = !outputs_.empty();
    for (auto& of : outputs_)
        allRtp = allRtp && std::string(of->ctx->oformat->name) == "rtp";
    if (allRtp) {
        std::vector<AVFormatContext*> ctxs;
        for (auto& of : outputs_)
            ctxs.push_back(of->ctx.get());
        char sdp[16384];
        av_sdp_create(ctxs.data(), static_cast<int>(ctxs.size()), sdp, sizeof sdp);
        Log(llInfo, std::string("SDP:\r\n") + sdp);
    }
}

// ---------------------------------------------------------------- the loop

void TCustomFFmpeg::Transcode() {
    if (outputs_.empty()) throw FFmpegException("At least one output file must be specified");
    if (inputs_.empty()) throw FFmpegException("At least one input file must be specified");
    SetupStreams();
    OpenEncoders();
    OpenDecoders();
    WriteHeaders();
    jumpLimitUs_ = ComputeJumpLimit();
    timerStart_ = av_gettime_relative();
    lastReportTime_ = timerStart_;
    {
        // A stop request aborts blocking reads of this thread; outputs keep writing so the trailer follows.
        std::unique_ptr<TInterruptScope> stopScope;
        if (!core::mainDispatcher().isMainThread())
            stopScope = std::make_unique<TInterruptScope>(&TCustomFFmpeg::StopCheck, this);
        MainLoop();
    }
    for (auto& ist : inputStreams_)
        if (ist->decodingNeeded && !ist->flushed && !ist->discard) FlushInputStream(*ist);
    FlushEncoders();
    for (auto& of : outputs_) {
        if (!of->headerWritten || of->trailerWritten) continue;
        of->trailerWritten = true;
        const int ret = av_write_trailer(of->ctx.get());
        if (ret < 0) throw FFmpegException(FFErrorMessage(of->fileName, ret));
    }
    ReportProgress(true, -1);
    if (stopRequested_) return;
    // a file with headers and no media is no result (Release removes it)
    for (size_t i = 0; i < outputs_.size(); ++i)
        if (outputs_[i]->packetsWritten == 0 && !(outputs_[i]->ctx->oformat->flags & AVFMT_NOSTREAMS))
            RaiseFmt("Output file #%d received no audio or video: nothing could be read from the input",
                     static_cast<int>(i));
    WarnIfInputEndedEarly();
    finished_ = true;
}

void TCustomFFmpeg::MainLoop() {
    PacketPtr pkt = MakePacket();
    while (!stopRequested_) {
        int fileIndex = -1;
        bool anyEagain = false;
        bool limitReached = false;
        if (join_) {
            if (joinInput_ < InputCount() && !inputs_[joinInput_]->eof) fileIndex = joinInput_;
            for (auto& ost : outputStreams_)
                if (ost->frameNumber >= ost->maxFrames) limitReached = true;
        } else {
            double best = 1e300;
            for (auto& ostPtr : outputStreams_) {
                OutputStream& ost = *ostPtr;
                if (!ost.source || ost.source->discard) continue;
                InputFile& in = *inputs_[ost.source->fileIndex];
                if (in.eof) continue;
                if (in.eagain) {
                    anyEagain = true;
                    continue;
                }
                if (ost.frameNumber >= ost.maxFrames) {
                    limitReached = true;
                    break;
                }
                const double t = s_.inputSync ? ost.source->pts / 1e6 : ost.endTimeUs / 1e6;
                if (t < best) {
                    best = t;
                    fileIndex = ost.source->fileIndex;
                }
            }
        }
        if (limitReached) break;
        if (fileIndex < 0) {
            if (join_ || !anyEagain) break;
            for (auto& in : inputs_)
                in->eagain = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        OutputFile& first = *outputs_[0];
        if (first.limitFilesize && first.ctx->pb && avio_tell(first.ctx->pb) >= first.limitFilesize) break;

        InputFile& in = *inputs_[fileIndex];
        AVFormatContext* ic = in.ctx.get();
        const int ret = av_read_frame(ic, pkt.get());
        if (ret == AVERROR(EAGAIN)) {
            in.eagain = true;
            continue;
        }
        if (ret < 0) {
            in.eof = true;
            if (join_) {
                SwitchJoinInput();
                if (joinInput_ >= InputCount()) break;
                continue;
            }
            if (first.shortest) break;
            continue;
        }
        PacketUnref unref(pkt.get());
        NoteReadEnd(in, ic->streams[pkt->stream_index], pkt.get());
        if (s_.doDump) {
            av_pkt_dump_log2(nullptr, AV_LOG_INFO, pkt.get(), s_.doHex, ic->streams[pkt->stream_index]);
        }
        if (pkt->stream_index >= in.nbStreams) continue;
        InputStream& ist = *inputStreams_[in.firstStream + pkt->stream_index];
        if (ist.discard) continue;
        const AVRational tb = ist.st->time_base;
        const int64_t offset = av_rescale_q(in.tsOffset, AV_TIME_BASE_Q, tb);
        if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;
        const double scale = pkt->stream_index < kMaxStreams ? in.tsScale[pkt->stream_index] : 1.0;
        if (scale != 1.0) {
            if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = std::llround(pkt->dts * scale);
            if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = std::llround(pkt->pts * scale);
        }
        FixTimestampJump(in, ist, pkt.get());
        const int64_t endTime =
            first.recordingTime == kNoLimit ? kNoLimit : first.startTime + first.recordingTime;
        const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (endTime != kNoLimit && ts != AV_NOPTS_VALUE &&
            av_compare_ts(ts, tb, endTime, AV_TIME_BASE_Q) >= 0) {
            ist.discard = true;
            if (ist.decodingNeeded && !ist.flushed) FlushInputStream(ist);
            continue;
        }
        bool ok = true;
        try {
            ProcessPacket(ist, pkt.get());
        } catch (const DecodeFailure&) {
            ok = false;
        }
        if (!ok) {
            const std::string msg = FormatStr("Error while decoding stream #%d.%d (%s)", ist.fileIndex,
                                              ist.streamIndex, MediaKindName(ist.st->codecpar->codec_type));
            if (s_.exitOnError) throw FFmpegException(msg);
            if (s_.verbose >= 0) Log(llVerbose, msg);
        }
        if (av_gettime_relative() - lastReportTime_ >= ProgressInterval) ReportProgress(false, fileIndex);
    }
}

// Formats with discontinuous timestamps (MPEG-TS) shift the input's offset at every jump beyond the "dts
// delta" threshold. In any other format a jump of audio or video beyond jumpLimitUs_ is a corrupt time,
// treated as a discontinuity too, so that it cannot make the output run on for that long.
void TCustomFFmpeg::FixTimestampJump(InputFile& in, InputStream& ist, AVPacket* pkt) {
    if (pkt->dts == AV_NOPTS_VALUE || s_.copyTs) return;
    const AVRational tb = ist.st->time_base;
    const bool discontinuous = in.ctx->iformat->flags & AVFMT_TS_DISCONT;
    const AVMediaType kind = ist.st->codecpar->codec_type;
    if (!discontinuous && kind != AVMEDIA_TYPE_VIDEO && kind != AVMEDIA_TYPE_AUDIO) return;
    if (!discontinuous) FixStreamStart(in, ist, pkt);
    if (ist.nextPts == AV_NOPTS_VALUE) return;
    const int64_t dtsUs = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
    const int64_t delta = dtsUs - ist.nextPts;
    const int64_t limit =
        discontinuous ? static_cast<int64_t>(s_.dtsDeltaThreshold * AV_TIME_BASE) : jumpLimitUs_;
    if (std::llabs(delta) > limit || (discontinuous && dtsUs + 1 < ist.pts)) {
        in.tsOffset -= delta;
        const int64_t d = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
        pkt->dts -= d;
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= d;
        if (!discontinuous)
            LogF(llWarning, "Input stream #%d.%d: timestamp jump of %.3f s taken as a discontinuity",
                 ist.fileIndex, ist.streamIndex, delta / 1e6);
        else if (s_.verbose > 2)
            LogF(llVerbose, "timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(delta),
                 static_cast<long long>(in.tsOffset));
    }
    // a presentation time far from its decoding time is corrupt: the decoder guesses it instead
    if (pkt->pts != AV_NOPTS_VALUE &&
        std::llabs(av_rescale_q(pkt->pts - pkt->dts, tb, AV_TIME_BASE_Q)) > jumpLimitUs_)
        pkt->pts = AV_NOPTS_VALUE;
}

// A stream whose first time lies beyond the jump limit from where its sibling streams are (a corrupt
// header) is moved to them for good, so that the streams of the output stay together.
void TCustomFFmpeg::FixStreamStart(const InputFile& in, InputStream& ist, AVPacket* pkt) {
    const AVRational tb = ist.st->time_base;
    if (!std::exchange(ist.sawFirstPacket, true)) {
        int64_t reference = AV_NOPTS_VALUE;
        for (int k = 0; k < in.nbStreams; ++k) {
            const InputStream& sibling = *inputStreams_[in.firstStream + k];
            if (&sibling != &ist && sibling.sawFirstPacket && sibling.nextPts != AV_NOPTS_VALUE)
                reference = std::max(reference, sibling.nextPts);
        }
        const int64_t dtsUs = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
        if (reference != AV_NOPTS_VALUE && std::llabs(dtsUs - reference) > jumpLimitUs_) {
            ist.startShift = reference - dtsUs;
            LogF(llWarning, "Input stream #%d.%d: starts %.3f s away from the other streams; moved to them",
                 ist.fileIndex, ist.streamIndex, -ist.startShift / 1e6);
        }
    }
    if (ist.startShift == 0) return;
    const int64_t d = av_rescale_q(ist.startShift, AV_TIME_BASE_Q, tb);
    pkt->dts += d;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += d;
}

// The longest jump of input times that can be real: the longest input, at least a minute, at most 30 hours.
int64_t TCustomFFmpeg::ComputeJumpLimit() const {
    int64_t longest = totalDuration_ > 0 ? totalDuration_ : 0;
    for (const auto& in : inputs_)
        if (in->ctx->duration != AV_NOPTS_VALUE) longest = std::max(longest, in->ctx->duration);
    return std::clamp<int64_t>(longest, 60 * int64_t(AV_TIME_BASE), 30 * 3600 * int64_t(AV_TIME_BASE));
}

void TCustomFFmpeg::NoteReadEnd(InputFile& in, const AVStream* st, const AVPacket* pkt) {
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts == AV_NOPTS_VALUE) return;
    const int64_t endUs =
        av_rescale_q(ts + std::max<int64_t>(pkt->duration, 0), st->time_base, AV_TIME_BASE_Q);
    if (in.readEndUs == AV_NOPTS_VALUE || endUs > in.readEndUs) in.readEndUs = endUs;
}

// An input whose container promises more than could be read (a truncated file) still gives what was read,
// with a warning in the log and in the task's message.
void TCustomFFmpeg::WarnIfInputEndedEarly() {
    for (const auto& of : outputs_)
        if (of->recordingTime != kNoLimit || of->limitFilesize || of->shortest) return;
    for (const auto& ost : outputStreams_)
        if (ost->maxFrames != kNoLimit) return;
    for (size_t i = 0; i < inputs_.size(); ++i) {
        const InputFile& in = *inputs_[i];
        const AVFormatContext* ic = in.ctx.get();
        // a duration guessed from the bit rate, or times that may restart, promise nothing
        if (!in.eof || ic->duration == AV_NOPTS_VALUE || ic->duration <= 0 ||
            in.readEndUs == AV_NOPTS_VALUE || (ic->iformat->flags & AVFMT_TS_DISCONT) ||
            ic->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
            continue;
        const int64_t start = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
        const int64_t read = in.readEndUs - start;
        const int64_t expected = ic->duration;
        const int64_t slack = std::max<int64_t>(AV_TIME_BASE, expected / 20);
        if (expected <= 0 || read >= expected - slack) continue;
        const std::string msg = FormatStr(
            "Input file #%d could only be read up to %.1f s of its %.1f s; the output holds what was read",
            static_cast<int>(i), std::max<int64_t>(read, 0) / 1e6, expected / 1e6);
        Log(llWarning, msg);
        if (errorMessage_.empty()) errorMessage_ = msg;  // a warning: the task still finished
    }
}

void TCustomFFmpeg::SwitchJoinInput() {
    // Flush what the ended input's decoders still hold; the encoders go on with the next input.
    InputFile& ended = *inputs_[joinInput_];
    int64_t reached = 0;
    for (int k = 0; k < ended.nbStreams; ++k) {
        InputStream& ist = *inputStreams_[ended.firstStream + k];
        if (ist.decodingNeeded && !ist.flushed && !ist.discard) FlushInputStream(ist);
    }
    for (auto& ost : outputStreams_)
        reached = std::max(reached, ost->endTimeUs);
    // the sources of the output streams move to the next input
    ++joinInput_;
    if (joinInput_ >= InputCount()) return;
    InputFile& next = *inputs_[joinInput_];
    for (auto& ostPtr : outputStreams_) {
        OutputStream& ost = *ostPtr;
        InputStream* src = nullptr;
        const int best = av_find_best_stream(next.ctx.get(), ost.kind, -1, -1, nullptr, 0);
        if (best >= 0 && best < next.nbStreams) src = inputStreams_[next.firstStream + best].get();
        for (int k = 0; k < next.nbStreams && (!src || src->used); ++k) {
            InputStream* c = inputStreams_[next.firstStream + k].get();
            if (!c->used && c->st->codecpar->codec_type == ost.kind && c->st->discard != AVDISCARD_ALL)
                src = c;
        }
        if (!src || src->used) {
            ost.source = nullptr;
            continue;
        }
        ost.source = src;
        ost.sync = src;
        src->used = true;
        src->discard = false;
        src->decodingNeeded = src->decodingNeeded || ost.encoding;
        src->outputs.push_back(&ost);
        if (ost.encoding && !src->dec) {
            if (!src->decoder)
                RaiseFmt("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                         src->st->codecpar->codec_id, src->fileIndex, src->streamIndex,
                         MediaKindName(ost.kind));
            src->dec = MakeCodecContext(src->decoder);
            avcodec_parameters_to_context(src->dec.get(), src->st->codecpar);
            src->dec->pkt_timebase = src->st->time_base;
            src->dec->thread_count = s_.threads;
            ApplyCodecParamsTo(src->dec.get(), ost.kind, false);
            if (avcodec_open2(src->dec.get(), src->decoder, nullptr) < 0) {
                src->dec.reset();
                RaiseFmt("Error while opening decoder for input stream #%d.%d (%s)", src->fileIndex,
                         src->streamIndex, MediaKindName(ost.kind));
            }
        }
        if (ost.graph) ost.graphW = -1;  // rebuilt for the new input's pictures
    }
    // the next input starts where the output reached (its offset already takes away its own start time)
    next.tsOffset += reached;
    for (int k = 0; k < next.nbStreams; ++k)
        inputStreams_[next.firstStream + k]->startWallTime = av_gettime_relative();
}

// ---------------------------------------------------------------- progress and release

void TCustomFFmpeg::ReportProgress(bool final, int fileIndex) {
    lastReportTime_ = av_gettime_relative();
    if (outputs_.empty()) return;
    AVFormatContext* oc = outputs_[0]->ctx.get();
    int64_t totalSize = 0;
    if (oc->pb) {
        totalSize = avio_size(oc->pb);
        if (totalSize <= 0) totalSize = avio_tell(oc->pb);
    }
    const double elapsed = (av_gettime_relative() - timerStart_) / 1e6;
    int frameNumber = 0, fps = 0;
    float quality = -1;
    bool firstVideo = true;
    std::string line;
    double t = 1e10;
    for (auto& ostPtr : outputStreams_) {
        OutputStream& ost = *ostPtr;
        if (ost.kind == AVMEDIA_TYPE_VIDEO) {
            const float q = ost.encoding ? ost.quality / FF_QP2LAMBDA : -1;
            if (firstVideo) {
                frameNumber = static_cast<int>(ost.frameNumber);
                fps = elapsed >= 1 ? static_cast<int>(std::lround(frameNumber / elapsed)) : 0;
                quality = q;
                line += FormatStr("frame=%5d fps=%3d q=%3.1f ", frameNumber, fps, q);
                if (final) line += "L";
                firstVideo = false;
            } else {
                line += FormatStr("q=%2.1f ", q);
            }
        }
        const double st = ost.endTimeUs / 1e6;
        if (st > 0 && st < t) t = st;
    }
    if (t < 0.01) t = 0.01;
    const double bitrate = totalSize * 8 / t / 1000.0;
    line += FormatStr("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", totalSize / 1024.0, t, bitrate);
    const int dupDrop = dupFrames_ + dropFrames_;
    if (dupDrop) line += FormatStr(" dup=%d drop=%d", dupFrames_, dropFrames_);
    if (OnProgress) {
        TProgressInfo d;
        d.FileIndex = fileIndex;
        d.FrameNumber = frameNumber;
        d.FPS = fps;
        d.Quality = quality;
        d.BitRate = static_cast<float>(bitrate);
        d.CurrentSize = totalSize;
        d.CurrentDuration = std::llround(t * 1e6);
        d.TotalDuration = totalDuration_;
        OnProgress(*this, d);
        if (dupDrop != lastDupDrop_) Log(llVerbose, line);
    } else if (s_.verbose >= 0) {
        Log(llVerbose, line);
    }
    lastDupDrop_ = dupDrop;
    if (final && s_.verbose >= 0) {
        const double sum = static_cast<double>(videoSize_ + audioSize_ + extraSize_);
        LogF(llVerbose, "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
             videoSize_ / 1024.0, audioSize_ / 1024.0, extraSize_ / 1024.0,
             sum > 0 ? (totalSize - sum) * 100.0 / sum : 0.0);
    }
}

void TCustomFFmpeg::Release() {
    BeforeRelease();
    ReleaseStreams();
}

void TCustomFFmpeg::ReleaseStreams() {
    for (auto& ost : outputStreams_)
        ost->passLog.reset();
    for (auto& ofPtr : outputs_) {
        OutputFile& of = *ofPtr;
        if (of.headerWritten && !of.trailerWritten) {
            // keep what was converted playable after a failure
            of.trailerWritten = true;
            av_write_trailer(of.ctx.get());
        }
        of.ctx.reset();
        // a file this task created and gave no media (header failed, nothing readable, stopped at once)
        struct stat sb;
        if (of.fileCreated && stat(of.fileName.c_str(), &sb) == 0 && S_ISREG(sb.st_mode) &&
            (sb.st_size == 0 || of.packetsWritten == 0))
            unlink(of.fileName.c_str());
    }
    outputStreams_.clear();
    outputs_.clear();
    inputStreams_.clear();
    inputs_.clear();
    vstatsFile_.reset();
    hooks_.clear();
}

}  // namespace engine
