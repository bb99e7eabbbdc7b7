#pragma once
// The yt-dlp source of a link: where the program is, the arguments of its two calls (the information, then
// the download from that information), how the stored quality order becomes its format choice, and how its
// answers and progress lines are read. Plain functions; the run drives the child process
// (DownloadRunYtDlp.cpp).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "download/Quality.h"

namespace download {

// The program to run: the stored path when it names an executable file, otherwise "yt-dlp" found on PATH;
// empty when there is none.
QString FindYtDlp(const QString& storedPath);

// The log line for a link that failed while yt-dlp is missing.
QString YtDlpInstallHint();

// Whether a pasted line is a web link of any site (http or https with a host), which yt-dlp may know.
bool IsOtherSiteLink(const QString& line);

// yt-dlp's format choice for the stored preference: with the preference on, the stream tags of the order's
// entries, first offered wins; then the best format (best video merged with best audio, or one format with
// both) at or under the height of the order's first entry, its container first; with it off the default
// stream (5), then the same at or under 240 lines, FLV or MP4 first. When nothing is that small, the smallest
// there is.
QString FormatSelector(bool preferQuality, const QualityOrder& order);

// The information call: one video (a playlist link gives its entries, not their videos), the format chosen.
QStringList InfoArguments(const QString& link, const QString& selector, int socketTimeoutSeconds);
// The download call from a saved information document: the chosen format, every file inside workFolder.
QStringList DownloadArguments(const QString& infoFile, const QString& formatId, const QString& workFolder,
                              int socketTimeoutSeconds);
// The name yt-dlp gives the media inside the work folder, before its extension.
inline constexpr const char* kWorkMediaName = "media";

// One entry of a playlist.
struct YtDlpEntry {
    QString url;
    QString title;
};

// What the information call answered.
struct YtDlpInfo {
    bool playlist = false;
    std::vector<YtDlpEntry> entries;  // playlist only, in order
    QString title;
    QString formatId;                // the chosen format ("18", "137+140")
    QString extension;               // of the file yt-dlp writes ("mp4")
    int width = 0, height = 0;       // 0 when unknown
    QString videoCodec, audioCodec;  // as yt-dlp names them; empty when unknown
};
// Nothing when the document is not a yt-dlp information document.
std::optional<YtDlpInfo> ParseYtDlpInfo(const QByteArray& json);

// LabelQuality for the chosen format, in the form of the other labels: "[HQ18] - (MP4(H.264), 640 x 360,
// AAC)".
QString YtDlpQualityLabel(const YtDlpInfo& info);

// One progress line of the download call.
struct YtDlpProgress {
    std::int64_t downloaded = 0;  // bytes of the current file
    std::int64_t total = 0;       // its size (or yt-dlp's estimate), 0 when unknown
    double speed = 0;             // bytes per second, 0 when unknown
    std::int64_t eta = 0;         // seconds, 0 when unknown
    std::int64_t elapsed = 0;     // seconds
    int percent = 0;              // 0..100, 0 when unknown
};
// Nothing for any other line (yt-dlp's own messages, or a line that does not read as numbers).
std::optional<YtDlpProgress> ParseProgressLine(const QString& line);

// The text of yt-dlp's error line ("ERROR: ..."), or nothing for another line of its standard error.
std::optional<QString> ErrorLineText(const QString& line);

}  // namespace download
