#pragma once
// Tiny media clips made on demand with the ffmpeg command-line tool in a private temporary folder, and a
// fresh empty folder per caller for outputs.

#include <QByteArray>
#include <QMap>
#include <QString>

namespace clips {

// A clip of the given picture size and length with a 44100 Hz stereo sine (or no audio), made once per
// distinct request.
QString AudioVideo(int width, int height, double seconds = 1.0, const QString& name = QString());
QString VideoOnly(int width, int height, double seconds = 1.0);
QString AudioOnly(double seconds = 1.0);
// The first 60 % of a 6 s MP4 (index at the front): it opens, promises 6 s and can be read only in part.
QString Truncated();

// A clip of one flat white picture (and a stereo sine) for finding black bars.
QString White(int width, int height, double seconds);

// A clip with 5.1 audio (48 kHz) and a picture of the given size, coded as H.264 with square pixels.
QString Surround(int width, int height, double seconds);

// Entries of the first stream of a kind ("v", "a") as ffprobe reads them, by name ("profile,level").
QMap<QString, QString> StreamEntries(const QString& path, const char* kind, const char* entries);

// The first picture of a file decoded to 8-bit grey, one byte per pixel, row after row.
QByteArray FirstPictureGrey(const QString& path, int width, int height);

// A new empty folder (with a trailing separator) inside the fixture folder.
QString FreshFolder();

}  // namespace clips
