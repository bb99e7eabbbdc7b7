#include "engine/Previewer.h"

#include "core/Dispatcher.h"

namespace engine {

TPreviewer::TPreviewer(TPreviewHost* host, const void* key)
    : host_(host), key_(key), alive_(std::make_shared<bool>(true)) {}

TPreviewer::~TPreviewer() {
    Close();
}

void TPreviewer::Show(std::shared_ptr<const TBitmap> picture, const std::string& title) {
    if (!host_ || !picture) return;
    std::weak_ptr<bool> alive = alive_;
    TPreviewHost* host = host_;
    const void* key = key_;
    core::mainDispatcher().post([alive, host, key, picture, title] {
        if (alive.lock()) host->ShowPreview(key, *picture, title);
    });
}

void TPreviewer::Close() {
    if (!alive_) return;
    alive_.reset();
    if (!host_) return;
    TPreviewHost* host = host_;
    const void* key = key_;
    if (core::mainDispatcher().isMainThread())
        host->ClosePreview(key);
    else
        core::mainDispatcher().post([host, key] { host->ClosePreview(key); });
}

}  // namespace engine
