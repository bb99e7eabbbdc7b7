// Which input stream feeds each output stream, and what each output stream needs before its encoder
// opens: the copied parameters, the picture size, the filter graph, the pass log.

#include <algorithm>
#include <fstream>
#include <sstream>

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/StrFormat.h"
#include "engine/VideoFilterStage.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine {

void TCustomFFmpeg::SetupStreams() {
    MapStreams();
    for (size_t i = 0; i < outputStreams_.size(); ++i) {
        OutputStream& ost = *outputStreams_[i];
        AVDictionaryEntry* lang = av_dict_get(ost.source->st->metadata, "language", nullptr, 0);
        if (lang && metadataStreamsAuto_ && !av_dict_get(ost.st->metadata, "language", nullptr, 0))
            av_dict_set(&ost.st->metadata, "language", lang->value, 0);
        if (!ost.encoding)
            PrepareStreamCopy(ost);
        else if (ost.kind == AVMEDIA_TYPE_VIDEO)
            PrepareVideoEncoding(ost, static_cast<int>(i));
    }
}

InputStream* TCustomFFmpeg::FindInputStream(int file, int stream) const {
    if (file < 0 || file >= InputCount() || stream < 0 || stream >= inputs_[file]->nbStreams) return nullptr;
    return inputStreams_[inputs_[file]->firstStream + stream].get();
}

// Every output stream gets its source: the one its map names, or the one chosen for its kind.
void TCustomFFmpeg::MapStreams() {
    int totalOst = 0;
    for (size_t i = 0; i < outputs_.size(); ++i) {
        OutputFile& of = *outputs_[i];
        if (of.nbStreams == 0 && !(of.ctx->oformat->flags & AVFMT_NOSTREAMS))
            RaiseFmt("Output file #%d does not contain any stream", static_cast<int>(i));
        totalOst += of.nbStreams;
    }
    if (!streamMaps_.empty() && static_cast<int>(streamMaps_.size()) != totalOst)
        throw FFmpegException("Number of stream maps must match number of output streams");
    for (const StreamMap& m : streamMaps_) {
        if (!FindInputStream(m.file, m.stream))
            RaiseFmt("Could not find input stream #%d.%d", m.file, m.stream);
        if (!FindInputStream(m.syncFile, m.syncStream))
            RaiseFmt("Could not find sync stream #%d.%d", m.syncFile, m.syncStream);
    }

    for (size_t n = 0; n < outputStreams_.size(); ++n) {
        OutputStream& ost = *outputStreams_[n];
        if (!streamMaps_.empty()) {
            const StreamMap& m = streamMaps_[n];
            InputStream* src = FindInputStream(m.file, m.stream);
            if (src->st->codecpar->codec_type != ost.kind)
                RaiseFmt("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)", m.file, m.stream,
                         MediaKindName(src->st->codecpar->codec_type), ost.fileIndex, ost.index,
                         MediaKindName(ost.kind));
            AttachSource(ost, *src);
            ost.sync = FindInputStream(m.syncFile, m.syncStream);
            continue;
        }
        // joining reads one input at a time: the first one's streams start the outputs
        InputStream* src = join_ ? ChooseSource(ost.kind, joinInput_, joinInput_ + 1, !ost.encoding)
                                 : ChooseSource(ost.kind, 0, InputCount(), !ost.encoding);
        if (!src && !join_) {
            // every stream of the kind is taken: share the last one
            for (int i = static_cast<int>(inputStreams_.size()) - 1; i >= 0 && !src; --i) {
                InputStream* c = inputStreams_[i].get();
                if (c->st->discard != AVDISCARD_ALL && c->st->codecpar->codec_type == ost.kind) src = c;
            }
        }
        if (!src)
            RaiseFmt("Could not find input stream matching output stream #%d.%d (%s)", ost.fileIndex,
                     ost.index, MediaKindName(ost.kind));
        AttachSource(ost, *src);
    }
}

// The stream of the kind that the inputs [firstFile, lastFile) give an output: the file's best one unless
// another output took it, else the first free one.
InputStream* TCustomFFmpeg::ChooseSource(AVMediaType kind, int firstFile, int lastFile, bool copying) const {
    auto usable = [kind, copying](const InputStream* c) {
        return c && !c->used && c->st->discard != AVDISCARD_ALL && c->st->codecpar->codec_type == kind &&
               (copying || !c->undecodable);
    };
    for (int f = firstFile; f < lastFile; ++f) {
        InputStream* best =
            FindInputStream(f, av_find_best_stream(inputs_[f]->ctx.get(), kind, -1, -1, nullptr, 0));
        if (usable(best)) return best;
        for (int k = 0; k < inputs_[f]->nbStreams; ++k)
            if (InputStream* c = FindInputStream(f, k); usable(c)) return c;
    }
    return nullptr;
}

void TCustomFFmpeg::AttachSource(OutputStream& ost, InputStream& src) {
    ost.source = &src;
    ost.sync = &src;
    src.used = true;
    src.discard = false;
    src.decodingNeeded = src.decodingNeeded || ost.encoding;
    src.outputs.push_back(&ost);
}

