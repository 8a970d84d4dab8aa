#include "core/UserStore.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QThread>
#include <algorithm>
#include <utility>

#include "core/KeyFile.h"
#include "core/LineMerge.h"
#include "core/PasswordEntry.h"
#include "platform/Files.h"
#include "platform/TextList.h"

namespace core {

using crypto::FileKind;

void refusedIn(const FileTexts& texts, const std::function<void()>& f) {
    try {
        f();
    } catch (const OlderVaultError& e) {
        throw OlderVaultError(e.path, e.newerBackupPath(), texts);  // the backup is offered
    } catch (const FileRefused& e) {
        throw FileRefused(e.reason, e.path, e.others, texts);
    } catch (const platform::WriteFailed& e) {
        throw platform::WriteFailed(texts.writeFailure(e), e.path, e.problem);
    }
}

namespace {

// Encrypted elsewhere: this store cannot read the file any more.
void refuseContainer(const QByteArray& data, const QString& path) {
    if (crypto::isContainer(data)) {
        throw FileRefused(FileRefused::Reason::Damaged, path);
    }
}

// The compatible files: scrambled text lines in the storage code page.
class CompatibleStore final : public UserStore {
public:
    CompatibleStore(UserPaths paths, UserSettings settings)
        : UserStore(std::move(paths), std::move(settings)) {}

    platform::Encoding encoding() const override { return platform::Encoding::CodePage; }
    bool encrypted() const override { return false; }

protected:
    VaultLines doLoadVault() override { return readVaultLines(paths_.vault); }
    // Compatible files carry no generation: no vault of theirs is refused as older.
    LineList doUseBackupAsVault() override { return doLoadVault().lines; }
    void doWriteBackup(const LineList& lines) override {
        platform::saveTextList(paths_.backup, lines);
    }
    QByteArray vaultBytes(const LineList& lines) const override {
        return platform::joinTextLines(lines);
    }
    QByteArray writeVault(const LineList& lines) override {
        const QByteArray bytes = platform::joinTextLines(lines);
        platform::writeFile(paths_.vault, bytes);
        return bytes;
    }
    QByteArray writeNames(const LineList& names) override {
        const QByteArray bytes = platform::joinTextLines(names);
        platform::writeFile(paths_.categories, bytes);
        return bytes;
    }
    LineList vaultLines(const QString& path, const QByteArray& data, bool) const override {
        refuseContainer(data, path);
        return platform::parseTextLines(data);
    }
    QByteArray categoryBytes(const LineList& names) const override {
        return platform::joinTextLines(names);
    }
    LineList categoryLines(const QString& path, const QByteArray& data, bool) const override {
        refuseContainer(data, path);
        // A plain text file that users may edit: an editor's byte-order mark is skipped.
        return platform::parseTextLines(platform::withoutUtf8Bom(data));
    }
    void doSaveList(const QString& path, const LineList& lines) override {
        platform::saveTextList(path, lines);
    }
    LineList doLoadList(const QString& path) override { return readCompatibleEntryFile(path); }
    LineList doReadBackup() override { return readCompatibleEntryFile(paths_.backup); }
    void doChangePassword(const QByteArray& password) override {
        platform::saveTextList(paths_.passwordFile, {Scramble(password)});
    }
    void doCreateKeyFile(const QString& path, const QByteArray& password) override {
        // A key file that was not written is reported, and no key is
        // demanded: nobody gets locked out by a key file that does not exist.
        platform::writeFile(path, keyFileContent(password));
        settings_.keyFile = path;
        settings_.key = true;
    }
    Conversion doConvert(const QByteArray& password, LineList& lines, LineList& names) override {
        LineList utf8Lines = convertLines(lines, compatibleEntryToUtf8);
        LineList utf8Names = convertLines(names, compatibleNameToUtf8);
        std::unique_ptr<VaultSession> session;
        Conversion done;
        try {
            // No key file mixed in: a compatible one holds only the scrambled
            // password, nothing the passphrase does not.
            encryptUserFiles(paths_, password, std::nullopt, session);
        } catch (...) {
            // Once the encrypted password file is written the user is
            // encrypted, whatever failed after it: the conversion finishes
            // at the next write or login.
            if (!session) {
                throw;
            }
            done.failure = std::current_exception();
        }
        if (settings_.key) {
            // Written after the password file: until then the compatible
            // login still demands the key file. An encrypted login without
            // a key-file wrap demands none, whatever the settings say.
            settings_.key = false;
            done.keyFileDropped = true;
            try {
                saveSettings();
            } catch (...) {
                if (!done.failure) {
                    done.failure = std::current_exception();
                }
            }
        }
        lines = std::move(utf8Lines);
        names = std::move(utf8Names);
        done.store = encryptedStore(paths_, settings_, std::move(session));
        done.store->setTexts(texts_);
        return done;
    }
    bool ownsPasswordFile(const QByteArray& content) const override {
        return !crypto::isEncryptedPasswordFile(content);
    }
    LineList linesForOther(const LineList& lines) const override {
        return convertLines(lines, compatibleEntryToUtf8);
    }
    LineList namesForOther(const LineList& names) const override {
        return convertLines(names, compatibleNameToUtf8);
    }
};

// The encrypted files: containers under the data key; lines in memory are
// scrambled UTF-8.
class EncryptedStore final : public UserStore {
public:
    EncryptedStore(UserPaths paths, UserSettings settings, std::unique_ptr<VaultSession> session)
        : UserStore(std::move(paths), std::move(settings)), session_(std::move(session)) {}

