#include "core/VaultCrypto.h"

#include <sodium.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace core::crypto {

bool initialize() {
    static const bool ok = sodium_init() >= 0;
    return ok;
}

namespace {

void requireSodium() {
    if (!initialize()) {
        throw std::runtime_error("libsodium could not be initialised");
    }
}

const unsigned char* bytesOf(const QByteArray& a) {
    return reinterpret_cast<const unsigned char*>(a.constData());
}

}  // namespace

void wipeInPlace(const QByteArray& bytes) {
    // A buffer shared with another array is not ours to overwrite.
    if (!bytes.isEmpty() && bytes.isDetached()) {
        sodium_memzero(const_cast<char*>(bytes.constData()), size_t(bytes.size()));
    }
}

void wipe(QByteArray& bytes) {
    wipeInPlace(bytes);
    bytes.clear();
}

void wipeLines(QList<QByteArray>& lines) {
    // Lines read from a file share its buffer, so each is overwritten where
    // it lies, shared or not: the caller holds the last copies in use.
    for (const QByteArray& line : std::as_const(lines)) {
        if (!line.isEmpty()) {
            sodium_memzero(const_cast<char*>(line.constData()), size_t(line.size()));
        }
    }
    lines.clear();
}

QByteArray randomBytes(qsizetype size) {
    requireSodium();
    QByteArray out(size, Qt::Uninitialized);
    randombytes_buf(out.data(), size_t(size));
    return out;
}

