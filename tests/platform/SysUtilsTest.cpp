#include <gtest/gtest.h>

#include "platform/Colors.h"
#include "platform/SysUtils.h"

using platform::CompareText;

TEST(CompareText, AsciiLettersIgnoreCaseOtherBytesByCode) {
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("10", "9"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_GT(CompareText("abc", "ab"), 0);
    // "_" (0x5F) lies between "Z" and "a": against upper-cased letters it sorts after them.
    EXPECT_GT(CompareText("_", "a"), 0);
    // Letters outside ASCII compare by code, without case mapping.
    EXPECT_NE(CompareText("\xe9", "\xc9"), 0);
    EXPECT_GT(CompareText("\xe9", "z"), 0);
}

TEST(LocaleCompare, TitleOrderIsCaseSensitiveCategoryOrderIsNot) {
    EXPECT_LT(platform::AnsiCompareStr(QStringLiteral("apple"), QStringLiteral("Banana")), 0);
    EXPECT_NE(platform::AnsiCompareStr(QStringLiteral("a"), QStringLiteral("A")), 0);
    EXPECT_EQ(platform::AnsiCompareText(QStringLiteral("mail"), QStringLiteral("MAIL")), 0);
    EXPECT_LT(platform::AnsiCompareText(QStringLiteral("Alpha"), QStringLiteral("beta")), 0);
    EXPECT_EQ(platform::AnsiLowerCase(QStringLiteral("BaNk \u00C9")),
              QStringLiteral("bank \u00E9"));
}

TEST(Colors, NamesAndNumbers) {
    using platform::ColorToString;
    using platform::StringToColor;
    EXPECT_EQ(ColorToString(platform::clWindowText), QByteArray("clWindowText"));
    EXPECT_EQ(ColorToString(0x0000FF), QByteArray("clRed"));
    EXPECT_EQ(ColorToString(0x123456), QByteArray("$00123456"));
    EXPECT_EQ(ColorToString(platform::TColor(0xFF000030u)), QByteArray("$FF000030"));
    EXPECT_EQ(StringToColor("clWindowText"), platform::clWindowText);
    EXPECT_EQ(StringToColor("CLNAVY"), platform::TColor(0x800000));
    EXPECT_EQ(StringToColor("cl3DDkShadow"), platform::TColor(0xFF000015u));
    EXPECT_EQ(StringToColor("clInfoBk"), platform::TColor(0xFF000018u));
    EXPECT_EQ(StringToColor("$00123456"), platform::TColor(0x123456));
    EXPECT_EQ(StringToColor("255"), platform::TColor(255));
    EXPECT_EQ(StringToColor("-16777208"), platform::clWindowText);
    EXPECT_FALSE(StringToColor("purple-ish"));
    EXPECT_FALSE(StringToColor(""));
    // Every name round-trips.
    for (quint32 v = 0xFF000000u; v <= 0xFF000018u; ++v) {
        const QByteArray name = ColorToString(platform::TColor(v));
        EXPECT_TRUE(name.startsWith("cl")) << v;
        EXPECT_EQ(StringToColor(name), platform::TColor(v));
    }
}
