#pragma once
// Tiny media files for the input list's tests and benchmark, made with the ffmpeg command-line tool into a
// folder of their own on first use.

#include <QString>
#include <QTemporaryDir>

class MediaClips {
public:
    MediaClips();
    // One set of clips for the whole test program.
    static MediaClips& Shared();
    QString dir() const { return tmp_.path(); }
    // The clip of that name, made on first use. Known names: "video.mp4" (1 s 64x48 mpeg4 with aac),
    // "audio.flac" (1 s 22050 Hz mono), "odd.avi" (1 s 321x241, no audio), "still.png" (64x48),
    // "nodur.m4v" (raw stream: no container duration, no bit rate), "long.mp4" (4 s 160x96 whose middle
    // picture differs from its first). Any other name ending in ".mp4" is a copy of "video.mp4".
    QString Path(const QString& name);
    // A file of the given bytes in the clip folder.
    QString Write(const QString& name, const QByteArray& bytes);
    // The first bytes of a clip, as a new file.
    QString Truncated(const QString& clip, const QString& name, qint64 keep);

private:
    QTemporaryDir tmp_;
};
