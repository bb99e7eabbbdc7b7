// The outputs' headers with their metadata and chapters, and their trailers; the packets between them go
// through the mux stage (MuxStage.h).

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/MuxStage.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine {

namespace {

// The input's chapters, with their metadata, to an output that has none.
void CopyChapters(AVFormatContext* oc, const AVFormatContext* ic) {
    for (unsigned c = 0; c < ic->nb_chapters; ++c) {
        AVChapter* in = ic->chapters[c];
        AVChapter* ch = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!ch) break;
        *ch = *in;
        ch->metadata = nullptr;
        av_dict_copy(&ch->metadata, in->metadata, 0);
        AVChapter** grown =
            static_cast<AVChapter**>(av_realloc_array(oc->chapters, oc->nb_chapters + 1, sizeof(AVChapter*)));
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

}  // namespace

void TCustomFFmpeg::WriteHeaders() {
    ApplyMetadataMaps();
    for (size_t i = 0; i < outputs_.size(); ++i) {
        AVFormatContext* oc = outputs_[i]->ctx.get();
        if (metadataGlobalAuto_ && !inputs_.empty())
            av_dict_copy(&oc->metadata, inputs_[0]->ctx->metadata, AV_DICT_DONT_OVERWRITE);
        if (metadataChaptersAuto_ && !inputs_.empty() && oc->nb_chapters == 0 && !join_)
            CopyChapters(oc, inputs_[0]->ctx.get());
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
    LogSdpForRtp();
}

// The metadata maps copy an input's global, stream, chapter or program metadata to an output's; the
// chapter maps are only checked.
void TCustomFFmpeg::ApplyMetadataMaps() {
    for (const auto& [out, in] : metaMaps_) {
        if (out.file < 0 || out.file >= OutputCount())
            RaiseFmt("Invalid %s index %d while processing metadata maps", "output file", out.file);
        if (in.file < 0 || in.file >= InputCount())
            RaiseFmt("Invalid %s index %d while processing metadata maps", "input file", in.file);
        AVFormatContext* oc = outputs_[out.file]->ctx.get();
        AVFormatContext* ic = inputs_[in.file]->ctx.get();
        auto pick = [](AVFormatContext* c, const MetadataMap& m) -> AVDictionary** {
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
        av_dict_copy(pick(oc, out), *pick(ic, in), AV_DICT_DONT_OVERWRITE);
    }
    for (const auto& [out, in] : chapterMaps_) {
        if (in < 0 || in >= InputCount()) RaiseFmt("Invalid input file index %d in chapter mapping.", in);
        if (out < 0 || out >= OutputCount())
            RaiseFmt("Invalid output file index %d in chapter mapping.", out);
    }
}

// A session description, when every output is an RTP stream.
void TCustomFFmpeg::LogSdpForRtp() {
    bool allRtp = !outputs_.empty();
    for (auto& of : outputs_)
        allRtp = allRtp && std::string(of->ctx->oformat->name) == "rtp";
    if (allRtp) {
        std::vector<AVFormatContext*> ctxs;
        for (auto& of : outputs_)
            ctxs.push_back(of->ctx.get());
        char sdp[16384] = "";
        const int ret = av_sdp_create(ctxs.data(), static_cast<int>(ctxs.size()), sdp, sizeof sdp);
        if (ret < 0)
            Log(llWarning, "SDP could not be made: " + FFErrorText(ret));
        else
            Log(llInfo, std::string("SDP:\r\n") + sdp);
    }
}

void TCustomFFmpeg::WriteTrailers() {
    for (auto& of : outputs_)
        WriteTrailer(*of);
}

}  // namespace engine
