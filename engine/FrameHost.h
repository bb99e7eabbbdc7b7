#pragma once
// What the running stages need of the task around them and nothing more: whether a stop was asked for,
// and the pictures and samples its host watches (the video hooks, the frame hook modules, the audio hook,
// the preview). The task implements it; the decode, filter, audio and encode stages get it by reference.

#include <cstdint>

struct AVFrame;

namespace engine {

class FrameHost {
public:
    // A stop was asked for: the stages finish the frame at hand and take no more.
    virtual bool StopRequested() const = 0;

    // Whether the host looks at decoded pictures; if so each one goes to InputPicture, writable, before it
    // is filtered, and what the host drew on it is what the outputs get.
    virtual bool WatchesInputPictures() const = 0;
    virtual void InputPicture(AVFrame* frame, int64_t ptsUs) = 0;

    // Whether the host looks at the pictures about to be encoded (output hook, preview); if so each copy
    // goes to OutputPicture, writable, with its output time and 1-based number.
    virtual bool WatchesOutputPictures() const = 0;
    virtual void OutputPicture(AVFrame* frame, int64_t timeUs, int frameNumber) = 0;

    // Every block of decoded samples, as the decoder gave it.
    virtual void InputSamples(const AVFrame* frame, int64_t ptsUs, int sampleRate) = 0;

protected:
    ~FrameHost() = default;
};

}  // namespace engine
