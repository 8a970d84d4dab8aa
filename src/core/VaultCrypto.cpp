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

void wipe(QByteArray& bytes) {
    // A buffer shared with another array is not ours to overwrite.
    if (!bytes.isEmpty() && bytes.isDetached()) {
        sodium_memzero(bytes.data(), size_t(bytes.size()));
    }
    bytes.clear();
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
constexpr quint64 kMaxMemLimit = quint64(1) << 30;
constexpr quint64 kMaxOpsLimit = 64;
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

bool acceptableKdfParams(const KdfParams& p) {
    return p.opsLimit >= crypto_pwhash_argon2id_OPSLIMIT_MIN && p.opsLimit <= kMaxOpsLimit &&
           p.memLimit >= crypto_pwhash_argon2id_MEMLIMIT_MIN && p.memLimit <= kMaxMemLimit;
}

// ---- Containers -----------------------------------------------------------------

namespace {

constexpr char kMagic[8] = {'V', 'O', 'R', 'R', 'E', 'L', '\0', '\x1a'};
constexpr qsizetype kHeaderBytes = sizeof(kMagic) + 2;  // + version + kind
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

}  // namespace

bool isContainer(const QByteArray& data) {
    return data.size() >= qsizetype(sizeof(kMagic)) &&
           std::memcmp(data.constData(), kMagic, sizeof(kMagic)) == 0;
}

std::optional<FileKind> containerKind(const QByteArray& data) {
    if (!isContainer(data) || data.size() < kHeaderBytes || !knownKind(uchar(data.at(9)))) {
        return std::nullopt;
    }
    return FileKind(uchar(data.at(9)));
}

QByteArray seal(const SecureBytes& dataKey, FileKind kind, const QByteArray& plaintext) {
    return seal(dataKey, kind, plaintext.size(), [&](char* to) {
        if (!plaintext.isEmpty()) {
            std::memcpy(to, plaintext.constData(), size_t(plaintext.size()));
        }
    });
}

QByteArray seal(const SecureBytes& dataKey, FileKind kind, qsizetype plainSize,
                const std::function<void(char*)>& fill) {
    requireSodium();
    QByteArray out(kHeaderBytes + kNonceBytes + plainSize + kTagBytes, Qt::Uninitialized);
    auto* base = reinterpret_cast<unsigned char*>(out.data());
    std::memcpy(base, kMagic, sizeof(kMagic));
    base[8] = kContainerVersion;
    base[9] = uchar(kind);
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

OpenResult checkHeader(const QByteArray& data, std::initializer_list<FileKind> accepted) {
    if (!isContainer(data) || data.size() < kHeaderBytes) {
        return OpenResult::Damaged;
    }
    if (uchar(data.at(8)) != kContainerVersion) {
        return OpenResult::UnknownVersion;
    }
    bool wanted = false;
    for (FileKind k : accepted) {
        wanted = wanted || uchar(data.at(9)) == uchar(k);
    }
    if (!wanted) {
        return knownKind(uchar(data.at(9))) ? OpenResult::WrongKind : OpenResult::Damaged;
    }
    if (data.size() - kHeaderBytes < kNonceBytes + kTagBytes) {
        return OpenResult::Damaged;
    }
    return OpenResult::Opened;
}

}  // namespace

OpenResult openInPlace(const SecureBytes& dataKey, QByteArray& data,
                       std::initializer_list<FileKind> accepted) {
    if (const OpenResult r = checkHeader(data, accepted); r != OpenResult::Opened) {
        data.clear();
        return r;
    }
    char* bytes = data.data();  // a buffer of its own: it is about to change
    const QByteArray header = QByteArray::fromRawData(bytes, kHeaderBytes);
    const QByteArray sealed =
        QByteArray::fromRawData(bytes + kHeaderBytes, data.size() - kHeaderBytes);
    // The plaintext is written over the ciphertext it comes from, only once
    // the tag has proved the whole genuine.
    if (!aeadOpen(dataKey.data(), header, sealed,
                  reinterpret_cast<unsigned char*>(bytes + kHeaderBytes + kNonceBytes))) {
        data.clear();
        return OpenResult::Damaged;
    }
    const qsizetype plainSize = data.size() - kHeaderBytes - kNonceBytes - kTagBytes;
    // The header and nonce go from the front without moving the plaintext;
    // the tag's bytes are wiped before they leave the end.
    sodium_memzero(bytes + kHeaderBytes + kNonceBytes + plainSize, size_t(kTagBytes));
    data.remove(0, kHeaderBytes + kNonceBytes);
    data.truncate(plainSize);
    return OpenResult::Opened;
}

OpenResult open(const SecureBytes& dataKey, const QByteArray& data,
                std::initializer_list<FileKind> accepted, QByteArray& plaintext) {
    plaintext.clear();
    if (const OpenResult r = checkHeader(data, accepted); r != OpenResult::Opened) {
        return r;
    }
    // Views into the file's bytes: a large vault is not copied to be opened.
    const QByteArray header = QByteArray::fromRawData(data.constData(), kHeaderBytes);
    const QByteArray sealed =
        QByteArray::fromRawData(data.constData() + kHeaderBytes, data.size() - kHeaderBytes);
    QByteArray out(sealed.size() - kNonceBytes - kTagBytes, Qt::Uninitialized);
    if (!aeadOpen(dataKey.data(), header, sealed, reinterpret_cast<unsigned char*>(out.data()))) {
        return OpenResult::Damaged;
    }
    plaintext = std::move(out);
    return OpenResult::Opened;
}

// ---- Password file -----------------------------------------------------------------

const char* const kPasswordFileHeader = "VORREL-ENCRYPTED 1";

namespace {

const char* const kHeaderPrefix = "VORREL-ENCRYPTED ";
const QByteArray kCheckToken = QByteArrayLiteral("Vorrel account password check");
const char kSubkeyContext[crypto_kdf_CONTEXTBYTES] = {'V', 'r', 'l', 'P', 'w', 'd', 'F', 'l'};
constexpr quint64 kCheckSubkey = 1;
constexpr quint64 kWrapSubkey = 2;

QByteArray checkAd() {
    return QByteArrayLiteral("VORREL-CHECK 1");
}
QByteArray wrapAd(bool withKeyFile) {
    return withKeyFile ? QByteArrayLiteral("VORREL-DATA-KEY 1 password+keyfile")
                       : QByteArrayLiteral("VORREL-DATA-KEY 1 password");
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

QByteArray formatPasswordFile(const PasswordFile& file) {
    QByteArray out;
    out += QByteArray(kPasswordFileHeader) + "\r\n";
    out += "kdf argon2id13 " + QByteArray::number(file.kdf.opsLimit) + ' ' +
           QByteArray::number(file.kdf.memLimit) + "\r\n";
    out += "salt " + toBase64(file.salt) + "\r\n";
    out += "check " + toBase64(file.check) + "\r\n";
    if (file.converting) {
        out += "state converting\r\n";
    }
    for (const KeyWrap& w : file.wraps) {
        out += QByteArray(w.withKeyFile ? "wrap password+keyfile " : "wrap password ") +
               toBase64(w.sealed) + "\r\n";
    }
    out += "sum " + toBase64(checksum(out)) + "\r\n";
    return out;
}

ParseResult parsePasswordFile(const QByteArray& data, PasswordFile& out) {
    out = PasswordFile();
    if (!isEncryptedPasswordFile(data)) {
        return ParseResult::Damaged;
    }
    if (data.size() > 65536 || !data.endsWith("\r\n")) {
        return ParseResult::Damaged;
    }
    const QList<QByteArray> lines = data.chopped(2).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].endsWith('\r') && i + 1 < lines.size()) {
            return ParseResult::Damaged;
        }
    }
    auto line = [&](qsizetype i) { return i + 1 < lines.size() ? lines[i].chopped(1) : lines[i]; };
    // The checksum first: a changed byte anywhere, the first line's too, is damage.
    if (lines.size() < 2) {
        return ParseResult::Damaged;
    }
    const QByteArray sumLine = line(lines.size() - 1);
    if (!sumLine.startsWith("sum ")) {
        return ParseResult::Damaged;
    }
    const std::optional<QByteArray> sum = fromBase64(sumLine.mid(4));
    const qsizetype covered = data.size() - sumLine.size() - 2;
    if (!sum || sum->size() != qsizetype(crypto_generichash_BYTES) ||
        sodium_memcmp(sum->constData(), checksum(data.left(covered)).constData(),
                      size_t(sum->size())) != 0) {
        return ParseResult::Damaged;
    }
    if (line(0) != kPasswordFileHeader) {
        const bool versioned = line(0).startsWith(kHeaderPrefix) &&
                               decimal(line(0).mid(qsizetype(std::strlen(kHeaderPrefix))));
        return versioned ? ParseResult::UnknownVersion : ParseResult::Damaged;
    }
    // header, kdf, salt, check, at least one wrap, sum
    if (lines.size() < 6 || lines.size() > 16) {
        return ParseResult::Damaged;
    }
    const QList<QByteArray> kdf = line(1).split(' ');
    if (kdf.size() != 4 || kdf[0] != "kdf" || kdf[1] != "argon2id13") {
        return ParseResult::Damaged;
    }
    const std::optional<quint64> ops = decimal(kdf[2]);
    const std::optional<quint64> mem = decimal(kdf[3]);
    if (!ops || !mem || !acceptableKdfParams({*ops, *mem})) {
        return ParseResult::Damaged;
    }
    PasswordFile f;
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
    if (line(4) == "state converting") {
        f.converting = true;
        ++first;
    }
    if (first + 1 >= lines.size()) {
        return ParseResult::Damaged;  // no wrap
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
    SecureBytes h(kKeyBytes);
    crypto_generichash(h.data(), h.size(), bytesOf(content), size_t(content.size()), nullptr, 0);
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
        if (aeadOpen(key.data(), wrapAd(w.withKeyFile), w.sealed, dataKey.data())) {
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

void addWrap(NewPasswordFile& n, const SecureBytes& dataKey, const SecureBytes* keyFileHash) {
    const SecureBytes key = wrappingKey(*n.keys, keyFileHash);
    KeyWrap w;
    w.withKeyFile = keyFileHash != nullptr;
    w.sealed = aeadSeal(key.data(), wrapAd(w.withKeyFile), dataKey.data(), dataKey.size());
    n.file.wraps.append(w);
}

}  // namespace core::crypto
