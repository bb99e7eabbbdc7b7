#include "net/WinHTTP.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>

#include "core/Text.h"
#include "net/CurlSession.h"
#include "net/UrlParts.h"

namespace net {

namespace {

// Signals inside the request routine.
struct AbortRequested {};   // a soft abort was noticed at an abort check
struct RestartTransfer {};  // the first block of a resume differs from the file: start again from 0

constexpr std::size_t kMaxHeaderValue = 4095;  // longer values are treated as absent

// A decimal size that fits a signed 64-bit size; anything else (a sign, garbage, 19 nines) is unknown.
bool parseUnsigned(const std::string& s, std::uint64_t& value) {
    if (s.empty() || s.size() > 19) return false;
    std::uint64_t v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > static_cast<std::uint64_t>(INT64_MAX)) return false;
    value = v;
    return true;
}

// The first byte position of a "bytes FIRST-LAST/SIZE" Content-Range value.
bool rangeStart(const std::string& contentRange, std::uint64_t& first) {
    const std::string value = core::Trim(contentRange);
    if (core::ToLower(value.substr(0, 6)) != "bytes ") return false;
    const std::string rest = core::Trim(value.substr(6));
    return parseUnsigned(rest.substr(0, rest.find('-')), first);
}

// Whether a partial answer to a request that is no resume holds what was asked for: its Content-Range
// starts at the asked start and, when no range was asked for at all, covers the whole resource. A 206
// without a readable Content-Range says nothing about which part of the resource its body is.
bool partialAnswerFits(const std::string& contentRange, std::uint64_t askedStart, bool rangeAsked) {
    const std::string value = core::Trim(contentRange);
    if (core::ToLower(value.substr(0, 6)) != "bytes ") return false;
    const std::string rest = core::Trim(value.substr(6));
    const auto dash = rest.find('-');
    const auto slash = rest.find('/');
    if (dash == std::string::npos || slash == std::string::npos || slash < dash) return false;
    std::uint64_t first = 0, last = 0, size = 0;
    if (!parseUnsigned(rest.substr(0, dash), first) ||
        !parseUnsigned(rest.substr(dash + 1, slash - dash - 1), last) || last < first || first != askedStart)
        return false;
    if (rangeAsked) return true;
    return parseUnsigned(rest.substr(slash + 1), size) && last + 1 == size;
}

// Linux knows only the read-only attribute; it is expressed by the write permission bits.
void applyAttributes(const std::string& path, const TWinHTTPFileAttributes& attributes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    mode_t mode = st.st_mode & 07777;
    if (attributes.Contains(atrReadOnly))
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777)) ::chmod(path.c_str(), mode);
}

// Only a regular file is ever removed (an output name may point at a device).
void deleteOutputFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
}

}  // namespace

TProgressFigures ComputeProgress(std::uint64_t dataSize, std::uint64_t bytesRead, std::uint64_t startPosition,
                                 std::uint64_t elapsedMilliseconds) {
    TProgressFigures f;
    const long double whole = static_cast<long double>(dataSize) + startPosition;
    if (whole > 0) {
        const long double percent =
            std::round(100.0L * (static_cast<long double>(bytesRead) + startPosition) / whole);
        f.PercentsDone =
            static_cast<std::uint8_t>(std::min<long double>(percent, 100));  // never wraps past 100
    }
    f.ElapsedTime = static_cast<std::int64_t>(elapsedMilliseconds / 1000);
    const long double total =
        bytesRead == 0 ? 0 : std::round(static_cast<long double>(dataSize) / bytesRead * f.ElapsedTime);
    f.EstimatedTimeLeft = static_cast<std::int64_t>(total) - f.ElapsedTime;
    f.TransferRate = static_cast<float>(bytesRead / 1024.0L);
    if (f.ElapsedTime != 0) f.TransferRate = static_cast<float>(bytesRead / 1024.0L / f.ElapsedTime);
    return f;
}

std::string RealmOf(const std::string& value) {
    const auto at = value.find("=\"");
    if (at == std::string::npos) return value;
    const std::string after = value.substr(at + 2);
    return after.empty() ? after : after.substr(0, after.size() - 1);
}

// Everything one transfer uses. Shared by the component and its worker, so that a worker left to
// end on its own (stopped from inside one of its own hand-overs) never touches freed memory.
struct TCustomWinHTTP::Run {
    // Settings, copied at the start.
    std::string url, acceptTypes, agent, outputFileName, postData, referer, username, password;
    std::vector<std::string> addHeaders;
    TWinHTTPProxy proxy;
    TCacheOptions cacheOptions;
    TInternetOptions internetOptions;
    TWinHTTPOutputFileAttributes attributes;
    TWinHTTPRange range;
    TWinHTTPRequestMethod method = rmAutoDetect;
    TWinHTTPTimeouts timeouts;
    bool workOffline = false;
    std::size_t blockSize = 4096;
    std::uint64_t memoryLimit = kMemoryOutputLimit;
    StallLimits stall;
    // Handlers that run on the worker, copied so that the worker never reads the component's fields.
    TWinHTTPBeforeSendRequest onBeforeSendRequest;
    TWinHTTPStatusEvent onStatus;
    TWinHTTPRedirected onRedirected;
    bool hasPasswordRequest = false, hasProxyAuthentication = false, hasHeaderInfo = false,
         hasProgress = false;

