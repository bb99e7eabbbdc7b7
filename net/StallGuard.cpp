#include "net/StallGuard.h"

namespace net {

StallGuard::StallGuard(const StallLimits& limits, Clock::time_point start)
    : limits_(limits), start_(start), lastChange_(start) {
    samples_.emplace_back(start, 0);
}

bool StallGuard::Stalled(Clock::time_point now, std::int64_t movedBytes) {
    if (movedBytes != lastBytes_) {
        lastBytes_ = movedBytes;
        lastChange_ = now;
    }
    if (limits_.IdleSeconds > 0 && now - lastChange_ >= std::chrono::seconds(limits_.IdleSeconds))
        return true;
    if (limits_.MinimumBytes <= 0 || limits_.WindowSeconds <= 0) return false;

    const auto window = std::chrono::seconds(limits_.WindowSeconds);
    if (now - samples_.back().first >= std::chrono::seconds(1)) samples_.emplace_back(now, movedBytes);
    // The base is the newest sample at least a window old; older ones are no longer needed.
    while (samples_.size() > 1 && now - samples_[1].first >= window)
        samples_.pop_front();
    const auto& [baseTime, baseBytes] = samples_.front();
    // The base lies a window or more back, so the bytes since then can only overstate the window's share:
    // a stall reported here is certain.
    return now - baseTime >= window && movedBytes - baseBytes < limits_.MinimumBytes;
}

}  // namespace net
