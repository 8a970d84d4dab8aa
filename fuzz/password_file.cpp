// The reader of an encrypted user's password file: any input is parsed or
// refused; what parses is the canonical form, and a cheap one is checked
// against a password all the way to the data key. The last line is made
// anew after mutation (the checksum of the earlier release, or the MAC under
// a fixed test data key), so the parser behind it is reached.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/EncryptedVault.h"
#include "core/VaultCrypto.h"
#include "platform/Errors.h"

namespace {

const core::crypto::SecureBytes& testDataKey() {
    static const core::crypto::SecureBytes* key = [] {
        auto* k = new core::crypto::SecureBytes(core::crypto::kKeyBytes);
        for (size_t i = 0; i < k->size(); ++i) {
            k->data()[i] = uchar(0x42 + i);
        }
        return k;
    }();
    return *key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace core::crypto;
    const QByteArray raw = fuzzing::bytes(data, size);
    const bool legacy = raw.startsWith(QByteArray(kLegacyPasswordFileHeader) + "\r\n");
    const QByteArray input = resealedPasswordFile(raw, legacy ? nullptr : &testDataKey());
    PasswordFile file;
    const ParseResult r = parsePasswordFile(input, file);
    if (r != ParseResult::Parsed) {
        FUZZ_CHECK(file.wraps.isEmpty() && file.salt.isEmpty());
        return 0;
    }
    FUZZ_CHECK(isEncryptedPasswordFile(input));
    FUZZ_CHECK(!file.wraps.isEmpty());
    FUZZ_CHECK(acceptableKdfParams(file.kdf));
    // One spelling per meaning: the seal covers exactly what was parsed.
    if (file.version == 1) {
        FUZZ_CHECK(formatLegacyPasswordFile(file) == input);
    } else {
        FUZZ_CHECK(macMatches(file, testDataKey()));
        FUZZ_CHECK(formatPasswordFile(file, testDataKey()) == input);
        // The same MAC under another conversion mark does not hold.
        PasswordFile other = file;
        other.converting = !other.converting;
        const QByteArray flipped = formatPasswordFile(other, testDataKey());
        PasswordFile forged;
        FUZZ_CHECK(parsePasswordFile(
                       flipped.left(flipped.lastIndexOf("mac ")) + input.mid(file.covered.size()),
                       forged) == ParseResult::Parsed);
        FUZZ_CHECK(!macMatches(forged, testDataKey()));
    }
    // Only cheap derivations.
    if (file.kdf.memLimit <= 65536 && file.kdf.opsLimit <= 2) {
        std::unique_ptr<core::VaultSession> s;
        try {
            s = core::VaultSession::checkPassword(QStringLiteral("alice.dat"), input,
                                                  QByteArrayLiteral("Secret123"));
        } catch (const platform::PlatformError&) {
            FUZZ_CHECK(false);  // it parsed, so it is not damaged
        }
        if (s) {
            try {
                if (s->needsKeyFile()) {
                    FUZZ_CHECK(!s->openWithoutKeyFile());
                } else if (s->openWithoutKeyFile()) {
                    // Opened: the MAC held under the data key the wraps gave.
                    FUZZ_CHECK(file.version == 1 || sameBytes(s->dataKey(), testDataKey()));
                }
            } catch (const platform::PlatformError& e) {
                // A MAC under another key than the one unwrapped.
                FUZZ_CHECK(file.version == 2 && e.message().contains(QStringLiteral("alice.dat")));
            }
        }
    }
    return 0;
}
