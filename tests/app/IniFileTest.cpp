#include <gtest/gtest.h>

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
    const QString path = tmp.write("w.ini", "; keep me\r\n[A]\r\nOne=1\r\nTwo=2\r\n\r\n[B]\r\nX=x\r\n");
    IniFile ini(path);
    ini.WriteString("a", "two", "22");   // replaced where it stands
    ini.WriteString("A", "Three", "3");  // appended after the section's last key, before the blank line
    ini.WriteString("C", "New", "line\nbreak");  // a new section at the end; a value stays on one line
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(tmp.read("w.ini"),
              "; keep me\n[A]\nOne=1\ntwo=22\nThree=3\n\n[B]\nX=x\n\n[C]\nNew=line break\n");
    EXPECT_EQ(IniFile(path).ReadString("C", "New", ""), "line break");
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