    // Transfer state.
    int status = -1;
    int previousStatus = 0;
    std::string contentType;
    std::uint64_t dataSize = 0, bytesRead = 0, startPosition = 0, endPosition = 0;
    std::chrono::steady_clock::time_point startTick;
    bool succeeded = false, tryAgain = false, fileCreated = false, continueDownload = true;
    bool contentLengthPresent = false;
    bool writeFailed = false;  // the output file could not be written: the partial file is removed
    bool readFailed = false;   // the body ended with an error rather than its regular end
    std::atomic<bool> deleteOnAbort{false};
    std::unique_ptr<TStream> output;
    std::string rawHeaders, contentLanguage, contentEncoding, location, etag;
    TDateTime date = 0, lastModified = 0, expires = 0;
    TProgressFigures figures;
    float transferRate = -1;

    std::vector<char> block;
    std::size_t blockFill = 0;
    bool verifyFirstBlock = false;
};

// One response as the header callback sees it: the last header block wins.
struct ResponseHeaders {
    int status = 0;
    std::vector<std::pair<std::string, std::string>> fields;  // lower-case name, value
    std::string raw;
    bool complete = false;

    bool get(const std::string& name, std::string& value) const {
        for (const auto& [key, v] : fields)
            if (key == name) {
                if (v.size() > kMaxHeaderValue) return false;
                value = v;
                return true;
            }
        return false;
    }
    std::string value(const std::string& name) const {
        std::string v;
        get(name, v);
        return v;
    }
};

// What the response stage decided.
enum class Next { NoResponse, Read, Ended, Resend, Probe };

// The worker side of one request: the curl session, its callbacks and the block reading.
struct TCustomWinHTTP::Request {
    TCustomWinHTTP* self;
    Run& r;
    const TWorkerContext& ctx;
    CurlSession& session;
    ResponseHeaders headers;
    std::string lastUrl;
    std::exception_ptr error;  // raised inside a callback, re-raised after Perform
    bool responseHandled = false;
    bool probing = false;
    Next next = Next::NoResponse;
    CurlHeaderList headerList;  // the request's header lines; libcurl reads them until the request ends

    void setHeaders(CurlHeaderList lines) {
        headerList = std::move(lines);
        curl_easy_setopt(session.Easy(), CURLOPT_HTTPHEADER, headerList.get());
    }

    Request(TCustomWinHTTP* s, Run& run, const TWorkerContext& c, CurlSession& cs)
        : self(s), r(run), ctx(c), session(cs) {}
    ~Request() {
        // The session outlives this object and still reports the closing of its handles.
        session.OnHeaderLine = nullptr;
        session.OnBody = nullptr;
        session.ShouldContinue = nullptr;
        session.OnStatus = [self = self, &r = r, &ctx = ctx](int code) {
            try {
                if (!ctx.Stopped() && r.onStatus) r.onStatus(self, code, StatusText(code));
            } catch (...) {
            }
        };
        // The session may keep a pointer to the list; it is not used again after this request.
        curl_easy_setopt(session.Easy(), CURLOPT_HTTPHEADER, nullptr);
    }

    void abortCheck() const {
        ctx.ThrowIfStopped();
        if (ctx.Terminated()) throw AbortRequested{};
    }

    void status(int code) {
        if (ctx.Stopped() || !r.onStatus) return;
        r.onStatus(self, code, StatusText(code));
    }

    template <class F>
    bool guarded(F&& f) {
        try {
            f();
            return true;
        } catch (...) {
            if (!error) error = std::current_exception();
            return false;
        }
    }

    void install() {
        session.OnStatus = [this](int code) { guarded([&] { status(code); }); };
        session.OnHeaderLine = [this](const char* data, std::size_t n) {
            guarded([&] { headerLine(std::string(data, n)); });
        };
        session.OnBody = [this](const char* data, std::size_t n) {
            return guarded([&] {
                if (!responseHandled) {
                    responseHandled = true;
                    next = probing ? Next::Ended : respond();
                }
                if (next != Next::Read) throw Next{};  // stop receiving; not an error
                deliver(data, n);
            });
        };
        session.ShouldContinue = [this] { return !ctx.Stopped() && !ctx.Terminated(); };
    }

