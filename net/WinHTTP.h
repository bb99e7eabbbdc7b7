#pragma once
// TWinHTTP: one HTTP(S) transfer on libcurl, run on a worker thread; events reach the main thread.
// One HTTP, HTTPS or local-file transfer at a time on its own worker thread (TCustomWinThread). The
// body goes to a memory stream or to OutputFileName in blocks of TransferBufferSize bytes, one progress
// event per block. Each transfer ends in exactly one outcome: done, connection lost, host unreachable,
// HTTP error (a reply that breaks the protocol is one, with kStatusProtocolError), output-file error,
// interrupted by OnHeaderInfo, or aborted.
//
// Only http and https are spoken (and file for local files); the output file is never opened through
// a symbolic link; a memory output is capped by MemoryOutputLimit. Sizes, positions and counters are
// 64-bit. A body the server content-encoded arrives decoded; a 206 to a request that is no resume must
// say by its Content-Range that it holds what was asked for (the whole resource when no range was
// asked), else it is a protocol error.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/HeaderDate.h"
#include "net/Streams.h"
#include "net/WinHTTPTypes.h"
#include "net/WinLogin.h"
#include "net/WinThread.h"

namespace net {

// Identifies the component in the User-Agent line unless Agent is changed.
inline constexpr const char* kDefaultAgent = "Reelwright-WinHTTP/1.0";
// A memory output is allocated up front to the announced Content-Length, but never beyond this;
// past it the stream grows as data arrives.
inline constexpr std::int64_t kMemoryPresizeLimit = 64ll << 20;
// The default of MemoryOutputLimit: pages and documents read into memory are far smaller.
inline constexpr std::int64_t kMemoryOutputLimit = 64ll << 20;
// The stall limits the download run sets on its transfers: nothing moved for 30 s (the connection and
// its TLS handshake included), or less than 1 KiB within 60 s.
inline constexpr int kDownloadStallSeconds = 30;
inline constexpr std::int64_t kDownloadStallMinimumBytes = 1024;
inline constexpr int kDownloadStallWindowSeconds = 60;
// Status and OnHTTPError code of a reply that breaks the HTTP protocol: not HTTP at all, a header
// line or block too large, an invalid Content-Length, or headers that never end. -1 stays "no reply".
inline constexpr int kStatusProtocolError = -2;

using TWinHTTPBeforeSendRequest = std::function<void(TComponent* Sender, void* hRequest)>;
using TWinHTTPStatusEvent =
    std::function<void(TComponent* Sender, int StatusCode, const std::string& StatusText)>;
using TWinHTTPRedirected = std::function<void(TComponent* Sender, const std::string& NewURL)>;
using TWinHTTPPasswordRequestEvent =
    std::function<void(TComponent* Sender, const std::string& Realm, bool& TryAgain)>;
using TWinHTTPProxyAuthenticationEvent = std::function<void(TComponent* Sender, std::string& ProxyUsername,
                                                            std::string& ProxyPassword, bool& TryAgain)>;
using TWinHTTPHeaderInfoEvent = std::function<void(
    TComponent* Sender, int ErrorCode, const std::string& RawHeadersCRLF, const std::string& ContentType,
    const std::string& ContentLanguage, const std::string& ContentEncoding, std::int64_t ContentLength,
    const std::string& Location, TDateTime Date, TDateTime LastModified, TDateTime Expires,
    const std::string& ETag, bool& ContinueDownload)>;
using TWinHTTPProgressEvent =
    std::function<void(TComponent* Sender, const std::string& ContentType, std::int64_t DataSize,
                       std::int64_t BytesRead, std::int64_t ElapsedTime, std::int64_t EstimatedTimeLeft,
                       std::uint8_t PercentsDone, float TransferRate, TStream* Stream)>;
using TWinHTTPDoneEvent = std::function<void(TComponent* Sender, const std::string& ContentType,
                                             std::int64_t FileSize, TStream* Stream)>;
using TWinHTTPConnLostEvent =
    std::function<void(TComponent* Sender, const std::string& ContentType, std::int64_t FileSize,
                       std::int64_t BytesRead, TStream* Stream)>;
using TWinHTTPErrorEvent = std::function<void(TComponent* Sender, int ErrorCode, TStream* Stream)>;

// Progress figures of one block.
struct TProgressFigures {
    std::uint8_t PercentsDone = 0;       // of the whole resource, 0 when its size is unknown
    std::int64_t ElapsedTime = 0;        // whole seconds
    std::int64_t EstimatedTimeLeft = 0;  // seconds; -ElapsedTime when the size is unknown
    float TransferRate = 0;              // kilobytes per second (kilobytes so far in the first second)
};
TProgressFigures ComputeProgress(std::uint64_t dataSize, std::uint64_t bytesRead, std::uint64_t startPosition,
                                 std::uint64_t elapsedMilliseconds);

// The realm of a WWW-Authenticate value: the text after the first '=' that is followed by a quote,
// without the text's last character; the whole value when there is no such place.
std::string RealmOf(const std::string& wwwAuthenticate);

class TCustomWinHTTP : public TWinLoginComponent {
public:
    explicit TCustomWinHTTP(TComponent* owner = nullptr);
    ~TCustomWinHTTP() override;

