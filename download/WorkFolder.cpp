#include "download/WorkFolder.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "download/YtDlp.h"

namespace download {

PartFileResult ReserveWorkFolder(const QString& targetPath) {
    return ReservePartName(
        targetPath, [](const QByteArray& path) { return ::mkdir(path.constData(), 0777) == 0 ? 0 : errno; },
        QStringLiteral("folder"));
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