// A copied stream takes its source's parameters and times; the container's tag wins where it knows one.
void TCustomFFmpeg::PrepareStreamCopy(OutputStream& ost) {
    const InputStream& ist = *ost.source;
    const AVCodecParameters* ipar = ist.st->codecpar;
    if (ost.kind == AVMEDIA_TYPE_AUDIO) {
        if (AudioHookOn)
            throw FFmpegException("-acodec copy and AudioHook are incompatible (frames are not decoded)");
        if (ost.volume != 256)
            throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
    }
    if (ost.kind == AVMEDIA_TYPE_VIDEO) {
        if (VideoInputHookOn || VideoOutputHookOn)
            throw FFmpegException("-vcodec copy and VideoHook are incompatible (frames are not decoded)");
        if (!hooks_.empty())
            throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
        if (preview_ || previewBitmap_)
            throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
    }
    const uint32_t tag = ost.st->codecpar->codec_tag;
    if (avcodec_parameters_copy(ost.st->codecpar, ipar) < 0)
        throw FFmpegException("icodec.extradata_size is invalid (too large)");
    const AVOutputFormat* ofmt = outputs_[ost.fileIndex]->ctx->oformat;
    if (tag) {
        ost.st->codecpar->codec_tag = tag;
    } else if (ofmt->codec_tag && av_codec_get_id(ofmt->codec_tag, ipar->codec_tag) != ipar->codec_id) {
        ost.st->codecpar->codec_tag = 0;  // the input's tag means another codec here: the muxer picks one
    }
    ost.st->time_base = ist.st->time_base;
    ost.st->avg_frame_rate = ist.st->avg_frame_rate;
    ost.st->r_frame_rate = ist.st->r_frame_rate;
    ost.st->sample_aspect_ratio = ist.st->sample_aspect_ratio;
    if (ost.kind == AVMEDIA_TYPE_AUDIO &&
        ((ipar->codec_id == AV_CODEC_ID_MP3 && ipar->block_align == 1) || ipar->codec_id == AV_CODEC_ID_AC3))
        ost.st->codecpar->block_align = 0;
}

// A video stream to encode learns its size (from the source, the filters and what the encoder accepts)
// and opens its pass log.
void TCustomFFmpeg::PrepareVideoEncoding(OutputStream& ost, int ostIndex) {
    AVCodecContext* enc = ost.enc.get();
    const InputStream& ist = *ost.source;
    const AVCodecParameters* ipar = ist.st->codecpar;
    if (enc->pix_fmt == AV_PIX_FMT_NONE)
        throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
    if (enc->width <= 0 || enc->height <= 0) {
        enc->width = ipar->width;
        enc->height = ipar->height;
    }
    FitPictureSize(ost);
    if (ost.deinterlace) ost.vfilters = ost.vfilters.empty() ? "yadif" : "yadif," + ost.vfilters;
    if (!ost.vfilters.empty()) {
        // the filters may choose the size; the graph then ends in a scaler to a size the encoder takes
        ConfigureVideoFilter(*ost.file, ost, ipar->width, ipar->height, ipar->format,
                             ist.st->sample_aspect_ratio);
        enc->width = ost.filter.OutputWidth();
        enc->height = ost.filter.OutputHeight();
        if (FitPictureSize(ost))
            ConfigureVideoFilter(*ost.file, ost, ipar->width, ipar->height, ipar->format,
                                 ist.st->sample_aspect_ratio);
    }
    if (s_.doPass) OpenPassLog(ost, ostIndex);
}

void TCustomFFmpeg::OpenPassLog(OutputStream& ost, int ostIndex) {
    AVCodecContext* enc = ost.enc.get();
    const std::string prefix = s_.passLogFile.empty() ? "ffmpeg2pass" : s_.passLogFile;
    // one file per output stream of the task: two outputs never share one
    ost.passLogName = FormatStr("%s-%d.log", prefix.c_str(), static_cast<int>(ostIndex));
    if (std::string(ost.codec->name) == "libx264") {
        av_opt_set(enc->priv_data, "stats", ost.passLogName.c_str(), 0);
    } else if (enc->flags & AV_CODEC_FLAG_PASS1) {
        ost.passLog.reset(fopen(ost.passLogName.c_str(), "wb"));
        if (!ost.passLog) RaiseFmt("Cannot write log file %s for pass-1 encoding", ost.passLogName.c_str());
    } else if (enc->flags & AV_CODEC_FLAG_PASS2) {
        std::ifstream in(ost.passLogName, std::ios::binary);
        if (!in)
            RaiseFmt("Cannot read file: Error reading log file \"%s\" for pass-2 encoding",
                     ost.passLogName.c_str());
        std::stringstream ss;
        ss << in.rdbuf();
        enc->stats_in = av_strdup(ss.str().c_str());
        if (!enc->stats_in)
            RaiseFmt(
                "Could not allocate file buffer: Error reading log file \"%s\" for pass-2 "
                "encoding",
                ost.passLogName.c_str());
    }
}

void TCustomFFmpeg::LogStreamMapping() {
    if (s_.verbose < 0) return;
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

}  // namespace engine
