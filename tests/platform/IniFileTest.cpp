#include <gtest/gtest.h>

#include "FaultyFileSystem.h"
#include "TestDir.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

using platform::IniFile;
using testing_support::TestDir;

TEST(IniRead, MissingFileSectionOrKeyGivesTheDefault) {
    TestDir dir;
    IniFile missing(dir.path("none.ini"));
    EXPECT_EQ(missing.readString("Options", "Language", "English"), QByteArray("English"));
    dir.write(QStringLiteral("a.ini"), "[Other]\r\nLanguage=Russian\r\n[Options]\r\nx=1\r\n");
    IniFile ini(dir.path("a.ini"));
    EXPECT_EQ(ini.readString("Options", "Language", "English"), QByteArray("English"));
    EXPECT_EQ(ini.readInteger("Options", "Users", 7), 7);
    EXPECT_FALSE(ini.value("Nothing", "x"));
}

TEST(IniRead, KeysAndSectionsIgnoreLetterCase) {
    TestDir dir;
    dir.write(QStringLiteral("a.ini"), "[oPTIONS]\r\nlanguage=Russian\r\nUSERS=3\r\n");
    IniFile ini(dir.path("a.ini"));
    EXPECT_EQ(ini.readString("Options", "Language", ""), QByteArray("Russian"));
    EXPECT_EQ(ini.readInteger("Options", "Users", 0), 3);
}

TEST(IniRead, BlanksAndOnePairOfQuotesAreStripped) {
    TestDir dir;
    dir.write(QStringLiteral("a.ini"),
              "[S]\n  a  =  spaced value  \nb=\"quoted\"\nc='single'\nd=\"\"twice\"\"\ne=\"open\n"
              "f=\" inner \"\ng=\n");
    IniFile ini(dir.path("a.ini"));
    EXPECT_EQ(ini.readString("S", "a", ""), QByteArray("spaced value"));
    EXPECT_EQ(ini.readString("S", "b", ""), QByteArray("quoted"));
    EXPECT_EQ(ini.readString("S", "c", ""), QByteArray("single"));
    EXPECT_EQ(ini.readString("S", "d", ""), QByteArray("\"twice\""));
    EXPECT_EQ(ini.readString("S", "e", ""), QByteArray("\"open"));
    EXPECT_EQ(ini.readString("S", "f", ""), QByteArray(" inner "));
    EXPECT_EQ(ini.readString("S", "g", "default"), QByteArray(""));
}

TEST(IniRead, ValuesAreCutAt2047Bytes) {
    TestDir dir;
    dir.write(QStringLiteral("a.ini"), "[S]\nlong=" + QByteArray(5000, 'x') + "\n");
    EXPECT_EQ(IniFile(dir.path("a.ini")).readString("S", "long", "").size(), 2047);
}

TEST(IniRead, Utf8ValueIsCutBeforeTheCharacterThe2047thByteSplits) {
    TestDir dir;
    // 1100 two-byte letters: the 2047th byte is the first half of the 1024th.
    const QByteArray value = QString(1100, QChar(0x0436)).toUtf8();
    dir.write(QStringLiteral("a.ini"), "[S]\nk=" + value + "\n");
    const QByteArray read = IniFile(dir.path("a.ini")).readString("S", "k", "");
    EXPECT_EQ(read, value.left(2046));
    EXPECT_EQ(QString::fromUtf8(read), QString(1023, QChar(0x0436)));
    // Single-byte text is cut at 2047 whatever its bytes.
    dir.write(QStringLiteral("b.ini"), "[S]\nk=" + QByteArray(3000, '\xe6') + "\n");
    EXPECT_EQ(IniFile(dir.path("b.ini")).readString("S", "k", "").size(), 2047);
}

TEST(IniRead, LeadingByteOrderMarkIsSkippedAndKeptOnWriting) {
    TestDir dir;
    dir.write(QStringLiteral("a.ini"), "\xEF\xBB\xBF[Interface]\r\nk=v\r\n");
    IniFile ini(dir.path("a.ini"));
    EXPECT_EQ(ini.readString("Interface", "k", ""), QByteArray("v"));
    ini.writeString("Interface", "n", "w");
    ini.updateFile();
    EXPECT_EQ(dir.read("a.ini"), QByteArray("\xEF\xBB\xBF[Interface]\r\nk=v\r\nn=w\r\n"));
}

