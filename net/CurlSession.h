#pragma once
// CurlSession: one libcurl easy handle driven through a multi handle on the calling thread, so that
// another thread can interrupt a blocking wait at once (Interrupt). The callbacks run on the thread
// that calls Perform and must not throw.

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "net/StallGuard.h"

namespace net {

// Owns a list of request header lines.
struct CurlSlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHeaderList = std::unique_ptr<curl_slist, CurlSlistFree>;

// The status codes reported through OnStatus and what triggers them here:
//   10 "Resolving name"     libcurl starts a name resolution
//   11 "Name resolved", 20 "Connecting to server"   libcurl opens a socket to the resolved address
//   21 "Connected"          the new connection is ready for the request
//   30 "Sending Request"    a request goes out (also on a reused connection)
//   31 "Request sent", 40 "Receiving response"      the first line of a response arrives
//   41 "Response received"  the header block of a final response has ended
//   120 "Intermediate response"   the header block of a 1xx response has ended
//   110 "Redirect"          libcurl follows a redirect (the new address goes to OnRedirected)
//   100 "Request complete"  the request has ended, successfully or not
//   50 "Closing connection", 51 "Connection closed"  libcurl closes a socket
//   60 "Handle created", 70 "Handle closing"         the easy handle is made and freed
// 42, 43 and 200 have no counterpart in libcurl and are never reported.
const char* StatusText(int code);

class CurlSession {
public:
    CurlSession();
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    CURL* Easy() const { return easy_; }
    bool Valid() const { return easy_ && multi_; }

    std::function<void(const char* line, std::size_t length)> OnHeaderLine;
    // Returns false to abort the request.
    std::function<bool(const char* data, std::size_t length)> OnBody;
    std::function<void(int code)> OnStatus;
    // Polled while the request runs; false aborts it.
    std::function<bool()> ShouldContinue;
    // A request that stalls by these limits (the bytes counted are those on the wire: headers and body
    // received, body sent) ends with CURLE_OPERATION_TIMEDOUT, as libcurl's own time-outs do.
    StallLimits Stall;

    // Runs the configured request; returns libcurl's result (CURLE_ABORTED_BY_CALLBACK after Interrupt).
    CURLcode Perform();
    // Thread-safe: makes a running or the next Perform return at once.
    void Interrupt();

private:
    static std::size_t headerThunk(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t writeThunk(char* data, std::size_t size, std::size_t count, void* self);
    static int progressThunk(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static int resolverStartThunk(void*, void*, void* self);
    static curl_socket_t openSocketThunk(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int closeSocketThunk(void* self, curl_socket_t socket);
    static int prereqThunk(void* self, char*, char*, int, int);
    std::int64_t movedBytes() const;
    void status(int code) {
        if (OnStatus) OnStatus(code);
    }

    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    std::atomic<bool> interrupted_{false};
    bool newConnection_ = false;
};

}  // namespace net
