#pragma once

// The cryptography of an encrypted vault, all of it from libsodium.
//
// A random 256-bit data key encrypts each file (XChaCha20-Poly1305, a fresh
// random nonce per write, the file's kind, format version and generation as
// associated data). The data key is stored in the password file wrapped under
// a key derived from the account password with Argon2id, and, when the user
// has a key file, from a hash of the key file's whole content too. The whole
// password file is authenticated by a MAC under a subkey of the data key.
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

// Overwrites the bytes where they lie unless another array shares them:
// for arrays that cannot be changed through their holder (a set's keys).
void wipeInPlace(const QByteArray& bytes);

// Every line's bytes overwritten where they lie, also where other arrays
// share them, and the list emptied: only for the last lines in use, as what
// was decrypted leaves memory at the lock.
void wipeLines(QList<QByteArray>& lines);

// Wipes the array when the scope ends, also through an exception.
class WipeOnExit {
public:
    explicit WipeOnExit(QByteArray& bytes) : bytes_(bytes) {}
    ~WipeOnExit() { wipe(bytes_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    QByteArray& bytes_;
};

// Random bytes from libsodium, in ordinary memory (a new key file).
QByteArray randomBytes(qsizetype size);
// Compared in constant time; false when the sizes differ.
bool sameBytes(const SecureBytes& a, const SecureBytes& b);

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
// The largest cost a stored file may ask for: a small multiple of the
// program's own, so a planted file cannot freeze the login or exhaust memory.
KdfParams maxStoredKdfParams();
// Within libsodium's bounds and within maxStoredKdfParams().
bool acceptableKdfParams(const KdfParams& params);

// ---- Containers: one encrypted file ------------------------------------------

enum class FileKind : unsigned char { Vault = 1, Backup = 2, Categories = 3, List = 4 };
// Version 2 adds the generation; version 1 files are still read (generation 0).
constexpr unsigned char kContainerVersion = 2;

// The container starts with this magic; a compatible file never does (it
// holds a NUL, which ends the text of every compatible file).
bool isContainer(const QByteArray& data);

// magic, version, kind, generation, nonce, then the ciphertext with its tag.
// The generation numbers the writes of one file, so an older copy is known.
QByteArray seal(const SecureBytes& dataKey, FileKind kind, const QByteArray& plaintext,
                quint64 generation = 0);
// The same with the plaintext written by fill straight into the container's
// buffer (plainSize bytes) and encrypted where it lies: a large vault is not
// copied once more.
QByteArray seal(const SecureBytes& dataKey, FileKind kind, qsizetype plainSize,
                const std::function<void(char*)>& fill, quint64 generation = 0);

enum class OpenResult { Opened, Damaged, WrongKind, UnknownVersion };
// Opens a container of one of the kinds accepted; the plaintext, and the
// generation it was sealed with, only when opened.
OpenResult open(const SecureBytes& dataKey, const QByteArray& data,
                std::initializer_list<FileKind> accepted, QByteArray& plaintext,
                quint64* generation = nullptr);
// The same, decrypting where the ciphertext lies: once opened, data holds
// the plaintext in its own buffer, and no other copy of it is made. Data that
// does not open is emptied (a failed check wipes the bytes it would have
// written); arrays that shared its buffer keep theirs.
OpenResult openInPlace(const SecureBytes& dataKey, QByteArray& data,
                       std::initializer_list<FileKind> accepted, quint64* generation = nullptr);
// The kind the header names, when it has one (says nothing about the rest).
std::optional<FileKind> containerKind(const QByteArray& data);
// The generation the header names (0 for version 1), unauthenticated: only
// for decisions that err on the side of keeping a file.
std::optional<quint64> containerGeneration(const QByteArray& data);

// ---- The password file of an encrypted user ---------------------------------

// Its first line: ASCII with a blank and a "-", which no typed password can
// equal, so the Windows program finds a wrong password and goes no further.
// Version 2 ends in a MAC; version 1 (still read) in a plain checksum.
extern const char* const kPasswordFileHeader;
extern const char* const kLegacyPasswordFileHeader;
// Larger files are refused before they are read.
constexpr qint64 kMaxPasswordFileBytes = 65536;

struct KeyWrap {
    bool withKeyFile = false;
    QByteArray sealed;  // nonce + the data key encrypted + tag
};

struct PasswordFile {
    int version = 2;
    KdfParams kdf;
    QByteArray salt;
    QByteArray check;  // nonce + a sealed token: tells a wrong password apart
    // A conversion between the formats is under way: the data files may be
    // in either format until it ends.
    bool converting = false;
    // The generations of the vault and the category file last written.
    quint64 vaultGeneration = 0;
    quint64 categoriesGeneration = 0;
    QList<KeyWrap> wraps;
    // As read: the text the MAC covers, and the MAC (version 2 only).
    QByteArray covered;
    QByteArray mac;
    bool needsKeyFile() const;  // no wrap opens without one
    bool hasWrapWithoutKeyFile() const;
};

// Starts like the header: an encrypted user's password file (maybe damaged).
bool isEncryptedPasswordFile(const QByteArray& data);
enum class ParseResult { Parsed, Damaged, UnknownVersion, TooCostly };
// Every line checked. Version 1: the whole file covered by a checksum, a
// changed byte or a cut file is Damaged. Version 2: the MAC is only read
// here; macMatches() checks it once the data key is known.
ParseResult parsePasswordFile(const QByteArray& data, PasswordFile& out);
bool macMatches(const PasswordFile& file, const SecureBytes& dataKey);
// Version 2, authenticated under the data key.
QByteArray formatPasswordFile(const PasswordFile& file, const SecureBytes& dataKey);
// Version 1, with its plain checksum: files of earlier releases, for tests.
QByteArray formatLegacyPasswordFile(const PasswordFile& file);
// The text with its last line made anew: the checksum (no key) or the MAC
// (under dataKey) over the rest; for tests and fuzzing of forged files.
QByteArray resealedPasswordFile(const QByteArray& text, const SecureBytes* dataKey);

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
// The same over pieces, so a key file is never held whole.
class KeyFileHasher {
public:
    KeyFileHasher();
    void add(const QByteArray& piece);
    SecureBytes finish();

private:
    SecureBytes state_;
};

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
// The same salt, cost and check, with the keys already derived from them,
// and no wrap yet (to write a file of an earlier version anew).
NewPasswordFile samePasswordFile(const PasswordFile& file, PasswordKeys keys);
void addWrap(NewPasswordFile& file, const SecureBytes& dataKey, const SecureBytes* keyFileHash);

}  // namespace core::crypto
