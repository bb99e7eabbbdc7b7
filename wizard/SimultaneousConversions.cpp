#include "wizard/SimultaneousConversions.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>

namespace wizard {

namespace {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr uint64_t kFixedBytesPerTask = 64 * kMiB;
// Decoder references and frame threads, filter output, encoder look-ahead and references, in 4:2:0
// pictures of 1.5 bytes per pixel.
constexpr uint64_t kPicturesPerTask = 64;
constexpr int64_t kUnknownFramePixels = 1920 * 1080;

uint64_t MemAvailableBytes() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit)
        if (key == "MemAvailable:") return kilobytes * 1024;
    // Older kernels: the free pages alone (ignores what caches could give back).
    const long pages = sysconf(_SC_AVPHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0;
}

}  // namespace

MachineFacts CurrentMachine() {
    return {std::max(1, static_cast<int>(std::thread::hardware_concurrency())), MemAvailableBytes()};
}

uint64_t TaskMemoryEstimate(int64_t framePixels) {
    const auto pixels = static_cast<uint64_t>(framePixels > 0 ? framePixels : kUnknownFramePixels);
    return kFixedBytesPerTask + kPicturesPerTask * pixels * 3 / 2;
}

int SimultaneousConversions(int setting, int files, int64_t framePixels, const MachineFacts& machine) {
    if (files <= 1) return 1;
    int n = setting;
    if (n < 1 || n > app::kMaxSimultaneousConversions) {
        n = std::clamp(machine.Cores, 1, app::kMaxSimultaneousConversions);
        if (machine.AvailableMemory > 0) {
            const uint64_t fits = machine.AvailableMemory / 2 / TaskMemoryEstimate(framePixels);
            n = static_cast<int>(std::clamp<uint64_t>(fits, 1, uint64_t(n)));
        }
    }
    return std::min(n, files);
}

}  // namespace wizard
