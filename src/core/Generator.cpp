#include "core/Generator.h"

#include <QRandomGenerator>
#include <array>

namespace core {

const char kGeneratorAlphabet[63] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

namespace {
constexpr int kAlphabetSize = 62;
constexpr int kUsableBytes = 4 * kAlphabetSize;  // 248
}  // namespace

QByteArray passwordFromBytes(const QByteArray& randomBytes, int length) {
    QByteArray password;
    for (char c : randomBytes) {
        if (password.size() >= length) {
            break;
        }
        const int value = static_cast<unsigned char>(c);
        if (value < kUsableBytes) {
            password.append(kGeneratorAlphabet[value % kAlphabetSize]);
        }
    }
    return password;
}

QByteArray generatePassword(int length) {
    QByteArray password;
    password.reserve(length);
    while (password.size() < length) {
        // One read of the system source gives enough bytes for a whole password
        // nearly always; a dropped byte only asks for more.
        std::array<quint32, 4> words;
        QRandomGenerator::system()->fillRange(words.data(), qsizetype(words.size()));
        const QByteArray bytes(reinterpret_cast<const char*>(words.data()),
                               qsizetype(sizeof(words)));
        password += passwordFromBytes(bytes, length - int(password.size()));
    }
    return password;
}

}  // namespace core