    bool StartTransfer(bool ForceWait = false);
    // A start while a transfer is active returns false and changes nothing.
    bool StartTransferRange(std::uint64_t StartPos, std::uint64_t EndPos, bool ForceWait = false);
    void AbortTransfer(bool DeleteOutputFile = false, bool Immediately = false);
    bool Running() const;
    bool Active() const { return active_; }
    bool Busy() const { return busy_; }

    // Settings, read when a transfer starts.
    std::string AcceptTypes = "text/html, */*";
    std::vector<std::string> AddHeaders;
    std::string Agent = kDefaultAgent;
    TWinHTTPProxy Proxy;
    std::string URL;
    TCacheOptions CacheOptions{coReloadIfNoExpireInformation, coReloadUpdatedObjects,
                               coCreateTempFilesIfCantCache};
    TInternetOptions InternetOptions{ioKeepConnection};
    std::string OutputFileName;
    TWinHTTPOutputFileAttributes OutputFileAttributes;
    std::string POSTData;
    TWinHTTPRange Range;
    std::string Referer;
    bool ShowGoOnlineMessage = false;  // Linux has no offline mode to leave: no effect
    TWinHTTPRequestMethod RequestMethod = rmAutoDetect;
    TWinHTTPTimeouts Timeouts;
    std::int64_t TransferBufferSize = 4096;  // 255 .. 2147483647
    // A body read into memory (no OutputFileName, or a file that could not be opened) may grow to this
    // many bytes; a successful response that brings more ends as an output-file error.
    std::int64_t MemoryOutputLimit = kMemoryOutputLimit;
    // When not 0, a transfer that moves nothing for this many seconds ends: as an unreachable host while
    // it connects (the TLS handshake included), as a protocol error before the headers are complete, as
    // a lost connection during the body. 0: no limit of its own.
    int StallSeconds = 0;
    // When both are not 0, a transfer that moves fewer than StallMinimumBytes within any
    // StallWindowSeconds has stalled too (a server that trickles a few bytes a second).
    std::int64_t StallMinimumBytes = 0;
    int StallWindowSeconds = 0;
    bool WorkOffline = false;  // nothing is cached here, so every HTTP transfer fails as unreachable

    // Events (threads: see the type comments of the header and the outcome rules above).
    TWinHTTPBeforeSendRequest OnBeforeSendRequest;  // worker; hRequest is the CURL easy handle
    TWinHTTPStatusEvent OnStatus;                   // worker
    TWinHTTPRedirected OnRedirected;                // worker
    TWinHTTPPasswordRequestEvent OnPasswordRequest;
    TWinHTTPProxyAuthenticationEvent OnProxyAuthenticationRequest;
    TWinHTTPHeaderInfoEvent OnHeaderInfo;
    TWinHTTPProgressEvent OnProgress;
    TWinHTTPDoneEvent OnDone;
    TWinHTTPConnLostEvent OnConnLost;
    TNotifyEvent OnHostUnreachable;
    TWinHTTPErrorEvent OnHTTPError;
    TNotifyEvent OnOutputFileError;
    TNotifyEvent OnAnyError;
    TNotifyEvent OnDoneInterrupted;
    TNotifyEvent OnAborted;
    TWinThreadWaitTimeoutExpired OnWaitTimeoutExpired;

    // Results of the last transfer (main thread, in handlers or between transfers).
    int Status() const;
    std::string ContentType() const;
    std::int64_t DataSize() const;
    std::int64_t BytesRead() const;
    std::string RawHeaders() const;
    TDateTime Date() const;
    TDateTime LastModified() const;
    TDateTime Expires() const;

protected:
    TCustomWinThread& Worker() { return *worker_; }

private:
    struct Run;
    struct Request;
    void execute(const std::shared_ptr<Run>& run);
    void requestRoutine(Run& r, const TWorkerContext& ctx);
    void readLocalFile(Run& r, const TWorkerContext& ctx, const std::string& path);
    bool openOutput(Run& r, bool okStatus);
    void processBlock(Run& r, const TWorkerContext& ctx, std::size_t n);
    static void finishReading(Run& r);
    void complete();
    void closeOutput(Run& r);
    void abortCleanUp(Run& r);

    std::unique_ptr<TCustomWinThread> worker_;
    std::shared_ptr<Run> run_;
    bool active_ = false;
    bool busy_ = false;
};

class TWinHTTP : public TCustomWinHTTP {
public:
    using TCustomWinHTTP::TCustomWinHTTP;

    TThreadPriority ThreadPriority() { return Worker().Priority(); }
    void SetThreadPriority(TThreadPriority value) { Worker().SetPriority(value); }
    bool WaitThread() { return Worker().WaitThread; }
    void SetWaitThread(bool value) { Worker().WaitThread = value; }
    int WaitTimeout() { return Worker().WaitTimeout; }
    void SetWaitTimeout(int value) { Worker().WaitTimeout = value; }
};

}  // namespace net