    platform::Encoding encoding() const override { return platform::Encoding::Utf8; }
    bool encrypted() const override { return true; }

protected:
    VaultLines doLoadVault() override {
        return readVaultLines(paths_.vault, paths_.backup, *session_);
    }
    void doWriteBackup(const LineList& lines) override {
        writeBackupLines(paths_.backup, *session_, lines);
    }
    LineList doUseBackupAsVault() override {
        return replaceVaultByBackup(paths_.vault, paths_.backup, *session_);
    }
    QByteArray vaultBytes(const LineList& lines) const override {
        return entryFileBytes(*session_, FileKind::List, lines);
    }
    QByteArray writeVault(const LineList& lines) override {
        QByteArray bytes = writeEntryFile(paths_.vault, *session_, FileKind::Vault, lines);
        // An Encrypt cut short by a failure, or a password file of the
        // earlier release, ends here; otherwise there is nothing to finish.
        if (session_->converting() || session_->legacyPasswordFile()) {
            finishConversion(paths_, *session_);
        }
        return bytes;
    }
    QByteArray writeNames(const LineList& names) override {
        return writeCategoryFile(paths_.categories, *session_, names);
    }
    LineList vaultLines(const QString& path, const QByteArray& data,
                        bool acceptOlder) const override {
        // Under this session's data key only: decrypted or encrypted anew
        // elsewhere, the file is refused.
        return vaultFileLines(path, data, *session_, acceptOlder);
    }
    QByteArray categoryBytes(const LineList& names) const override {
        return categoryFileBytes(*session_, names);
    }
    LineList categoryLines(const QString& path, const QByteArray& data,
                           bool acceptOlder) const override {
        return categoryFileLines(path, data, *session_, acceptOlder);
    }
    void doSaveList(const QString& path, const LineList& lines) override {
        // Under the same data key: only this user's encrypted vault loads it.
        writeEntryFile(path, *session_, FileKind::List, lines);
    }
    LineList doLoadList(const QString& path) override {
        // An encrypted list of this user, or a compatible one (converted).
        return readEntryFile(path, *session_, {FileKind::List, FileKind::Vault, FileKind::Backup},
                             true);
    }
    LineList doReadBackup() override {
        return readEntryFile(paths_.backup, *session_, {FileKind::Backup}, session_->converting());
    }
    void doChangePassword(const QByteArray& password) override {
        rewrapDataKey(paths_.passwordFile, password, *session_);
    }
    void doCreateKeyFile(const QString& path, const QByteArray& password) override {
        // Random bytes mixed into the wrapping of the data key. The settings
        // that name the file are written at once: the old key file stops
        // opening the vault, so a settings file naming it would lock out.
        replaceKeyFile(paths_.passwordFile, password, *session_, path, [&] {
            settings_.keyFile = path;
            settings_.key = true;
            saveSettings();
        });
    }
    Conversion doConvert(const QByteArray& password, LineList& lines, LineList& names) override {
        Conversion done;
        // What is in memory first, then what the files hold.
        done.refused = firstUncarriedEntry(lines);
        if (!done.refused) {
            done.refused = firstUncarriedCategory(names);
        }
        if (done.refused) {
            return done;
        }
        // A random key file would fail the compatible check at the next login.
        done.keyFileDropped = settings_.key && !keyFileIsCompatible(*session_, password);
        done.refused = decryptUserFiles(paths_, password, *session_, [&] {
            if (done.keyFileDropped) {
                settings_.key = false;
                saveSettings();
            }
        });
        if (done.refused) {
            done.keyFileDropped = false;
            return done;
        }
        lines = convertLines(lines, utf8EntryToCompatible);
        names = convertLines(names, utf8NameToCompatible);
        done.store = compatibleStore(paths_, settings_);
        done.store->setTexts(texts_);
        return done;
    }
    bool ownsPasswordFile(const QByteArray& content) const override {
        // Under this session's data key: encrypted anew elsewhere, it is not.
        crypto::PasswordFile file;
        return crypto::parsePasswordFile(content, file) == crypto::ParseResult::Parsed &&
               file.version >= 2 && crypto::macMatches(file, session_->dataKey());
    }
    LineList linesForOther(const LineList& lines) const override {
        return convertLines(lines, utf8EntryToCompatible);
    }
    LineList namesForOther(const LineList& names) const override {
        return convertLines(names, utf8NameToCompatible);
    }

private:
    std::unique_ptr<VaultSession> session_;
};

class CompatibleLogin final : public UserLogin {
public:
    CompatibleLogin(UserPaths paths, UserSettings settings, FileTexts texts, QByteArray password)
        : UserLogin(std::move(paths), std::move(settings), std::move(texts)),
          password_(std::move(password)) {}

