#include "wizard/OutputFolder.h"

#include <QDir>
#include <QFileInfo>

namespace wizard {

bool ForceFolder(const QString& folder) {
    if (folder.trimmed().isEmpty() || QDir::isRelativePath(folder)) return false;
    const QFileInfo info(folder);
    if (info.isDir()) return true;
    if (info.exists()) return false;  // a file (or something else) is in the way
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

}  // namespace wizard
