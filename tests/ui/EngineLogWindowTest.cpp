// Engine messages reaching the log window through the main window's logger.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdarg>
#include <thread>

#include "core/SimpleDispatcher.h"
#include "engine/FFLog.h"
#include "engine/ThreadId.h"
#include "ui/FFLoggerLog.h"
#include "ui/FormLog.h"

extern "C" {
#include <libavutil/log.h>
}

namespace ui {
namespace {

void FeedLibrary(int level, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    engine::LibraryLogCallback(nullptr, level, fmt, args);
    va_end(args);
}

void RunMainThreadQueue() {
    static_cast<core::SimpleDispatcher&>(core::mainDispatcher()).processPending();
    QCoreApplication::processEvents();
}

TEST(EngineLogWindowTest, ErrorLevelLinesWithThreadAndLevel) {
    TFormLog formLog;
    engine::TFFLogger logger;
    ConnectFFLoggerLog(logger, formLog);
    logger.HookLibraryLog();
    EXPECT_EQ(logger.LogLevel(), engine::llError);

    const QString self = QString::number(engine::CurrentThreadID());
    logger.Log(nullptr, engine::llError, "cannot open output");
    logger.Log(nullptr, engine::llWarning, "engine warning");   // above llError: dropped
    logger.Log(nullptr, engine::llVerbose, "Stream mapping:");  // the engine's verbose reports still arrive
    logger.Log(nullptr, engine::llDebug, "debug detail");

    // Library output from a conversion thread: the warning is never captured, the error is.
    engine::TThreadID worker = 0;
    std::thread thread([&] {
        worker = engine::CurrentThreadID();
        FeedLibrary(AV_LOG_WARNING, "deprecated pixel format\n");
        FeedLibrary(AV_LOG_ERROR, "Invalid data found when processing input\n");
    });
    thread.join();
    RunMainThreadQueue();

    EXPECT_EQ(formLog.Lines(),
              (QStringList{QStringLiteral("#%1.3: cannot open output").arg(self),
                           QStringLiteral("#%1.6: Stream mapping:").arg(self),
                           QStringLiteral("#%1.3: Invalid data found when processing input").arg(worker)}));
    av_log_set_callback(av_log_default_callback);
}

}  // namespace
}  // namespace ui
