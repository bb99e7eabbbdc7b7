#include "app/MediaLibraries.h"

#include "engine/FFLoad.h"

namespace app {

bool MediaLibrariesLoaded() {
    return engine::AVLibLoaded();
}

bool LoadMediaLibraries(const QString& libraryFolder, QString* message) {
    if (engine::LoadAVLib(libraryFolder.toStdString())) return true;
    if (message) *message = QString::fromStdString(engine::AVLibLastErrMsg());
    return false;
}

}  // namespace app
