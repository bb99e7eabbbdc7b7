#pragma once
// The engine logger's OnLog handler: every message that reaches the main window becomes one line of the log
// window, "#" thread "." level ": " message. The main window's logger runs at llError, so library warnings
// are never captured while the engine's own verbose reports still arrive.

#include <cstdint>
#include <functional>

namespace engine {
class TFFLogger;
}

namespace ui {

class TFormLog;

// The file number of a conversion thread (-1: none); see wizard::ConversionRun::FileOfThread.
using FileOfThreadFn = std::function<int(uint32_t threadId)>;

// Sets the logger's level to llError and its OnLog handler to append to the log window, each line of a
// file's conversion with the file's number. The handler does nothing once the log window is gone.
void ConnectFFLoggerLog(engine::TFFLogger& logger, TFormLog& formLog, FileOfThreadFn fileOfThread = nullptr);

}  // namespace ui