bool sameBytes(const SecureBytes& a, const SecureBytes& b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

// ---- SecureBytes ---------------------------------------------------------------

SecureBytes::SecureBytes(size_t size) {
    requireSodium();
    data_ = static_cast<unsigned char*>(sodium_malloc(size));
    if (!data_) {
        throw std::bad_alloc();
    }
    size_ = size;
}

SecureBytes::~SecureBytes() {
    if (data_) {
        sodium_free(data_);  // wipes before it frees
    }
}

SecureBytes::SecureBytes(SecureBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

SecureBytes& SecureBytes::operator=(SecureBytes&& other) noexcept {
    if (this != &other) {
        if (data_) {
            sodium_free(data_);
        }
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

SecureBytes SecureBytes::copy() const {
    SecureBytes c(size_);
    if (size_) {
        std::memcpy(c.data_, data_, size_);
    }
    return c;
}

SecureBytes SecureBytes::random(size_t size) {
    SecureBytes r(size);
    randombytes_buf(r.data_, size);
    return r;
}

// ---- Cost of the key derivation ------------------------------------------------

namespace {
std::optional<KdfParams>& newFileOverride() {
    static std::optional<KdfParams> params;
    return params;
}
}  // namespace

KdfParams programKdfParams() {
    return {2, quint64(256) << 20};
}

KdfParams newFileKdfParams() {
    return newFileOverride().value_or(programKdfParams());
}

void setNewFileKdfParams(const std::optional<KdfParams>& params) {
    newFileOverride() = params;
}

KdfParams maxStoredKdfParams() {
    // Room for a slower or larger machine's choice, not for a planted cost.
    const KdfParams own = programKdfParams();
    return {own.opsLimit * 4, own.memLimit * 2};
}

namespace {
bool withinSodiumMinimum(const KdfParams& p) {
    return p.opsLimit >= crypto_pwhash_argon2id_OPSLIMIT_MIN &&
           p.memLimit >= crypto_pwhash_argon2id_MEMLIMIT_MIN;
}
bool withinCap(const KdfParams& p) {
    const KdfParams max = maxStoredKdfParams();
    return p.opsLimit <= max.opsLimit && p.memLimit <= max.memLimit;
}
}  // namespace

bool acceptableKdfParams(const KdfParams& p) {
    return withinSodiumMinimum(p) && withinCap(p);
}

// ---- Containers -----------------------------------------------------------------

namespace {

constexpr char kMagic[8] = {'V', 'O', 'R', 'R', 'E', 'L', '\0', '\x1a'};
constexpr qsizetype kLegacyHeaderBytes = sizeof(kMagic) + 2;  // + version + kind
constexpr qsizetype kHeaderBytes = kLegacyHeaderBytes + 8;    // + generation
constexpr unsigned char kLegacyContainerVersion = 1;
constexpr qsizetype kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr qsizetype kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;

bool knownKind(unsigned char k) {
    return k >= uchar(FileKind::Vault) && k <= uchar(FileKind::List);
}

// nonce + ciphertext of plaintext under key, with ad bound in.
QByteArray aeadSeal(const unsigned char* key, const QByteArray& ad, const unsigned char* plain,
                    size_t plainSize) {
    requireSodium();
    QByteArray out(kNonceBytes + qsizetype(plainSize) + kTagBytes, Qt::Uninitialized);
    auto* nonce = reinterpret_cast<unsigned char*>(out.data());
    randombytes_buf(nonce, size_t(kNonceBytes));
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + kNonceBytes, &written, plain, plainSize,
                                               bytesOf(ad), size_t(ad.size()), nullptr, nonce, key);
    out.resize(kNonceBytes + qsizetype(written));
    return out;
}

// Opens nonce + ciphertext into out (out.size() must be the plaintext size).
bool aeadOpen(const unsigned char* key, const QByteArray& ad, const QByteArray& sealed,
              unsigned char* out) {
    requireSodium();
    if (sealed.size() < kNonceBytes + kTagBytes) {
        return false;
    }
    unsigned long long written = 0;
    return crypto_aead_xchacha20poly1305_ietf_decrypt(
               out, &written, nullptr, bytesOf(sealed) + kNonceBytes,
               size_t(sealed.size() - kNonceBytes), bytesOf(ad), size_t(ad.size()), bytesOf(sealed),
               key) == 0;
}

// The generation the header carries; 0 in a container of the earlier release.
quint64 generationIn(const QByteArray& data, qsizetype headerBytes) {
    quint64 generation = 0;
    for (qsizetype i = headerBytes - 1; i >= kLegacyHeaderBytes; --i) {
        generation = (generation << 8) | uchar(data.at(i));
    }
    return generation;
}

}  // namespace

bool isContainer(const QByteArray& data) {
    return data.size() >= qsizetype(sizeof(kMagic)) &&
           std::memcmp(data.constData(), kMagic, sizeof(kMagic)) == 0;
}

std::optional<FileKind> containerKind(const QByteArray& data) {
    if (!isContainer(data) || data.size() < kLegacyHeaderBytes || !knownKind(uchar(data.at(9)))) {
        return std::nullopt;
    }
    return FileKind(uchar(data.at(9)));
}

std::optional<quint64> containerGeneration(const QByteArray& data) {
    if (!containerKind(data)) {
        return std::nullopt;
    }
    if (uchar(data.at(8)) == kLegacyContainerVersion) {
        return 0;
    }
    if (uchar(data.at(8)) != kContainerVersion || data.size() < kHeaderBytes) {
        return std::nullopt;
    }
    return generationIn(data, kHeaderBytes);
}

QByteArray seal(const SecureBytes& dataKey, FileKind kind, const QByteArray& plaintext,
                quint64 generation) {
    return seal(
        dataKey, kind, plaintext.size(),
        [&](char* to) {
            if (!plaintext.isEmpty()) {
                std::memcpy(to, plaintext.constData(), size_t(plaintext.size()));
            }
        },
        generation);
}

QByteArray seal(const SecureBytes& dataKey, FileKind kind, qsizetype plainSize,
                const std::function<void(char*)>& fill, quint64 generation) {
    requireSodium();
    QByteArray out(kHeaderBytes + kNonceBytes + plainSize + kTagBytes, Qt::Uninitialized);
    auto* base = reinterpret_cast<unsigned char*>(out.data());
    std::memcpy(base, kMagic, sizeof(kMagic));
    base[8] = kContainerVersion;
    base[9] = uchar(kind);
    for (int i = 0; i < 8; ++i) {
        base[kLegacyHeaderBytes + i] = uchar(generation >> (8 * i));
    }
    unsigned char* nonce = base + kHeaderBytes;
    randombytes_buf(nonce, size_t(kNonceBytes));
    unsigned char* text = nonce + kNonceBytes;
    fill(reinterpret_cast<char*>(text));
    // Encrypted in place: the stream cipher's output overwrites its input,
    // and the tag goes after it.
    crypto_aead_xchacha20poly1305_ietf_encrypt_detached(
        text, text + plainSize, nullptr, text, quint64(plainSize), base, size_t(kHeaderBytes),
        nullptr, nonce, dataKey.data());
    return out;
}

namespace {

// Whether the container is one of the kinds accepted, and how long its header is.
OpenResult checkHeader(const QByteArray& data, std::initializer_list<FileKind> accepted,
                       qsizetype& headerBytes) {
    if (!isContainer(data) || data.size() < kLegacyHeaderBytes) {
        return OpenResult::Damaged;
    }
    const uchar version = uchar(data.at(8));
    if (version != kContainerVersion && version != kLegacyContainerVersion) {
        return OpenResult::UnknownVersion;
    }
    headerBytes = version == kLegacyContainerVersion ? kLegacyHeaderBytes : kHeaderBytes;
    if (data.size() < headerBytes) {
        return OpenResult::Damaged;
    }
    bool wanted = false;
    for (FileKind k : accepted) {
        wanted = wanted || uchar(data.at(9)) == uchar(k);
    }
    if (!wanted) {
        return knownKind(uchar(data.at(9))) ? OpenResult::WrongKind : OpenResult::Damaged;
    }
    if (data.size() - headerBytes < kNonceBytes + kTagBytes) {
        return OpenResult::Damaged;
    }
    return OpenResult::Opened;
}

}  // namespace

OpenResult openInPlace(const SecureBytes& dataKey, QByteArray& data,
                       std::initializer_list<FileKind> accepted, quint64* generation) {
    qsizetype headerBytes = 0;
    if (const OpenResult r = checkHeader(data, accepted, headerBytes); r != OpenResult::Opened) {
        data.clear();
        return r;
    }
    const quint64 carried = generationIn(data, headerBytes);
    char* bytes = data.data();  // a buffer of its own: it is about to change
    const QByteArray header = QByteArray::fromRawData(bytes, headerBytes);
    const QByteArray sealed =
        QByteArray::fromRawData(bytes + headerBytes, data.size() - headerBytes);
    // The plaintext is written over the ciphertext it comes from, only once
    // the tag has proved the whole genuine.
    if (!aeadOpen(dataKey.data(), header, sealed,
                  reinterpret_cast<unsigned char*>(bytes + headerBytes + kNonceBytes))) {
        data.clear();
        return OpenResult::Damaged;
    }
    const qsizetype plainSize = data.size() - headerBytes - kNonceBytes - kTagBytes;
    // The header and nonce go from the front without moving the plaintext;
    // the tag's bytes are wiped before they leave the end.
    sodium_memzero(bytes + headerBytes + kNonceBytes + plainSize, size_t(kTagBytes));
    data.remove(0, headerBytes + kNonceBytes);
    data.truncate(plainSize);
    if (generation) {
        *generation = carried;
    }
    return OpenResult::Opened;
}

OpenResult open(const SecureBytes& dataKey, const QByteArray& data,
                std::initializer_list<FileKind> accepted, QByteArray& plaintext,
                quint64* generation) {
    plaintext.clear();
    qsizetype headerBytes = 0;
    if (const OpenResult r = checkHeader(data, accepted, headerBytes); r != OpenResult::Opened) {
        return r;
    }
    // Views into the file's bytes: a large vault is not copied to be opened.
    const QByteArray header = QByteArray::fromRawData(data.constData(), headerBytes);
    const QByteArray sealed =
        QByteArray::fromRawData(data.constData() + headerBytes, data.size() - headerBytes);
    QByteArray out(sealed.size() - kNonceBytes - kTagBytes, Qt::Uninitialized);
    if (!aeadOpen(dataKey.data(), header, sealed, reinterpret_cast<unsigned char*>(out.data()))) {
        return OpenResult::Damaged;
    }
    plaintext = std::move(out);
    if (generation) {
        *generation = generationIn(data, headerBytes);
    }
    return OpenResult::Opened;
}

// ---- Password file -----------------------------------------------------------------

const char* const kPasswordFileHeader = "VORREL-ENCRYPTED 2";
const char* const kLegacyPasswordFileHeader = "VORREL-ENCRYPTED 1";

namespace {

const char* const kHeaderPrefix = "VORREL-ENCRYPTED ";
const QByteArray kCheckToken = QByteArrayLiteral("Vorrel account password check");
const char kSubkeyContext[crypto_kdf_CONTEXTBYTES] = {'V', 'r', 'l', 'P', 'w', 'd', 'F', 'l'};
constexpr quint64 kCheckSubkey = 1;
constexpr quint64 kWrapSubkey = 2;
// Subkeys of the data key.
const char kDataSubkeyContext[crypto_kdf_CONTEXTBYTES] = {'V', 'r', 'l', 'P', 'w', 'M', 'a', 'c'};
constexpr quint64 kMacSubkey = 1;

QByteArray checkAd() {
    return QByteArrayLiteral("VORREL-CHECK 1");
}
// Bound to the version: a version 2 file made over as version 1 (whose
// checksum anyone can compute) opens no wrap.
QByteArray wrapAd(int version, bool withKeyFile) {
    return "VORREL-DATA-KEY " + QByteArray::number(version) +
           (withKeyFile ? " password+keyfile" : " password");
}

QByteArray toBase64(const QByteArray& bin) {
    requireSodium();
    const size_t len =
        sodium_base64_ENCODED_LEN(size_t(bin.size()), sodium_base64_VARIANT_ORIGINAL);
    QByteArray out(qsizetype(len), Qt::Uninitialized);
    sodium_bin2base64(out.data(), len, bytesOf(bin), size_t(bin.size()),
                      sodium_base64_VARIANT_ORIGINAL);
    out.resize(qsizetype(std::strlen(out.constData())));
    return out;
}

std::optional<QByteArray> fromBase64(const QByteArray& text) {
    requireSodium();
    QByteArray out(text.size(), Qt::Uninitialized);
    size_t len = 0;
    const char* end = nullptr;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(out.data()), size_t(out.size()),
                          text.constData(), size_t(text.size()), nullptr, &len, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != text.constData() + text.size()) {
        return std::nullopt;
    }
    out.resize(qsizetype(len));
    // One spelling per value: the checksum then covers the meaning exactly.
    if (toBase64(out) != text) {
        return std::nullopt;
    }
    return out;
}

QByteArray checksum(const QByteArray& data) {
    requireSodium();
    QByteArray sum(crypto_generichash_BYTES, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(sum.data()), size_t(sum.size()),
                       bytesOf(data), size_t(data.size()), nullptr, 0);
    return sum;
}

SecureBytes macKey(const SecureBytes& dataKey) {
    SecureBytes k(crypto_auth_KEYBYTES);
    crypto_kdf_derive_from_key(k.data(), k.size(), kMacSubkey, kDataSubkeyContext, dataKey.data());
    return k;
}

QByteArray mac(const QByteArray& covered, const SecureBytes& dataKey) {
    const SecureBytes key = macKey(dataKey);
    QByteArray out(crypto_auth_BYTES, Qt::Uninitialized);
    crypto_auth(reinterpret_cast<unsigned char*>(out.data()), bytesOf(covered),
                quint64(covered.size()), key.data());
    return out;
}

// Everything but the last line (the checksum or the MAC).
QByteArray body(const PasswordFile& file, int version) {
    QByteArray out;
    out += QByteArray(version == 1 ? kLegacyPasswordFileHeader : kPasswordFileHeader) + "\r\n";
    out += "kdf argon2id13 " + QByteArray::number(file.kdf.opsLimit) + ' ' +
           QByteArray::number(file.kdf.memLimit) + "\r\n";
    out += "salt " + toBase64(file.salt) + "\r\n";
    out += "check " + toBase64(file.check) + "\r\n";
    if (file.converting) {
        out += "state converting\r\n";
    }
    if (version >= 2) {
        out += "generation " + QByteArray::number(file.vaultGeneration) + ' ' +
               QByteArray::number(file.categoriesGeneration) + "\r\n";
    }
    for (const KeyWrap& w : file.wraps) {
        out += QByteArray(w.withKeyFile ? "wrap password+keyfile " : "wrap password ") +
               toBase64(w.sealed) + "\r\n";
    }
    return out;
}

std::optional<quint64> decimal(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 19 || (text.size() > 1 && text.at(0) == '0')) {
        return std::nullopt;
    }
    quint64 v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + quint64(c - '0');
    }
    return v;
}

// The key that wraps the data key: the password's wrap key, keyed over the
// key file's hash when a key file is mixed in.
SecureBytes wrappingKey(const PasswordKeys& keys, const SecureBytes* keyFileHash) {
    if (!keyFileHash) {
        return keys.wrap.copy();
    }
    SecureBytes k(kKeyBytes);
    crypto_generichash(k.data(), k.size(), keyFileHash->data(), keyFileHash->size(),
                       keys.wrap.data(), keys.wrap.size());
    return k;
}

}  // namespace

