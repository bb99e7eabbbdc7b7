#pragma once
// Shared helpers of the engine: the error texts of library codes and the picture-to-bitmap converter.

#include <string>

#include "engine/Bitmap.h"
#include "engine/FFWrappers.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace engine {

// The text of a library error code: the engine's table (errno and FFmpeg's tagged codes), FFmpeg's own
// text for other tagged codes, else "Error number %d occurred".
std::string FFErrorText(int code);
// "<name>: <text of code>", the form messages about a file use.
std::string FFErrorMessage(const std::string& name, int code);

// Why a local name must not be opened as a media file: it names a folder or something that is not a
// regular file (a pipe or a device would block the reader). Empty when the name may be opened: a regular
// file, a name that does not exist (opening reports that) or a URL.
std::string NotAFileMessage(const std::string& name);

// Converts decoded pictures into TBitmaps of one depth (8, 15, 16, 24 or 32 bits) and back.
class TFormatConverter {
public:
    // Throws EngineError("Invalid BitsPixel %d") for other depths.
    explicit TFormatConverter(int bitsPixel = 24);
    TFormatConverter(const TFormatConverter&) = delete;
    TFormatConverter& operator=(const TFormatConverter&) = delete;

    int BitsPixel() const { return bitsPixel_; }
    void SetBitsPixel(int bitsPixel);
    // The pixel format of bitmaps of this depth.
    AVPixelFormat BitmapPixelFormat() const;
    const std::string& LastErrMsg() const { return lastErrMsg_; }

    // Makes bmp a bitmap of the picture's size. A picture already in the bitmap's layout is copied; any
    // other goes through the scaler (bicubic, same size). If the scaler cannot be set up, bmp is black,
    // LastErrMsg is "Cannot initialize the toRGB conversion context" and the result is false.
    bool PictureToBitmap(const uint8_t* const data[], const int linesize[], AVPixelFormat format, int width,
                         int height, TBitmap& bmp);
    bool FrameToBitmap(const AVFrame* frame, TBitmap& bmp);
    // Copies a bitmap of this depth back into a picture of the frame's format and size (hooks that paint
    // on the picture). False with LastErrMsg "Cannot initialize the fromRGB conversion context" on failure.
    bool BitmapToFrame(const TBitmap& bmp, AVFrame* frame);

private:
    int bitsPixel_;
    std::string lastErrMsg_;
    SwsContextPtr toRGB_;
    SwsContextPtr fromRGB_;
};

}  // namespace engine
