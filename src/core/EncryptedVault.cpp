#include "core/EncryptedVault.h"

#include <algorithm>
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

QString refusalText(FileRefused::Reason reason, const QString& path, const QStringList& others,
                    const FileTexts& texts) {
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
        case FileRefused::Reason::TooLarge:
            t = &texts.tooLarge;
            break;
        case FileRefused::Reason::TooCostly:
            t = &texts.tooCostly;
            break;
        case FileRefused::Reason::ChangedElsewhere:
            t = &texts.changedElsewhere;
            break;
        case FileRefused::Reason::Link:
            t = &texts.link;
            break;
        case FileRefused::Reason::Older:
            if (!others.isEmpty()) {
                return texts.older.arg(platform::fullNativePath(path)) + QLatin1Char(' ') +
                       texts.newerBackup.arg(platform::fullNativePath(others.first()));
            }
            t = &texts.older;
            break;
        case FileRefused::Reason::EncryptedPasswordFileAlone:
        case FileRefused::Reason::PlainPasswordFileBeside: {
            QStringList names;
            for (const QString& p : others) {
                names << platform::fullNativePath(p);
            }
            return (reason == FileRefused::Reason::EncryptedPasswordFileAlone
                        ? texts.encryptedPasswordFileAlone
                        : texts.plainPasswordFileBeside)
                .arg(platform::fullNativePath(path), names.join(QStringLiteral(", ")));
        }
        case FileRefused::Reason::Damaged:
            break;
    }
    return t->arg(platform::fullNativePath(path));
}

}  // namespace

QString FileTexts::writeFailure(const platform::WriteFailed& e) const {
    const QString* t = nullptr;
    switch (e.problem) {
        case platform::WriteProblem::DiskFull:
            t = &writeDiskFull;
            break;
        case platform::WriteProblem::FileTooLarge:
            t = &writeTooLarge;
            break;
        case platform::WriteProblem::NoPermission:
            t = &writeNoPermission;
            break;
        case platform::WriteProblem::ReadOnly:
            t = &writeReadOnly;
            break;
        case platform::WriteProblem::Link:
            t = &writeLink;
            break;
        case platform::WriteProblem::None:
        case platform::WriteProblem::Failed:
            return e.message();  // the platform's own text: it told no reason
    }
    return t->arg(platform::fullNativePath(e.path));
}

QString pluralForm(const QString& forms, qsizetype n) {
    const QStringList f = forms.split(QLatin1Char('|'));
    qsizetype k = 0;
    if (f.size() == 2) {
        k = n == 1 ? 0 : 1;
    } else if (f.size() >= 3) {
        const qsizetype last = n % 10;
        const qsizetype lastTwo = n % 100;
        k = last == 1 && lastTwo != 11                                 ? 0
            : last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? 1
                                                                       : 2;
    }
    return f[k];
}

FileRefused::FileRefused(Reason r, const QString& p, QStringList o, const FileTexts& texts)
    : platform::PlatformError(refusalText(r, p, o, texts)),
      reason(r),
      path(p),
      others(std::move(o)) {}

QString FileRefused::text(const FileTexts& texts) const {
    return refusalText(reason, path, others, texts);
}

OlderVaultError::OlderVaultError(const QString& vaultPath, const QString& newerBackupPath,
                                 const FileTexts& texts)
    : FileRefused(Reason::Older, vaultPath,
                  newerBackupPath.isEmpty() ? QStringList() : QStringList{newerBackupPath}, texts) {
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

}  // namespace

QByteArray readBoundedFile(const QString& path, qint64 max) {
    if (platform::fileSystem().isLink(path)) {
        raise(Reason::Link, path);
    }
    if (platform::fileSize(path) > max) {
        raise(Reason::TooLarge, path);
    }
    QByteArray data = platform::readFile(path);
    if (data.size() > max || platform::fileSystem().isLink(path)) {
        const Reason reason = data.size() > max ? Reason::TooLarge : Reason::Link;
        crypto::wipe(data);
        raise(reason, path);
    }
    return data;
}

