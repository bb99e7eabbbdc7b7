#include "wizard/ShutdownCountdown.h"

namespace wizard {

QString ShutdownCountdown::TimeLeftText() const {
    return QStringLiteral("Time left: %1").arg(secondsLeft_);
}

bool ShutdownCountdown::Tick() {
    --secondsLeft_;
    return secondsLeft_ < 0;
}

// The last line names what the countdown ends in: the whole computer goes down, not just this program.
QString ShutdownDescription(const QString& title) {
    return QStringLiteral("If you don't press cancel now, \n%1\nwill shut down the computer.").arg(title);
}

}  // namespace wizard
