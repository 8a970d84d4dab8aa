// An encrypted vault through the windows: the File menu's two commands, the
// login with password and key file, every character stored and shown, and
// the refusals that change nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FaultyFileSystem.h"
#include "accounts/FormLogin.h"
#include "accounts/FormPassphrase.h"
#include "accounts/VaultCommands.h"
#include "core/EncryptedVault.h"
#include "core/KeyFile.h"
#include "core/PasswordEntry.h"
#include "core/VaultCrypto.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/ListView.h"
#include "platform/CodePage.h"

using testing_support::AppFixture;

namespace {

const QString kVaultEncrypted = QStringLiteral(
    "The vault is encrypted. Only this program opens it now, with your password (and key file).");
// Letters and digits too, so that Decrypt takes it.
const QString kPassphrase = QStringLiteral("passphrase1");

}  // namespace

class EncryptedVaultWindow : public AppFixture {
protected:
    testing_support::CheapKeyDerivation cheap;
    void encrypt(const QString& passphrase = kPassphrase) { encryptVault(passphrase); }
    bool encrypted(const QString& file) const {
        return core::crypto::isContainer(dir.read(QStringLiteral("users/bob/") + file));
    }
    void relogin(const QString& password = kPassphrase) {
        ASSERT_TRUE(closeMain());
        form.reset();
        ui.clearShown();
        loginAs(QStringLiteral("bob"), password);
    }
    void add(const QString& title, const QString& login, int category) {
        ui.answerModal([&](QDialog* d) {
            auto* add = static_cast<TFormAdd*>(d);
            add->EditName->setText(title);
            add->EditLogin->setText(login);
            add->ComboBoxCat->setCurrentIndex(category);
            click(add->ButtonOk);
        });
        form->ui.AAdd->trigger();
    }
};

TEST_F(EncryptedVaultWindow, EncryptedThroughTheMenuEveryCharacterIsStoredSearchedAndShown) {
    openUser({"Mail|bob|pw|Work|||||", "Caf\xe9|x|y|Work|||||"}, {"Work"});
    EXPECT_TRUE(form->ui.VaultCommands->MEncryptVault->isEnabled());
    EXPECT_FALSE(form->ui.VaultCommands->MDecryptVault->isEnabled());
    encrypt();
    EXPECT_EQ(ui.messages(), QStringList{kVaultEncrypted});
    EXPECT_EQ(ui.secretInputs, QList<bool>{true});
    EXPECT_FALSE(form->ui.VaultCommands->MEncryptVault->isEnabled());
    EXPECT_TRUE(form->ui.VaultCommands->MDecryptVault->isEnabled());
    for (const char* f : {"passwords.dat", "passwords.dat.bak", "categories.dat"}) {
        EXPECT_TRUE(encrypted(QString::fromLatin1(f))) << f;
    }
    EXPECT_TRUE(dir.read(QStringLiteral("users/bob/bob.dat")).startsWith("VORREL-ENCRYPTED 2\r\n"));
    EXPECT_TRUE(column(0).contains(QStringLiteral("Caf\u00e9")));

    // Chinese, Cyrillic and emoji: a category and two entries.
    ui.answerInput(QStringLiteral("Мой 国"));
    form->ui.MCatNew->trigger();
    add(QStringLiteral("国大出关"), QStringLiteral("логін"), 1);
    add(QStringLiteral("Ключ 😀"), QStringLiteral("№ і ґ"), 1);
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join(QLatin1Char(';')).toStdString();
    EXPECT_TRUE(ui.messages().size() == 1) << ui.messages().join(QLatin1Char(';')).toStdString();
    relogin();
    ASSERT_TRUE(form->loggedIn());
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(form->ui.TreeViewCat->topLevelItem(0)->child(1)->text(0),
              QStringLiteral("Мой 国 (2)"));
    EXPECT_TRUE(column(0).contains(QStringLiteral("国大出关")));
    EXPECT_TRUE(column(1).contains(QStringLiteral("№ і ґ")));
    activate();
    form->ui.EditSearch->setFocus();
    form->ui.EditSearch->setText(QStringLiteral("ключ"));
    EXPECT_EQ(selectedRows(), QList<int>{int(column(0).indexOf(QStringLiteral("Ключ 😀")))});

    // Exports are UTF-8, and the page says so.
    ui.answerModal([](QDialog* d) { click(static_cast<TFormExport*>(d)->ButtonOk); });
    ui.answerSaveFile(dir.path(QStringLiteral("out.htm")), 2);
    form->ui.MExport->trigger();
    const QByteArray html = dir.read(QStringLiteral("out.htm"));
    EXPECT_TRUE(html.contains("<meta charset=UTF-8>"));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>国大出关</td><td>логін</td>").toUtf8()));

    // List > Save writes an encrypted list; List > Load takes it, or a compatible list.
    ui.answerSaveFile(dir.path(QStringLiteral("list.dat")));
    form->ui.ASave->trigger();
    EXPECT_TRUE(core::crypto::isContainer(dir.read(QStringLiteral("list.dat"))));
    dir.write(QStringLiteral("old.dat"), core::Scramble("Ol\xe9|u|p||||||") + "\r\n");
    ui.answerOpenFile(dir.path(QStringLiteral("old.dat")));
    form->ui.ALoad->trigger();
    EXPECT_EQ(column(0), QStringList{QStringLiteral("Ol\u00e9")});
    // Restore: the encrypted backup the login wrote.
    EXPECT_TRUE(encrypted(QStringLiteral("passwords.dat.bak")));
    form->ui.MRestore->trigger();
    EXPECT_EQ(column(0).size(), 4);
    ui.answerOpenFile(dir.path(QStringLiteral("list.dat")));
    form->ui.ALoad->trigger();
    EXPECT_EQ(column(0).size(), 4);
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join(QLatin1Char(';')).toStdString();
}