    bool keyFileDue() const override { return settings_.key; }

protected:
    bool fits(const QString& path) override { return keyFileMatchesAt(path, password_); }
    std::unique_ptr<UserStore> doOpen() override { return compatibleStore(paths_, settings_); }

private:
    QByteArray password_;
};

class EncryptedLogin final : public UserLogin {
public:
    EncryptedLogin(UserPaths paths, UserSettings settings, FileTexts texts,
                   std::unique_ptr<VaultSession> session)
        : UserLogin(std::move(paths), std::move(settings), std::move(texts)),
          session_(std::move(session)) {}

    // The password file decides: a key file mixed in is demanded even when
    // settings.dat no longer says so.
    bool keyFileDue() const override {
        return session_->needsKeyFile() || (settings_.key && session_->hasKeyFileWrap());
    }

protected:
    bool fits(const QString& path) override {
        keyFileFitted_ = session_->openWithKeyFileAt(path);
        return keyFileFitted_;
    }
    std::unique_ptr<UserStore> doOpen() override {
        if (!keyFileFitted_ && !session_->openWithoutKeyFile()) {
            throw FileRefused(FileRefused::Reason::Damaged, paths_.passwordFile);
        }
        finishConversion(paths_, *session_);
        return encryptedStore(paths_, settings_, std::move(session_));
    }

private:
    std::unique_ptr<VaultSession> session_;
    bool keyFileFitted_ = false;
};

}  // namespace

// ---- The store's operations: each reports a refused file in the interface's words.

namespace {

// Tells a file changed by another program from the one last seen. Nothing
// secret depends on it (whoever can write the folder can write the file),
// so a fast hash serves: the size and two 64-bit hashes of the bytes. A
// cryptographic hash of a large vault cost more than the write itself.
QByteArray fingerprint(const QByteArray& data) {
    QByteArray f;
    for (const quint64 value :
         {quint64(data.size()), quint64(qHashBits(data.constData(), size_t(data.size()), 0x5f1d)),
          quint64(qHashBits(data.constData(), size_t(data.size()), 0x9e37))}) {
        f.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    return f;
}

qint64 nowMs() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// Beside the vault, named with the time; an existing file is never replaced.
QString asideName(const UserPaths& paths, const char* stem) {
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = paths.folder + QLatin1String(stem) + time + QStringLiteral(".dat");
    for (int n = 2; platform::FileExists(name); ++n) {
        name = paths.folder + QLatin1String(stem) + time + QLatin1Char('-') + QString::number(n) +
               QStringLiteral(".dat");
    }
    return name;
}

// A text file another program writes in place is whole once its last line
// has its line end and no NUL stands in it. An editor may leave the category
// file's last line without one: that file counts once it stays unchanged.
bool looksWhole(const QByteArray& data, bool lineEndNeeded) {
    if (data.contains('\0')) {
        return false;
    }
    return !lineEndNeeded || data.isEmpty() || data.endsWith('\n') || data.endsWith('\r');
}

}  // namespace

void UserStore::saveSettings() {
    refusedIn(texts_, [&] {
        UserSettings out = settings_;
        if (platform::FileExists(paths_.settings)) {
            // Another program may have created or dropped the key file since.
            const UserSettings disk = readUserSettings(paths_.settings);
            const bool changedHere = std::pair(settings_.key, settings_.keyFile) != keyOnDisk_;
            if (!changedHere || !passwordFileIsOurs()) {
                out.key = disk.key;
                out.keyFile = disk.keyFile;
            }
        }
        writeUserSettings(paths_.settings, out);
        keyOnDisk_ = {out.key, out.keyFile};
    });
}

// What the disk holds for one of the two files.
struct UserStore::Disk {
    enum class State { Unchanged, Changed, Unsettled, Older, Refused, RefusedBefore };
    State state = State::Unchanged;
    QByteArray hash;
    QByteArray data;
    LineList lines;
    // Why it was refused; empty for a file that is not whole.
    std::optional<FileRefused::Reason> reason;
};

UserStore::Disk UserStore::lookOnce(Slot slot) {
    const bool vault = slot == Slot::Vault;
    Seen& seen = vault ? vaultSeen_ : categoriesSeen_;
    const QString& path = vault ? paths_.vault : paths_.categories;
    using State = Disk::State;
    Disk disk;
    if (!seen.hash || !platform::FileExists(path)) {
        return disk;
    }
    disk.data = readBoundedFile(path, kMaxContainerBytes);
    disk.hash = fingerprint(disk.data);
    if (disk.hash == *seen.hash) {
        seen.pendingHash.clear();
        return disk;
    }
    if (disk.hash == seen.refusedHash) {
        disk.state = State::RefusedBefore;
        return disk;
    }
    bool opened = false;
    // false: an older copy put back (a sync tool's restore): what is in
    // memory is newer, nothing of it is taken, the next write replaces it.
    const auto parse = [&] {
        try {
            disk.lines =
                vault ? vaultLines(path, disk.data, false) : categoryLines(path, disk.data, false);
            opened = true;
        } catch (const FileRefused& e) {
            if (e.reason == FileRefused::Reason::Older) {
                disk.state = State::Older;
                return false;
            }
            disk.reason = e.reason;
        }
        // Encrypted or decrypted elsewhere: no waiting makes it readable.
        if (!opened && !passwordFileIsOurs()) {
            disk.state = State::Refused;
            return false;
        }
        return true;
    };
    // A container that opens is whole: its MAC says so.
    const bool container = crypto::isContainer(disk.data);
    if (container && (!parse() || opened)) {
        if (opened) {
            disk.state = State::Changed;
        }
        return disk;
    }
    // Text lines are taken once two reads apart agree; read only then.
    if (seen.pendingHash != disk.hash) {
        seen.pendingHash = disk.hash;
        seen.pendingSinceMs = nowMs();
    }
    if (!container && nowMs() - seen.pendingSinceMs >= settling_.apartMs && !parse()) {
        return disk;
    }
    const qint64 unchangedFor = nowMs() - seen.pendingSinceMs;
    const bool whole = looksWhole(disk.data, vault || unchangedFor < settling_.waitMs);
    if (opened && whole && unchangedFor >= settling_.apartMs) {
        disk.state = State::Changed;
    } else if (unchangedFor >= settling_.waitMs) {
        // Unchanged for so long that nobody is writing it: it cannot be read.
        disk.state = State::Refused;
        if (!disk.reason) {
            disk.reason = FileRefused::Reason::Damaged;
        }
    } else {
        disk.state = State::Unsettled;
    }
    return disk;
}

UserStore::Disk UserStore::readDisk(Slot slot, bool wait) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        Disk disk = lookOnce(slot);
        if (disk.state != Disk::State::Unsettled || !wait || waited.elapsed() >= settling_.waitMs) {
            (slot == Slot::Vault ? vaultSeen_ : categoriesSeen_).unsettled =
                disk.state == Disk::State::Unsettled;
            return disk;
        }
        QThread::msleep(
            ulong(std::min<qint64>(settling_.apartMs, settling_.waitMs - waited.elapsed())));
    }
}

