#include "ServiceStandIn.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>

namespace reeltest {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

bool sendAll(int fd, const char* data, std::size_t size) {
    return LoopbackListener::SendAll(fd, data, size);
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
    return reeltest::PatternBytes(from, count);
}

std::string ServiceStandIn::WaveHeader(std::uint64_t sampleBytes) {
    auto le = [](std::uint64_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        return out;
    };
    const std::uint64_t data = std::min<std::uint64_t>(sampleBytes, 0xFFFFFFFFull - 36);
    return "RIFF" + le(36 + data, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) /* PCM */ + le(1, 2) /* mono */ +
           le(8000, 4) /* rate */ + le(8000, 4) /* bytes a second */ + le(1, 2) /* block */ +
           le(8, 2) /* bits */ + "data" + le(data, 4);
}

std::string ServiceStandIn::Wave(const std::string& samples) {
    return WaveHeader(samples.size()) + samples;
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

// Without a lifetime, connection limit or time-outs: the stand-in program serves until it is killed, and a
// download paused by hand may leave its connection silent for long.
ServiceStandIn::ServiceStandIn()
    : listener_(
          [this](int fd, const Request& request) { return handle(fd, request); },
          LoopbackListener::Limits{std::chrono::hours(24 * 365), ~std::size_t(0), std::chrono::seconds(0)}) {}

ServiceStandIn::~ServiceStandIn() = default;

void ServiceStandIn::AddVideo(const std::string& id, StandInVideo video) {
    std::lock_guard lock(mutex_);
    videos_[id] = std::move(video);
}

std::vector<ServiceStandIn::Request> ServiceStandIn::Requests() const {
    return listener_.Requests();
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
    const std::string id = QueryValue(target, path == "/watch"           ? "v"
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
        const auto stream = video.streams.find(std::atoi(QueryValue(target, "itag").c_str()));
        if (stream == video.streams.end()) return respond(fd, 404, "text/plain", "no such stream");
        if (stream->second.status != 200)
            return respond(fd, stream->second.status, "text/plain", "stream unavailable");
        return sendMedia(fd, stream->second);
    }
    return respond(fd, 404, "text/plain", "no such route");
}

bool ServiceStandIn::sendMedia(int fd, const StandInMedia& media) {
    if (!media.reply.empty()) {
        sendAll(fd, media.reply.data(), media.reply.size());
        return false;  // the connection closes
    }
    const std::uint64_t size = media.bytes.empty() ? media.size : media.bytes.size();
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                             std::to_string(size) + "\r\n\r\n";
    if (!sendAll(fd, head.data(), head.size())) return false;
    const std::uint64_t send = std::min(size, media.cutAfter);
    // Patterned media starts with a WAV header, so that it is media; the samples are the pattern.
    const std::string wave = media.bytes.empty() ? WaveHeader(size > 44 ? size - 44 : 0).substr(0, size) : "";
    std::uint64_t sent = std::min<std::uint64_t>(wave.size(), send);
    if (!sendAll(fd, wave.data(), sent)) return false;
    while (sent < send && !listener_.Stopping()) {
        const std::uint64_t n = std::min<std::uint64_t>(send - sent, media.delayMs ? kBlock : (1u << 20));
        const char* data = media.bytes.empty() ? PatternAt(sent) : media.bytes.data() + sent;
        if (!sendAll(fd, data, n)) return false;
        sent += n;
        if (media.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(media.delayMs));
    }
    if (send == size && !media.stall) return true;
    if (media.stall) stallUntilClientLeaves(fd);
    return false;  // cut off: the connection closes
}

void ServiceStandIn::stallUntilClientLeaves(int fd) {
    while (!listener_.Stopping()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            char c;
            if (::recv(fd, &c, 1, MSG_PEEK) <= 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

}  // namespace reeltest
