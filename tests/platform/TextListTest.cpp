#include <gtest/gtest.h>

#include <algorithm>

#include "FaultyFileSystem.h"
#include "TestDir.h"
#include "platform/Errors.h"
#include "platform/TextList.h"

using platform::joinTextLines;
using platform::parseTextLines;
using platform::TextLines;

TEST(TextListRead, EveryLineEndEndsALine) {
    EXPECT_EQ(parseTextLines("a\r\nb\nc\rd"), (TextLines{"a", "b", "c", "d"}));
    // CR LF is one line end, LF CR is two.
    EXPECT_EQ(parseTextLines("a\n\rb"), (TextLines{"a", "", "b"}));
    EXPECT_EQ(parseTextLines("a\r\n\r\nb\r\n"), (TextLines{"a", "", "b"}));
}

TEST(TextListRead, LastLineWithoutLineEndIsRead) {
    EXPECT_EQ(parseTextLines("one\r\ntwo"), (TextLines{"one", "two"}));
    EXPECT_EQ(parseTextLines("only"), (TextLines{"only"}));
}

TEST(TextListRead, EmptyFileAndEmptyLines) {
    EXPECT_TRUE(parseTextLines("").isEmpty());
    EXPECT_EQ(parseTextLines("\r\n"), (TextLines{""}));
    EXPECT_EQ(parseTextLines("\n\n"), (TextLines{"", ""}));
    EXPECT_EQ(parseTextLines("\r\r"), (TextLines{"", ""}));
}

TEST(TextListRead, NulEndsTheText) {
    EXPECT_EQ(parseTextLines(QByteArray("ab\r\ncd\0ef\r\ngh", 14)), (TextLines{"ab", "cd"}));
    EXPECT_TRUE(parseTextLines(QByteArray("\0abc", 4)).isEmpty());
}

namespace {
const QByteArray kTexts[] = {"a\r\nb\nc\rd",
                             "a\n\rb",
                             "x\r\n\r\ny\r\n",
                             "only",
                             "\r\r",
                             "",
                             "one\r\n",
                             "a\r\nb",
                             QByteArray("ab\r\ncd\0ef\r\n", 11),
                             QByteArray(3000, '\r')};
}  // namespace

TEST(TextListShared, SameLinesAsTheReaderEachAnOrdinaryArrayOfItsOwn) {
    for (const QByteArray& text : kTexts) {
        bool cut = !text.contains('\0');
        const TextLines shared = platform::shareTextLines(text, nullptr, &cut);
        EXPECT_EQ(shared, parseTextLines(text)) << text.left(20).toStdString();
        EXPECT_EQ(cut, text.contains('\0'));
        for (const QByteArray& line : shared) {
            EXPECT_EQ(line.constData()[line.size()], '\0');
        }
    }
    // The text passed in stays as it was, and a change to one line leaves
    // the others, though all share one buffer.
    const QByteArray text("one\r\ntwo\r\n");
    TextLines lines = platform::shareTextLines(text);
    lines[0].append("!!!!!!");
    lines[0][0] = 'O';
    EXPECT_EQ(lines, (TextLines{"One!!!!!!", "two"}));
    EXPECT_EQ(text, QByteArray("one\r\ntwo\r\n"));
    // The change in place reaches each line's bytes, and no line end.
    EXPECT_EQ(platform::shareTextLines("ab\r\ncd\nxyz",
                                       [](char* p, qsizetype n) { std::reverse(p, p + n); }),
              (TextLines{"ba", "dc", "zyx"}));
}

TEST(TextListShared, JoinedFormIsExactlyWhatJoiningTheLinesGives) {
    for (const QByteArray& text : kTexts) {
        EXPECT_EQ(platform::isJoinedForm(text), joinTextLines(parseTextLines(text)) == text)
            << text.left(20).toStdString();
    }
    EXPECT_TRUE(platform::isJoinedForm("a\r\n\r\nb\r\n"));
    EXPECT_FALSE(platform::isJoinedForm("a\r\nb\r\r\n"));
}

TEST(TextListWrite, EveryItemEndsWithCrLf) {
    EXPECT_EQ(joinTextLines({"a", "", "b"}), QByteArray("a\r\n\r\nb\r\n"));
    EXPECT_EQ(joinTextLines({}), QByteArray());
    // Bytes above 0x7F pass unchanged.
    EXPECT_EQ(joinTextLines({"\xe9\xb9"}), QByteArray("\xe9\xb9\r\n"));
}

TEST(TextListFiles, RoundTripAndFailures) {
    testing_support::TestDir dir;
    platform::saveTextList(dir.path("x.dat"), {"line1", "line2"});
    EXPECT_EQ(dir.read("x.dat"), QByteArray("line1\r\nline2\r\n"));
    EXPECT_EQ(platform::loadTextList(dir.path("x.dat")), (TextLines{"line1", "line2"}));

    try {
        platform::loadTextList(dir.path("missing.dat"));
        FAIL() << "no error";
    } catch (const platform::PlatformError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot open file ") + dir.path("missing.dat"));
    }
    // A folder standing where the file should be.
    dir.mkdir(QStringLiteral("folder.dat"));
    try {
        platform::saveTextList(dir.path("folder.dat"), {"a"});
        FAIL() << "no error";
    } catch (const platform::PlatformError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot create file ") + dir.path("folder.dat"));
    }
    EXPECT_THROW(platform::saveTextList(dir.path("nofolder/x.dat"), {"a"}),
                 platform::PlatformError);
}

TEST(TextListFiles, FailedWriteLeavesTheOldFileWhole) {
    testing_support::TestDir dir;
    dir.write(QStringLiteral("v.dat"), "old\r\n");
    {
        testing_support::FaultyFileSystem fs;
        fs.failWrite(dir.path("v.dat"));
        EXPECT_THROW(platform::saveTextList(dir.path("v.dat"), {"new"}), platform::PlatformError);
    }
    EXPECT_EQ(dir.read("v.dat"), QByteArray("old\r\n"));
}

TEST(TextListFiles, FirstLine) {
    EXPECT_EQ(platform::firstTextLine("abc\r\ndef"), QByteArray("abc"));
    EXPECT_EQ(platform::firstTextLine(QByteArray("ab\0c", 4)), QByteArray("ab"));
    EXPECT_EQ(platform::firstTextLine("\r\nx"), QByteArray(""));
    EXPECT_FALSE(platform::firstTextLine(""));
    EXPECT_FALSE(platform::firstTextLine(QByteArray("\0abc", 4)));
}