TEST_F(EncryptedVaultWindow, WrongPasswordInTheBoxChangesNothing) {
    openUser({"A|u|p||||||"});
    // A compatible user cannot load an encrypted list: refused, the list kept.
    dir.write(QStringLiteral("enc.dat"), core::crypto::seal(core::crypto::SecureBytes::random(32),
                                                            core::crypto::FileKind::List, "x"));
    ui.answerOpenFile(dir.path(QStringLiteral("enc.dat")));
    form->ui.ALoad->trigger();
    ASSERT_EQ(ui.errors().size(), 1);
    EXPECT_TRUE(ui.errors()[0].contains(QStringLiteral("is encrypted")));
    EXPECT_EQ(column(0), QStringList{QStringLiteral("A")});
    ui.clearShown();
    const auto before = dir.snapshot();
    ui.answerInput(QStringLiteral("wrong"));
    form->ui.VaultCommands->MEncryptVault->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Wrong password.")});
    EXPECT_EQ(dir.snapshot(), before);
    EXPECT_TRUE(form->ui.VaultCommands->MEncryptVault->isEnabled());

    encrypt();
    ui.clearShown();
    const auto encryptedFiles = dir.snapshot();
    ui.answerInput(QStringLiteral("pas"));
    form->ui.VaultCommands->MDecryptVault->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Wrong password.")});
    EXPECT_EQ(dir.snapshot(), encryptedFiles);
}

TEST_F(EncryptedVaultWindow, ACompatibleKeyFileGivesWayToARandomOneTheLoginDemands) {
    openUser({"A|u|p||||||"});
    ui.answerSaveFile(dir.path(QStringLiteral("Vorrel.vrx")));
    form->ui.MCreateKeyFile->trigger();
    const QByteArray compatibleKey = dir.read(QStringLiteral("Vorrel.vrx"));
    ui.answerQuestion(true);
    ui.answerSaveFile(dir.path(QStringLiteral("Vorrel.vrx")));
    encrypt();
    EXPECT_EQ(ui.texts(QStringLiteral("question")),
              QStringList{form->ui.VaultCommands->StringNewKeyFileOffer});
    const QByteArray randomKey = dir.read(QStringLiteral("Vorrel.vrx"));
    ASSERT_TRUE(closeMain());
    const auto before = dir.snapshot();

    form.reset();
    ui.clearShown();
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("wrong"));
        click(d->ButtonLogin);
        EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Wrong password.")});
        click(d->ButtonExit);
    });
    EXPECT_FALSE(form->loggedIn());

    // The random key file mixed in: the old compatible one, or an edited
    // one, ends the program; so does a missing one.
    for (const QByteArray& other : {compatibleKey, randomKey + "x"}) {
        dir.write(QStringLiteral("Vorrel.vrx"), other);
        form.reset();
        ui.clearShown();
        loginAs(QStringLiteral("bob"), kPassphrase);
        EXPECT_EQ(ui.messages(),
                  QStringList{QStringLiteral("This key file does not belong to this account.")});
        EXPECT_TRUE(form->terminated());
    }
    dir.write(QStringLiteral("Vorrel.vrx"), randomKey);
    EXPECT_EQ(dir.snapshot(), before);

    QFile::rename(dir.path(QStringLiteral("Vorrel.vrx")), dir.path(QStringLiteral("moved.vrx")));
    form.reset();
    ui.clearShown();
    ui.answerOpenFile(std::nullopt);
    loginAs(QStringLiteral("bob"), kPassphrase);
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral(
                                 "The key file of this account was not found. Please choose it.")});
    EXPECT_TRUE(form->terminated());
    EXPECT_FALSE(form->loggedIn());

    // Settings edited to demand no key file: the password file still does.
    dir.write(QStringLiteral("users/bob/settings.dat"), "[Options]\r\nKey=0\r\n");
    form.reset();
    ui.clearShown();
    ui.answerOpenFile(dir.path(QStringLiteral("moved.vrx")));
    loginAs(QStringLiteral("bob"), kPassphrase);
    EXPECT_TRUE(form->loggedIn());
    EXPECT_EQ(column(0), QStringList{QStringLiteral("A")});
}

