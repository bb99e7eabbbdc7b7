#include "app/SystemPower.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>

namespace app {

namespace {

// systemd-logind's manager; "interactive" false: never ask for a password in the middle of the night.
class LogindPower : public SystemPower {
public:
    void QuitApplication() override { QCoreApplication::quit(); }
    void PowerOff() override { Call("PowerOff"); }
    void Reboot() override { Call("Reboot"); }
    void Hibernate() override { Call("Hibernate"); }
    void Suspend() override { Call("Suspend"); }

private:
    static void Call(const char* method) {
        QDBusInterface manager(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
        if (manager.isValid()) manager.call(QDBus::NoBlock, QLatin1String(method), false);
    }
};

SystemPower* g_installed = nullptr;

}  // namespace

SystemPower& CurrentSystemPower() {
    static LogindPower logind;
    return g_installed ? *g_installed : logind;
}

void SetSystemPower(SystemPower* power) {
    g_installed = power;
}

void ShutdownSystem(int kind) {
    SystemPower& power = CurrentSystemPower();
    switch (kind) {
        case 0:
            power.QuitApplication();
            break;
        case 1:
        case 2:
            power.PowerOff();
            break;
        case 3:
            power.Reboot();
            break;
        case 4:
            power.Hibernate();
            break;
        case 5:
            power.Suspend();
            break;
        default:
            break;
    }
}

}  // namespace app
