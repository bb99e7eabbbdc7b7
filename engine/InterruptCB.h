#pragma once
// Per-thread I/O interrupt registry. Every format context the engine opens carries EngineInterruptCB();
// FFmpeg calls it from inside blocking I/O on the thread doing the I/O, and it answers "abort" when the
// first check registered for that thread says so (a stop request, a time-out).

#include <mutex>
#include <vector>

#include "engine/ThreadId.h"

extern "C" {
#include <libavformat/avio.h>
}

struct AVFormatContext;

namespace engine {

// A check: code plus the object it belongs to (a method pointer), called with the registered argument.
// It runs under the registry's lock and must not call back into the registry.
using TInterruptCheck = bool (*)(void* object, void* arg);

class TInterruptCB {
public:
    // The process-wide registry.
    static TInterruptCB& Instance();

    // Appends an entry unless one with the same thread, code and object exists.
    void Add(TThreadID threadId, TInterruptCheck code, void* object, void* arg);
    // Deletes the first entry with the same thread, code and object.
    void Remove(TThreadID threadId, TInterruptCheck code, void* object, void* arg = nullptr);
    // The result of the first entry of the thread; false when the thread has none.
    bool Check(TThreadID threadId);
    void Clear();
    // Number of entries (for tests and diagnostics).
    std::size_t Count();

private:
    struct Entry {
        TThreadID threadId;
        TInterruptCheck code;
        void* object;
        void* arg;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

// Registers a check for the calling thread for the lifetime of the scope.
class TInterruptScope {
public:
    TInterruptScope(TInterruptCheck code, void* object, void* arg = nullptr);
    ~TInterruptScope();
    TInterruptScope(const TInterruptScope&) = delete;
    TInterruptScope& operator=(const TInterruptScope&) = delete;

private:
    TThreadID threadId_;
    TInterruptCheck code_;
    void* object_;
};

// The callback handed to FFmpeg: 1 when TInterruptCB::Check for the calling thread is true, else 0.
int InterruptCallback(void* opaque);
// {InterruptCallback, nullptr}: for avio_open2 and every AVFormatContext the engine opens.
const AVIOInterruptCB* EngineInterruptCB();
// Sets ctx->interrupt_callback to the engine's callback.
void InstallInterruptCB(AVFormatContext* ctx);

}  // namespace engine
