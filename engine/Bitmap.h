#pragma once
// The engine's picture for the host: rows top line first, each row padded to a multiple of 4 bytes.
// 24 bits per pixel is packed B, G, R (what CopyToBitmap makes; the ui wraps it as a QImage of
// Format_BGR888 with bytesPerLine = Stride). Other depths exist for the hooks: 8 gray, 15 RGB555,
// 16 RGB565 (both little-endian words), 32 B, G, R, unused.

#include <cstdint>
#include <vector>

namespace engine {

struct TBitmap {
    int Width = 0;
    int Height = 0;
    int BitsPixel = 24;
    int Stride = 0;  // bytes per row
    // The width of one pixel over its height as the picture is meant to be shown (an anamorphic picture,
    // e.g. 640x420 shown as 16:9, has 7/6); 1 for square pixels.
    double PixelAspect = 1.0;
    std::vector<std::uint8_t> Pixels;

    // 15-bit pixels take a 16-bit word like 16-bit ones.
    static int BytesPerPixel(int bitsPixel) { return (bitsPixel + 7) / 8; }
    static int StrideFor(int width, int bitsPixel) { return (width * BytesPerPixel(bitsPixel) + 3) / 4 * 4; }

    // Sizes the picture (contents zeroed, i.e. black).
    void Resize(int width, int height, int bitsPixel) {
        Width = width;
        Height = height;
        BitsPixel = bitsPixel;
        Stride = StrideFor(width, bitsPixel);
        Pixels.assign(static_cast<std::size_t>(Stride) * static_cast<std::size_t>(height), 0);
    }
    bool Empty() const { return Width <= 0 || Height <= 0; }
    std::uint8_t* Line(int y) { return Pixels.data() + static_cast<std::size_t>(y) * Stride; }
    const std::uint8_t* Line(int y) const { return Pixels.data() + static_cast<std::size_t>(y) * Stride; }
};

}  // namespace engine
