#include <gtest/gtest.h>

#include "core/StoredText.h"
#include "platform/CodePage.h"

TEST(StoredText, RefusesWhatTheLineFormatCannotCarry) {
    platform::setStorageCodePage("windows-1252");
    EXPECT_FALSE(core::forbiddenStoredCharacter(QStringLiteral("plain text 123"),
                                                platform::Encoding::CodePage));
    EXPECT_FALSE(core::forbiddenStoredCharacter(QString::fromUtf8("caf\u00e9"),
                                                platform::Encoding::CodePage));
    EXPECT_EQ(core::forbiddenStoredCharacter(QStringLiteral("a|b"), platform::Encoding::CodePage),
              QChar('|'));
    // 0xB9, 0xB3 and 0xB4 in windows-1252 scramble to NUL, LF and CR.
    EXPECT_EQ(
        core::forbiddenStoredCharacter(QString::fromUtf8("x\u00b9"), platform::Encoding::CodePage),
        QChar(0xb9));
    EXPECT_EQ(
        core::forbiddenStoredCharacter(QString::fromUtf8("\u00b3"), platform::Encoding::CodePage),
        QChar(0xb3));
    EXPECT_EQ(
        core::forbiddenStoredCharacter(QString::fromUtf8("\u00b4"), platform::Encoding::CodePage),
        QChar(0xb4));
    EXPECT_EQ(
        core::forbiddenStoredCharacter(QString::fromUtf8("\u4e2d"), platform::Encoding::CodePage),
        QChar(0x4e2d));
    platform::setStorageCodePage("windows-1251");
    EXPECT_FALSE(core::forbiddenStoredCharacter(QString::fromUtf8("\u041f\u0440\u0438"),
                                                platform::Encoding::CodePage));
    EXPECT_EQ(
        core::forbiddenStoredCharacter(QString::fromUtf8("\u2116"), platform::Encoding::CodePage),
        QChar(0x2116));  // № = 0xB9
    platform::setStorageCodePage(QByteArray());
}
