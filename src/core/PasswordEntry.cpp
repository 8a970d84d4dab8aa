#include "core/PasswordEntry.h"

#include <cstring>

namespace core {

void scrambleInPlace(char* data, qsizetype size) {
    // Eight bytes at a time: every list fill and every save runs this over
    // the whole vault.
    constexpr quint64 kKeyWord = 0x0101010101010101ull * uchar(kScrambleKey);
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        word ^= kKeyWord;
        std::memcpy(data + i, &word, 8);
    }
    for (; i < size; ++i) {
        data[i] = char(data[i] ^ kScrambleKey);
    }
}

QByteArray Scramble(QByteArray text) {
    scrambleInPlace(text.data(), text.size());
    return text;
}

QByteArray EncodeRecord(const PasswordEntry& entry) {
    QByteArray plain;
    qsizetype total = kFieldCount - 1;
    for (const QByteArray& f : entry.fields) {
        total += f.size();
    }
    plain.reserve(total);
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            plain.append('|');
        }
        plain.append(entry[i]);
    }
    return Scramble(std::move(plain));
}

FieldSpans splitSpans(const char* plain, qsizetype size, char separator) {
    FieldSpans spans;
    const char* end = plain + size;
    const char* bar = static_cast<const char*>(std::memchr(plain, separator, size_t(size)));
    // Without any "|" the Title is empty and the whole text goes to the Login.
    const char* rest = plain;
    int field = 0;
    if (!bar) {
        spans.start[Title] = 0;
        spans.length[Title] = 0;
        field = Login;
    }
    for (; field < kFieldCount; ++field) {
        const qsizetype remaining = end - rest;
        const char* next =
            remaining > 0
                ? static_cast<const char*>(std::memchr(rest, separator, size_t(remaining)))
                : nullptr;
        spans.start[size_t(field)] = qint32(rest - plain);
        if (next) {
            spans.length[size_t(field)] = qint32(next - rest);
            rest = next + 1;
        } else {
            spans.length[size_t(field)] = qint32(remaining);
            rest = end;
        }
    }
    return spans;
}

PasswordEntry SplitRecord(const QByteArray& plain) {
    const FieldSpans spans = splitSpans(plain.constData(), plain.size());
    PasswordEntry entry;
    for (int i = 0; i < kFieldCount; ++i) {
        entry[i] = plain.mid(spans.start[size_t(i)], spans.length[size_t(i)]);
    }
    return entry;
}

PasswordEntry DecodeRecord(const QByteArray& recordLine) {
    return SplitRecord(Scramble(recordLine));
}

}  // namespace core
