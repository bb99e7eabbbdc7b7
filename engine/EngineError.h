#pragma once
// The exception the engine raises internally; component boundaries turn it into LastErrMsg.

#include <stdexcept>
#include <string>

namespace engine {

class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace engine
