#include "engine/ThreadId.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace engine {

TThreadID CurrentThreadID() {
    thread_local const TThreadID id = static_cast<TThreadID>(::syscall(SYS_gettid));
    return id;
}

}  // namespace engine
