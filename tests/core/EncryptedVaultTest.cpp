// Encrypted vaults at the core level: every file round-trips, a wrong
// password or key file opens nothing, a damaged, cut or swapped file is
// refused by name with nothing written, and the conversions give back the
// compatible files byte for byte.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "TestDir.h"
#include "core/EncryptedVault.h"
#include "core/KeyFile.h"
#include "core/PasswordEntry.h"
#include "core/StoredText.h"
#include "core/VaultCrypto.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/TextList.h"

using core::LineList;
using core::VaultSession;
using core::crypto::FileKind;
using testing_support::TestDir;

namespace {

const QByteArray kPassword("Secret123");

class EncryptedVault : public ::testing::Test {
protected:
    void SetUp() override {
        // Argon2id at its least cost: the tests stay fast, the program uses its own.
        core::crypto::setNewFileKdfParams(core::crypto::KdfParams{1, 8192});
        platform::setStorageCodePage("windows-1252");
        dir.makeUser(QStringLiteral("alice"), kPassword,
                     {"Mail|alice|pw1|Work|http://a||||", "Caf\xe9|bob|pw2|Home|||||"},
                     {"Work", "Home", "Caf\xe9s"});
        paths = core::UserPaths::of(dir.path() + QLatin1Char('/'), QStringLiteral("alice"));
        // A backup as a login of the compatible vault leaves it.
        core::loadPasswordsWithBackup(paths.vault, paths.backup);
        before = dir.snapshot();
    }
    void TearDown() override {
        core::crypto::setNewFileKdfParams(std::nullopt);
        platform::setStorageCodePage(QByteArray());
    }

    // A login as the window does it: the password, then the key file if demanded.
    std::unique_ptr<VaultSession> login(const QByteArray& password,
                                        const std::optional<QByteArray>& keyFile = {}) {
        auto s = VaultSession::checkPassword(paths.passwordFile,
                                             platform::readFile(paths.passwordFile), password);
        if (!s) {
            return nullptr;
        }
        const bool opened = keyFile ? s->openWithKeyFile(*keyFile) : s->openWithoutKeyFile();
        return opened ? std::move(s) : nullptr;
    }

    // The password file as a text whose lines a test edits.
    void editPasswordFile(const std::function<void(QByteArray&)>& edit) {
        QByteArray text = platform::readFile(paths.passwordFile);
        edit(text);
        platform::writeFile(paths.passwordFile, text);
    }
    void restore(const QMap<QString, QByteArray>& files) {
        for (auto it = files.begin(); it != files.end(); ++it) {
            if (!it.key().endsWith(QLatin1Char('/'))) {
                dir.write(it.key(), it.value());
            }
        }
    }

    QStringList titles(const LineList& utf8Lines) {
        QStringList t;
        for (const QByteArray& line : utf8Lines) {
            t << QString::fromUtf8(core::DecodeRecord(line)[core::Title]);
        }
        return t;
    }

    TestDir dir;
    core::UserPaths paths;
    QMap<QString, QByteArray> before;
};

QString refusal(const std::function<void()>& f) {
    try {
        f();
    } catch (const platform::PlatformError& e) {
        return e.message();
    }
    return QString();
}

}  // namespace

