#pragma once
// One conversion task (TCustomFFmpeg). Start here, then go down to the stage that interests you.
//
// Adding: the option language configures the task (FFmpegOptions.cpp, records in FFmpegRecords.cpp); each
// input is probed when it is added and its file closed again (FFmpegInput.cpp), each output is described
// (FFmpegOutput.cpp). A task holds no descriptor until it runs.
//
// The contexts (FFmpegStreams.h): InputFile and InputStream for what is read, OutputFile and OutputStream
// for what is written. Each owns its state: decoder, filter graph, resampler, encoder, FIFO, bitstream
// filters, counters, scratch frames. What the stages read of the options is copied into one RunOptions
// when the run starts, and the contexts point at it; the stages never read the task's settings.
//
// Running (FFmpegRun.cpp, Transcode): the inputs opened again, the outputs created, the run's options
// copied, then set-up and the read loop:
//   FFmpegStreamMap.cpp   set-up: which input stream feeds each output stream, and what each needs first
//   FFmpegCodecs.cpp      set-up: the encoders and decoders opened
//   FFmpegMux.cpp         headers with their metadata and chapters
//   FFmpegReadLoop.cpp    the read loop: the next input, its packet from demux to decode; joining
// and per packet the stages, free functions over the contexts:
//   DemuxStage.cpp        demux: the next input, a packet read, its times onto the task's clock (jump
//                         repair), the recording limit, read errors, truncated inputs
//   DecodeStage.cpp       decode: packets to frames for encoding outputs, copies for copying ones
//   VideoFilterStage.cpp  filter: pictures through the stream's VideoFilter graph
//   AudioStage.cpp        audio: samples through libswresample, volume, audio sync, the FIFO
//   EncodeStage.cpp       encode: video sync, audio frames cut from the FIFO, subtitles,
//                         EncodeFrame(OutputFile&, OutputStream&, frame), pass logs, statistics, flushing
//   MuxStage.cpp          mux: WritePacket(OutputFile&, OutputStream&, packet), copied packets, bitstream
//                         filters, the output limit, trailers
// What the stages need of the task itself (the stop flag, the host's hooks and preview) they reach through
// FrameHost (FrameHost.h), which the task implements (FFmpegPreview.cpp). Errors inside are FFmpegException
// (DecodeFailure for a refused packet); Run turns them into the task's error.
//
// Options accumulate in the task's current settings and are consumed by the next input or output that is
// opened, as with the command-line tool whose option names they use.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/Bitmap.h"
#include "engine/EncoderRecords.h"
#include "engine/EngineError.h"
#include "engine/FFLog.h"
#include "engine/FFUtils.h"
#include "engine/FFWrappers.h"
#include "engine/FrameHost.h"
#include "engine/LegacyOptions.h"

