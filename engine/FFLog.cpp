#include "engine/FFLog.h"

#include <atomic>
#include <cinttypes>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "core/Dispatcher.h"
#include "core/Text.h"
#include "engine/EngineError.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/log.h>
}

namespace engine {

namespace {

// Messages above this library level are not captured.
std::atomic<int> g_libLevel{AV_LOG_INFO};
// Set once the capture callback is installed: from then on LogLevel follows into the libraries.
std::atomic<bool> g_hooked{false};
// The host's logger, or nullptr.
std::atomic<TFFLogger*> g_hostLogger{nullptr};

// The engine-owned logger used while the host has none. It is kept for the rest of the process rather
// than freed when a host logger appears, so a thread that picked it up a moment earlier never sees it vanish.
std::once_flag g_fallbackOnce;
TFFLogger* g_fallback = nullptr;

// Capture state, all under the log lock: per-thread text not yet ended by a line feed, and the
// repeat detection shared by all threads.
std::mutex g_logMutex;
std::map<TThreadID, std::string>* g_pending = nullptr;  // created on first use, kept until process end
std::string* g_prevChunk = nullptr;
int g_repeatCount = 0;

core::Dispatcher* DispatcherOrNull() {
    try {
        return &core::mainDispatcher();
    } catch (const std::logic_error&) {
        return nullptr;
    }
}

TFFLogger* CurrentLoggerOrNull() {
    if (TFFLogger* host = g_hostLogger.load()) return host;
    return g_fallback;
}

}  // namespace

struct TFFLogger::Impl {
    std::atomic<TLogLevel> level{llInfo};
    std::atomic<bool> trigger{true};
    mutable std::mutex mutex;  // guards handler and last
    std::shared_ptr<const TLogEvent> handler;
    TLogInfo last;

    std::shared_ptr<const TLogEvent> Handler() const {
        std::lock_guard<std::mutex> lock(mutex);
        return handler;
    }

    // Runs the handler on the calling thread.
    void DeliverNow(TLogSender sender, TThreadID tid, TLogLevel level, const std::string& msg) {
        std::shared_ptr<const TLogEvent> h;
        {
            std::lock_guard<std::mutex> lock(mutex);
            h = handler;
            if (!h) return;
            last = TLogInfo{sender, tid, level, msg};
        }
        (*h)(sender, tid, level, msg);
    }
};

// Runs a delivery on the main thread through whichever logger is current when it gets there, so a logger
// destroyed in the meantime is never touched.
struct LoggerAccess {
    static TFFLogger* MakeEngineOwned() { return new TFFLogger(TFFLogger::EngineOwned{}); }

    static void DeliverToCurrent(TLogSender sender, bool senderIsLogger, TThreadID tid, TLogLevel level,
                                 const std::string& msg) {
        TFFLogger* cur = CurrentLoggerOrNull();
        if (!cur) return;
        cur->impl_->DeliverNow(senderIsLogger ? cur : sender, tid, level, msg);
    }

    static void Deliver(TFFLogger& logger, TLogSender sender, bool senderIsLogger, TThreadID tid,
                        TLogLevel level, const std::string& msg, bool wait) {
        if (!logger.impl_->Handler()) return;  // nothing is queued without a handler
        core::Dispatcher* d = logger.impl_->trigger.load() ? DispatcherOrNull() : nullptr;
        if (!d || d->isMainThread()) {
            logger.impl_->DeliverNow(senderIsLogger ? &logger : sender, tid, level, msg);
            return;
        }
        auto run = [sender, senderIsLogger, tid, level, msg] {
            DeliverToCurrent(sender, senderIsLogger, tid, level, msg);
        };
        if (wait)
            d->runSync(run);
        else
            d->post(run);
    }
};

TLogLevel LibLevelToLogLevel(int libLevel) {
    // Steps of 8, a level between two steps going to the lower one (so -8 and -1 are both quiet).
    int v = libLevel;
    if (v < 0) v -= 7;
    v = v / 8 + 1;
    return static_cast<TLogLevel>(std::clamp(v, 0, 7));
}

int LogLevelToLibLevel(TLogLevel level) {
    return (static_cast<int>(level) - 1) * 8;
}

int LibLevelFromName(const std::string& name) {
    static const char* const names[] = {"quiet",   "panic", "fatal",   "error",
                                        "warning", "info",  "verbose", "debug"};
    const std::string lower = core::ToLower(name);
    for (int i = 0; i < 8; ++i)
        if (lower == names[i]) return (i - 1) * 8;
    // Anything else must be a whole integer.
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(name, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != name.size()) throw EngineError("'" + name + "' is not a valid integer value");
    return value;
}

int LibraryLogLevel() {
    return g_libLevel.load();
}

TFFLogger::TFFLogger() : impl_(new Impl) {
    TFFLogger* expected = nullptr;
    if (!g_hostLogger.compare_exchange_strong(expected, this)) {
        delete impl_;
        throw EngineError("Allow creating only one instance of TFFLogger.");
    }
    impl_->level = LibLevelToLogLevel(g_libLevel.load());
}

TFFLogger::TFFLogger(EngineOwned) : impl_(new Impl) {
    impl_->level = LibLevelToLogLevel(g_libLevel.load());
}

TFFLogger::~TFFLogger() {
    TFFLogger* self = this;
    g_hostLogger.compare_exchange_strong(self, nullptr);
    delete impl_;
}

TLogLevel TFFLogger::LogLevel() const {
    return impl_->level.load();
}

void TFFLogger::SetLogLevel(TLogLevel level) {
    const TLogLevel old = impl_->level.exchange(level);
    if (old != level && g_hooked.load()) {
        g_libLevel = LogLevelToLibLevel(level);
        av_log_set_level(g_libLevel.load());
    }
}

void TFFLogger::SetLogLevelByName(const std::string& name) {
    SetLogLevel(LibLevelToLogLevel(LibLevelFromName(name)));
}

bool TFFLogger::TriggerEventInMainThread() const {
    return impl_->trigger.load();
}

void TFFLogger::SetTriggerEventInMainThread(bool value) {
    impl_->trigger = value;
}

void TFFLogger::SetOnLog(TLogEvent handler) {
    auto h = handler ? std::make_shared<const TLogEvent>(std::move(handler)) : nullptr;
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->handler = std::move(h);
}

bool TFFLogger::HasOnLog() const {
    return impl_->Handler() != nullptr;
}

void TFFLogger::HookLibraryLog() {
    av_log_set_callback(&LibraryLogCallback);
    g_hooked = true;
    g_libLevel = LogLevelToLibLevel(LogLevel());
    av_log_set_level(g_libLevel.load());
}

bool TFFLogger::WillLog(TLogLevel level) const {
    if (!impl_->Handler()) return false;
    const TLogLevel mine = LogLevel();
    return mine >= level || (level == llVerbose && mine != llQuiet);
}

void TFFLogger::Log(TLogSender sender, TLogLevel level, const std::string& msg) {
    if (!WillLog(level)) return;
    LoggerAccess::Deliver(*this, sender, false, CurrentThreadID(), level, msg, true);
}

void TFFLogger::LogFmtV(TLogSender sender, TLogLevel level, const char* fmt, va_list args) {
    if (!WillLog(level)) return;
    LoggerAccess::Deliver(*this, sender, false, CurrentThreadID(), level, FormatStrV(fmt, args), true);
}

void TFFLogger::LogFmt(TLogSender sender, TLogLevel level, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    LogFmtV(sender, level, fmt, args);
    va_end(args);
}

void TFFLogger::LibraryLine(TThreadID threadId, int libLevel, const std::string& line) {
    LoggerAccess::Deliver(*this, nullptr, true, threadId, LibLevelToLogLevel(libLevel), line, false);
}

TLogInfo TFFLogger::LastLogInfo() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->last;
}

