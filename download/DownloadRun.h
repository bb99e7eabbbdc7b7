#pragma once
// The download run, the download controller beside the main window: it owns the three TWinHTTP components,
// implements the download half of the wizard's hand-over, and runs every link of the list, one after the
// other, through three transfers (the watch page, the video-information document, the media with falling
// quality), each on its own TWinHTTP component. The run is a chain of the components' handlers on the main
// thread; a step that must wait until the current handler has returned (the next link, the next quality) is
// posted to the main thread. The window only shows what the run reports through DownloadView.
//
// Media is written to "NAME.part" beside its target as it arrives and moved to its final name when complete;
// a failed, cut or aborted transfer removes it, and an existing file is never replaced. A body that is no
// media (empty, a web page, anything the engine's probe cannot read) is a failed attempt as well.
//
// A link the service's exchange cannot serve (no stream map, or no information at all), and a link of another
// site, goes on through yt-dlp when it is installed: the same row, quality order and file rules
// (DownloadRunYtDlp.cpp).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "app/Globals.h"
#include "net/WinHTTP.h"
#include "wizard/WizardHandOver.h"

namespace download {

struct ChildExit;
struct YtDlpInfo;
struct YtDlpLink;

// Texts of a row's status.
namespace status {
inline constexpr const char* kWaiting = "Waiting...";
inline constexpr const char* kGettingURLs = "Getting YouTube URLs, please wait...";
inline constexpr const char* kAnalyzed = "Analyzing finished, ready to download...";
inline constexpr const char* kDownloading = "Downloading...";
inline constexpr const char* kFinish = "Finish.";
inline constexpr const char* kFailed = "Failed.";
}  // namespace status

// Columns of ListViewURLDownload: the caption and its five sub-items.
enum DownloadColumn { colName, colStatus, colSize, colSpeed, colProgress, colURL, kDownloadColumns };

// The value labels of the status group.
enum DownloadLabel { lblCurrentFile, lblStatus, lblSpeed, lblElapsedTime, lblTimeLeft, lblQuality };

// What the run shows and reads; ui/ implements it with the download page's widgets.
class DownloadView {
public:
    virtual ~DownloadView() = default;
    virtual QStringList Links() const = 0;  // the link list, in order
    virtual void ClearDownloadRows() = 0;
    virtual void AddDownloadRow(const QStringList& columns) = 0;
    // Inserts a row before the given row (a playlist's videos follow its row).
    virtual void InsertDownloadRow(int row, const QStringList& columns) = 0;
    virtual int DownloadRowCount() const = 0;
    virtual QString DownloadRowText(int row, DownloadColumn column) const = 0;
    virtual void SetDownloadRowText(int row, DownloadColumn column, const QString& text) = 0;
    virtual void SetDownloadLabel(DownloadLabel label, const QString& text) = 0;
    // ProgressBarDownload and LabelProgressBarDownload ("N%").
    virtual void SetDownloadProgress(int percent) = 0;
    // A line for the log window.
    virtual void LogDownloadLine(const QString& line) = 0;
    // The run has ended (all links done, or aborted): the summary page opens.
    virtual void DownloadRunEnded() = 0;
};

// What one call of UpdateDownloadRow changes: texts when not empty, numbers when positive.
struct RowUpdate {
    QString status;
    std::int64_t size = 0;      // bytes
    std::int64_t timeLeft = 0;  // seconds
    std::int64_t elapsed = 0;   // seconds
    int percent = 0;
    QString speed;
};

// "12.34 KB/s" from the bytes read so far and the whole seconds elapsed (the kilobytes so far in the first
// second).
QString SpeedText(std::int64_t bytesRead, std::int64_t elapsedSeconds);
// "1.50MB".
QString SizeText(std::int64_t bytes);

class DownloadRun : public wizard::DownloadHandOver {
public:
    DownloadRun(app::TGlobalVars& globals, DownloadView& view);
    ~DownloadRun() override;
    DownloadRun(const DownloadRun&) = delete;
    DownloadRun& operator=(const DownloadRun&) = delete;

    // Fills the rows from the links and starts with the first link (after the caller's handler has returned).
    void StartDownloadRun() override;
    // Aborts the running transfer, which ends the run; a cancel that arrives between two steps ends the run
    // when the next step would start.
    void AbortTransfers() override;
    // LabelYouTubeQuality: the stored quality order as the run will try it.
    QString QualitySummaryText(bool preferQuality) const override;
    bool Running() const { return running_; }

    void UpdateDownloadRow(const RowUpdate& update);

    net::TWinHTTP WinHTTPGetInfoFileURL;
    net::TWinHTTP WinHTTPDownloadInfoFile;
    net::TWinHTTP WinHTTPDownload;

    // Seconds yt-dlp may stay silent before it is ended; also its own network time-out.
    int YtDlpStallSeconds = net::kDownloadStallSeconds;

private:
    void NextLinkMessage();
    void NextQualityMessage();
    void Post(void (DownloadRun::*step)());

    void GetInfoFileURLProgress(std::int64_t dataSize, std::int64_t bytesRead, std::int64_t elapsed);
    void GetInfoFileURLDone(net::TStream* stream);
    void DownloadInfoFileDone(net::TStream* stream);
    void DownloadProgress(std::int64_t dataSize, std::int64_t bytesRead, std::int64_t elapsed,
                          std::int64_t timeLeft, int percent);
    void DownloadDone(const std::string& contentType, net::TStream* stream);
    void DownloadFailed();
    void StartMediaAttempt();
    void LinkFails();
    void LinkEnded();
    void Aborted();
    void EndRun();
    // False (and the run ends) when a cancel is pending.
    bool MayGoOn();
    void Log(const QString& what);
    void ConnectLogging(net::TWinHTTP& component, const QString& what);
    QString CurrentName() const;
    // "the video [HQ18]": the current media attempt, as the log names it.
    QString AttemptSubject() const;
    QStringList InitialRow(const QString& link) const;

    // The yt-dlp source. HandOverToYtDlp is false when yt-dlp is missing (the caller fails the link).
    bool HandOverToYtDlp();
    bool RunYtDlp(const QStringList& arguments, void (DownloadRun::*ended)(const ChildExit&));
    void YtDlpOutputLine(const QString& line);
    void YtDlpInfoEnded(const ChildExit& exit);
    void StartYtDlpDownload();
    void YtDlpDownloadEnded(const ChildExit& exit);
    void ExpandPlaylist(const YtDlpInfo& info);
    // False (and the link has failed, or the run ended) when the call did not end well.
    bool YtDlpEndedWell(const ChildExit& exit);
    void YtDlpFails(const QString& why);

    app::TGlobalVars& g_;
    DownloadView& view_;
    bool running_ = false;
    bool cancelRequested_ = false;
    QString partPath_;                  // the media file being received, empty between attempts
    QString videoId_;                   // the current link's identifier, the name of a video without a title
    QString currentLink_;               // the link of the current row as it was pasted
    std::unique_ptr<YtDlpLink> ytdlp_;  // while yt-dlp serves the current link
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace download
