#pragma once

// Every read and write of one logged-in user's files goes through the user's
// store. The compatible store keeps the files the Windows program reads; the
// encrypted store keeps the data files as containers under the data key. The
// store is chosen once, at login, by the password file.
#include <QByteArray>
#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "core/EncryptedVault.h"
#include "core/Settings.h"
#include "core/UserFiles.h"
#include "platform/CodePage.h"

namespace core {

class UserLogin;

class UserStore {
public:
    virtual ~UserStore() = default;
    UserStore(const UserStore&) = delete;
    UserStore& operator=(const UserStore&) = delete;

    const UserPaths& paths() const { return paths_; }
    // How the lines and names in memory are encoded.
    virtual platform::Encoding encoding() const = 0;
    virtual bool encrypted() const = 0;
    void setTexts(const FileTexts& texts) { texts_ = texts; }

    // settings.dat as read at login; changed in memory, written by saveSettings.
    UserSettings& settings() { return settings_; }
    // settings.dat is read again first: the key file it demands is the
    // disk's unless this store changed it, and always the disk's once the
    // password file is no longer this store's.
    void saveSettings();

    // What a write found changed on disk since this store last read or wrote
    // the file (a sync tool, another program): the merged list it wrote, and
    // how many lines had changed elsewhere.
    struct Merged {
        LineList lines;
        int fromElsewhere = 0;
    };
    // The vault. When it holds a whole list, the backup is due to be
    // refreshed from it: refreshBackup writes it (the login does so once the
    // window shows).
    LineList loadVault();
    void refreshBackup();
    // The backup stays as it is (a vault read again keeps the login's backup).
    void keepBackup();
    bool backupDue() const { return backupDue_.has_value(); }
    // The vault as last read or written, by its fingerprint.
    QByteArray vaultFingerprint() const { return vaultSeen_.hash.value_or(QByteArray()); }
    // Every line this store keeps (the merge's bases, a backup due, a copy
    // kept aside) overwritten: the store is about to go.
    void wipeLines();
    // An older vault refused (OlderVaultError): the newer backup becomes the vault.
    LineList useBackupAsVault();

    // The writes of the vault and the category file. Each first checks the
    // password file (checkFormat), then merges three ways with a file
    // changed on disk. The file is merged only once it is whole: a file
    // another program is still writing is waited for (Settling); one that
    // cannot be read is never written over. Either way the write is then put
    // off (unsaved()) and the list stays with the caller. The base of the
    // next merge moves to the disk's file only once the write succeeded.
    std::optional<Merged> saveVault(const LineList& lines);
    LineList readCategories();
    std::optional<Merged> writeCategories(const LineList& names);
    // Sorted as the locale orders them; the list passed in is not changed.
    std::optional<Merged> saveSortedCategories(const LineList& names);
    // What another program changed in the vault or the category file since
    // this store last read or wrote it, merged with the lists in memory;
    // nothing is written. nullopt when the file did not change (this
    // store's own writes included), or is not whole yet (unsettled()).
    std::optional<Merged> takeVaultChanges(const LineList& lines);
    std::optional<Merged> takeCategoryChanges(const LineList& names);

    // A write of the vault or category file is owed: it failed, or was put
    // off. Cleared by the next write of that file that succeeds.
    bool unsaved() const { return vaultSeen_.owed || categoriesSeen_.owed; }
    // What is owed is kept in a copy beside the file that cannot be read:
    // the program may end without it.
    bool unsavedKeptAside() const;
    // A change on disk is not whole yet: look again after Settling::apartMs.
    bool unsettled() const { return vaultSeen_.unsettled || categoriesSeen_.unsettled; }
    // What the last reads found worth telling (a file that cannot be read),
    // each only once for the same bytes on disk.
    QStringList takeNotices();

    // How long a file another program may still be writing is watched:
    // two reads this far apart must agree, and a write waits at most this long.
    struct Settling {
        int apartMs = 200;
        int waitMs = 2000;
    };
    void setSettling(Settling settling) { settling_ = settling; }