TEST_F(EncryptedVault, EveryFileRoundTripsAndDecryptGivesBackTheCompatibleBytes) {
    const std::unique_ptr<VaultSession> made = core::encryptUserFiles(paths, kPassword, {});
    // No compatible byte is left, and the password is in no file.
    for (const QString& f : {paths.vault, paths.backup, paths.categories}) {
        EXPECT_TRUE(core::crypto::isContainer(platform::readFile(f))) << f.toStdString();
    }
    const QByteArray passwordFile = platform::readFile(paths.passwordFile);
    EXPECT_TRUE(passwordFile.startsWith("VORREL-ENCRYPTED 2\r\n"));
    EXPECT_FALSE(passwordFile.contains(kPassword));
    EXPECT_FALSE(passwordFile.contains(core::Scramble(kPassword)));
    // The Windows program unscrambles the first line and compares it with the
    // typed password (A-Z, a-z, 0-9 only): no character of it can be typed.
    for (char c : core::Scramble(*platform::firstTextLine(passwordFile))) {
        EXPECT_FALSE(core::isValidLoginName(QString(QLatin1Char(c))));
    }

    const std::unique_ptr<VaultSession> s = login(kPassword);
    ASSERT_TRUE(s);
    EXPECT_EQ(titles(core::readEntryFile(paths.vault, *s, {FileKind::Vault}, false)),
              (QStringList{QStringLiteral("Mail"), QStringLiteral("Caf\u00e9")}));
    EXPECT_EQ(core::readEntryFile(paths.backup, *s, {FileKind::Backup}, false),
              core::readEntryFile(paths.vault, *s, {FileKind::Vault}, false));
    EXPECT_EQ(core::readCategoryFile(paths.categories, *s),
              (LineList{"Work", "Home", "Caf\xc3\xa9s"}));

    // Every character is stored: Chinese, Cyrillic, emoji; each write has its own nonce.
    const LineList wide = {core::Scramble(QStringLiteral("国大出关|логін|№ і ґ|😀|||||").toUtf8())};
    const QString list = dir.path(QStringLiteral("list.dat"));
    core::writeEntryFile(list, *s, FileKind::List, wide);
    const QByteArray first = platform::readFile(list);
    core::writeEntryFile(list, *s, FileKind::List, wide);
    EXPECT_NE(platform::readFile(list), first);
    EXPECT_EQ(core::readEntryFile(list, *s, {FileKind::List}, false), wide);
    core::writeCategoryFile(paths.categories, *s, {"国大", "Мой"});
    EXPECT_EQ(core::readCategoryFile(paths.categories, *s), (LineList{"国大", "Мой"}));

    // Back to the compatible format: the very bytes of before.
    core::writeCategoryFile(paths.categories, *s, {"Work", "Home", "Caf\xc3\xa9s"});
    QFile::remove(list);
    EXPECT_FALSE(core::decryptUserFiles(paths, kPassword, *s, {}));
    EXPECT_EQ(dir.snapshot(), before);
}

TEST_F(EncryptedVault, WrongPasswordAndMissingOrWrongKeyFileOpenNothing) {
    const QByteArray keyFile = core::keyFileContent(kPassword);
    core::encryptUserFiles(paths, kPassword, keyFile);
    EXPECT_FALSE(VaultSession::checkPassword(paths.passwordFile,
                                             platform::readFile(paths.passwordFile), "Secret124"));
    auto s = VaultSession::checkPassword(paths.passwordFile, platform::readFile(paths.passwordFile),
                                         kPassword);
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->needsKeyFile());
    EXPECT_FALSE(s->openWithoutKeyFile());
    EXPECT_FALSE(s->openWithKeyFile(keyFile + '\0'));
    EXPECT_FALSE(s->openWithKeyFile(core::keyFileContent("Other123")));
    EXPECT_TRUE(s->openWithKeyFile(keyFile));

    // A new random key file: the old one no longer opens the vault, the new one does.
    const QString keyPath = dir.path(QStringLiteral("Vorrel.vrx"));
    bool settingsWritten = false;
    core::replaceKeyFile(paths.passwordFile, kPassword, *s, keyPath,
                         [&] { settingsWritten = true; });
    EXPECT_TRUE(settingsWritten);
    const QByteArray fresh = platform::readFile(keyPath);
    EXPECT_EQ(fresh.size(), core::kKeyFileSize);
    EXPECT_FALSE(fresh.contains(core::Scramble(kPassword)));
    EXPECT_FALSE(login(kPassword, keyFile));
    EXPECT_TRUE(login(kPassword, fresh));

    // A password change re-wraps the data key only: the data files stay as they are.
    const auto dataFiles = [&] {
        return QList<QByteArray>{platform::readFile(paths.vault),
                                 platform::readFile(paths.categories)};
    };
    const QList<QByteArray> data = dataFiles();
    core::rewrapDataKey(paths.passwordFile, "NewPass9", *s);
    EXPECT_EQ(dataFiles(), data);
    EXPECT_FALSE(login(kPassword, fresh));
    auto again = login("NewPass9", fresh);
    ASSERT_TRUE(again);
    EXPECT_EQ(titles(core::readEntryFile(paths.vault, *again, {FileKind::Vault}, false)).size(), 2);
}