namespace engine {

class FrameHookModule;

// The error class of the transcoding core.
class FFmpegException : public EngineError {
public:
    using EngineError::EngineError;
};

[[noreturn]] void RaiseFmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

constexpr int kMaxStreams = 20;
constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();

// Options that were not in the table but were accepted by one of the libraries' parameter sets; applied to
// every codec, container and scaler the task creates afterwards.
struct AcceptedParams {
    std::vector<OptionLine> codec[AVMEDIA_TYPE_NB];  // generic codec options, by media kind
    std::vector<OptionLine> format;                  // container options
    std::vector<OptionLine> scaler;                  // swscale options
    std::vector<OptionLine> priv;                    // private options of some codec or muxer
};

// The accepted generic options of that kind, and the private ones the codec knows, set on a codec context
// (encoding: the encoder's parameters, else the decoder's); a refused private value is a warning.
void ApplyCodecParams(AVCodecContext* ctx, const AcceptedParams& params, AVMediaType kind, bool encoding,
                      TLogSender sender);

// What the options set; consumed (partly reset) by each input and output that is opened.
struct TaskSettings {
    std::string forcedFormat;
    int frameWidth = 0, frameHeight = 0;
    AVRational frameRate{25, 0};  // den 0 = unset
    double frameAspect = 0;
    bool aspectChosen = false;  // frameAspect was asked for, not taken over from the last input
    int pixFmt = -1;
    bool pixFmtChosen = false;  // pixFmt was asked for, not taken over from the last input
    int sampleFmt = -1;
    int64_t maxFrames[3] = {kNoLimit, kNoLimit, kNoLimit};  // video, audio, data
    int sampleRate = 44100;
    int channels = 2;
    uint64_t channelLayout = 0;
    float audioQScale = -99999;
    int volume = 256;
    int verbose = 1;
    int threads = 0;  // automatic: one per core
    float muxPreload = 0.5f, muxMaxDelay = 0.7f;
    int64_t recordingTime = kNoLimit;
    int64_t startTime = 0;
    int64_t inputTsOffset = 0;
    int64_t recTimestamp = 0;
    int videoSync = -1, audioSync = 0;
    float audioDriftThreshold = 0.1f, dtsDeltaThreshold = 10;
    int topField = -1, intraDcPrecision = 8;
    int swsFlags = 4;  // bicubic
    int64_t limitFilesize = 0;
    int programId = -1;
    double tsScale[kMaxStreams];
    std::string videoCodecName, audioCodecName, subtitleCodecName;
    bool videoDisable = false, audioDisable = false, subtitleDisable = false;
    bool videoCopy = false, audioCopy = false, subtitleCopy = false;
    bool intraOnly = false, sameQuality = false, forceFps = false, deinterlace = false, psnr = false;
    bool copyTs = false, shortest = false, inputSync = false, rateEmu = false;
    bool loopInput = false, doDump = false, doHex = false, exitOnError = false;
    int loopOutput = -1;
    int copyInitialNonkeyframes = 0;
    int vglobal = 0;
    float videoQScale = 0;
    std::string rcOverride;
    int doPass = 0;
    std::string passLogFile;
    std::vector<uint16_t> intraMatrix, interMatrix;
    std::string vfilters;
    std::string videoLang, audioLang, subtitleLang;
    uint32_t videoTag = 0, audioTag = 0, subtitleTag = 0;
    std::vector<std::string> vbsf, absf, sbsf;
    std::map<int, int> streamIds;
    std::string forcedKeyFrames;
    std::vector<std::pair<std::string, std::string>> metadata;
    int videoChannel = 0;
    std::string tvStandard;
    int videoDiscard = 0;
    std::string vstatsFilename;
    TaskSettings() {
        for (double& s : tsScale)
            s = 1.0;
    }
};

// The last guard against corrupt times, shared by the outputs of a task: no output runs far beyond what
// its inputs hold. The first output to reach the limit stops the task there, with a warning.
struct OutputLimit {
    int64_t limitUs = kNoLimit;  // no packet ends beyond this time (microseconds)
    int64_t inputUs = 0;         // the inputs' known duration (microseconds), for the warning
    bool reached = false;
    std::string warning;  // said once, when the limit was reached
};

// What the running stages read of the options, copied once when the task starts to run. The contexts point
// at the task's copy; nothing changes it while the stages run.
struct RunOptions {
    TLogSender logSender = nullptr;  // the task, as its log lines name it
    int verbose = 1;
    int threads = 0;                       // decoder and filter threads; 0: one per core
    bool exitOnError = false;              // a packet a decoder, filter or the muxer refuses ends the task
    bool copyInitialNonkeyframes = false;  // a copied stream starts before its first key picture
    bool rateEmu = false;                  // inputs read no faster than they play
    bool copyTs = false;                   // input times kept as they are, jumps and all
    bool inputSync = false;              // the next input is the one whose input clock lags, not its output's
    bool dump = false, dumpHex = false;  // every packet read goes to the log (with its bytes)
    float dtsDeltaThresholdSeconds = 10;  // a larger jump in a discontinuous format moves the offset
    int swsFlags = 4;                     // the scaler's algorithm
    AcceptedParams params;                // the codec and scaler options the decoders and filters take
    int64_t jumpLimitUs = kNoLimit;       // longest believable jump of input times (microseconds)
};

struct StreamMap {
    int file, stream, syncFile, syncStream;
};

struct MetadataMap {
    int file;
    char type;
    int index;
};

struct InputStream;
struct OutputStream;
struct InputFile;
struct InputOpening;
struct VideoStatsLog;
struct OutputFile;

class TCustomFFmpeg : private FrameHost {
public:
    explicit TCustomFFmpeg(int maxInputs = 20, int maxOutputs = 20);
    virtual ~TCustomFFmpeg();
    TCustomFFmpeg(const TCustomFFmpeg&) = delete;
    TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