namespace {

// The plaintext of a container, or a refusal naming the file.
QByteArray openOrRaise(const QString& path, const QByteArray& data, const VaultSession& session,
                       std::initializer_list<FileKind> kinds, quint64* generation = nullptr) {
    QByteArray plain;
    const crypto::OpenResult r = crypto::open(session.dataKey(), data, kinds, plain, generation);
    if (r != crypto::OpenResult::Opened) {
        raiseOpenFailure(r, path);
    }
    return plain;
}

// The lines of an entry file, each scrambled (the memory form): decrypted,
// scrambled and split where the file's bytes lie, so the plaintext exists
// once and only until it is scrambled.
LineList scrambledLines(const QString& path, QByteArray data, const VaultSession& session,
                        std::initializer_list<FileKind> kinds, bool* cut = nullptr,
                        quint64* generation = nullptr) {
    const crypto::OpenResult r = crypto::openInPlace(session.dataKey(), data, kinds, generation);
    if (r != crypto::OpenResult::Opened) {
        raiseOpenFailure(r, path);
    }
    return platform::shareTextLines(std::move(data), scrambleInPlace, cut);
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
    s->passwordFilePath_ = passwordFilePath;
    switch (crypto::parsePasswordFile(content, s->file_)) {
        case crypto::ParseResult::Parsed:
            break;
        case crypto::ParseResult::UnknownVersion:
            raise(Reason::NewerFormat, passwordFilePath);
        case crypto::ParseResult::TooCostly:
            raise(Reason::TooCostly, passwordFilePath);
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
    return std::any_of(file_.wraps.begin(), file_.wraps.end(),
                       [](const crypto::KeyWrap& w) { return w.withKeyFile; });
}

bool VaultSession::finishOpening(std::optional<crypto::SecureBytes> dataKey,
                                 std::optional<crypto::SecureBytes> keyFileHash) {
    if (!dataKey) {
        return false;
    }
    // Nothing the file says (the conversion mark, the generations) counts
    // before its MAC is checked; a file of an earlier release has none.
    if (file_.version >= 2 && !crypto::macMatches(file_, *dataKey)) {
        raise(Reason::Damaged, passwordFilePath_);
    }
    dataKey_ = std::move(dataKey);
    keyFileHash_ = std::move(keyFileHash);
    if (file_.version >= 2) {
        keys_.reset();  // kept otherwise, to write the file anew with its MAC
    }
    return true;
}

bool VaultSession::openWithKeyFile(const QByteArray& keyFileContent) {
    if (!keys_ || dataKey_) {
        return false;
    }
    crypto::SecureBytes hash = crypto::keyFileHash(keyFileContent);
    std::optional<crypto::SecureBytes> key = crypto::unwrapDataKey(file_, *keys_, &hash);
    return finishOpening(std::move(key), std::move(hash));
}

bool VaultSession::openWithKeyFileAt(const QString& keyFilePath) {
    if (!keys_ || dataKey_) {
        return false;
    }
    crypto::SecureBytes hash = hashKeyFile(keyFilePath);
    std::optional<crypto::SecureBytes> key = crypto::unwrapDataKey(file_, *keys_, &hash);
    return finishOpening(std::move(key), std::move(hash));
}

bool VaultSession::openWithoutKeyFile() {
    if (!keys_ || dataKey_) {
        return false;
    }
    return finishOpening(crypto::unwrapDataKey(file_, *keys_, nullptr), std::nullopt);
}

// What the writers change in a session.
struct VaultSession::Internals {
    // The wraps the session can make again, for the new file n.
    static void addWraps(crypto::NewPasswordFile& n, const VaultSession& s) {
        if (s.file_.hasWrapWithoutKeyFile()) {
            crypto::addWrap(n, s.dataKey(), nullptr);
        }
        if (s.keyFileHash_) {
            crypto::addWrap(n, s.dataKey(), &*s.keyFileHash_);
        }
        for (const crypto::SecureBytes& h : s.otherKeyFileHashes_) {
            crypto::addWrap(n, s.dataKey(), &h);
        }
    }

    // Writes f as the password file, with its MAC; one of an earlier release
    // is made anew first (its wraps too) while the password's keys are at
    // hand. The session takes f once it is written.
    static void writePasswordFile(VaultSession& s, crypto::PasswordFile f) {
        if (f.version < 2 && s.keys_) {
            crypto::NewPasswordFile n = crypto::samePasswordFile(
                f, crypto::PasswordKeys{s.keys_->check.copy(), s.keys_->wrap.copy()});
            addWraps(n, s);
            f = n.file;
        }
        platform::writeFile(s.passwordFilePath_, f.version >= 2
                                                     ? crypto::formatPasswordFile(f, s.dataKey())
                                                     : crypto::formatLegacyPasswordFile(f));
        s.file_ = std::move(f);
        if (s.file_.version >= 2) {
            s.keys_.reset();
        }
    }

    // Another program may have written the password file since this session
    // read it: a password changed on another computer re-wraps the same data
    // key, a new key file adds a wrap, newer generations are recorded. A file
    // under this session's data key is taken, so the next write keeps all of
    // that; any other is left to the data files' own checks.
    static void followDisk(VaultSession& s) {
        if (s.passwordFilePath_.isEmpty() || s.file_.version < 2 ||
            !platform::FileExists(s.passwordFilePath_)) {
            return;
        }
        crypto::PasswordFile disk;
        try {
            if (crypto::parsePasswordFile(
                    readBoundedFile(s.passwordFilePath_, crypto::kMaxPasswordFileBytes), disk) !=
                    crypto::ParseResult::Parsed ||
                disk.version < 2 || !crypto::macMatches(disk, s.dataKey())) {
                return;
            }
        } catch (const FileRefused&) {
            return;
        }
        // An older copy of the file put back records no older generations.
        if (disk.vaultGeneration > s.file_.vaultGeneration) {
            s.recordedVault_ = false;
        }
        if (disk.categoriesGeneration > s.file_.categoriesGeneration) {
            s.recordedCategories_ = false;
        }
        disk.vaultGeneration = std::max(disk.vaultGeneration, s.file_.vaultGeneration);
        disk.categoriesGeneration =
            std::max(disk.categoriesGeneration, s.file_.categoriesGeneration);
        s.file_ = std::move(disk);
    }

    // The same at a path the session takes from now on.
    static void writePasswordFile(VaultSession& s, crypto::PasswordFile f, const QString& path) {
        s.passwordFilePath_ = path;
        writePasswordFile(s, std::move(f));
    }

    static quint64 vaultGeneration(const VaultSession& s) {
        return std::max(s.file_.vaultGeneration, s.seenVault_);
    }
    static quint64 categoriesGeneration(const VaultSession& s) {
        return std::max(s.file_.categoriesGeneration, s.seenCategories_);
    }

    // The generation of a write: one above any met at the session's first
    // write of the file, the same at its later writes, so the password file
    // is written once per session and file rather than at every save.
    static quint64 nextGeneration(const VaultSession& s, FileKind kind) {
        const bool vault = kind == FileKind::Vault;
        const quint64 current = vault ? vaultGeneration(s) : categoriesGeneration(s);
        const quint64 recorded = vault ? s.file_.vaultGeneration : s.file_.categoriesGeneration;
        const bool own = vault ? s.recordedVault_ : s.recordedCategories_;
        return own && recorded == current ? current : current + 1;
    }

    // A vault or category file was written with generation g: recorded in
    // the password file right after. Should that fail, the newer file is
    // still taken at the next login, and the next write records it.
    static void wrote(VaultSession& s, FileKind kind, quint64 g) {
        const bool vault = kind == FileKind::Vault;
        (vault ? s.seenVault_ : s.seenCategories_) = g;
        if (s.passwordFilePath_.isEmpty() ||
            (vault ? s.file_.vaultGeneration : s.file_.categoriesGeneration) == g) {
            return;
        }
        crypto::PasswordFile f = s.file_;
        (vault ? f.vaultGeneration : f.categoriesGeneration) = g;
        writePasswordFile(s, f);
        (vault ? s.recordedVault_ : s.recordedCategories_) = true;
    }

    // A file read with generation g; one older than recorded is refused.
    static bool older(const VaultSession& s, FileKind kind, quint64 g) {
        quint64& seen = kind == FileKind::Vault ? s.seenVault_ : s.seenCategories_;
        const quint64 recorded =
            kind == FileKind::Vault ? s.file_.vaultGeneration : s.file_.categoriesGeneration;
        if (g < recorded) {
            return true;
        }
        seen = std::max(seen, g);
        return false;
    }

    static void takeNewKeyFile(VaultSession& s, crypto::SecureBytes hash) {
        s.otherKeyFileHashes_.push_back(std::move(hash));
    }
    // The newest of the other key files is now the one on disk.
    static void useNewKeyFile(VaultSession& s) {
        crypto::SecureBytes fresh = std::move(s.otherKeyFileHashes_.back());
        s.otherKeyFileHashes_.pop_back();
        if (s.keyFileHash_) {
            s.otherKeyFileHashes_.push_back(std::move(*s.keyFileHash_));
        }
        s.keyFileHash_ = std::move(fresh);
    }
    static void forgetOtherKeyFiles(VaultSession& s) { s.otherKeyFileHashes_.clear(); }
};

using Internals = VaultSession::Internals;

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

namespace {

// The lines written into a container, unscrambled in place: no plain copy of
// the vault is left behind.
QByteArray sealLines(const VaultSession& session, FileKind kind, const LineList& lines,
                     quint64 generation) {
    qsizetype total = 0;
    for (const QByteArray& line : lines) {
        total += line.size() + 2;
    }
    return crypto::seal(
        session.dataKey(), kind, total,
        [&](char* to) {
            // Copied as stored, line ends scrambled too, then unscrambled in one pass.
            char* at = to;
            for (const QByteArray& line : lines) {
                std::memcpy(at, line.constData(), size_t(line.size()));
                at += line.size();
                *at++ = char('\r' ^ kScrambleKey);
                *at++ = char('\n' ^ kScrambleKey);
            }
            scrambleInPlace(to, total);
        },
        generation);
}

QByteArray sealNames(const VaultSession& session, const LineList& names, quint64 generation) {
    QByteArray plain = platform::joinTextLines(names);
    const crypto::WipeOnExit wipe(plain);
    return crypto::seal(session.dataKey(), FileKind::Categories, plain, generation);
}

// The first bytes of a file, enough for a container's header.
QByteArray headOf(const QString& path) {
    return platform::readFileHead(path, 32);
}

// The generation of a backup that opens; nothing otherwise.
std::optional<quint64> backupGeneration(const QString& path, const VaultSession& session) {
    if (!platform::FileExists(path) || platform::fileSize(path) > kMaxContainerBytes) {
        return std::nullopt;
    }
    QByteArray plain;
    const crypto::WipeOnExit wipe(plain);
    quint64 g = 0;
    if (crypto::open(session.dataKey(), platform::readFile(path), {FileKind::Backup}, plain, &g) !=
        crypto::OpenResult::Opened) {
        return std::nullopt;
    }
    return g;
}

// The vault's lines (scrambled UTF-8) and generation; an older vault than
// the last written is refused, naming a newer backup when there is one.
struct VaultRead {
    LineList lines;
    quint64 generation = 0;
    bool whole = true;  // no NUL cut it short
};
VaultRead readVault(const QString& vaultPath, const QString& backupPath,
                    const VaultSession& session) {
    QByteArray data = readBoundedFile(vaultPath, kMaxContainerBytes);
    VaultRead r;
    if (crypto::isContainer(data)) {
        bool cut = false;
        r.lines = scrambledLines(vaultPath, std::move(data), session, {FileKind::Vault}, &cut,
                                 &r.generation);
        if (Internals::older(session, FileKind::Vault, r.generation)) {
            const std::optional<quint64> b = backupGeneration(backupPath, session);
            throw OlderVaultError(vaultPath, b && *b > r.generation ? backupPath : QString());
        }
        r.whole = !cut;
    } else if (session.converting()) {
        r.whole = !data.contains('\0');
        r.lines = convertLines(platform::parseTextLines(data), compatibleEntryToUtf8);
    } else {
        raise(Reason::Damaged, vaultPath);
    }
    return r;
}

}  // namespace

QByteArray readPasswordFile(const QString& path) {
    return readBoundedFile(path, crypto::kMaxPasswordFileBytes);
}

crypto::SecureBytes hashKeyFile(const QString& path) {
    if (platform::fileSize(path) > kMaxKeyFileBytes) {
        raise(Reason::TooLarge, path);
    }
    crypto::KeyFileHasher hasher;
    qint64 total = 0;
    platform::readFilePieces(path, 65536, [&](const QByteArray& piece) {
        total += piece.size();
        if (total <= kMaxKeyFileBytes) {
            hasher.add(piece);
        }
        return total <= kMaxKeyFileBytes;
    });
    if (total > kMaxKeyFileBytes) {
        raise(Reason::TooLarge, path);  // it grew while being read
    }
    return hasher.finish();
}

QStringList mismatchedFiles(const UserPaths& paths, bool encryptedPasswordFile, bool converting) {
    QStringList out;
    for (const QString& path : {paths.vault, paths.backup, paths.categories}) {
        if (!platform::FileExists(path)) {
            continue;
        }
        const bool encrypted = crypto::isContainer(headOf(path));
        if (encrypted != encryptedPasswordFile && (encrypted || !converting)) {
            out << path;
        }
    }
    return out;
}

LineList readCompatibleEntryFile(const QString& path) {
    const QByteArray data = readBoundedFile(path, kMaxContainerBytes);
    if (crypto::isContainer(data)) {
        raise(Reason::EncryptedList, path);
    }
    return platform::parseTextLines(data);
}

LineList readEntryFile(const QString& path, const VaultSession& session,
                       std::initializer_list<FileKind> kinds, bool acceptCompatible) {
    return entryFileLines(path, readBoundedFile(path, kMaxContainerBytes), session, kinds,
                          acceptCompatible);
}

LineList entryFileLines(const QString& path, const QByteArray& data, const VaultSession& session,
                        std::initializer_list<FileKind> kinds, bool acceptCompatible) {
    if (!crypto::isContainer(data)) {
        if (!acceptCompatible) {
            raise(Reason::Damaged, path);
        }
        return convertLines(platform::parseTextLines(data), compatibleEntryToUtf8);
    }
    return scrambledLines(path, std::move(data), session, kinds);
}

LineList vaultFileLines(const QString& path, const QByteArray& data, const VaultSession& session,
                        bool acceptOlder) {
    if (!crypto::isContainer(data)) {
        raise(Reason::Damaged, path);
    }
    quint64 g = 0;
    LineList lines = scrambledLines(path, data, session, {FileKind::Vault}, nullptr, &g);
    if (!acceptOlder && Internals::older(session, FileKind::Vault, g)) {
        raise(Reason::Older, path);
    }
    return lines;
}

QByteArray writeEntryFile(const QString& path, VaultSession& session, FileKind kind,
                          const LineList& lines) {
    quint64 g = 0;
    if (kind == FileKind::Vault) {
        Internals::followDisk(session);
        g = Internals::nextGeneration(session, kind);
    } else if (kind == FileKind::Backup) {
        g = Internals::vaultGeneration(session);
    }
    QByteArray bytes = sealLines(session, kind, lines, g);
    platform::writeFile(path, bytes);
    if (kind == FileKind::Vault) {
        Internals::wrote(session, kind, g);
    }
    return bytes;
}

QByteArray entryFileBytes(const VaultSession& session, FileKind kind, const LineList& lines) {
    return sealLines(session, kind, lines, 0);
}

LineList readCategoryFile(const QString& path, const VaultSession& session) {
    return categoryFileLines(path, readBoundedFile(path, kMaxContainerBytes), session);
}

LineList categoryFileLines(const QString& path, const QByteArray& data, const VaultSession& session,
                           bool acceptOlder) {
    if (!crypto::isContainer(data)) {
        if (!session.converting()) {
            raise(Reason::Damaged, path);
        }
        return convertLines(platform::parseTextLines(data), compatibleNameToUtf8);
    }
    quint64 g = 0;
    QByteArray plain = openOrRaise(path, data, session, {FileKind::Categories}, &g);
    const crypto::WipeOnExit wipe(plain);
    if (!acceptOlder && Internals::older(session, FileKind::Categories, g)) {
        raise(Reason::Older, path);
    }
    return platform::parseTextLines(plain);
}

QByteArray writeCategoryFile(const QString& path, VaultSession& session, const LineList& names) {
    Internals::followDisk(session);
    const quint64 g = Internals::nextGeneration(session, FileKind::Categories);
    QByteArray bytes = sealNames(session, names, g);
    platform::writeFile(path, bytes);
    Internals::wrote(session, FileKind::Categories, g);
    return bytes;
}

QByteArray categoryFileBytes(const VaultSession& session, const LineList& names) {
    return sealNames(session, names, 0);
}

VaultLines readVaultLines(const QString& vaultPath, const QString& backupPath,
                          const VaultSession& session) {
    VaultRead r = readVault(vaultPath, backupPath, session);
    VaultLines v;
    v.lines = std::move(r.lines);
    // As for a compatible vault: one cut short by a NUL keeps the old backup,
    // and so does a backup newer than this vault.
    if (!v.lines.isEmpty() && r.whole) {
        // The header alone: decrypting the whole backup would slow every login.
        const std::optional<quint64> b = platform::FileExists(backupPath)
                                             ? crypto::containerGeneration(headOf(backupPath))
                                             : std::nullopt;
        v.backupDue = !b || *b <= r.generation;
    }
    return v;
}

void writeBackupLines(const QString& backupPath, const VaultSession& session,
                      const LineList& lines) {
    platform::writeFile(backupPath, sealLines(session, FileKind::Backup, lines,
                                              Internals::vaultGeneration(session)));
}

LineList loadPasswordsWithBackup(const QString& vaultPath, const QString& backupPath,
                                 const VaultSession& session) {
    VaultLines v = readVaultLines(vaultPath, backupPath, session);
    if (v.backupDue) {
        writeBackupLines(backupPath, session, v.lines);
    }
    return std::move(v.lines);
}

LineList replaceVaultByBackup(const QString& vaultPath, const QString& backupPath,
                              VaultSession& session) {
    LineList lines = readEntryFile(backupPath, session, {FileKind::Backup}, false);
    writeEntryFile(vaultPath, session, FileKind::Vault, lines);
    return lines;
}

// ---- Conversions --------------------------------------------------------------------

void encryptUserFiles(const UserPaths& paths, const QByteArray& password,
                      std::optional<crypto::SecureBytes> keyFileHash,
                      std::unique_ptr<VaultSession>& sessionOut) {
    // Everything is read and prepared first: a failure writes nothing.
    auto compatibleData = [](const QString& path) {
        const QByteArray data = readBoundedFile(path, kMaxContainerBytes);
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

    auto session = std::make_unique<VaultSession>(crypto::SecureBytes::random(crypto::kKeyBytes),
                                                  std::move(keyFileHash));
    std::optional<crypto::NewPasswordFile> file = crypto::newPasswordFile(password);
    if (!file) {
        throw std::bad_alloc();
    }
    crypto::addWrap(*file, session->dataKey(), session->keyFileHash());
    file->file.converting = true;
    file->file.vaultGeneration = 1;
    file->file.categoriesGeneration = 1;
    Internals::writePasswordFile(*session, file->file, paths.passwordFile);
    // From here on the user is encrypted, whatever fails next.
    sessionOut = std::move(session);
    VaultSession& s = *sessionOut;
    platform::writeFile(paths.vault, sealLines(s, FileKind::Vault, vault, 1));
    if (backup) {
        platform::writeFile(paths.backup, sealLines(s, FileKind::Backup, *backup, 1));
    }
    platform::writeFile(paths.categories, sealNames(s, categories, 1));
    crypto::PasswordFile done = s.passwordFile();
    done.converting = false;
    Internals::writePasswordFile(s, done);
}

std::unique_ptr<VaultSession> encryptUserFiles(const UserPaths& paths, const QByteArray& password,
                                               const std::optional<QByteArray>& keyFileContent) {
    std::optional<crypto::SecureBytes> hash;
    if (keyFileContent) {
        hash = crypto::keyFileHash(*keyFileContent);
    }
    std::unique_ptr<VaultSession> session;
    encryptUserFiles(paths, password, std::move(hash), session);
    return session;
}

std::optional<Uncarried> decryptUserFiles(const UserPaths& paths, const QByteArray& password,
                                          VaultSession& session,
                                          const std::function<void()>& beforePasswordFile) {
    const bool either = session.converting();
    const LineList vault = readVault(paths.vault, paths.backup, session).lines;
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
        if (session.passwordFilePath().isEmpty()) {
            session.setPasswordFilePath(paths.passwordFile);
        }
        Internals::writePasswordFile(session, marked);
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
    if (session.passwordFilePath().isEmpty()) {
        session.setPasswordFilePath(paths.passwordFile);
    }
    if (!session.converting()) {
        // An encrypted password file beside compatible data files: reading
        // them as encrypted would fail, writing over them would lose them.
        const QStringList mismatched = mismatchedFiles(paths, true, false);
        if (!mismatched.isEmpty()) {
            throw FileRefused(Reason::EncryptedPasswordFileAlone, paths.passwordFile, mismatched);
        }
        if (session.legacyPasswordFile()) {
            Internals::writePasswordFile(session, session.passwordFile());
        }
        return;
    }
    for (auto [path, kind] :
         {std::pair{paths.vault, FileKind::Vault}, std::pair{paths.backup, FileKind::Backup}}) {
        if (platform::FileExists(path) && !crypto::isContainer(headOf(path))) {
            writeEntryFile(path, session, kind, readEntryFile(path, session, {kind}, true));
        }
    }
    if (!crypto::isContainer(headOf(paths.categories))) {
        writeCategoryFile(paths.categories, session, readCategoryFile(paths.categories, session));
    }
    crypto::PasswordFile done = session.passwordFile();
    done.converting = false;
    Internals::writePasswordFile(session, done);
}

bool keyFileIsCompatible(const VaultSession& session, const QByteArray& password) {
    if (!session.keyFileHash()) {
        return false;
    }
    return crypto::sameBytes(crypto::keyFileHash(keyFileContent(password)), *session.keyFileHash());
}

namespace {

// A password file for the new password that carries over what the session's
// file says (conversion mark, generations); no wrap yet.
crypto::NewPasswordFile carriedOver(const QByteArray& password, const VaultSession& session) {
    std::optional<crypto::NewPasswordFile> n = crypto::newPasswordFile(password);
    if (!n) {
        throw std::bad_alloc();
    }
    n->file.converting = session.passwordFile().converting;
    n->file.vaultGeneration = session.passwordFile().vaultGeneration;
    n->file.categoriesGeneration = session.passwordFile().categoriesGeneration;
    return std::move(*n);
}

}  // namespace

void rewrapDataKey(const QString& passwordFilePath, const QByteArray& password,
                   VaultSession& session) {
    crypto::NewPasswordFile n = carriedOver(password, session);
    Internals::addWraps(n, session);
    Internals::writePasswordFile(session, n.file, passwordFilePath);
}

void replaceKeyFile(const QString& passwordFilePath, const QByteArray& password,
                    VaultSession& session, const QString& keyFilePath,
                    const std::function<void()>& afterKeyFile) {
    QByteArray content = crypto::randomBytes(kKeyFileSize);
    const crypto::WipeOnExit wipe(content);
    crypto::SecureBytes newHash = crypto::keyFileHash(content);

    // Both key files open the vault: the old one's wraps and the new one's.
    crypto::NewPasswordFile both = carriedOver(password, session);
    Internals::addWraps(both, session);
    crypto::addWrap(both, session.dataKey(), &newHash);
    Internals::writePasswordFile(session, both.file, passwordFilePath);
    Internals::takeNewKeyFile(session, newHash.copy());

    platform::writeFile(keyFilePath, content);
    // The new key file may stand where the old one stood: from now on the
    // session wraps for it.
    Internals::useNewKeyFile(session);
    if (afterKeyFile) {
        afterKeyFile();
    }

    crypto::NewPasswordFile only = crypto::samePasswordFile(both.file, std::move(*both.keys));
    crypto::addWrap(only, session.dataKey(), &newHash);
    Internals::writePasswordFile(session, only.file, passwordFilePath);
    Internals::forgetOtherKeyFiles(session);
}

PassphraseProblem passphraseProblem(const QString& passphrase) {
    for (const QChar c : passphrase) {
        if (c.category() == QChar::Other_Control) {
            return PassphraseProblem::ControlCharacter;
        }
    }
    const qsizetype length = passphrase.toUcs4().size();
    if (length < kMinPassphraseLength) {
        return PassphraseProblem::TooShort;
    }
    if (length > kMaxPassphraseLength) {
        return PassphraseProblem::TooLong;
    }
    return PassphraseProblem::None;
}

}  // namespace core
