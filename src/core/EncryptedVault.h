#pragma once

// The files of an encrypted user, and the conversions to and from the
// compatible format.
//
// In memory nothing changes: entry lines stay scrambled, only their bytes are
// UTF-8 for an encrypted user. On disk the vault, its backup, the category
// file and saved lists each hold one container whose plaintext is the file's
// lines, unscrambled, UTF-8, each ended by CR LF.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/UserFiles.h"
#include "core/VaultCrypto.h"
#include "platform/Errors.h"

namespace core {

// The keys of a logged-in encrypted user; wiped when it goes.
class VaultSession {
public:
    VaultSession(crypto::SecureBytes dataKey, std::optional<crypto::SecureBytes> keyFileHash);

    // The first step of a login: the account password against the password
    // file's check. nullptr: wrong password. A damaged file is refused with
    // a PlatformError that names it.
    static std::unique_ptr<VaultSession> checkPassword(const QString& passwordFilePath,
                                                       const QByteArray& content,
                                                       const QByteArray& password);
    // The password file has no wrap that opens without a key file.
    bool needsKeyFile() const;
    bool hasKeyFileWrap() const;
    // The second step: the data key, with or without a key file; false when
    // the key file does not fit (or no wrap of that sort exists).
    bool openWithKeyFile(const QByteArray& keyFileContent);
    bool openWithoutKeyFile();
    // A conversion was cut short: the data files may be in either format.
    bool converting() const { return file_.converting; }

