#include "core/PassphraseStrength.h"

#include <zxcvbn.h>

#include <vector>

namespace core {

PassphraseStrength passphraseStrength(const QString& passphrase, const QStringList& words) {
    if (passphrase.isEmpty()) {
        return PassphraseStrength::None;
    }
    std::vector<QByteArray> utf8;
    utf8.reserve(size_t(words.size()));
    for (const QString& word : words) {
        if (!word.isEmpty()) {
            utf8.push_back(word.toUtf8());
        }
    }
    std::vector<const char*> dictionary;
    for (const QByteArray& word : utf8) {
        dictionary.push_back(word.constData());
    }
    dictionary.push_back(nullptr);
    QByteArray text = passphrase.toUtf8();
    const double bits = ZxcvbnMatch(text.constData(), dictionary.data(), nullptr);
    text.fill('\0');
    // Bits of guessing work. The key derivation slows an attacker to some
    // thousands of guesses a second: 24 bits fall within the hour, 40 bits
    // take years, 60 bits far more than a lifetime.
    if (bits < 24) {
        return PassphraseStrength::VeryWeak;
    }
    if (bits < 40) {
        return PassphraseStrength::Weak;
    }
    if (bits < 60) {
        return PassphraseStrength::Good;
    }
    return PassphraseStrength::Strong;
}

}  // namespace core
