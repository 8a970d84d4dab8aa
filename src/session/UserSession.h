#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/CsvImport.h"
#include "core/EncryptedVault.h"
#include "core/Settings.h"
#include "core/UserStore.h"
#include "session/FolderWatch.h"

namespace session {

// The logged-in user's data and every operation on it: the store of their
// files, the entries and the categories in memory, and whether the program
// is locked. The windows show what it holds and call its operations; texts
// cross as QString, so no window deals in the stored encoding. A write that
// fails leaves the lists as they were before the operation.
class UserSession : public QObject {
    Q_OBJECT

public:
    explicit UserSession(QObject* parent = nullptr);
    ~UserSession() override;

    // ---- Logging in and out -----------------------------------------------------
    // The user's store: the vault and the categories read, the folder
    // watched. An older vault put back is offered to useNewerBackup (the
    // message says why); true makes the newer backup the vault.
    void open(std::unique_ptr<core::UserStore> store, const QString& login,
              const QByteArray& password,
              const std::function<bool(const QString&)>& useNewerBackup);
    // The backup refreshed from the vault as read: after the window shows.
    void writeBackup();
    bool backupDue() const { return store_ && store_->backupDue(); }
    // Nobody logged in (a login that failed half-way).
    void forget();
    // Somebody is logged in, locked or not.
    bool loggedIn() const { return !login_.isEmpty(); }
    // The user's files are open: logged in and not a locked encrypted user.
    bool isOpen() const { return store_ != nullptr; }
    bool locked() const { return locked_; }
    // The program locks. An encrypted user's data leaves memory: what is not
    // on disk yet is written first (when it cannot be, it stays, and nothing
    // is lost), then the lines, the names and the keys are wiped and
    // released. The account password goes for every user: the unlock checks
    // it against the password file.
    void lock();
    // true when the password opens the files again. An encrypted user's
    // key is derived anew and the files read again, taking in what changed
    // elsewhere meanwhile; keyFile answers the key file the password file
    // demands (false: not unlocked).
    bool unlock(const QString& password, const std::function<bool(core::UserLogin&)>& keyFile);
    // The vault on disk is the one the lock left (an unlock can then bring
    // back the very rows that were shown).
    bool unchangedWhileLocked() const { return unchangedWhileLocked_; }
    const QString& login() const { return login_; }
    bool passwordIs(const QString& text) const;
    const QByteArray& password() const { return password_; }
    bool encrypted() const;
    const core::UserPaths& paths() const;
    core::UserSettings& settings();
    void setTexts(const core::FileTexts& texts);
    const core::FileTexts& texts() const { return texts_; }

    // ---- Texts in and out: the stored encoding stays here -----------------------
    QString text(const QByteArray& stored) const;
    // The first character the vault cannot store (none: the text is storable).
    std::optional<QChar> unstorable(const QString& text) const;
    std::optional<QChar> unstorableStored(const QByteArray& stored) const;
    QByteArray stored(const QString& storableText) const;
    // How the stored texts decode, for the views that decode rows in bulk
    // (the list, its order, the export).
    platform::Encoding textEncoding() const;
    core::StorageRules storageRules() const;

    // ---- The entries: scrambled stored lines; position = entry index ------------
    const core::LineList& entries() const { return lines_; }
    QByteArray entryPassword(int index) const;
    // The entry written at once; kept only when the write succeeds (or was
    // put off: the file on disk was still being written elsewhere).
    void addEntry(const core::PasswordEntry& entry);
    void replaceEntry(int index, const core::PasswordEntry& entry);
    // Ascending entry indexes; in memory, written at the next save.
    void deleteEntries(const std::vector<int>& indexes);
    // List > Clear, Load and Restore: in memory; the categories read anew.
    void clear();
    void load(const QString& path);
    void restore();
    // List > Save.
    void saveList(const QString& path) const;
    void import(const core::ImportPlan& plan);

    // ---- The categories: names without the root label ---------------------------
    const core::LineList& categories() const { return names_; }
    int categoryCount(int k) const;  // k: position in categories()
    // In memory, written at the close.
    void addCategory(const QByteArray& name);
    void renameCategory(int k, const QByteArray& name);
    void deleteCategory(int k);
    // The category file read again: category changes not yet written go.
    void readCategories();
    // An entry dialog's list, written at once (names from elsewhere join it).
    void writeCategories(const core::LineList& names);

    // ---- The File menu ---------------------------------------------------------
    // The files are still in this session's format (see UserStore::checkFormat).
    bool formatUnchanged();
    // Opened again in the format another program gave them, with what
    // changed here merged in.
    void reopen(core::UserLogin& login, const QByteArray& password);
    void changePassword(const QByteArray& password);
    void createKeyFile(const QString& path);
    // Encrypt or Decrypt, with this password; what UserStore::convert says.
    struct Converted {
        bool done = false;
        std::optional<core::Uncarried> refused;
        bool keyFileDropped = false;
    };
    Converted convert(const QByteArray& password);

    // ---- The close ---------------------------------------------------------------
    void saveSettings();
    // The categories, sorted, and the vault. Refused (nothing lost) while a
    // write is owed that no copy beside the file holds.
    void saveAll();
    // Something here is not on disk.
    bool changedHere() const;

    // ---- What changed elsewhere ----------------------------------------------------
    FolderWatch& watch() { return watch_; }
    // What another program changed, taken into the lists; a write put off
    // until the file could be read is made now.
    void takeChanges();
    bool unsaved() const;
    bool formatChangedElsewhere() const;
    // How long a file still being written elsewhere is waited for (tests shorten it).
    void setSettling(core::UserStore::Settling settling) { store_->setSettling(settling); }
    QList<core::UserStore::ConflictCopy> conflictCopies() const;
    // The copy's lines the list lacks (nothing removed), not yet taken.
    core::LineList copyAdds(const core::UserStore::ConflictCopy& copy);
    void takeCopy(const core::UserStore::ConflictCopy& copy);
    void setCopyAside(const core::UserStore::ConflictCopy& copy, bool merged);

Q_SIGNALS:
    // The lists were merged with changes from elsewhere (count: how many).
    void merged(int fromElsewhere);
    // Something to tell the user (a file that cannot be read), once.
    void notice(const QString& text);
    // Whether something is not saved yet, or the format changed elsewhere.
    void stateChanged();
    // The folder changed: the window takes the changes when it may.
    void changesWaiting();

private:
    // Every write of the vault or category file: merged lists taken, the
    // state told; a failed write leaves the other side's changes to the
    // watch, so the retry writes both.
    void written(const std::function<void()>& write);
    void saveEntries();
    void takeMerged(const std::optional<core::UserStore::Merged>& lines,
                    const std::optional<core::UserStore::Merged>& names);
    void replaceLines(core::LineList lines);

    std::unique_ptr<core::UserStore> store_;
    core::LineList lines_;
    core::LineList names_;
    QString login_;
    core::UserPaths paths_;
    QByteArray lockedFingerprint_;
    bool unchangedWhileLocked_ = true;
    QByteArray password_;
    bool locked_ = false;
    core::FileTexts texts_;
    FolderWatch watch_;
};

}  // namespace session