bool PasswordFile::needsKeyFile() const {
    return !hasWrapWithoutKeyFile();
}

bool PasswordFile::hasWrapWithoutKeyFile() const {
    for (const KeyWrap& w : wraps) {
        if (!w.withKeyFile) {
            return true;
        }
    }
    return false;
}

bool isEncryptedPasswordFile(const QByteArray& data) {
    // A compatible password file starts with a scrambled typed password,
    // never with ASCII: a changed header is still recognised, as damaged.
    return data.startsWith("VORREL-");
}

QByteArray formatPasswordFile(const PasswordFile& file, const SecureBytes& dataKey) {
    QByteArray out = body(file, 2);
    out += "mac " + toBase64(mac(out, dataKey)) + "\r\n";
    return out;
}

QByteArray formatLegacyPasswordFile(const PasswordFile& file) {
    QByteArray out = body(file, 1);
    out += "sum " + toBase64(checksum(out)) + "\r\n";
    return out;
}

QByteArray resealedPasswordFile(const QByteArray& text, const SecureBytes* dataKey) {
    const qsizetype cut = text.endsWith("\r\n") ? text.lastIndexOf("\r\n", text.size() - 3)
                                                : text.lastIndexOf("\r\n");
    const QByteArray covered = cut < 0 ? QByteArray() : text.left(cut + 2);
    return covered +
           (dataKey ? "mac " + toBase64(mac(covered, *dataKey))
                    : "sum " + toBase64(checksum(covered))) +
           "\r\n";
}

