#include "net/CurlSession.h"

#include <sys/socket.h>
#include <unistd.h>

namespace net {

namespace {

// libcurl's process-wide set-up, done once before the first handle.
struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

}  // namespace

const char* StatusText(int code) {
    switch (code) {
        case 10:
            return "Resolving name";
        case 11:
            return "Name resolved";
        case 20:
            return "Connecting to server";
        case 21:
            return "Connected";
        case 30:
            return "Sending Request";
        case 31:
            return "Request sent";
        case 40:
            return "Receiving response";
        case 41:
            return "Response received";
        case 42:
            return "CTL Response received";
        case 43:
            return "Prefetch";
        case 50:
            return "Closing connection";
        case 51:
            return "Connection closed";
        case 60:
            return "Handle created";
        case 70:
            return "Handle closing";
        case 100:
            return "Request complete";
        case 110:
            return "Redirect";
        case 120:
            return "Intermediate response";
        case 200:
            return "State change";
        default:
            return "Unknown status";
    }
}

CurlSession::CurlSession() {
    static CurlGlobal global;
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (!easy_) return;
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlSession::headerThunk);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlSession::writeThunk);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &CurlSession::progressThunk);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_RESOLVER_START_FUNCTION, &CurlSession::resolverStartThunk);
    curl_easy_setopt(easy_, CURLOPT_RESOLVER_START_DATA, this);
    curl_easy_setopt(easy_, CURLOPT_OPENSOCKETFUNCTION, &CurlSession::openSocketThunk);
    curl_easy_setopt(easy_, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy_, CURLOPT_CLOSESOCKETFUNCTION, &CurlSession::closeSocketThunk);
    curl_easy_setopt(easy_, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &CurlSession::prereqThunk);
    curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
}

CurlSession::~CurlSession() {
    // The multi handle keeps the open connections; closing them is reported through OnStatus.
    if (multi_) curl_multi_cleanup(multi_);
    if (easy_) {
        status(70);
        curl_easy_cleanup(easy_);
    }
}

CURLcode CurlSession::Perform() {
    if (!Valid()) return CURLE_FAILED_INIT;
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    bool done = false;
    StallGuard stall(Stall, StallGuard::Clock::now());
    while (!done) {
        if (interrupted_) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy_) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done) break;
        if (!running) break;  // ended without a message: treat as done with the last result
        if (Stall.Any() && stall.Stalled(StallGuard::Clock::now(), movedBytes())) {
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        // At least once a second, so the stall limits are checked while nothing arrives.
        curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
    }
    curl_multi_remove_handle(multi_, easy_);
    status(100);
    return result;
}

std::int64_t CurlSession::movedBytes() const {
    curl_off_t received = 0, sent = 0;
    long headers = 0;
    curl_easy_getinfo(easy_, CURLINFO_SIZE_DOWNLOAD_T, &received);
    curl_easy_getinfo(easy_, CURLINFO_SIZE_UPLOAD_T, &sent);
    curl_easy_getinfo(easy_, CURLINFO_HEADER_SIZE, &headers);
    return static_cast<std::int64_t>(received) + static_cast<std::int64_t>(sent) + headers;
}

void CurlSession::Interrupt() {
    interrupted_ = true;
    if (multi_) curl_multi_wakeup(multi_);
}

std::size_t CurlSession::headerThunk(char* data, std::size_t size, std::size_t count, void* self) {
    auto* s = static_cast<CurlSession*>(self);
    const std::size_t n = size * count;
    if (s->OnHeaderLine) s->OnHeaderLine(data, n);
    return s->interrupted_ ? 0 : n;
}

std::size_t CurlSession::writeThunk(char* data, std::size_t size, std::size_t count, void* self) {
    auto* s = static_cast<CurlSession*>(self);
    const std::size_t n = size * count;
    if (s->interrupted_) return 0;
    if (s->OnBody && !s->OnBody(data, n)) return 0;
    return n;
}

int CurlSession::progressThunk(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* s = static_cast<CurlSession*>(self);
    if (s->interrupted_) return 1;
    return s->ShouldContinue && !s->ShouldContinue() ? 1 : 0;
}

int CurlSession::resolverStartThunk(void*, void*, void* self) {
    static_cast<CurlSession*>(self)->status(10);
    return 0;
}

curl_socket_t CurlSession::openSocketThunk(void* self, curlsocktype, curl_sockaddr* address) {
    auto* s = static_cast<CurlSession*>(self);
    s->status(11);
    s->status(20);
    s->newConnection_ = true;
    const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    return fd < 0 ? CURL_SOCKET_BAD : fd;
}

int CurlSession::closeSocketThunk(void* self, curl_socket_t socket) {
    auto* s = static_cast<CurlSession*>(self);
    s->status(50);
    const int rc = ::close(socket);
    s->status(51);
    return rc;
}

int CurlSession::prereqThunk(void* self, char*, char*, int, int) {
    auto* s = static_cast<CurlSession*>(self);
    if (s->newConnection_) s->status(21);
    s->newConnection_ = false;
    s->status(30);
    return s->interrupted_ ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
}

}  // namespace net
