// The reader of an encrypted user's password file: any input is parsed or
// refused; what parses is the canonical form, and a cheap one is checked
// against a password all the way to the data key.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/EncryptedVault.h"
#include "core/VaultCrypto.h"
#include "platform/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = fuzzing::bytes(data, size);
    core::crypto::PasswordFile file;
    const core::crypto::ParseResult r = core::crypto::parsePasswordFile(input, file);
    if (r != core::crypto::ParseResult::Parsed) {
        FUZZ_CHECK(file.wraps.isEmpty() && file.salt.isEmpty());
        return 0;
    }
    FUZZ_CHECK(core::crypto::isEncryptedPasswordFile(input));
    FUZZ_CHECK(!file.wraps.isEmpty());
    FUZZ_CHECK(core::crypto::acceptableKdfParams(file.kdf));
    // One spelling per meaning: the checksum covers exactly what was parsed.
    FUZZ_CHECK(core::crypto::formatPasswordFile(file) == input);
    // Only cheap derivations: a stored cost of up to 1 GiB is legal but slow.
    if (file.kdf.memLimit <= 65536 && file.kdf.opsLimit <= 2) {
        try {
            std::unique_ptr<core::VaultSession> s = core::VaultSession::checkPassword(
                QStringLiteral("alice.dat"), input, QByteArrayLiteral("Secret123"));
            if (s) {
                if (s->needsKeyFile()) {
                    FUZZ_CHECK(!s->openWithoutKeyFile());
                } else {
                    s->openWithoutKeyFile();
                }
            }
        } catch (const platform::PlatformError&) {
            FUZZ_CHECK(false);  // it parsed, so it is not damaged
        }
    }
    return 0;
}
