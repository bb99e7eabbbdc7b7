// convert_bench INPUT OUTPUT.ext [name=value ...]
// Converts INPUT through TFFEncoder (the name=value pairs as option lines of the output) and through
// "ffmpeg -y -i INPUT -name value ... OUTPUT", several runs each in turn, and prints the times and, last,
// "convert ratio engine/ffmpeg: X.XX" (best engine run over best ffmpeg run).
// RUNS in the environment sets the number of runs (default 3).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/SimpleDispatcher.h"
#include "engine/FFEncode.h"
#include "engine/FFLoad.h"

namespace {

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

bool RunEngine(const std::string& input, const std::string& output, const std::string& options,
               std::string& error) {
    engine::TFFEncoder encoder;
    engine::TTerminateInfo result;
    encoder.OnTerminate = [&](engine::TFFEncoder*, const engine::TTerminateInfo& info) {
        if (info.TaskIndex >= 0) result = info;
    };
    const int task = encoder.AddTask(input);
    if (task < 0) {
        error = encoder.LastErrMsg();
        return false;
    }
    engine::TOutputOptions out;
    out.ExtOptions = options;
    if (!encoder.SetOutputFile(task, output, &out)) {
        error = encoder.LastErrMsg();
        return false;
    }
    encoder.StartTask(0);
    error = result.ErrorMessage;
    return result.Finished && !result.ErrorOccurred;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT.ext [name=value ...]\n", argv[0]);
        return 2;
    }
    core::SimpleDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    if (!engine::LoadAVLib("")) {
        std::fprintf(stderr, "%s\n", engine::AVLibLastErrMsg().c_str());
        return 1;
    }
    const std::string input = argv[1];
    const std::string output = argv[2];
    const size_t dot = output.rfind('.');
    const std::string cliOutput = output.substr(0, dot) + ".ffmpeg" + output.substr(dot);
    std::string options, cliArgs;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t eq = arg.find('=');
        options += arg + "\n";
        cliArgs += " -" + Quote(arg.substr(0, eq));
        if (eq != std::string::npos) cliArgs += " " + Quote(arg.substr(eq + 1));
    }
    const std::string cli = "ffmpeg -nostdin -hide_banner -loglevel error -y -i " + Quote(input) + cliArgs +
                            " " + Quote(cliOutput);
    const char* runsEnv = std::getenv("RUNS");
    const int runs = runsEnv ? std::max(1, std::atoi(runsEnv)) : 3;
    std::vector<double> engineTimes, cliTimes;
    for (int r = 0; r < runs; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        std::string error;
        if (!RunEngine(input, output, options, error)) {
            std::fprintf(stderr, "engine failed: %s\n", error.c_str());
            return 1;
        }
        auto t1 = std::chrono::steady_clock::now();
        if (std::system(cli.c_str()) != 0) {
            std::fprintf(stderr, "ffmpeg failed: %s\n", cli.c_str());
            return 1;
        }
        auto t2 = std::chrono::steady_clock::now();
        engineTimes.push_back(Seconds(t0, t1));
        cliTimes.push_back(Seconds(t1, t2));
        std::printf("run %d: engine %.3f s, ffmpeg %.3f s\n", r + 1, engineTimes.back(), cliTimes.back());
        std::fflush(stdout);
    }
    const double e = *std::min_element(engineTimes.begin(), engineTimes.end());
    const double c = *std::min_element(cliTimes.begin(), cliTimes.end());
    std::printf("best: engine %.3f s, ffmpeg %.3f s\n", e, c);
    std::printf("convert ratio engine/ffmpeg: %.2f\n", e / c);
    core::setMainDispatcher(nullptr);
    return 0;
}
