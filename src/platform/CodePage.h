#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// The storage code page: every stored text (vault, backup, categories,
// password and key files, exports) is 8-bit text in it. By default it is the
// Windows ANSI code page of the system locale, so files written by the
// program on Windows under the same locale open unchanged.
//
// Text crosses between the stored bytes and the widgets only here.

// The code page that goes with a locale name such as "ru_RU" or "zh_CN".
QByteArray ansiCodePageForLocale(const QString& localeName);

// Chooses the storage code page: the override when it is not empty and names
// a code page ("1251", "cp1251", "windows-1251", "GBK", ...), else the system's.
// Returns false when the override names nothing known (the default is kept).
bool setStorageCodePage(const QByteArray& overrideName);

// How a user's stored lines are encoded: in the storage code page (the
// compatible format), or in UTF-8 (an encrypted vault). Every conversion of
// stored text names the one it means.
enum class Encoding { CodePage, Utf8 };
// "UTF-8", or the storage code page's name.
QByteArray encodingName(Encoding encoding);

// Stored bytes to text and back.
QString toUi(const QByteArray& bytes, Encoding encoding);
QByteArray fromUi(const QString& text, Encoding encoding);

// The first character of a text that the encoding cannot carry.
std::optional<QChar> firstUnencodable(const QString& text, Encoding encoding);

// UTF-8 when the bytes are valid UTF-8, else the compatible storage code
// page: settings and language files are UTF-8, and older single-byte ones
// still read.
QString decodeSettingText(const QByteArray& bytes);
// The compatible storage code page when it carries the text and its bytes
// read back as the same text, else UTF-8.
QByteArray encodeSettingText(const QString& text);

}  // namespace platform
