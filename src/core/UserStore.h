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

#include "core/EncryptedVault.h"
#include "core/Settings.h"
#include "core/UserFiles.h"
#include "platform/CodePage.h"

namespace core {

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
    void saveSettings() const;

    // What a write found changed on disk since this store last read or wrote
    // the file (a sync tool, another program): the merged list it wrote, and
    // how many lines had changed elsewhere.
    struct Merged {
        LineList lines;
        int fromElsewhere = 0;
    };
    // The vault; when it holds a whole list, the backup is refreshed from it.
    LineList loadVault();
    // An older vault refused (OlderVaultError): the newer backup becomes the vault.
    LineList useBackupAsVault();
    // The writes merge three ways with a file changed on disk. A file this
    // store can no longer read (encrypted or decrypted elsewhere) is not
    // written over: the list is kept beside the vault and the write refused.
    std::optional<Merged> saveVault(const LineList& lines);
    LineList readCategories();
    std::optional<Merged> writeCategories(const LineList& names);
    // Sorted as the locale orders them; the list passed in is not changed.
    std::optional<Merged> saveSortedCategories(const LineList& names);
    // What another program changed in the vault or the category file since
    // this store last read or wrote it, merged with the lists in memory;
    // nothing is written. nullopt when the file did not change (this
    // store's own writes included).
    std::optional<Merged> takeVaultChanges(const LineList& lines);
    std::optional<Merged> takeCategoryChanges(const LineList& names);
    // Conflict copies a sync tool kept beside the vault or the category file.
    struct ConflictCopy {
        QString path;
        bool categories = false;
    };
    QList<ConflictCopy> conflictCopies() const;
    // Read in this store's format (an encrypted one under the same data key).
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
    // one): the files rewritten in the other format, and the lines and names
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
        : paths_(std::move(paths)), settings_(std::move(settings)) {}

    virtual LineList doLoadVault() = 0;
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

    UserPaths paths_;
    UserSettings settings_;
    FileTexts texts_;

private:
    // A file as this store last read or wrote it: the hash of its bytes and
    // its lines, the base of the next merge.
    struct Seen {
        std::optional<QByteArray> hash;
        LineList lines;
        // A list kept beside the vault because the file went unreadable.
        std::optional<LineList> keptAside;
    };
    enum class Slot { Vault, Categories };
    // ours merged with the file when another program changed it (the file
    // is then the base); a file gone unreadable gets ours kept beside it.
    std::optional<Merged> mergeChanged(Slot slot, const LineList& ours);
    std::optional<Merged> writeSeen(Slot slot, const LineList& ours, bool sorted);
    void rememberOnDisk();

    Seen vaultSeen_;
    Seen categoriesSeen_;
    // The user was told once to log in again; later writes (the close
    // among them) only keep their lists aside.
    bool toldToLogIn_ = false;
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
        : paths_(std::move(paths)), settings_(std::move(settings)), texts_(std::move(texts)) {}
    virtual bool fits(const QString& keyFilePath) = 0;
    virtual std::unique_ptr<UserStore> doOpen() = 0;

    UserPaths paths_;
    UserSettings settings_;
    FileTexts texts_;
};

// Runs f; a file refused on the way is reported in the interface's words.
void refusedIn(const FileTexts& texts, const std::function<void()>& f);

// The two stores, for those who make the files themselves (tests, the conversions).
std::unique_ptr<UserStore> compatibleStore(const UserPaths& paths, const UserSettings& settings);
std::unique_ptr<UserStore> encryptedStore(const UserPaths& paths, const UserSettings& settings,
                                          std::unique_ptr<VaultSession> session);

}  // namespace core
