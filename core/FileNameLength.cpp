#include "core/FileNameLength.h"

#include <limits.h>

namespace core {

std::string CutUtf8(std::string_view text, size_t n) {
    if (text.size() <= n) return std::string(text);
    size_t end = n;
    while (end > 0 && n - end < 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

std::string FitNameMax(std::string_view stem, std::string_view tail) {
    const size_t room = tail.size() < NAME_MAX ? NAME_MAX - tail.size() : 0;
    return CutUtf8(stem, room) + std::string(tail);
}

}  // namespace core