    void headerLine(const std::string& line) {
        if (line.rfind("HTTP/", 0) == 0) {
            // A new response: a redirect, an intermediate answer, or an authentication round.
            if (headers.status != 0) {
                char* effective = nullptr;
                curl_easy_getinfo(session.Easy(), CURLINFO_EFFECTIVE_URL, &effective);
                if (effective && lastUrl != effective) {
                    lastUrl = effective;
                    status(110);
                    if (!ctx.Stopped() && r.onRedirected) r.onRedirected(self, lastUrl);
                }
            }
            status(31);
            status(40);
            headers = ResponseHeaders{};
            const auto blank = line.find(' ');
            headers.status = blank == std::string::npos ? 0 : std::atoi(line.c_str() + blank + 1);
            headers.raw = line;
            return;
        }
        headers.raw += line;
        const std::string text = core::Trim(line);
        if (text.empty()) {
            headers.complete = true;
            status(headers.status >= 100 && headers.status < 200 ? 120 : 41);
            return;
        }
        const auto colon = text.find(':');
        if (colon == std::string::npos) return;
        headers.fields.emplace_back(core::ToLower(core::Trim(text.substr(0, colon))),
                                    core::Trim(text.substr(colon + 1)));
    }

    // What a response leads to once it has arrived: a resend for authentication, a size probe for a
    // refused resume, the end of the transfer, or reading its body into the output opened here.
    Next respond() {
        abortCheck();
        r.status = headers.status;
        if (r.status == 416 && r.startPosition != 0) return Next::Probe;
        if (r.status == 401 && r.hasPasswordRequest) {
            std::string wwwAuthenticate;
            const bool present = headers.get("www-authenticate", wwwAuthenticate);
            const std::string realm = present ? RealmOf(wwwAuthenticate) : std::string();
            std::string user, password;
            ctx.Synchronize([&] {
                if (self->OnPasswordRequest) self->OnPasswordRequest(self, realm, r.tryAgain);
                user = self->Username;
                password = self->Password;
            });
            curl_easy_setopt(session.Easy(), CURLOPT_USERNAME, user.c_str());
            curl_easy_setopt(session.Easy(), CURLOPT_PASSWORD, password.c_str());
            curl_easy_setopt(session.Easy(), CURLOPT_HTTPAUTH, CURLAUTH_ANY);
            if (r.tryAgain) return Next::Resend;
        }
        if (r.status == 407 && r.hasProxyAuthentication) {
            std::string user, password;
            ctx.Synchronize([&] {
                if (self->OnProxyAuthenticationRequest)
                    self->OnProxyAuthenticationRequest(self, self->Proxy.ProxyUsername,
                                                       self->Proxy.ProxyPassword, r.tryAgain);
                user = self->Proxy.ProxyUsername;
                password = self->Proxy.ProxyPassword;
            });
            curl_easy_setopt(session.Easy(), CURLOPT_PROXYUSERNAME, user.c_str());
            curl_easy_setopt(session.Easy(), CURLOPT_PROXYPASSWORD, password.c_str());
            curl_easy_setopt(session.Easy(), CURLOPT_PROXYAUTH, CURLAUTH_ANY);
            if (r.tryAgain) return Next::Resend;
        }

        // The response headers: type, length, range, and what OnHeaderInfo is told.
        abortCheck();
        headers.get("content-type", r.contentType);
        std::string length;
        r.contentLengthPresent = headers.get("content-length", length) && parseUnsigned(length, r.dataSize);
        if (!r.contentLengthPresent) r.dataSize = 0;
        r.succeeded = r.contentLengthPresent;
        // libcurl decodes a body the server encoded; the Content-Length then counts the encoded bytes, so
        // the size of what arrives is unknown and only the body's regular end says it is complete.
        std::string encoding;
        if (headers.get("content-encoding", encoding) && !encoding.empty() &&
            core::ToLower(core::Trim(encoding)) != "identity")
            r.dataSize = 0;
        std::string contentRange;
        const bool hasContentRange = headers.get("content-range", contentRange);
        if (r.status == 206 && r.startPosition == 0) {
            // A part nobody asked for, or one that does not say which part it is, is no usable answer.
            const bool asked = r.endPosition != 0 || r.range.StartRange != 0 || r.range.EndRange != 0;
            const std::uint64_t askedStart = r.endPosition != 0 ? 0 : r.range.StartRange;
            if (!hasContentRange || !partialAnswerFits(contentRange, askedStart, asked)) {
                r.status = kStatusProtocolError;
                r.succeeded = false;
                return Next::Ended;
            }
        }
        if (!hasContentRange) {
            r.startPosition = 0;
        } else if (r.startPosition != 0) {
            // A resume must continue where it asked to; an answer from elsewhere would be written at the
            // wrong place, so it is handled like a first block that differs.
            std::uint64_t first = 0;
            if (!rangeStart(contentRange, first) || first != r.startPosition) throw RestartTransfer{};
        }
        if (r.contentLengthPresent && r.dataSize > static_cast<std::uint64_t>(INT64_MAX) - r.startPosition) {
            r.contentLengthPresent = r.succeeded = false;
            r.dataSize = 0;
        }
        if (r.hasHeaderInfo) {
            r.rawHeaders = headers.raw.size() > kMaxHeaderValue ? std::string() : headers.raw;
            r.contentLanguage = headers.value("content-language");
            r.contentEncoding = headers.value("content-encoding");
            r.location = headers.value("location");
            r.etag = headers.value("etag");
            r.date = ParseHeaderDate(headers.value("date"));
            r.lastModified = ParseHeaderDate(headers.value("last-modified"));
            r.expires = ParseHeaderDate(headers.value("expires"));
            ctx.Synchronize([&] {
                if (self->OnHeaderInfo)
                    self->OnHeaderInfo(self, r.status, r.rawHeaders, r.contentType, r.contentLanguage,
                                       r.contentEncoding,
                                       static_cast<std::int64_t>(r.dataSize + r.startPosition), r.location,
                                       r.date, r.lastModified, r.expires, r.etag, r.continueDownload);
            });
            if (!r.continueDownload) return Next::Ended;
        }
        abortCheck();
        return self->openOutput(r, r.status == 200 || r.status == 206) ? Next::Read : Next::Ended;
    }

