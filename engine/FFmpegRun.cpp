// The task itself: its construction and state, the order of its stages when it runs (set-up, the options
// copied for the stages, the read loop, the final flush), its progress reports, and releasing what it
// opened.

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <utility>

#include "core/Dispatcher.h"
#include "engine/AudioStage.h"
#include "engine/DecodeStage.h"
#include "engine/DemuxStage.h"
#include "engine/EncodeStage.h"
#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/FrameHook.h"
#include "engine/InterruptCB.h"
#include "engine/OutputFileNames.h"
#include "engine/StrFormat.h"
#include "engine/VideoFilterStage.h"

extern "C" {
#include <libavutil/time.h>
}

namespace engine {

const char* MediaKindName(AVMediaType kind) {
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

TCustomFFmpeg::TCustomFFmpeg(int maxInputs, int maxOutputs)
    : maxInputs_(std::clamp(maxInputs, 1, 512)), maxOutputs_(std::clamp(maxOutputs, 1, 512)) {
    for (int k = 0; k < AVMEDIA_TYPE_NB; ++k) {
        kindDefaults_[k] = MakeCodecContext(nullptr);
        kindDefaults_[k]->codec_type = static_cast<AVMediaType>(k);
    }
    formatDefaults_.reset(avformat_alloc_context());
    scalerDefaults_.reset(sws_alloc_context());
    if (!formatDefaults_ || !scalerDefaults_) throw std::bad_alloc();
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

// ---------------------------------------------------------------- the run

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

void TCustomFFmpeg::Transcode() {
    if (outputs_.empty()) throw FFmpegException("At least one output file must be specified");
    if (inputs_.empty()) throw FFmpegException("At least one input file must be specified");
    // set-up: the input files opened again, the output files, the sources of the output streams, the codecs
    // at both ends, the headers
    ReopenInputs();
    OpenOutputFiles();
    PrepareRunOptions();
    SetupStreams();
    OpenEncoders();
    OpenDecoders();
    WriteHeaders();
    // the input's known duration with a margin for padding and real gaps
    if (totalDuration_ > 0)
        outputLimit_.limitUs = totalDuration_ + totalDuration_ / 10 + 30 * int64_t(AV_TIME_BASE);
    outputLimit_.inputUs = totalDuration_;
    if (!s_.vstatsFilename.empty()) {
        videoStats_ = std::make_unique<VideoStatsLog>();
        videoStats_->fileName = s_.vstatsFilename;
        for (auto& ost : outputStreams_)
            if (ost->kind == AVMEDIA_TYPE_VIDEO) ost->videoStats = videoStats_.get();
    }
    stats_.startTime = av_gettime_relative();
    stats_.lastReportTime = stats_.startTime;
    {
        // A stop request aborts blocking reads of this thread; outputs keep writing so the trailer follows.
        std::unique_ptr<TInterruptScope> stopScope;
        if (!core::mainDispatcher().isMainThread())
            stopScope = std::make_unique<TInterruptScope>(&TCustomFFmpeg::StopCheck, this);
        MainLoop();
    }
    // the end: what the decoders, filters and encoders still hold, then the trailers
    for (auto& ist : inputStreams_)
        if (ist->decodingNeeded && !ist->flushed && !ist->discard) FlushInputStream(*ist, *this);
    FlushEncoders();
    if (outputLimit_.reached && errorMessage_.empty()) errorMessage_ = outputLimit_.warning;
    WriteTrailers();
    ReportProgress(true, -1);
    if (stopRequested_) return;
    // a file with headers and no media is no result (Release removes it)
    for (size_t i = 0; i < outputs_.size(); ++i)
        if (outputs_[i]->packetsWritten == 0 && !(outputs_[i]->ctx->oformat->flags & AVFMT_NOSTREAMS))
            RaiseFmt("Output file #%d received no audio or video: nothing could be read from the input",
                     static_cast<int>(i));
    // a video stream without a single picture is no result either (an output without video is another thing)
    for (const auto& ost : outputStreams_)
        if (ost->kind == AVMEDIA_TYPE_VIDEO && ost->frameNumber == 0 && ost->encoding)
            RaiseFmt(
                "Output file #%d received no picture for its video stream: the input's video could not "
                "be decoded",
                ost->fileIndex);
    // a truncated input: a warning, the task still finished
    for (const std::string& msg : InputsEndedEarly(inputs_, outputs_, outputStreams_)) {
        Log(llWarning, msg);
        if (errorMessage_.empty()) errorMessage_ = msg;
    }
    finished_ = true;
}

// What the stages read of the options is copied once, and every context points at the copy; from here on
// the stages never look at the task's settings.
void TCustomFFmpeg::PrepareRunOptions() {
    run_.logSender = this;
    run_.verbose = s_.verbose;
    run_.threads = s_.threads;
    run_.exitOnError = s_.exitOnError;
    run_.copyInitialNonkeyframes = s_.copyInitialNonkeyframes != 0;
    run_.rateEmu = s_.rateEmu;
    run_.copyTs = s_.copyTs;
    run_.inputSync = s_.inputSync;
    run_.dump = s_.doDump;
    run_.dumpHex = s_.doHex;
    run_.dtsDeltaThresholdSeconds = s_.dtsDeltaThreshold;
    run_.swsFlags = s_.swsFlags;
    run_.params = params_;
    run_.jumpLimitUs = JumpLimit(inputs_, totalDuration_);
    for (auto& in : inputs_)
        in->run = &run_;
    for (auto& ist : inputStreams_)
        ist->run = &run_;
    for (auto& of : outputs_) {
        of->run = &run_;
        of->limit = &outputLimit_;
    }
}

// The end of the run: what the filter graphs and FIFOs still hold, then every encoder drained.
void TCustomFFmpeg::FlushEncoders() {
    for (auto& ostPtr : outputStreams_) {
        OutputStream& ost = *ostPtr;
        if (!ost.encoding || !ost.encoderOpened) continue;
        if (ost.kind == AVMEDIA_TYPE_VIDEO) FlushVideoFilter(*ost.file, ost, *this);
        if (ost.kind == AVMEDIA_TYPE_AUDIO) FlushResampler(ost);
        FlushEncoder(*ost.file, ost);
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
    return inputs_[fileIndex]->tsOffsetUs;
}

void TCustomFFmpeg::ReportProgress(bool final, int fileIndex) {
    stats_.lastReportTime = av_gettime_relative();
    if (outputs_.empty()) return;
    AVFormatContext* oc = outputs_[0]->ctx.get();
    int64_t totalSize = 0;
    if (oc->pb) {
        totalSize = avio_size(oc->pb);
        if (totalSize <= 0) totalSize = avio_tell(oc->pb);
    }
    const double elapsed = (av_gettime_relative() - stats_.startTime) / 1e6;
    int frameNumber = 0, fps = 0;
    float quality = -1;
    bool firstVideo = true;
    std::string line;
    double t = 1e10;
    for (auto& ostPtr : outputStreams_) {
        OutputStream& ost = *ostPtr;
        if (ost.kind == AVMEDIA_TYPE_VIDEO) {
            const float q = ost.encoding && ost.quality >= 0 ? ost.quality / FF_QP2LAMBDA : -1;
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
    int dupFrames = 0, dropFrames = 0;
    for (const auto& ost : outputStreams_) {
        dupFrames += ost->dupFrames;
        dropFrames += ost->dropFrames;
    }
    const int dupDrop = dupFrames + dropFrames;
    if (dupDrop) line += FormatStr(" dup=%d drop=%d", dupFrames, dropFrames);
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
        if (dupDrop != stats_.lastDupDrop) Log(llVerbose, line);
    } else if (s_.verbose >= 0) {
        Log(llVerbose, line);
    }
    stats_.lastDupDrop = dupDrop;
    if (final && s_.verbose >= 0) {
        int64_t videoBytes = 0, audioBytes = 0;
        for (const auto& ost : outputStreams_) {
            if (ost->kind == AVMEDIA_TYPE_VIDEO) videoBytes += ost->bytesWritten;
            if (ost->kind == AVMEDIA_TYPE_AUDIO) audioBytes += ost->bytesWritten;
        }
        const double sum = static_cast<double>(videoBytes + audioBytes + stats_.headerBytes);
        LogF(llVerbose, "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
             videoBytes / 1024.0, audioBytes / 1024.0, stats_.headerBytes / 1024.0,
             sum > 0 ? (totalSize - sum) * 100.0 / sum : 0.0);
    }
}

void TCustomFFmpeg::Release() {
    BeforeRelease();
    ReleaseStreams();
}

// A finished task's file takes its final name (or the next counter name, never replacing a file); a task
// that failed or was stopped leaves nothing behind.
void TCustomFFmpeg::PublishOrRemove(OutputFile& of, size_t index) {
    const std::string partial = std::exchange(of.partialName, std::string());
    if (finished_) {
        try {
            writtenNames_.at(index) = PublishPartialFile(partial, of.partialTarget);
            return;
        } catch (const EngineError& e) {
            finished_ = false;
            Log(llQuiet, e.what());
            SetError(e.what());
        }
    }
    unlink(partial.c_str());
}

void TCustomFFmpeg::ReleaseStreams() {
    for (auto& ost : outputStreams_)
        ost->passLog.reset();
    writtenNames_.resize(std::max(writtenNames_.size(), outputs_.size()));
    for (size_t i = 0; i < outputs_.size(); ++i) {
        OutputFile& of = *outputs_[i];
        if (of.headerWritten && !of.trailerWritten) {
            // keep what was converted playable after a failure
            of.trailerWritten = true;
            av_write_trailer(of.ctx.get());
        }
        of.ctx.reset();
        if (!of.partialName.empty()) {
            PublishOrRemove(of, i);
            continue;
        }
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
    videoStats_.reset();
    hooks_.clear();
}

}  // namespace engine
