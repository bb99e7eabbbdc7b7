#pragma once
// Start-up's step "load the media libraries". The engine's loader (AVLibLoaded / LoadAVLib) is connected
// here once the engine foundation exists; until then the program runs without it.

#include <QString>

namespace app {

bool MediaLibrariesLoaded();

// Loads the media libraries from the folder; on failure returns false and sets *message to the loader's
// text for the log window.
bool LoadMediaLibraries(const QString& libraryFolder, QString* message);

}  // namespace app
