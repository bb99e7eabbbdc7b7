#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cinttypes>
#include <future>
#include <map>
#include <thread>

#include "LogCollector.h"
#include "engine/EngineError.h"
#include "engine/FFLoad.h"
#include "engine/FFLog.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

using namespace engine;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class LibraryLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadAVLib("lib"));
        log.logger().HookLibraryLog();
        // The repeat detection is shared by all tests: start from a line no test repeats.
        av_log(nullptr, AV_LOG_ERROR, "%s\n",
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        log.clear();
    }

    LogCollector log{llDebug};
};

}  // namespace

TEST(LogLevels, LibraryLevelConversionsFollowTheSteps) {
    const struct {
        int lib;
        TLogLevel level;
    } cases[] = {{-8, llQuiet}, {-1, llQuiet}, {0, llPanic},    {7, llPanic},   {8, llFatal},
                 {16, llError}, {20, llError}, {24, llWarning}, {32, llInfo},   {40, llVerbose},
                 {48, llDebug}, {56, llDebug}, {-100, llQuiet}, {1000, llDebug}};
    for (const auto& c : cases)
        EXPECT_EQ(LibLevelToLogLevel(c.lib), c.level) << "library level " << c.lib;
    const int back[] = {-8, 0, 8, 16, 24, 32, 40, 48};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(LogLevelToLibLevel(TLogLevel(i)), back[i]);
}

TEST(LogLevels, SetLogLevelByNameTakesNamesAndNumbers) {
    TFFLogger logger;
    const struct {
        const char* text;
        TLogLevel level;
    } cases[] = {{"Warning", llWarning}, {"WARNING", llWarning}, {"quiet", llQuiet}, {"Debug", llDebug},
                 {"24", llWarning},      {"20", llError},        {"-8", llQuiet},    {"99", llDebug}};
    for (const auto& c : cases) {
        logger.SetLogLevelByName(c.text);
        EXPECT_EQ(logger.LogLevel(), c.level) << c.text;
    }
    for (const char* bad : {"loud", "", "12abc", "2 4"}) {
        try {
            logger.SetLogLevelByName(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EngineError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(Logger, OnlyOneHostInstanceAtATime) {
    {
        TFFLogger first;
        EXPECT_EQ(&FFLogger(), &first);
        try {
            TFFLogger second;
            ADD_FAILURE() << "a second logger was created";
        } catch (const EngineError& e) {
            EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
        }
        EXPECT_EQ(&FFLogger(), &first);
    }
    // Without a host logger the engine's own instance takes messages and drops them.
    TFFLogger& engineOwned = FFLogger();
    EXPECT_FALSE(engineOwned.HasOnLog());
    Log(nullptr, llError, "dropped");
    TFFLogger again;  // allowed once the first is gone, even though the engine's own exists
    EXPECT_EQ(&FFLogger(), &again);
}

TEST(Logger, EngineMessagesFollowTheLevelRules) {
    LogCollector log(llError);
    int sender = 0;
    Log(&sender, llError, "error");
    Log(&sender, llWarning, "warning");
    Log(&sender, llInfo, "info");
    Log(&sender, llVerbose, "verbose");  // reaches a host at llError
    Log(&sender, llDebug, "debug");
    LogFmt(&sender, llQuiet, "quiet %d", 1);
    EXPECT_THAT(log.messages(), ElementsAre("error", "verbose", "quiet 1"));
    const auto lines = log.lines();
    EXPECT_EQ(lines[0].sender, &sender);
    EXPECT_EQ(lines[0].threadId, CurrentThreadID());
    EXPECT_EQ(lines[1].level, llVerbose);
    EXPECT_EQ(log.logger().LastLogInfo().LogMsg, "quiet 1");

    log.clear();
    log.logger().SetLogLevel(llQuiet);
    for (int l = llPanic; l <= llDebug; ++l)
        Log(nullptr, TLogLevel(l), "x");
    Log(nullptr, llQuiet, "task failed");  // the level of task errors: delivered whenever there is a handler
    EXPECT_THAT(log.messages(), ElementsAre("task failed"));
}

TEST(Logger, EngineMessagesOfWorkersRunOnTheMainThreadAndWait) {
    LogCollector log(llInfo);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        Log(nullptr, llError, "from worker");
        done = true;  // only after the handler has run on the main thread
    });
    auto& d = core::mainDispatcher();
    EXPECT_TRUE(d.waitUntil([&] { return done.load(); }, std::chrono::seconds(10)));
    worker.join();
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].ranOn, std::this_thread::get_id());
    EXPECT_NE(lines[0].threadId, CurrentThreadID());

    // Without TriggerEventInMainThread the handler runs on the worker.
    log.clear();
    log.logger().SetTriggerEventInMainThread(false);
    std::thread::id workerId;
    std::thread direct([&] {
        workerId = std::this_thread::get_id();
        Log(nullptr, llError, "direct");
    });
    direct.join();
    const auto direct_lines = log.lines();
    ASSERT_EQ(direct_lines.size(), 1u);
    EXPECT_EQ(direct_lines[0].ranOn, workerId);
}

