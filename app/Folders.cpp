#include "app/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "app/UtilFuncs.h"
#include "core/ProgramFolder.h"

namespace app {

QString ProgramFolder() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    QString folder = QString::fromStdString(core::ProgramFolder());
    if (folder.endsWith(u'/') && folder.size() > 1) folder.chop(1);
    return folder;
}

QString SettingsFolderName(const QString& appData, const QString& title) {
    QString name = title;
    name.replace(u'/', u' ').replace(QChar(0), u' ');
    // A title must never lead outside the config folder or into it directly.
    const QString bare = name.trimmed();
    if (bare.isEmpty() || bare == u"." || bare == u"..") name = QString::fromLatin1(kFallbackSettingsFolder);
    return AddTrailingBackslash(AddTrailingBackslash(appData) + name);
}

QString EnsureSettingsFolder(const QString& appData, const QString& title) {
    const QString folder = SettingsFolderName(appData, title);
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder)) return folder;
    return AddTrailingBackslash(appData);
}

QString SkinFolderName(const QString& programDir, const QString& res) {
    return AddTrailingBackslash(programDir) + QStringLiteral("sounds/res") + res + u'/';
}

QString EngineLibraryFolder(const QString& programDir) {
    return AddTrailingBackslash(programDir) + QStringLiteral("lib");
}

}  // namespace app
