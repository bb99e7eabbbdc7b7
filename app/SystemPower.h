#pragma once
// Shutting the computer down. The power actions go through an interface: the program uses logind over
// D-Bus, tests install a fake and never reach the real call.

namespace app {

class SystemPower {
public:
    virtual ~SystemPower() = default;
    virtual void QuitApplication() = 0;
    virtual void PowerOff() = 0;
    virtual void Reboot() = 0;
    virtual void Hibernate() = 0;
    virtual void Suspend() = 0;
};

// The power backend in use: the installed one, else logind. Installing nullptr restores logind.
SystemPower& CurrentSystemPower();
void SetSystemPower(SystemPower* power);

// 0 ends this application only; 1 shuts down with power off; 2 powers off; 3 restarts; 4 hibernates;
// 5 suspends. Other kinds do nothing. Nothing is reported back: logind decides whether it may.
void ShutdownSystem(int kind);

}  // namespace app
