#include "app/MediaLibraries.h"

#ifdef REELWRIGHT_HAVE_ENGINE_BASE
#include "engine/FFLoad.h"
#endif

namespace app {

#ifdef REELWRIGHT_HAVE_ENGINE_BASE

bool MediaLibrariesLoaded() {
    return engine::AVLibLoaded();
}

bool LoadMediaLibraries(const QString& libraryFolder, QString* message) {
    if (engine::LoadAVLib(libraryFolder.toStdString())) return true;
    if (message) *message = QString::fromStdString(engine::AVLibLastErrMsg());
    return false;
}

#else

// Without the engine there is nothing to load.
bool MediaLibrariesLoaded() {
    return true;
}

bool LoadMediaLibraries(const QString&, QString*) {
    return true;
}

#endif

}  // namespace app
