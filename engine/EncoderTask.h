#pragma once
// TFFmpeg: a conversion task as the encoder component holds it. Internal to the engine (and its tests):
// the host reaches tasks only through TFFEncoder.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/EncoderRecords.h"
#include "engine/FFDecode.h"
#include "engine/FFEncode.h"
#include "engine/FFmpeg.h"
#include "engine/Previewer.h"

namespace engine {

// A TCustomFFmpeg plus the decoders lent to the host for its inputs and the kept copies of the option
// records.
class TFFmpeg : public TCustomFFmpeg {
public:
    explicit TFFmpeg(TFFEncoder& owner);
    ~TFFmpeg() override;

    TFFEncoder& Owner() const { return owner_; }
    // The decoder attached to input i (reports on the task's open container without owning it).
    TFFDecoder* InputDecoder(int index) const;
    const TInputOptions* InputOptions(int index) const;
    const TOutputOptions* OutputOptions(int index) const;

private:
    friend class TFFEncoder;
    void BeforeRelease() override;

    TFFEncoder& owner_;
    std::vector<std::unique_ptr<TFFDecoder>> decoders_;
    std::vector<std::unique_ptr<TInputOptions>> inputOptions_;
    std::vector<std::unique_ptr<TOutputOptions>> outputOptions_;
    std::unique_ptr<TPreviewer> previewer_;

    // the conversion thread and its done event (set while no thread runs)
    std::thread thread_;
    std::mutex doneLock_;
    std::condition_variable doneCv_;
    bool threadDone_ = true;
    std::atomic<bool> hasThread_{false};
    std::atomic<TThreadID> threadId_{0};  // of the conversion thread, once it runs
};

}  // namespace engine