TEST_F(EncryptedVault, ChangedCutOrSwappedFilesAreRefusedByNameWithNothingWritten) {
    core::encryptUserFiles(paths, kPassword, {});
    const auto s = login(kPassword);
    ASSERT_TRUE(s);
    const QMap<QString, QByteArray> encrypted = dir.snapshot();
    const QString vaultName = platform::fullNativePath(paths.vault);

    const QByteArray vault = platform::readFile(paths.vault);
    for (qsizetype at : {qsizetype(0), qsizetype(9), qsizetype(20), vault.size() - 1}) {
        QByteArray changed = vault;
        changed[at] = char(changed[at] ^ 0x01);
        dir.write(QStringLiteral("users/alice/passwords.dat"), changed);
        const QString why =
            refusal([&] { core::loadPasswordsWithBackup(paths.vault, paths.backup, *s); });
        EXPECT_TRUE(why.contains(vaultName) && why.contains(QStringLiteral("damaged")))
            << at << why.toStdString();
        dir.write(QStringLiteral("users/alice/passwords.dat"), vault);
        dir.write(QStringLiteral("users/alice/passwords.dat.bak"),
                  encrypted.value(QStringLiteral("users/alice/passwords.dat.bak")));
    }
    dir.write(QStringLiteral("users/alice/passwords.dat"), vault.left(vault.size() - 7));
    EXPECT_TRUE(refusal([&] {
                    core::loadPasswordsWithBackup(paths.vault, paths.backup, *s);
                }).contains(QStringLiteral("damaged")));
    // The backup put in the vault's place: another kind.
    dir.write(QStringLiteral("users/alice/passwords.dat"),
              encrypted.value(QStringLiteral("users/alice/passwords.dat.bak")));
    EXPECT_TRUE(refusal([&] {
                    core::loadPasswordsWithBackup(paths.vault, paths.backup, *s);
                }).contains(QStringLiteral("another kind")));
    dir.write(QStringLiteral("users/alice/passwords.dat"), vault);
    EXPECT_EQ(dir.snapshot(), encrypted);

    // The password file: any changed byte or a cut opens nothing. The MAC
    // needs the data key, so a change before the wraps may read as a wrong
    // password; a refusal names the file.
    const QByteArray pf = platform::readFile(paths.passwordFile);
    for (qsizetype at = 7; at < pf.size(); at += 7) {
        QByteArray changed = pf;
        changed[at] = char(changed[at] ^ 0x04);
        bool opened = false;
        const QString why = refusal([&] {
            auto tried = VaultSession::checkPassword(paths.passwordFile, changed, kPassword);
            opened = tried && tried->openWithoutKeyFile();
        });
        EXPECT_FALSE(opened) << at;
        EXPECT_TRUE(why.isEmpty() || why.contains(platform::fullNativePath(paths.passwordFile)))
            << at << why.toStdString();
    }
    EXPECT_FALSE(refusal([&] {
                     VaultSession::checkPassword(paths.passwordFile, pf.left(pf.size() / 2),
                                                 kPassword);
                 }).isEmpty());
    EXPECT_EQ(dir.snapshot(), encrypted);
}

TEST_F(EncryptedVault, DecryptRefusesWhatTheCodePageCannotCarryAndChangesNothing) {
    auto s = core::encryptUserFiles(paths, kPassword, {});
    using platform::Encoding;
    EXPECT_FALSE(core::forbiddenStoredCharacter(QStringLiteral("国大 № 😀"), Encoding::Utf8));
    EXPECT_EQ(core::forbiddenStoredCharacter(QStringLiteral("a|b"), Encoding::Utf8), QChar(u'|'));
    EXPECT_EQ(core::forbiddenStoredCharacter(QStringLiteral("国"), Encoding::CodePage),
              QChar(u'国'));

    core::writeEntryFile(paths.vault, *s, FileKind::Vault,
                         {core::Scramble("Plain|x|y||||||"),
                          core::Scramble(QStringLiteral("Bank|me|p|x|国||||").toUtf8())});
    const QMap<QString, QByteArray> encrypted = dir.snapshot();
    bool called = false;
    const std::optional<core::Uncarried> bad =
        core::decryptUserFiles(paths, kPassword, *s, [&] { called = true; });
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->name, QStringLiteral("Bank"));
    EXPECT_EQ(bad->character, QChar(u'国'));
    EXPECT_FALSE(called);
    EXPECT_EQ(dir.snapshot(), encrypted);
}