    // ---- option language (FFmpegOptions.cpp)
    void ParseOption(const std::string& name, const std::string& value);
    void ParseOptionText(const std::string& text, bool isInput);
    void ApplyPreset(const std::string& kind, const std::string& name);
    void SetTarget(const std::string& kind, const std::string& norm, const std::string& fallbackNorm);
    // The record-to-option mappings; both open the input or output at the end and raise on failure.
    void AddInputWithOptions(const std::string& fileName, const TInputOptions* options);
    int AddOutputWithOptions(const std::string& fileName, const TOutputOptions* options);

    bool RaiseOnUnknown = true;

    // ---- opening (FFmpegInput.cpp, FFmpegOutput.cpp); the error text holds the reason on failure
    bool OpenInput(const std::string& fileName);
    int OpenOutput(const std::string& fileName, bool join);
    void NewVideoStream(int fileIndex);
    void NewAudioStream(int fileIndex);
    void NewSubtitleStream(int fileIndex);
    void PrepareJoin();

    // ---- running (FFmpegRun.cpp and the stage files above)
    // Transcodes, then closes codecs and releases outputs and inputs; each step's error is recorded.
    void Run();
    void RequestStop() { stopRequested_ = true; }
    bool StopRequested() const override { return stopRequested_; }
    // Releases outputs (deleting one left without media), inputs and per-task state.
    void Release();

    // ---- state
    int InputCount() const;
    int OutputCount() const;
    AVFormatContext* InputContext(int index) const;
    bool Running() const { return running_; }
    bool Finished() const { return finished_; }
    bool Terminated() const { return terminated_; }
    bool ErrorOccurred() const { return errorOccurred_; }
    const std::string& ErrorMessage() const { return errorMessage_; }
    void SetError(const std::string& msg);
    int64_t TotalDuration() const { return totalDuration_; }
    // The name output i was finally written to (a counter name when its own was taken meanwhile); empty
    // until the task has finished.
    std::string WrittenFileName(int i) const {
        return i >= 0 && i < static_cast<int>(writtenNames_.size()) ? writtenNames_[i] : std::string();
    }
    bool Joining() const { return join_; }
    const TaskSettings& Settings() const { return s_; }
    const AcceptedParams& Params() const { return params_; }
    int Verbose() const { return s_.verbose; }
    int Threads() const { return s_.threads; }

    int64_t ProgressInterval = 500000;  // microseconds
    int64_t PreviewInterval = 100000;
    int IOTimeout = 10000;  // milliseconds; 0 or less: no time-out
    std::atomic<int64_t> IOStartTime{0};

    // Preview flags (set from any thread).
    void SetPreview(bool on);
    void SetPreviewBitmap(bool on);
    bool Preview() const { return preview_; }
    bool PreviewBitmap() const { return previewBitmap_; }

    // ---- callbacks, all called on the task's thread (all optional)
    // The report leaves TaskIndex for the owner of the task list to fill in.
    std::function<void(TCustomFFmpeg&, const TProgressInfo&)> OnProgress;
    // A picture to preview (PreviewBitmap) or to show in the preview window (Preview); the bitmap is the
    // task's own copy, handed over without any lock held.
    std::function<void(TCustomFFmpeg&, std::shared_ptr<const TBitmap>, int frameNumber, int64_t pts)>
        OnPreview;
    std::function<void(TCustomFFmpeg&, std::shared_ptr<const TBitmap>, const std::string& title)>
        OnPreviewWindow;
    using VideoHookEvent = std::function<void(TCustomFFmpeg&, THookInfo&)>;
    VideoHookEvent OnVideoInputHook;
    VideoHookEvent OnVideoOutputHook;
    std::function<void(TCustomFFmpeg&, int64_t pts, uint8_t* samples, int size, int sampleRate, int channels,
                       int sampleFormat)>
        OnAudioHook;
    std::function<void(TCustomFFmpeg&, AVFormatContext*)> OnBeforeFindStreamInfo;
    int HookBitsPixel = 24;
    bool VideoInputHookOn = false, VideoOutputHookOn = false, AudioHookOn = false;

