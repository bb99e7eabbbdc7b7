#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>

#include <QDir>
#include <QFileInfo>

#include "TempDir.h"
#include "app/IniFile.h"

using app::IniFile;

namespace {

const QByteArray kSample =
    "; a comment line\n"
    "[System]\n"
    "  Name  =  Padded Value  \n"
    "Quoted=\"  inner blanks  \"\n"
    "Single='x'\n"
    "Mismatched=\"x'\n"
    "Number= 42 \n"
    "Negative=-7\n"
    "NotNumber=12abc\n"
    "Huge=99999999999\n"
    "Empty=\n"
    ";Commented=1\n"
    "dup=first\n"
    "DUP=second\n"
    "[other]\n"
    "Name=other section\n"
    "[SYSTEM]\n"
    "Later=in a repeated section\n";

TEST(IniFile, ReadsWithProfileSemantics) {
    TempDir tmp;
    IniFile ini(tmp.write("a.ini", kSample));
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"System", "Name", "Padded Value"},        // blanks around names and values ignored
        {"system", "NAME", "Padded Value"},        // case-insensitive names
        {"System", "Quoted", "  inner blanks  "},  // one pair of matching quotes removed
        {"System", "Single", "x"},                 // single quotes too
        {"System", "Mismatched", "\"x'"},          // quotes that do not match are kept
        {"System", "Empty", ""},                   // present but empty is not the default
        {"System", "Commented", "<def>"},          // comment lines are not keys
        {"System", "dup", "first"},                // first match wins
        {"System", "Later", "<def>"},              // only the first section of a name is read
        {"Other", "Name", "other section"},
        {"Missing", "Name", "<def>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<def>").toStdString(), c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(ini.ReadInteger("System", "Number", -1), 42);
    EXPECT_EQ(ini.ReadInteger("System", "Negative", 0), -7);
    EXPECT_EQ(ini.ReadInteger("System", "NotNumber", 5), 5);  // not an integer counts as missing
    EXPECT_EQ(ini.ReadInteger("System", "Huge", 5), 5);       // out of 32-bit range likewise
    EXPECT_EQ(ini.ReadInteger("System", "Empty", 5), 5);
    EXPECT_TRUE(ini.ReadBool("System", "Number", false));
    EXPECT_TRUE(ini.ReadBool("System", "Name", true));  // non-number: the default
    EXPECT_TRUE(ini.ValueExists("SYSTEM", "quoted"));
    EXPECT_FALSE(ini.ValueExists("System", "Commented"));
}

TEST(IniFile, MissingFileGivesDefaultsAndWritingCreatesIt) {
    TempDir tmp;
    IniFile ini(tmp.path("new.ini"));
    EXPECT_FALSE(ini.FileExisted());
    EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
    ini.WriteString("S", "k", "v");
    ini.WriteInteger("S", "n", 3);
    ini.WriteString("T", "x", "y");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(tmp.read("new.ini"), "[S]\nk=v\nn=3\n\n[T]\nx=y\n");
}

TEST(IniFile, WritingReplacesInPlaceAndAppendsToTheSection) {
    TempDir tmp;
    const QString path = tmp.write("w.ini", "; keep me\n[A]\nOne=1\nTwo=2\n\n[B]\nX=x\n");
    IniFile ini(path);
    ini.WriteString("a", "two", "22");   // replaced where it stands
    ini.WriteString("A", "Three", "3");  // appended after the section's last key, before the blank line
    ini.WriteString("A", "four", "4");   // the index follows the lines that moved
    ini.WriteString("A", "THREE", "33");
    ini.WriteString("C", "New", "line\nbreak");  // a new section at the end; a value stays on one line
    ini.WriteString("c", "Other", "o");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(
        tmp.read("w.ini"),
        "; keep me\n[A]\nOne=1\ntwo=22\nTHREE=33\nfour=4\n\n[B]\nX=x\n\n[C]\nNew=line break\nOther=o\n");
    EXPECT_EQ(IniFile(path).ReadString("C", "New", ""), "line break");
}

