#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "platform/CodePage.h"

namespace core {

// A text that goes into a stored entry must survive the line format: no "|"
// (the field separator), no line break and no NUL. A compatible vault adds
// two rules: nothing the storage code page cannot carry, and no byte that
// scrambles to NUL, CR or LF. An encrypted vault (UTF-8 storage) holds
// every other character. Returns the first character that breaks a rule.
std::optional<QChar> forbiddenStoredCharacter(const QString& text, platform::Encoding encoding);

// The same rules for the compatible format, whatever the vault in use: the
// check before an encrypted vault is converted back.
std::optional<QChar> forbiddenCompatibleCharacter(const QString& text);

// The same for a text already in stored bytes (a name read from a file):
// also a byte sequence the code page reads back differently is refused.
std::optional<QChar> forbiddenStoredBytes(const QByteArray& bytes, platform::Encoding encoding);

// The three plain byte values that scramble to NUL, LF and CR.
bool isForbiddenStoredByte(char byte);

}  // namespace core
