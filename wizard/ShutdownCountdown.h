#pragma once
// The 30-second countdown before the end-of-run shutdown. The dialog ticks it once a second; the values
// 30 down to 0 are each shown for one tick, and the tick after 0 ends the countdown.

#include <QString>

namespace wizard {

class ShutdownCountdown {
public:
    static constexpr int kStartSeconds = 30;

    // "Time left: %d" with the seconds left.
    QString TimeLeftText() const;
    int SecondsLeft() const { return secondsLeft_; }

    // One timer tick; true when the countdown has run out (the dialog then ends with OK).
    bool Tick();

private:
    int secondsLeft_ = kStartSeconds;
};

// The three-line description with the application title in its middle line.
QString ShutdownDescription(const QString& title);

}  // namespace wizard