TEST_F(EncryptedVaultWindow, ACompatibleKeyFileIsNotMixedInAndNoLongerDemanded) {
    openUser({"A|u|p||||||"});
    ui.answerSaveFile(dir.path(QStringLiteral("Vorrel.vrx")));
    form->ui.MCreateKeyFile->trigger();
    ui.answerQuestion(false);
    encrypt();
    // The key file still lies where the settings named it: the login asks for none.
    relogin();
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(ui.fileRequests.isEmpty());
}

TEST_F(EncryptedVaultWindow, DamagedVaultIsRefusedByNameAndTheUserIsNotOpened) {
    openUser({"A|u|p||||||"});
    encrypt();
    ASSERT_TRUE(closeMain());
    QByteArray vault = dir.read(QStringLiteral("users/bob/passwords.dat"));
    vault[vault.size() / 2] = char(vault[vault.size() / 2] ^ 0x20);
    dir.write(QStringLiteral("users/bob/passwords.dat"), vault);
    const auto before = dir.snapshot();
    form.reset();
    ui.clearShown();
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), kPassphrase);
        click(d->ButtonLogin);
        click(d->ButtonExit);
    });
    EXPECT_FALSE(form->loggedIn());
    ASSERT_EQ(ui.errors().size(), 1);
    EXPECT_TRUE(ui.errors()[0].contains(QStringLiteral("passwords.dat")));
    EXPECT_TRUE(ui.errors()[0].contains(QStringLiteral("damaged")));
    EXPECT_EQ(dir.snapshot(), before);
    EXPECT_FALSE(form->session().isOpen());
}

TEST_F(EncryptedVaultWindow, EncryptTakesAPassphraseTypedTwiceOfTenTo128Characters) {
    openUser({"A|u|p||||||"});
    const auto compatible = dir.snapshot();
    // Too short (and weak, the meter says), then typed differently: each
    // refused by name; Cancel then changes nothing.
    ui.answerInput(QStringLiteral("pass"));
    ui.answerModal([&](QDialog* d) {
        auto* f = static_cast<TFormPassphrase*>(d);
        EXPECT_FALSE(f->CheckBoxKeep->isEnabled());  // "pass" is too short to keep
        type(f->EditPassphrase, QStringLiteral("password1"));
        type(f->EditConfirm, QStringLiteral("password1"));
        EXPECT_EQ(f->LabelStrength->text(), form->ui.VaultCommands->Passphrase.veryWeak);
        click(f->ButtonOk);
        f->EditPassphrase->setText(kPassphrase + QLatin1Char('x'));
        f->EditConfirm->setText(kPassphrase);
        click(f->ButtonOk);
        EXPECT_TRUE(f->isVisible());
        click(f->ButtonCancel);
    });
    form->ui.VaultCommands->MEncryptVault->trigger();
    EXPECT_EQ(ui.messages(), (QStringList{form->ui.VaultCommands->StringPassphraseRule,
                                          form->ui.VaultCommands->Passphrase.mismatch}));
    EXPECT_EQ(dir.snapshot(), compatible);
    EXPECT_TRUE(form->ui.VaultCommands->MEncryptVault->isEnabled());

    // 40 characters with spaces and Cyrillic.
    const QString passphrase = QString::fromUtf8("correct horse батарейка staple 2026 ok!!");
    ASSERT_EQ(passphrase.size(), 40);
    encrypt(passphrase);
    ui.clearShown();
    ui.answerInput(QStringLiteral("short one"));
    ui.answerInput(passphrase);
    form->MChangePassClick();
    EXPECT_EQ(ui.messages(), QStringList{form->ui.VaultCommands->StringPassphraseRule});
    relogin(passphrase);
    ASSERT_TRUE(form->loggedIn());
    EXPECT_EQ(column(0), QStringList{QStringLiteral("A")});
    // The unlock takes it as well; Decrypt refuses it, as the compatible login could not.
    form->MLockClick();
    ui.answerInput(passphrase);
    EXPECT_TRUE(form->PMUnlockClick());
    ui.answerInput(passphrase);
    form->ui.VaultCommands->MDecryptVault->trigger();
    EXPECT_EQ(ui.messages().last(), form->texts.StringPasswordCharacters);
    EXPECT_TRUE(encrypted(QStringLiteral("passwords.dat")));
}

