#include "core/EncryptedVault.h"

#include <cstring>

#include "core/KeyFile.h"
#include "core/PasswordEntry.h"
#include "core/StoredText.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/TextList.h"

namespace core {

using crypto::FileKind;

namespace {

QString refusalText(FileRefused::Reason reason, const QString& path, const FileTexts& texts) {
    const QString* t = &texts.damaged;
    switch (reason) {
        case FileRefused::Reason::WrongKind:
            t = &texts.wrongKind;
            break;
        case FileRefused::Reason::NewerFormat:
            t = &texts.newerFormat;
            break;
        case FileRefused::Reason::EncryptedList:
            t = &texts.encryptedList;
            break;
        case FileRefused::Reason::ChangedElsewhere:
            t = &texts.changedElsewhere;
            break;
        case FileRefused::Reason::Damaged:
            break;
    }
    return t->arg(platform::fullNativePath(path));
}

}  // namespace

FileRefused::FileRefused(Reason r, const QString& p)
    : platform::PlatformError(refusalText(r, p, FileTexts())), reason(r), path(p) {}

QString FileRefused::text(const FileTexts& texts) const {
    return refusalText(reason, path, texts);
}

QString damagedFileText(const QString& path) {
    return FileRefused(FileRefused::Reason::Damaged, path).message();
}

QString wrongKindText(const QString& path) {
    return FileRefused(FileRefused::Reason::WrongKind, path).message();
}

QString newerFormatText(const QString& path) {
    return FileRefused(FileRefused::Reason::NewerFormat, path).message();
}

QString encryptedListText(const QString& path) {
    return FileRefused(FileRefused::Reason::EncryptedList, path).message();
}

namespace {

using Reason = FileRefused::Reason;

[[noreturn]] void raise(Reason reason, const QString& path) {
    throw FileRefused(reason, path);
}

[[noreturn]] void raiseOpenFailure(crypto::OpenResult r, const QString& path) {
    switch (r) {
        case crypto::OpenResult::WrongKind:
            raise(Reason::WrongKind, path);
        case crypto::OpenResult::UnknownVersion:
            raise(Reason::NewerFormat, path);
        default:
            raise(Reason::Damaged, path);
    }
}

// The plaintext of a container, or a refusal naming the file.
QByteArray openOrRaise(const QString& path, const QByteArray& data, const VaultSession& session,
                       std::initializer_list<FileKind> kinds) {
    QByteArray plain;
    const crypto::OpenResult r = crypto::open(session.dataKey(), data, kinds, plain);
    if (r != crypto::OpenResult::Opened) {
        raiseOpenFailure(r, path);
    }
    return plain;
}

// The lines of an entry file's plaintext, each scrambled (the memory form).
LineList scrambledLines(const QByteArray& plain) {
    LineList lines = platform::parseTextLines(plain);
    for (QByteArray& line : lines) {
        scrambleInPlace(line.data(), line.size());
    }
    return lines;
}

}  // namespace

// ---- Session ------------------------------------------------------------------

VaultSession::VaultSession(crypto::SecureBytes dataKey,
                           std::optional<crypto::SecureBytes> keyFileHash)
    : dataKey_(std::move(dataKey)), keyFileHash_(std::move(keyFileHash)) {}

std::unique_ptr<VaultSession> VaultSession::checkPassword(const QString& passwordFilePath,
                                                          const QByteArray& content,
                                                          const QByteArray& password) {
    std::unique_ptr<VaultSession> s(new VaultSession());
    switch (crypto::parsePasswordFile(content, s->file_)) {
        case crypto::ParseResult::Parsed:
            break;
        case crypto::ParseResult::UnknownVersion:
            raise(Reason::NewerFormat, passwordFilePath);
        case crypto::ParseResult::Damaged:
            raise(Reason::Damaged, passwordFilePath);
    }
    s->keys_ = crypto::derivePasswordKeys(password, s->file_.salt, s->file_.kdf);
    if (!s->keys_) {
        throw std::bad_alloc();
    }
    if (!crypto::passwordMatches(s->file_, *s->keys_)) {
        return nullptr;
    }
    return s;
}

bool VaultSession::needsKeyFile() const {
    return file_.needsKeyFile();
}

bool VaultSession::hasKeyFileWrap() const {
    for (const crypto::KeyWrap& w : file_.wraps) {
        if (w.withKeyFile) {
            return true;
        }
    }
    return false;
}

bool VaultSession::openWithKeyFile(const QByteArray& keyFileContent) {
    if (!keys_) {
        return false;
    }
    crypto::SecureBytes hash = crypto::keyFileHash(keyFileContent);
    std::optional<crypto::SecureBytes> key = crypto::unwrapDataKey(file_, *keys_, &hash);
    if (!key) {
        return false;
    }
    dataKey_ = std::move(key);
    keyFileHash_ = std::move(hash);
    keys_.reset();  // the password's keys are not needed any more
    return true;
}

bool VaultSession::openWithoutKeyFile() {
    if (!keys_) {
        return false;
    }
    std::optional<crypto::SecureBytes> key = crypto::unwrapDataKey(file_, *keys_, nullptr);
    if (!key) {
        return false;
    }
    dataKey_ = std::move(key);
    keyFileHash_.reset();
    keys_.reset();
    return true;
}

// ---- Memory forms ----------------------------------------------------------------

QByteArray compatibleEntryToUtf8(const QByteArray& line) {
    QString text = platform::toUi(Scramble(line), platform::Encoding::CodePage);
    // A stored line may unscramble to a line break or NUL (junk, a foreign
    // file): kept, it would split the line in the encrypted file.
    for (QChar& c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0) {
            c = QChar::ReplacementCharacter;
        }
    }
    return Scramble(text.toUtf8());
}