    void deliver(const char* data, std::size_t n) {
        while (n > 0) {
            const std::size_t take = std::min(n, r.blockSize - r.blockFill);
            std::memcpy(r.block.data() + r.blockFill, data, take);
            r.blockFill += take;
            data += take;
            n -= take;
            if (r.blockFill == r.blockSize) {
                self->processBlock(r, ctx, r.blockFill);
                r.blockFill = 0;
            }
        }
    }

    // A reply that never became a usable response: not HTTP at all, or a status line whose headers
    // broke off (a line too long, an invalid length, a stall, a closed connection).
    bool brokenReply(CURLcode rc) const {
        if (headers.status != 0) return !headers.complete;
        return rc == CURLE_WEIRD_SERVER_REPLY || rc == CURLE_UNSUPPORTED_PROTOCOL || !headers.raw.empty();
    }

    // Runs the configured request and the response stage.
    Next perform() {
        headers = ResponseHeaders{};
        responseHandled = false;
        next = Next::NoResponse;
        const CURLcode rc = session.Perform();
        if (error) {
            try {
                std::rethrow_exception(error);
            } catch (const Next&) {
                // The response stage ended the body on purpose.
                error = nullptr;
            }
        }
        abortCheck();
        if (!responseHandled) {
            if (brokenReply(rc)) {
                r.status = kStatusProtocolError;
                return Next::Ended;
            }
            if (headers.status == 0) return Next::NoResponse;
            responseHandled = true;
            next = probing ? Next::Ended : respond();
        }
        if (next == Next::Read) {
            if (r.blockFill > 0) {
                self->processBlock(r, ctx, r.blockFill);
                r.blockFill = 0;
            }
            r.readFailed = rc != CURLE_OK;
        }
        return next;
    }
};

TCustomWinHTTP::TCustomWinHTTP(TComponent* owner)
    : TWinLoginComponent(owner),
      worker_(std::make_unique<TCustomWinThread>(this)),
      run_(std::make_shared<Run>()) {
    worker_->SetOnThreadTerminate([this](TComponent*) { complete(); });
    worker_->OnWaitTimeoutExpired = [this](TComponent*, bool& terminateThread) {
        if (OnWaitTimeoutExpired) OnWaitTimeoutExpired(this, terminateThread);
    };
}

TCustomWinHTTP::~TCustomWinHTTP() {
    BeginDestroy();
    worker_.reset();  // stops a running worker at once
    if (run_) closeOutput(*run_);
}

bool TCustomWinHTTP::Running() const {
    return worker_->Running();
}

bool TCustomWinHTTP::StartTransfer(bool ForceWait) {
    return StartTransferRange(0, 0, ForceWait);
}

bool TCustomWinHTTP::StartTransferRange(std::uint64_t StartPos, std::uint64_t EndPos, bool ForceWait) {
    if (active_) return false;
    active_ = true;
    busy_ = true;

    auto r = std::make_shared<Run>();
    r->url = URL;
    r->acceptTypes = AcceptTypes;
    r->agent = Agent;
    r->outputFileName = OutputFileName;
    r->postData = POSTData;
    r->referer = Referer;
    r->username = Username;
    r->password = Password;
    r->addHeaders = AddHeaders;
    r->proxy = Proxy;
    r->cacheOptions = CacheOptions;
    r->internetOptions = InternetOptions;
    r->attributes = OutputFileAttributes;
    r->range = Range;
    r->method = RequestMethod;
    r->timeouts = Timeouts;
    r->workOffline = WorkOffline;
    r->blockSize = static_cast<std::size_t>(std::clamp<std::int64_t>(TransferBufferSize, 255, 2147483647));
    r->memoryLimit = static_cast<std::uint64_t>(std::max<std::int64_t>(MemoryOutputLimit, 0));
    r->stall = StallLimits{std::max(StallSeconds, 0), std::max<std::int64_t>(StallMinimumBytes, 0),
                           std::max(StallWindowSeconds, 0)};
    r->onBeforeSendRequest = OnBeforeSendRequest;
    r->onStatus = OnStatus;
    r->onRedirected = OnRedirected;
    r->hasPasswordRequest = static_cast<bool>(OnPasswordRequest);
    r->hasProxyAuthentication = static_cast<bool>(OnProxyAuthenticationRequest);
    r->hasHeaderInfo = static_cast<bool>(OnHeaderInfo);
    r->hasProgress = static_cast<bool>(OnProgress);
    r->transferRate = -1;
    r->startPosition = StartPos;
    r->endPosition = EndPos;
    run_ = r;

    worker_->SetOnThreadExecute([this, r](TComponent*) { execute(r); });
    const bool savedWait = worker_->WaitThread;
    if (ForceWait) worker_->WaitThread = true;
    const bool started = worker_->Run();
    worker_->WaitThread = savedWait;
    if (!started) {
        // The wait limit passed and the worker was stopped: close everything without an event.
        closeOutput(*r);
        active_ = false;
        busy_ = false;
    }
    return started;
}

