// Encrypted vaults at the core level: every file round-trips, a wrong
// password or key file opens nothing, a damaged, cut or swapped file is
// refused by name with nothing written, and the conversions give back the
// compatible files byte for byte.
#include <gtest/gtest.h>

#include <QFile>

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
    EXPECT_TRUE(passwordFile.startsWith("VORREL-ENCRYPTED 1\r\n"));
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

    // The password file: any changed byte or a cut is refused, not taken as a wrong password.
    const QByteArray pf = platform::readFile(paths.passwordFile);
    for (qsizetype at = 0; at < pf.size(); at += 7) {
        QByteArray changed = pf;
        changed[at] = char(changed[at] ^ 0x04);
        const QString why =
            refusal([&] { VaultSession::checkPassword(paths.passwordFile, changed, kPassword); });
        if (at >= 7) {  // a change in "VORREL-" reads as a compatible file: a wrong password
            EXPECT_TRUE(why.contains(platform::fullNativePath(paths.passwordFile)) &&
                        why.contains(QStringLiteral("damaged")))
                << at << why.toStdString();
        }
    }
    EXPECT_FALSE(refusal([&] {
                     VaultSession::checkPassword(paths.passwordFile, pf.left(pf.size() / 2),
                                                 kPassword);
                 }).isEmpty());
    EXPECT_EQ(dir.snapshot(), encrypted);
}

TEST_F(EncryptedVault, DecryptRefusesWhatTheCodePageCannotCarryAndChangesNothing) {
    auto s = core::encryptUserFiles(paths, kPassword, {});
    platform::setUtf8Storage(true);
    EXPECT_FALSE(core::forbiddenStoredCharacter(QStringLiteral("国大 № 😀")));
    EXPECT_EQ(core::forbiddenStoredCharacter(QStringLiteral("a|b")), QChar(u'|'));
    platform::setUtf8Storage(false);
    EXPECT_EQ(core::forbiddenStoredCharacter(QStringLiteral("国")), QChar(u'国'));

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
