#pragma once
// Plays a wave file through the desktop's sound server (libcanberra), without waiting for it to end.

#include <QString>

namespace app {

// Starts playing the file; a missing or unreadable file, or no sound server, plays nothing and reports
// nothing.
void PlayWaveFile(const QString& path);

}  // namespace app