void TCustomWinHTTP::AbortTransfer(bool DeleteOutputFile, bool Immediately) {
    if (!worker_->Running()) return;
    run_->deleteOnAbort = DeleteOutputFile;
    if (!Immediately) {
        worker_->Terminate(false);
        return;
    }
    auto r = run_;
    worker_->Terminate(true);
    abortCleanUp(*r);
    active_ = false;
    busy_ = false;
    if (!Destroying() && OnAborted) OnAborted(this);
}

void TCustomWinHTTP::abortCleanUp(Run& r) {
    const bool created = r.fileCreated;
    closeOutput(r);
    if (created && r.deleteOnAbort) deleteOutputFile(r.outputFileName);
}

void TCustomWinHTTP::closeOutput(Run& r) {
    const bool fileOpen = r.output && r.fileCreated;
    r.output.reset();
    if (fileOpen && !(r.attributes.Incomplete == TWinHTTPFileAttributes{atrArchive}))
        applyAttributes(r.outputFileName, r.attributes.Incomplete);
    r.fileCreated = false;
}

// ---- worker side ----

void TCustomWinHTTP::execute(const std::shared_ptr<Run>& run) {
    const TWorkerContext ctx = TWorkerContext::Current();
    Run& r = *run;
    try {
        requestRoutine(r, ctx);
    } catch (const TWorkerStopped&) {
        throw;
    } catch (const AbortRequested&) {
        // The soft abort's clean-up runs here; the thread then ends without a completion.
        abortCleanUp(r);
        ctx.Synchronize([this] {
            active_ = false;
            busy_ = false;
            if (!Destroying() && OnAborted) OnAborted(this);
        });
        throw TWorkerStopped{};
    } catch (const EStreamWriteError&) {
        // Reported by the completion as an output-file error.
        r.writeFailed = true;
        r.succeeded = false;
    } catch (...) {
        r.succeeded = false;
        ctx.Synchronize([this] {
            if (OnAnyError) OnAnyError(this);
        });
    }
}

void TCustomWinHTTP::processBlock(Run& r, const TWorkerContext& ctx, std::size_t n) {
    ctx.ThrowIfStopped();
    if (ctx.Terminated()) throw AbortRequested{};
    r.bytesRead += n;
    if (r.verifyFirstBlock) {
        r.verifyFirstBlock = false;
        std::vector<char> onDisk(n);
        const auto got = r.output->Read(onDisk.data(), static_cast<std::int64_t>(n));
        if (got != static_cast<std::int64_t>(n) || std::memcmp(onDisk.data(), r.block.data(), n) != 0)
            throw RestartTransfer{};
        return;  // equal: already on disk
    }
    if (!r.fileCreated && static_cast<std::uint64_t>(r.output->Size()) + n > r.memoryLimit)
        throw EStreamWriteError("the body is larger than the memory output may hold");
    r.output->Write(r.block.data(), static_cast<std::int64_t>(n));
    if (!r.hasProgress) return;
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - r.startTick);
    r.figures = ComputeProgress(r.dataSize, r.bytesRead, r.startPosition,
                                static_cast<std::uint64_t>(elapsed.count()));
    r.transferRate = r.figures.TransferRate;
    ctx.Synchronize([&] {
        if (OnProgress)
            OnProgress(this, r.contentType, static_cast<std::int64_t>(r.dataSize + r.startPosition),
                       static_cast<std::int64_t>(r.bytesRead + r.startPosition), r.figures.ElapsedTime,
                       r.figures.EstimatedTimeLeft, r.figures.PercentsDone, r.figures.TransferRate,
                       r.output.get());
    });
}

