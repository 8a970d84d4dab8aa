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
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/UserFiles.h"
#include "core/VaultCrypto.h"
#include "platform/Errors.h"

namespace core {

// The keys of a logged-in encrypted user; wiped when it goes.
class VaultSession {
public:
    VaultSession(crypto::SecureBytes dataKey, std::optional<crypto::SecureBytes> keyFileHash);

    // The first step of a login: the account password against the password
    // file's check. nullptr: wrong password. A damaged file, or one asking
    // for a key derivation beyond maxStoredKdfParams(), is refused with a
    // PlatformError that names it.
    static std::unique_ptr<VaultSession> checkPassword(const QString& passwordFilePath,
                                                       const QByteArray& content,
                                                       const QByteArray& password);
    // The password file has no wrap that opens without a key file.
    bool needsKeyFile() const;
    bool hasKeyFileWrap() const;
    // The second step: the data key, with or without a key file; false when
    // the key file does not fit (or no wrap of that sort exists). Then the
    // password file's MAC under the data key, before anything else of it is
    // trusted: a file that fails it is refused with a PlatformError.
    bool openWithKeyFile(const QByteArray& keyFileContent);
    // The same with the key file read in pieces (at most kMaxKeyFileBytes).
    bool openWithKeyFileAt(const QString& keyFilePath);
    bool openWithoutKeyFile();
    // A conversion was cut short: the data files may be in either format.
    // Only a file under a valid MAC says so: an edited file of the earlier
    // release, which has none, would let plain data files in.
    bool converting() const {
        return dataKey_.has_value() && file_.version >= 2 && file_.converting;
    }
    // A password file of an earlier release (no MAC): written anew at the
    // login (finishConversion) or at the next write.
    bool legacyPasswordFile() const { return file_.version < 2; }

    const crypto::SecureBytes& dataKey() const { return *dataKey_; }
    // The hash of the key file mixed in, if any.
    const crypto::SecureBytes* keyFileHash() const {
        return keyFileHash_ ? &*keyFileHash_ : nullptr;
    }
    // The password file as last written (it holds nothing secret).
    const crypto::PasswordFile& passwordFile() const { return file_; }
    // Where the password file is: writes of the vault and the category file
    // record their generation in it. Empty: nothing is recorded.
    const QString& passwordFilePath() const { return passwordFilePath_; }
    void setPasswordFilePath(const QString& path) { passwordFilePath_ = path; }

