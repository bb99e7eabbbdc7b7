#include "download/WorkFolder.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "app/UtilFuncs.h"
#include "download/YtDlp.h"

namespace download {

namespace {
constexpr int kAttempts = 16;  // names taken by someone else between choosing and creating
}

PartFileResult ReserveWorkFolder(const QString& targetPath) {
    const QFileInfo target(targetPath);
    const QString folder = app::AddTrailingBackslash(target.path());
    int error = EEXIST;
    for (int i = 0; i < kAttempts && error == EEXIST; ++i) {
        const QString path =
            folder + app::UniqueFileName(target.fileName() + QStringLiteral(".part"), folder);
        if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) return {path, {}};
        error = errno;
    }
    return {{},
            QStringLiteral("cannot create a folder in %1: %2")
                .arg(folder, QString::fromLocal8Bit(std::strerror(error)))};
}

QString FinishedWorkMedia(const QString& workFolder, const QString& extension) {
    const QDir dir(workFolder);
    const QString expected = QLatin1String(kWorkMediaName) + u'.' + extension;
    const QFileInfo named(dir.filePath(expected));
    if (named.isFile() && !named.isSymLink()) return named.filePath();
    // A merge may end in another container than the information named; pieces and unfinished files are not
    // media.
    QString found;
    for (const QFileInfo& f :
         dir.entryInfoList({QLatin1String(kWorkMediaName) + QStringLiteral(".*")}, QDir::Files)) {
        const QString name = f.fileName();
        if (f.isSymLink() || name.endsWith(QLatin1String(".part")) || name.endsWith(QLatin1String(".ytdl")) ||
            name.contains(QLatin1String(".temp.")) || name.count(u'.') != 1)
            continue;
        if (!found.isEmpty()) return {};  // more than one: none is surely the result
        found = f.filePath();
    }
    return found;
}

void RemoveWorkFolder(const QString& workFolder) {
    if (workFolder.isEmpty()) return;
    const QFileInfo info(workFolder);
    if (info.isDir() && !info.isSymLink()) QDir(workFolder).removeRecursively();
}

}  // namespace download
