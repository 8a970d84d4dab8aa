#include <gtest/gtest.h>

#include <QSet>
#include <array>

#include "core/Generator.h"

namespace {
const QByteArray kAlphabet(core::kGeneratorAlphabet);
}

TEST(Generator, EveryCallGivesANewPasswordOfTheAlphabet) {
    // Made within the same second: the old time-seeded generator gave one
    // password for all of them.
    QSet<QByteArray> seen;
    for (int i = 0; i < 100; ++i) {
        const QByteArray password = core::generatePassword();
        ASSERT_EQ(password.size(), 10);
        for (char c : password) {
            ASSERT_TRUE(kAlphabet.contains(c)) << password.constData();
        }
        seen.insert(password);
    }
    EXPECT_EQ(seen.size(), 100);
    EXPECT_EQ(core::generatePassword(25).size(), 25);
}

TEST(Generator, EveryByteValueBelow248StandsForOneCharacterFourTimes) {
    QByteArray everyByte;
    for (int v = 0; v < 256; ++v) {
        everyByte.append(char(v));
    }
    const QByteArray drawn = core::passwordFromBytes(everyByte, 1000);
    ASSERT_EQ(drawn.size(), 248);  // 248 to 255 are dropped, not folded onto "A" to "H"
    for (char c : kAlphabet) {
        EXPECT_EQ(drawn.count(c), 4) << c;
    }
    EXPECT_EQ(core::passwordFromBytes(QByteArray("\xf8\xff\x00\x3d", 4), 10), QByteArray("A9"));
    EXPECT_EQ(core::passwordFromBytes(everyByte, 3), QByteArray("ABC"));
}

TEST(Generator, CharacterCountsStayWithinAUniformDraw) {
    // 200,000 characters: each is expected about 3,226 times. The chi-square
    // sum of a uniform draw over 62 values (61 degrees of freedom) averages 61
    // and passes 150 about once in a billion runs; a character drawn a fifth
    // more or less often than the others lands far above it.
    constexpr int kPasswords = 20000;
    std::array<int, 256> counts{};
    for (int i = 0; i < kPasswords; ++i) {
        for (char c : core::generatePassword()) {
            ++counts[static_cast<unsigned char>(c)];
        }
    }
    const double expected = kPasswords * 10.0 / 62;
    double chiSquare = 0;
    for (char c : kAlphabet) {
        const double d = counts[static_cast<unsigned char>(c)] - expected;
        chiSquare += d * d / expected;
    }
    EXPECT_LT(chiSquare, 150.0);
}