bool macMatches(const PasswordFile& file, const SecureBytes& dataKey) {
    if (file.version != 2 || file.mac.size() != qsizetype(crypto_auth_BYTES)) {
        return false;
    }
    const SecureBytes key = macKey(dataKey);
    return crypto_auth_verify(bytesOf(file.mac), bytesOf(file.covered),
                              quint64(file.covered.size()), key.data()) == 0;
}

ParseResult parsePasswordFile(const QByteArray& data, PasswordFile& out) {
    out = PasswordFile();
    if (!isEncryptedPasswordFile(data) || data.size() > kMaxPasswordFileBytes ||
        !data.endsWith("\r\n")) {
        return ParseResult::Damaged;
    }
    const QList<QByteArray> lines = data.chopped(2).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].endsWith('\r') && i + 1 < lines.size()) {
            return ParseResult::Damaged;
        }
    }
    auto line = [&](qsizetype i) { return i + 1 < lines.size() ? lines[i].chopped(1) : lines[i]; };
    if (lines.size() < 2) {
        return ParseResult::Damaged;
    }
    PasswordFile f;
    if (line(0) == kPasswordFileHeader) {
        f.version = 2;
    } else if (line(0) == kLegacyPasswordFileHeader) {
        f.version = 1;
    } else {
        const bool versioned = line(0).startsWith(kHeaderPrefix) &&
                               decimal(line(0).mid(qsizetype(std::strlen(kHeaderPrefix))));
        return versioned ? ParseResult::UnknownVersion : ParseResult::Damaged;
    }
    const QByteArray sealLine = line(lines.size() - 1);
    f.covered = data.left(data.size() - sealLine.size() - 2);
    if (f.version == 1) {
        // The checksum first: a changed byte anywhere is damage.
        const std::optional<QByteArray> sum =
            sealLine.startsWith("sum ") ? fromBase64(sealLine.mid(4)) : std::nullopt;
        if (!sum || sum->size() != qsizetype(crypto_generichash_BYTES) ||
            sodium_memcmp(sum->constData(), checksum(f.covered).constData(), size_t(sum->size())) !=
                0) {
            return ParseResult::Damaged;
        }
    } else {
        const std::optional<QByteArray> m =
            sealLine.startsWith("mac ") ? fromBase64(sealLine.mid(4)) : std::nullopt;
        if (!m || m->size() != qsizetype(crypto_auth_BYTES)) {
            return ParseResult::Damaged;
        }
        f.mac = *m;
    }
    // header, kdf, salt, check, [state], [generation], 1 to 11 wraps, seal
    if (lines.size() < 6 || lines.size() > 18) {
        return ParseResult::Damaged;
    }
    const QList<QByteArray> kdf = line(1).split(' ');
    if (kdf.size() != 4 || kdf[0] != "kdf" || kdf[1] != "argon2id13") {
        return ParseResult::Damaged;
    }
    const std::optional<quint64> ops = decimal(kdf[2]);
    const std::optional<quint64> mem = decimal(kdf[3]);
    if (!ops || !mem || !withinSodiumMinimum({*ops, *mem})) {
        return ParseResult::Damaged;
    }
    f.kdf = {*ops, *mem};
    std::optional<QByteArray> salt;
    if (line(2).startsWith("salt ")) {
        salt = fromBase64(line(2).mid(5));
    }
    if (!salt || salt->size() != qsizetype(kSaltBytes)) {
        return ParseResult::Damaged;
    }
    f.salt = *salt;
    std::optional<QByteArray> check;
    if (line(3).startsWith("check ")) {
        check = fromBase64(line(3).mid(6));
    }
    if (!check || check->size() != kNonceBytes + kCheckToken.size() + kTagBytes) {
        return ParseResult::Damaged;
    }
    f.check = *check;
    qsizetype first = 4;
    if (line(first) == "state converting") {
        f.converting = true;
        ++first;
    }
    if (f.version >= 2) {
        const QList<QByteArray> g = line(first).split(' ');
        const std::optional<quint64> vault = g.size() == 3 ? decimal(g[1]) : std::nullopt;
        const std::optional<quint64> categories = g.size() == 3 ? decimal(g[2]) : std::nullopt;
        if (g[0] != "generation" || !vault || !categories) {
            return ParseResult::Damaged;
        }
        f.vaultGeneration = *vault;
        f.categoriesGeneration = *categories;
        ++first;
    }
    if (first + 1 >= lines.size() || lines.size() - 1 - first > 11) {
        return ParseResult::Damaged;  // no wrap, or more than any file has
    }
    for (qsizetype i = first; i + 1 < lines.size(); ++i) {
        const QByteArray l = line(i);
        KeyWrap w;
        std::optional<QByteArray> sealed;
        if (l.startsWith("wrap password+keyfile ")) {
            w.withKeyFile = true;
            sealed = fromBase64(l.mid(22));
        } else if (l.startsWith("wrap password ")) {
            sealed = fromBase64(l.mid(14));
        }
        if (!sealed || sealed->size() != kNonceBytes + qsizetype(kKeyBytes) + kTagBytes) {
            return ParseResult::Damaged;
        }
        w.sealed = *sealed;
        f.wraps.append(w);
    }
    // Last, so that a cost beyond the cap is told apart from damage.
    if (!withinCap(f.kdf)) {
        return ParseResult::TooCostly;
    }
    out = f;
    return ParseResult::Parsed;
}

