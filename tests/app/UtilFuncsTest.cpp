#include <gtest/gtest.h>

#include "../common/HomeOverride.h"
#include "TempDir.h"
#include "app/UtilFuncs.h"

using namespace app;

namespace {

TEST(UtilFuncs, PathAndNameRules) {
    EXPECT_EQ(AddTrailingBackslash("/music"), "/music/");
    EXPECT_EQ(AddTrailingBackslash("/"), "/");
    EXPECT_EQ(AddTrailingBackslash(""), "");  // never the root folder
    struct Case {
        const char* name;
        bool valid;
        const char* cleaned;
    } cases[] = {
        {"AC/DC: Live?", false, "AC_DC_ Live_"},
        {"a\\b*c\"d<e>f|g", false, "a_b_c_d_e_f_g"},
        {"plain name.mp4", true, "plain name.mp4"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidFileName(c.name), c.valid) << c.name;
        EXPECT_EQ(CleanFileName(c.name), c.cleaned) << c.name;
    }
    EXPECT_EQ(StripFileExt("/a.dir/file.tar.gz"), "/a.dir/file.tar");
    EXPECT_EQ(StripFileExt("/a.dir/noext"), "/a.dir/noext");
    EXPECT_EQ(FileExt("/a.dir/noext"), "");
}

TEST(UtilFuncs, UniqueFileNameNumbersBeforeTheExtension) {
    TempDir tmp;
    for (const char* f : {"song.mp3", "song(1).mp3", "a.b.mp3", "clip", "100% live.mp3"})
        tmp.write(f, "x");
    EXPECT_EQ(UniqueFileName("new.mp3", tmp.path()), "new.mp3");
    EXPECT_EQ(UniqueFileName("song.mp3", tmp.path()), "song(2).mp3");
    EXPECT_EQ(UniqueFileName("a.b.mp3", tmp.path() + "/"), "a.b(1).mp3");
    EXPECT_EQ(UniqueFileName("clip", tmp.path()), "clip(1)");
    EXPECT_EQ(UniqueFileName("100% live.mp3", tmp.path()), "100% live(1).mp3");
    const QSet<QString> reserved{"new.mp3", "new(1).mp3"};
    EXPECT_EQ(UniqueFileName("new.mp3", tmp.path(), &reserved), "new(2).mp3");
}

TEST(UtilFuncs, TimeFormats) {
    EXPECT_EQ(FormatSeconds(3725), "01:02:05");
    EXPECT_EQ(FormatSeconds(360000), "100:00:00");
    EXPECT_EQ(FormatSeconds(0), "00:00:00");
    EXPECT_EQ(FormatMicroseconds(5025678901LL), "01:23:45.678");
    EXPECT_EQ(FormatMicroseconds(-1), "00:00:00.000");
    EXPECT_EQ(FormatMicroseconds(90000000000LL), "25:00:00.000");  // hours do not wrap at 24
}

TEST(UtilFuncs, KnownMediaExtensions) {
    for (const char* ext : {".mp3", ".MP3", ".Flac", ".rmvb", ".mpg", ".swf"})
        EXPECT_TRUE(IsKnownMediaExtension(ext)) << ext;
    for (const char* ext : {".mpeg", "mp3", ".txt", ""})
        EXPECT_FALSE(IsKnownMediaExtension(ext)) << ext;
}

TEST(UtilFuncs, SplitString) {
    struct Case {
        const char* text;
        const char* sep;
        QStringList items;
    } cases[] = {
        {"a,,b,", ",", {"a", "", "b"}},
        {"abc", ",", {"abc"}},
        {"abc,", ",", {"abc"}},
        {"", ",", {}},
        {",", ",", {""}},
        {"k1=v1&&k2=v2", "&&", {"k1=v1", "k2=v2"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitString(c.text, c.sep), c.items) << c.text;
}

TEST(UtilFuncs, DecodeHtmlEntities) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"Tom &amp; Jerry &#39;s &quot;show&quot;", "Tom & Jerry 's \"show\""},
        {"&lt;b&gt;&nbsp;x", "<b> x"},
        {"Caf&#233; &#8217;", "Café ’"},                 // whole code points
        {"&a &l &g &n &q &amp", "&a &l &g &n &q &amp"},  // not entities: kept
        {"&#x41; &#; &#12a; &#99", "&#x41; &#; &#12a; &#99"},
        {"&#0; &#99999999;", "&#0; &#99999999;"},  // no NUL, nothing out of range
        {"&&amp;", "&&"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeHtmlEntities(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(UtilFuncs, SpecialFoldersFollowXdg) {
    TempDir tmp;
    const HomeOverride home(tmp.path());
    EXPECT_EQ(GetSpecialFolder("AppData"), tmp.path() + "/.config");
    EXPECT_EQ(GetSpecialFolder("Personal"), tmp.path());  // no Documents folder: the home folder
    QDir(tmp.path()).mkdir("Documents");
    EXPECT_EQ(GetSpecialFolder("Personal"), tmp.path() + "/Documents");
    qputenv("XDG_CONFIG_HOME", (tmp.path() + "/cfg").toUtf8());
    EXPECT_EQ(GetSpecialFolder("AppData"), tmp.path() + "/cfg");
    EXPECT_EQ(GetSpecialFolder("Other"), tmp.path());
}

}  // namespace

#include "app/OpenDialogFilter.h"

namespace {

TEST(OpenDialogFilter, PairsBecomeNameFilters) {
    EXPECT_EQ(app::NameFiltersFromPairs("Video|*.AVI;*.MP4;|All Files|*.*"),
              (QStringList{"Video (*.AVI *.MP4)", "All Files (*)"}));
    const QStringList filters = app::NameFiltersFromPairs(app::kOpenDialogFilter);
    ASSERT_EQ(filters.size(), 4);
    EXPECT_TRUE(filters[0].startsWith("All Supported Formats (*.AVI *.AVM"));
    EXPECT_TRUE(filters[0].endsWith("*.AC3 *.DTS)"));
    EXPECT_EQ(filters[3], "All Files (*)");
}

}  // namespace
