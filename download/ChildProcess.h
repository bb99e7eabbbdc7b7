#pragma once
// ChildProcess: one external program run as a child in a process group of its own, its output read on a
// thread of its own and handed to the main thread line by line. Plain POSIX (posix_spawn), no Qt: the
// download run is driven through core's dispatcher like the transfer components, in the program and in the
// tests alike.
//
// Ending a child ends its whole group (TERM, then KILL after a grace period), so helpers it started (ffmpeg
// for a merge) go with it. A child that writes nothing for the stall limit is ended the same way. Every
// handler runs on the main thread; none runs after the object is gone.

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace download {

// How a child ended.
struct ChildExit {
    int exitCode = -1;     // the status it exited with; -1 when a signal ended it
    int signal = 0;        // the signal that ended it, 0 when it exited
    bool stalled = false;  // ended because it wrote nothing for the stall limit
    bool stopped = false;  // ended because Stop was asked
};

class ChildProcess {
public:
    // Seconds between TERM and KILL.
    static constexpr int kGraceSeconds = 3;

    struct Handlers {
        std::function<void(const std::string& line)> onStdoutLine;  // without the line end
        std::function<void(const std::string& line)> onStderrLine;
        std::function<void(const ChildExit& exit)> onExit;  // after the last line
    };

    ChildProcess() = default;
    // Ends the group if it still runs and waits for it (at most the grace period and a little).
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (a path) with the arguments that follow; the environment is inherited, standard input is
    // /dev/null. stallSeconds 0 means no stall limit. False with a reason when the program cannot be started.
    bool Start(const std::vector<std::string>& argv, Handlers handlers, int stallSeconds, std::string* error);
    // Asks the group to end: TERM now, KILL after the grace period; onExit follows with stopped set.
    void Stop();
    // A new stall limit from now on (0: none), for a stage known to work silently for long.
    void SetStallSeconds(int seconds) { stallSeconds_ = seconds; }
    bool Started() const { return reader_.joinable(); }

private:
    struct Shared;
    void ReadUntilExit(int outFd, int errFd);

    pid_t pid_ = -1;
    int wakeFd_ = -1;
    std::atomic<bool> stopAsked_{false};
    std::atomic<int> stallSeconds_{0};
    std::shared_ptr<Shared> shared_;
    std::thread reader_;
};

}  // namespace download
