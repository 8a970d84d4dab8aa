#pragma once

#include <QByteArray>
#include <cstdint>

namespace core {

// The 62 characters a generated password is drawn from.
extern const char kGeneratorAlphabet[63];

// The C runtime's generator the stored passwords were made with: state := state *
// 22695477 + 1 (mod 2^32), each draw yields (state >> 16) & 0x7FFF.
class RuntimeRandom {
public:
    explicit RuntimeRandom(std::uint32_t seed) : state_(seed) {}
    int next() {
        state_ = state_ * 22695477u + 1u;
        return int((state_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t state_;
};

// Ten characters, seeded with the given time in whole seconds (one draw is
// discarded after seeding), so every call within one second gives the same.
QByteArray generatePassword(std::int64_t secondsSinceEpoch);

}  // namespace core
