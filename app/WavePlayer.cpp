#include "app/WavePlayer.h"

#include <canberra.h>

#include <QFileInfo>
#include <memory>

namespace app {

namespace {

struct ContextDestroy {
    void operator()(ca_context* c) const { ca_context_destroy(c); }
};
using ContextPtr = std::unique_ptr<ca_context, ContextDestroy>;

// One context for the process, made on first use; it keeps playing after the call has returned.
ca_context* Context() {
    static ContextPtr context = [] {
        ca_context* c = nullptr;
        return ca_context_create(&c) == CA_SUCCESS ? ContextPtr(c) : ContextPtr();
    }();
    return context.get();
}

}  // namespace

void PlayWaveFile(const QString& path) {
    if (!QFileInfo(path).isFile()) return;
    ca_context* c = Context();
    if (!c) return;
    const QByteArray file = QFileInfo(path).absoluteFilePath().toUtf8();
    ca_context_play(c, 0, CA_PROP_MEDIA_FILENAME, file.constData(), CA_PROP_MEDIA_ROLE, "event", nullptr);
}

}  // namespace app
