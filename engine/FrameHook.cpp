#include "engine/FrameHook.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace engine {

namespace {

// The signatures of the entry points a hook module offers.
using ConfigureFn = int (*)(void** ctx, int argc, char* argv[]);
using ProcessFn = void (*)(void* ctx, uint8_t* data[4], int linesize[4], int pixFmt, int width, int height,
                           int64_t pts);
using ReleaseFn = void (*)(void* ctx);

// Modules stay loaded for the life of the process, keyed by file name.
std::mutex gModulesLock;
std::map<std::string, std::shared_ptr<void>>& Modules() {
    static std::map<std::string, std::shared_ptr<void>> modules;
    return modules;
}

}  // namespace

std::shared_ptr<FrameHookModule> FrameHookModule::Load(const std::vector<std::string>& words,
                                                       std::string& err) {
    const std::string& file = words.at(0);
    std::shared_ptr<void> lib;
    {
        std::lock_guard<std::mutex> lock(gModulesLock);
        auto it = Modules().find(file);
        if (it != Modules().end()) {
            lib = it->second;
        } else {
            void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                err = dlerror();
                return nullptr;
            }
            lib = std::shared_ptr<void>(handle, [](void* h) { dlclose(h); });
            Modules()[file] = lib;
        }
    }
    std::shared_ptr<FrameHookModule> m(new FrameHookModule());
    m->library_ = lib;
    m->process_ = dlsym(lib.get(), "Process");
    m->release_ = dlsym(lib.get(), "Release");
    if (!m->process_) {
        err = "Failed to find Process entrypoint in " + file;
        return nullptr;
    }
    if (words.size() > 1) {
        auto configure = reinterpret_cast<ConfigureFn>(dlsym(lib.get(), "Configure"));
        if (!configure) {
            err = "Failed to find Configure entrypoint in " + file;
            return nullptr;
        }
        std::vector<std::string> copy = words;
        std::vector<char*> argv;
        for (std::string& w : copy)
            argv.push_back(w.data());
        if (configure(&m->ctx_, static_cast<int>(argv.size()), argv.data()) != 0) {
            err = "Failed to Configure " + file;
            return nullptr;
        }
    }
    return m;
}

FrameHookModule::~FrameHookModule() {
    if (release_) reinterpret_cast<ReleaseFn>(release_)(ctx_);
}

void FrameHookModule::Process(AVFrame* frame, int64_t pts) {
    reinterpret_cast<ProcessFn>(process_)(ctx_, frame->data, frame->linesize, frame->format, frame->width,
                                          frame->height, pts);
}

}  // namespace engine
