#include "core/Generator.h"

namespace core {

const char kGeneratorAlphabet[63] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

QByteArray generatePassword(std::int64_t secondsSinceEpoch) {
    RuntimeRandom random{static_cast<std::uint32_t>(secondsSinceEpoch)};
    random.next();
    QByteArray password;
    password.reserve(10);
    for (int i = 0; i < 10; ++i) {
        password.append(kGeneratorAlphabet[random.next() % 62]);
    }
    return password;
}

}  // namespace core
