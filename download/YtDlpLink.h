#pragma once
// The yt-dlp side of the link being downloaded: the child process of its current call, what the calls
// answered, and the folder the download works in. Dropping it ends the child (and what the child started) and
// removes the folder with everything in it.

#include <QByteArray>
#include <QString>
#include <memory>

#include "download/ChildProcess.h"
#include "download/WorkFolder.h"
#include "download/YtDlp.h"

namespace download {

struct YtDlpLink {
    QString program;
    QString link;
    std::unique_ptr<ChildProcess> child;
    QByteArray answer;  // the information call's standard output
    QString lastError;  // the text of its last "ERROR:" line
    YtDlpInfo info;
    QString workFolder;
    bool downloading = false;  // the download call runs (or ran)
    bool answerTooLarge = false;

    YtDlpLink() = default;
    YtDlpLink(const YtDlpLink&) = delete;
    YtDlpLink& operator=(const YtDlpLink&) = delete;
    ~YtDlpLink() {
        child.reset();  // first: nothing writes into the folder any more
        RemoveWorkFolder(workFolder);
    }
};

}  // namespace download