TEST(IniRead, IntegersAndBooleans) {
    TestDir dir;
    dir.write(QStringLiteral("a.ini"),
              "[S]\ndec=42\nneg=-1\nhex=0x1F\nHEX=0X10\ndollar=$ff\nword=abc\nmixed=12a\n"
              "empty=\nt=1\nf=0\nbig=2\nbool=yes\nplus=+5\nhuge=99999999999\n");
    IniFile ini(dir.path("a.ini"));
    EXPECT_EQ(ini.readInteger("S", "dec", 0), 42);
    EXPECT_EQ(ini.readInteger("S", "neg", 0), -1);
    EXPECT_EQ(ini.readInteger("S", "hex", 0), 31);
    EXPECT_EQ(ini.readInteger("S", "dollar", 0), 255);
    EXPECT_EQ(ini.readInteger("S", "plus", 0), 5);
    EXPECT_EQ(ini.readInteger("S", "word", 8), 8);
    EXPECT_EQ(ini.readInteger("S", "mixed", 8), 8);
    EXPECT_EQ(ini.readInteger("S", "empty", 8), 8);
    EXPECT_EQ(ini.readInteger("S", "huge", 8), 8);
    EXPECT_TRUE(ini.readBool("S", "t", false));
    EXPECT_FALSE(ini.readBool("S", "f", true));
    EXPECT_TRUE(ini.readBool("S", "big", false));
    EXPECT_FALSE(ini.readBool("S", "bool", false));  // not a number: the default
    EXPECT_TRUE(ini.readBool("S", "bool", true));
}

TEST(IniRead, OddFilesReadAsWellAsTheyCan) {
    TestDir dir;
    // Keys before any section, lines without "=", comments, duplicate sections and keys.
    dir.write(QStringLiteral("a.ini"),
              "loose=1\nno equals here\n[S]\n;comment=9\nk=first\nk=second\n[S]\nk=third\nm=2\n");
    IniFile ini(dir.path("a.ini"));
    EXPECT_EQ(ini.readString("S", "k", ""), QByteArray("first"));
    EXPECT_EQ(ini.readString("S", "loose", "d"), QByteArray("d"));
    EXPECT_EQ(ini.readString("S", ";comment", "d"), QByteArray("d"));
    // A file that is a folder reads as empty.
    dir.mkdir(QStringLiteral("folder.ini"));
    EXPECT_EQ(IniFile(dir.path("folder.ini")).readString("S", "k", "d"), QByteArray("d"));
}

TEST(IniWrite, NewFileLayout) {
    TestDir dir;
    IniFile ini(dir.path("n.ini"));
    ini.writeString("Options", "Language", "English");
    ini.writeBool("Options", "hidden", false);
    ini.writeInteger("Options", "Users", -1);
    ini.updateFile();
    EXPECT_EQ(dir.read("n.ini"),
              QByteArray("[Options]\r\nLanguage=English\r\nhidden=0\r\nUsers=-1\r\n"));
}

TEST(IniWrite, RewrittenKeyKeepsItsLineNewKeyGoesToTheEndOfItsSection) {
    TestDir dir;
    dir.write(QStringLiteral("a.ini"),
              "; my notes\n[Options]\nUSERS=1\nLanguage=Russian\n\n[Other]\nx=1\n");
    IniFile ini(dir.path("a.ini"));
    ini.writeString("options", "Language", "English");
    ini.writeInteger("Options", "Users", 2);
    ini.writeString("Options", "User 1", "bob");
    ini.writeString("New", "a", "b");
    ini.updateFile();
    EXPECT_EQ(dir.read("a.ini"),
              QByteArray("; my notes\r\n[Options]\r\nUSERS=2\r\nLanguage=English\r\nUser 1=bob\r\n"
                         "\r\n[Other]\r\nx=1\r\n\r\n[New]\r\na=b\r\n"));
}

TEST(IniWrite, FailureIsUnableToWriteAndTheFileStaysWhole) {
    TestDir dir;
    dir.write(QStringLiteral("a.ini"), "[Options]\r\nUsers=1\r\n");
    testing_support::FaultyFileSystem fs;
    fs.failWrite(dir.path("a.ini"));
    IniFile ini(dir.path("a.ini"));
    ini.writeInteger("Options", "Users", 5);
    try {
        ini.updateFile();
        FAIL() << "no error";
    } catch (const platform::PlatformError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to write to ") + dir.path("a.ini"));
    }
    EXPECT_EQ(dir.read("a.ini"), QByteArray("[Options]\r\nUsers=1\r\n"));
}
