#pragma once
// A temporary folder for one test, removed afterwards.

#include <QFile>
#include <QTemporaryDir>

struct TempDir {
    QTemporaryDir dir;
    QString path(const QString& name = QString()) const {
        return name.isEmpty() ? dir.path() : dir.filePath(name);
    }
    QString write(const QString& name, const QByteArray& text) const {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path(name);
    }
    QByteArray read(const QString& name) const {
        QFile f(path(name));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
};
