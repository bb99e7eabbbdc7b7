#pragma once
// The records the encoder component exchanges with its host: task options, progress, termination,
// preview pictures and hook pictures.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/Bitmap.h"

namespace engine {

// An unset time option (start position, recording time).
constexpr int64_t kUnsetTime = std::numeric_limits<int64_t>::min();

struct TInputOptions {
    std::string FileName;  // UTF-8; filled from the operation's argument when empty
    std::string FileFormat;
    int64_t StartTime = kUnsetTime;
    int ProgramID = -1;
    std::string ExtOptions;
    int Reserved1 = 0;
    int Reserved2 = 0;
};

struct TStreamInfo {
    double Timestamp = -1.0;  // date-time as days since 1899-12-30 (local); 0 = now; below 0 = none
    int Year = -1;
    int Track = -1;
    std::string Title, Author, Copyright, Comment, Album, Genre;
};

struct TOutputOptions {
    std::string FileName;
    std::string FileExt;
    std::string FileFormat;
    int PacketSize = -1;
    int MuxRate = -1;
    float MuxDelay = -1.0f;
    float MuxPreload = -1.0f;
    std::string AudioCodec, AudioPreset;
    bool DisableAudio = false;
    int AudioVolume = -1, AudioChannels = -1, AudioSampleRate = -1, AudioBitrate = -1,
        AudioBitrateTolerance = -1;
    std::string AudioLanguage;
    int AudioSync = 0;
    std::string AudioTag, VideoCodec, VideoPreset;
    bool DisableVideo = false;
    std::string FrameRate, FrameSize, AspectRatio;
    int GOPSize = -1, VideoBitrate = -1, VideoMaxRate = -1, VideoMinRate = -1, VideoBitrateTolerance = -1,
        VideoBufSize = -1, VideoSync = -1;
    std::string VideoTag, VideoFilters, VideoLanguage, SubtitleCodec, SubtitlePreset;
    bool DisableSubtitle = false;
    std::string SubtitleLanguage;
    bool InputSync = false, CopyTS = false;
    int64_t StartTime = kUnsetTime, RecordingTime = kUnsetTime;
    TStreamInfo Info;
    int Target = 0, TargetNorm = 0, TargetFallbackNorm = 1;
    bool AudioHook = false, VideoInputHook = false, VideoOutputHook = false;
    int BitsPixel = 24;
    bool Join = false;
    std::string ExtOptions;
    int Reserved1 = 0;
    int Reserved2 = 0;
};

void InitInputOptions(TInputOptions& options);
void InitOutputOptions(TOutputOptions& options);

struct TProgressInfo {
    int TaskIndex = 0;
    int FileIndex = 0;
    int FrameNumber = 0;
    int FPS = 0;
    float Quality = 0;  // the first video encoder's quantiser; -1: stream copy, or the encoder reports none
    float BitRate = 0;
    int64_t CurrentSize = 0;
    int64_t CurrentDuration = 0;
    int64_t TotalDuration = 0;
};
using PProgressInfo = TProgressInfo*;

struct TTerminateInfo {
    int TaskIndex = 0;
    bool Finished = false;
    bool ErrorOccurred = false;
    std::string ErrorMessage;
};

struct TPreviewInfo {
    int TaskIndex = 0;
    std::shared_ptr<const TBitmap> Bitmap;
    int FrameNumber = 0;
    int64_t PTS = 0;
};

struct THookInfo {
    int TaskIndex = 0;
    TBitmap* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;
    bool Update = true;
    bool StopHook = false;
};
using PHookInfo = THookInfo*;

}  // namespace engine