std::optional<PasswordKeys> derivePasswordKeys(const QByteArray& password, const QByteArray& salt,
                                               const KdfParams& kdf) {
    requireSodium();
    if (salt.size() != qsizetype(kSaltBytes) || !acceptableKdfParams(kdf)) {
        return std::nullopt;
    }
    SecureBytes master(kKeyBytes);
    if (crypto_pwhash(master.data(), master.size(), password.constData(), quint64(password.size()),
                      bytesOf(salt), kdf.opsLimit, size_t(kdf.memLimit),
                      crypto_pwhash_ALG_ARGON2ID13) != 0) {
        return std::nullopt;
    }
    PasswordKeys keys{SecureBytes(kKeyBytes), SecureBytes(kKeyBytes)};
    crypto_kdf_derive_from_key(keys.check.data(), keys.check.size(), kCheckSubkey, kSubkeyContext,
                               master.data());
    crypto_kdf_derive_from_key(keys.wrap.data(), keys.wrap.size(), kWrapSubkey, kSubkeyContext,
                               master.data());
    return keys;
}

bool passwordMatches(const PasswordFile& file, const PasswordKeys& keys) {
    if (file.check.size() != kNonceBytes + kCheckToken.size() + kTagBytes) {
        return false;
    }
    QByteArray token(kCheckToken.size(), Qt::Uninitialized);
    return aeadOpen(keys.check.data(), checkAd(), file.check,
                    reinterpret_cast<unsigned char*>(token.data())) &&
           token == kCheckToken;
}

