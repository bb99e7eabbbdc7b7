#include "engine/FFLoad.h"

#include "engine/FFLog.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace engine {

namespace {

struct LibraryItem {
    const char* name;
    int buildMajor;
    unsigned (*runtimeVersion)();
};

const LibraryItem kLibraries[kLibraryCount] = {
    {"avcodec", LIBAVCODEC_VERSION_MAJOR, &avcodec_version},
    {"avdevice", LIBAVDEVICE_VERSION_MAJOR, &avdevice_version},
    {"avfilter", LIBAVFILTER_VERSION_MAJOR, &avfilter_version},
    {"avformat", LIBAVFORMAT_VERSION_MAJOR, &avformat_version},
    {"avutil", LIBAVUTIL_VERSION_MAJOR, &avutil_version},
    {"swscale", LIBSWSCALE_VERSION_MAJOR, &swscale_version},
    {"swresample", LIBSWRESAMPLE_VERSION_MAJOR, &swresample_version},
};

unsigned LinkedVersion(TLibrary lib) {
    return kLibraries[lib].runtimeVersion();
}

std::string VersionText(unsigned v) {
    return FormatStr("%u.%u.%u", v >> 16, (v >> 8) & 0xff, v & 0xff);
}

}  // namespace

TFFLoader::TFFLoader() : versionQuery_(&LinkedVersion) {}

void TFFLoader::SetLibraryPath(const std::string& path) {
    libraryPath_ = path;
}

const char* TFFLoader::LibraryName(TLibrary lib) {
    return kLibraries[lib].name;
}

int TFFLoader::BuildMajor(TLibrary lib) {
    return kLibraries[lib].buildMajor;
}

std::string TFFLoader::LibraryFileName(TLibrary lib) const {
    return FormatStr("lib%s.so.%d", kLibraries[lib].name, kLibraries[lib].buildMajor);
}

bool TFFLoader::LoadLib(TLibrary lib) {
    if (!LibLoaded(lib)) {
        const unsigned runtime = versionQuery_(lib);
        const int runtimeMajor = static_cast<int>(runtime >> 16);
        if (runtimeMajor != kLibraries[lib].buildMajor) {
            lastErrMsg_ =
                FormatStr("Load library %s error: %s", LibraryFileName(lib).c_str(),
                          FormatStr("the installed version %s does not match version %d the program "
                                    "was built against",
                                    VersionText(runtime).c_str(), kLibraries[lib].buildMajor)
                              .c_str());
            return false;
        }
        loaded_.fetch_or(LibrarySet(lib));
    }
    // The services of the library, installed again on every load like the original loader does.
    switch (lib) {
        case libAVDevice:
            avdevice_register_all();
            break;
        case libAVUtil:
            FFLogger().HookLibraryLog();
            break;
        default:
            break;
    }
    return true;
}

bool TFFLoader::Load(TLibrarySet set) {
    for (int i = 0; i < kLibraryCount; ++i) {
        if (!(set & LibrarySet(TLibrary(i)))) continue;
        if (!LoadLib(TLibrary(i))) {
            Unload(set);
            return false;
        }
    }
    return true;
}

bool TFFLoader::LibLoaded(TLibrary lib) const {
    return (loaded_.load() & LibrarySet(lib)) != 0;
}

bool TFFLoader::Loaded(TLibrarySet set) const {
    return (loaded_.load() & set) == set;
}

void TFFLoader::UnloadLib(TLibrary lib) {
    if (lib == libAVUtil && LibLoaded(lib)) av_log_set_callback(&av_log_default_callback);
    loaded_.fetch_and(~LibrarySet(lib));
}

void TFFLoader::Unload(TLibrarySet set) {
    for (int i = 0; i < kLibraryCount; ++i)
        if (set & LibrarySet(TLibrary(i))) UnloadLib(TLibrary(i));
}

void TFFLoader::SetVersionQuery(TVersionQuery query) {
    versionQuery_ = query ? query : &LinkedVersion;
}

TFFLoader& FFLoader() {
    static TFFLoader* loader = new TFFLoader();  // lives for the whole process
    return *loader;
}

bool LoadAVLib(const std::string& folder) {
    FFLoader().SetLibraryPath(folder);
    return FFLoader().Load(EncoderLibraries);
}

bool AVLibLoaded() {
    return FFLoader().Loaded(EncoderLibraries);
}

std::string AVLibLastErrMsg() {
    return FFLoader().LastErrMsg();
}

}  // namespace engine
