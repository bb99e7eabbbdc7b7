#include "core/Dispatcher.h"

#include <atomic>
#include <stdexcept>

namespace core {

namespace {
std::atomic<Dispatcher*> g_dispatcher{nullptr};
}

Dispatcher& mainDispatcher() {
    Dispatcher* d = g_dispatcher.load();
    if (!d) throw std::logic_error("no main-thread dispatcher installed");
    return *d;
}

void setMainDispatcher(Dispatcher* dispatcher) {
    g_dispatcher.store(dispatcher);
}

}  // namespace core