TEST_F(EncryptedVaultWindow, ACurrentPasswordThatMeetsTheRuleMayBeKept) {
    installLanguage();
    dir.makeUser(QStringLiteral("ann"), "keepmypass1", {"A|u|p||||||"});
    loginAs(QStringLiteral("ann"), QStringLiteral("keepmypass1"));
    ASSERT_TRUE(form->loggedIn());
    ui.answerInput(QStringLiteral("keepmypass1"));
    ui.answerModal([](QDialog* d) {
        auto* f = static_cast<TFormPassphrase*>(d);
        f->CheckBoxKeep->click();
        EXPECT_FALSE(f->EditPassphrase->isEnabled());
        click(f->ButtonOk);
    });
    form->ui.VaultCommands->MEncryptVault->trigger();
    EXPECT_TRUE(core::crypto::isContainer(dir.read(QStringLiteral("users/ann/passwords.dat"))));
    ASSERT_TRUE(closeMain());
    form.reset();
    loginAs(QStringLiteral("ann"), QStringLiteral("keepmypass1"));
    ASSERT_TRUE(form->loggedIn());
    EXPECT_EQ(column(0), QStringList{QStringLiteral("A")});
}

TEST_F(EncryptedVaultWindow, AnEncryptCutShortGoesOnUnderTheNewPassphrase) {
    openUser({"A|u|p|Work|||||"}, {"Work"});
    {
        testing_support::FaultyFileSystem fs;
        fs.failWrite(dir.path(QStringLiteral("users/bob/categories.dat")));
        encrypt();
    }
    EXPECT_EQ(ui.errors().size(), 1);
    EXPECT_TRUE(form->session().encrypted());
    form->MLockClick();
    ui.answerInput(kPassphrase);
    EXPECT_TRUE(form->PMUnlockClick());
}

TEST_F(EncryptedVaultWindow, AnOlderVaultPutBackIsRefusedAndItsNewerBackupOffered) {
    openUser({"A|u|p||||||"});
    encrypt();
    const QByteArray oldVault = dir.read(QStringLiteral("users/bob/passwords.dat"));
    add(QStringLiteral("B"), QStringLiteral("b"), 0);
    relogin();  // the backup now holds A and B
    ASSERT_TRUE(closeMain());
    dir.write(QStringLiteral("users/bob/passwords.dat"), oldVault);
    const auto restored = dir.snapshot();
    form.reset();
    ui.clearShown();
    ui.answerQuestion(false);
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), kPassphrase);
        click(d->ButtonLogin);
        click(d->ButtonExit);
    });
    EXPECT_FALSE(form->loggedIn());
    EXPECT_EQ(dir.snapshot(), restored);
    form.reset();
    ui.answerQuestion(true);
    loginAs(QStringLiteral("bob"), kPassphrase);
    ASSERT_TRUE(form->loggedIn());
    EXPECT_EQ(column(0), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_NE(dir.read(QStringLiteral("users/bob/passwords.dat")), oldVault);
}

TEST_F(EncryptedVaultWindow, RefusedFilesAreNamedInTheInterfaceLanguage) {
    installLanguage(QStringLiteral("Russian"));
    openUser({"A|u|p||||||"});
    const QByteArray compatiblePasswordFile = dir.read(QStringLiteral("users/bob/bob.dat"));
    encrypt();
    form->ui.MLangRussian->trigger();
    QByteArray list = dir.read(QStringLiteral("users/bob/passwords.dat"));
    list[list.size() / 2] = char(list[list.size() / 2] ^ 0x20);
    dir.write(QStringLiteral("changed.dat"), list);
    ui.answerOpenFile(dir.path(QStringLiteral("changed.dat")));
    form->ui.ALoad->trigger();
    ASSERT_EQ(ui.errors().size(), 1);
    EXPECT_TRUE(ui.errors()[0].contains(QString::fromUtf8("повреждён")));
    EXPECT_TRUE(ui.errors()[0].contains(QStringLiteral("changed.dat")));
    EXPECT_EQ(column(0), QStringList{QStringLiteral("A")});
    // An old password file put back: the login names the files in Russian too.
    ASSERT_TRUE(closeMain());
    dir.write(QStringLiteral("users/bob/bob.dat"), compatiblePasswordFile);
    ui.clearShown();
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("pass"));
        click(d->ButtonLogin);
        click(d->ButtonExit);
    });
    ASSERT_EQ(ui.errors().size(), 1);
    EXPECT_TRUE(ui.errors()[0].contains(QString::fromUtf8("не зашифрован")))
        << ui.errors()[0].toStdString();
}

