#include "wizard/LogLine.h"

namespace wizard {

QString FormatEngineLogLine(uint64_t threadId, int levelOrdinal, const std::string& message) {
    return QStringLiteral("#%1.%2: ").arg(threadId).arg(levelOrdinal) + QString::fromStdString(message);
}

}  // namespace wizard
