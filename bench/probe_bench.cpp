// Probes media files the way the input list does (open, facts, seek to the middle, decode one picture,
// make the 24-bit picture) and does the same work with the command-line tools (ffprobe, then
// ffmpeg -ss <middle> -frames:v 1), timing both in the same run.
//
//   probe_bench [--repeat N] FILE...
//
// Prints one line per file and, last, "probe ratio engine/cli: X.XX" (engine total over tools total).

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/SimpleDispatcher.h"
#include "engine/FFDecode.h"
#include "engine/FFLoad.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs a program with its output discarded; true when it exited with 0.
bool RunTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct EngineResult {
    bool opened = false;
    bool picture = false;
    int64_t duration = -1;
    int width = 0, height = 0;
    std::string error;
};

EngineResult ProbeWithEngine(engine::TFFDecoder& dec, const std::string& file) {
    EngineResult r;
    if (!dec.LoadFile(file)) {
        r.error = dec.LastErrMsg();
        return r;
    }
    r.opened = true;
    engine::TFileStreamInfo info;
    dec.GetFileStreamInfo(info);
    r.duration = info.Duration;
    engine::TVideoStreamInfo video;
    engine::TAudioStreamInfo audio;
    if (dec.FirstAudioStreamIndex() >= 0) dec.GetAudioStreamInfo(-1, audio);
    if (dec.FirstVideoStreamIndex() >= 0 && dec.GetVideoStreamInfo(-1, video)) {
        dec.Seek(0, info.Duration > 0 ? info.Duration / 2 : 0);
        engine::TBitmap bmp;
        if (dec.Decode(dec.FirstVideoStreamIndex()) && dec.CopyToBitmap(bmp)) {
            r.picture = true;
            r.width = bmp.Width;
            r.height = bmp.Height;
        }
    }
    dec.CloseFile();
    return r;
}

void ProbeWithTools(const std::string& file, const EngineResult& facts) {
    RunTool({"ffprobe", "-v", "error", "-show_format", "-show_streams", file});
    if (facts.width <= 0) return;  // no picture to make (audio only)
    const double middle = facts.duration > 0 ? facts.duration / 2 / 1e6 : 0.0;
    char ss[32];
    std::snprintf(ss, sizeof ss, "%.3f", middle);
    RunTool({"ffmpeg", "-nostdin", "-v", "error", "-ss", ss, "-i", file, "-frames:v", "1", "-f", "rawvideo",
             "-pix_fmt", "bgr24", "-y", "/dev/null"});
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = 3;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else
            files.push_back(argv[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: probe_bench [--repeat N] FILE...\n");
        return 2;
    }
    core::SimpleDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    if (!engine::LoadAVLib("lib")) {
        std::fprintf(stderr, "%s\n", engine::AVLibLastErrMsg().c_str());
        return 1;
    }

    engine::TFFDecoder dec;
    double engineTotal = 0, toolsTotal = 0;
    for (const std::string& file : files) {
        EngineResult facts;
        double engineMs = 0, toolsMs = 0;
        for (int i = 0; i < repeat; ++i) {
            auto start = Clock::now();
            facts = ProbeWithEngine(dec, file);
            engineMs += MillisecondsSince(start);
            dispatcher.processPending();
            start = Clock::now();
            ProbeWithTools(file, facts);
            toolsMs += MillisecondsSince(start);
        }
        engineMs /= repeat;
        toolsMs /= repeat;
        engineTotal += engineMs;
        toolsTotal += toolsMs;
        if (!facts.opened)
            std::printf("%s: engine %.2f ms, cli %.2f ms, not opened: %s\n", file.c_str(), engineMs, toolsMs,
                        facts.error.c_str());
        else
            std::printf(
                "%s: engine %.2f ms, cli %.2f ms, duration %s, picture %s %dx%d\n", file.c_str(), engineMs,
                toolsMs,
                facts.duration >= 0 ? (std::to_string(facts.duration / 1000) + " ms").c_str() : "unknown",
                facts.picture ? "yes" : "no", facts.width, facts.height);
    }
    std::printf("probe ratio engine/cli: %.2f\n", toolsTotal > 0 ? engineTotal / toolsTotal : 0.0);
    core::setMainDispatcher(nullptr);
    return 0;
}