    // Internal bookkeeping of the writers (EncryptedVault.cpp).
    struct Internals;

private:
    friend struct Internals;
    VaultSession() = default;
    bool finishOpening(std::optional<crypto::SecureBytes> dataKey,
                       std::optional<crypto::SecureBytes> keyFileHash);
    QString passwordFilePath_;
    crypto::PasswordFile file_;
    std::optional<crypto::PasswordKeys> keys_;  // kept only to renew a legacy file
    std::optional<crypto::SecureBytes> dataKey_;
    std::optional<crypto::SecureBytes> keyFileHash_;
    // Further key files whose wraps the password file holds (a new key file
    // being put in place): re-wrapped at a password change too.
    std::vector<crypto::SecureBytes> otherKeyFileHashes_;
    // The newest generations met in files, above the recorded ones after a
    // write that the password file did not follow.
    mutable quint64 seenVault_ = 0;
    mutable quint64 seenCategories_ = 0;
    // This session's generation of the file is the one recorded.
    bool recordedVault_ = false;
    bool recordedCategories_ = false;
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
    QString tooLarge = QStringLiteral("The file %1 is too large to be read; it was not read.");
    QString tooCostly = QStringLiteral(
        "The file %1 asks for a far costlier key derivation than this program uses; it was not "
        "read.");
    // The vault or category file was encrypted or decrypted elsewhere: "%1"
    // is the copy of the list that was not written over it.
    // "%1" the file; a newer backup is then named ("%1" the backup).
    QString older =
        QStringLiteral("The file %1 is older than the one last written; it was not read.");
    QString newerBackup = QStringLiteral("The backup %1 holds a newer copy.");
    // A password file and data files of different formats: "%1" the password
    // file, "%2" the data files.
    QString encryptedPasswordFileAlone = QStringLiteral(
        "The password file %1 is encrypted, but these files are not: %2. The user was not opened "
        "and nothing was written.");
    QString plainPasswordFileBeside = QStringLiteral(
        "The password file %1 is not encrypted, but these files are: %2. It may be an old copy "
        "put back. The user was not opened and nothing was written.");
    // A user's file that is a symbolic link: "%1" the file.
    QString link = QStringLiteral(
        "The file %1 is a symbolic link. Vorrel reads and writes no user's files through links, "
        "so the user was not opened. To keep the files elsewhere, link the whole user folder "
        "instead.");
    // Another program encrypted or decrypted the vault, or encrypted it anew;
    // "%1" the password file.
    QString changedElsewhere = QStringLiteral(
        "The vault was encrypted or decrypted in another program (%1). Nothing was written over "
        "it, and your changes here are kept: the next save asks for the password that opens it "
        "now.");
    QString reopenPrompt = QStringLiteral(
        "The vault was encrypted or decrypted in another program. Password that opens it now:");
    QString notSaved = QStringLiteral(
        "Your changes were not saved; they are kept until the vault is opened with its new "
        "password.");
    // The program cannot end yet: a file was still being written elsewhere.
    QString notSavedYet = QStringLiteral(
        "Your changes are not saved yet: another program is still writing your files. They are "
        "kept; try again in a moment.");
    // A file changed elsewhere that cannot be read: "%1" the file, "%2" the
    // copy of the list kept beside it, when one could be.
    QString keptAside = QStringLiteral(
        "The file %1 was changed elsewhere and cannot be read, so it was not written over. Your "
        "list is kept in %2 (List > Load takes it).");
    QString notWrittenOver = QStringLiteral(
        "The file %1 was changed elsewhere and cannot be read, so it was not written over. Your "
        "changes are kept until it can be read.");
    // The status bar while a write is owed, and while the files are in a
    // format another program gave them.
    QString unsaved = QStringLiteral("Changes not saved yet");
    QString changedElsewhereStatus =
        QStringLiteral("Encrypted or decrypted in another program: saving asks for its password");
    // Why a write failed, "%1" the file.
    QString writeDiskFull = platform::writeProblemText(platform::WriteProblem::DiskFull);
    QString writeTooLarge = platform::writeProblemText(platform::WriteProblem::FileTooLarge);
    QString writeNoPermission = platform::writeProblemText(platform::WriteProblem::NoPermission);
    QString writeReadOnly = platform::writeProblemText(platform::WriteProblem::ReadOnly);
    QString writeLink = platform::writeProblemText(platform::WriteProblem::Link);
    // Not refusals: how many changes made elsewhere a write merged in, and
    // the question for a sync tool's conflict copy. Plural forms are
    // separated by "|" (see pluralForm).
    QString mergedIn = QStringLiteral(
        "%1 change made elsewhere was merged in.|%1 changes made elsewhere were merged in.");
    QString conflictCopy = QStringLiteral(
        "A sync tool kept %1 beside your files. Add its %2 entry that yours lack? Nothing is "
        "removed. The copy is kept, renamed, either way.|A sync tool kept %1 beside your files. "
        "Add its %2 entries that yours lack? Nothing is removed. The copy is kept, renamed, "
        "either way.");
    // The text of a write that failed, in these words.
    QString writeFailure(const platform::WriteFailed& e) const;
};

// A file that was not read: which one and why. Its message is English; the
// user's store reports it in the interface's words.
class FileRefused : public platform::PlatformError {
public:
    enum class Reason {
        Damaged,
        WrongKind,
        NewerFormat,
        EncryptedList,
        TooLarge,
        TooCostly,
        ChangedElsewhere,
        Link,
        // An older copy than the one last written; others: a newer backup.
        Older,
        // The password file (path) in another format than the data files (others).
        EncryptedPasswordFileAlone,
        PlainPasswordFileBeside
    };
    FileRefused(Reason reason, const QString& path, QStringList others = {},
                const FileTexts& texts = FileTexts());
    QString text(const FileTexts& texts) const;
    // Another program encrypted or decrypted the user's files.
    bool formatChanged() const { return reason == Reason::ChangedElsewhere; }
    Reason reason;
    QString path;
    QStringList others;
};

// Of several plural forms separated by "|", the one for n. One form: no
// plural (Chinese); two: n == 1 takes the first (English); three: the East
// Slavic rule (Russian).
QString pluralForm(const QString& forms, qsizetype n);

// A vault older than the one last written: the backup is offered instead.
class OlderVaultError : public FileRefused {
public:
    OlderVaultError(const QString& vaultPath, const QString& newerBackupPath,
                    const FileTexts& texts = FileTexts());
    // Empty when the backup is no newer.
    QString newerBackupPath() const { return others.value(0); }
};

// Size limits, checked before a file is read.
constexpr qint64 kMaxContainerBytes = qint64(256) << 20;
constexpr qint64 kMaxKeyFileBytes = qint64(16) << 20;
// The file whole, its size checked before it is read (and after: it may
// grow); beyond max it is refused (FileRefused, TooLarge). A symbolic link
// is refused (FileRefused, Link), checked before and after the read: a
// link planted by a sync peer would bring another file into the vault.
QByteArray readBoundedFile(const QString& path, qint64 max);

// The password file, its size checked first (tooLargeText).
QByteArray readPasswordFile(const QString& path);
// The hash of a key file read in pieces; tooLargeText beyond kMaxKeyFileBytes.
crypto::SecureBytes hashKeyFile(const QString& path);

// The data files of the user (passwords.dat, passwords.dat.bak, categories.dat,
// those that exist) whose format is not the password file's: encrypted ones
// beside a compatible password file, compatible ones beside an encrypted
// password file unless a conversion is under way. Reads only their first bytes.
QStringList mismatchedFiles(const UserPaths& paths, bool encryptedPasswordFile, bool converting);
// Restore and Load of a compatible user: the lines of a compatible file; an
// encrypted one is refused (FileRefused, EncryptedList), as is one beyond kMaxContainerBytes.
LineList readCompatibleEntryFile(const QString& path);

// Entry lines (scrambled UTF-8) of an encrypted user's file: a container of
// one of the kinds, or, where acceptCompatible, a compatible file converted.
// Anything else is refused with a PlatformError naming the file.
LineList readEntryFile(const QString& path, const VaultSession& session,
                       std::initializer_list<crypto::FileKind> kinds, bool acceptCompatible);
// A vault written gets the next generation, recorded in the password file
// right after; a backup gets the vault's.
QByteArray writeEntryFile(const QString& path, VaultSession& session, crypto::FileKind kind,
                          const LineList& lines);
// The same from and to the file's bytes (path only names the file in a
// refusal). The bytes carry no generation: for copies kept aside.
LineList entryFileLines(const QString& path, const QByteArray& data, const VaultSession& session,
                        std::initializer_list<crypto::FileKind> kinds, bool acceptCompatible);
QByteArray entryFileBytes(const VaultSession& session, crypto::FileKind kind,
                          const LineList& lines);
// Compatible category files are taken only while a conversion is under way;
// one older than the last written is refused (FileRefused::Reason::Older).
LineList readCategoryFile(const QString& path, const VaultSession& session);
LineList categoryFileLines(const QString& path, const QByteArray& data, const VaultSession& session,
                           bool acceptOlder = false);
// A vault's bytes under this session's key; one older than the last written
// is refused (FileRefused::Reason::Older) unless acceptOlder (a sync tool's
// conflict copy is older by nature).
LineList vaultFileLines(const QString& path, const QByteArray& data, const VaultSession& session,
                        bool acceptOlder);
QByteArray categoryFileBytes(const VaultSession& session, const LineList& names);
// The writes return the bytes written.
QByteArray writeCategoryFile(const QString& path, VaultSession& session, const LineList& names);
// The vault of an encrypted user, and whether it is to refresh the backup
// (never a backup newer than it); one older than the last written is
// refused (OlderVaultError). The backup is written with the vault's generation.
VaultLines readVaultLines(const QString& vaultPath, const QString& backupPath,
                          const VaultSession& session);
void writeBackupLines(const QString& backupPath, const VaultSession& session,
                      const LineList& lines);
// LoadPasswords of an encrypted user: the vault, and the backup refreshed.
// A vault older than the one last written is refused (OlderVaultError) with
// nothing written; a backup newer than the vault is never replaced.
LineList loadPasswordsWithBackup(const QString& vaultPath, const QString& backupPath,
                                 const VaultSession& session);
// After an OlderVaultError: the backup's lines written as the vault (the
// next generation), and returned.
LineList replaceVaultByBackup(const QString& vaultPath, const QString& backupPath,
                              VaultSession& session);

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
// The same with the key file's hash (hashKeyFile), and the session handed
// out as soon as the encrypted password file is written: when a later write
// fails, session is set all the same and the user is encrypted from then on
// (the conversion finishes at the next login, finishConversion).
void encryptUserFiles(const UserPaths& paths, const QByteArray& password,
                      std::optional<crypto::SecureBytes> keyFileHash,
                      std::unique_ptr<VaultSession>& session);

// Decrypt Vault: checks every entry and category first and refuses, writing
// nothing; else marks the password file converting, writes the data files,
// then beforePasswordFile, then the compatible password file last.
std::optional<Uncarried> decryptUserFiles(const UserPaths& paths, const QByteArray& password,
                                          VaultSession& session,
                                          const std::function<void()>& beforePasswordFile);

// At every login of an encrypted user, once the session is open: outside a
// conversion, data files of the compatible format are refused
// (FileRefused, the files named) with nothing written; a password file of an earlier
// release is written anew with its MAC; when a conversion was cut short, the
// data files still compatible are written encrypted, then the mark goes.
void finishConversion(const UserPaths& paths, VaultSession& session);

// The key file mixed in is the compatible key file of the password (so the
// compatible key-file check still takes it after Decrypt).
bool keyFileIsCompatible(const VaultSession& session, const QByteArray& password);

// A password change: every wrap the session can make again (the one without
// key file, the key files it knows) wrapped anew under the new password, the
// conversion mark and generations kept; one write of the password file.
void rewrapDataKey(const QString& passwordFilePath, const QByteArray& password,
                   VaultSession& session);

// A new random key file (1,048,576 bytes) mixed in, without a moment where
// neither the old nor the new key file opens the vault: the password file
// first takes both wraps, then the key file is written, then afterKeyFile
// (the settings that name it), then the password file keeps the new wrap.
// The session follows each write: whichever step fails, a later password
// change re-wraps for the key file now on disk.
void replaceKeyFile(const QString& passwordFilePath, const QByteArray& password,
                    VaultSession& session, const QString& keyFilePath,
                    const std::function<void()>& afterKeyFile);

// An encrypted user's password: any text without control characters, 10 to
// 128 characters (code points).
constexpr qsizetype kMinPassphraseLength = 10;
constexpr qsizetype kMaxPassphraseLength = 128;
enum class PassphraseProblem { None, TooShort, TooLong, ControlCharacter };
PassphraseProblem passphraseProblem(const QString& passphrase);

}  // namespace core
