#include "session/UserSession.h"

#include "core/LineMerge.h"
#include "core/PasswordEntry.h"
#include "core/StoredText.h"
#include "core/VaultCrypto.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

namespace session {

UserSession::UserSession(QObject* parent) : QObject(parent) {
    connect(&watch_, &FolderWatch::settled, this, [this] { Q_EMIT changesWaiting(); });
}

UserSession::~UserSession() = default;

// ---- Logging in and out ---------------------------------------------------------------

void UserSession::open(std::unique_ptr<core::UserStore> store, const QString& login,
                       const QByteArray& password,
                       const std::function<bool(const QString&)>& useNewerBackup) {
    store->setTexts(texts_);
    core::LineList lines;
    try {
        lines = store->loadVault();
    } catch (const core::OlderVaultError& e) {
        // An old copy put back over a newer vault: its newer backup is offered.
        if (e.newerBackupPath().isEmpty() || !useNewerBackup(e.message())) {
            throw;
        }
        lines = store->useBackupAsVault();
    }
    names_ = store->readCategories();
    lines_ = std::move(lines);
    paths_ = store->paths();
    store_ = std::move(store);
    login_ = login;
    password_ = password;
    locked_ = false;
    watch_.watch(paths_.folder, {paths_.vault, paths_.categories});
}

void UserSession::lock() {
    locked_ = true;
    core::crypto::wipe(password_);
    if (!encrypted()) {
        return;
    }
    try {
        if (changedHere() && store_->formatUnchanged()) {
            saveAll();
        } else {
            // The backup is the vault as the login found it, not as the unlock will.
            store_->refreshBackup();
        }
    } catch (const platform::PlatformError&) {
        // The status bar says what is not saved; it stays until it can be.
    }
    if (changedHere()) {
        return;
    }
    lockedFingerprint_ = store_->vaultFingerprint();
    core::crypto::wipeLines(lines_);
    core::crypto::wipeLines(names_);
    store_->wipeLines();
    store_.reset();  // with it the data key, wiped as it is freed
}

bool UserSession::unlock(const QString& password,
                         const std::function<bool(core::UserLogin&)>& keyFile) {
    QByteArray bytes = password.toUtf8();
    if (store_) {
        // The files stay open (a compatible user, or what could not be
        // written): the password file's check, as at login.
        if (!core::UserLogin::check(paths_, bytes, texts_)) {
            core::crypto::wipe(bytes);
            return false;
        }
    } else {
        std::unique_ptr<core::UserLogin> login = core::UserLogin::check(paths_, bytes, texts_);
        if (!login || (login->keyFileDue() && !keyFile(*login))) {
            core::crypto::wipe(bytes);
            return false;
        }
        std::unique_ptr<core::UserStore> store = login->open();
        store->setTexts(texts_);
        lines_ = store->loadVault();
        store->keepBackup();
        names_ = store->readCategories();
        unchangedWhileLocked_ = store->vaultFingerprint() == lockedFingerprint_;
        store_ = std::move(store);
        watch_.taken();  // read just now, with whatever changed meanwhile
    }
    password_ = std::move(bytes);
    locked_ = false;
    Q_EMIT stateChanged();
    return true;
}

void UserSession::writeBackup() {
    if (store_) {
        store_->refreshBackup();
    }
}

void UserSession::forget() {
    watch_.watch(QString(), {});
    if (store_) {
        store_->wipeLines();
    }
    store_.reset();
    core::crypto::wipeLines(lines_);
    core::crypto::wipeLines(names_);
    login_.clear();
    core::crypto::wipe(password_);
    locked_ = false;
}

bool UserSession::passwordIs(const QString& text) const {
    return !password_.isEmpty() && text == QString::fromUtf8(password_);
}

bool UserSession::encrypted() const {
    return store_ && store_->encrypted();
}

const core::UserPaths& UserSession::paths() const {
    return paths_;
}

core::UserSettings& UserSession::settings() {
    return store_->settings();
}

void UserSession::setTexts(const core::FileTexts& texts) {
    texts_ = texts;
    if (store_) {
        store_->setTexts(texts);
    }
}

// ---- Texts ------------------------------------------------------------------------------

namespace {
platform::Encoding encodingOf(const core::UserStore* store) {
    return store ? store->encoding() : platform::Encoding::CodePage;
}
}  // namespace

QString UserSession::text(const QByteArray& stored) const {
    return platform::toUi(stored, encodingOf(store_.get()));
}

std::optional<QChar> UserSession::unstorable(const QString& text) const {
    return core::forbiddenStoredCharacter(text, encodingOf(store_.get()));
}

std::optional<QChar> UserSession::unstorableStored(const QByteArray& stored) const {
    return core::forbiddenStoredBytes(stored, encodingOf(store_.get()));
}

QByteArray UserSession::stored(const QString& storableText) const {
    return platform::fromUi(storableText, encodingOf(store_.get()));
}

platform::Encoding UserSession::textEncoding() const {
    return encodingOf(store_.get());
}

core::StorageRules UserSession::storageRules() const {
    return core::storageRules(encodingOf(store_.get()));
}

// ---- Writes ------------------------------------------------------------------------------

void UserSession::written(const std::function<void()>& write) {
    try {
        write();
    } catch (...) {
        // The store kept its base: the watch brings the other side's changes
        // into what the operation left, so a retry writes both.
        watch_.changed();
        Q_EMIT stateChanged();
        throw;
    }
    for (const QString& text : store_->takeNotices()) {
        Q_EMIT notice(text);
    }
    Q_EMIT stateChanged();
}

void UserSession::takeMerged(const std::optional<core::UserStore::Merged>& lines,
                             const std::optional<core::UserStore::Merged>& names) {
    if (lines) {
        lines_ = lines->lines;
    }
    if (names) {
        names_ = names->lines;
    }
    if (lines || names) {
        Q_EMIT merged((lines ? lines->fromElsewhere : 0) + (names ? names->fromElsewhere : 0));
    }
}

void UserSession::saveEntries() {
    written([this] { takeMerged(store_->saveVault(lines_), std::nullopt); });
}

// ---- The entries -------------------------------------------------------------------------

QByteArray UserSession::entryPassword(int index) const {
    return core::entryPassword(lines_, index);
}

void UserSession::addEntry(const core::PasswordEntry& entry) {
    const QByteArray line = core::EncodeRecord(entry);
    lines_.append(line);
    try {
        saveEntries();
    } catch (...) {
        lines_.removeAt(lines_.lastIndexOf(line));
        throw;
    }
}

void UserSession::replaceEntry(int index, const core::PasswordEntry& entry) {
    if (index < 0 || index >= lines_.size()) {
        return;
    }
    const QByteArray previous = lines_[index];
    lines_[index] = core::EncodeRecord(entry);
    try {
        saveEntries();
    } catch (...) {
        lines_[index] = previous;
        throw;
    }
}

void UserSession::deleteEntries(const std::vector<int>& indexes) {
    core::LineList kept;
    kept.reserve(lines_.size() - qsizetype(indexes.size()));
    size_t g = 0;
    for (int i = 0; i < lines_.size(); ++i) {
        if (g < indexes.size() && indexes[g] == i) {
            ++g;
        } else {
            kept.append(lines_[i]);
        }
    }
    lines_ = std::move(kept);
}

void UserSession::replaceLines(core::LineList lines) {
    // Every file is read before anything changes: when one cannot be read,
    // the lists stay as they were, and the next save cannot store a list
    // the user never saw.
    core::LineList names = store_->readCategories();
    lines_ = std::move(lines);
    names_ = std::move(names);
}

void UserSession::clear() {
    replaceLines({});
}

void UserSession::load(const QString& path) {
    replaceLines(store_->loadList(path));
}

void UserSession::restore() {
    // The backup of the vault as read at login, should it not be written yet.
    store_->refreshBackup();
    replaceLines(store_->readBackup());
}

void UserSession::saveList(const QString& path) const {
    store_->saveList(path, lines_);
}

void UserSession::import(const core::ImportPlan& plan) {
    if (!plan.newCategories.isEmpty()) {
        writeCategories(names_ + plan.newCategories);
    }
    const qsizetype before = lines_.size();
    lines_.append(plan.lines);
    try {
        saveEntries();
    } catch (...) {
        // An unwritten vault keeps the list it had: the next save stores no
        // entries the user was told failed.
        lines_.resize(before);
        throw;
    }
}

// ---- The categories ----------------------------------------------------------------------

int UserSession::categoryCount(int k) const {
    return k < 0 || k >= names_.size() ? 0 : core::categoryCount(lines_, names_[k]);
}

void UserSession::addCategory(const QByteArray& name) {
    names_.append(name);
}

void UserSession::renameCategory(int k, const QByteArray& name) {
    if (k >= 0 && k < names_.size()) {
        names_[k] = name;
    }
}

void UserSession::deleteCategory(int k) {
    if (k >= 0 && k < names_.size()) {
        names_.removeAt(k);
    }
}

void UserSession::readCategories() {
    names_ = store_->readCategories();
}

void UserSession::writeCategories(const core::LineList& names) {
    written([&] {
        std::optional<core::UserStore::Merged> merged = store_->writeCategories(names);
        names_ = names;
        takeMerged(std::nullopt, merged);
    });
}

// ---- The File menu -----------------------------------------------------------------------

bool UserSession::formatUnchanged() {
    return store_->formatUnchanged();
}

void UserSession::reopen(core::UserLogin& login, const QByteArray& password) {
    core::LineList lines = lines_;
    core::LineList names = names_;
    std::unique_ptr<core::UserStore> next = store_->reopen(login, lines, names);
    next->setTexts(texts_);
    store_ = std::move(next);
    store_->refreshBackup();
    lines_ = std::move(lines);
    names_ = std::move(names);
    password_ = password;
    watch_.watch(paths_.folder, {paths_.vault, paths_.categories});
    Q_EMIT stateChanged();
}

void UserSession::changePassword(const QByteArray& password) {
    store_->changePassword(password);
    password_ = password;
}

void UserSession::createKeyFile(const QString& path) {
    store_->createKeyFile(path, password_);
}

UserSession::Converted UserSession::convert(const QByteArray& password) {
    core::LineList lines = lines_;
    core::LineList names = names_;
    core::UserStore::Conversion done;
    written([&] {
        store_->refreshBackup();
        done = store_->convert(password, lines, names);
    });
    Converted result;
    result.refused = done.refused;
    result.keyFileDropped = done.keyFileDropped;
    if (!done.store) {
        return result;
    }
    store_ = std::move(done.store);
    // Also after a failure: the password file is written under the new password.
    password_ = password;
    lines_ = std::move(lines);
    names_ = std::move(names);
    result.done = true;
    if (done.failure) {
        std::rethrow_exception(done.failure);
    }
    return result;
}

// ---- The close ----------------------------------------------------------------------------

void UserSession::saveSettings() {
    store_->saveSettings();
}

void UserSession::saveAll() {
    // The backup of the vault as read, should the window have closed before it was written.
    store_->refreshBackup();
    // The list in memory keeps its order: if a later step fails, a second
    // close writes the same file again.
    written([this] { takeMerged(std::nullopt, store_->saveSortedCategories(names_)); });
    saveEntries();
    if (store_->unsaved() && !store_->unsavedKeptAside()) {
        throw platform::PlatformError(texts_.notSavedYet);
    }
}

bool UserSession::changedHere() const {
    return store_->changedHere(lines_, names_);
}

// ---- What changed elsewhere -------------------------------------------------------------

void UserSession::takeChanges() {
    watch_.taken();
    // Both files are taken even when the other one fails: what the store
    // merged is its base from now on.
    std::optional<core::UserStore::Merged> names = store_->takeCategoryChanges(names_);
    std::optional<core::UserStore::Merged> lines;
    try {
        lines = store_->takeVaultChanges(lines_);
    } catch (...) {
        takeMerged(std::nullopt, names);
        throw;
    }
    takeMerged(lines, names);
    for (const QString& text : store_->takeNotices()) {
        Q_EMIT notice(text);
    }
    Q_EMIT stateChanged();
    if (store_->unsettled()) {
        watch_.lookAgainSoon();  // still being written elsewhere
        return;
    }
    // A write put off until the file could be read is made now; never one
    // that would need the password of a format changed elsewhere.
    if (store_->unsaved() && store_->formatUnchanged()) {
        writeCategories(names_);
        saveEntries();
    }
}

bool UserSession::unsaved() const {
    return store_ && store_->unsaved();
}

bool UserSession::formatChangedElsewhere() const {
    return store_ && store_->formatChangedElsewhere();
}

QList<core::UserStore::ConflictCopy> UserSession::conflictCopies() const {
    return store_->conflictCopies();
}

core::LineList UserSession::copyAdds(const core::UserStore::ConflictCopy& copy) {
    const core::LineList& current = copy.categories ? names_ : lines_;
    return core::addMissing(current, store_->readConflictCopy(copy)).mid(current.size());
}

void UserSession::takeCopy(const core::UserStore::ConflictCopy& copy) {
    const core::LineList adds = copyAdds(copy);
    if (adds.isEmpty()) {
        return;
    }
    if (copy.categories) {
        writeCategories(names_ + adds);
        return;
    }
    lines_.append(adds);
    saveEntries();
}

void UserSession::setCopyAside(const core::UserStore::ConflictCopy& copy, bool merged) {
    store_->setConflictCopyAside(copy, merged);
}

}  // namespace session
