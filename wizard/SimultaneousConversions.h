#pragma once
// How many files a conversion run converts at the same time: the user's setting, or the automatic choice
// from the machine's cores and memory and the batch's size and picture size.

#include <cstdint>

#include "app/Globals.h"

namespace wizard {

// What the automatic choice looks at on this machine.
struct MachineFacts {
    int Cores = 1;                 // logical processors
    uint64_t AvailableMemory = 0;  // bytes other programs leave free; 0 when unknown
};

// The running machine: std::thread::hardware_concurrency and MemAvailable of /proc/meminfo.
MachineFacts CurrentMachine();

// A rough bound on what one conversion task holds in memory for pictures of framePixels (width x height):
// the decoder's reference and threading frames, the filter and the encoder's look-ahead, plus a fixed part
// for buffers and codec state. framePixels of 0 or less counts as 1920x1080.
uint64_t TaskMemoryEstimate(int64_t framePixels);

// The number of tasks to run at once. setting 1..16 is taken as it is; 0 (or anything out of range) is
// automatic: one per core (one encoder alone leaves cores idle while it reads, decodes and writes), but no
// more than half the available memory holds (TaskMemoryEstimate).
// Either way never more than files, and at least 1.
int SimultaneousConversions(int setting, int files, int64_t framePixels, const MachineFacts& machine);

}  // namespace wizard
