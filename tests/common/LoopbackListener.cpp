#include "LoopbackListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace reeltest {

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

LoopbackListener::Request parseHead(const std::string& head) {
    LoopbackListener::Request request;
    std::size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const auto s1 = requestLine.find(' ');
    const auto s2 = requestLine.rfind(' ');
    request.method = requestLine.substr(0, s1);
    request.target = requestLine.substr(s1 + 1, s2 - s1 - 1);
    while (lineEnd != std::string::npos) {
        const auto next = head.find("\r\n", lineEnd + 2);
        const std::string line =
            head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
        const auto colon = line.find(':');
        if (colon != std::string::npos)
            request.headers[lower(trim(line.substr(0, colon)))] = trim(line.substr(colon + 1));
        lineEnd = next;
    }
    return request;
}

const std::string& patternBuffer() {
    static const std::string buffer = PatternBytes(0, (1u << 20) + 251);
    return buffer;
}

}  // namespace

std::string QueryValue(const std::string& target, const std::string& name) {
    const auto q = target.find('?');
    if (q == std::string::npos) return {};
    const std::string query = target.substr(q + 1);
    std::size_t at = 0;
    while (at <= query.size()) {
        const auto end = std::min(query.find('&', at), query.size());
        const std::string pair = query.substr(at, end - at);
        const auto eq = pair.find('=');
        if (pair.substr(0, eq) == name) return eq == std::string::npos ? std::string() : pair.substr(eq + 1);
        at = end + 1;
    }
    return {};
}

std::string PatternBytes(std::uint64_t from, std::uint64_t count) {
    std::string out(count, '\0');
    for (std::uint64_t i = 0; i < count; ++i)
        out[i] = static_cast<char>((from + i) % 251);
    return out;
}

const char* PatternAt(std::uint64_t from) {
    return patternBuffer().data() + from % 251;
}

LoopbackListener::LoopbackListener(Handler handler, Limits limits)
    : handler_(std::move(handler)),
      limits_(limits),
      deadline_(std::chrono::steady_clock::now() + limits.lifetime) {
    patternBuffer();  // built once here rather than inside the first answer
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw std::runtime_error("socket");
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only
    addr.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 64) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("bind/listen");
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackListener::~LoopbackListener() {
    stopping_ = true;
    acceptThread_.join();
    ::close(listenFd_);
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        for (const int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);
        threads.swap(connections_);
    }
    for (auto& t : threads)
        t.join();
}

std::vector<LoopbackListener::Request> LoopbackListener::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool LoopbackListener::SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void LoopbackListener::acceptLoop() {
    std::size_t accepted = 0;
    while (!stopping_ && std::chrono::steady_clock::now() < deadline_ && accepted < limits_.maxConnections) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++accepted;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (limits_.ioTimeout.count() > 0) {
            // A silent client cannot hold a connection thread for ever.
            timeval timeout{static_cast<time_t>(limits_.ioTimeout.count()), 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        }
        std::lock_guard lock(mutex_);
        openFds_.push_back(fd);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void LoopbackListener::serve(int fd) {
    std::string buffer;
    char chunk[8192];
    // A receive that ends early (peer gone, time-out, or the shutdown of destruction) ends the connection.
    auto receive = [&] {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
        return true;
    };
    bool keepAlive = true;
    while (keepAlive && !stopping_) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos && receive()) {
        }
        if (end == std::string::npos) break;
        Request request = parseHead(buffer.substr(0, end));
        buffer.erase(0, end + 4);
        const auto length = request.headers.find("content-length");
        if (length != request.headers.end()) {
            const std::size_t want = std::stoul(length->second);
            while (buffer.size() < want && receive()) {
            }
            request.body = buffer.substr(0, want);
            buffer.erase(0, std::min(want, buffer.size()));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        keepAlive = handler_(fd, request);
    }
    std::lock_guard lock(mutex_);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    ::close(fd);
}

}  // namespace reeltest
