#include "MediaClips.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <stdexcept>

namespace {

QStringList Recipe(const QString& name) {
    static const QMap<QString, QString> recipes = {
        {"video.mp4",
         "-f lavfi -i testsrc=size=64x48:rate=10 -f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 "
         "-c:v mpeg4 -c:a aac -b:a 32k"},
        {"audio.flac", "-f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 -ac 1"},
        {"odd.avi", "-f lavfi -i testsrc=size=321x241:rate=10 -t 1 -c:v mpeg4"},
        {"still.png", "-f lavfi -i testsrc=size=64x48 -frames:v 1"},
        {"nodur.m4v", "-f lavfi -i testsrc=size=64x48:rate=10 -t 1 -c:v mpeg4 -f m4v"},
        {"long.mp4", "-f lavfi -i testsrc=size=160x96:rate=10 -t 4 -c:v mpeg4 -g 5"},
    };
    return recipes.value(name).split(u' ', Qt::SkipEmptyParts);
}

}  // namespace

MediaClips::MediaClips() {
    if (!tmp_.isValid()) throw std::runtime_error("cannot create the clip folder");
}

QString MediaClips::Path(const QString& name) {
    const QString path = dir() + "/" + name;
    if (QFileInfo::exists(path)) return path;
    QStringList args = Recipe(name);
    if (args.isEmpty()) {
        if (!name.endsWith(".mp4")) throw std::runtime_error("no recipe for " + name.toStdString());
        QFile::copy(Path("video.mp4"), path);
        return path;
    }
    args = QStringList{"-nostdin", "-v", "error", "-y"} + args + QStringList{path};
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", args);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        throw std::runtime_error("ffmpeg failed for " + name.toStdString());
    return path;
}

QString MediaClips::Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir() + "/" + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + name.toStdString());
    f.write(bytes);
    return path;
}

QString MediaClips::Truncated(const QString& clip, const QString& name, qint64 keep) {
    QFile f(Path(clip));
    f.open(QIODevice::ReadOnly);
    return Write(name, f.read(keep));
}

MediaClips& MediaClips::Shared() {
    static MediaClips clips;
    return clips;
}