bool UserStore::passwordFileIsOurs() {
    formatChanged_ = false;
    if (!platform::FileExists(paths_.passwordFile)) {
        return true;  // nothing says otherwise: writes go on as before
    }
    // A file being replaced may read short for a moment: a second look decides.
    for (int look = 0; look < 2; ++look) {
        if (look > 0) {
            QThread::msleep(ulong(settling_.apartMs));
        }
        try {
            if (ownsPasswordFile(readPasswordFile(paths_.passwordFile))) {
                return true;
            }
        } catch (const FileRefused&) {
        }
    }
    formatChanged_ = true;
    return false;
}

void UserStore::checkFormat() {
    refusedIn(texts_, [&] {
        if (!passwordFileIsOurs()) {
            throw FileRefused(FileRefused::Reason::ChangedElsewhere, paths_.passwordFile);
        }
    });
}

void UserStore::refuse(Slot slot, const Disk& disk, const LineList& ours) {
    const bool vault = slot == Slot::Vault;
    Seen& seen = vault ? vaultSeen_ : categoriesSeen_;
    seen.refusedHash = disk.hash;
    if (!passwordFileIsOurs()) {
        // Encrypted or decrypted elsewhere: the next write asks for the
        // password that opens the files now (formatChangedElsewhere()); no
        // copy of the list is made.
        return;
    }
    const QString& path = vault ? paths_.vault : paths_.categories;
    // A compatible copy beside an encrypted file would undo what the encryption protects.
    if (encrypted() || !crypto::isContainer(disk.data)) {
        const QString aside =
            asideName(paths_, vault ? "passwords-unsaved-" : "categories-unsaved-");
        try {
            platform::writeFile(aside, vault ? vaultBytes(ours) : categoryBytes(ours));
            seen.keptAside = ours;
            seen.asidePath = aside;
            notices_ << texts_.keptAside.arg(platform::fullNativePath(path),
                                             platform::fullNativePath(aside));
            return;
        } catch (const platform::PlatformError&) {
        }
    }
    notices_ << texts_.notWrittenOver.arg(platform::fullNativePath(path));
}