    // Running state owned by the component (FFEncode) that starts and ends tasks.
    std::atomic<bool> running_{false};
    std::atomic<bool> terminated_{false};

    // The engine log with this task as sender.
    void Log(TLogLevel level, const std::string& msg) const;
    void LogF(TLogLevel level, const char* fmt, ...) const __attribute__((format(printf, 3, 4)));

protected:
    friend struct OptionTable;

    // Called first by Release (the component detaches the decoders it lent to the host).
    virtual void BeforeRelease() {}
    // Release without the hook (what the destructor can call).
    void ReleaseStreams();

    // option helpers (FFmpegOptions.cpp)
    void OptDefault(const std::string& name, const std::string& value);
    void OptBitrate(const std::string& name, const std::string& value, AVMediaType kind);
    int64_t ParseTimeOrRaise(const std::string& context, const std::string& name, const std::string& value,
                             bool isDuration);
    void OptMap(const std::string& value);
    void OptMapMetaData(const std::string& value);
    void OptMapChapters(const std::string& value);
    void OptMatrix(const std::string& value, std::vector<uint16_t>& matrix);
    void OptTag(const std::string& value, uint32_t& tag);
    void OptVhook(const std::string& value);
    void OptStreamId(const std::string& name, const std::string& value);
    void SetCodecName(AVMediaType kind, const std::string& value);

    // opening helpers (FFmpegInput.cpp, FFmpegOutput.cpp)
    DictionaryPtr InputOpenOptions() const;
    InputFormatContextPtr OpenContainer(const InputOpening& how, bool firstOpening);
    void ReopenInputs();
    struct StreamKinds {
        bool video = false, audio = false, subtitle = false;
    };
    StreamKinds WantedStreamKinds(const AVOutputFormat* ofmt, bool join) const;
    void SetOutputMetadata(AVFormatContext* raw);
    void OpenOutputFile(OutputFile& out);
    void OpenOutputFiles();
    void CheckOutputFolder(const std::string& fileName) const;
    void PublishOrRemove(OutputFile& of, size_t index);
    void ApplyMuxerOptions(AVFormatContext* raw);
    AVPixelFormat EncoderPixelFormat(const AVCodec* codec) const;
    void AddInputStreams(AVFormatContext* raw, const AVCodec* const forced[3]);
    void MarkUndecodableStreams(size_t firstStream);
    const AVCodec* FindCodecOrRaise(const std::string& name, AVMediaType kind, bool encoder);
    const AVCodec* ChooseEncoder(OutputFile& of, int fileIndex, AVMediaType kind, const std::string& name,
                                 const char* kindName);
    OutputStream& AddOutputStream(OutputFile& of, AVMediaType kind, const AVCodec* codec, bool copy);
    // The options that describe the next output stream of one kind.
    struct KindOptions {
        AVMediaType kind;
        const char* name;
        std::string& codecName;
        bool& copy;
        bool& disable;
        uint32_t& tag;
        std::vector<std::string>& bsf;
        const std::string& lang;
        int64_t maxFrames;
    };
    KindOptions OptionsOfKind(AVMediaType kind);
    OutputStream& NewOutputStream(int fileIndex, const KindOptions& k);
    static void ConsumeKindOptions(KindOptions& k);

    // set-up (FFmpegStreamMap.cpp)
    void SetupStreams();
    void MapStreams();
    InputStream* FindInputStream(int file, int stream) const;
    InputStream* ChooseSource(AVMediaType kind, int firstFile, int lastFile, bool copying = false) const;
    void AttachSource(OutputStream& ost, InputStream& src);
    void PrepareStreamCopy(OutputStream& ost);
    void PrepareVideoEncoding(OutputStream& ost, int ostIndex);
    bool FitPictureSize(OutputStream& ost);
    void OpenPassLog(OutputStream& ost, int ostIndex);
    void LogStreamMapping();

