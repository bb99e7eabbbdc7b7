// The video filter stage on its own: pictures in, pictures the encoder takes out, times kept.

#include "engine/VideoFilter.h"

#include <gtest/gtest.h>

#include "engine/FFmpeg.h"

namespace {

using namespace engine;

FramePtr GreyPicture(int width, int height, AVPixelFormat format, int64_t pts) {
    FramePtr f = MakeFrame();
    f->width = width;
    f->height = height;
    f->format = format;
    if (av_frame_get_buffer(f.get(), 0) < 0) throw std::bad_alloc();
    for (int plane = 0; plane < 4 && f->data[plane]; ++plane)
        for (int y = 0; y < (plane ? height / 2 : height); ++y)
            std::fill_n(f->data[plane] + y * f->linesize[plane], f->linesize[plane], uint8_t(128));
    f->pts = pts;
    return f;
}

VideoFilterSpec SpecFor(int width, int height, AVPixelFormat format, const char* filters = "") {
    VideoFilterSpec spec;
    spec.width = width;
    spec.height = height;
    spec.pixFmt = format;
    spec.swsFlags = 4;
    spec.filters = filters;
    return spec;
}

}  // namespace

TEST(VideoFilter, GivesTheEncodersSizeAndFormatAndKeepsTheTimes) {
    struct Case {
        const char* name;
        int inWidth, inHeight;
        AVPixelFormat inFormat;
        VideoFilterSpec spec;
        int outWidth, outHeight;
    };
    const Case cases[] = {
        {"same picture: a plain link", 64, 48, AV_PIX_FMT_YUV420P, SpecFor(64, 48, AV_PIX_FMT_YUV420P), 64,
         48},
        {"size", 64, 48, AV_PIX_FMT_YUV420P, SpecFor(32, 24, AV_PIX_FMT_YUV420P), 32, 24},
        {"width only", 64, 48, AV_PIX_FMT_YUV420P, SpecFor(32, 48, AV_PIX_FMT_YUV420P), 32, 48},
        {"height only", 64, 48, AV_PIX_FMT_YUV420P, SpecFor(64, 24, AV_PIX_FMT_YUV420P), 64, 24},
        {"pixel format", 64, 48, AV_PIX_FMT_YUV420P, SpecFor(64, 48, AV_PIX_FMT_YUV444P), 64, 48},
        {"filters choose the size", 64, 48, AV_PIX_FMT_YUV420P,
         SpecFor(64, 48, AV_PIX_FMT_YUV420P, "crop=40:30:0:0"), 40, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VideoFilter filter;
        EXPECT_FALSE(filter.Configured());
        filter.Configure(c.spec, c.inWidth, c.inHeight, c.inFormat, AVRational{1, 1});
        ASSERT_TRUE(filter.Configured());
        EXPECT_EQ(filter.OutputWidth(), c.outWidth);
        EXPECT_EQ(filter.OutputHeight(), c.outHeight);
        const int64_t times[] = {0, 40000, 80000, 3600LL * 1000000};
        for (int64_t t : times)
            filter.Push(GreyPicture(c.inWidth, c.inHeight, c.inFormat, t).get());
        filter.Push(nullptr);
        FramePtr out = MakeFrame();
        std::vector<int64_t> seen;
        while (filter.Pull(out.get())) {
            EXPECT_EQ(out->width, c.outWidth);
            EXPECT_EQ(out->height, c.outHeight);
            EXPECT_EQ(out->format, c.spec.pixFmt);
            seen.push_back(out->pts);
            av_frame_unref(out.get());
        }
        EXPECT_EQ(seen, std::vector<int64_t>(std::begin(times), std::end(times)));
    }
}

TEST(VideoFilter, ChangedPicturesAskForANewGraphAndAFailureLeavesNone) {
    VideoFilter filter;
    filter.Configure(SpecFor(64, 48, AV_PIX_FMT_YUV420P), 64, 48, AV_PIX_FMT_YUV420P, AVRational{1, 1});
    EXPECT_FALSE(filter.InputChanged(GreyPicture(64, 48, AV_PIX_FMT_YUV420P, 0).get()));
    EXPECT_TRUE(filter.InputChanged(GreyPicture(96, 48, AV_PIX_FMT_YUV420P, 0).get()));
    EXPECT_TRUE(filter.InputChanged(GreyPicture(64, 48, AV_PIX_FMT_YUV444P, 0).get()));
    filter.MarkStale();
    EXPECT_FALSE(filter.Configured());

    EXPECT_THROW(filter.Configure(SpecFor(64, 48, AV_PIX_FMT_YUV420P, "nosuchfilter"), 64, 48,
                                  AV_PIX_FMT_YUV420P, AVRational{1, 1}),
                 FFmpegException);
    EXPECT_FALSE(filter.Configured());
    FramePtr out = MakeFrame();
    EXPECT_NO_THROW(filter.Push(GreyPicture(64, 48, AV_PIX_FMT_YUV420P, 0).get()));
    EXPECT_FALSE(filter.Pull(out.get()));
}