SecureBytes keyFileHash(const QByteArray& content) {
    KeyFileHasher hasher;
    hasher.add(content);
    return hasher.finish();
}

KeyFileHasher::KeyFileHasher() : state_(crypto_generichash_statebytes()) {
    crypto_generichash_init(reinterpret_cast<crypto_generichash_state*>(state_.data()), nullptr, 0,
                            kKeyBytes);
}

void KeyFileHasher::add(const QByteArray& piece) {
    crypto_generichash_update(reinterpret_cast<crypto_generichash_state*>(state_.data()),
                              bytesOf(piece), quint64(piece.size()));
}

SecureBytes KeyFileHasher::finish() {
    SecureBytes h(kKeyBytes);
    crypto_generichash_final(reinterpret_cast<crypto_generichash_state*>(state_.data()), h.data(),
                             h.size());
    return h;
}

std::optional<SecureBytes> unwrapDataKey(const PasswordFile& file, const PasswordKeys& keys,
                                         const SecureBytes* keyFileHash) {
    const SecureBytes key = wrappingKey(keys, keyFileHash);
    for (const KeyWrap& w : file.wraps) {
        if (w.withKeyFile != (keyFileHash != nullptr) ||
            w.sealed.size() != kNonceBytes + qsizetype(kKeyBytes) + kTagBytes) {
            continue;
        }
        SecureBytes dataKey(kKeyBytes);
        if (aeadOpen(key.data(), wrapAd(file.version, w.withKeyFile), w.sealed, dataKey.data())) {
            return dataKey;
        }
    }
    return std::nullopt;
}