UserStore::Taken UserStore::mergeChanged(Slot slot, const LineList& ours, bool forWrite) {
    const bool vault = slot == Slot::Vault;
    Seen& seen = vault ? vaultSeen_ : categoriesSeen_;
    const Disk disk = readDisk(slot, forWrite);
    using State = Disk::State;
    Taken taken;
    switch (disk.state) {
        case State::Unchanged:
        case State::Older:
            return taken;
        case State::Unsettled:
            taken.putOff = true;
            return taken;
        case State::RefusedBefore:
            taken.putOff = true;
            // The one copy beside it follows the list.
            if (seen.keptAside && *seen.keptAside != ours) {
                try {
                    platform::writeFile(seen.asidePath,
                                        vault ? vaultBytes(ours) : categoryBytes(ours));
                    seen.keptAside = ours;
                } catch (const platform::PlatformError&) {
                    seen.keptAside.reset();
                }
            }
            return taken;
        case State::Refused:
            taken.putOff = true;
            refuse(slot, disk, ours);
            return taken;
        case State::Changed:
            break;
    }
    Merged merged;
    if (vault) {
        merged.lines = mergeLines(seen.lines, disk.lines, ours, &merged.fromElsewhere);
    } else {
        merged.lines = mergeNames(seen.lines, disk.lines, ours);
        merged.fromElsewhere = changedLines(seen.lines, disk.lines);
    }
    seen.pendingHash.clear();
    if (!forWrite) {
        // Taken into memory: the disk's file is the base from now on.
        seen.hash = disk.hash;
        seen.lines = disk.lines;
    }
    taken.merged = std::move(merged);
    return taken;
}

