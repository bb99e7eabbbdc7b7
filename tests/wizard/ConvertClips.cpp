#include "ConvertClips.h"

#include <gtest/gtest.h>

#include "engine/FFLoad.h"
#include "engine/FFLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <stdexcept>

namespace clips {

namespace {

QTemporaryDir& Root() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/reel-wizard-clips-XXXXXX"));
    return dir;
}

// Runs the ffmpeg tool once per distinct output name; thread-safe.
QString Make(const QString& name, const QString& args) {
    static std::mutex lock;
    static std::map<QString, QString> made;
    std::lock_guard<std::mutex> guard(lock);
    if (auto it = made.find(name); it != made.end()) return it->second;
    const QString path = Root().path() + u'/' + name;
    const QString cmd = QStringLiteral("ffmpeg -nostdin -v error -y %1 '%2'").arg(args, path);
    if (std::system(cmd.toLocal8Bit().constData()) != 0)
        throw std::runtime_error("fixture failed: " + cmd.toStdString());
    made[name] = path;
    return path;
}

QString Video(int w, int h) {
    return QStringLiteral("-f lavfi -i testsrc=size=%1x%2:rate=25 ").arg(w).arg(h);
}

const QString kSine = QStringLiteral("-f lavfi -i sine=frequency=440:sample_rate=44100 ");

}  // namespace

QString AudioVideo(int width, int height, double seconds, const QString& name) {
    const QString file =
        name.isEmpty() ? QStringLiteral("av-%1x%2-%3.mp4").arg(width).arg(height).arg(seconds) : name;
    return Make(file, Video(width, height) + kSine +
                          QStringLiteral("-t %1 -c:v mpeg4 -g 25 -c:a aac -ac 2 -b:a 64k").arg(seconds));
}

QString VideoOnly(int width, int height, double seconds) {
    return Make(QStringLiteral("v-%1x%2-%3.mp4").arg(width).arg(height).arg(seconds),
                Video(width, height) + QStringLiteral("-t %1 -c:v mpeg4 -g 25").arg(seconds));
}

QString AudioOnly(double seconds) {
    return Make(QStringLiteral("a-%1.wav").arg(seconds),
                kSine + QStringLiteral("-t %1 -ac 2 -c:a pcm_s16le").arg(seconds));
}

QString Truncated() {
    const QString whole =
        Make(QStringLiteral("whole-6.mp4"),
             Video(64, 48) + kSine + QStringLiteral("-t 6 -c:v mpeg4 -g 25 -c:a aac -movflags +faststart"));
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    const QString path = Root().path() + QStringLiteral("/truncated.mp4");
    if (!QFile::exists(path)) {
        QFile in(whole), out(path);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
            throw std::runtime_error("fixture failed: truncated.mp4");
        out.write(in.read(in.size() * 6 / 10));
    }
    return path;
}

QString White(int width, int height, double seconds) {
    return Make(QStringLiteral("white-%1x%2-%3.mp4").arg(width).arg(height).arg(seconds),
                QStringLiteral("-f lavfi -i color=c=white:size=%1x%2:rate=25 ").arg(width).arg(height) +
                    kSine + QStringLiteral("-t %1 -c:v mpeg4 -q:v 2 -c:a aac -ac 2").arg(seconds));
}

QString Surround(int width, int height, double seconds) {
    return Make(QStringLiteral("surround-%1x%2-%3.mkv").arg(width).arg(height).arg(seconds),
                Video(width, height) +
                    QStringLiteral("-f lavfi -i sine=frequency=440:sample_rate=48000 -t %1 -c:v libx264 "
                                   "-preset ultrafast -pix_fmt yuv420p -c:a aac -ac 6 -b:a 384k")
                        .arg(seconds));
}

namespace {

QByteArray Run(const QString& command) {
    QByteArray out;
    FILE* p = popen(command.toLocal8Bit().constData(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, qsizetype(n));
    pclose(p);
    return out;
}

}  // namespace

QMap<QString, QString> StreamEntries(const QString& path, const char* kind, const char* entries) {
    const QString text =
        QString::fromUtf8(Run(QStringLiteral("ffprobe -v error -select_streams %1:0 -show_entries "
                                             "stream=%2 -of default=nw=1 '%3'")
                                  .arg(QLatin1String(kind), QLatin1String(entries), path)));
    QMap<QString, QString> values;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
        values.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    return values;
}

QByteArray FirstPictureGrey(const QString& path, int width, int height) {
    const QByteArray grey = Run(QStringLiteral("ffmpeg -nostdin -v error -i '%1' -frames:v 1 -f rawvideo "
                                               "-pix_fmt gray -")
                                    .arg(path));
    return grey.size() == qsizetype(width) * height ? grey : QByteArray();
}

QString FreshFolder() {
    static std::atomic<int> counter{0};
    const QString path = Root().path() + QStringLiteral("/out%1/").arg(++counter);
    QDir().mkpath(path);
    return path;
}

}  // namespace clips

namespace {

// Every test of this program may run the engine: its libraries are loaded once, library chatter below
// errors kept out of the test output.
class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(engine::LoadAVLib("")) << engine::AVLibLastErrMsg();
        engine::FFLogger().SetLogLevel(engine::llError);
    }
};

[[maybe_unused]] ::testing::Environment* const kEngine =
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace
