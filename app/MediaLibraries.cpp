#include "app/MediaLibraries.h"

namespace app {

namespace {
bool g_loaded = false;
}

bool MediaLibrariesLoaded() {
    return g_loaded;
}

bool LoadMediaLibraries(const QString& libraryFolder, QString* message) {
    // Seam for the engine's LoadAVLib: the libraries are linked at build time, so there is nothing that
    // can fail yet.
    (void)libraryFolder;
    (void)message;
    g_loaded = true;
    return true;
}

}  // namespace app
