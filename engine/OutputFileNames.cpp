#include "engine/OutputFileNames.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <random>

#include "core/FileNameLength.h"
#include "engine/FFmpeg.h"

namespace engine {

namespace {

constexpr int kMaxCounter = 9999;

struct SplitName {
    std::string folder;  // with its trailing '/', or empty
    std::string stem;
    std::string ext;  // with its dot, or empty
};

SplitName Split(const std::string& path) {
    SplitName s;
    const size_t slash = path.rfind('/');
    s.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        s.stem = base;
    } else {
        s.stem = base.substr(0, dot);
        s.ext = base.substr(dot);
    }
    return s;
}

std::string ErrnoText(int e) {
    char buf[256];
    return strerror_r(e, buf, sizeof buf);
}

}  // namespace

std::string LocalPathOf(const std::string& libName) {
    if (libName.rfind("file:", 0) == 0) return libName.substr(5);
    const size_t colon = libName.find(':');
    if (colon == std::string::npos || colon == 0) return libName;
    for (size_t i = 0; i < colon; ++i)
        if (!isalnum(static_cast<unsigned char>(libName[i])) && !strchr("+-.", libName[i])) return libName;
    return std::string();
}

std::string CounterName(const std::string& path, int n) {
    const SplitName s = Split(path);
    const std::string counter = n > 0 ? "(" + std::to_string(n) + ")" : std::string();
    return s.folder + core::FitNameMax(s.stem, counter + s.ext);
}

std::string CreatePartialFile(const std::string& target) {
    const SplitName s = Split(target);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 rng(seed());
    const std::string suffix = ".part-XXXXXX";
    const std::string stem = core::CutUtf8(s.stem + s.ext, NAME_MAX - 1 - suffix.size());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string tail = ".part-";
        for (int i = 0; i < 6; ++i)
            tail += kLetters[rng() % (sizeof kLetters - 1)];
        const std::string name = s.folder + "." + stem + tail;
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return name;
        }
        if (errno != EEXIST) throw FFmpegException(target + ": " + ErrnoText(errno));
    }
    throw FFmpegException(target + ": no free temporary name");
}

std::string PublishPartialFile(const std::string& partial, const std::string& target) {
    for (int n = 0; n <= kMaxCounter; ++n) {
        const std::string name = CounterName(target, n);
        if (renameat2(AT_FDCWD, partial.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) return name;
        if (errno != EEXIST) throw FFmpegException(name + ": " + ErrnoText(errno));
    }
    throw FFmpegException(target + ": no free file name");
}

}  // namespace engine