TEST_F(EncryptedVaultWindow, DecryptRefusesWhatCannotBeCarriedThenGoesBackToCompatibleFiles) {
    openUser({"A|u|p|Work|||||"}, {"Work"});
    const auto compatible = dir.snapshot();
    encrypt();
    add(QStringLiteral("国"), QStringLiteral("u2"), 0);
    relogin();
    ui.clearShown();
    const auto before = dir.snapshot();
    ui.answerInput(kPassphrase);
    ui.answerQuestion(true);
    form->ui.VaultCommands->MDecryptVault->trigger();
    EXPECT_EQ(ui.texts(QStringLiteral("question")),
              QStringList{form->ui.VaultCommands->StringSavedListsWarning});
    EXPECT_EQ(ui.messages(),
              QStringList{QStringLiteral("\"\u56fd\" holds the character \u56fd, which an "
                                         "unencrypted vault cannot store. Nothing was changed.")});
    EXPECT_EQ(dir.snapshot(), before);

    // Without it the vault goes back to the very compatible files.
    selectRows({int(column(0).indexOf(QStringLiteral("国")))});
    ui.answerQuestion(true);
    form->ui.ADelete->trigger();
    relogin();
    ui.clearShown();
    ui.answerInput(kPassphrase);
    ui.answerQuestion(true);
    form->ui.VaultCommands->MDecryptVault->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral(
                                 "The vault is decrypted: it is stored in the compatible format "
                                 "again.")});
    EXPECT_FALSE(form->session().encrypted());
    EXPECT_TRUE(form->ui.VaultCommands->MEncryptVault->isEnabled());
    ASSERT_TRUE(closeMain());
    // The same files but for the password, now the passphrase.
    auto after = dir.snapshot();
    EXPECT_EQ(after.take(QStringLiteral("users/bob/bob.dat")),
              core::Scramble("passphrase1") + "\r\n");
    after.remove(QStringLiteral("users/bob/settings.dat"));
    after.remove(QStringLiteral("vorrel.ini"));
    auto expected = compatible;
    expected.remove(QStringLiteral("vorrel.ini"));
    expected.remove(QStringLiteral("users/bob/bob.dat"));
    EXPECT_EQ(after, expected);
}

TEST_F(EncryptedVaultWindow, PasswordChangeAndNewKeyFileRewrapTheKeyOnly) {
    openUser({"A|u|p||||||"});
    encrypt();
    const QByteArray vault = dir.read(QStringLiteral("users/bob/passwords.dat"));
    ui.answerInput(QStringLiteral("newpass123"));
    form->ui.MChangePass->trigger();
    EXPECT_EQ(dir.read(QStringLiteral("users/bob/passwords.dat")), vault);
    ui.answerSaveFile(dir.path(QStringLiteral("Vorrel.vrx")));
    form->ui.MCreateKeyFile->trigger();
    const QByteArray key = dir.read(QStringLiteral("Vorrel.vrx"));
    EXPECT_EQ(key.size(), 1048576);
    EXPECT_FALSE(key.contains(core::Scramble("newpass123")));
    // Named in the settings at once: the old state no longer opens the vault.
    EXPECT_TRUE(dir.read(QStringLiteral("users/bob/settings.dat")).contains("Key=1"));

    relogin(QStringLiteral("newpass123"));
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(column(0), QStringList{QStringLiteral("A")});

    // Decrypt: a random key file would fail the compatible check, so it is no longer demanded.
    ui.answerInput(QStringLiteral("newpass123"));
    ui.answerQuestion(true);
    form->ui.VaultCommands->MDecryptVault->trigger();
    EXPECT_EQ(ui.messages(),
              QStringList{QStringLiteral("The vault is decrypted: it is stored in the compatible "
                                         "format again.\rThe key file is no longer demanded; "
                                         "create a new one if you want one.")});
    relogin(QStringLiteral("newpass123"));
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(ui.fileRequests.isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("users/bob/bob.dat")), core::Scramble("newpass123") + "\r\n");
}
