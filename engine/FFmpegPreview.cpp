// The task as the stages' FrameHost: what the host sees of the pictures and samples (its video hooks,
// the frame hook modules, the audio hook, the preview).

#include "engine/FFmpeg.h"
#include "engine/FrameHook.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

extern "C" {
#include <libavutil/time.h>
}

namespace engine {

namespace {

std::string FormatPictureTime(int64_t us) {
    if (us < 0) return "N/A";
    const int64_t ms = us / 1000;
    return FormatStr("%.2d:%.2d:%.2d.%.3d", static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                     static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
}

// A picture's pixel shape; square when the frame does not say.
double PixelAspectOf(const AVFrame* frame) {
    const AVRational sar = frame->sample_aspect_ratio;
    return sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
}

}  // namespace

// Shows the picture to one of the host's video hooks as a bitmap and takes back what the hook drew. A hook
// whose picture cannot be converted, or that asks to stop, is switched off.
void TCustomFFmpeg::CallVideoHook(const VideoHookEvent& hook, bool& enabled, AVFrame* frame, int frameNumber,
                                  int64_t pts) {
    if (!hostView_.hookConverter) hostView_.hookConverter = std::make_unique<TFormatConverter>(HookBitsPixel);
    TFormatConverter& converter = *hostView_.hookConverter;
    TBitmap bmp;
    if (!converter.FrameToBitmap(frame, bmp)) {
        Log(llError, converter.LastErrMsg());
        enabled = false;
        return;
    }
    THookInfo info;
    info.Bitmap = &bmp;
    info.FrameNumber = frameNumber;
    info.PTS = pts;
    try {
        hook(*this, info);
        if (info.Update && !converter.BitmapToFrame(bmp, frame)) {
            Log(llError, converter.LastErrMsg());
            enabled = false;
        }
    } catch (const std::exception& e) {
        Log(llError, std::string("Error occurs VideoHook event: ") + e.what());
    }
    if (info.StopHook) enabled = false;
}

bool TCustomFFmpeg::WatchesInputPictures() const {
    return (VideoInputHookOn && OnVideoInputHook) || !hooks_.empty();
}

// The video input hook, then the hook modules in their order.
void TCustomFFmpeg::InputPicture(AVFrame* frame, int64_t ptsUs) {
    if (VideoInputHookOn && OnVideoInputHook)
        CallVideoHook(OnVideoInputHook, VideoInputHookOn, frame, 0, ptsUs);
    for (auto& hook : hooks_)
        hook->Process(frame, ptsUs);
}

bool TCustomFFmpeg::WatchesOutputPictures() const {
    return (VideoOutputHookOn && OnVideoOutputHook) || preview_ || previewBitmap_;
}

// The video output hook, then the preview: a bitmap for the host (PreviewBitmap) or its preview window,
// at most one every PreviewInterval.
void TCustomFFmpeg::OutputPicture(AVFrame* frame, int64_t timeUs, int frameNumber) {
    if (VideoOutputHookOn && OnVideoOutputHook)
        CallVideoHook(OnVideoOutputHook, VideoOutputHookOn, frame, frameNumber, timeUs);
    if (!(preview_ || previewBitmap_)) return;
    const int64_t now = av_gettime_relative();
    if (hostView_.lastPreviewTime != std::numeric_limits<int64_t>::min() &&
        now - hostView_.lastPreviewTime < PreviewInterval)
        return;
    hostView_.lastPreviewTime = now;
    if (!hostView_.previewConverter) hostView_.previewConverter = std::make_unique<TFormatConverter>(24);
    auto bmp = std::make_shared<TBitmap>();
    bmp->PixelAspect = PixelAspectOf(frame);
    if (previewBitmap_ && OnPreview) {
        if (!hostView_.previewConverter->FrameToBitmap(frame, *bmp)) {
            Log(llError, hostView_.previewConverter->LastErrMsg());
            previewBitmap_ = false;
            return;
        }
        OnPreview(*this, bmp, frameNumber, timeUs);
    } else if (preview_ && OnPreviewWindow) {
        if (!hostView_.previewConverter->FrameToBitmap(frame, *bmp)) {
            Log(llError, hostView_.previewConverter->LastErrMsg());
            return;
        }
        OnPreviewWindow(*this, bmp, FormatPictureTime(timeUs));
    }
}

void TCustomFFmpeg::InputSamples(const AVFrame* frame, int64_t ptsUs, int sampleRate) {
    if (!(AudioHookOn && OnAudioHook)) return;
    const int size = av_samples_get_buffer_size(nullptr, frame->ch_layout.nb_channels, frame->nb_samples,
                                                AVSampleFormat(frame->format), 1);
    OnAudioHook(*this, ptsUs, frame->extended_data[0], size, sampleRate, frame->ch_layout.nb_channels,
                frame->format);
}

}  // namespace engine
