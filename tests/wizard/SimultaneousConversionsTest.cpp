#include "wizard/SimultaneousConversions.h"

#include <gtest/gtest.h>

namespace wizard {
namespace {

constexpr uint64_t kGiB = 1024ull * 1024 * 1024;
constexpr int64_t k720p = 1280 * 720, k1080p = 1920 * 1080, k4K = 3840 * 2160;

TEST(SimultaneousConversionsTest, TheSettingOrTheMachineAndTheBatchDecide) {
    struct Case {
        const char* what;
        int setting, files;
        int64_t framePixels;
        MachineFacts machine;
        int expected;
    };
    const Case cases[] = {
        {"2 cores, plenty of memory: 2", 0, 8, k720p, {2, 16 * kGiB}, 2},
        {"1 core: one at a time", 0, 8, k720p, {1, 16 * kGiB}, 1},
        {"8 cores: one per core", 0, 20, k1080p, {8, 16 * kGiB}, 8},
        {"never more tasks than files", 0, 3, k720p, {8, 16 * kGiB}, 3},
        {"one file", 0, 1, k720p, {8, 16 * kGiB}, 1},
        {"no files", 0, 0, k720p, {8, 16 * kGiB}, 1},
        {"64 cores: at most 16", 0, 100, k720p, {64, 256 * kGiB}, 16},
        {"4K pictures in 2 GiB: memory allows 1", 0, 8, k4K, {8, 2 * kGiB}, 1},
        {"4K pictures in 4 GiB: memory allows 2", 0, 8, k4K, {8, 4 * kGiB}, 2},
        {"small pictures in the same 4 GiB: every core", 0, 8, 640 * 480, {8, 4 * kGiB}, 8},
        {"almost no memory left: still one", 0, 8, k1080p, {4, 100ull * 1024 * 1024}, 1},
        {"memory unknown: by the cores", 0, 8, k1080p, {4, 0}, 4},
        {"1080p in 1.5 GiB: 3", 0, 8, k1080p, {8, 3 * kGiB / 2}, 3},
        {"an unknown picture size counts as 1080p", 0, 8, 0, {8, 3 * kGiB / 2}, 3},
        {"set to 3", 3, 8, k4K, {1, 1 * kGiB}, 3},
        {"set to 16, 5 files", 16, 5, k720p, {2, 16 * kGiB}, 5},
        {"set to 1", 1, 8, k720p, {16, 64 * kGiB}, 1},
        {"out of range counts as automatic", 17, 8, k720p, {2, 16 * kGiB}, 2},
        {"negative counts as automatic", -1, 8, k720p, {2, 16 * kGiB}, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SimultaneousConversions(c.setting, c.files, c.framePixels, c.machine), c.expected)
            << c.what;
}

TEST(SimultaneousConversionsTest, TheEstimateGrowsWithThePictureAndStaysPlausible) {
    EXPECT_LT(TaskMemoryEstimate(320 * 240), TaskMemoryEstimate(k720p));
    EXPECT_LT(TaskMemoryEstimate(k720p), TaskMemoryEstimate(k4K));
    EXPECT_EQ(TaskMemoryEstimate(0), TaskMemoryEstimate(k1080p));
    // A 1080p task takes some hundreds of MiB, not some GiB nor some MiB.
    EXPECT_GT(TaskMemoryEstimate(k1080p), 100ull * 1024 * 1024);
    EXPECT_LT(TaskMemoryEstimate(k1080p), 1 * kGiB);
}

TEST(SimultaneousConversionsTest, ThisMachineIsRead) {
    const MachineFacts here = CurrentMachine();
    EXPECT_GE(here.Cores, 1);
    EXPECT_GT(here.AvailableMemory, 0u);
}

}  // namespace
}  // namespace wizard
