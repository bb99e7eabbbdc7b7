#pragma once
// The line the log window shows for an engine message: "#", the thread identifier, ".", the level's
// ordinal, ": " and the message, so an error from thread 12 begins with "#12.3: ". A line of a file's
// conversion carries the file's number after that, as the summary numbers it: "#12.3: File (2): ...", so
// the lines of files converted at the same time can be told apart.

#include <QString>
#include <cstdint>
#include <string>

namespace wizard {

// file: the task index of the file, or -1 for a line of no file's conversion.
QString FormatEngineLogLine(uint64_t threadId, int levelOrdinal, const std::string& message, int file = -1);

}  // namespace wizard
