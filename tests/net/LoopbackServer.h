#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the transfer tests and the benchmark. It listens on a
// free port, serves each connection on its own thread, records every request, and stops when it is
// destroyed or, at the latest, after its lifetime (so a forgotten server never outlives a run).
//
// Routes (query parameters in brackets):
//   /body[size,shift,send] Content-Length and a patterned body (BodyByte); honours "Range: bytes=a-b",
//                          answering 206, or 416 when a is past the end; shift makes a ranged answer start
//                          that many bytes later than asked (its Content-Range says so), send stops the
//                          body after that many bytes and closes
//   /nolength[size]        no Content-Length; the body ends when the connection closes
//   /short[size,send]      announces size bytes, sends only send of them and closes
//   /hugelength[send]      announces 100 GiB, sends send bytes and closes
//   /brokenchunks[size]    a chunked body that breaks off after size bytes
//   /missing               404 with an HTML error page
//   /auth                  401 with realm "Reel Test" unless the credentials are user / secret
//   /redirect[to]          302 to the path in "to"
//   /slow[size,chunk,delay] sends chunk bytes every delay milliseconds
//   /echo                  200; the body is the request target, its header lines and its body
//   a path given to Canned  the canned bytes as they are, then the connection stays silent for the hold
//                          time (or until the server stops) and closes
// A request in proxy form ("GET http://host/path") gets 407 unless it carries the proxy credentials
// proxyuser / proxypass, and is then served by the routes above.

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "LoopbackListener.h"

namespace reeltest {

class LoopbackServer {
public:
    using Request = LoopbackListener::Request;

    explicit LoopbackServer(std::chrono::seconds lifetime = std::chrono::seconds(600));
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return listener_.Port(); }
    std::string Url(const std::string& pathAndQuery) const;
    std::vector<Request> Requests() const;

    // Serves path with exactly these bytes, for replies that break the protocol.
    void Canned(const std::string& path, std::string response,
                std::chrono::milliseconds hold = std::chrono::milliseconds(0));

    static char BodyByte(std::uint64_t index) { return static_cast<char>(index % 251); }
    static std::string Body(std::uint64_t from, std::uint64_t count);

private:
    bool handle(int fd, const Request& request);
    bool sendBody(int fd, std::uint64_t from, std::uint64_t count);

    mutable std::mutex mutex_;
    struct CannedReply {
        std::string bytes;
        std::chrono::milliseconds hold;
    };
    std::map<std::string, CannedReply> canned_;
    LoopbackListener listener_;  // last: stops before what its handler uses goes away
};

}  // namespace reeltest