QByteArray utf8EntryToCompatible(const QByteArray& line) {
    return Scramble(
        platform::fromUi(QString::fromUtf8(Scramble(line)), platform::Encoding::CodePage));
}

QByteArray compatibleNameToUtf8(const QByteArray& name) {
    return platform::toUi(name, platform::Encoding::CodePage).toUtf8();
}

QByteArray utf8NameToCompatible(const QByteArray& name) {
    return platform::fromUi(QString::fromUtf8(name), platform::Encoding::CodePage);
}

LineList convertLines(const LineList& lines, QByteArray (*convert)(const QByteArray&)) {
    LineList out;
    out.reserve(lines.size());
    for (const QByteArray& line : lines) {
        out.append(convert(line));
    }
    return out;
}

std::optional<Uncarried> firstUncarriedEntry(const LineList& utf8Lines) {
    for (const QByteArray& line : utf8Lines) {
        const QString text = QString::fromUtf8(Scramble(line));
        // Each field on its own: the separators are the format's.
        for (const QString& field : text.split(QLatin1Char('|'))) {
            if (const std::optional<QChar> c = forbiddenCompatibleCharacter(field)) {
                return Uncarried{text.section(QLatin1Char('|'), 0, 0), *c};
            }
        }
    }
    return std::nullopt;
}

std::optional<Uncarried> firstUncarriedCategory(const LineList& utf8Names) {
    for (const QByteArray& name : utf8Names) {
        const QString text = QString::fromUtf8(name);
        if (const std::optional<QChar> c = forbiddenCompatibleCharacter(text)) {
            return Uncarried{text, *c};
        }
    }
    return std::nullopt;
}

// ---- Files ------------------------------------------------------------------------

LineList readEntryFile(const QString& path, const VaultSession& session,
                       std::initializer_list<FileKind> kinds, bool acceptCompatible) {
    return entryFileLines(path, platform::readFile(path), session, kinds, acceptCompatible);
}

LineList entryFileLines(const QString& path, const QByteArray& data, const VaultSession& session,
                        std::initializer_list<FileKind> kinds, bool acceptCompatible) {
    if (!crypto::isContainer(data)) {
        if (!acceptCompatible) {
            raise(Reason::Damaged, path);
        }
        return convertLines(platform::parseTextLines(data), compatibleEntryToUtf8);
    }
    QByteArray plain = openOrRaise(path, data, session, kinds);
    LineList lines = scrambledLines(plain);
    crypto::wipe(plain);
    return lines;
}

void writeEntryFile(const QString& path, const VaultSession& session, FileKind kind,
                    const LineList& lines) {
    platform::writeFile(path, entryFileBytes(session, kind, lines));
}

