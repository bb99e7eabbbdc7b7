#include "ServiceStandIn.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace reeltest {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

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

const std::string& patternBuffer() {
    static const std::string buffer = ServiceStandIn::PatternBytes(0, (1u << 20) + 251);
    return buffer;
}

bool sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool respond(int fd, int status, const std::string& type, const std::string& body) {
    const std::string reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Error";
    const std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                             "\r\nContent-Type: " + type +
                             "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    return sendAll(fd, head.data(), head.size()) && sendAll(fd, body.data(), body.size());
}

const char* contentTypeOf(int itag) {
    switch (itag) {
        case 18:
        case 22:
        case 37:
            return "video/mp4; codecs=\"avc1.42001E, mp4a.40.2\"";
        case 13:
        case 17:
            return "video/3gpp";
        default:
            return "video/x-flv";
    }
}

}  // namespace

std::string ServiceStandIn::PatternBytes(std::uint64_t from, std::uint64_t count) {
    std::string out(count, '\0');
    for (std::uint64_t i = 0; i < count; ++i)
        out[i] = static_cast<char>((from + i) % 251);
    return out;
}

std::string ServiceStandIn::Escape(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string ServiceStandIn::MediaAddress(const std::string& id, int itag) {
    return "http://media.stand-in.invalid/videoplayback?id=" + id + "&itag=" + std::to_string(itag) +
           "&sparams=id,itag";
}

std::string ServiceStandIn::InfoDocument(const std::string& id, const StandInVideo& video) const {
    std::string map;
    for (const auto& [itag, media] : video.streams) {
        if (!map.empty()) map += ',';
        map += "url=" + Escape(MediaAddress(id, itag)) +
               "&quality=medium&type=" + Escape(contentTypeOf(itag)) + "&itag=" + std::to_string(itag);
    }
    return "status=ok&video_id=" + id + "&title=" + Escape(video.title) +
           "&url_encoded_fmt_stream_map=" + Escape(map) + "&length_seconds=1&token=stand-in";
}

ServiceStandIn::ServiceStandIn() {
    patternBuffer();
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw std::runtime_error("socket");
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 64) != 0)
        throw std::runtime_error("bind/listen");
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

ServiceStandIn::~ServiceStandIn() {
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

void ServiceStandIn::AddVideo(const std::string& id, StandInVideo video) {
    std::lock_guard lock(mutex_);
    videos_[id] = std::move(video);
}

std::vector<ServiceStandIn::Request> ServiceStandIn::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void ServiceStandIn::acceptLoop() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(mutex_);
        openFds_.push_back(fd);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void ServiceStandIn::serve(int fd) {
    std::string buffer;
    char chunk[8192];
    bool keepAlive = true;
    while (keepAlive && !stopping_) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) == 0) {
                if (stopping_) break;
                continue;
            }
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        if (end == std::string::npos) break;
        const std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);
        Request request;
        std::size_t lineEnd = head.find("\r\n");
        const std::string requestLine = head.substr(0, lineEnd);
        const auto s1 = requestLine.find(' ');
        const auto s2 = requestLine.rfind(' ');
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

bool ServiceStandIn::handle(int fd, const Request& request) {
    std::string target = request.target;
    std::string host;
    if (target.rfind("http://", 0) == 0) {
        const auto pathStart = target.find('/', 7);
        host = target.substr(7, pathStart == std::string::npos ? std::string::npos : pathStart - 7);
        target = pathStart == std::string::npos ? "/" : target.substr(pathStart);
    }
    const std::string path = target.substr(0, target.find('?'));
    StandInMedia stalled;  // an answer that starts and then stops coming
    stalled.bytes = std::string(100000, ' ');
    stalled.cutAfter = 5000;
    stalled.stall = true;
    StandInVideo video;
    const std::string id = queryValue(target, path == "/watch"           ? "v"
                                              : path == "/videoplayback" ? "id"
                                                                         : "video_id");
    {
        std::lock_guard lock(mutex_);
        const auto found = videos_.find(id);
        if (found == videos_.end()) return respond(fd, 404, "text/html", "<html>no such video</html>");
        video = found->second;
    }
    if (path == "/watch" && host == "www.youtube.com") {
        if (video.pageStatus != 200) return respond(fd, video.pageStatus, "text/html", "<html>gone</html>");
        if (video.stallPage) return sendMedia(fd, stalled);
        std::string page = "<!DOCTYPE html>\n<html><head>\n<title>" + video.title + " - Stand-in</title>\n";
        if (!video.pageWithoutTitle) page += "<meta name=\"title\" content=\"" + video.title + "\">\n";
        page += "<meta name=\"description\" content=\"a stand-in video\">\n</head><body>\n<script>\n";
        if (!video.pageWithoutId) page += "var swfArgs = \"fs=1&video_id=" + id + "&t=vjVQa1PpcFN&hl=en\";\n";
        page += "</script>\n</body></html>\n";
        return respond(fd, 200, "text/html; charset=utf-8", page);
    }
    if (path == "/get_video_info" && host == "www.youtube.com") {
        if (video.infoStatus != 200) return respond(fd, video.infoStatus, "text/plain", "status=fail");
        if (video.stallInfo) return sendMedia(fd, stalled);
        return respond(fd, 200, "application/x-www-form-urlencoded",
                       video.infoDocument.empty() ? InfoDocument(id, video) : video.infoDocument);
    }
    if (path == "/videoplayback" && host == "media.stand-in.invalid") {
        const auto stream = video.streams.find(std::atoi(queryValue(target, "itag").c_str()));
        if (stream == video.streams.end()) return respond(fd, 404, "text/plain", "no such stream");
        if (stream->second.status != 200)
            return respond(fd, stream->second.status, "text/plain", "stream unavailable");
        return sendMedia(fd, stream->second);
    }
    return respond(fd, 404, "text/plain", "no such route");
}

bool ServiceStandIn::sendMedia(int fd, const StandInMedia& media) {
    const std::uint64_t size = media.bytes.empty() ? media.size : media.bytes.size();
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                             std::to_string(size) + "\r\n\r\n";
    if (!sendAll(fd, head.data(), head.size())) return false;
    const std::uint64_t send = std::min(size, media.cutAfter);
    for (std::uint64_t sent = 0; sent < send && !stopping_;) {
        const std::uint64_t n = std::min<std::uint64_t>(send - sent, media.delayMs ? kBlock : (1u << 20));
        const char* data =
            media.bytes.empty() ? patternBuffer().data() + sent % 251 : media.bytes.data() + sent;
        if (!sendAll(fd, data, n)) return false;
        sent += n;
        if (media.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(media.delayMs));
    }
    if (send == size && !media.stall) return true;
    if (media.stall) stallUntilClientLeaves(fd);
    return false;  // cut off: the connection closes
}

void ServiceStandIn::stallUntilClientLeaves(int fd) {
    while (!stopping_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            char c;
            if (::recv(fd, &c, 1, MSG_PEEK) <= 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

}  // namespace reeltest
