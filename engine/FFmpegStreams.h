#pragma once
// The task's tables of inputs and outputs, and the per-stream contexts of its pipeline (internal to the
// task core).

#include <string>
#include <vector>

#include "engine/FFmpeg.h"
#include "engine/VideoFilter.h"

namespace engine {

struct VideoStatsLog;

// "Video", "Audio", ... as the messages name a stream's kind.
const char* MediaKindName(AVMediaType kind);

// Raised inside the packet processing when a decoder refuses a packet (skipped, or fatal with "xerror").
class DecodeFailure : public FFmpegException {
public:
    using FFmpegException::FFmpegException;
};

// How an input was opened, kept so that the file can be opened again when the task starts.
struct InputOpening {
    std::string fileName;     // as given (UTF-8), for messages
    std::string libraryName;  // as the library opens it
    const AVInputFormat* forcedFormat = nullptr;
    DictionaryPtr demuxerOptions;  // what the options told the demuxer, before it took any
    std::vector<OptionLine> formatParams;
    const AVCodec* forcedDecoders[3] = {nullptr, nullptr, nullptr};  // video, audio, subtitle
    int programId = -1;                                              // -1: every program
    int64_t startPositionUs = AV_NOPTS_VALUE;                        // none: the start
};

// An input file. Between being added and being run a task holds no descriptor of it: ctx keeps what the
// probe learned (streams, durations, format) with its file closed, and the run opens the file again.
struct InputFile {
    InputFormatContextPtr ctx;     // the probed container until the run opens the file again, then that one
    InputFormatContextPtr probed;  // after that: the probed one (the host's decoder still reports on it)
    InputOpening opening;
    bool fileClosed = false;  // ctx's file was closed after probing and must be opened again to be read
    int64_t tsOffsetUs = 0;   // added to every packet
    int64_t readEndUs = AV_NOPTS_VALUE;  // end of the furthest packet read, in the file's own time
    double tsScale[kMaxStreams];
    int firstStream = 0;  // index of its first stream in the input stream table
    int nbStreams = 0;
    bool eof = false;
    bool eagain = false;
    const RunOptions* run = nullptr;  // the task's, from the start of the run
};

struct InputStream {
    int fileIndex = 0;
    int streamIndex = 0;
    AVStream* st = nullptr;
    const AVCodec* decoder = nullptr;  // forced or found
    CodecContextPtr dec;
    bool decodingNeeded = false;
    bool discard = true;       // not used, or ended
    bool used = false;         // taken by an output stream
    bool undecodable = false;  // no decoder, beside streams that have one: left out unless copied
    int64_t nextPtsUs = AV_NOPTS_VALUE;
    int64_t ptsUs = 0;
    bool sawFirstTs = false;
    bool sawFirstPacket = false;
    // added to every packet of a stream whose first time was corrupt, far from its siblings'
    int64_t startShiftUs = 0;
    bool multiFramesWarned = false;
    bool flushed = false;
    int64_t startWallTimeUs = 0;         // for "re" (av_gettime_relative)
    std::vector<OutputStream*> outputs;  // encoding or copying from this stream
    FramePtr decoded = MakeFrame();      // the decoder's frame, reused for every packet
    const RunOptions* run = nullptr;     // the task's, from the start of the run
};

struct OutputFile {
    OutputFormatContextPtr ctx;
    std::string fileName;       // as given (UTF-8)
    bool fileCreated = false;   // the file did not exist before we opened it
    bool needsFile = false;     // the format writes a file, opened when the task starts
    std::string partialName;    // the hidden file written until the task has finished (empty: none)
    std::string partialTarget;  // the local path it is meant for
    bool headerWritten = false;
    bool trailerWritten = false;
    int firstStream = 0;  // index into the output stream table
    int nbStreams = 0;
    int64_t startTimeUs = 0;
    int64_t recordingTimeUs = kNoLimit;
    int64_t limitFilesize = 0;
    bool shortest = false;
    int64_t packetsWritten = 0;  // media packets given to the muxer
    // the task's, from the start of the run
    const RunOptions* run = nullptr;
    OutputLimit* limit = nullptr;
};

// The libswresample context an output audio stream converts through, the input it was made for, and its
// work buffer in the encoder's sample format.
struct AudioResampler {
    SwrContextPtr swr;
    int inRate = 0, inFormat = -1, inChannels = 0;
    uint64_t inLayout = 0;
    std::vector<uint8_t*> planes;  // into data
    int capacity = 0;              // samples the buffer holds
    AvMemPtr<uint8_t> data;
};

struct OutputStream {
    int fileIndex = 0;
    OutputFile* file = nullptr;  // the output it belongs to
    int index = 0;               // stream index in the output container
    AVMediaType kind = AVMEDIA_TYPE_UNKNOWN;
    AVStream* st = nullptr;
    InputStream* source = nullptr;
    InputStream* sync = nullptr;
    bool encoding = true;  // false: stream copy
    const AVCodec* codec = nullptr;
    CodecContextPtr enc;
    bool encoderOpened = false;
    int64_t frameNumber = 0;
    int64_t nextEncoderPts =
        0;  // the next frame's time in the encoder's time base (video: frames, audio: samples)
    // taken off input times after a corrupt jump, in the unit of each kind's clock
    double videoSyncShiftFrames = 0;   // video: frames of the encoder's time base
    double audioSyncShiftSeconds = 0;  // audio: seconds
    bool syncStarted = false;
    bool audioAtStart = true;
    int64_t lastMuxDts = AV_NOPTS_VALUE;  // in the stream's time base
    int64_t endTimeUs = 0;                // end of the last packet written, microseconds
    float quality = -1;  // the encoder's last reported lambda; negative while it has reported none
    bool wroteKeyframe = false;
    int64_t maxFrames = kNoLimit;
    // video sync: copies of pictures added to keep the frame rate, pictures left out
    int dupFrames = 0, dropFrames = 0;

    // video
    std::string vfilters;
    VideoFilter filter;
    bool keepShape = false;            // fit the picture into the frame with bars rather than stretch it
    std::vector<int64_t> forcedKfPts;  // in encoder time base
    size_t nextForcedKf = 0;
    int videoSync = -1;
    bool deinterlace = false;
    int topField = -1;
    bool sameQuality = false;

    // audio: the resampler between decoder and FIFO, and the FIFO that cuts encoder-sized frames
    AudioResampler resampler;
    AudioFifoPtr fifo;
    int frameSize = 0;  // samples per encoder frame; 0: any
    int volume = 256;
    int audioSync = 0;
    float driftThresholdSeconds = 0.1f;

    // two-pass
    FilePtr passLog;
    std::string passLogName;
    VideoStatsLog* videoStats = nullptr;  // the task's, when it writes one
    int64_t bytesWritten = 0;             // media bytes given to the mux stage

    std::vector<BSFContextPtr> bsfs;
    std::vector<std::string> bsfNames;

    // reused for every frame: what the filter graph gives, what the encoder gives
    FramePtr filtered = MakeFrame();
    PacketPtr encoded = MakePacket();
};

}  // namespace engine
