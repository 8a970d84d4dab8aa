#include <gtest/gtest.h>

#include "core/PassphraseStrength.h"

using core::PassphraseStrength;
using core::passphraseStrength;

TEST(PassphraseStrength, CommonPasswordsAreWeakAndUnrelatedWordsStrong) {
    EXPECT_EQ(passphraseStrength(QString()), PassphraseStrength::None);
    for (const char* weak : {"password1", "qwertyuiop", "aaaaaaaaaaaa", "1234567890"}) {
        EXPECT_EQ(passphraseStrength(QString::fromLatin1(weak)), PassphraseStrength::VeryWeak)
            << weak;
    }
    // The login, known to anyone who sees the login dialog, counts for little.
    EXPECT_LT(passphraseStrength(QStringLiteral("zorbanik1990"), {QStringLiteral("zorbanik")}),
              passphraseStrength(QStringLiteral("zorbanik1990")));
    for (const QString& strong : {QStringLiteral("correct horse battery staple"),
                                  QString::fromUtf8("лампа гусь четверг облако 77")}) {
        EXPECT_EQ(passphraseStrength(strong), PassphraseStrength::Strong) << strong.toStdString();
    }
}
