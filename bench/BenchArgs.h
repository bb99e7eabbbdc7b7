#pragma once
// The options of the benchmarks that time a batch of generated files: --files N --repeat R.

#include <cstdlib>
#include <cstring>

struct BenchBatchArgs {
    int files;
    int repeat;
};

// Reads --files and --repeat from the command line; what is not given keeps its default.
inline BenchBatchArgs ParseBenchBatchArgs(int argc, char** argv, BenchBatchArgs defaults) {
    BenchBatchArgs args = defaults;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--files")) args.files = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--repeat")) args.repeat = std::atoi(argv[i + 1]);
    }
    return args;
}