    // reading (FFmpegReadLoop.cpp)
    void MainLoop();
    int NextInputFile() const;
    void SwitchJoinInput();

    // the host as the stages see it (FFmpegPreview.cpp)
    bool WatchesInputPictures() const override;
    void InputPicture(AVFrame* frame, int64_t ptsUs) override;
    bool WatchesOutputPictures() const override;
    void OutputPicture(AVFrame* frame, int64_t timeUs, int frameNumber) override;
    void InputSamples(const AVFrame* frame, int64_t ptsUs, int sampleRate) override;
    void CallVideoHook(const VideoHookEvent& hook, bool& enabled, AVFrame* frame, int frameNumber,
                       int64_t pts);

    // the codecs opened (FFmpegCodecs.cpp)
    void OpenEncoders();
    void OpenEncoder(OutputStream& ost);
    void RaiseH264Level(OutputStream& ost);
    void OpenDecoders();

    // writing (FFmpegMux.cpp)
    void WriteHeaders();
    void ApplyMetadataMaps();
    void LogSdpForRtp();
    void WriteTrailers();

    // the run (FFmpegRun.cpp)
    void Transcode();
    void PrepareRunOptions();
    void FlushEncoders();
    void ReportProgress(bool final, int fileIndex);
    void CloseCodecs();
    int64_t InputTimeOffset(int fileIndex) const;

    static bool StopCheck(void* object, void* arg);
    static bool TimeoutCheck(void* object, void* arg);

    // what the options gathered
    TaskSettings s_;
    AcceptedParams params_;
    LegacyOptionState legacy_;
    // The libraries' default parameter sets the fall-back tries names on.
    CodecContextPtr kindDefaults_[AVMEDIA_TYPE_NB];
    FormatContextPtr formatDefaults_;
    SwsContextPtr scalerDefaults_;

    std::vector<StreamMap> streamMaps_;
    std::vector<std::pair<MetadataMap, MetadataMap>> metaMaps_;
    std::vector<std::pair<int, int>> chapterMaps_;  // output, input
    bool metadataGlobalAuto_ = true, metadataStreamsAuto_ = true, metadataChaptersAuto_ = true;
    std::vector<std::shared_ptr<FrameHookModule>> hooks_;
    std::vector<std::vector<std::string>> hookArgs_;

    // the pipeline: files and their streams, in the order they were opened
    int maxInputs_, maxOutputs_;
    std::vector<std::unique_ptr<InputFile>> inputs_;
    std::vector<std::unique_ptr<InputStream>> inputStreams_;
    std::vector<std::unique_ptr<OutputFile>> outputs_;
    std::vector<std::unique_ptr<OutputStream>> outputStreams_;  // of every output

    // the run
    bool join_ = false;
    int joinInput_ = 0;  // the input being read while joining
    int64_t totalDuration_ = -1;
    RunOptions run_;           // what the stages read of the options, from the start of the run
    OutputLimit outputLimit_;  // shared by the outputs' mux stage
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
    bool errorOccurred_ = false;
    std::string errorMessage_;
    std::vector<std::string> writtenNames_;  // per output, once published

    std::atomic<bool> preview_{false}, previewBitmap_{false};

    // what the progress reports and the final summary count
    struct RunStats {
        int64_t headerBytes = 0;
        int lastDupDrop = 0;
        int64_t startTime = 0, lastReportTime = 0;  // av_gettime_relative
    } stats_;
    std::unique_ptr<VideoStatsLog> videoStats_;  // when the options ask for one

    // the pictures the host sees: the hooks' and the preview's bitmaps, and when the last preview was sent
    struct HostView {
        std::unique_ptr<TFormatConverter> hookConverter, previewConverter;
        int64_t lastPreviewTime = std::numeric_limits<int64_t>::min();
    } hostView_;
};

}  // namespace engine