// An old compatible password file put back beside the encrypted data files
// (and an encrypted one beside compatible files): refused naming the files,
// nothing written; Restore and Load take only their own format.
TEST_F(EncryptedVault, PasswordFileOfTheOtherFormatIsRefusedWithNothingWritten) {
    const QByteArray oldPasswordFile = platform::readFile(paths.passwordFile);
    const QByteArray compatibleVault = platform::readFile(paths.vault);
    core::encryptUserFiles(paths, kPassword, {});
    platform::writeFile(paths.passwordFile, oldPasswordFile);
    const QMap<QString, QByteArray> restored = dir.snapshot();
    const QStringList all = {paths.vault, paths.backup, paths.categories};
    EXPECT_EQ(core::mismatchedFiles(paths, false, false), all);
    const QString text = core::FileRefused(core::FileRefused::Reason::PlainPasswordFileBeside,
                                           paths.passwordFile, all)
                             .message();
    for (const QString& f : all + QStringList{paths.passwordFile}) {
        EXPECT_TRUE(text.contains(platform::fullNativePath(f))) << text.toStdString();
    }
    EXPECT_FALSE(
        refusal([&] { core::loadPasswordsWithBackup(paths.vault, paths.backup); }).isEmpty());
    EXPECT_FALSE(refusal([&] { core::readCompatibleEntryFile(paths.backup); }).isEmpty());
    EXPECT_EQ(dir.snapshot(), restored);

    // The other way round: outside a conversion the login refuses, during one it takes either.
    restore(before);
    core::encryptUserFiles(paths, kPassword, {});
    platform::writeFile(paths.vault, compatibleVault);
    EXPECT_EQ(core::mismatchedFiles(paths, true, true), QStringList());
    auto s = login(kPassword);
    ASSERT_TRUE(s);
    const QMap<QString, QByteArray> mixed = dir.snapshot();
    EXPECT_TRUE(refusal([&] {
                    core::finishConversion(paths, *s);
                }).contains(platform::fullNativePath(paths.vault)));
    EXPECT_EQ(dir.snapshot(), mixed);
}

