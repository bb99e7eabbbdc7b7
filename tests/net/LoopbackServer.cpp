#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace reeltest {

namespace {

constexpr std::size_t kMaxConnections = 512;

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

std::string queryValue(const std::string& target, const std::string& name) {
    const auto q = target.find('?');
    if (q == std::string::npos) return {};
    std::string query = target.substr(q + 1);
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

std::uint64_t queryNumber(const std::string& target, const std::string& name, std::uint64_t fallback) {
    const std::string v = queryValue(target, name);
    return v.empty() ? fallback : std::stoull(v);
}

// A pattern buffer long enough to send any slice of the body with one offset into it.
const std::string& patternBuffer() {
    static const std::string buffer = LoopbackServer::Body(0, (1u << 20) + 251);
    return buffer;
}

}  // namespace

std::string LoopbackServer::Body(std::uint64_t from, std::uint64_t count) {
    std::string out(count, '\0');
    for (std::uint64_t i = 0; i < count; ++i)
        out[i] = BodyByte(from + i);
    return out;
}

LoopbackServer::LoopbackServer(std::chrono::seconds lifetime)
    : deadline_(std::chrono::steady_clock::now() + lifetime) {
    patternBuffer();
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw std::runtime_error("socket");
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only
    addr.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 64) != 0)
        throw std::runtime_error("bind/listen");
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
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

std::string LoopbackServer::Url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::vector<LoopbackServer::Request> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackServer::Canned(const std::string& path, std::string response, std::chrono::milliseconds hold) {
    std::lock_guard lock(mutex_);
    canned_[path] = {std::move(response), hold};
}

void LoopbackServer::acceptLoop() {
    std::size_t accepted = 0;
    while (!stopping_ && std::chrono::steady_clock::now() < deadline_ && accepted < kMaxConnections) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++accepted;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        timeval timeout{60, 0};  // a silent client cannot hold a connection thread for ever
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        std::lock_guard lock(mutex_);
        openFds_.push_back(fd);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void LoopbackServer::serve(int fd) {
    std::string buffer;
    char chunk[8192];
    bool keepAlive = true;
    while (keepAlive && !stopping_) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                keepAlive = false;
                break;
            }
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        if (!keepAlive) break;
        Request request;
        const std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);
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
        const auto length = request.headers.find("content-length");
        if (length != request.headers.end()) {
            const std::size_t want = std::stoul(length->second);
            while (buffer.size() < want) {
                const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0) break;
                buffer.append(chunk, static_cast<std::size_t>(n));
            }
            request.body = buffer.substr(0, want);
            buffer.erase(0, std::min(want, buffer.size()));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        keepAlive = handle(fd, request);
    }
    std::lock_guard lock(mutex_);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    ::close(fd);
}

bool LoopbackServer::sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool LoopbackServer::sendBody(int fd, std::uint64_t from, std::uint64_t count) {
    const std::string& pattern = patternBuffer();
    const std::uint64_t slice = 1u << 20;
    while (count > 0 && !stopping_) {
        const std::uint64_t n = std::min(count, slice);
        if (!sendAll(fd, pattern.data() + from % 251, n)) return false;
        from += n;
        count -= n;
    }
    return count == 0;
}