std::optional<UserStore::Merged> UserStore::writeSeen(Slot slot, const LineList& ours,
                                                      bool sorted) {
    Seen& seen = slot == Slot::Vault ? vaultSeen_ : categoriesSeen_;
    seen.owed = true;
    if (!passwordFileIsOurs()) {
        throw FileRefused(FileRefused::Reason::ChangedElsewhere, paths_.passwordFile);
    }
    Taken taken = mergeChanged(slot, ours, true);
    if (taken.putOff) {
        return std::nullopt;  // the list stays with the caller until the file can be read
    }
    LineList lines = taken.merged ? taken.merged->lines : ours;
    if (sorted) {
        lines = sortedCategories(std::move(lines), encoding());
    }
    // The same temporary file, sync and rename as every write: a kill leaves
    // the old file or the merged one. Until it succeeds the base stays, so a
    // retry merges the other side's changes again.
    const QByteArray bytes = slot == Slot::Vault ? writeVault(lines) : writeNames(lines);
    seen = Seen{fingerprint(bytes), lines};
    if (taken.merged) {
        taken.merged->lines = std::move(lines);
    }
    return std::move(taken.merged);
}

bool UserStore::unsavedKeptAside() const {
    for (const Seen* seen : {&vaultSeen_, &categoriesSeen_}) {
        if (seen->owed && !seen->keptAside) {
            return false;
        }
    }
    return true;
}

QStringList UserStore::takeNotices() {
    return std::exchange(notices_, {});
}

LineList UserStore::loadVault() {
    LineList lines;
    refusedIn(texts_, [&] {
        // Hashed before it is read: a change in between only costs a merge
        // that finds nothing new.
        const QByteArray hash = fingerprint(readBoundedFile(paths_.vault, kMaxContainerBytes));
        VaultLines read = doLoadVault();
        lines = std::move(read.lines);
        vaultSeen_ = Seen{hash, lines};
        backupDue_ = read.backupDue ? std::optional<LineList>(lines) : std::nullopt;
    });
    return lines;
}

void UserStore::wipeLines() {
    for (Seen* seen : {&vaultSeen_, &categoriesSeen_}) {
        crypto::wipeLines(seen->lines);
        if (seen->keptAside) {
            crypto::wipeLines(*seen->keptAside);
        }
    }
    if (backupDue_) {
        crypto::wipeLines(*backupDue_);
    }
}

void UserStore::keepBackup() {
    backupDue_.reset();  // its lines are the vault's, still in use
}

void UserStore::refreshBackup() {
    if (backupDue_) {
        refusedIn(texts_, [&] { doWriteBackup(*backupDue_); });
        backupDue_.reset();
    }
}

LineList UserStore::useBackupAsVault() {
    LineList lines;
    refusedIn(texts_, [&] {
        lines = doUseBackupAsVault();
        vaultSeen_ = Seen{fingerprint(readBoundedFile(paths_.vault, kMaxContainerBytes)), lines};
    });
    return lines;
}

std::optional<UserStore::Merged> UserStore::saveVault(const LineList& lines) {
    std::optional<Merged> merged;
    refusedIn(texts_, [&] { merged = writeSeen(Slot::Vault, lines, false); });
    return merged;
}

LineList UserStore::readCategories() {
    LineList names;
    refusedIn(texts_, [&] {
        const QByteArray data = readBoundedFile(paths_.categories, kMaxContainerBytes);
        names = categoryLines(paths_.categories, data, false);
        categoriesSeen_ = Seen{fingerprint(data), names};
    });
    return names;
}

std::optional<UserStore::Merged> UserStore::writeCategories(const LineList& names) {
    std::optional<Merged> merged;
    refusedIn(texts_, [&] { merged = writeSeen(Slot::Categories, names, false); });
    return merged;
}

std::optional<UserStore::Merged> UserStore::saveSortedCategories(const LineList& names) {
    std::optional<Merged> merged;
    refusedIn(texts_, [&] { merged = writeSeen(Slot::Categories, names, true); });
    return merged;
}

std::optional<UserStore::Merged> UserStore::takeVaultChanges(const LineList& lines) {
    std::optional<Merged> merged;
    refusedIn(texts_, [&] { merged = mergeChanged(Slot::Vault, lines, false).merged; });
    return merged;
}

