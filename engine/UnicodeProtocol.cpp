#include "engine/UnicodeProtocol.h"

#include <mutex>
#include <new>
#include <set>

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/mem.h>
}

namespace engine {

namespace {

// Names of the input protocols this FFmpeg build knows.
const std::set<std::string>& KnownProtocols() {
    static const std::set<std::string> names = [] {
        std::set<std::string> out;
        void* opaque = nullptr;
        while (const char* name = avio_enum_protocols(&opaque, 0))
            out.insert(name);
        opaque = nullptr;
        while (const char* name = avio_enum_protocols(&opaque, 1))
            out.insert(name);
        return out;
    }();
    return names;
}

// The scheme FFmpeg would read from the name ("http" of "http://..."), or empty when it reads a local file.
std::string_view SchemeOf(std::string_view name) {
    static constexpr std::string_view schemeChars =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.";
    const size_t end = name.find_first_not_of(schemeChars);
    if (end == std::string_view::npos || end == 0) return {};
    if (name[end] == ':') return name.substr(0, end);
    return {};
}

}  // namespace

bool IsUnicodeName(std::string_view name) {
    return name.size() >= kUnicodePrefix.size() + 1 &&
           name.substr(0, kUnicodePrefix.size()) == kUnicodePrefix;
}

std::string DecodeUnicodeName(std::string_view name) {
    if (!IsUnicodeName(name)) return std::string(name);
    return std::string(name.substr(kUnicodePrefix.size()));
}

std::string EncodeUnicodeName(std::string_view name) {
    return std::string(kUnicodePrefix) + std::string(name);
}

std::string ToLibraryName(std::string_view name) {
    std::string plain = DecodeUnicodeName(name);
    const std::string_view scheme = SchemeOf(plain);
    if (scheme.empty() || KnownProtocols().count(std::string(scheme))) return plain;
    // "clip:1.mp4" is a local file, but FFmpeg would look for a protocol "clip".
    return "file:" + plain;
}

std::string InputProtocolWhitelist(std::string_view libraryName) {
    const std::string scheme = std::string(SchemeOf(libraryName));
    if (scheme.empty() || scheme == "file") return "file,crypto,data";
    if (scheme == "http" || scheme == "https") return "http,https,tcp,tls,crypto,data,httpproxy";
    if (scheme == "pipe") return "pipe,crypto,data";
    return std::string();
}

void RestrictInputProtocols(AVFormatContext* ctx, std::string_view libraryName) {
    const std::string list = InputProtocolWhitelist(libraryName);
    if (list.empty()) return;
    av_freep(&ctx->protocol_whitelist);
    ctx->protocol_whitelist = av_strdup(list.c_str());
    if (!ctx->protocol_whitelist) throw std::bad_alloc();
}

std::string FromLibraryName(std::string_view url) {
    std::string plain = DecodeUnicodeName(url);
    if (plain.rfind("file:", 0) == 0) {
        std::string rest = plain.substr(5);
        // Only undo the prefix ToLibraryName adds, not a "file:" URL the caller gave.
        if (!SchemeOf(rest).empty() && !KnownProtocols().count(std::string(SchemeOf(rest)))) return rest;
    }
    return plain;
}

}  // namespace engine
