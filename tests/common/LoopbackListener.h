#pragma once
// The socket side of the loopback HTTP servers the tests and benchmarks run: it listens on 127.0.0.1 on a
// free port, serves each connection on its own thread, reads every request head (and a body announced by
// Content-Length), records it, and hands it to the owner's handler, which writes the answer itself. It
// stops accepting when destroyed or after its lifetime; destruction shuts every open connection down and
// waits for its thread, so a handler never outlives the listener.
//
// The owner keeps the listener as its last member: it is then destroyed first, while everything its
// handler uses still exists.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace reeltest {

class LoopbackListener {
public:
    struct Request {
        std::string method;
        std::string target;                          // as sent: the absolute address of a proxy request
        std::map<std::string, std::string> headers;  // lower-case names
        std::string body;
    };

    struct Limits {
        std::chrono::seconds lifetime = std::chrono::seconds(600);  // no new connections after it
        std::size_t maxConnections = 512;
        std::chrono::seconds ioTimeout =
            std::chrono::seconds(60);  // per send or receive; zero waits for ever
    };

    // Answers one request on fd; returns whether the connection stays open for the next one.
    using Handler = std::function<bool(int fd, const Request& request)>;

    LoopbackListener(Handler handler, Limits limits);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int Port() const { return port_; }
    bool Stopping() const { return stopping_; }
    std::vector<Request> Requests() const;

    // Sends all of data; false when the peer is gone or the send timed out.
    static bool SendAll(int fd, const char* data, std::size_t size);

private:
    void acceptLoop();
    void serve(int fd);

    Handler handler_;
    Limits limits_;
    std::chrono::steady_clock::time_point deadline_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::thread> connections_;
    std::vector<int> openFds_;
    std::vector<Request> requests_;
    std::thread acceptThread_;
};

// The value of a query parameter in a request target ("" when absent).
std::string QueryValue(const std::string& target, const std::string& name);

// The patterned bytes the servers send as bodies: byte i of a body is i % 251.
std::string PatternBytes(std::uint64_t from, std::uint64_t count);
// The pattern from position from on, readable for 1 MiB.
const char* PatternAt(std::uint64_t from);

}  // namespace reeltest