// Someone who can write the folder marks the password file "converting" and
// drops in a compatible vault with an entry of theirs: never taken. A real
// file of the earlier release (checksum, no MAC) still opens.
TEST_F(EncryptedVault, PasswordFileEditedToSayConvertingIsRefused) {
    auto made = core::encryptUserFiles(paths, kPassword, {});
    std::optional<core::crypto::NewPasswordFile> legacy = core::crypto::newPasswordFile(kPassword);
    legacy->file.version = 1;
    core::crypto::addWrap(*legacy, made->dataKey(), nullptr);
    platform::writeFile(paths.passwordFile, core::crypto::formatLegacyPasswordFile(legacy->file));
    auto old = login(kPassword);
    ASSERT_TRUE(old);
    EXPECT_TRUE(old->legacyPasswordFile());
    core::finishConversion(paths, *old);
    EXPECT_TRUE(platform::readFile(paths.passwordFile).startsWith("VORREL-ENCRYPTED 2\r\n"));
    auto renewed = login(kPassword);
    ASSERT_TRUE(renewed);
    EXPECT_FALSE(renewed->legacyPasswordFile());
    EXPECT_EQ(core::readEntryFile(paths.vault, *renewed, {FileKind::Vault}, false).size(), 2);
    // A container of the earlier release (no generation; the fuzzing seed's fixed key).
    core::crypto::SecureBytes seedKey(32);
    for (size_t i = 0; i < seedKey.size(); ++i) {
        seedKey.data()[i] = uchar(0x42 + i);
    }
    QByteArray plain;
    quint64 generation = 1;
    const QByteArray earlier = QByteArray::fromHex(
        "564f5252454c001a01010b92863ac1f2378dcc3306af447b985957bb37f5813fa1adecf25dc0"
        "79c2cab74da9ec4440cf48da3854c50353a20375beda3636db5e5e100aeb0053da92c5f98c3d");
    EXPECT_EQ(core::crypto::open(seedKey, earlier, {FileKind::Vault}, plain, &generation),
              core::crypto::OpenResult::Opened);
    EXPECT_EQ(platform::parseTextLines(plain).size(), 2);
    EXPECT_EQ(generation, 0u);

    dir.write(QStringLiteral("users/alice/passwords.dat"),
              core::Scramble("Bank|me|pw|Work|http://phish.example||||") + "\r\n");
    const QByteArray genuine = platform::readFile(paths.passwordFile);
    QByteArray marked = genuine;
    marked.replace("\r\ngeneration ", "\r\nstate converting\r\ngeneration ");
    // The MAC made anew under a key other than the data key.
    const core::crypto::SecureBytes otherKey = core::crypto::SecureBytes::random(32);
    platform::writeFile(paths.passwordFile, core::crypto::resealedPasswordFile(marked, &otherKey));
    const QMap<QString, QByteArray> forged = dir.snapshot();
    EXPECT_TRUE(refusal([&] { login(kPassword); }).contains(QStringLiteral("damaged")));
    // Made over as a file of the earlier release, whose checksum anyone computes.
    const qsizetype at = marked.indexOf("generation ");
    marked.remove(at, marked.indexOf("\r\n", at) + 2 - at);
    marked.replace("VORREL-ENCRYPTED 2", "VORREL-ENCRYPTED 1");
    platform::writeFile(paths.passwordFile, core::crypto::resealedPasswordFile(marked, nullptr));
    std::unique_ptr<VaultSession> downgraded;
    refusal([&] { downgraded = login(kPassword); });
    EXPECT_FALSE(downgraded);
    // A well-formed file of the earlier release marked converting: no MAC
    // stands behind its mark, so the planted vault is refused all the same.
    std::optional<core::crypto::NewPasswordFile> v1 = core::crypto::newPasswordFile(kPassword);
    v1->file.version = 1;
    v1->file.converting = true;
    core::crypto::addWrap(*v1, made->dataKey(), nullptr);
    platform::writeFile(paths.passwordFile, core::crypto::formatLegacyPasswordFile(v1->file));
    auto unmarked = login(kPassword);
    ASSERT_TRUE(unmarked);
    EXPECT_FALSE(refusal([&] { core::finishConversion(paths, *unmarked); }).isEmpty());
    platform::writeFile(paths.passwordFile, forged.value(QStringLiteral("users/alice/alice.dat")));
    EXPECT_EQ(dir.snapshot(), forged);
}

// An older vault of the same kind put back: refused by name with the newer
// backup offered, and the backup is not overwritten; an older category file too.
TEST_F(EncryptedVault, OlderVaultIsRefusedAndTheNewerBackupKept) {
    auto s = core::encryptUserFiles(paths, kPassword, {});
    const QByteArray oldVault = platform::readFile(paths.vault);
    const QByteArray oldCategories = platform::readFile(paths.categories);
    LineList lines = core::readEntryFile(paths.vault, *s, {FileKind::Vault}, false);
    lines << core::Scramble("Added|x|y||||||");
    core::writeEntryFile(paths.vault, *s, FileKind::Vault, lines);
    core::writeCategoryFile(paths.categories, *s, {"Work"});
    auto later = login(kPassword);  // what was recorded, not what the session remembers
    ASSERT_TRUE(later);
    EXPECT_EQ(core::loadPasswordsWithBackup(paths.vault, paths.backup, *later), lines);

    dir.write(QStringLiteral("users/alice/passwords.dat"), oldVault);
    const QMap<QString, QByteArray> rolledBack = dir.snapshot();
    auto again = login(kPassword);
    ASSERT_TRUE(again);
    try {
        core::loadPasswordsWithBackup(paths.vault, paths.backup, *again);
        ADD_FAILURE() << "an older vault was read";
    } catch (const core::OlderVaultError& e) {
        EXPECT_EQ(e.newerBackupPath(), paths.backup);
        EXPECT_TRUE(e.message().contains(platform::fullNativePath(paths.vault)));
        EXPECT_TRUE(e.message().contains(platform::fullNativePath(paths.backup)));
    }
    EXPECT_EQ(dir.snapshot(), rolledBack);
    EXPECT_EQ(core::replaceVaultByBackup(paths.vault, paths.backup, *again), lines);
    EXPECT_EQ(core::loadPasswordsWithBackup(paths.vault, paths.backup, *login(kPassword)), lines);

    dir.write(QStringLiteral("users/alice/categories.dat"), oldCategories);
    EXPECT_TRUE(refusal([&] {
                    core::readCategoryFile(paths.categories, *login(kPassword));
                }).contains(platform::fullNativePath(paths.categories)));
}

