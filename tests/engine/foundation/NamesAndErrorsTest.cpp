#include <gtest/gtest.h>

#include "engine/FFUtils.h"
#include "engine/UnicodeProtocol.h"

extern "C" {
#include <libavutil/error.h>
}

using namespace engine;

TEST(UnicodeNames, TheOldFormIsRecognisedAndDecoded) {
    EXPECT_TRUE(IsUnicodeName("unicode:utf8:/a"));
    EXPECT_FALSE(IsUnicodeName("unicode:utf8:"));  // fewer than 14 bytes
    EXPECT_FALSE(IsUnicodeName("Unicode:utf8:/a"));
    EXPECT_EQ(DecodeUnicodeName("unicode:utf8:/tmp/vidéo 日本.mp4"), "/tmp/vidéo 日本.mp4");
    EXPECT_EQ(DecodeUnicodeName("/tmp/plain.mp4"), "/tmp/plain.mp4");
    EXPECT_EQ(EncodeUnicodeName("/x/é.avi"), "unicode:utf8:/x/é.avi");
}

TEST(UnicodeNames, NamesHandedToTheLibraries) {
    const struct {
        const char* given;
        const char* library;
    } cases[] = {
        {"/tmp/vidéo.mp4", "/tmp/vidéo.mp4"},
        {"unicode:utf8:/tmp/vidéo.mp4", "/tmp/vidéo.mp4"},
        {"http://example.com/a.flv", "http://example.com/a.flv"},  // URLs are never wrapped
        {"udp://239.0.0.1:1234", "udp://239.0.0.1:1234"},
        {"clip:1.mp4", "file:clip:1.mp4"},  // a local name FFmpeg would take for a protocol
        {"relative/a:b.mp4", "relative/a:b.mp4"},
        {"unicode:utf8:clip:1.mp4", "file:clip:1.mp4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToLibraryName(c.given), c.library) << c.given;
        EXPECT_EQ(FromLibraryName(ToLibraryName(c.given)), DecodeUnicodeName(c.given)) << c.given;
    }
    EXPECT_EQ(FromLibraryName("file:/tmp/x.mp4"), "file:/tmp/x.mp4");  // a caller's own file: URL stays
}

TEST(ErrorTexts, TheTableMatchesTheLibraryCodes) {
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {AVERROR_MUXER_NOT_FOUND, "Muxer not found"},
        {AVERROR_STREAM_NOT_FOUND, "Stream not found"},
        {AVERROR_PROTOCOL_NOT_FOUND, "Protocol not found"},
        {AVERROR_DEMUXER_NOT_FOUND, "Demuxer not found"},
        {AVERROR_FILTER_NOT_FOUND, "Filter not found"},
        {AVERROR_BSF_NOT_FOUND, "Bitstream filter not found"},
        {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
        {AVERROR_ENCODER_NOT_FOUND, "Encoder not found"},
        {AVERROR_DECODER_NOT_FOUND, "Decoder not found"},
        {AVERROR(ENOENT), "No such file or directory"},
        {AVERROR(EACCES), "Permission denied"},
        {AVERROR(EISDIR), "Is a directory"},
        {AVERROR(EAGAIN), "Resource temporarily unavailable / Try again"},
        {-10061, "Connection refused"},
        {-10035, "WSAEWOULDBLOCK"},
        {AVERROR_EOF, "End of file"},
        {AVERROR_INVALIDDATA, "Invalid argument / Invalid data found when processing input"},
        {AVERROR(EINVAL), "Invalid argument / Invalid data found when processing input"},
        {AVERROR_EXIT, "Immediate exit requested"},  // the library's own text for codes the table lacks
        {-41, "Error number -41 occurred"},
        {12345, "Error number 12345 occurred"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FFErrorText(c.code), c.text) << c.code;
    EXPECT_EQ(FFErrorMessage("/x/a.mp4", AVERROR(ENOENT)), "/x/a.mp4: No such file or directory");
}
