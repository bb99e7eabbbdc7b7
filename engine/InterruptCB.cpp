#include "engine/InterruptCB.h"

#include <algorithm>

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine {

TInterruptCB& TInterruptCB::Instance() {
    // Kept for the whole process: library threads may still call the callback during shutdown.
    static TInterruptCB* registry = new TInterruptCB();
    return *registry;
}

void TInterruptCB::Add(TThreadID threadId, TInterruptCheck code, void* object, void* arg) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Entry& e : entries_)
        if (e.threadId == threadId && e.code == code && e.object == object) return;
    entries_.push_back(Entry{threadId, code, object, arg});
}

void TInterruptCB::Remove(TThreadID threadId, TInterruptCheck code, void* object, void* /*arg*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.threadId == threadId && e.code == code && e.object == object;
    });
    if (it != entries_.end()) entries_.erase(it);
}

bool TInterruptCB::Check(TThreadID threadId) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Entry& e : entries_)
        if (e.threadId == threadId) return e.code && e.code(e.object, e.arg);
    return false;
}

void TInterruptCB::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

std::size_t TInterruptCB::Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

TInterruptScope::TInterruptScope(TInterruptCheck code, void* object, void* arg)
    : threadId_(CurrentThreadID()), code_(code), object_(object) {
    TInterruptCB::Instance().Add(threadId_, code_, object_, arg);
}

TInterruptScope::~TInterruptScope() {
    TInterruptCB::Instance().Remove(threadId_, code_, object_);
}

int InterruptCallback(void* /*opaque*/) {
    // Called from C code: a throwing check must not unwind through the library's frames.
    try {
        return TInterruptCB::Instance().Check(CurrentThreadID()) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

const AVIOInterruptCB* EngineInterruptCB() {
    static const AVIOInterruptCB cb{&InterruptCallback, nullptr};
    return &cb;
}

void InstallInterruptCB(AVFormatContext* ctx) {
    if (ctx) ctx->interrupt_callback = *EngineInterruptCB();
}

}  // namespace engine
