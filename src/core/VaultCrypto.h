#pragma once

// The cryptography of an encrypted vault, all of it from libsodium.
//
// A random 256-bit data key encrypts each file (XChaCha20-Poly1305, a fresh
// random nonce per write, the file's kind and format version as associated
// data). The data key is stored in the password file wrapped under a key
// derived from the account password with Argon2id, and, when the user has a
// key file, from a hash of the key file's whole content too.
#include <QByteArray>
#include <QList>
#include <cstddef>
#include <functional>
#include <optional>

namespace core::crypto {

// sodium_init(), once; false when libsodium cannot be used.
bool initialize();

// Key material in sodium_malloc memory (guard pages, kept out of swap),
// wiped and freed by sodium_free when it goes.
class SecureBytes {
public:
    SecureBytes() = default;
    explicit SecureBytes(size_t size);  // uninitialised; throws std::bad_alloc
    ~SecureBytes();
    SecureBytes(SecureBytes&& other) noexcept;
    SecureBytes& operator=(SecureBytes&& other) noexcept;
    SecureBytes(const SecureBytes&) = delete;
    SecureBytes& operator=(const SecureBytes&) = delete;

    unsigned char* data() { return data_; }
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    SecureBytes copy() const;
    static SecureBytes random(size_t size);

private:
    unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

// Overwrites the bytes (sodium_memzero) unless another array shares them,
// and empties the array: for key file contents and plaintexts that pass
// through ordinary memory.
void wipe(QByteArray& bytes);

constexpr size_t kKeyBytes = 32;
constexpr size_t kSaltBytes = 16;

// Argon2id cost, stored beside the salt.
struct KdfParams {
    quint64 opsLimit = 0;
    quint64 memLimit = 0;  // bytes
    bool operator==(const KdfParams& o) const {
        return opsLimit == o.opsLimit && memLimit == o.memLimit;
    }
};
// About half a second and 256 MiB on the reference machine.
KdfParams programKdfParams();
// The cost new password files get: the program's, unless a test set a cheaper one.
KdfParams newFileKdfParams();
void setNewFileKdfParams(const std::optional<KdfParams>& params);
// Costs a stored file may ask for: libsodium's bounds, and at most 1 GiB.
bool acceptableKdfParams(const KdfParams& params);

// ---- Containers: one encrypted file ------------------------------------------

enum class FileKind : unsigned char { Vault = 1, Backup = 2, Categories = 3, List = 4 };
constexpr unsigned char kContainerVersion = 1;

// The container starts with this magic; a compatible file never does (it
// holds a NUL, which ends the text of every compatible file).
bool isContainer(const QByteArray& data);

// magic, version, kind, nonce, then the ciphertext with its tag.
QByteArray seal(const SecureBytes& dataKey, FileKind kind, const QByteArray& plaintext);
// The same with the plaintext written by fill straight into the container's
// buffer (plainSize bytes) and encrypted where it lies: a large vault is not
// copied once more.
QByteArray seal(const SecureBytes& dataKey, FileKind kind, qsizetype plainSize,
                const std::function<void(char*)>& fill);

enum class OpenResult { Opened, Damaged, WrongKind, UnknownVersion };
// Opens a container of one of the kinds accepted; the plaintext only when opened.
OpenResult open(const SecureBytes& dataKey, const QByteArray& data,
                std::initializer_list<FileKind> accepted, QByteArray& plaintext);
// The same, decrypting where the ciphertext lies: once opened, data holds
// the plaintext in its own buffer, and no other copy of it is made. Data that
// does not open is emptied (a failed check wipes the bytes it would have
// written); arrays that shared its buffer keep theirs.
OpenResult openInPlace(const SecureBytes& dataKey, QByteArray& data,
                       std::initializer_list<FileKind> accepted);
// The kind the header names, when it has one (says nothing about the rest).
std::optional<FileKind> containerKind(const QByteArray& data);

// ---- The password file of an encrypted user ---------------------------------

// Its first line: ASCII with a blank and a "-", which no typed password can
// equal, so the Windows program finds a wrong password and goes no further.
extern const char* const kPasswordFileHeader;

struct KeyWrap {
    bool withKeyFile = false;
    QByteArray sealed;  // nonce + the data key encrypted + tag
};

struct PasswordFile {
    KdfParams kdf;
    QByteArray salt;
    QByteArray check;  // nonce + a sealed token: tells a wrong password apart
    // A conversion between the formats is under way: the data files may be
    // in either format until it ends.
    bool converting = false;
    QList<KeyWrap> wraps;
    bool needsKeyFile() const;  // no wrap opens without one
    bool hasWrapWithoutKeyFile() const;
};

// Starts like the header: an encrypted user's password file (maybe damaged).
bool isEncryptedPasswordFile(const QByteArray& data);
enum class ParseResult { Parsed, Damaged, UnknownVersion };
// Every line checked, the whole file covered by a checksum: a changed byte
// or a cut file is Damaged.
ParseResult parsePasswordFile(const QByteArray& data, PasswordFile& out);
QByteArray formatPasswordFile(const PasswordFile& file);

// The keys derived from the account password (the one slow step).
struct PasswordKeys {
    SecureBytes check;
    SecureBytes wrap;
};
// Empty keys when Argon2id could not run (not enough memory).
std::optional<PasswordKeys> derivePasswordKeys(const QByteArray& password, const QByteArray& salt,
                                               const KdfParams& kdf);
bool passwordMatches(const PasswordFile& file, const PasswordKeys& keys);

// BLAKE2b of the key file's whole content.
SecureBytes keyFileHash(const QByteArray& content);

// The data key from the wraps that take a key file (keyFileHash given) or
// from those that do not (none given).
std::optional<SecureBytes> unwrapDataKey(const PasswordFile& file, const PasswordKeys& keys,
                                         const SecureBytes* keyFileHash);

// A password file for a password: fresh salt, the cost for new files, one
// wrap per entry of keyFileHashes (nullptr: a wrap without key file).
struct NewPasswordFile {
    PasswordFile file;
    std::optional<PasswordKeys> keys;
};
// Derives the keys once; the result can take further wraps (addWrap).
std::optional<NewPasswordFile> newPasswordFile(const QByteArray& password);
void addWrap(NewPasswordFile& file, const SecureBytes& dataKey, const SecureBytes* keyFileHash);

}  // namespace core::crypto