// Files of older editions: 8-bit code page text, UTF-16 with a byte-order mark, Windows line ends.
// What the program reads right, and every line it does not change is written back byte for byte.
TEST(IniFile, EncodingsReadRightAndUnchangedLinesKeepTheirBytes) {
    auto utf16 = [](const QString& text, bool bigEndian) {
        QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar c : text) {
            const char low = char(c.unicode() & 0xFF), high = char(c.unicode() >> 8);
            bytes += bigEndian ? QByteArray{&high, 1} + low : QByteArray{&low, 1} + high;
        }
        return bytes;
    };
    const QByteArray utf16le = utf16(u"[S]\r\nDir=C:\\é\r\n"_qs, false);
    const QByteArray utf16be = utf16(u"[S]\nDir=é"_qs, true);
    struct Case {
        const char* name;
        QByteArray bytes;
        QString dir;  // what [S] Dir reads as
    } cases[] = {
        {"latin-1", "[S]\nDir=C:\\Caf\xE9\\\nOther=1\n", u"C:\\Café\\"_qs},
        {"windows-1252", "[S]\r\nDir=\x80 \x93q\x94\r\nOther=1\r\n", u"€ “q”"_qs},
        {"utf-8", "[S]\nDir=/caf\xC3\xA9/\nOther=1", u"/café/"_qs},
        {"utf-8 with bom", "\xEF\xBB\xBF[S]\nDir=\xE2\x82\xAC\n", u"€"_qs},
        {"mixed lines", "[S]\nDir=\xE9\nOther=\xC3\xA9\n", u"é"_qs},
        {"utf-16le", utf16le, u"C:\\é"_qs},
        {"utf-16be", utf16be, u"é"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir tmp;
        const QString path = tmp.write("s.ini", c.bytes);
        IniFile ini(path);
        EXPECT_EQ(ini.ReadString("S", "Dir", "?"), c.dir);
        ini.WriteString("S", "Dir", c.dir);  // the same value: the line stays as it is
        ASSERT_TRUE(ini.UpdateFile());
        QByteArray expected = c.bytes;
        if (!expected.endsWith('\n') && !expected.endsWith(QByteArray("\n\0", 2))) {
            expected += c.bytes.startsWith("\xFE\xFF") ? QByteArray("\0\n", 2) : QByteArray("\n");
        }
        EXPECT_EQ(tmp.read("s.ini"), expected);

        ini.WriteString("S", "Dir", "new é");  // a changed line is written in the file's encoding
        ini.WriteString("S", "Added", "ü");
        ASSERT_TRUE(ini.UpdateFile());
        const IniFile back(path);
        EXPECT_EQ(back.ReadString("S", "Dir", "?"), "new é");
        EXPECT_EQ(back.ReadString("S", "Added", "?"), "ü");
        if (c.bytes.contains("Other"))
            EXPECT_TRUE(tmp.read("s.ini").contains(c.bytes.mid(c.bytes.indexOf("Other"))));
    }
}

TEST(IniFile, AFileThatCannotBeReadIsNeverWrittenOver) {
    TempDir tmp;
    QDir().mkdir(tmp.path("folder.ini"));  // exists, cannot be read as a file, even by root
    // A FIFO would block the reader until someone writes into it; a device is no settings file either.
    ASSERT_EQ(::mkfifo(QFile::encodeName(tmp.path("fifo.ini")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), tmp.path("device.ini")));
    const QString unreadable = tmp.write("locked.ini", "[S]\nk=stored\n");
    QFile::setPermissions(unreadable, QFileDevice::WriteOwner);
    const bool root = ::geteuid() == 0;  // root reads every file
    for (const QString& path :
         {tmp.path("folder.ini"), tmp.path("fifo.ini"), tmp.path("device.ini"), unreadable}) {
        if (path == unreadable && root) continue;
        SCOPED_TRACE(path.toStdString());
        auto reading = std::async(std::launch::async, [&path] { return std::make_unique<IniFile>(path); });
        if (reading.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            // Let a blocked reader go (it sees an empty file) so the test can report instead of hanging.
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            ADD_FAILURE() << "reading blocked";
        }
        const std::unique_ptr<IniFile> read = reading.get();
        IniFile& ini = *read;
        EXPECT_TRUE(ini.FileExisted());
        EXPECT_FALSE(ini.Readable());
        EXPECT_FALSE(ini.ReadError().isEmpty());
        EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
        ini.WriteString("S", "k", "new");
        QString error;
        EXPECT_FALSE(ini.UpdateFile(&error));
        EXPECT_TRUE(error.contains(path));
    }
    QFile::setPermissions(unreadable, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(tmp.read("locked.ini"), "[S]\nk=stored\n");
    EXPECT_TRUE(QFileInfo(tmp.path("folder.ini")).isDir());
    EXPECT_TRUE(QFileInfo(tmp.path("fifo.ini")).exists());
    EXPECT_TRUE(QFileInfo(tmp.path("device.ini")).isSymLink());
}

TEST(IniFile, ALargeFileIsReadAndWrittenThroughTheIndex) {
    // 200,000 keys: a scan per key would take minutes for the lookups below, the index milliseconds.
    TempDir tmp;
    QByteArray text = "[Big]\n";
    for (int i = 0; i < 200000; ++i)
        text += "k" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
    text += "[System]\nLast=1\n";
    IniFile ini(tmp.write("big.ini", text));
    for (int i = 0; i < 200000; i += 7)
        ASSERT_EQ(ini.ReadInteger("big", "K" + QString::number(i), -1), i);
    for (int i = 0; i < 2000; ++i)
        ini.WriteInteger("Big", "added" + QString::number(i), i);
    EXPECT_EQ(ini.ReadInteger("System", "Last", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Big", "added1999", 0), 1999);
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_TRUE(tmp.read("big.ini").startsWith(text.left(text.indexOf("[System]") - 1)));
}

TEST(IniFile, ValuesReadBackExactly) {
    TempDir tmp;
    const QString path = tmp.path("q.ini");
    const QStringList values = {
        "/music/trailing blank ", " leading", "\"quoted\"", "'x'", "plain", "", "a=b;c"};
    IniFile ini(path);
    for (int i = 0; i < values.size(); ++i)
        ini.WriteString("S", QString("k%1").arg(i), values[i]);
    ASSERT_TRUE(ini.UpdateFile());
    const IniFile back(path);
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(back.ReadString("S", QString("k%1").arg(i), "?"), values[i]);
    EXPECT_TRUE(back.Text().contains("k4=plain\n"));  // ordinary values stay unquoted
}

TEST(IniFile, FailedSaveReportsAndLeavesNoFile) {
    TempDir tmp;
    IniFile ini(tmp.path("no-such-folder/x.ini"));
    ini.WriteString("S", "k", "v");
    QString error;
    EXPECT_FALSE(ini.UpdateFile(&error));
    EXPECT_TRUE(error.contains("x.ini"));
}

}  // namespace
