#include <gtest/gtest.h>

#include <string>

#include "app/SystemPower.h"

using namespace app;

namespace {

struct FakePower : SystemPower {
    std::string calls;
    void QuitApplication() override { calls += "quit "; }
    void PowerOff() override { calls += "poweroff "; }
    void Reboot() override { calls += "reboot "; }
    void Hibernate() override { calls += "hibernate "; }
    void Suspend() override { calls += "suspend "; }
};

TEST(ShutdownSystem, KindsMapToPowerActions) {
    FakePower fake;
    SetSystemPower(&fake);
    for (int kind : {0, 1, 2, 3, 4, 5, 6, -1})
        ShutdownSystem(kind);
    SetSystemPower(nullptr);
    EXPECT_EQ(fake.calls, "quit poweroff poweroff reboot hibernate suspend ");
}

}  // namespace
