#pragma once

#include <QByteArray>
#include <QCollatorSortKey>
#include <QString>

namespace platform {

// Bytes compared in order after mapping "a".."z" to "A".."Z" and nothing
// else; the shorter of two texts where one is a prefix of the other is smaller.
int CompareText(const QByteArray& a, const QByteArray& b);
int CompareText(const char* a, qsizetype aLen, const char* b, qsizetype bLen);
// The same for texts held with every byte XORed with mask.
int CompareTextMasked(const char* a, qsizetype aLen, const char* b, qsizetype bLen, uchar mask);

// Locale-aware comparisons of the system's locale (the root order when the
// system locale is "C"): case-sensitive for title order, ignoring case for
// category names.
int AnsiCompareStr(const QString& a, const QString& b);
int AnsiCompareText(const QString& a, const QString& b);
// A key whose byte order is AnsiCompareStr's order, for sorting many texts.
QCollatorSortKey AnsiSortKey(const QString& text);
// Locale-aware lower-case mapping.
QString AnsiLowerCase(const QString& text);

}  // namespace platform
