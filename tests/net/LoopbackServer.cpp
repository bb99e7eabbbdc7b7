#include "LoopbackServer.h"

#include <algorithm>
#include <cstdio>

namespace reeltest {

namespace {

std::uint64_t queryNumber(const std::string& target, const std::string& name, std::uint64_t fallback) {
    const std::string v = QueryValue(target, name);
    return v.empty() ? fallback : std::stoull(v);
}

bool sendAll(int fd, const char* data, std::size_t size) {
    return LoopbackListener::SendAll(fd, data, size);
}

}  // namespace

std::string LoopbackServer::Body(std::uint64_t from, std::uint64_t count) {
    return PatternBytes(from, count);
}

LoopbackServer::LoopbackServer(std::chrono::seconds lifetime)
    : listener_([this](int fd, const Request& request) { return handle(fd, request); },
                LoopbackListener::Limits{lifetime}) {}

LoopbackServer::~LoopbackServer() = default;

std::string LoopbackServer::Url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(Port()) + pathAndQuery;
}

std::vector<LoopbackServer::Request> LoopbackServer::Requests() const {
    return listener_.Requests();
}

void LoopbackServer::Canned(const std::string& path, std::string response, std::chrono::milliseconds hold) {
    std::lock_guard lock(mutex_);
    canned_[path] = {std::move(response), hold};
}

bool LoopbackServer::sendBody(int fd, std::uint64_t from, std::uint64_t count) {
    const std::uint64_t slice = 1u << 20;
    while (count > 0 && !listener_.Stopping()) {
        const std::uint64_t n = std::min(count, slice);
        if (!sendAll(fd, PatternAt(from), n)) return false;
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
        while (!listener_.Stopping() && std::chrono::steady_clock::now() < until)
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
        return respond("302 Found", "Location: " + QueryValue(target, "to") + "\r\n", "moved");
    if (path == "/slow") {
        const std::uint64_t size = queryNumber(target, "size", 100000);
        const std::uint64_t chunk = std::max<std::uint64_t>(1, queryNumber(target, "chunk", 1000));
        const auto delay = std::chrono::milliseconds(queryNumber(target, "delay", 50));
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\nConnection: close\r\n\r\n";
        if (!sendAll(fd, head.data(), head.size())) return false;
        for (std::uint64_t sent = 0; sent < size && !listener_.Stopping(); sent += chunk) {
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
