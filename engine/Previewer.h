#pragma once
// The preview window of a running task. The window itself belongs to the host (ui/): the engine asks it to
// show a picture with a title on the main thread and learns through TFFEncoder::PreviewWindowClosed when
// the user closed it.

#include <memory>
#include <string>

#include "engine/Bitmap.h"

namespace engine {

class TPreviewHost {
public:
    virtual ~TPreviewHost() = default;
    // Shows the newest picture of the task identified by key, titled with the picture's time. How and where
    // (a window per task, or one for the whole run) is the host's. Called on the main thread.
    virtual void ShowPreview(const void* key, const TBitmap& picture, const std::string& title) = 0;
    // The task identified by key sends no more pictures (it ended, or preview was turned off for it). Called
    // on the main thread.
    virtual void ClosePreview(const void* key) = 0;
};

// One task's window: posts pictures to the main thread and closes the window when preview ends.
class TPreviewer {
public:
    TPreviewer(TPreviewHost* host, const void* key);
    ~TPreviewer();
    TPreviewer(const TPreviewer&) = delete;
    TPreviewer& operator=(const TPreviewer&) = delete;

    void Show(std::shared_ptr<const TBitmap> picture, const std::string& title);
    void Close();

private:
    TPreviewHost* host_;
    const void* key_;
    // Shared with the posted callables: they do nothing once the previewer is gone.
    std::shared_ptr<bool> alive_;
};

}  // namespace engine
