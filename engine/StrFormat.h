#pragma once
// printf-style formatting into std::string, of any length.

#include <cstdarg>
#include <string>

namespace engine {

std::string FormatStr(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatStrV(const char* fmt, va_list args);

}  // namespace engine
