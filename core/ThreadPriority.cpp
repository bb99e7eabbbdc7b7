#include "core/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cstddef>

namespace core {

namespace {

constexpr std::array<int, 7> kNiceValues = {19, 10, 5, 0, -5, -10, -20};

}  // namespace

int NiceValueOf(TThreadPriority priority) {
    return kNiceValues[static_cast<std::size_t>(priority)];
}

TThreadPriority PriorityOfNiceValue(int nice) {
    for (std::size_t i = 0; i < kNiceValues.size(); ++i)
        if (kNiceValues[i] == nice) return static_cast<TThreadPriority>(i);
    return tpNormal;
}

void SetThreadPriority(TThreadPriority priority, pid_t tid) {
    if (tid == 0) tid = static_cast<pid_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceValueOf(priority));
}

}  // namespace core
