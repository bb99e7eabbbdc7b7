#pragma once
// Folders the program derives at start-up from its own location, the user's special folders and the
// edition title.

#include <QString>

namespace app {

// The folder of the running executable (no trailing delimiter).
QString ProgramFolder();

// The settings folder's name when the edition title cannot serve as one.
inline constexpr const char* kFallbackSettingsFolder = "Reelwright Video Converter";

// appData + "/" + the title with every "/" (and NUL) replaced by a blank + "/". A title that is empty,
// blank, "." or ".." gives kFallbackSettingsFolder instead, so the folder is always one level below appData.
QString SettingsFolderName(const QString& appData, const QString& title);

// The settings folder, created when missing. The config folder may itself be missing in a fresh home,
// so missing parents are created too; when creation fails the appData folder itself is used.
QString EnsureSettingsFolder(const QString& appData, const QString& title);

// programDir + "/sounds/res" + res + "/".
QString SkinFolderName(const QString& programDir, const QString& res);

// programDir + "/lib".
QString EngineLibraryFolder(const QString& programDir);

}  // namespace app
