#pragma once
// The filter stage of one output video stream: a libavfilter graph from decoded pictures to pictures the
// encoder takes (its size and pixel format), through the user's filters if any. With no filters it is a
// plain "null" link, and libavfilter inserts the scaler a change of size or format needs.

#include <string>
#include <utility>
#include <vector>

#include "engine/FFWrappers.h"

namespace engine {

struct VideoFilterSpec {
    std::string filters;  // the user's filter chain; empty for none
    int width = 0, height = 0;
    int pixFmt = -1;  // what the encoder takes
    // Keep the picture's shape: scale it to fit inside width x height as the encoder's pixel shape (sar)
    // shows it, and fill the rest with black bars, rather than stretch it to the frame.
    bool keepShape = false;
    AVRational sar{0, 1};  // the encoder's pixel shape; 0 means square
    int swsFlags = 0;
    std::vector<std::pair<std::string, std::string>> scalerOptions;  // further swscale options
    int threads = 0;
};

class VideoFilter {
public:
    // Builds the graph for pictures of this size, format and aspect; raises FFmpegException on failure.
    // The graph's own output size can differ from spec's when the filters choose it (OutputWidth/Height).
    void Configure(const VideoFilterSpec& spec, int width, int height, int pixFmt, AVRational sar);
    bool Configured() const { return graph_ != nullptr && !stale_; }
    // Asks for a new graph before the next picture (the input changed, as at the next file of a join).
    void MarkStale() { stale_ = true; }
    // True when a picture of another size or format reaches a configured graph.
    bool InputChanged(const AVFrame* frame) const;

    // Sends a picture whose pts is in microseconds (nullptr: the end of the pictures).
    void Push(AVFrame* frame);
    // The next filtered picture, its pts in microseconds; false when the graph holds none now.
    bool Pull(AVFrame* out);

    int OutputWidth() const;
    int OutputHeight() const;

private:
    // The filters taking the graph's pictures to the wanted size and shape, ending at next; returns the
    // first.
    static AVFilterContext* FinalStage(AVFilterGraph* g, const VideoFilterSpec& spec, AVFilterContext* next);

    FilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    int inWidth_ = 0, inHeight_ = 0, inFormat_ = -1;
    bool stale_ = false;
};

}  // namespace engine