// Opens the body's output: the file for a successful response with an OutputFileName, else memory.
// Returns false when the transfer ends without an output stream.
bool TCustomWinHTTP::openOutput(Run& r, bool okStatus) {
    if (okStatus && !r.outputFileName.empty()) {
        try {
            auto file = std::make_unique<TWinHTTPFileStream>(
                r.outputFileName, r.startPosition == 0 ? TWinHTTPFileStream::fmCreateOrTruncate
                                                       : TWinHTTPFileStream::fmOpenOrCreate);
            if (file->Seek(static_cast<std::int64_t>(r.startPosition)) !=
                static_cast<std::int64_t>(r.startPosition))
                throw RestartTransfer{};  // like a first block that differs
            r.output = std::move(file);
            if (!(r.attributes.Incomplete == TWinHTTPFileAttributes{atrArchive}))
                applyAttributes(r.outputFileName, r.attributes.Incomplete);
            r.fileCreated = true;
        } catch (const EFCreateError&) {
            if (r.contentLengthPresent) return false;
        }
    }
    if (!r.output) {
        auto memory = std::make_unique<TMemoryStream>();
        if (r.contentLengthPresent)
            memory->Reserve(
                std::min<std::int64_t>(static_cast<std::int64_t>(r.dataSize), kMemoryPresizeLimit));
        r.output = std::move(memory);
    }
    r.block.assign(r.blockSize, 0);
    r.blockFill = 0;
    r.verifyFirstBlock = r.startPosition != 0 && r.fileCreated;
    return true;
}

void TCustomWinHTTP::finishReading(Run& r) {
    r.succeeded = r.status == 200 || r.status == 206;
    if (r.succeeded && r.dataSize != 0 && r.output) r.succeeded = r.dataSize == r.bytesRead;
    // Without a Content-Length only the regular end of the body means success; a chunked body
    // that breaks off is not a complete file.
    if (r.succeeded && r.dataSize == 0 && r.readFailed) r.succeeded = false;
}

namespace {

// The request's header lines: Accept, the cache and form lines, AddHeaders, then the range line when a
// range is asked for.
CurlHeaderList requestHeaders(const std::vector<std::string>& addHeaders, const std::string& acceptTypes,
                              bool pragmaNoCache, bool post, std::uint64_t start, std::uint64_t end,
                              const TWinHTTPRange& range, const std::string& rangeOverride = std::string()) {
    CurlHeaderList list;
    auto add = [&](const std::string& line) {
        if (line.empty()) return;
        curl_slist* longer = curl_slist_append(list.get(), line.c_str());
        if (!longer) throw std::bad_alloc();
        (void)list.release();  // now part of the longer list
        list.reset(longer);
    };
    add("Accept: " + acceptTypes);
    if (pragmaNoCache) add("Pragma: no-cache");
    if (post) add("Content-Type: application/x-www-form-urlencoded");
    for (const auto& line : addHeaders)
        add(line);
    if (start == 0 && end == 0) {
        start = range.StartRange;
        end = range.EndRange;
    }
    if (!rangeOverride.empty())
        add(rangeOverride);
    else if (start != 0 || end != 0)
        add("RANGE: bytes=" + std::to_string(start) + "-" + (end ? std::to_string(end) : ""));
    return list;
}

}  // namespace