// Sizes are checked before anything is read; a key file is hashed in pieces
// (the same hash as whole, so existing key files still open); a planted
// key-derivation cost is refused at once.
TEST_F(EncryptedVault, OversizedKeyFileAndCostAreRefusedWithAMessage) {
    const QString keyPath = dir.path(QStringLiteral("Vorrel.vrx"));
    const QByteArray content = core::crypto::randomBytes(core::kKeyFileSize);
    dir.write(QStringLiteral("Vorrel.vrx"), content);
    EXPECT_TRUE(
        core::crypto::sameBytes(core::hashKeyFile(keyPath), core::crypto::keyFileHash(content)));
    const auto oversized = [&](const QString& name, qint64 size) {
        QFile f(dir.path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size));  // sparse: nothing to write
        return dir.path(name);
    };
    const QString huge = oversized(QStringLiteral("huge.vrx"), core::kMaxKeyFileBytes + 1);
    EXPECT_TRUE(refusal([&] { core::hashKeyFile(huge); }).contains(platform::fullNativePath(huge)));
    // A compatible key file is judged by its first line alone, whatever its size.
    EXPECT_FALSE(core::keyFileMatchesAt(huge, kPassword));
    dir.write(QStringLiteral("compatible.vrx"), core::keyFileContent(kPassword) + content);
    EXPECT_TRUE(core::keyFileMatchesAt(dir.path(QStringLiteral("compatible.vrx")), kPassword));
    core::encryptUserFiles(paths, kPassword, content);
    auto s = VaultSession::checkPassword(paths.passwordFile,
                                         core::readPasswordFile(paths.passwordFile), kPassword);
    ASSERT_TRUE(s);
    EXPECT_FALSE(refusal([&] { s->openWithKeyFileAt(huge); }).isEmpty());
    EXPECT_TRUE(s->openWithKeyFileAt(keyPath));
    // 1 GiB and 64 passes: refused before any derivation, by name.
    QByteArray costly = platform::readFile(paths.passwordFile);
    costly.replace(QByteArray("kdf argon2id13 1 8192"), QByteArray("kdf argon2id13 64 1073741824"));
    const QString why =
        refusal([&] { VaultSession::checkPassword(paths.passwordFile, costly, kPassword); });
    EXPECT_TRUE(why.contains(QStringLiteral("costlier")) &&
                why.contains(platform::fullNativePath(paths.passwordFile)))
        << why.toStdString();
    const QString bigList = oversized(QStringLiteral("list.dat"), core::kMaxContainerBytes + 1);
    EXPECT_TRUE(refusal([&] {
                    core::readEntryFile(bigList, *s, {FileKind::List}, true);
                }).contains(QStringLiteral("too large")));
    EXPECT_FALSE(refusal([&] {
                     core::readPasswordFile(oversized(QStringLiteral("users/alice/alice.dat"),
                                                      core::crypto::kMaxPasswordFileBytes + 1));
                 }).isEmpty());
}

namespace {

// The disk, failing write number failAt (0-based) of those made while armed.
class FailingWrite : public platform::DiskFileSystem {
public:
    FailingWrite() { platform::setFileSystem(this); }
    ~FailingWrite() override { platform::setFileSystem(nullptr); }
    platform::WriteProblem writeAtomic(const QString& path, const QByteArray& data) override {
        if (armed && writes++ == failAt) {
            failed = true;
            return platform::WriteProblem::Failed;
        }
        return DiskFileSystem::writeAtomic(path, data);
    }
    bool armed = false;
    int failAt = 0;
    int writes = 0;
    bool failed = false;
};

}  // namespace