TFFLogger& FFLogger() {
    if (TFFLogger* host = g_hostLogger.load()) return *host;
    std::call_once(g_fallbackOnce, [] { g_fallback = LoggerAccess::MakeEngineOwned(); });
    if (TFFLogger* host = g_hostLogger.load()) return *host;
    return *g_fallback;
}

void Log(TLogSender sender, TLogLevel level, const std::string& msg) {
    FFLogger().Log(sender, level, msg);
}

void LogFmt(TLogSender sender, TLogLevel level, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    FFLogger().LogFmtV(sender, level, fmt, args);
    va_end(args);
}

namespace {

// "[name @ ADDRESS]" for a library context; addresses in upper-case hex, at least eight digits.
std::string ContextPrefix(void* avcl) {
    if (!avcl) return std::string();
    const AVClass* avc = *static_cast<AVClass**>(avcl);
    if (!avc) return std::string();
    std::string prefix;
    if (avc->version >= 0x320F03 && avc->parent_log_context_offset) {
        AVClass** parent =
            *reinterpret_cast<AVClass***>(static_cast<uint8_t*>(avcl) + avc->parent_log_context_offset);
        if (parent && *parent) {
            const char* name = (*parent)->item_name ? (*parent)->item_name(parent) : (*parent)->class_name;
            prefix +=
                FormatStr("[%s @ %08" PRIXPTR "] ", name ? name : "", reinterpret_cast<uintptr_t>(parent));
        }
    }
    const char* name = avc->item_name ? avc->item_name(avcl) : avc->class_name;
    prefix += FormatStr("[%s @ %08" PRIXPTR "]", name ? name : "", reinterpret_cast<uintptr_t>(avcl));
    return prefix;
}

void CaptureLibraryLog(void* avcl, int level, const char* fmt, va_list args) {
    if (level >= 0) level &= 0xff;  // the high byte carries a colour tint
    if (level > g_libLevel.load()) return;

    const std::string prefix = ContextPrefix(avcl);
    const std::string msg = FormatStrV(fmt, args);
    const TThreadID tid = CurrentThreadID();

    // Lines to deliver once the lock is released, in the order they were completed.
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        if (!g_pending) {
            g_pending = new std::map<TThreadID, std::string>();
            g_prevChunk = new std::string();
        }
        std::string& pending = (*g_pending)[tid];
        std::string chunk = pending.empty() ? prefix + msg : msg;  // a prefix only at the start of a line
        if (!chunk.empty() && chunk.back() == '\n' && chunk == *g_prevChunk) {
            ++g_repeatCount;
            return;
        }
        pending += chunk;
        if (g_repeatCount > 0) {
            lines.push_back(FormatStr("    Last message repeated %d times", g_repeatCount));
            g_repeatCount = 0;
        }
        *g_prevChunk = std::move(chunk);
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            lines.push_back(pending.substr(0, nl));
            pending.erase(0, nl + 1);
        }
    }
    if (lines.empty()) return;
    TFFLogger& logger = FFLogger();
    for (const std::string& line : lines)
        logger.LibraryLine(tid, level, line);
}

}  // namespace

void LibraryLogCallback(void* avcl, int level, const char* fmt, va_list args) {
    // Called from C code: nothing may unwind through the library's frames.
    try {
        CaptureLibraryLog(avcl, level, fmt, args);
    } catch (...) {
    }
}

}  // namespace engine
