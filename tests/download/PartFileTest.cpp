// The temporary file of a download: reserved without truncating anything, moved into place without
// replacing anything.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "download/PartFile.h"

using namespace download;

namespace {
void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

TEST(PartFile, ReservedBesideTheTargetWithoutTouchingOtherFiles) {
    QTemporaryDir dir;
    const QString target = dir.path() + "/Clip.mp4";
    Write(target + ".part", "someone's");
    const PartFileResult part = ReservePartFile(target);
    EXPECT_EQ(part.path, dir.path() + "/Clip.mp4(1).part");
    EXPECT_EQ(Read(part.path), "");
    EXPECT_EQ(Read(target + ".part"), "someone's");

    // A symbolic link in the way is not followed.
    QFile::link(dir.path() + "/elsewhere", dir.path() + "/Link.mp4.part");
    EXPECT_EQ(ReservePartFile(dir.path() + "/Link.mp4").path, dir.path() + "/Link.mp4(1).part");
    EXPECT_FALSE(QFile::exists(dir.path() + "/elsewhere"));

    const PartFileResult refused = ReservePartFile(dir.path() + "/missing-folder/Clip.mp4");
    EXPECT_TRUE(refused.path.isEmpty());
    EXPECT_TRUE(refused.error.contains("missing-folder")) << refused.error.toStdString();
}

TEST(PartFile, CommitNeverReplacesAFileThatAppearedMeanwhile) {
    QTemporaryDir dir;
    const QString part = dir.path() + "/Clip.mp4.part";
    Write(part, "video");
    Write(dir.path() + "/Clip.mp4", "taken after the name was chosen");
    QStringList names{dir.path() + "/Clip.mp4", dir.path() + "/Clip(1).mp4"};
    const PartFileResult saved = CommitPartFile(part, [&] { return names.takeFirst(); });
    EXPECT_EQ(saved.path, dir.path() + "/Clip(1).mp4");
    EXPECT_EQ(Read(saved.path), "video");
    EXPECT_EQ(Read(dir.path() + "/Clip.mp4"), "taken after the name was chosen");
    EXPECT_FALSE(QFile::exists(part));
}