void TCustomWinHTTP::requestRoutine(Run& r, const TWorkerContext& ctx) {
    // Preparation: a fresh status, the start tick and the URL split into its parts.
    r.status = -1;
    r.contentType.clear();
    r.startTick = std::chrono::steady_clock::now();
    r.continueDownload = true;
    std::string url = r.url;
    if (url.find("://") == std::string::npos) url = "http://" + url;
    TUrlParts parts;
    const bool split = SplitURL(url, parts);
    const std::string user = parts.UserName.empty() ? r.username : parts.UserName;
    const std::string password = parts.Password.empty() ? r.password : parts.Password;
    auto abortCheck = [&] {
        ctx.ThrowIfStopped();
        if (ctx.Terminated()) throw AbortRequested{};
    };
    abortCheck();

    // Local files are read directly; every other transfer goes through libcurl.
    if (core::ToLower(parts.Scheme) == "file") {
        readLocalFile(r, ctx, parts.Path);
        return;
    }
    const std::string scheme = core::ToLower(parts.Scheme);
    // Nothing but HTTP is spoken: a link must not make the program talk to other local services.
    if (!split || r.workOffline || (scheme != "http" && scheme != "https")) return;  // unreachable
    const std::string target = scheme + "://" + parts.Host + ":" + std::to_string(parts.Port) +
                               EscapePath(parts.Path) + EscapeExtraInfo(parts.ExtraInfo);
    const bool post = r.method == rmPOST || (r.method == rmAutoDetect && !r.postData.empty());

    for (;;) {
        // A fresh connection and request, again after every restart.
        abortCheck();
        CurlSession session;
        if (!session.Valid()) return;
        ctx.SetCancelHook([&session] { session.Interrupt(); });
        struct HookGuard {
            const TWorkerContext& ctx;
            ~HookGuard() { ctx.ClearCancelHook(); }
        } hookGuard{ctx};
        Request req(this, r, ctx, session);
        req.install();
        req.lastUrl = target;
        req.guarded([&] { req.status(60); });

        CURL* h = session.Easy();
        curl_easy_setopt(h, CURLOPT_URL, target.c_str());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
        // Nothing is asked to be compressed, yet a body the server encodes anyway arrives decoded (an
        // encoding libcurl does not know fails the transfer) instead of being kept raw.
        curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "identity");
        curl_easy_setopt(h, CURLOPT_USERAGENT, r.agent.c_str());
        if (r.proxy.AccessType == atDirect) {
            curl_easy_setopt(h, CURLOPT_PROXY, "");
        } else if (r.proxy.AccessType == atUseProxy) {
            const std::string proxy = r.proxy.ProxyServer + ":" + std::to_string(r.proxy.ProxyPort);
            curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());
            if (!r.proxy.ProxyBypass.empty()) {
                std::string bypass = r.proxy.ProxyBypass;
                std::replace(bypass.begin(), bypass.end(), ';', ',');
                curl_easy_setopt(h, CURLOPT_NOPROXY, bypass.c_str());
            }
        }
        if (r.proxy.AccessType != atDirect && !r.proxy.ProxyUsername.empty() &&
            !r.proxy.ProxyPassword.empty()) {
            curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, r.proxy.ProxyUsername.c_str());
            curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, r.proxy.ProxyPassword.c_str());
            curl_easy_setopt(h, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        }
        if ((!user.empty() || !password.empty()) && !r.internetOptions.Contains(ioNoAuthentication)) {
            curl_easy_setopt(h, CURLOPT_USERNAME, user.c_str());
            curl_easy_setopt(h, CURLOPT_PASSWORD, password.c_str());
            curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        }
        abortCheck();
        if (post) {
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.postData.size()));
            curl_easy_setopt(h, CURLOPT_COPYPOSTFIELDS, r.postData.c_str());
        } else {
            curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        }
        if (!r.referer.empty()) curl_easy_setopt(h, CURLOPT_REFERER, r.referer.c_str());
        if (r.internetOptions.Contains(ioIgnoreCertificateInvalid))
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
        if (r.internetOptions.Contains(ioIgnoreUnknownCertificateAuthority))
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, r.internetOptions.Contains(ioNoAutoRedirect) ? 0L : 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
        curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR,
                         scheme == "https" && !r.internetOptions.Contains(ioIgnoreRedirectToHTTP)
                             ? "https"
                             : "http,https");
        if (!r.internetOptions.Contains(ioKeepConnection)) curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
        if (!r.internetOptions.Contains(ioNoCookies)) curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
        // The connection and its TLS handshake are bounded by the connect time-out and the stall limit,
        // whichever is shorter (libcurl's own default would wait minutes for a server that never answers).
        std::uint64_t connectMilliseconds = r.timeouts.ConnectTimeout;
        const std::uint64_t stallMilliseconds = static_cast<std::uint64_t>(r.stall.IdleSeconds) * 1000;
        if (stallMilliseconds != 0 && (connectMilliseconds == 0 || stallMilliseconds < connectMilliseconds))
            connectMilliseconds = stallMilliseconds;
        if (connectMilliseconds != 0)
            curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMilliseconds));
        // Receive and send time-outs end a transfer that moves no byte for that long; the stall limits are
        // watched by the session.
        const std::uint64_t idleSeconds =
            (std::max(r.timeouts.ReceiveTimeout, r.timeouts.SendTimeout) + 999ull) / 1000;
        if (idleSeconds != 0) {
            curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(idleSeconds));
        }
        session.Stall = r.stall;
        abortCheck();
        if (!ctx.Stopped() && r.onBeforeSendRequest) r.onBeforeSendRequest(this, h);

        // The request's header lines, owned by the request until it ends.
        req.setHeaders(requestHeaders(r.addHeaders, r.acceptTypes, r.cacheOptions.Contains(coPragmaNoCache),
                                      post, r.startPosition, r.endPosition, r.range));

        // Send, and send again while an authentication handler asks to try again; a refused resume
        // probes the full size and restarts from 0 when the file is not complete yet.
        try {
            bool restart = false;
            do {
                abortCheck();
                r.tryAgain = false;
                const Next next = req.perform();
                if (next == Next::Read) finishReading(r);
                if (next == Next::Probe) {
                    // 416 on a resume: is the file already complete? Ask for the whole size.
                    abortCheck();
                    r.previousStatus = 416;
                    req.setHeaders(requestHeaders(r.addHeaders, r.acceptTypes,
                                                  r.cacheOptions.Contains(coPragmaNoCache), post, 0, 0,
                                                  TWinHTTPRange{}, "RANGE: bytes=0-"));
                    req.probing = true;
                    const Next probe = req.perform();
                    req.probing = false;
                    std::uint64_t size = 0;
                    std::string length;
                    if (probe != Next::NoResponse &&
                        (req.headers.status == 200 || req.headers.status == 206) &&
                        req.headers.get("content-length", length) && parseUnsigned(length, size) &&
                        size == r.startPosition) {
                        r.succeeded = true;  // complete already: reported as success without an output stream
                        return;
                    }
                    r.status = -1;
                    r.startPosition = 0;
                    restart = true;
                    break;
                }
            } while (r.tryAgain);
            if (!restart) return;
        } catch (const RestartTransfer&) {
            // The resumed file does not match: start again from the beginning, truncating it.
            r.output.reset();
            r.fileCreated = false;
            r.startPosition = 0;
            r.status = -1;
        }
        r.previousStatus = 0;
        r.bytesRead = 0;
        r.dataSize = 0;
    }
}

