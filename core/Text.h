#pragma once
// Small text helpers that the engine, the network layer and the program share.

#include <string>
#include <string_view>

namespace core {

// The text without leading and trailing white space (spaces, tabs, line breaks).
std::string Trim(std::string_view s);
// The text with ASCII letters in lower case; every other byte as it was.
std::string ToLower(std::string_view s);

}  // namespace core
