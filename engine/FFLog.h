#pragma once
// The engine log: one logger for the engine's own messages and everything the FFmpeg libraries print.
//
// The host creates one TFFLogger and assigns OnLog. Engine code logs through the free functions Log and
// LogFmt (or FFLogger().Log), which reach the host's logger, or an engine-owned logger without a handler
// when the host has none (the message is then dropped).
//
// Delivery: with TriggerEventInMainThread (the default) a message logged off the main thread is handed
// to the main thread through core::mainDispatcher(). Engine messages wait until the handler has run.
// Captured library lines never wait and never hold the log lock while they are delivered: they are queued
// to the main thread in the order they were captured (so the order per thread is kept), because a library
// worker thread that blocked on the main thread could deadlock a main thread waiting inside the library.
//
// Locks: the capture lock (pending text of every thread) and each logger's own lock (its handler and last
// message) are never held together, and no handler runs under either.

#include <cstdarg>
#include <functional>
#include <string>

#include "engine/ThreadId.h"

namespace engine {

// The engine's log levels, ordinal 0 to 7.
enum TLogLevel : int { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// Library level (-8 quiet ... 48 debug) to TLogLevel: level / 8 rounded down, +1, clamped to 0..7.
TLogLevel LibLevelToLogLevel(int libLevel);
// TLogLevel to library level: (ordinal - 1) * 8.
int LogLevelToLibLevel(TLogLevel level);
// "quiet" ... "debug" (any case) or an integer library level; throws EngineError for anything else.
int LibLevelFromName(const std::string& name);

// The engine's sender argument: any object, or none (nullptr).
using TLogSender = const void*;

// Sender, thread identifier, level, message.
using TLogEvent =
    std::function<void(TLogSender sender, TThreadID threadId, TLogLevel level, const std::string& msg)>;

struct TLogInfo {
    TLogSender Sender = nullptr;
    TThreadID ThreadID = 0;
    TLogLevel LogLevel = llQuiet;
    std::string LogMsg;
};

class TFFLogger {
public:
    // Becomes the current logger. Throws EngineError("Allow creating only one instance of TFFLogger.")
    // when another host logger exists. LogLevel starts as the current library level.
    TFFLogger();
    ~TFFLogger();
    TFFLogger(const TFFLogger&) = delete;
    TFFLogger& operator=(const TFFLogger&) = delete;

    TLogLevel LogLevel() const;
    // Stores the level; once the libraries are hooked, it becomes the library level (av_log_set_level).
    void SetLogLevel(TLogLevel level);
    // The value of the engine option "loglevel"; throws EngineError for a text that is neither a name nor a
    // number.
    void SetLogLevelByName(const std::string& name);

    bool TriggerEventInMainThread() const;
    void SetTriggerEventInMainThread(bool value);

    void SetOnLog(TLogEvent handler);
    bool HasOnLog() const;

    // Installs the capture callback in the libraries (av_log_set_callback) and applies LogLevel.
    void HookLibraryLog();

    // The engine's own messages. Delivered when a handler is assigned and LogLevel >= level, or when the
    // level is llVerbose and LogLevel is not llQuiet. LogFmt formats only when the message will be delivered.
    void Log(TLogSender sender, TLogLevel level, const std::string& msg);
    void LogFmt(TLogSender sender, TLogLevel level, const char* fmt, ...)
        __attribute__((format(printf, 4, 5)));
    void LogFmtV(TLogSender sender, TLogLevel level, const char* fmt, va_list args);
    // Whether an engine message of this level would be delivered (lets callers skip expensive formatting).
    bool WillLog(TLogLevel level) const;

    // Delivers one captured library line (sender: the logger; level converted from the library level).
    void LibraryLine(TThreadID threadId, int libLevel, const std::string& line);

    // The data of the last delivered event.
    TLogInfo LastLogInfo() const;

private:
    struct EngineOwned {};
    explicit TFFLogger(EngineOwned);  // the engine's own instance, never the host's
    struct Impl;
    Impl* impl_;
    friend struct LoggerAccess;
};

// The current logger: the host's, or an engine-owned one without handler when the host has none.
TFFLogger& FFLogger();

// Shorthands for FFLogger().Log / LogFmt.
void Log(TLogSender sender, TLogLevel level, const std::string& msg);
void LogFmt(TLogSender sender, TLogLevel level, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

// The library log level (messages above it are not captured); starts at 32 (info).
int LibraryLogLevel();

// The capture callback installed in the libraries (exposed for tests, which feed it directly).
void LibraryLogCallback(void* avcl, int level, const char* fmt, va_list args);

}  // namespace engine
