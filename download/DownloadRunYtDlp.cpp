// The download run's yt-dlp source: a link the service's exchange cannot serve, or a link of another site,
// goes through two calls of yt-dlp in the same row: the information (title, the format the quality order
// chooses, or a playlist's entries), then the download from that information into a work folder beside the
// target. The finished media is moved to its name like the built-in path's; a failure, a stall or a cancel
// ends the child's whole process group and removes the work folder.
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "app/UtilFuncs.h"
#include "download/DownloadRun.h"
#include "download/LinkList.h"
#include "download/MediaCheck.h"
#include "download/VideoInfo.h"
#include "download/YtDlp.h"
#include "download/YtDlpLink.h"

namespace download {

namespace {

constexpr const char* kInfoFileName = "info.json";
// An information document is far smaller, even a long playlist's; a child that writes more is stopped.
constexpr qsizetype kMaxAnswerBytes = 256 << 20;
// After the download, yt-dlp merges picture and sound with ffmpeg without a word; a long video takes a while.
constexpr int kPostProcessingStallSeconds = 600;

RowUpdate Status(const char* text) {
    RowUpdate update;
    update.status = QString::fromLatin1(text);
    return update;
}

QString ExitText(const ChildExit& exit, int stallSeconds) {
    if (exit.stalled) return QStringLiteral("yt-dlp gave no sign for %1 s and was ended").arg(stallSeconds);
    if (exit.signal != 0) return QStringLiteral("yt-dlp was ended by signal %1").arg(exit.signal);
    return QStringLiteral("yt-dlp ended with status %1").arg(exit.exitCode);
}

}  // namespace

bool DownloadRun::HandOverToYtDlp() {
    const QString program = FindYtDlp(g_.YtDlpPath);
    if (program.isEmpty()) return false;
    if (!MayGoOn()) return true;
    ytdlp_ = std::make_unique<YtDlpLink>();
    ytdlp_->program = program;
    ytdlp_->link = currentLink_;
    UpdateDownloadRow(Status(status::kGettingURLs));
    RunYtDlp(InfoArguments(currentLink_, FormatSelector(g_.PreferYouTubeQuality, g_.QualityOrder),
                           YtDlpStallSeconds),
             &DownloadRun::YtDlpInfoEnded);
    return true;
}

bool DownloadRun::RunYtDlp(const QStringList& arguments, void (DownloadRun::*ended)(const ChildExit&)) {
    std::vector<std::string> argv{QFile::encodeName(ytdlp_->program).toStdString()};
    for (const QString& a : arguments)
        argv.push_back(a.toStdString());
    ChildProcess::Handlers handlers;
    handlers.onStdoutLine = [this](const std::string& line) {
        YtDlpOutputLine(QString::fromStdString(line));
    };
    handlers.onStderrLine = [this](const std::string& line) {
        if (auto error = ErrorLineText(QString::fromStdString(line))) ytdlp_->lastError = *error;
    };
    handlers.onExit = [this, ended](const ChildExit& exit) { (this->*ended)(exit); };
    ytdlp_->child = std::make_unique<ChildProcess>();
    std::string error;
    if (ytdlp_->child->Start(argv, std::move(handlers), YtDlpStallSeconds, &error)) return true;
    YtDlpFails(QString::fromStdString(error));
    return false;
}

void DownloadRun::YtDlpOutputLine(const QString& line) {
    if (!ytdlp_->downloading) {
        ytdlp_->answer += line.toUtf8();
        ytdlp_->answer += '\n';
        if (ytdlp_->answer.size() > kMaxAnswerBytes && !ytdlp_->answerTooLarge) {
            ytdlp_->answerTooLarge = true;
            ytdlp_->child->Stop();
        }
        return;
    }
    if (line.startsWith(QLatin1String("[Merger]")) || line.startsWith(QLatin1String("[Fixup")))
        ytdlp_->child->SetStallSeconds(std::max(YtDlpStallSeconds, kPostProcessingStallSeconds));
    const auto progress = ParseProgressLine(line);
    if (!progress) return;
    view_.SetDownloadLabel(lblQuality, YtDlpQualityLabel(ytdlp_->info));
    RowUpdate update;
    update.status = QString::fromLatin1(status::kDownloading);
    update.size = progress->total;
    update.timeLeft = progress->eta;
    update.elapsed = progress->elapsed;
    update.percent = progress->percent;
    update.speed = progress->speed > 0
                       ? QString::number(progress->speed / 1024.0, 'f', 2) + QStringLiteral(" KB/s")
                       : SpeedText(progress->downloaded, progress->elapsed);
    UpdateDownloadRow(update);
}

bool DownloadRun::YtDlpEndedWell(const ChildExit& exit) {
    if (ytdlp_->answerTooLarge) {
        YtDlpFails(QStringLiteral("its answer was larger than %1 MiB").arg(kMaxAnswerBytes >> 20));
        return false;
    }
    if (exit.stopped) {
        ytdlp_.reset();
        Aborted();
        return false;
    }
    if (exit.stalled || exit.exitCode != 0) {
        YtDlpFails(!exit.stalled && !ytdlp_->lastError.isEmpty() ? ytdlp_->lastError
                                                                 : ExitText(exit, YtDlpStallSeconds));
        return false;
    }
    return true;
}

void DownloadRun::YtDlpFails(const QString& why) {
    Log(QStringLiteral("yt-dlp: %1").arg(why));
    ytdlp_.reset();
    LinkFails();
}

void DownloadRun::YtDlpInfoEnded(const ChildExit& exit) {
    if (!YtDlpEndedWell(exit)) return;
    const auto info = ParseYtDlpInfo(ytdlp_->answer);
    if (!info) {
        YtDlpFails(QStringLiteral("its answer could not be read"));
        return;
    }
    if (info->playlist) {
        ExpandPlaylist(*info);
        return;
    }
    ytdlp_->info = *info;
    const int row = g_.DownloadIndex;
    view_.SetDownloadRowText(row, colName, info->title);
    view_.SetDownloadLabel(lblCurrentFile, info->title);
    view_.SetDownloadRowText(row, colURL, currentLink_);
    UpdateDownloadRow(Status(status::kAnalyzed));
    view_.SetDownloadProgress(0);
    view_.SetDownloadLabel(lblQuality, YtDlpQualityLabel(*info));
    if (!MayGoOn()) {
        ytdlp_.reset();
        return;
    }
    StartYtDlpDownload();
}

void DownloadRun::StartYtDlpDownload() {
    const YtDlpInfo& info = ytdlp_->info;
    const PartFileResult work =
        ReserveWorkFolder(DownloadFileName(CurrentName(), u'.' + info.extension, g_.OutputURLDir));
    if (work.path.isEmpty()) {
        YtDlpFails(work.error);
        return;
    }
    ytdlp_->workFolder = work.path;
    // The download reads the information it was chosen from instead of asking the site again.
    const QString infoFile = app::AddTrailingBackslash(work.path) + QLatin1String(kInfoFileName);
    QFile file(infoFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(ytdlp_->answer) != ytdlp_->answer.size() || !file.flush()) {
        YtDlpFails(QStringLiteral("cannot write %1: %2").arg(infoFile, file.errorString()));
        return;
    }
    file.close();
    ytdlp_->downloading = true;
    RunYtDlp(DownloadArguments(infoFile, info.formatId, work.path, YtDlpStallSeconds),
             &DownloadRun::YtDlpDownloadEnded);
}

void DownloadRun::YtDlpDownloadEnded(const ChildExit& exit) {
    if (!YtDlpEndedWell(exit)) return;
    const QString media = FinishedWorkMedia(ytdlp_->workFolder, ytdlp_->info.extension);
    if (media.isEmpty()) {
        YtDlpFails(QStringLiteral("it ended without a finished file"));
        return;
    }
    // What yt-dlp saved passes the same check as the built-in downloads before it takes a final name.
    const QString notMedia = WhyNotMedia(media, std::string());
    if (!notMedia.isEmpty()) {
        YtDlpFails(QStringLiteral("its file was not kept: %1").arg(notMedia));
        return;
    }
    const QString title = CurrentName();
    const QString extension = u'.' + QFileInfo(media).suffix();
    const PartFileResult saved =
        CommitPartFile(media, [&] { return DownloadFileName(title, extension, g_.OutputURLDir); });
    if (saved.path.isEmpty()) {
        YtDlpFails(saved.error);
        return;
    }
    ytdlp_.reset();
    g_.DownloadedFiles.append(saved.path);
    UpdateDownloadRow(Status(status::kFinish));
    ++g_.DownloadSucceeded;
    LinkEnded();
}

void DownloadRun::ExpandPlaylist(const YtDlpInfo& info) {
    QStringList links;
    for (const YtDlpEntry& entry : info.entries)
        if (entry.url != currentLink_ && !links.contains(entry.url)) links << entry.url;
    if (links.isEmpty()) {
        YtDlpFails(QStringLiteral("the playlist holds no videos"));
        return;
    }
    ytdlp_.reset();
    // The playlist's row becomes its first video and the others follow it, so the run's totals count videos.
    const int row = g_.DownloadIndex;
    view_.SetDownloadRowText(row, colName, links.first());
    for (int i = 1; i < links.size(); ++i)
        view_.InsertDownloadRow(row + i, InitialRow(links[i]));
    g_.DownloadCount += static_cast<int32_t>(links.size() - 1);
    Post(&DownloadRun::NextLinkMessage);
}

}  // namespace download
