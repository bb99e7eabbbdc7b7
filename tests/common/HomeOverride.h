#pragma once
// Points HOME at a folder of the test's own and unsets XDG_CONFIG_HOME, so the settings and special folders
// resolve there; both are restored when it goes out of scope.

#include <QByteArray>
#include <QString>

class HomeOverride {
public:
    explicit HomeOverride(const QString& home) {
        qputenv("HOME", home.toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
    }
    ~HomeOverride() {
        qputenv("HOME", oldHome_);
        if (oldConfig_.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig_);
    }
    HomeOverride(const HomeOverride&) = delete;
    HomeOverride& operator=(const HomeOverride&) = delete;

private:
    QByteArray oldHome_ = qgetenv("HOME");
    QByteArray oldConfig_ = qgetenv("XDG_CONFIG_HOME");
};