    const crypto::SecureBytes& dataKey() const { return *dataKey_; }
    // The hash of the key file mixed in, if any.
    const crypto::SecureBytes* keyFileHash() const {
        return keyFileHash_ ? &*keyFileHash_ : nullptr;
    }
    void setKeyFileHash(std::optional<crypto::SecureBytes> hash) { keyFileHash_ = std::move(hash); }
    // The password file as last written (it holds nothing secret).
    const crypto::PasswordFile& passwordFile() const { return file_; }
    void setPasswordFile(const crypto::PasswordFile& file) { file_ = file; }

private:
    VaultSession() = default;
    crypto::PasswordFile file_;
    std::optional<crypto::PasswordKeys> keys_;
    std::optional<crypto::SecureBytes> dataKey_;
    std::optional<crypto::SecureBytes> keyFileHash_;
};

// Why a file was not read, "%1" standing for its full path; English until
// the language file gives others.
struct FileTexts {
    QString damaged =
        QStringLiteral("The file %1 is damaged or has been changed; it was not read.");
    QString wrongKind =
        QStringLiteral("The file %1 is another kind of encrypted file; it was not read.");
    QString newerFormat =
        QStringLiteral("The file %1 was written by a newer version; it was not read.");
    QString encryptedList =
        QStringLiteral("The file %1 is encrypted; only its owner's encrypted vault can load it.");
    // The vault or category file was encrypted or decrypted elsewhere: "%1"
    // is the copy of the list that was not written over it.
    QString changedElsewhere = QStringLiteral(
        "The vault was encrypted or decrypted in another program and was not written over. "
        "Your unsaved list is kept in %1 (List > Load takes it). Please log in again.");
    // Not refusals: how many changes made elsewhere a write merged in, and
    // the question for a sync tool's conflict copy.
    QString mergedIn = QStringLiteral("%1 changes made elsewhere were merged in.");
    QString conflictCopy = QStringLiteral(
        "A sync tool kept %1 beside your files. Add its %2 lines that yours lack? Nothing is "
        "removed. The copy is kept, renamed, either way.");
};

// A file that was not read: which one and why. Its message is English; the
// user's store reports it in the interface's words.
class FileRefused : public platform::PlatformError {
public:
    enum class Reason { Damaged, WrongKind, NewerFormat, EncryptedList, ChangedElsewhere };
    FileRefused(Reason reason, const QString& path);
    QString text(const FileTexts& texts) const;
    Reason reason;
    QString path;
};

// The failures' texts in English, with the full path.
QString damagedFileText(const QString& path);
QString wrongKindText(const QString& path);
QString newerFormatText(const QString& path);
QString encryptedListText(const QString& path);

// Entry lines (scrambled UTF-8) of an encrypted user's file: a container of
// one of the kinds, or, where acceptCompatible, a compatible file converted.
// Anything else is refused with a PlatformError naming the file.
LineList readEntryFile(const QString& path, const VaultSession& session,
                       std::initializer_list<crypto::FileKind> kinds, bool acceptCompatible);
void writeEntryFile(const QString& path, const VaultSession& session, crypto::FileKind kind,
                    const LineList& lines);
// The same from and to the file's bytes (path only names the file in a refusal).
LineList entryFileLines(const QString& path, const QByteArray& data, const VaultSession& session,
                        std::initializer_list<crypto::FileKind> kinds, bool acceptCompatible);
QByteArray entryFileBytes(const VaultSession& session, crypto::FileKind kind,
                          const LineList& lines);
// Compatible category files are taken only while a conversion is under way.
LineList readCategoryFile(const QString& path, const VaultSession& session);
void writeCategoryFile(const QString& path, const VaultSession& session, const LineList& names);
LineList categoryFileLines(const QString& path, const QByteArray& data,
                           const VaultSession& session);
QByteArray categoryFileBytes(const VaultSession& session, const LineList& names);
void saveSortedCategories(const QString& path, const VaultSession& session, const LineList& names);
// LoadPasswords of an encrypted user: the vault, and the backup refreshed.
LineList loadPasswordsWithBackup(const QString& vaultPath, const QString& backupPath,
                                 const VaultSession& session);

// Between the memory forms: a scrambled line in the compatible code page and
// a scrambled UTF-8 line; category names likewise, plain.
QByteArray compatibleEntryToUtf8(const QByteArray& line);
QByteArray utf8EntryToCompatible(const QByteArray& line);
QByteArray compatibleNameToUtf8(const QByteArray& name);
QByteArray utf8NameToCompatible(const QByteArray& name);
LineList convertLines(const LineList& lines, QByteArray (*convert)(const QByteArray&));

// The first entry (named by its Title) or category (by its name) that the
// compatible format cannot carry, and the character.
struct Uncarried {
    QString name;
    QChar character;
};
std::optional<Uncarried> firstUncarriedEntry(const LineList& utf8Lines);
std::optional<Uncarried> firstUncarriedCategory(const LineList& utf8Names);

// Encrypt Vault: the password file (wrapped data key, marked converting)
// first, then the vault, backup and category file, each replaced whole, then
// the password file unmarked. A kill at any moment leaves a user who logs in:
// while the mark stands the readers take either format of each data file.
// keyFileContent: the key file to mix in, when the user demands one.
std::unique_ptr<VaultSession> encryptUserFiles(const UserPaths& paths, const QByteArray& password,
                                               const std::optional<QByteArray>& keyFileContent);

// Decrypt Vault: checks every entry and category first and refuses, writing
// nothing; else marks the password file converting, writes the data files,
// then beforePasswordFile, then the compatible password file last.
std::optional<Uncarried> decryptUserFiles(const UserPaths& paths, const QByteArray& password,
                                          VaultSession& session,
                                          const std::function<void()>& beforePasswordFile);

// At the login of a user whose conversion was cut short: the data files
// still compatible are written encrypted, then the mark goes.
void finishConversion(const UserPaths& paths, VaultSession& session);

// The key file mixed in is the compatible key file of the password (so the
// compatible key-file check still takes it after Decrypt).
bool keyFileIsCompatible(const VaultSession& session, const QByteArray& password);

// A password change: the data key wrapped anew, one write of the password file.
void rewrapDataKey(const QString& passwordFilePath, const QByteArray& password,
                   VaultSession& session);

// A new random key file (1,048,576 bytes) mixed in, without a moment where
// neither the old nor the new key file opens the vault: the password file
// first takes both wraps, then the key file is written, then afterKeyFile
// (the settings that name it), then the password file keeps the new wrap.
void replaceKeyFile(const QString& passwordFilePath, const QByteArray& password,
                    VaultSession& session, const QString& keyFilePath,
                    const std::function<void()>& afterKeyFile);

}  // namespace core
