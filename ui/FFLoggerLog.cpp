#include "ui/FFLoggerLog.h"

#include <QPointer>

#include "engine/FFLog.h"
#include "ui/FormLog.h"
#include "wizard/LogLine.h"

namespace ui {

void ConnectFFLoggerLog(engine::TFFLogger& logger, TFormLog& formLog, FileOfThreadFn fileOfThread) {
    logger.SetLogLevel(engine::llError);
    QPointer<TFormLog> target(&formLog);
    logger.SetOnLog([target, fileOfThread](engine::TLogSender, engine::TThreadID threadId,
                                           engine::TLogLevel level, const std::string& message) {
        if (!target) return;
        const int file = fileOfThread ? fileOfThread(threadId) : -1;
        target->AppendLine(wizard::FormatEngineLogLine(threadId, static_cast<int>(level), message, file));
    });
}

}  // namespace ui