// Encrypt, Decrypt, Create Key File at the same path and Change Password,
// each with one of its writes failing, then a password change and an end
// without close, as the window drives them: the next login shows every entry.
TEST_F(EncryptedVault, WriteFailuresNeverLockOutOrLoseEntries) {
    const QString keyPath = dir.path(QStringLiteral("Vorrel.vrx"));
    const QString settings = dir.path(QStringLiteral("settings.txt"));  // "Key" and "KeyFile"
    struct Window {
        std::unique_ptr<VaultSession> vault;
        QByteArray password = kPassword;
        bool useKeyFile = false;
    } w;
    const auto saveSettings = [&] { platform::writeFile(settings, w.useKeyFile ? "1" : "0"); };
    const auto seen = [&](const LineList& vault, const LineList& names, bool utf8) {
        QStringList t;
        for (const QByteArray& l : vault) {
            t << (utf8 ? QString::fromUtf8(core::Scramble(l))
                       : platform::toUi(core::Scramble(l), platform::Encoding::CodePage));
        }
        for (const QByteArray& n : names) {
            t << (utf8 ? QString::fromUtf8(n) : platform::toUi(n, platform::Encoding::CodePage));
        }
        return t;
    };
    const QStringList expected =
        seen(platform::loadTextList(paths.vault), platform::loadTextList(paths.categories), false);
    const auto nextLogin = [&]() -> QStringList {
        const bool key = platform::readFile(settings) == "1";
        const QByteArray pf = core::readPasswordFile(paths.passwordFile);
        if (!core::crypto::isEncryptedPasswordFile(pf)) {
            EXPECT_EQ(core::mismatchedFiles(paths, false, false), QStringList());
            EXPECT_EQ(platform::firstTextLine(pf), core::Scramble(w.password));
            return seen(core::loadPasswordsWithBackup(paths.vault, paths.backup),
                        platform::loadTextList(paths.categories), false);
        }
        auto s = VaultSession::checkPassword(paths.passwordFile, pf, w.password);
        if (!s ||
            !((s->needsKeyFile() || (key && s->hasKeyFileWrap())) ? s->openWithKeyFileAt(keyPath)
                                                                  : s->openWithoutKeyFile())) {
            return {QStringLiteral("locked out")};
        }
        core::finishConversion(paths, *s);
        return seen(core::loadPasswordsWithBackup(paths.vault, paths.backup, *s),
                    core::readCategoryFile(paths.categories, *s), true);
    };
    using Command = std::function<void()>;
    const Command encrypt = [&] {
        std::optional<core::crypto::SecureBytes> hash;
        if (w.useKeyFile) {
            hash = core::hashKeyFile(keyPath);
        }
        core::encryptUserFiles(paths, w.password, std::move(hash), w.vault);
    };
    const Command decrypt = [&] {
        const bool drop = w.useKeyFile && !core::keyFileIsCompatible(*w.vault, w.password);
        core::decryptUserFiles(paths, w.password, *w.vault, [&] {
            if (drop) {
                w.useKeyFile = false;
                saveSettings();
            }
        });
        w.vault.reset();
    };
    const Command createKeyFile = [&] {
        core::replaceKeyFile(paths.passwordFile, w.password, *w.vault, keyPath, [&] {
            w.useKeyFile = true;
            saveSettings();
        });
    };
    const auto changePassword = [&](const QByteArray& to) {
        if (w.vault) {
            core::rewrapDataKey(paths.passwordFile, to, *w.vault);
        } else {
            platform::saveTextList(paths.passwordFile, {core::Scramble(to)});
        }
        w.password = to;
    };
    const Command changeTwice = [&] { changePassword("Between12"); };
    struct Case {
        const char* name;
        bool encryptedFirst, keyFile;
        Command command;
    };
    const Case cases[] = {{"encrypt", false, false, encrypt},
                          {"encrypt with key file", false, true, encrypt},
                          {"decrypt", true, false, decrypt},
                          {"decrypt with key file", true, true, decrypt},
                          {"create key file", true, true, createKeyFile},
                          {"change password", true, true, changeTwice}};

    FailingWrite fs;
    for (const Case& c : cases) {
        restore(before);
        w = Window();
        w.useKeyFile = c.keyFile;
        saveSettings();
        dir.write(QStringLiteral("Vorrel.vrx"), core::keyFileContent(kPassword));
        if (c.encryptedFirst) {
            encrypt();
            // A random key file in place, as Create Key File of an encrypted user leaves it.
            if (c.keyFile) {
                createKeyFile();
            }
        }
        const QMap<QString, QByteArray> start = dir.snapshot();
        fs.failed = true;
        for (fs.failAt = 0; fs.failed && fs.failAt < 20; ++fs.failAt) {
            restore(start);
            w = Window();
            w.useKeyFile = c.keyFile;
            if (c.encryptedFirst) {
                w.vault = VaultSession::checkPassword(
                    paths.passwordFile, platform::readFile(paths.passwordFile), w.password);
                ASSERT_TRUE(w.vault && (c.keyFile ? w.vault->openWithKeyFileAt(keyPath)
                                                  : w.vault->openWithoutKeyFile()));
            }
            fs.failed = false;
            fs.writes = 0;
            fs.armed = true;
            refusal(c.command);
            fs.armed = false;
            changePassword("Changed34");
            w.vault.reset();  // the end, without close
            EXPECT_EQ(nextLogin(), expected) << c.name << ", write " << fs.failAt << " failed";
        }
        EXPECT_FALSE(fs.failed) << c.name;
    }
}

