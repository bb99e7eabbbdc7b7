#pragma once
// The numeric thread identifier the engine reports with every log line and keys its per-thread state by.

#include <cstdint>

namespace engine {

using TThreadID = std::uint32_t;

// The kernel's identifier of the calling thread (the number the log window shows).
TThreadID CurrentThreadID();

}  // namespace engine
