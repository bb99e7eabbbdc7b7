#include "download/DownloadRun.h"

#include <QFile>
#include <algorithm>

#include "app/UtilFuncs.h"
#include "core/Dispatcher.h"
#include "download/LinkList.h"
#include "download/MediaCheck.h"
#include "download/PartFile.h"
#include "download/Quality.h"
#include "download/VideoInfo.h"
#include "download/YtDlp.h"
#include "download/YtDlpLink.h"

namespace download {

namespace {

constexpr const char* kAgent = "[Quorvane]";
// The media arrives in 64 KiB blocks: each block costs one progress round trip to the main thread, and at the
// component's default of 4096 bytes those round trips, not the network, bound the speed.
constexpr std::int64_t kMediaBlockSize = 65536;

void Configure(net::TWinHTTP& component) {
    component.AcceptTypes = "*/*";
    component.Agent = kAgent;
    component.InternetOptions = net::TInternetOptions{net::ioIgnoreCertificateInvalid, net::ioKeepConnection};
    component.ShowGoOnlineMessage = true;
    component.OutputFileName.clear();
    // A server that never answers, stops sending or only trickles ends the transfer instead of holding the
    // run.
    component.StallSeconds = net::kDownloadStallSeconds;
    component.StallMinimumBytes = net::kDownloadStallMinimumBytes;
    component.StallWindowSeconds = net::kDownloadStallWindowSeconds;
}

QByteArray StreamBytes(net::TStream* stream) {
    if (!stream) return {};
    QByteArray bytes(static_cast<qsizetype>(stream->Size()), '\0');
    stream->Seek(0);
    stream->Read(bytes.data(), bytes.size());
    stream->Seek(0);
    return bytes;
}

RowUpdate StatusOnly(const char* text) {
    RowUpdate update;
    update.status = QString::fromLatin1(text);
    return update;
}

// "64 MB", or the bytes of a limit that is no whole number of megabytes.
QString LimitText(std::int64_t bytes) {
    if (bytes >= 1048576 && bytes % 1048576 == 0) return QStringLiteral("%1 MB").arg(bytes / 1048576);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// Addresses are Latin-1 carriers of the bytes the service sent.
std::string AddressBytes(const QString& address) {
    return address.toLatin1().toStdString();
}

}  // namespace

QString SpeedText(std::int64_t bytesRead, std::int64_t elapsedSeconds) {
    const double kilobytes = static_cast<double>(bytesRead) / 1024.0;
    const double rate = elapsedSeconds > 0 ? kilobytes / static_cast<double>(elapsedSeconds) : kilobytes;
    return QString::number(rate, 'f', 2) + QStringLiteral(" KB/s");
}

QString SizeText(std::int64_t bytes) {
    return QString::number(static_cast<double>(bytes) / 1048576.0, 'f', 2) + QStringLiteral("MB");
}

DownloadRun::DownloadRun(app::TGlobalVars& globals, DownloadView& view) : g_(globals), view_(view) {
    Configure(WinHTTPGetInfoFileURL);
    Configure(WinHTTPDownloadInfoFile);
    Configure(WinHTTPDownload);
    WinHTTPDownload.TransferBufferSize = kMediaBlockSize;

    WinHTTPGetInfoFileURL.OnProgress = [this](net::TComponent*, const std::string&, std::int64_t dataSize,
                                              std::int64_t bytesRead, std::int64_t elapsed, std::int64_t,
                                              std::uint8_t, float, net::TStream*) {
        GetInfoFileURLProgress(dataSize, bytesRead, elapsed);
    };
    WinHTTPGetInfoFileURL.OnDone = [this](net::TComponent*, const std::string&, std::int64_t,
                                          net::TStream* s) { GetInfoFileURLDone(s); };
    WinHTTPGetInfoFileURL.OnAnyError = [this](net::TComponent*) { LinkFails(); };
    WinHTTPGetInfoFileURL.OnAborted = [this](net::TComponent*) { Aborted(); };
    ConnectLogging(WinHTTPGetInfoFileURL, QStringLiteral("the video page"));

    WinHTTPDownloadInfoFile.OnDone = [this](net::TComponent*, const std::string&, std::int64_t,
                                            net::TStream* s) { DownloadInfoFileDone(s); };
    WinHTTPDownloadInfoFile.OnAnyError = [this](net::TComponent*) {
        if (!HandOverToYtDlp()) LinkFails();
    };
    WinHTTPDownloadInfoFile.OnAborted = [this](net::TComponent*) { Aborted(); };
    ConnectLogging(WinHTTPDownloadInfoFile, QStringLiteral("the video information"));

    WinHTTPDownload.OnProgress = [this](net::TComponent*, const std::string&, std::int64_t dataSize,
                                        std::int64_t bytesRead, std::int64_t elapsed, std::int64_t timeLeft,
                                        std::uint8_t percent, float, net::TStream*) {
        DownloadProgress(dataSize, bytesRead, elapsed, timeLeft, percent);
    };
    WinHTTPDownload.OnDone = [this](net::TComponent*, const std::string& contentType, std::int64_t,
                                    net::TStream* s) { DownloadDone(contentType, s); };
    WinHTTPDownload.OnAnyError = [this](net::TComponent*) { DownloadFailed(); };
    WinHTTPDownload.OnAborted = [this](net::TComponent*) { Aborted(); };
    ConnectLogging(WinHTTPDownload, QString());
}

DownloadRun::~DownloadRun() {
    *alive_ = false;
    ytdlp_.reset();
    // No handler may reach this object or the view any more; the workers are stopped and joined before the
    // file being received goes.
    for (net::TWinHTTP* component : {&WinHTTPGetInfoFileURL, &WinHTTPDownloadInfoFile, &WinHTTPDownload}) {
        component->OnProgress = nullptr;
        component->OnDone = nullptr;
        component->OnAnyError = nullptr;
        component->OnAborted = nullptr;
        component->OnHTTPError = nullptr;
        component->OnConnLost = nullptr;
        component->OnHostUnreachable = nullptr;
        component->OnOutputFileError = nullptr;
        component->AbortTransfer(false, true);
    }
    RemovePartFile(partPath_);
}

void DownloadRun::ConnectLogging(net::TWinHTTP& component, const QString& what) {
    // The outcome events come before OnAnyError (the output-file error after it); each says why in the log.
    auto subject = [this, what] { return what.isEmpty() ? AttemptSubject() : what; };
    component.OnHTTPError = [this, subject](net::TComponent*, int code, net::TStream*) {
        if (code == net::kStatusProtocolError)
            Log(QStringLiteral("%1 could not be loaded: the server's answer broke the HTTP protocol")
                    .arg(subject()));
        else
            Log(QStringLiteral("%1 could not be loaded: the server answered with status %2")
                    .arg(subject())
                    .arg(code));
    };
    component.OnConnLost = [this, subject](net::TComponent*, const std::string&, std::int64_t size,
                                           std::int64_t read, net::TStream*) {
        Log(size > 0
                ? QStringLiteral("%1 was cut off after %2 of %3 bytes").arg(subject()).arg(read).arg(size)
                : QStringLiteral("%1 was cut off after %2 bytes").arg(subject()).arg(read));
    };
    component.OnHostUnreachable = [this, subject](net::TComponent*) {
        Log(QStringLiteral("%1 could not be loaded: the server could not be reached").arg(subject()));
    };
    component.OnOutputFileError = [this, subject, &component](net::TComponent*) {
        // A page or document read into memory fails this way only by being larger than it may be (a page
        // that never ends); media goes to a file in the download folder.
        if (component.OutputFileName.empty())
            Log(QStringLiteral("%1 was not loaded: the server sent more than %2")
                    .arg(subject(), LimitText(component.MemoryOutputLimit)));
        else
            Log(QStringLiteral("%1 could not be written to the download folder").arg(subject()));
    };
}

QString DownloadRun::AttemptSubject() const {
    return QStringLiteral("the video %1").arg(AttemptTag(g_.QualityAttempt, g_.QualityOrder));
}

QString DownloadRun::CurrentName() const {
    if (g_.DownloadIndex < 0 || g_.DownloadIndex >= view_.DownloadRowCount()) return {};
    return view_.DownloadRowText(g_.DownloadIndex, colName);
}

void DownloadRun::Log(const QString& what) {
    const QString name = CurrentName();
    view_.LogDownloadLine(QStringLiteral("Download of \"%1\": %2").arg(name, what));
}

void DownloadRun::Post(void (DownloadRun::*step)()) {
    core::mainDispatcher().post([this, step, alive = alive_] {
        if (*alive) (this->*step)();
    });
}

// ---- the run ----------------------------------------------------------------------------------------

void DownloadRun::StartDownloadRun() {
    view_.ClearDownloadRows();
    const QStringList links = view_.Links();
    for (const QString& link : links)
        view_.AddDownloadRow(InitialRow(link));
    g_.DownloadCount = static_cast<int32_t>(links.size());
    g_.DownloadIndex = 0;
    g_.DownloadSucceeded = 0;
    running_ = true;
    cancelRequested_ = false;
    Post(&DownloadRun::NextLinkMessage);
}

QStringList DownloadRun::InitialRow(const QString& link) const {
    return {link,
            QString::fromLatin1(status::kWaiting),
            QStringLiteral("0 KB"),
            QStringLiteral("0 KB/s"),
            QStringLiteral("0%"),
            QStringLiteral("...")};
}

QString DownloadRun::QualitySummaryText(bool preferQuality) const {
    return QualitySummary(preferQuality, g_.QualityOrder);
}

void DownloadRun::AbortTransfers() {
    if (!running_) return;
    cancelRequested_ = true;
    if (ytdlp_ && ytdlp_->child) ytdlp_->child->Stop();
    WinHTTPGetInfoFileURL.AbortTransfer(false, false);
    WinHTTPDownloadInfoFile.AbortTransfer(false, false);
    WinHTTPDownload.AbortTransfer(false, false);
}

bool DownloadRun::MayGoOn() {
    if (!running_) return false;
    if (!cancelRequested_) return true;
    EndRun();
    return false;
}

void DownloadRun::UpdateDownloadRow(const RowUpdate& u) {
    const int row = g_.DownloadIndex;
    if (row < 0 || row >= view_.DownloadRowCount()) return;
    if (!u.status.isEmpty()) {
        view_.SetDownloadRowText(row, colStatus, u.status);
        view_.SetDownloadLabel(lblStatus, u.status);
    }
    if (u.size > 0) view_.SetDownloadRowText(row, colSize, SizeText(u.size));
    if (!u.speed.isEmpty()) {
        view_.SetDownloadRowText(row, colSpeed, u.speed);
        view_.SetDownloadLabel(lblSpeed, u.speed);
    }
    if (u.percent > 0) {
        view_.SetDownloadRowText(row, colProgress, QString::number(u.percent) + u'%');
        view_.SetDownloadProgress(u.percent);
    }
    if (u.elapsed > 0) view_.SetDownloadLabel(lblElapsedTime, app::FormatSeconds(u.elapsed));
    // The component reports minus the elapsed time when the length is unknown: no time left to show then.
    if (u.timeLeft > 0) view_.SetDownloadLabel(lblTimeLeft, app::FormatSeconds(u.timeLeft));
}

void DownloadRun::NextLinkMessage() {
    g_.ClearStreamSlots();
    videoId_.clear();
    if (!MayGoOn()) return;
    if (g_.DownloadIndex >= view_.DownloadRowCount()) return;
    const QString link = view_.DownloadRowText(g_.DownloadIndex, colName);
    view_.SetDownloadLabel(lblCurrentFile, link);
    if (!IsWebAddress(link)) {
        Log(QStringLiteral("only web addresses (http or https) are fetched"));
        LinkFails();
        return;
    }
    currentLink_ = link;
    // A link of another site goes straight to yt-dlp.
    if (!IsVideoLink(link)) {
        if (!HandOverToYtDlp()) LinkFails();
        return;
    }
    WinHTTPGetInfoFileURL.URL = AddressBytes(link);
    WinHTTPGetInfoFileURL.StartTransfer(false);
}

void DownloadRun::GetInfoFileURLProgress(std::int64_t dataSize, std::int64_t bytesRead,
                                         std::int64_t elapsed) {
    UpdateDownloadRow({.status = QString::fromLatin1(status::kGettingURLs),
                       .size = dataSize,
                       .speed = SpeedText(bytesRead, elapsed)});
}

void DownloadRun::GetInfoFileURLDone(net::TStream* stream) {
    const WatchPage page = ReadWatchPage(StreamBytes(stream));
    const int row = g_.DownloadIndex;
    if (row < 0 || row >= view_.DownloadRowCount()) return;
    view_.SetDownloadRowText(row, colName, page.title);
    view_.SetDownloadLabel(lblCurrentFile, page.title);
    view_.SetDownloadRowText(row, colURL, page.infoAddress);
    videoId_ = page.videoId;
    if (!MayGoOn()) return;
    WinHTTPDownloadInfoFile.URL = AddressBytes(view_.DownloadRowText(row, colURL));
    WinHTTPDownloadInfoFile.StartTransfer(false);
}

void DownloadRun::DownloadInfoFileDone(net::TStream* stream) {
    try {
        ParseVideoInfo(StreamBytes(stream), g_);
    } catch (const VideoInfoError& e) {
        g_.ClearStreamSlots();
        Log(QStringLiteral("the video information could not be read (%1)")
                .arg(QString::fromStdString(e.what())));
        LinkFails();
        return;
    }
    // Today's service answers without a stream map: yt-dlp knows how to get the video.
    const bool noStream =
        g_.StreamDefault.isEmpty() && std::all_of(g_.StreamSlots.begin(), g_.StreamSlots.end(),
                                                  [](const QString& slot) { return slot.isEmpty(); });
    if (noStream && HandOverToYtDlp()) return;
    UpdateDownloadRow(StatusOnly(status::kAnalyzed));
    view_.SetDownloadProgress(0);
    g_.QualityAttempt = g_.PreferYouTubeQuality ? 1 : 0;
    view_.SetDownloadLabel(lblQuality, QualityLabel(AttemptTag(g_.QualityAttempt, g_.QualityOrder)));
    if (!MayGoOn()) return;
    StartMediaAttempt();
}

void DownloadRun::StartMediaAttempt() {
    const QString url = AttemptURL(g_.QualityAttempt, g_.QualityOrder, g_);
    const QString tag = AttemptTag(g_.QualityAttempt, g_.QualityOrder);
    // A quality the video does not offer fails at once, as would an address that is not a web address.
    QString why;
    if (url.isEmpty() && !g_.PreferYouTubeQuality) {
        why = QStringLiteral("%1 is not offered").arg(tag);
    } else if (url.isEmpty()) {
        DownloadFailed();  // the next quality follows; the link's failure says why when none is left
        return;
    } else if (!IsWebAddress(url)) {
        why = QStringLiteral("%1 has an address that is not a web address").arg(tag);
    }
    if (why.isEmpty()) {
        const QString target = DownloadFileName(
            CurrentName(), AttemptExtension(g_.QualityAttempt, g_.QualityOrder), g_.OutputURLDir, videoId_);
        const PartFileResult part = ReservePartFile(target);
        if (part.path.isEmpty()) why = part.error;
        partPath_ = part.path;
    }
    if (!why.isEmpty()) {
        Log(why);
        DownloadFailed();
        return;
    }
    WinHTTPDownload.URL = AddressBytes(url);
    WinHTTPDownload.OutputFileName = QFile::encodeName(partPath_).toStdString();
    if (!WinHTTPDownload.StartTransfer(false)) DownloadFailed();
}

void DownloadRun::DownloadProgress(std::int64_t dataSize, std::int64_t bytesRead, std::int64_t elapsed,
                                   std::int64_t timeLeft, int percent) {
    view_.SetDownloadLabel(lblQuality, QualityLabel(AttemptTag(g_.QualityAttempt, g_.QualityOrder)));
    UpdateDownloadRow({.status = QString::fromLatin1(status::kDownloading),
                       .size = dataSize,
                       .timeLeft = timeLeft,
                       .elapsed = elapsed,
                       .percent = percent,
                       .speed = SpeedText(bytesRead, elapsed)});
}

void DownloadRun::DownloadDone(const std::string& contentType, net::TStream* stream) {
    const QString part = std::exchange(partPath_, QString());
    if (stream) {
        // The component kept the body in memory (it could not open the file itself): write it out here.
        QFile file(part);
        const QByteArray bytes = StreamBytes(stream);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
            !file.flush()) {
            Log(QStringLiteral("%1 could not be written: %2").arg(part, file.errorString()));
            file.close();
            RemovePartFile(part);
            partPath_.clear();
            DownloadFailed();
            return;
        }
    }
    // A success status says nothing about what came: only media is kept, anything else is a failed attempt.
    const QString notMedia = WhyNotMedia(part, contentType);
    if (!notMedia.isEmpty()) {
        Log(QStringLiteral("%1 was not kept: %2").arg(AttemptSubject(), notMedia));
        RemovePartFile(part);
        DownloadFailed();
        return;
    }
    const QString title = CurrentName();
    const QString extension = AttemptExtension(g_.QualityAttempt, g_.QualityOrder);
    const PartFileResult saved =
        CommitPartFile(part, [&] { return DownloadFileName(title, extension, g_.OutputURLDir, videoId_); });
    if (saved.path.isEmpty()) {
        Log(saved.error);
        RemovePartFile(part);
        DownloadFailed();
        return;
    }
    g_.DownloadedFiles.append(saved.path);
    UpdateDownloadRow(StatusOnly(status::kFinish));
    ++g_.DownloadSucceeded;
    LinkEnded();
}

void DownloadRun::DownloadFailed() {
    RemovePartFile(std::exchange(partPath_, QString()));
    if (!running_) return;
    if (g_.PreferYouTubeQuality)
        Post(&DownloadRun::NextQualityMessage);
    else
        LinkFails();
}

void DownloadRun::NextQualityMessage() {
    if (!MayGoOn()) return;
    const int k = ++g_.QualityAttempt;
    if (k > app::kQualityCount) {
        Log(QStringLiteral("no quality of the video could be downloaded"));
        LinkFails();
        return;
    }
    view_.SetDownloadLabel(lblQuality, TryNextText(k - 1, g_.QualityOrder));
    view_.SetDownloadProgress(0);
    StartMediaAttempt();
}

void DownloadRun::LinkFails() {
    if (!running_) return;
    if (FindYtDlp(g_.YtDlpPath).isEmpty()) Log(YtDlpInstallHint());
    UpdateDownloadRow(StatusOnly(status::kFailed));
    LinkEnded();
}

void DownloadRun::LinkEnded() {
    ++g_.DownloadIndex;
    if (g_.DownloadIndex >= view_.DownloadRowCount())
        EndRun();
    else
        Post(&DownloadRun::NextLinkMessage);
}

void DownloadRun::Aborted() {
    RemovePartFile(std::exchange(partPath_, QString()));
    if (running_) Log(QStringLiteral("cancelled"));
    EndRun();
}

void DownloadRun::EndRun() {
    if (!running_) return;
    running_ = false;
    cancelRequested_ = false;
    view_.DownloadRunEnded();
}

}  // namespace download
