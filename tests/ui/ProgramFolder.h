#pragma once
// A program folder for one test: an edition profile of the test's own, the staged skin images, and an
// empty home folder, so the main window starts as on a fresh machine.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "../common/HomeOverride.h"

struct ProgramFolder {
    QTemporaryDir tmp;
    HomeOverride homeOverride{home()};

    explicit ProgramFolder(const QByteArray& profile) {
        QDir().mkpath(dir() + "/sounds/res");
        QDir().mkpath(home());
        const QDir skin(QStringLiteral(REEL_STAGE_DIR "/sounds/res"));
        for (const QString& f : skin.entryList(QDir::Files))
            QFile::copy(skin.filePath(f), dir() + "/sounds/res/" + f);
        write("lame.dll", profile);
    }
    QString dir() const { return tmp.path() + "/program"; }
    QString home() const { return tmp.path() + "/home"; }
    void write(const QString& relative, const QByteArray& data) const {
        QFile f(dir() + "/" + relative);
        f.open(QIODevice::WriteOnly);
        f.write(data);
    }
    static QByteArray Profile(const QByteArray& keys) { return "[SYSTEM]\n" + keys; }
    static QByteArray DefaultProfile() {
        QFile f(QStringLiteral(REEL_STAGE_DIR "/lame.dll"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
};
