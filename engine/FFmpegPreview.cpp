// What the host sees of the pictures on their way to the encoder: the video output hook and the preview.

#include "engine/FFmpeg.h"
#include "engine/FFmpegStreams.h"
#include "engine/StrFormat.h"

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

}  // namespace

void TCustomFFmpeg::PreviewAndHook(OutputStream& ost, AVFrame* frame, int64_t timeUs, int frameNumber) {
    if (VideoOutputHookOn && OnVideoOutputHook) {
        if (!hostView_.hookConverter)
            hostView_.hookConverter = std::make_unique<TFormatConverter>(HookBitsPixel);
        TBitmap bmp;
        if (!hostView_.hookConverter->FrameToBitmap(frame, bmp)) {
            Log(llError, hostView_.hookConverter->LastErrMsg());
            VideoOutputHookOn = false;
        } else {
            THookInfo info;
            info.Bitmap = &bmp;
            info.FrameNumber = frameNumber;
            info.PTS = timeUs;
            try {
                OnVideoOutputHook(*this, info);
                if (info.Update && !hostView_.hookConverter->BitmapToFrame(bmp, frame)) {
                    Log(llError, hostView_.hookConverter->LastErrMsg());
                    VideoOutputHookOn = false;
                }
            } catch (const std::exception& e) {
                Log(llError, std::string("Error occurs VideoHook event: ") + e.what());
            }
            if (info.StopHook) VideoOutputHookOn = false;
        }
    }
    if (!(preview_ || previewBitmap_)) return;
    const int64_t now = av_gettime_relative();
    if (hostView_.lastPreviewTime != std::numeric_limits<int64_t>::min() &&
        now - hostView_.lastPreviewTime < PreviewInterval)
        return;
    hostView_.lastPreviewTime = now;
    if (!hostView_.previewConverter) hostView_.previewConverter = std::make_unique<TFormatConverter>(24);
    auto bmp = std::make_shared<TBitmap>();
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

}  // namespace engine
