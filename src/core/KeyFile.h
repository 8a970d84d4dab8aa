#pragma once

#include <QByteArray>
#include <QString>

namespace core {

constexpr qsizetype kKeyFileSize = 1048576;

// The key file of a password: the scrambled password, then zeros up to 1 MiB.
QByteArray keyFileContent(const QByteArray& password);

// A key file matches when its first line unscrambles to the password; a file
// without a first line (empty, or a 0x00 first byte) matches nothing.
bool keyFileMatches(const QByteArray& content, const QByteArray& password);
// The same reading only the file's first bytes, whatever its size
// ("Cannot open file %s" when it cannot be read).
bool keyFileMatchesAt(const QString& path, const QByteArray& password);

}  // namespace core
