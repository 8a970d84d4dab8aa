// The reader of encrypted containers under a fixed data key: any input is
// opened or refused, never half read, and what opens seals and opens again.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/EncryptedVault.h"
#include "core/VaultCrypto.h"
#include "platform/Errors.h"

namespace {

core::VaultSession& session() {
    static core::VaultSession* s = [] {
        core::crypto::SecureBytes key(core::crypto::kKeyBytes);
        for (size_t i = 0; i < key.size(); ++i) {
            key.data()[i] = uchar(0x42 + i);
        }
        return new core::VaultSession(std::move(key), std::nullopt);
    }();
    return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using core::crypto::FileKind;
    const QByteArray input = fuzzing::bytes(data, size);
    QByteArray plain;
    const core::crypto::OpenResult r =
        core::crypto::open(session().dataKey(), input, {FileKind::Vault, FileKind::List}, plain);
    if (r == core::crypto::OpenResult::Opened) {
        FUZZ_CHECK(core::crypto::isContainer(input));
        const std::optional<FileKind> kind = core::crypto::containerKind(input);
        FUZZ_CHECK(kind == FileKind::Vault || kind == FileKind::List);
        // Another kind is refused; a new seal opens to the same plaintext.
        QByteArray other;
        FUZZ_CHECK(core::crypto::open(session().dataKey(), input, {FileKind::Categories}, other) ==
                   core::crypto::OpenResult::WrongKind);
        const QByteArray again = core::crypto::seal(session().dataKey(), *kind, plain);
        FUZZ_CHECK(again != input);
        FUZZ_CHECK(core::crypto::open(session().dataKey(), again, {*kind}, other) ==
                   core::crypto::OpenResult::Opened);
        FUZZ_CHECK(other == plain);
    } else {
        FUZZ_CHECK(plain.isEmpty());
    }

    // Through the file layer: lines, or a refusal that names the file.
    static fuzzing::MemoryFileSystem fs;
    fs.reset(input);
    platform::setFileSystem(&fs);
    try {
        const core::LineList lines =
            core::readEntryFile(QStringLiteral("list.dat"), session(), {FileKind::List}, true);
        core::writeEntryFile(QStringLiteral("copy.dat"), session(), FileKind::List, lines);
        fs.writtenPath = QStringLiteral("copy.dat");
        FUZZ_CHECK(core::readEntryFile(QStringLiteral("copy.dat"), session(), {FileKind::List},
                                       false) == lines);
    } catch (const platform::PlatformError& e) {
        FUZZ_CHECK(core::crypto::isContainer(input));
        FUZZ_CHECK(e.message().contains(QStringLiteral("list.dat")));
    }
    platform::setFileSystem(nullptr);
    return 0;
}