std::optional<UserStore::Merged> UserStore::takeCategoryChanges(const LineList& names) {
    std::optional<Merged> merged;
    refusedIn(texts_, [&] { merged = mergeChanged(Slot::Categories, names, false).merged; });
    return merged;
}

void UserStore::rememberOnDisk() {
    // After a conversion: the files as the new format wrote them.
    const QByteArray vault = readBoundedFile(paths_.vault, kMaxContainerBytes);
    vaultSeen_ = Seen{fingerprint(vault), vaultLines(paths_.vault, vault, true)};
    const QByteArray names = readBoundedFile(paths_.categories, kMaxContainerBytes);
    categoriesSeen_ = Seen{fingerprint(names), categoryLines(paths_.categories, names, true)};
}

std::unique_ptr<UserStore> UserStore::reopen(UserLogin& login, LineList& lines, LineList& names) {
    std::unique_ptr<UserStore> next = login.open();
    const LineList theirs = next->loadVault();
    const LineList theirNames = next->readCategories();
    const bool converted = next->encoding() != encoding();
    auto forNext = [&](const LineList& l, bool entries) {
        return !converted ? l : entries ? linesForOther(l) : namesForOther(l);
    };
    // What was changed here since the last read or write, in the new encoding.
    lines = mergeLines(forNext(vaultSeen_.lines, true), theirs, forNext(lines, true));
    names = mergeNames(forNext(categoriesSeen_.lines, false), theirNames, forNext(names, false));
    next->vaultSeen_.owed = true;
    next->categoriesSeen_.owed = true;
    return next;
}

QList<UserStore::ConflictCopy> UserStore::conflictCopies() const {
    // Syncthing, Nextcloud and Dropbox name them so.
    QList<ConflictCopy> copies;
    const QDir folder(paths_.folder);
    // Categories first, so that the entries' categories are there; each
    // kind in the order of the names' bytes, whatever the locale.
    for (const char* stem : {"categories", "passwords"}) {
        const QString s = QLatin1String(stem);
        const QStringList patterns = {s + QStringLiteral(".sync-conflict-*.dat"),
                                      s + QStringLiteral(" (conflicted copy *).dat"),
                                      s + QStringLiteral(" (*'s conflicted copy *).dat")};
        // A link named like a copy would bring another file into the vault.
        QStringList names =
            folder.entryList(patterns, QDir::Files | QDir::NoSymLinks, QDir::NoSort);
        std::sort(names.begin(), names.end());
        for (const QString& name : names) {
            const QString path = folder.filePath(name);
            if (!unreadableCopies_.contains(path)) {
                copies.append({path, s == QLatin1String("categories")});
            }
        }
    }
    return copies;
}

LineList UserStore::readConflictCopy(const ConflictCopy& copy) {
    LineList lines;
    try {
        refusedIn(texts_, [&] {
            const QByteArray data = readBoundedFile(copy.path, kMaxContainerBytes);
            // Older than the files by nature: the loser of a sync conflict.
            lines = copy.categories ? categoryLines(copy.path, data, true)
                                    : vaultLines(copy.path, data, true);
        });
    } catch (const platform::PlatformError&) {
        unreadableCopies_ << copy.path;  // told once, not at every change
        throw;
    }
    return lines;
}

void UserStore::setConflictCopyAside(const ConflictCopy& copy, bool merged) {
    const QString renamed =
        copy.path + (merged ? QStringLiteral(".merged") : QStringLiteral(".declined"));
    QString target = renamed;
    for (int n = 2; QFileInfo::exists(target); ++n) {
        target = renamed + QLatin1Char('-') + QString::number(n);
    }
    // A copy that cannot be renamed is offered again at the next login.
    QFile::rename(copy.path, target);
}

void UserStore::saveList(const QString& path, const LineList& lines) {
    refusedIn(texts_, [&] { doSaveList(path, lines); });
}

LineList UserStore::loadList(const QString& path) {
    LineList lines;
    refusedIn(texts_, [&] { lines = doLoadList(path); });
    return lines;
}

LineList UserStore::readBackup() {
    LineList lines;
    refusedIn(texts_, [&] { lines = doReadBackup(); });
    return lines;
}

