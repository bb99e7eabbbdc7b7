#include "engine/StrFormat.h"

#include <cstdio>

namespace engine {

std::string FormatStrV(const char* fmt, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n), '\0');
    va_copy(copy, args);
    std::vsnprintf(out.data(), out.size() + 1, fmt, copy);
    va_end(copy);
    return out;
}

std::string FormatStr(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = FormatStrV(fmt, args);
    va_end(args);
    return out;
}

}  // namespace engine
