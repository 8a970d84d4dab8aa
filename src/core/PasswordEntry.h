#pragma once

#include <QByteArray>
#include <array>

namespace core {

// The fields of an entry, in stored order.
enum Field {
    Title = 0,
    Login,
    Password,
    Category,
    Link,
    Comments,
    PinCode,
    CreditCard,
    SoftwareSerial,
    kFieldCount
};

// Nine 8-bit texts in the storage code page.
struct PasswordEntry {
    std::array<QByteArray, kFieldCount> fields;

    QByteArray& operator[](int field) { return fields[size_t(field)]; }
    const QByteArray& operator[](int field) const { return fields[size_t(field)]; }
    bool operator==(const PasswordEntry& other) const { return fields == other.fields; }
};

// Every byte XORed with the one key; its own inverse.
constexpr char kScrambleKey = char(0xB9);
QByteArray Scramble(QByteArray text);
void scrambleInPlace(char* data, qsizetype size);

// The stored line of an entry: the nine fields joined by "|", scrambled.
QByteArray EncodeRecord(const PasswordEntry& entry);
PasswordEntry DecodeRecord(const QByteArray& recordLine);

// The split of a plain (unscrambled) line into nine fields: the text before
// each "|" in turn; missing trailing fields are empty and the text after the
// ninth field is dropped. A line without "|" is all Login.
PasswordEntry SplitRecord(const QByteArray& plain);

// Where the nine fields lie in a plain line, without copying them.
struct FieldSpans {
    std::array<qint32, kFieldCount> start{};
    std::array<qint32, kFieldCount> length{};
};
FieldSpans splitSpans(const char* plain, qsizetype size, char separator = '|');

}  // namespace core