void TCustomWinHTTP::readLocalFile(Run& r, const TWorkerContext& ctx, const std::string& path) {
    struct Fd {
        int fd;
        ~Fd() {
            if (fd >= 0) ::close(fd);
        }
    } in{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0) {
        r.status = 404;
        r.dataSize = 0;
    } else {
        r.status = 200;
        r.dataSize = static_cast<std::uint64_t>(st.st_size);
        r.contentLengthPresent = true;
        const std::uint64_t from = r.startPosition != 0 ? r.startPosition : r.range.StartRange;
        if (from != 0) {
            ::lseek(in.fd, static_cast<off_t>(from), SEEK_SET);
            // What is left to read, as a ranged response would announce it.
            r.dataSize = r.dataSize > from ? r.dataSize - from : 0;
        }
    }
    r.succeeded = r.contentLengthPresent;
    ctx.ThrowIfStopped();
    if (ctx.Terminated()) throw AbortRequested{};
    if (!openOutput(r, r.status == 200)) return;
    if (in.fd >= 0) {
        for (;;) {
            ctx.ThrowIfStopped();
            if (ctx.Terminated()) throw AbortRequested{};
            const ssize_t n = ::read(in.fd, r.block.data(), r.blockSize);
            if (n <= 0) break;
            processBlock(r, ctx, static_cast<std::size_t>(n));
        }
    }
    finishReading(r);
}

// ---- main thread: completion ----

void TCustomWinHTTP::complete() {
    const auto keep = run_;
    Run& r = *keep;
    if (r.output) r.output->Seek(0);
    busy_ = false;
    bool deleteFile = false;
    bool outputClosed = false;
    try {
        if (r.continueDownload) {
            if (r.writeFailed && (r.status == 200 || r.status == 206)) {
                // The file could not be written: it is removed rather than left half-written.
                deleteFile = r.fileCreated;
                if (OnAnyError) OnAnyError(this);
                if (OnOutputFileError) OnOutputFileError(this);
            } else if (r.succeeded) {
                if (!r.output) {
                    if (OnAnyError) OnAnyError(this);
                    if (OnOutputFileError) OnOutputFileError(this);
                    active_ = false;
                    return;
                }
                TStream* stream = r.output.get();
                if (r.fileCreated) {
                    r.output.reset();
                    outputClosed = true;
                    if (!(r.attributes.Complete == r.attributes.Incomplete))
                        applyAttributes(r.outputFileName, r.attributes.Complete);
                    stream = nullptr;
                }
                if (OnDone)
                    OnDone(this, r.contentType, static_cast<std::int64_t>(r.bytesRead + r.startPosition),
                           stream);
            } else {
                if (r.status == 200 || r.status == 206) {
                    // A file that received nothing at all is no partial download worth keeping.
                    deleteFile = r.fileCreated && r.bytesRead == 0 && r.startPosition == 0;
                    if (OnConnLost)
                        OnConnLost(this, r.contentType, static_cast<std::int64_t>(r.dataSize),
                                   static_cast<std::int64_t>(r.bytesRead), r.output.get());
                } else if (r.status == -1) {
                    if (OnHostUnreachable) OnHostUnreachable(this);
                } else {
                    if (OnHTTPError) OnHTTPError(this, r.status, r.output.get());
                    deleteFile = r.fileCreated;
                }
                if (OnAnyError) OnAnyError(this);
            }
        }
    } catch (...) {
        try {
            if (OnAnyError) OnAnyError(this);
        } catch (...) {
        }
    }
    // Close the output; a file cut short keeps the incomplete attributes.
    if (outputClosed) r.fileCreated = false;
    const bool created = r.fileCreated || outputClosed;
    closeOutput(r);
    active_ = false;
    busy_ = false;
    if (deleteFile && created) deleteOutputFile(r.outputFileName);
    if (!r.continueDownload && OnDoneInterrupted) {
        try {
            OnDoneInterrupted(this);
        } catch (...) {
            try {
                if (OnAnyError) OnAnyError(this);
            } catch (...) {
            }
        }
    }
}

int TCustomWinHTTP::Status() const {
    return run_->status;
}
std::string TCustomWinHTTP::ContentType() const {
    return run_->contentType;
}
std::int64_t TCustomWinHTTP::DataSize() const {
    return static_cast<std::int64_t>(run_->dataSize);
}
std::int64_t TCustomWinHTTP::BytesRead() const {
    return static_cast<std::int64_t>(run_->bytesRead);
}
std::string TCustomWinHTTP::RawHeaders() const {
    return run_->rawHeaders;
}
TDateTime TCustomWinHTTP::Date() const {
    return run_->date;
}
TDateTime TCustomWinHTTP::LastModified() const {
    return run_->lastModified;
}
TDateTime TCustomWinHTTP::Expires() const {
    return run_->expires;
}

}  // namespace net
