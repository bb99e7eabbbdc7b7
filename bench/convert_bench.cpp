// convert_bench INPUT NAME.ext [name=value ...]
// Converts INPUT through TFFEncoder (the name=value pairs as option lines of the output) and through the
// ffmpeg tool, several runs each in turn, and prints the times and, last, "convert ratio engine/ffmpeg:
// X.XX" (best engine run over best ffmpeg run). RUNS in the environment sets the number of runs (default 3).
//
// Like for like: the option lines alone leave the two sides to their own defaults (the engine's H.264 is
// Main without B-frames, the tool's High with three), so after the engine's first run its output is read
// back (codec, size, rate, pixel format, profile, bit rates, audio rate and channels, and libx264's own
// record of its settings) and the tool is given the same: "ffmpeg -i INPUT -name value ... <those
// settings> OUTPUT". Both settings and the tool's command line are printed, and the tool's first output is
// read back too so that any setting that did not carry over shows.
//
// Only the file name and extension of the second argument count: every run writes into a fresh folder
// under $TMPDIR, all removed at the end (the engine never replaces a file, it would add counters).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTempFolder.h"
#include "MediaSettings.h"
#include "ShellCommand.h"
#include "X264Options.h"
#include "core/SimpleDispatcher.h"
#include "engine/FFEncode.h"
#include "engine/FFLoad.h"

namespace fs = std::filesystem;

namespace {

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

// The one file the engine wrote into the run's folder (under the name asked for, unless it chose another).
std::string EngineOutput(const std::string& folder) {
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) return e.path().string();
    return {};
}

bool ReadSettings(const std::string& path, MediaSettings& settings) {
    std::string error;
    if (ReadMediaSettings(path, settings, error)) return true;
    std::fprintf(stderr, "cannot read %s\n", error.c_str());
    return false;
}

// ffmpeg -i INPUT, the option lines as the tool's options, then the settings to match (which win).
std::vector<std::string> ToolCommand(const std::string& input, const std::vector<std::string>& optionArgs,
                                     const MediaSettings& settings, const std::string& output,
                                     std::vector<std::string>& notes) {
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel",
                                     "error",  "-y",       "-i",           input};
    args.insert(args.end(), optionArgs.begin(), optionArgs.end());
    const std::vector<std::string> matching = ToolArgsMatching(settings, notes);
    args.insert(args.end(), matching.begin(), matching.end());
    args.push_back(output);
    return args;
}

// Without libx264's record the video bit rate asked for is unknown: the file states only what came out,
// and that can be far from the rate asked for (MPEG-4 at libavcodec's default 200 kb/s gives over 1 Mb/s
// on a 720p test picture). The tool is tried, untimed, with its default rate and with the stated one,
// and the rate whose output comes closer to the engine's is kept (0 in settings for the default).
bool ChooseVideoBitRate(const std::string& input, const std::vector<std::string>& optionArgs,
                        const std::string& probeOutput, MediaSettings& settings) {
    const int64_t stated = settings.video.bitRate;
    if (!settings.video.present || !settings.video.x264Options.empty() || stated <= 0) return true;
    int64_t produced[2] = {};
    const int64_t tried[2] = {0, stated};
    for (int i = 0; i < 2; ++i) {
        MediaSettings attempt = settings;
        attempt.video.bitRate = tried[i];
        std::vector<std::string> notes;
        const std::string cmd = ShellCommandLine(ToolCommand(input, optionArgs, attempt, probeOutput, notes));
        MediaSettings result;
        if (std::system(cmd.c_str()) != 0 || !ReadSettings(probeOutput, result)) {
            std::fprintf(stderr, "ffmpeg failed: %s\n", cmd.c_str());
            return false;
        }
        produced[i] = result.video.bitRate;
    }
    fs::remove(probeOutput);
    const int best = std::llabs(produced[0] - stated) <= std::llabs(produced[1] - stated) ? 0 : 1;
    settings.video.bitRate = tried[best];
    std::printf(
        "video bit rate: engine %lld kb/s; the tool gives %lld kb/s with its default rate, %lld kb/s "
        "asked for %lld kb/s: %s\n",
        (long long)(stated / 1000), (long long)(produced[0] / 1000), (long long)(produced[1] / 1000),
        (long long)((stated + 500) / 1000), best ? "asking for that rate" : "keeping its default");
    return true;
}

