#include "wizard/LogLine.h"

namespace wizard {

QString FormatEngineLogLine(uint64_t threadId, int levelOrdinal, const std::string& message, int file) {
    const QString prefix = QStringLiteral("#%1.%2: ").arg(threadId).arg(levelOrdinal);
    const QString fileTag = file >= 0 ? QStringLiteral("File (%1): ").arg(file) : QString();
    return prefix + fileTag + QString::fromStdString(message);
}

}  // namespace wizard
