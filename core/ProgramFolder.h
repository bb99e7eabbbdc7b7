#pragma once
// Where the running executable lives.

#include <string>

namespace core {

// The executable's folder with a trailing "/"; empty when it cannot be read.
std::string ProgramFolder();

}  // namespace core
