#pragma once
// A host logger for tests: collects every delivered event and the thread it ran on.

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/SimpleDispatcher.h"
#include "engine/FFLog.h"

struct LoggedLine {
    engine::TLogSender sender;
    engine::TThreadID threadId;
    engine::TLogLevel level;
    std::string msg;
    std::thread::id ranOn;
};

class LogCollector {
public:
    explicit LogCollector(engine::TLogLevel level = engine::llDebug)
        : logger_(std::make_unique<engine::TFFLogger>()) {
        logger_->SetLogLevel(level);
        logger_->SetOnLog(
            [this](engine::TLogSender s, engine::TThreadID t, engine::TLogLevel l, const std::string& m) {
                std::lock_guard<std::mutex> lock(mutex_);
                lines_.push_back(LoggedLine{s, t, l, m, std::this_thread::get_id()});
            });
    }

    engine::TFFLogger& logger() { return *logger_; }

    // Runs what other threads queued for the main thread, then returns a copy of everything so far.
    std::vector<LoggedLine> lines() {
        static_cast<core::SimpleDispatcher&>(core::mainDispatcher()).processPending();
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

    std::vector<std::string> messages() {
        std::vector<std::string> out;
        for (const LoggedLine& l : lines())
            out.push_back(l.msg);
        return out;
    }

    void clear() {
        lines();
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<LoggedLine> lines_;
    std::unique_ptr<engine::TFFLogger> logger_;  // destroyed first: no handler runs on a dead collector
};