QByteArray entryFileBytes(const VaultSession& session, FileKind kind, const LineList& lines) {
    qsizetype total = 0;
    for (const QByteArray& line : lines) {
        total += line.size() + 2;
    }
    // The lines unscrambled straight into the container, which encrypts them
    // where they lie: no plain copy of the vault is left behind.
    return crypto::seal(session.dataKey(), kind, total, [&](char* to) {
        // Copied as stored, line ends scrambled too, then unscrambled in one pass.
        char* at = to;
        for (const QByteArray& line : lines) {
            std::memcpy(at, line.constData(), size_t(line.size()));
            at += line.size();
            *at++ = char('\r' ^ kScrambleKey);
            *at++ = char('\n' ^ kScrambleKey);
        }
        scrambleInPlace(to, total);
    });
}

LineList readCategoryFile(const QString& path, const VaultSession& session) {
    return categoryFileLines(path, platform::readFile(path), session);
}

LineList categoryFileLines(const QString& path, const QByteArray& data,
                           const VaultSession& session) {
    if (!crypto::isContainer(data)) {
        if (!session.converting()) {
            raise(Reason::Damaged, path);
        }
        return convertLines(platform::parseTextLines(data), compatibleNameToUtf8);
    }
    return platform::parseTextLines(openOrRaise(path, data, session, {FileKind::Categories}));
}

void writeCategoryFile(const QString& path, const VaultSession& session, const LineList& names) {
    platform::writeFile(path, categoryFileBytes(session, names));
}

QByteArray categoryFileBytes(const VaultSession& session, const LineList& names) {
    return crypto::seal(session.dataKey(), FileKind::Categories, platform::joinTextLines(names));
}

void saveSortedCategories(const QString& path, const VaultSession& session, const LineList& names) {
    writeCategoryFile(path, session, sortedCategories(names, platform::Encoding::Utf8));
}

LineList loadPasswordsWithBackup(const QString& vaultPath, const QString& backupPath,
                                 const VaultSession& session) {
    const QByteArray data = platform::readFile(vaultPath);
    LineList lines;
    bool whole = true;
    if (crypto::isContainer(data)) {
        QByteArray plain = openOrRaise(vaultPath, data, session, {FileKind::Vault});
        whole = !plain.contains('\0');
        lines = scrambledLines(plain);
        crypto::wipe(plain);
    } else if (session.converting()) {
        whole = !data.contains('\0');
        lines = convertLines(platform::parseTextLines(data), compatibleEntryToUtf8);
    } else {
        raise(Reason::Damaged, vaultPath);
    }
    // As for a compatible vault: one cut short by a NUL keeps the old backup.
    if (!lines.isEmpty() && whole) {
        writeEntryFile(backupPath, session, FileKind::Backup, lines);
    }
    return lines;
}

// ---- Conversions --------------------------------------------------------------------

std::unique_ptr<VaultSession> encryptUserFiles(const UserPaths& paths, const QByteArray& password,
                                               const std::optional<QByteArray>& keyFileContent) {
    // Everything is read and prepared first: a failure writes nothing.
    auto compatibleData = [](const QString& path) {
        const QByteArray data = platform::readFile(path);
        if (crypto::isContainer(data)) {
            raise(Reason::Damaged, path);
        }
        return data;
    };
    const LineList vault =
        convertLines(platform::parseTextLines(compatibleData(paths.vault)), compatibleEntryToUtf8);
    const LineList categories = convertLines(
        platform::parseTextLines(compatibleData(paths.categories)), compatibleNameToUtf8);
    std::optional<LineList> backup;
    if (platform::FileExists(paths.backup)) {
        backup = convertLines(platform::parseTextLines(compatibleData(paths.backup)),
                              compatibleEntryToUtf8);
    }

    std::optional<crypto::SecureBytes> hash;
    if (keyFileContent) {
        hash = crypto::keyFileHash(*keyFileContent);
    }
    auto session = std::make_unique<VaultSession>(crypto::SecureBytes::random(crypto::kKeyBytes),
                                                  std::move(hash));
    std::optional<crypto::NewPasswordFile> file = crypto::newPasswordFile(password);
    if (!file) {
        throw std::bad_alloc();
    }
    crypto::addWrap(*file, session->dataKey(), session->keyFileHash());
    file->file.converting = true;
    platform::writeFile(paths.passwordFile, crypto::formatPasswordFile(file->file));
    writeEntryFile(paths.vault, *session, FileKind::Vault, vault);
    if (backup) {
        writeEntryFile(paths.backup, *session, FileKind::Backup, *backup);
    }
    writeCategoryFile(paths.categories, *session, categories);
    file->file.converting = false;
    platform::writeFile(paths.passwordFile, crypto::formatPasswordFile(file->file));
    session->setPasswordFile(file->file);
    return session;
}