bool LoopbackServer::handle(int fd, const Request& request) {
    std::string target = request.target;
    if (target.rfind("http://", 0) == 0) {
        // Asked as a proxy: only with the proxy credentials, then served as if asked directly.
        const auto auth = request.headers.find("proxy-authorization");
        if (auth == request.headers.end() ||
            auth->second != "Basic cHJveHl1c2VyOnByb3h5cGFzcw==") {  // proxyuser:proxypass
            const std::string text =
                "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"Reel "
                "Proxy\"\r\n"
                "Content-Length: 0\r\n\r\n";
            return sendAll(fd, text.data(), text.size());
        }
        const auto pathStart = target.find('/', 7);
        target = pathStart == std::string::npos ? "/" : target.substr(pathStart);
    }
    const std::string path = target.substr(0, target.find('?'));
    const std::string dateLines =
        "Date: Sun, 06 Nov 1994 08:49:37 GMT\r\nLast-Modified: Sunday, 06-Nov-94 08:49:37 GMT\r\n";
    auto respond = [&](const std::string& statusLine, const std::string& headers, const std::string& body) {
        const std::string text = "HTTP/1.1 " + statusLine + "\r\n" + headers +
                                 "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        return sendAll(fd, text.data(), text.size());
    };

    CannedReply canned;
    {
        std::lock_guard lock(mutex_);
        const auto found = canned_.find(path);
        if (found != canned_.end()) canned = found->second;
    }
    if (!canned.bytes.empty()) {
        sendAll(fd, canned.bytes.data(), canned.bytes.size());
        const auto until = std::chrono::steady_clock::now() + canned.hold;
        while (!stopping_ && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return false;
    }
    if (path == "/body") {
        const std::uint64_t size = queryNumber(target, "size", 1000);
        const auto range = request.headers.find("range");
        std::uint64_t from = 0, to = size == 0 ? 0 : size - 1;
        bool partial = false;
        if (range != request.headers.end() && range->second.rfind("bytes=", 0) == 0) {
            const std::string rangeText = range->second.substr(6);
            const auto dash = rangeText.find('-');
            from = std::stoull(rangeText.substr(0, dash));
            if (dash + 1 < rangeText.size())
                to = std::min<std::uint64_t>(to, std::stoull(rangeText.substr(dash + 1)));
            if (from >= size) {
                return respond("416 Range Not Satisfiable",
                               "Content-Range: bytes */" + std::to_string(size) + "\r\n", "");
            }
            partial = true;
            from = std::min(from + queryNumber(target, "shift", 0), to);
        }
        const std::uint64_t count = size == 0 ? 0 : to - from + 1;
        const std::uint64_t send = std::min(count, queryNumber(target, "send", count));
        std::string head = std::string("HTTP/1.1 ") + (partial ? "206 Partial Content" : "200 OK") + "\r\n" +
                           dateLines + "Content-Type: application/octet-stream\r\nETag: \"reel\"\r\n" +
                           "Content-Length: " + std::to_string(count) + "\r\n";
        if (partial)
            head += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(to) + "/" +
                    std::to_string(size) + "\r\n";
        head += "\r\n";
        return sendAll(fd, head.data(), head.size()) && sendBody(fd, from, send) && send == count;
    }
    if (path == "/nolength") {
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n";
        sendAll(fd, head.data(), head.size()) && sendBody(fd, 0, queryNumber(target, "size", 1000));
        return false;
    }
    if (path == "/short" || path == "/hugelength") {
        const std::uint64_t size = path == "/short" ? queryNumber(target, "size", 1000) : 100ull << 30;
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
            std::to_string(size) + "\r\n\r\n";
        sendAll(fd, head.data(), head.size()) && sendBody(fd, 0, queryNumber(target, "send", 100));
        return false;
    }
    if (path == "/brokenchunks") {
        const std::uint64_t size = queryNumber(target, "size", 1000);
        char sizeLine[32];
        std::snprintf(sizeLine, sizeof sizeLine, "%llx\r\n", static_cast<unsigned long long>(size + 100));
        const std::string head =
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(sizeLine);
        sendAll(fd, head.data(), head.size()) && sendBody(fd, 0, size);
        return false;
    }
    if (path == "/missing")
        return respond("404 Not Found", "Content-Type: text/html\r\n",
                       "<html><body><h1>404 Not Found</h1></body></html>");
    if (path == "/auth") {
        const auto auth = request.headers.find("authorization");
        if (auth != request.headers.end() && auth->second == "Basic dXNlcjpzZWNyZXQ=")  // user:secret
            return respond("200 OK", "Content-Type: text/plain\r\n", "welcome");
        return respond("401 Unauthorized", "WWW-Authenticate: Basic realm=\"Reel Test\"\r\n", "denied");
    }
    if (path == "/redirect")
        return respond("302 Found", "Location: " + queryValue(target, "to") + "\r\n", "moved");
    if (path == "/slow") {
        const std::uint64_t size = queryNumber(target, "size", 100000);
        const std::uint64_t chunk = std::max<std::uint64_t>(1, queryNumber(target, "chunk", 1000));
        const auto delay = std::chrono::milliseconds(queryNumber(target, "delay", 50));
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\nConnection: close\r\n\r\n";
        if (!sendAll(fd, head.data(), head.size())) return false;
        for (std::uint64_t sent = 0; sent < size && !stopping_; sent += chunk) {
            if (!sendBody(fd, sent, std::min(chunk, size - sent))) return false;
            std::this_thread::sleep_for(delay);
        }
        return false;
    }
    if (path == "/echo") {
        std::string body = request.method + " " + request.target + "\n";
        for (const auto& [name, value] : request.headers)
            body += name + ": " + value + "\n";
        body += "\n" + request.body;
        return respond("200 OK", "Content-Type: text/plain\r\n", body);
    }
    return respond("404 Not Found", "Content-Type: text/plain\r\n", "no such route");
}

}  // namespace reeltest
