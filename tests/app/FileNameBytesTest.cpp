#include "app/FileNameBytes.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "app/UtilFuncs.h"

namespace app {
namespace {

TEST(FileNameBytes, EveryByteSequenceComesBackUnchanged) {
    struct Case {
        QByteArray bytes;
        QString display;  // what people see
    };
    const Case cases[] = {
        {"plain.mp4", "plain.mp4"},
        {"lat\xe9.mp4", u"lat\uFFFD.mp4"_qs},
        {"\xc3\xa9t\xc3\xa9", u"\u00e9t\u00e9"_qs},            // valid UTF-8 is text
        {"\xf0\x9f\x8e\xac", u"\U0001F3AC"_qs},                // a pair of surrogates
        {"\xf0\x9f\x8e", u"\uFFFD\uFFFD\uFFFD"_qs},            // a sequence cut short
        {"\xc0\xaf", u"\uFFFD\uFFFD"_qs},                      // overlong "/"
        {"\xed\xb3\xa9", u"\uFFFD\uFFFD\uFFFD"_qs},            // an encoded surrogate
        {"\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"_qs},  // beyond U+10FFFF
        {"\xf0\x90\x80\x80\xe9", u"\U00010000\uFFFD"_qs},      // a pair then an escaped byte
        {QByteArray("a\nb\0c", 5), QString::fromUtf8("a\nb\0c", 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        const QString name = FileNameFromBytes(c.bytes);
        EXPECT_EQ(FileNameToBytes(name), c.bytes);
        EXPECT_EQ(FileNameForDisplay(name), c.display);
        // Valid UTF-8 decodes as Qt decodes it, so names that are text compare equal to Qt's strings.
        if (!c.display.contains(QChar::ReplacementCharacter)) {
            EXPECT_EQ(name, QString::fromUtf8(c.bytes));
        }
    }
}

TEST(FileNameBytes, AddressesAndArgumentsKeepTheirBytes) {
    const QString name = FileNameFromBytes("/tmp/a b/lat\xe9%.mp4");
    const QUrl url = UrlFromFileName(name);
    EXPECT_EQ(url.toEncoded(), "file:///tmp/a%20b/lat%E9%25.mp4");
    EXPECT_EQ(FileNameToBytes(FileNameFromUrl(url)), "/tmp/a b/lat\xe9%.mp4");
    EXPECT_EQ(FileNameFromUrl(QUrl("https://example.com/a.mp4")), QString());

    const char* argv[] = {"prog", "lat\xe9.mp4", "-x"};
    const QStringList args = FileNamesFromArguments(3, argv);
    ASSERT_EQ(args.size(), 3);
    EXPECT_EQ(FileNameToBytes(args[1]), "lat\xe9.mp4");
}

TEST(FileNameBytes, StemsAreShortenedToFitNameMaxAtACharacterBoundary) {
    const QString e = u"\u00e9"_qs;  // two bytes
    struct Case {
        QString stem, tail;
        int stemBytes;  // of the result
    };
    const Case cases[] = {
        {QString(250, 'x'), ".mp4", 250},
        {QString(251, 'x'), ".mp4", 251},
        {QString(252, 'x'), ".mp4", 251},
        {QString(255, 'x'), "(12).avi", 247},
        {QString(247, 'x') + e + "yy", "(1).avi", 247},  // the cut would fall inside "é"
        {QString(246, 'x') + e + "yy", "(1).avi", 248},  // "é" ends right at the cut
        {QString(246, 'x') + FileNameFromBytes("\xe9\xe9\xe9"), "(1).avi", 248},  // Latin-1 cut anywhere
        {"short", ".mp4", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stem.size());
        const QByteArray fitted = FileNameToBytes(FitFileName(c.stem, c.tail));
        EXPECT_LE(fitted.size(), 255);
        EXPECT_EQ(fitted, FileNameToBytes(c.stem).left(c.stemBytes) + FileNameToBytes(c.tail));
    }

    // The unique name of a folder counts bytes, taken names included.
    TempDir tmp;
    const QString stem = FileNameFromBytes(QByteArray(251, 'x') + "\xe9");
    const QString first = UniqueFileName(stem + ".avi", tmp.path());
    EXPECT_EQ(FileNameToBytes(first), QByteArray(251, 'x') + ".avi");
    tmp.write(QString(251, 'x') + ".avi", "x");
    EXPECT_EQ(FileNameToBytes(UniqueFileName(stem + ".avi", tmp.path())), QByteArray(248, 'x') + "(1).avi");
}

}  // namespace
}  // namespace app