std::optional<NewPasswordFile> newPasswordFile(const QByteArray& password) {
    requireSodium();
    NewPasswordFile n;
    n.file.kdf = newFileKdfParams();
    n.file.salt = QByteArray(qsizetype(kSaltBytes), Qt::Uninitialized);
    randombytes_buf(n.file.salt.data(), kSaltBytes);
    n.keys = derivePasswordKeys(password, n.file.salt, n.file.kdf);
    if (!n.keys) {
        return std::nullopt;
    }
    n.file.check =
        aeadSeal(n.keys->check.data(), checkAd(), bytesOf(kCheckToken), size_t(kCheckToken.size()));
    return n;
}

NewPasswordFile samePasswordFile(const PasswordFile& file, PasswordKeys keys) {
    NewPasswordFile n;
    n.file = file;
    n.file.version = 2;
    n.file.wraps.clear();
    n.file.covered.clear();
    n.file.mac.clear();
    n.keys = std::move(keys);
    return n;
}

void addWrap(NewPasswordFile& n, const SecureBytes& dataKey, const SecureBytes* keyFileHash) {
    const SecureBytes key = wrappingKey(*n.keys, keyFileHash);
    KeyWrap w;
    w.withKeyFile = keyFileHash != nullptr;
    w.sealed =
        aeadSeal(key.data(), wrapAd(n.file.version, w.withKeyFile), dataKey.data(), dataKey.size());
    n.file.wraps.append(w);
}

}  // namespace core::crypto
