#include <gtest/gtest.h>

#include "engine/EngineError.h"
#include "engine/FFUtils.h"

using namespace engine;

namespace {

FramePtr YuvFrame(int width, int height) {
    FramePtr f = MakeFrame();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width;
    f->height = height;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    return f;
}

}  // namespace

TEST(FormatConverter, AcceptsOnlyBitmapDepths) {
    for (int bits : {8, 15, 16, 24, 32})
        EXPECT_NO_THROW(TFormatConverter{bits});
    try {
        TFormatConverter c(12);
        ADD_FAILURE() << "accepted 12 bits";
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(), "Invalid BitsPixel 12");
    }
}

// What a hook handler paints on the bitmap comes back into the picture, at every depth.
TEST(FormatConverter, BitmapsRoundTripThroughPictures) {
    for (int bits : {8, 15, 16, 24, 32}) {
        TFormatConverter c(bits);
        FramePtr frame = YuvFrame(33, 17);
        TBitmap bmp;
        ASSERT_TRUE(c.FrameToBitmap(frame.get(), bmp)) << bits;
        EXPECT_EQ(bmp.Width, 33);
        EXPECT_EQ(bmp.Height, 17);
        EXPECT_EQ(bmp.BitsPixel, bits);
        EXPECT_EQ(bmp.Stride % 4, 0);
        EXPECT_EQ(bmp.Stride, bits == 8 ? 36 : bits <= 16 ? 68 : bits == 24 ? 100 : 132);
        // A mid-grey picture: every byte of an 8, 24 or 32-bit bitmap takes the same value.
        const int grey = bits == 15 ? 0x4210 : bits == 16 ? 0x8410 : 0x80;
        for (int y = 0; y < bmp.Height; ++y) {
            uint8_t* line = bmp.Line(y);
            for (int x = 0; x < bmp.Width; ++x) {
                if (bits == 15 || bits == 16) {
                    line[2 * x] = grey & 0xff;
                    line[2 * x + 1] = grey >> 8;
                } else {
                    for (int b = 0; b < bits / 8; ++b)
                        line[x * (bits / 8) + b] = 0x80;
                }
            }
        }
        ASSERT_TRUE(c.BitmapToFrame(bmp, frame.get())) << c.LastErrMsg();
        EXPECT_NEAR(frame->data[0][5 * frame->linesize[0] + 7], 0x80, 8) << bits;  // luma of grey
        EXPECT_NEAR(frame->data[1][2 * frame->linesize[1] + 3], 0x80, 4) << bits;  // no colour
        TBitmap back;
        ASSERT_TRUE(c.FrameToBitmap(frame.get(), back));
        if (bits == 15 || bits == 16) {
            const int word = back.Line(5)[0] | back.Line(5)[1] << 8;
            EXPECT_NEAR(bits == 16 ? word >> 11 : (word >> 10) & 0x1f, 16, 1) << bits;  // red of grey
        } else {
            EXPECT_NEAR(back.Line(5)[0], 0x80, 12) << bits;
        }
    }
}

TEST(FormatConverter, AnUnusablePictureGivesABlackBitmapAndTheMessage) {
    TFormatConverter c(24);
    TBitmap bmp;
    bmp.Resize(4, 4, 24);
    std::fill(bmp.Pixels.begin(), bmp.Pixels.end(), 0xff);
    const uint8_t* data[4] = {nullptr, nullptr, nullptr, nullptr};
    const int linesize[4] = {0, 0, 0, 0};
    EXPECT_FALSE(c.PictureToBitmap(data, linesize, AV_PIX_FMT_NONE, 10, 6, bmp));
    EXPECT_EQ(c.LastErrMsg(), "Cannot initialize the toRGB conversion context");
    EXPECT_EQ(bmp.Width, 10);
    EXPECT_EQ(bmp.Height, 6);
    for (uint8_t b : bmp.Pixels)
        ASSERT_EQ(b, 0);
}
