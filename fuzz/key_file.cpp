// The key file check. The first byte gives the password length (0..16), the
// password follows, and the rest of the input is the key file.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/KeyFile.h"
#include "core/PasswordEntry.h"
#include "core/StoredText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const qsizetype length = std::min<qsizetype>(data[0] % 17, qsizetype(size) - 1);
    const QByteArray password = fuzzing::bytes(data + 1, size_t(length));
    const QByteArray content = fuzzing::bytes(data + 1 + length, size - 1 - size_t(length));
    const bool matches = core::keyFileMatches(content, password);
    // A file that matches starts with the scrambled password, then a line end or its end.
    if (matches) {
        const QByteArray scrambled = core::Scramble(password);
        FUZZ_CHECK(content.startsWith(scrambled));
        FUZZ_CHECK(content.size() == scrambled.size() || content.at(scrambled.size()) == '\r' ||
                   content.at(scrambled.size()) == '\n' || content.at(scrambled.size()) == '\0');
    }
    // The key file made for a password matches it and nothing else, when the
    // password's bytes survive in a line (login passwords always do).
    bool storable = true;
    for (char c : password) {
        storable = storable && !core::isForbiddenStoredByte(c);
    }
    if (storable) {
        const QByteArray key = core::keyFileContent(password);
        FUZZ_CHECK(key.size() == core::kKeyFileSize);
        FUZZ_CHECK(core::keyFileMatches(key, password) == !password.isEmpty());
        FUZZ_CHECK(!core::keyFileMatches(key, password + 'x'));
        if (!content.isEmpty()) {
            FUZZ_CHECK(!core::keyFileMatches(key, content.left(16)) ||
                       content.left(16) == password);
        }
    }
    return 0;
}
