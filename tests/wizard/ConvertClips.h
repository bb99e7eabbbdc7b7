#pragma once
// Tiny media clips made on demand with the ffmpeg command-line tool in a private temporary folder, and a
// fresh empty folder per caller for outputs.

#include <QString>

namespace clips {

// A clip of the given picture size and length with a 44100 Hz stereo sine (or no audio), made once per
// distinct request.
QString AudioVideo(int width, int height, double seconds = 1.0, const QString& name = QString());
QString VideoOnly(int width, int height, double seconds = 1.0);
QString AudioOnly(double seconds = 1.0);
// The first 60 % of a 6 s MP4 (index at the front): it opens, promises 6 s and can be read only in part.
QString Truncated();

// A new empty folder (with a trailing separator) inside the fixture folder.
QString FreshFolder();

}  // namespace clips