TEST_F(LibraryLogTest, PartialLinesAreHeldPerThread) {
    av_log(nullptr, AV_LOG_ERROR, "held ");
    std::thread other([] { av_log(nullptr, AV_LOG_ERROR, "other thread line\n"); });
    other.join();
    av_log(nullptr, AV_LOG_ERROR, "and completed\n");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    std::map<std::string, LoggedLine> byMsg;
    for (const auto& l : lines)
        byMsg[l.msg] = l;
    ASSERT_TRUE(byMsg.count("held and completed"));
    ASSERT_TRUE(byMsg.count("other thread line"));
    EXPECT_EQ(byMsg["held and completed"].threadId, CurrentThreadID());
    EXPECT_NE(byMsg["other thread line"].threadId, CurrentThreadID());
    EXPECT_EQ(byMsg["other thread line"].ranOn, std::this_thread::get_id());  // handed to the main thread
    EXPECT_EQ(byMsg["held and completed"].level, llError);
    EXPECT_EQ(byMsg["held and completed"].sender, &log.logger());
}

TEST_F(LibraryLogTest, OneChunkWithSeveralLineFeedsGivesSeveralLines) {
    av_log(nullptr, AV_LOG_WARNING, "one\ntwo\nthree");
    av_log(nullptr, AV_LOG_WARNING, "\n");
    EXPECT_THAT(log.messages(), ElementsAre("one", "two", "three"));
    EXPECT_EQ(log.lines()[0].level, llWarning);
}

TEST_F(LibraryLogTest, RepeatedLinesCollapseWithTheirCount) {
    for (int i = 0; i < 10; ++i)
        av_log(nullptr, AV_LOG_ERROR, "same line\n");
    av_log(nullptr, AV_LOG_ERROR, "next line\n");
    EXPECT_THAT(log.messages(), ElementsAre("same line", "    Last message repeated 9 times", "next line"));
}

TEST_F(LibraryLogTest, LongMessagesArriveWhole) {
    const std::string big(10000, 'x');
    av_log(nullptr, AV_LOG_ERROR, "%s|%d\n", big.c_str(), 42);
    const auto msgs = log.messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0], big + "|42");
}

TEST_F(LibraryLogTest, ContextPrefixStartsALineOnly) {
    AVCodecContext* cc = avcodec_alloc_context3(nullptr);
    av_log(cc, AV_LOG_ERROR, "first part ");
    av_log(cc, AV_LOG_ERROR, "second part\n");
    const std::string address = FormatStr("%08" PRIXPTR, reinterpret_cast<uintptr_t>(cc));
    avcodec_free_context(&cc);
    EXPECT_THAT(log.messages(), ElementsAre("[NULL @ " + address + "]first part second part"));
}

TEST_F(LibraryLogTest, LibraryLevelFiltersBeforeCapture) {
    log.logger().SetLogLevel(llError);
    EXPECT_EQ(LibraryLogLevel(), 16);
    EXPECT_EQ(av_log_get_level(), 16);
    av_log(nullptr, AV_LOG_WARNING, "a warning with no line feed");  // not even held
    av_log(nullptr, AV_LOG_ERROR, "an error\n");
    EXPECT_THAT(log.messages(), ElementsAre("an error"));
    log.logger().SetLogLevel(llDebug);
}

// A library thread logging while the main thread logs too must never wait on each other
// (the main thread does not serve its queue here at all).
TEST_F(LibraryLogTest, CaptureNeverBlocksOnTheMainThreadAndKeepsOrderPerThread) {
    constexpr int kLines = 300;
    auto worker = std::async(std::launch::async, [] {
        for (int i = 0; i < kLines; ++i)
            av_log(nullptr, AV_LOG_ERROR, "worker %d\n", i);
    });
    for (int i = 0; i < kLines; ++i)
        av_log(nullptr, AV_LOG_ERROR, "main %d\n", i);
    ASSERT_EQ(worker.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "capture blocked";
    int nextWorker = 0, nextMain = 0;
    for (const std::string& m : log.messages()) {
        if (m.rfind("worker ", 0) == 0) {
            EXPECT_EQ(m, "worker " + std::to_string(nextWorker++));
        } else if (m.rfind("main ", 0) == 0) {
            EXPECT_EQ(m, "main " + std::to_string(nextMain++));
        }
    }
    EXPECT_EQ(nextWorker, kLines);
    EXPECT_EQ(nextMain, kLines);
}

// A queued line whose logger is gone by the time the main thread runs it is dropped, not delivered to freed
// memory.
TEST(LibraryLogLifetime, LinesQueuedForADestroyedLoggerAreDropped) {
    ASSERT_TRUE(LoadAVLib("lib"));
    auto log = std::make_unique<LogCollector>(llDebug);
    std::thread([] { av_log(nullptr, AV_LOG_ERROR, "queued line\n"); }).join();
    log.reset();
    EXPECT_GE(static_cast<core::SimpleDispatcher&>(core::mainDispatcher()).processPending(), 1);
}
