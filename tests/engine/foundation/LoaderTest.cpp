#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LogCollector.h"
#include "engine/FFLoad.h"

extern "C" {
#include <libavcodec/version.h>
#include <libavfilter/avfilter.h>
#include <libavutil/log.h>
#include <libswscale/version.h>
}

using namespace engine;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

unsigned FilterOneMajorAhead(TLibrary lib) {
    if (lib == libAVFilter) return static_cast<unsigned>(LIBAVFILTER_VERSION_MAJOR + 1) << 16 | 2 << 8 | 3;
    return static_cast<unsigned>(TFFLoader::BuildMajor(lib)) << 16;
}

struct RestoreLoader {
    ~RestoreLoader() {
        FFLoader().SetVersionQuery(nullptr);
        EXPECT_TRUE(LoadAVLib("lib"));
    }
};

}  // namespace

TEST(Loader, LoadAVLibLoadsTheEncoderLibrariesAndHooksTheLog) {
    LogCollector log(llInfo);
    ASSERT_TRUE(LoadAVLib("/opt/reel/lib")) << AVLibLastErrMsg();
    EXPECT_TRUE(AVLibLoaded());
    EXPECT_EQ(FFLoader().LibraryPath(), "/opt/reel/lib");
    for (int i = 0; i < kLibraryCount; ++i)
        EXPECT_EQ(FFLoader().LibLoaded(TLibrary(i)), i != libAVDevice) << TFFLoader::LibraryName(TLibrary(i));
    av_log(nullptr, AV_LOG_ERROR, "captured after loading\n");
    EXPECT_THAT(log.messages(), ::testing::Contains("captured after loading"));
    // Loading again is harmless and keeps everything loaded.
    EXPECT_TRUE(LoadAVLib("/opt/reel/lib"));
    EXPECT_TRUE(FFLoader().Load(AllLibraries));
    EXPECT_TRUE(FFLoader().Loaded(AllLibraries));
}

TEST(Loader, LibraryFileNamesCarryTheBuildMajor) {
    EXPECT_EQ(FFLoader().LibraryFileName(libAVCodec),
              "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR));
    EXPECT_EQ(FFLoader().LibraryFileName(libSwScale),
              "libswscale.so." + std::to_string(LIBSWSCALE_VERSION_MAJOR));
}

TEST(Loader, AMismatchedMajorFailsTheWholeSetWithTheLoadMessage) {
    RestoreLoader restore;
    FFLoader().Unload(AllLibraries);
    FFLoader().SetVersionQuery(&FilterOneMajorAhead);
    EXPECT_FALSE(LoadAVLib("lib"));
    const std::string expectedStart =
        "Load library libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR) + " error: ";
    EXPECT_THAT(AVLibLastErrMsg(), StartsWith(expectedStart));
    EXPECT_THAT(AVLibLastErrMsg(), HasSubstr(std::to_string(LIBAVFILTER_VERSION_MAJOR + 1) + ".2.3"));
    EXPECT_EQ(AVLibLastErrMsg().find('\n'), std::string::npos);  // one line in the log window
    EXPECT_FALSE(AVLibLoaded());
    for (int i = 0; i < kLibraryCount; ++i)
        EXPECT_FALSE(FFLoader().LibLoaded(TLibrary(i)))
            << "left loaded: " << TFFLoader::LibraryName(TLibrary(i));
    // A library outside the failing one loads on its own.
    EXPECT_TRUE(FFLoader().LoadLib(libAVCodec));
}
