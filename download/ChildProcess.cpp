#include "download/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>

#include "core/Dispatcher.h"

extern char** environ;

namespace download {

namespace {

using Clock = std::chrono::steady_clock;

// A file descriptor with an owner.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

struct SpawnAttributes {
    posix_spawnattr_t attributes;
    SpawnAttributes() { posix_spawnattr_init(&attributes); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
};

// Splits what arrives on one pipe into lines; a last line without its end is delivered at the end of the
// pipe.
struct LineBuffer {
    std::string pending;
    bool open = true;

    void Take(const char* data, size_t size, std::vector<std::string>& lines) {
        pending.append(data, size);
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
            size_t stop = end;
            if (stop > start && pending[stop - 1] == '\r') --stop;
            lines.emplace_back(pending, start, stop - start);
        }
        pending.erase(0, start);
    }
    void Finish(std::vector<std::string>& lines) {
        if (!pending.empty()) lines.push_back(std::move(pending));
        pending.clear();
        open = false;
    }
};

}  // namespace

// What the posted handlers reach; only the main thread touches it.
struct ChildProcess::Shared {
    Handlers handlers;
    bool alive = true;
};

ChildProcess::~ChildProcess() {
    if (shared_) shared_->alive = false;
    if (reader_.joinable()) {
        Stop();
        reader_.join();
    }
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, Handlers handlers, int stallSeconds,
                         std::string* error) {
    auto fail = [&](const std::string& what, int code) {
        if (error) *error = what + ": " + std::strerror(code);
        return false;
    };
    if (reader_.joinable() || argv.empty()) return fail("cannot start", EINVAL);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return fail("cannot make a pipe", errno);
    Fd outRead(out[0]), outWrite(out[1]);
    if (::pipe2(err, O_CLOEXEC) != 0) return fail("cannot make a pipe", errno);
    Fd errRead(err[0]), errWrite(err[1]);
    Fd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (wake.get() < 0) return fail("cannot make an event", errno);

    SpawnActions actions;
    posix_spawn_file_actions_addopen(&actions.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions.actions, outWrite.get(), 1);
    posix_spawn_file_actions_adddup2(&actions.actions, errWrite.get(), 2);
    // Nothing else of this program (sockets, files being written) reaches the child.
    posix_spawn_file_actions_addclosefrom_np(&actions.actions, 3);

    // Its own process group, so the group can be ended as a whole; signals at their defaults and none
    // blocked, whatever this program ignores or blocks for its own threads.
    SpawnAttributes attributes;
    posix_spawnattr_setflags(&attributes.attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes.attributes, 0);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes.attributes, &none);
    posix_spawnattr_setsigdefault(&attributes.attributes, &all);

    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc =
        ::posix_spawn(&pid, argv[0].c_str(), &actions.actions, &attributes.attributes, args.data(), environ);
    if (rc != 0) return fail("cannot start " + argv[0], rc);
    outWrite.reset();
    errWrite.reset();
    ::fcntl(outRead.get(), F_SETFL, O_NONBLOCK);
    ::fcntl(errRead.get(), F_SETFL, O_NONBLOCK);

    pid_ = pid;
    wakeFd_ = wake.release();
    shared_ = std::make_shared<Shared>();
    shared_->handlers = std::move(handlers);
    stallSeconds_ = stallSeconds;
    reader_ = std::thread(&ChildProcess::ReadUntilExit, this, outRead.release(), errRead.release());
    return true;
}

void ChildProcess::Stop() {
    if (!reader_.joinable()) return;
    stopAsked_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(wakeFd_, &one, sizeof one);
}

void ChildProcess::ReadUntilExit(int outFd, int errFd) {
    Fd outPipe(outFd), errPipe(errFd);
    LineBuffer outLines, errLines;
    ChildExit exit;
    Clock::time_point lastOutput = Clock::now();
    std::optional<Clock::time_point> killAt;
    bool ending = false;  // TERM sent
    bool exited = false;

    auto deliver = [shared = shared_](std::vector<std::string> out, std::vector<std::string> err) {
        if (out.empty() && err.empty()) return;
        core::mainDispatcher().post([shared, out = std::move(out), err = std::move(err)] {
            for (const std::string& line : out)
                if (shared->alive && shared->handlers.onStdoutLine) shared->handlers.onStdoutLine(line);
            for (const std::string& line : err)
                if (shared->alive && shared->handlers.onStderrLine) shared->handlers.onStderrLine(line);
        });
    };
    auto endGroup = [&] {
        if (ending) return;
        ending = true;
        ::kill(-pid_, SIGTERM);
        killAt = Clock::now() + std::chrono::seconds(kGraceSeconds);
    };

    while (outLines.open || errLines.open || !exited) {
        pollfd fds[3] = {{outLines.open ? outPipe.get() : -1, POLLIN, 0},
                         {errLines.open ? errPipe.get() : -1, POLLIN, 0},
                         {wakeFd_, POLLIN, 0}};
        ::poll(fds, 3, 100);
        std::vector<std::string> out, err;
        for (auto [fd, buffer, lines] :
             {std::tuple{outPipe.get(), &outLines, &out}, std::tuple{errPipe.get(), &errLines, &err}}) {
            if (!buffer->open) continue;
            char chunk[65536];
            for (;;) {
                const ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n > 0) {
                    buffer->Take(chunk, static_cast<size_t>(n), *lines);
                    lastOutput = Clock::now();
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) buffer->Finish(*lines);
                break;
            }
        }
        deliver(std::move(out), std::move(err));

        std::uint64_t count;
        while (::read(wakeFd_, &count, sizeof count) > 0) {
        }
        const auto now = Clock::now();
        if (stopAsked_ && !ending) {
            exit.stopped = true;
            endGroup();
        }
        const int stallSeconds = stallSeconds_;
        if (stallSeconds > 0 && !ending && now - lastOutput >= std::chrono::seconds(stallSeconds)) {
            exit.stalled = true;
            endGroup();
        }
        if (killAt && now >= *killAt) {
            ::kill(-pid_, SIGKILL);
            killAt.reset();
        }
        if (!exited) {
            // Looked at without reaping: while the child is a zombie its id, and so its group's, cannot be
            // given to another process, so the group can still be signalled safely.
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                info.si_pid == pid_) {
                exited = true;
                // Whatever it started and left behind goes too (and lets the pipes reach their end).
                ::kill(-pid_, SIGKILL);
            }
        }
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) exit.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) exit.signal = WTERMSIG(status);
    core::mainDispatcher().post([shared = shared_, exit] {
        if (shared->alive && shared->handlers.onExit) shared->handlers.onExit(exit);
    });
    core::mainDispatcher().wake();
}

}  // namespace download