std::optional<Uncarried> decryptUserFiles(const UserPaths& paths, const QByteArray& password,
                                          VaultSession& session,
                                          const std::function<void()>& beforePasswordFile) {
    const bool either = session.converting();
    const LineList vault = readEntryFile(paths.vault, session, {FileKind::Vault}, either);
    const LineList categories = readCategoryFile(paths.categories, session);
    std::optional<LineList> backup;
    if (platform::FileExists(paths.backup)) {
        backup = readEntryFile(paths.backup, session, {FileKind::Backup}, either);
    }
    const LineList* const entryFiles[] = {&vault, backup ? &*backup : nullptr};
    for (const LineList* entries : entryFiles) {
        if (entries) {
            if (std::optional<Uncarried> bad = firstUncarriedEntry(*entries)) {
                return bad;
            }
        }
    }
    if (std::optional<Uncarried> bad = firstUncarriedCategory(categories)) {
        return bad;
    }

    if (!session.converting()) {
        crypto::PasswordFile marked = session.passwordFile();
        marked.converting = true;
        platform::writeFile(paths.passwordFile, crypto::formatPasswordFile(marked));
        session.setPasswordFile(marked);
    }
    platform::saveTextList(paths.vault, convertLines(vault, utf8EntryToCompatible));
    if (backup) {
        platform::saveTextList(paths.backup, convertLines(*backup, utf8EntryToCompatible));
    }
    platform::saveTextList(paths.categories, convertLines(categories, utf8NameToCompatible));
    if (beforePasswordFile) {
        beforePasswordFile();
    }
    platform::saveTextList(paths.passwordFile, {Scramble(password)});
    return std::nullopt;
}

void finishConversion(const UserPaths& paths, VaultSession& session) {
    if (!session.converting()) {
        return;
    }
    for (auto [path, kind] :
         {std::pair{paths.vault, FileKind::Vault}, std::pair{paths.backup, FileKind::Backup}}) {
        if (platform::FileExists(path) && !crypto::isContainer(platform::readFile(path))) {
            writeEntryFile(path, session, kind, readEntryFile(path, session, {kind}, true));
        }
    }
    if (!crypto::isContainer(platform::readFile(paths.categories))) {
        writeCategoryFile(paths.categories, session, readCategoryFile(paths.categories, session));
    }
    crypto::PasswordFile done = session.passwordFile();
    done.converting = false;
    platform::writeFile(paths.passwordFile, crypto::formatPasswordFile(done));
    session.setPasswordFile(done);
}

bool keyFileIsCompatible(const VaultSession& session, const QByteArray& password) {
    if (!session.keyFileHash()) {
        return false;
    }
    const crypto::SecureBytes expected = crypto::keyFileHash(keyFileContent(password));
    return crypto::sameBytes(expected, *session.keyFileHash());
}

void rewrapDataKey(const QString& passwordFilePath, const QByteArray& password,
                   VaultSession& session) {
    std::optional<crypto::NewPasswordFile> file = crypto::newPasswordFile(password);
    if (!file) {
        throw std::bad_alloc();
    }
    crypto::addWrap(*file, session.dataKey(), session.keyFileHash());
    platform::writeFile(passwordFilePath, crypto::formatPasswordFile(file->file));
    session.setPasswordFile(file->file);
}

void replaceKeyFile(const QString& passwordFilePath, const QByteArray& password,
                    VaultSession& session, const QString& keyFilePath,
                    const std::function<void()>& afterKeyFile) {
    QByteArray content = crypto::randomBytes(kKeyFileSize);
    crypto::SecureBytes newHash = crypto::keyFileHash(content);

    std::optional<crypto::NewPasswordFile> file = crypto::newPasswordFile(password);
    if (!file) {
        throw std::bad_alloc();
    }
    crypto::addWrap(*file, session.dataKey(), session.keyFileHash());
    crypto::addWrap(*file, session.dataKey(), &newHash);
    platform::writeFile(passwordFilePath, crypto::formatPasswordFile(file->file));
    platform::writeFile(keyFilePath, content);
    crypto::wipe(content);
    if (afterKeyFile) {
        afterKeyFile();
    }
    file->file.wraps.removeFirst();
    platform::writeFile(passwordFilePath, crypto::formatPasswordFile(file->file));
    session.setPasswordFile(file->file);
    session.setKeyFileHash(std::move(newHash));
}

}  // namespace core
