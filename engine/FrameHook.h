#pragma once
// Video hook modules ("vhook"): shared libraries with the entry points Configure, Process and Release that
// see every decoded picture. A module file is loaded once per process.

#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

namespace engine {

class FrameHookModule {
public:
    // words[0] is the module file, the rest go to Configure. nullptr with err set on failure.
    static std::shared_ptr<FrameHookModule> Load(const std::vector<std::string>& words, std::string& err);
    ~FrameHookModule();

    // Calls Process with the picture, its format, size and time (microseconds).
    void Process(AVFrame* frame, int64_t pts);

private:
    FrameHookModule() = default;
    void* ctx_ = nullptr;
    void* process_ = nullptr;
    void* release_ = nullptr;
    std::shared_ptr<void> library_;
};

}  // namespace engine
