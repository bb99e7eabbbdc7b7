#pragma once
// The line the log window shows for an engine message: "#", the thread identifier, ".", the level's
// ordinal, ": " and the message, so an error from thread 12 begins with "#12.3: ".

#include <QString>
#include <cstdint>
#include <string>

namespace wizard {

QString FormatEngineLogLine(uint64_t threadId, int levelOrdinal, const std::string& message);

}  // namespace wizard
