#pragma once
// Thread priorities, set on Linux as the nice value of one thread.

#include <sys/types.h>

namespace core {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The nice value of each priority (lowering is always permitted, raising only with privileges).
int NiceValueOf(TThreadPriority priority);
// Maps a nice value back; values outside the table read as tpNormal.
TThreadPriority PriorityOfNiceValue(int nice);
// Sets the priority of the thread tid, or of the calling thread when tid is 0; a refusal is ignored.
void SetThreadPriority(TThreadPriority priority, pid_t tid = 0);

}  // namespace core