    // The password file on disk is this store's (the same format and, when
    // encrypted, the same data key). Otherwise another program encrypted or
    // decrypted the user: checkFormat throws FileRefused with
    // formatChanged(), and nothing may be written.
    bool formatUnchanged() { return passwordFileIsOurs(); }
    // What the last look at the password file found.
    bool formatChangedElsewhere() const { return formatChanged_; }
    void checkFormat();
    // Something here is not on disk yet: a write is owed, or the lists
    // differ from the files as last read or written.
    bool changedHere(const LineList& lines, const LineList& names) const {
        return unsaved() || lines != vaultSeen_.lines || names != categoriesSeen_.lines;
    }
    // After a format change: the files opened again with the password that
    // opens them now. lines and names (in this store's encoding) become the
    // new store's, with what was changed here since the files were last read
    // or written merged three ways into what they hold now.
    std::unique_ptr<UserStore> reopen(UserLogin& login, LineList& lines, LineList& names);

    // Conflict copies a sync tool kept beside the vault or the category file;
    // links are skipped, and so are copies this store could not read.
    struct ConflictCopy {
        QString path;
        bool categories = false;
    };
    QList<ConflictCopy> conflictCopies() const;
    // Read in this store's format (an encrypted one under the same data key).
    // One that cannot be read is reported once, then no longer offered.
    LineList readConflictCopy(const ConflictCopy& copy);
    // Renamed with ".merged" or ".declined" appended so it is not offered
    // again; never deleted.
    void setConflictCopyAside(const ConflictCopy& copy, bool merged);
    // List > Save and Load, and Restore.
    void saveList(const QString& path, const LineList& lines);
    LineList loadList(const QString& path);
    LineList readBackup();

    // A password change: one write of the password file.
    void changePassword(const QByteArray& password);
    // A new key file, demanded at every later login.
    void createKeyFile(const QString& path, const QByteArray& password);

    // Encrypt Vault (of a compatible store) or Decrypt Vault (of an encrypted
    // one): what changed on disk is merged into lines and names first, then
    // the files are rewritten in the other format, and the lines and names
    // in memory converted with them. Refused, with nothing written, when the
    // other format cannot carry an entry or a category.
    struct Conversion {
        std::unique_ptr<UserStore> store;  // null when refused
        std::optional<Uncarried> refused;
        // The key file demanded before is demanded no more: Encrypt mixes
        // no compatible one in, Decrypt cannot check a random one.
        bool keyFileDropped = false;
        // A failure after the user's format changed: the store above is
        // the one to go on with, and the failure is still reported.
        std::exception_ptr failure;
    };
    Conversion convert(const QByteArray& password, LineList& lines, LineList& names);

protected:
    UserStore(UserPaths paths, UserSettings settings)
        : paths_(std::move(paths)), settings_(std::move(settings)) {
        keyOnDisk_ = {settings_.key, settings_.keyFile};
    }

    virtual VaultLines doLoadVault() = 0;
    virtual void doWriteBackup(const LineList& lines) = 0;
    virtual LineList doUseBackupAsVault() = 0;
    // The files' bytes and lines in this store's format; bytes this store
    // cannot read are refused (FileRefused).
    // A copy kept aside (List > Load takes it).
    virtual QByteArray vaultBytes(const LineList& lines) const = 0;
    // The user's files written; the bytes written.
    virtual QByteArray writeVault(const LineList& lines) = 0;
    virtual QByteArray writeNames(const LineList& names) = 0;
    // An older copy than the last written is refused unless acceptOlder.
    virtual LineList vaultLines(const QString& path, const QByteArray& data,
                                bool acceptOlder) const = 0;
    virtual QByteArray categoryBytes(const LineList& names) const = 0;
    virtual LineList categoryLines(const QString& path, const QByteArray& data,
                                   bool acceptOlder) const = 0;
    virtual void doSaveList(const QString& path, const LineList& lines) = 0;
    virtual LineList doLoadList(const QString& path) = 0;
    virtual LineList doReadBackup() = 0;
    virtual void doChangePassword(const QByteArray& password) = 0;
    virtual void doCreateKeyFile(const QString& path, const QByteArray& password) = 0;
    virtual Conversion doConvert(const QByteArray& password, LineList& lines, LineList& names) = 0;
    // The password file's bytes are this store's format (and key).
    virtual bool ownsPasswordFile(const QByteArray& content) const = 0;
    // A line or name of this store's encoding in the other's, and back.
    virtual LineList linesForOther(const LineList& lines) const = 0;
    virtual LineList namesForOther(const LineList& names) const = 0;

