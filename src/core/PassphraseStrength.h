#pragma once

#include <QString>
#include <QStringList>

namespace core {

// How hard a passphrase is to guess for someone who copied the user's files
// and tries guesses offline, from libzxcvbn's estimate.
enum class PassphraseStrength { None, VeryWeak, Weak, Good, Strong };

// words: names the user is known by (the login), which an attacker tries first.
PassphraseStrength passphraseStrength(const QString& passphrase, const QStringList& words = {});

}  // namespace core
