#pragma once

#include <QByteArray>

namespace core {

// The 62 characters a generated password is drawn from.
extern const char kGeneratorAlphabet[63];

// The length of a generated password.
constexpr int kGeneratedLength = 10;

// Characters of the alphabet for a stream of random bytes, at most length of
// them. Bytes from 248 on are dropped, so that each of the 62 characters
// stands for exactly four byte values (248 = 4 * 62) and none is more likely.
QByteArray passwordFromBytes(const QByteArray& randomBytes, int length);

// A new password from the operating system's cryptographic random source:
// every call gives another, whenever it is made.
QByteArray generatePassword(int length = kGeneratedLength);

}  // namespace core
