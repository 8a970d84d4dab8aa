#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {
struct CodePageScope {
    explicit CodePageScope(const char* name) { EXPECT_TRUE(platform::setStorageCodePage(name)); }
    ~CodePageScope() { platform::setStorageCodePage(QByteArray()); }
};
}  // namespace

TEST(CodePage, LocalesMapToTheirAnsiCodePages) {
    using platform::ansiCodePageForLocale;
    EXPECT_EQ(ansiCodePageForLocale(QStringLiteral("en_US")), QByteArray("windows-1252"));
    EXPECT_EQ(ansiCodePageForLocale(QStringLiteral("de_DE")), QByteArray("windows-1252"));
    EXPECT_EQ(ansiCodePageForLocale(QStringLiteral("ru_RU")), QByteArray("windows-1251"));
    EXPECT_EQ(ansiCodePageForLocale(QStringLiteral("uk_UA")), QByteArray("windows-1251"));
    EXPECT_EQ(ansiCodePageForLocale(QStringLiteral("zh_CN")), QByteArray("GBK"));
    EXPECT_EQ(ansiCodePageForLocale(QStringLiteral("zh_TW")), QByteArray("Big5"));
    EXPECT_EQ(ansiCodePageForLocale(QStringLiteral("pl_PL")), QByteArray("windows-1250"));
    EXPECT_EQ(ansiCodePageForLocale(QStringLiteral("C")), QByteArray("windows-1252"));
}

TEST(CodePage, OverrideByNumberOrName) {
    {
        CodePageScope scope("1251");
        EXPECT_EQ(platform::encodingName(platform::Encoding::CodePage), QByteArray("windows-1251"));
        EXPECT_EQ(platform::toUi("\xcf\xf0\xe8", platform::Encoding::CodePage),
                  QString::fromUtf8("При"));
        EXPECT_EQ(platform::fromUi(QString::fromUtf8("При"), platform::Encoding::CodePage),
                  QByteArray("\xcf\xf0\xe8"));
    }
    {
        CodePageScope scope("cp936");
        EXPECT_EQ(platform::encodingName(platform::Encoding::CodePage), QByteArray("GBK"));
        EXPECT_EQ(platform::fromUi(QString::fromUtf8("中"), platform::Encoding::CodePage),
                  QByteArray("\xd6\xd0"));
    }
    EXPECT_FALSE(platform::setStorageCodePage("no-such-code-page"));
}

TEST(CodePage, UnencodableCharacterIsNamed) {
    CodePageScope scope("windows-1252");
    EXPECT_FALSE(platform::firstUnencodable(QString::fromUtf8("caf\u00e9 \u20ac"),
                                            platform::Encoding::CodePage));
    EXPECT_EQ(
        platform::firstUnencodable(QString::fromUtf8("ab\u4e2dc"), platform::Encoding::CodePage),
        QChar(0x4e2d));
    EXPECT_EQ(platform::firstUnencodable(QString::fromUtf8("\u0416"), platform::Encoding::CodePage),
              QChar(0x0416));
}

TEST(CodePage, SettingTextsPreferUtf8) {
    CodePageScope scope("windows-1251");
    EXPECT_EQ(platform::decodeSettingText("\xd0\x9f"), QString::fromUtf8("П"));  // UTF-8
    EXPECT_EQ(platform::decodeSettingText("\xcf"), QString::fromUtf8("П"));      // old single-byte
    EXPECT_EQ(platform::encodeSettingText(QString::fromUtf8("П")), QByteArray("\xcf"));
    EXPECT_EQ(platform::encodeSettingText(QString::fromUtf8("中")), QByteArray("\xe4\xb8\xad"));
}
