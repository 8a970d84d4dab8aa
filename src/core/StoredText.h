#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace core {

// A text that goes into a stored entry must survive the line format: no "|"
// (the field separator), nothing the storage code page cannot carry, and no
// byte that scrambles to NUL, CR or LF. Returns the first character that
// breaks one of these rules.
std::optional<QChar> forbiddenStoredCharacter(const QString& text);

// The same for a text already in stored bytes (a name read from a file):
// also a byte sequence the code page reads back differently is refused.
std::optional<QChar> forbiddenStoredBytes(const QByteArray& bytes);

// The three plain byte values that scramble to NUL, LF and CR.
bool isForbiddenStoredByte(char byte);

}  // namespace core