void UserStore::changePassword(const QByteArray& password) {
    checkFormat();
    refusedIn(texts_, [&] { doChangePassword(password); });
}

void UserStore::createKeyFile(const QString& path, const QByteArray& password) {
    checkFormat();
    refusedIn(texts_, [&] {
        doCreateKeyFile(path, password);
        // The encrypted store writes settings.dat at once.
        if (encrypted()) {
            keyOnDisk_ = {settings_.key, settings_.keyFile};
        }
    });
}

UserStore::Conversion UserStore::convert(const QByteArray& password, LineList& lines,
                                         LineList& names) {
    checkFormat();
    Conversion done;
    refusedIn(texts_, [&] {
        // What another program saved meanwhile goes into the new format too;
        // this store's base stays, should the conversion not happen.
        Taken vault = mergeChanged(Slot::Vault, lines, true);
        Taken categories = mergeChanged(Slot::Categories, names, true);
        if (vault.putOff || categories.putOff) {
            throw platform::PlatformError(texts_.notSavedYet);
        }
        if (vault.merged) {
            lines = std::move(vault.merged->lines);
        }
        if (categories.merged) {
            names = std::move(categories.merged->lines);
        }
        done = doConvert(password, lines, names);
        if (done.store) {
            done.store->keyOnDisk_ = keyOnDisk_;
            try {
                done.store->rememberOnDisk();
            } catch (const platform::PlatformError&) {
                // Unknown then: the next write replaces the file as before.
            }
        }
    });
    return done;
}

std::unique_ptr<UserLogin> UserLogin::check(const UserPaths& paths, const QByteArray& password,
                                            const FileTexts& texts) {
    std::unique_ptr<UserLogin> login;
    refusedIn(texts, [&] {
        // Planted by a sync peer, a link would take the vault's bytes to its
        // target, or bring the target's lines into the vault.
        for (const QString& path :
             {paths.passwordFile, paths.vault, paths.backup, paths.categories, paths.settings}) {
            if (platform::fileSystem().isLink(path)) {
                throw FileRefused(FileRefused::Reason::Link, path);
            }
        }
        const QByteArray passwordFile = readPasswordFile(paths.passwordFile);
        if (crypto::isEncryptedPasswordFile(passwordFile)) {
            std::unique_ptr<VaultSession> session =
                VaultSession::checkPassword(paths.passwordFile, passwordFile, password);
            if (session) {
                login = std::make_unique<EncryptedLogin>(paths, readUserSettings(paths.settings),
                                                         texts, std::move(session));
            }
        } else {
            // A password file without any line answers like a wrong password.
            const std::optional<QByteArray> stored = platform::firstTextLine(passwordFile);
            if (stored && Scramble(*stored) == password) {
                // An old password file put back beside encrypted data files
                // would let the next save write junk over them.
                const QStringList mismatched = mismatchedFiles(paths, false, false);
                if (!mismatched.isEmpty()) {
                    throw FileRefused(FileRefused::Reason::PlainPasswordFileBeside,
                                      paths.passwordFile, mismatched);
                }
                login = std::make_unique<CompatibleLogin>(paths, readUserSettings(paths.settings),
                                                          texts, password);
            }
        }
    });
    if (login) {
        restrictToOwner(paths);
    }
    return login;
}

bool UserLogin::keyFileFits(const QString& path) {
    bool fitted = false;
    refusedIn(texts_, [&] { fitted = fits(path); });
    return fitted;
}

std::unique_ptr<UserStore> UserLogin::open() {
    std::unique_ptr<UserStore> store;
    refusedIn(texts_, [&] { store = doOpen(); });
    store->setTexts(texts_);
    // A key file picked at this login is a change of this program's.
    store->keyOnDisk_ = keyAsRead_;
    return store;
}

std::unique_ptr<UserStore> compatibleStore(const UserPaths& paths, const UserSettings& settings) {
    return std::make_unique<CompatibleStore>(paths, settings);
}

std::unique_ptr<UserStore> encryptedStore(const UserPaths& paths, const UserSettings& settings,
                                          std::unique_ptr<VaultSession> session) {
    return std::make_unique<EncryptedStore>(paths, settings, std::move(session));
}

}  // namespace core
