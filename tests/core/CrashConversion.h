#pragma once

// A user converted between the formats, shared by the crash test and its
// child process: the child converts and is killed after a given number of
// file writes; the test then logs in and checks every entry.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <csignal>
#include <optional>

#include "core/EncryptedVault.h"
#include "core/PasswordEntry.h"
#include "core/VaultCrypto.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/TextList.h"

namespace crash_conversion {

inline const QByteArray kPassword("Secret123");
// The entries another program and this one add before a merging save.
inline const QByteArray kTheirs("Theirs|a|p|Work|||||");
inline const QByteArray kOurs("Ours|a|p|Work|||||");

// Cheap Argon2id and a fixed code page in both processes.
inline void prepare() {
    core::crypto::setNewFileKdfParams(core::crypto::KdfParams{1, 8192});
    platform::setStorageCodePage("windows-1252");
}

inline core::UserPaths paths(const QString& programDir) {
    return core::UserPaths::of(programDir + QLatin1Char('/'), QStringLiteral("alice"));
}

// The vault, its backup and the categories of a compatible user.
inline void makeUser(const QString& programDir) {
    const core::UserPaths p = paths(programDir);
    platform::CreateDir(p.usersFolder);
    platform::CreateDir(p.folder);
    core::LineList lines;
    for (int i = 0; i < 3000; ++i) {
        lines << core::Scramble("Caf\xe9 " + QByteArray::number(i) + "|user" +
                                QByteArray::number(i) + "|pw|Work|http://example.org|||||");
    }
    platform::saveTextList(p.vault, lines);
    platform::saveTextList(p.backup, lines.mid(0, 1000));
    platform::saveTextList(p.categories, {"Work", "Caf\xe9s"});
    platform::saveTextList(p.passwordFile, {core::Scramble(kPassword)});
}

// What a login sees: the entries, the backup's entries and the categories as
// texts; nothing when the login fails (or throws).
struct Seen {
    bool encrypted = false;
    bool converting = false;
    QStringList vault, backup, categories;
    bool operator==(const Seen& o) const {
        return vault == o.vault && backup == o.backup && categories == o.categories;
    }
};

inline std::unique_ptr<core::VaultSession> open(const core::UserPaths& p) {
    auto s = core::VaultSession::checkPassword(p.passwordFile, platform::readFile(p.passwordFile),
                                               kPassword);
    if (!s || !s->openWithoutKeyFile()) {
        return nullptr;
    }
    return s;
}

inline std::optional<Seen> login(const core::UserPaths& p) {
    Seen seen;
    const QByteArray pf = platform::readFile(p.passwordFile);
    seen.encrypted = core::crypto::isEncryptedPasswordFile(pf);
    auto texts = [](const core::LineList& lines, bool utf8, bool entries) {
        QStringList t;
        for (const QByteArray& l : lines) {
            const QByteArray plain = entries ? core::Scramble(l) : l;
            t << (utf8 ? QString::fromUtf8(plain)
                       : platform::toUi(plain, platform::Encoding::CodePage));
        }
        return t;
    };
    if (seen.encrypted) {
        const auto s = open(p);
        if (!s) {
            return std::nullopt;
        }
        using core::crypto::FileKind;
        seen.converting = s->converting();
        seen.vault =
            texts(core::readEntryFile(p.vault, *s, {FileKind::Vault}, s->converting()), true, true);
        seen.backup = texts(core::readEntryFile(p.backup, *s, {FileKind::Backup}, s->converting()),
                            true, true);
        seen.categories = texts(core::readCategoryFile(p.categories, *s), true, false);
    } else {
        if (platform::firstTextLine(pf) != core::Scramble(kPassword)) {
            return std::nullopt;
        }
        for (const QString& f : {p.vault, p.backup, p.categories}) {
            if (core::crypto::isContainer(platform::readFile(f))) {
                return std::nullopt;  // a compatible user must never meet an encrypted file
            }
        }
        seen.vault = texts(platform::loadTextList(p.vault), false, true);
        seen.backup = texts(platform::loadTextList(p.backup), false, true);
        seen.categories = texts(platform::loadTextList(p.categories), false, false);
    }
    return seen;
}

// The key file an encrypted user's login uses: the one the "settings" name.
inline QString keyFileNamed(const QString& programDir) {
    return QString::fromUtf8(platform::readFile(programDir + QStringLiteral("/keyfile.txt")));
}

inline std::unique_ptr<core::VaultSession> openWithKeyFile(const QString& programDir) {
    const core::UserPaths p = paths(programDir);
    auto s = core::VaultSession::checkPassword(p.passwordFile, platform::readFile(p.passwordFile),
                                               kPassword);
    if (!s || !s->openWithKeyFile(platform::readFile(keyFileNamed(programDir)))) {
        return nullptr;
    }
    return s;
}

// Create Key File of an encrypted user: a new random key file at newPath
// (maybe the old one's place), the "settings" naming it once it is written.
inline void replaceKeyFile(const QString& programDir, const QString& newPath) {
    auto s = openWithKeyFile(programDir);
    if (!s) {
        throw std::runtime_error("cannot open with the key file");
    }
    core::replaceKeyFile(paths(programDir).passwordFile, kPassword, *s, newPath, [&] {
        platform::writeFile(programDir + QStringLiteral("/keyfile.txt"), newPath.toUtf8());
    });
}

// One conversion, towards the other format than the password file's.
inline void convert(const core::UserPaths& p) {
    if (core::crypto::isEncryptedPasswordFile(platform::readFile(p.passwordFile))) {
        const auto s = open(p);
        if (!s || core::decryptUserFiles(p, kPassword, *s, {})) {
            throw std::runtime_error("cannot decrypt");
        }
    } else {
        core::encryptUserFiles(p, kPassword, std::nullopt);
    }
}

// The disk, with the process killed when it is about to make write number
// killAt + 1: the first killAt writes are whole, nothing after them happens.
class KillingFileSystem : public platform::DiskFileSystem {
public:
    explicit KillingFileSystem(int killAt) : killAt_(killAt) {}
    platform::WriteProblem writeAtomic(const QString& path, const QByteArray& data) override {
        if (writes_ == killAt_) {
            std::raise(SIGKILL);
        }
        ++writes_;
        return DiskFileSystem::writeAtomic(path, data);
    }

private:
    int killAt_;
    int writes_ = 0;
};

}  // namespace crash_conversion
