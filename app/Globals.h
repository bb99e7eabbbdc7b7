#pragma once
// TGlobalVars: the program's one global state record. It lives for the whole process and is read and
// written on the main thread only. The fields follow the order of the record the settings store and the
// wizard share; the comments name who fills them.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace app {

// Output format classes (OutputFormatClass).
enum TFormatClass : uint8_t { fcVideo = 0, fcDevice = 1, fcAudio = 2 };

// Index of each format's preset in TGlobalVars::PresetIndex (record order: audio, video, device).
enum TPresetSlot : int {
    psWAV,
    psMP3,
    psWMA,
    psOGG,
    psAAC,
    psM4A,
    psFLAC,
    psMP2,
    psAVI,
    psMP4,
    psFLV,
    psSWF,
    psMPEG,
    psRM,
    psWMV,
    psMOV,
    ps3GP,
    psiPod,
    psiPhone,
    psAppleTV,
    psPSP,
    psBlackBerry,
    psMobilePhone,
    psiPad,
    psCount
};

constexpr int kVideoFormatCount = 9;             // AVI MP4 FLV SWF MPEG RM WMV MOV 3GP
constexpr int kDeviceFormatCount = 7;            // iPod iPhone AppleTV PSP BlackBerry MobilePhone iPad
constexpr int kAudioFormatCount = 8;             // WAV MP3 WMA OGG AAC M4A FLAC MP2
constexpr int kMaxSimultaneousConversions = 16;  // SimultaneousConversions: 0 automatic, 1..16
constexpr int kQualityCount = 8;  // quality types 0..7 (stream tags 6, 18, 35, 22, 13, 17, 34, 37)

struct TGlobalVars {
    TGlobalVars() { SetPresetDefaults(); }

    bool Download = true;    // edition profile "Download"
    bool Video = true;       // edition profile "Video" (kept, nothing reads it)
    QString SettingsFolder;  // folder of system.dat, with trailing delimiter
    QString LastOpenDir;     // folder the open dialog starts in

    QStringList ConvertErrors;  // error lines of the last conversion run
    QStringList FailedFiles;    // failure texts of the last add-files batch
    int32_t ConvertTotal = 0;
    int32_t ConvertSucceeded = 0;

    QString OutputFileDir;  // conversion output folder
    QString OutputURLDir;   // download output folder
    uint8_t OutputFormatClass = fcVideo;
    uint8_t OutputAudioFormat = 0;
    uint8_t OutputVideoFormat = 0;
    uint8_t OutputDeviceFormat = 0;
    std::array<int32_t, psCount> PresetIndex{};  // selected row of each format's preset list

    QDateTime ConvertStartTime;
    int64_t DoneDuration = 0;   // microseconds of input finished in the run
    int64_t BatchDuration = 0;  // known input microseconds of all jobs of the run
    bool PlayASoundWhenFinished = false;
    bool ShutDownWhenFinished = false;
    int32_t SimultaneousConversions = 0;  // files converted at once: 0 automatic, 1 to 16 that many

    // Download run counters.
    int32_t DownloadIndex = 0;      // current link, from 0
    int32_t DownloadCount = 0;      // links of the run
    int32_t DownloadSucceeded = 0;  // links downloaded
    QStringList DownloadedFiles;
    int32_t QualityAttempt = 0;  // 0 the default stream, 1..8 the entries of QualityOrder

    bool PreferYouTubeQuality = true;
    std::array<uint8_t, kQualityCount> QualityOrder{1, 2, 3, 0, 4, 5, 6, 7};

    // Media addresses of the current link: the default stream and one per quality type.
    QString StreamDefault;
    std::array<QString, kQualityCount> StreamSlots;

    // The yt-dlp program named in the settings file (key "YtDlpPath"); empty: the one found on PATH.
    QString YtDlpPath;

    bool Merge = false;  // edition profile "Merge"

    // Preset defaults (used before the first load and for missing keys).
    void SetPresetDefaults();
    void ClearStreamSlots();
};

// The one record of the process.
TGlobalVars& GlobalVars();

}  // namespace app