void PrintIndented(const char* title, const std::string& text) {
    std::string indented = "  ";
    for (char c : text)
        indented += c == '\n' ? std::string("\n  ") : std::string(1, c);
    std::printf("%s\n%s\n", title, indented.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s INPUT NAME.ext [name=value ...]\n", argv[0]);
        return 2;
    }
    core::SimpleDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    if (!engine::LoadAVLib("")) {
        std::fprintf(stderr, "%s\n", engine::AVLibLastErrMsg().c_str());
        return 1;
    }
    const std::string input = argv[1];
    const fs::path name = fs::path(argv[2]).filename();
    const std::string toolName = name.stem().string() + ".ffmpeg" + name.extension().string();
    std::string options;
    std::vector<std::string> optionArgs;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t eq = arg.find('=');
        options += arg + "\n";
        optionArgs.push_back("-" + arg.substr(0, eq));
        if (eq != std::string::npos) optionArgs.push_back(arg.substr(eq + 1));
    }
    const char* runsEnv = std::getenv("RUNS");
    const int runs = runsEnv ? std::max(1, std::atoi(runsEnv)) : 3;

    int status = 0;
    {
        const BenchTempFolder work("convert_bench");
        MediaSettings wanted;  // what the tool is asked for, from the engine's first output
        std::vector<double> engineTimes, cliTimes;
        for (int r = 0; r < runs && status == 0; ++r) {
            const fs::path folder = fs::path(work.path()) / ("run" + std::to_string(r + 1));
            fs::create_directory(folder);
            const std::string toolOutput = (folder / toolName).string();

            auto t0 = std::chrono::steady_clock::now();
            std::string error;
            if (!RunEngine(input, (folder / name).string(), options, error)) {
                std::fprintf(stderr, "engine failed: %s\n", error.c_str());
                status = 1;
                break;
            }
            auto t1 = std::chrono::steady_clock::now();

            MediaSettings engineSettings;
            if (r == 0) {
                const std::string engineOutput = EngineOutput(folder.string());
                if (!ReadSettings(engineOutput, engineSettings)) {
                    status = 1;
                    break;
                }
                std::vector<std::string> notes;
                wanted = engineSettings;
                if (!ChooseVideoBitRate(input, optionArgs,
                                        (folder / ("probe" + name.extension().string())).string(), wanted)) {
                    status = 1;
                    break;
                }
                PrintIndented("engine option lines:",
                              options.empty() ? "(none)" : ShellCommandLine(optionArgs));
                PrintIndented("engine output:", DescribeSettings(engineSettings));
                PrintIndented("ffmpeg command:",
                              ShellCommandLine(ToolCommand(input, optionArgs, wanted, toolOutput, notes)));
                for (const std::string& note : notes)
                    std::printf("note: %s\n", note.c_str());
            }

            const auto t2 = std::chrono::steady_clock::now();
            std::vector<std::string> unused;
            const std::string cli =
                ShellCommandLine(ToolCommand(input, optionArgs, wanted, toolOutput, unused));
            if (std::system(cli.c_str()) != 0) {
                std::fprintf(stderr, "ffmpeg failed: %s\n", cli.c_str());
                status = 1;
                break;
            }
            const auto t3 = std::chrono::steady_clock::now();

            if (r == 0) {
                MediaSettings toolSettings;
                if (!ReadSettings(toolOutput, toolSettings)) {
                    status = 1;
                    break;
                }
                PrintIndented("ffmpeg output:", DescribeSettings(toolSettings));
                if (!engineSettings.video.x264Options.empty()) {
                    const std::string diff = X264OptionDifferences(engineSettings.video.x264Options,
                                                                   toolSettings.video.x264Options);
                    std::printf("x264 settings engine/ffmpeg: %s\n", diff.empty() ? "same" : diff.c_str());
                }
            }
            std::error_code ignored;
            fs::remove_all(folder, ignored);

            engineTimes.push_back(Seconds(t0, t1));
            cliTimes.push_back(Seconds(t2, t3));
            std::printf("run %d: engine %.3f s, ffmpeg %.3f s\n", r + 1, engineTimes.back(), cliTimes.back());
            std::fflush(stdout);
        }
        if (status == 0) {
            const double e = *std::min_element(engineTimes.begin(), engineTimes.end());
            const double c = *std::min_element(cliTimes.begin(), cliTimes.end());
            std::printf("best: engine %.3f s, ffmpeg %.3f s\n", e, c);
            std::printf("convert ratio engine/ffmpeg: %.2f\n", e / c);
        }
    }
    core::setMainDispatcher(nullptr);
    return status;
}