    UserPaths paths_;
    UserSettings settings_;
    FileTexts texts_;

private:
    friend class UserLogin;  // gives the key-file demand as settings.dat held it
    // A file as this store last read or wrote it, and what became of the
    // changes found on disk since.
    struct Seen {
        Seen() = default;
        Seen(QByteArray h, LineList l) : hash(std::move(h)), lines(std::move(l)) {}
        std::optional<QByteArray> hash;  // its bytes' fingerprint
        LineList lines;                  // the base of the next merge
        // A change not yet whole: its fingerprint and when it was first read.
        QByteArray pendingHash;
        qint64 pendingSinceMs = 0;
        bool unsettled = false;
        // Bytes that could not be read: told, and kept aside, once; the one
        // copy beside them follows the list.
        QByteArray refusedHash;
        std::optional<LineList> keptAside;
        QString asidePath;
        bool owed = false;
    };
    enum class Slot { Vault, Categories };
    // One look at the disk's file; wait: a write waits for it to be whole.
    struct Disk;
    Disk readDisk(Slot slot, bool wait);
    Disk lookOnce(Slot slot);
    // ours merged with the file when another program changed it. A take
    // (not forWrite) makes the disk's file the base at once; a write only
    // once it succeeded. putOff: the file is not whole, or cannot be read.
    struct Taken {
        std::optional<Merged> merged;
        bool putOff = false;
    };
    Taken mergeChanged(Slot slot, const LineList& ours, bool forWrite);
    std::optional<Merged> writeSeen(Slot slot, const LineList& ours, bool sorted);
    // A file that cannot be read: the list kept beside it once, in this
    // store's format, unless that would put a compatible copy beside an
    // encrypted file; told once.
    void refuse(Slot slot, const Disk& disk, const LineList& ours);
    void rememberOnDisk();
    bool passwordFileIsOurs();

    Seen vaultSeen_;
    Seen categoriesSeen_;
    Settling settling_;
    QStringList notices_;
    bool formatChanged_ = false;
    // The key-file demand as settings.dat last held it (read or written here).
    std::pair<bool, QString> keyOnDisk_;
    std::optional<LineList> backupDue_;
    mutable QStringList unreadableCopies_;
};

// A login under way: the password matched the password file.
class UserLogin {
public:
    // nullptr when the password is another. A damaged password file is
    // refused by name.
    static std::unique_ptr<UserLogin> check(const UserPaths& paths, const QByteArray& password,
                                            const FileTexts& texts);
    virtual ~UserLogin() = default;

    // settings.dat, read with the password; a key file chosen at login goes in here.
    UserSettings& settings() { return settings_; }
    // A key file must be shown: settings.dat asks for one, or the password
    // file opens only with one.
    virtual bool keyFileDue() const = 0;
    // The key file fits; open() then uses it.
    bool keyFileFits(const QString& path);
    // The user's store; a conversion cut short is finished first.
    std::unique_ptr<UserStore> open();

protected:
    UserLogin(UserPaths paths, UserSettings settings, FileTexts texts)
        : paths_(std::move(paths)),
          settings_(std::move(settings)),
          keyAsRead_{settings_.key, settings_.keyFile},
          texts_(std::move(texts)) {}
    virtual bool fits(const QString& keyFilePath) = 0;
    virtual std::unique_ptr<UserStore> doOpen() = 0;

    UserPaths paths_;
    UserSettings settings_;
    std::pair<bool, QString> keyAsRead_;
    FileTexts texts_;
};

// Runs f; a file refused on the way is reported in the interface's words.
void refusedIn(const FileTexts& texts, const std::function<void()>& f);

// The two stores, for those who make the files themselves (tests, the conversions).
std::unique_ptr<UserStore> compatibleStore(const UserPaths& paths, const UserSettings& settings);
std::unique_ptr<UserStore> encryptedStore(const UserPaths& paths, const UserSettings& settings,
                                          std::unique_ptr<VaultSession> session);

}  // namespace core
