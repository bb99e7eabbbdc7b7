#pragma once
// A loopback stand-in of the video service for the download tests and the benchmark. It listens on
// 127.0.0.1 and answers as an HTTP proxy (http_proxy=http://127.0.0.1:PORT) for the service's hosts, so the
// whole download path runs unchanged without leaving the machine:
//   GET http://www.youtube.com/watch?v=ID          the watch page with the title tag and "video_id=ID&t=..."
//   GET http://www.youtube.com/get_video_info?...   the information document with its stream map
//   GET http://media.stand-in.invalid/videoplayback?id=ID&itag=N&...   the media of one stream
// Each video is a small data description; anything not described is answered with 404.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "LoopbackListener.h"

namespace reeltest {

struct StandInMedia {
    std::string bytes;  // the content; when empty, `size` bytes: a WAV header, then patterned samples
    std::string reply;  // when not empty, the whole answer as it is (status line, headers, body)
    std::uint64_t size = 0;
    int status = 200;                // another status answers with a short error page
    std::uint64_t cutAfter = ~0ull;  // announces the whole length, sends this many bytes and closes
    bool stall = false;  // sends cutAfter bytes (or nothing), then stays silent until the client leaves
    int delayMs = 0;     // pause after every 64 KiB block
};

struct StandInVideo {
    std::string title;  // the page's text inside the title tag, as the page carries it
    int pageStatus = 200;
    int infoStatus = 200;
    bool pageWithoutId = false;  // the page carries no "video_id="
    bool pageWithoutTitle = false;
    bool stallPage = false;  // the page (or the information) starts, then no more comes
    bool stallInfo = false;
    std::string infoDocument;             // when not empty, sent instead of the built information document
    std::map<int, StandInMedia> streams;  // by stream tag (itag)
};

class ServiceStandIn {
public:
    using Request = LoopbackListener::Request;

    ServiceStandIn();
    ~ServiceStandIn();
    ServiceStandIn(const ServiceStandIn&) = delete;
    ServiceStandIn& operator=(const ServiceStandIn&) = delete;

    // Describe videos before the run that fetches them.
    void AddVideo(const std::string& id, StandInVideo video);

    int Port() const { return listener_.Port(); }
    std::string ProxyAddress() const { return "http://127.0.0.1:" + std::to_string(Port()); }
    static std::string WatchLink(const std::string& id) { return "http://www.youtube.com/watch?v=" + id; }
    static std::string MediaAddress(const std::string& id, int itag);
    // The information document built for a video: its stream map lists every stream, escaped as the service
    // does (each address once, the whole map once more), with a quality word and a content type per entry.
    std::string InfoDocument(const std::string& id, const StandInVideo& video) const;
    static std::string Escape(const std::string& text);
    static std::string PatternBytes(std::uint64_t from, std::uint64_t count);
    // A mono 8-bit WAV file holding these bytes as its samples: media the engine's probe reads.
    static std::string Wave(const std::string& samples);
    static std::string WaveHeader(std::uint64_t sampleBytes);

    std::vector<Request> Requests() const;

private:
    bool handle(int fd, const Request& request);
    bool sendMedia(int fd, const StandInMedia& media);
    void stallUntilClientLeaves(int fd);

    mutable std::mutex mutex_;
    std::map<std::string, StandInVideo> videos_;
    LoopbackListener listener_;  // last: stops before what its handler uses goes away
};

}  // namespace reeltest
