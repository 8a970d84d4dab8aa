#include "platform/SysUtils.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace platform {

int CompareText(const char* a, qsizetype aLen, const char* b, qsizetype bLen) {
    return CompareTextMasked(a, aLen, b, bLen, 0);
}

int CompareTextMasked(const char* a, qsizetype aLen, const char* b, qsizetype bLen, uchar mask) {
    const qsizetype n = std::min(aLen, bLen);
    for (qsizetype i = 0; i < n; ++i) {
        uchar ca = uchar(a[i] ^ mask);
        uchar cb = uchar(b[i] ^ mask);
        if (ca >= 'a' && ca <= 'z') {
            ca = uchar(ca - 32);
        }
        if (cb >= 'a' && cb <= 'z') {
            cb = uchar(cb - 32);
        }
        if (ca != cb) {
            return int(ca) - int(cb);
        }
    }
    return aLen < bLen ? -1 : (aLen > bLen ? 1 : 0);
}

int CompareText(const QByteArray& a, const QByteArray& b) {
    return CompareText(a.constData(), a.size(), b.constData(), b.size());
}

namespace {

QLocale collationLocale() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C) {
        return QLocale(QLocale::English, QLocale::UnitedStates);
    }
    return system;
}

QCollator& caseSensitive() {
    static QCollator collator = [] {
        QCollator c(collationLocale());
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    return collator;
}

QCollator& caseInsensitive() {
    static QCollator collator = [] {
        QCollator c(collationLocale());
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

}  // namespace

int AnsiCompareStr(const QString& a, const QString& b) {
    return caseSensitive().compare(a, b);
}

int AnsiCompareText(const QString& a, const QString& b) {
    return caseInsensitive().compare(a, b);
}

QCollatorSortKey AnsiSortKey(const QString& text) {
    return caseSensitive().sortKey(text);
}

QString AnsiLowerCase(const QString& text) {
    return text.toLower();
}

}  // namespace platform
