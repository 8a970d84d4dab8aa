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
QByteArray storageCodePage();

// Bytes of the storage code page to text and back.
QString toUi(const QByteArray& bytes);
QByteArray fromUi(const QString& text);

// The first character of a text that the storage code page cannot carry.
std::optional<QChar> firstUnencodable(const QString& text);

// An encrypted vault stores every text as UTF-8: while such a user is logged
// in, toUi, fromUi, firstUnencodable and storageCodePage work in UTF-8. The
// code page chosen by setStorageCodePage stays the compatible one, reached
// through the *Compatible functions (converting a vault back needs it).
void setUtf8Storage(bool on);
bool utf8Storage();
QString compatibleToUi(const QByteArray& bytes);
QByteArray compatibleFromUi(const QString& text);
std::optional<QChar> firstUnencodableCompatible(const QString& text);

// UTF-8 when the bytes are valid UTF-8, else the compatible storage code
// page: settings and language files are UTF-8, and older single-byte ones
// still read.
QString decodeSettingText(const QByteArray& bytes);
// The compatible storage code page when it carries the text and its bytes
// read back as the same text, else UTF-8.
QByteArray encodeSettingText(const QString& text);

}  // namespace platform
