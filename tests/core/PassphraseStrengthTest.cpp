#include <gtest/gtest.h>

#include "core/PassphraseStrength.h"

using core::PassphraseStrength;

TEST(PassphraseStrength, CommonPasswordsAreVeryWeakAndUnrelatedWordsStrong) {
    for (const char* weak : {"password1", "qwertyuiop", "1234567890"}) {
        EXPECT_EQ(core::passphraseStrength(QString::fromLatin1(weak)),
                  PassphraseStrength::VeryWeak);
    }
    // The login is among the first guesses.
    EXPECT_LT(
        core::passphraseStrength(QStringLiteral("zorbanik1990"), {QStringLiteral("zorbanik")}),
        core::passphraseStrength(QStringLiteral("zorbanik1990")));
    EXPECT_EQ(core::passphraseStrength(QString::fromUtf8("лампа гусь четверг облако 77")),
              PassphraseStrength::Strong);
}