TEST(Passphrase, AnyTextWithoutControlCharactersOfTenTo128) {
    using core::PassphraseProblem;
    EXPECT_EQ(core::passphraseProblem(QStringLiteral("correct horse батарейка")),
              PassphraseProblem::None);
    EXPECT_EQ(core::passphraseProblem(QStringLiteral("123456789")), PassphraseProblem::TooShort);
    EXPECT_EQ(core::passphraseProblem(QStringLiteral("😀😀😀😀😀😀😀😀😀😀")), PassphraseProblem::None);
    EXPECT_EQ(core::passphraseProblem(QString(129, QLatin1Char('a'))), PassphraseProblem::TooLong);
    EXPECT_EQ(core::passphraseProblem(QStringLiteral("long enough\ttext")),
              PassphraseProblem::ControlCharacter);
}

TEST(VaultContainer, OpenedInPlaceGivesThePlaintextAndARefusalChangesNothing) {
    using namespace core::crypto;
    const SecureBytes key = SecureBytes::random(32);
    for (const QByteArray& plain : {QByteArray(), QByteArray("a|b\r\n"), QByteArray(300000, 'x')}) {
        QByteArray data = seal(key, FileKind::Vault, plain);
        const QByteArray sealed = data;  // shares the buffer until the opening
        EXPECT_EQ(openInPlace(key, data, {FileKind::Backup, FileKind::Vault}), OpenResult::Opened);
        EXPECT_EQ(data, plain);
        QByteArray again;
        EXPECT_EQ(open(key, sealed, {FileKind::Vault}, again), OpenResult::Opened);
        EXPECT_EQ(again, plain);
    }
    // A refusal leaves nothing, and never touches an array that shared the bytes.
    const QByteArray container = seal(key, FileKind::Vault, "secret");
    QByteArray data = container;
    EXPECT_EQ(openInPlace(key, data, {FileKind::Backup}), OpenResult::WrongKind);
    EXPECT_TRUE(data.isEmpty());
    data = container;
    EXPECT_EQ(openInPlace(SecureBytes::random(32), data, {FileKind::Vault}), OpenResult::Damaged);
    EXPECT_TRUE(data.isEmpty());
    data = container;
    data[data.size() - 1] = char(data[data.size() - 1] ^ 1);
    EXPECT_EQ(openInPlace(key, data, {FileKind::Vault}), OpenResult::Damaged);
    QByteArray plain;
    EXPECT_EQ(open(key, container, {FileKind::Vault}, plain), OpenResult::Opened);
    EXPECT_EQ(plain, QByteArray("secret"));
}
