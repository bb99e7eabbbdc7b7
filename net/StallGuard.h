#pragma once
// StallGuard: decides when a transfer has stalled, from the bytes it has moved so far and the time. A
// transfer stalls when it moves nothing at all for IdleSeconds, or fewer than MinimumBytes within any
// window of WindowSeconds (a server that trickles a few bytes a second would otherwise hold it for
// ever). The guard only sees the samples it is given, so the caller's clock and byte counts decide;
// it never reports a stall the samples do not prove.

#include <chrono>
#include <cstdint>
#include <deque>
#include <utility>

namespace net {

struct StallLimits {
    int IdleSeconds = 0;            // 0: no limit for a transfer that moves nothing
    std::int64_t MinimumBytes = 0;  // 0 or WindowSeconds 0: no limit on a slow transfer
    int WindowSeconds = 0;

    bool Any() const { return IdleSeconds > 0 || (MinimumBytes > 0 && WindowSeconds > 0); }
};

class StallGuard {
public:
    using Clock = std::chrono::steady_clock;

    StallGuard(const StallLimits& limits, Clock::time_point start);

    // movedBytes: everything the transfer has moved up to now (never decreasing). True once stalled.
    bool Stalled(Clock::time_point now, std::int64_t movedBytes);

private:
    StallLimits limits_;
    Clock::time_point start_;
    Clock::time_point lastChange_;
    std::int64_t lastBytes_ = 0;
    // (time, bytes) samples, at most one a second, covering the last window and one sample before it.
    std::deque<std::pair<Clock::time_point, std::int64_t>> samples_;
};

}  // namespace net
