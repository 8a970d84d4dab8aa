// Every file the program writes, made to fail: the platform's message, the
// old file left whole, the state in memory kept, and the program still usable.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FaultyFileSystem.h"
#include "accounts/FormLogin.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"

using testing_support::AppFixture;
using testing_support::crlf;
using testing_support::FaultyFileSystem;

namespace {
QString cannotCreate(const QString& path) {
    return QStringLiteral("Cannot create file ") + path;
}
QString unableToWrite(const QString& path) {
    return QStringLiteral("Unable to write to ") + path;
}
}  // namespace

class WriteFailure : public AppFixture {
protected:
    void openBob() { openUser({"T|L|P|Work", "U|M|Q|Home"}, {"Work", "Home"}); }
    QString bobFile(const char* name) const {
        return dir.path(QStringLiteral("users/bob/") + QLatin1String(name));
    }
    QByteArray vaultAtLogin() const {
        return crlf({core::Scramble("T|L|P|Work"), core::Scramble("U|M|Q|Home")});
    }
    // Runs a dialog command with drive() working the open dialog; Cancel closes it after.
    template <class Dialog>
    void inDialog(QAction* command, const std::function<void(Dialog*)>& drive) {
        ui.answerModal([&](QDialog* d) {
            drive(static_cast<Dialog*>(d));
            if (d->isVisible()) {
                click(static_cast<Dialog*>(d)->ButtonCancel);
            }
        });
        command->trigger();
    }
    static void fill(TEntryDialog* d, const QString& name, const QString& login) {
        d->EditName->clear();
        d->EditLogin->clear();
        type(d->EditName, name);
        type(d->EditLogin, login);
    }
    static platform::FontChoice font(const QString& family, int size) {
        platform::FontChoice choice;
        choice.font = QFont(family, size);
        choice.color = QColor(0xFF, 0, 0);
        return choice;
    }
};

// ---- The vault ------------------------------------------------------------------

TEST_F(WriteFailure, VaultAtAddThenCancelStoresNothingAndTheVaultStaysWhole) {
    openBob();
    FaultyFileSystem fs;
    fs.failWrite(bobFile("passwords.dat"));
    inDialog<TFormAdd>(form->ui.AAdd, [&](TFormAdd* d) {
        fill(d, QStringLiteral("n"), QStringLiteral("l"));
        click(d->ButtonOk);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->EditName->text(), QStringLiteral("n"));
    });
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("passwords.dat"))});
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vaultAtLogin());
    EXPECT_EQ(form->session().entries().size(), 2);
    EXPECT_EQ(form->ui.ListModel->rowCount(), 2);
    // The next command works, and once the disk is back the close stores the list as it is.
    QByteArray generated;
    inDialog<TFormAdd>(form->ui.AAdd, [&](TFormAdd* d) {
        generated = d->EditPassword->text().toLatin1();
        fs.heal();
        fill(d, QStringLiteral("m"), QStringLiteral("k"));
        click(d->ButtonOk);
    });
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")),
              (QList<QByteArray>{"T|L|P|Work", "U|M|Q|Home", "m|k|" + generated + "|Work|||||"}));
}

TEST_F(WriteFailure, VaultAtEditKeepsTheStoredEntryAndTheDialog) {
    openBob();
    selectRows({0});
    FaultyFileSystem fs;
    fs.failWrite(bobFile("passwords.dat"));
    inDialog<TFormEdit>(form->ui.AEdit, [&](TFormEdit* d) {
        fill(d, QStringLiteral("T2"), QStringLiteral("L"));
        click(d->ButtonOk);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(form->session().entries()[0], core::Scramble("T|L|P|Work"));
        // Pressed again once the disk is back: stored once, in its place.
        fs.heal();
        click(d->ButtonOk);
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("passwords.dat"))});
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")),
              (QList<QByteArray>{"T2|L|P|Work|||||", "U|M|Q|Home"}));

    // A failed edit that is cancelled leaves file, list and rows as they were.
    const QByteArray stored = dir.read("users/bob/passwords.dat");
    selectRows({0});
    fs.failWrite(bobFile("passwords.dat"));
    inDialog<TFormEdit>(form->ui.AEdit, [&](TFormEdit* d) {
        fill(d, QStringLiteral("T3"), QStringLiteral("L"));
        click(d->ButtonOk);
    });
    EXPECT_EQ(ui.errors().size(), 2);
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), stored);
    EXPECT_EQ(column(0), (QStringList{"T2", "U"}));
    fs.heal();
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), stored);
}

TEST_F(WriteFailure, VaultAtCloseKeepsTheOldFileUntilTheCloseSucceeds) {
    openBob();
    selectRows({1});
    ui.answerQuestion(true);
    form->ui.ADelete->trigger();
    ASSERT_EQ(form->session().entries().size(), 1);
    FaultyFileSystem fs;
    fs.failWrite(bobFile("passwords.dat"));
    EXPECT_FALSE(closeMain());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("passwords.dat"))});
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vaultAtLogin());
    EXPECT_EQ(form->session().entries().size(), 1);
    fs.heal();
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")), QList<QByteArray>{"T|L|P|Work"});
}

TEST_F(WriteFailure, UserFolderGoneAtCloseThenBackSavesEverything) {
    openBob();
    ui.answerInput(QStringLiteral("Later"));
    form->ui.MCatNew->trigger();
    QDir(dir.userFolder(QStringLiteral("bob"))).removeRecursively();
    EXPECT_FALSE(closeMain());
    EXPECT_EQ(ui.errors(), QStringList{unableToWrite(bobFile("settings.dat"))});
    EXPECT_TRUE(form->isVisible());
    dir.mkdir(QStringLiteral("users/bob"));
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vaultAtLogin());
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Home", "Later", "Work"}));
    EXPECT_TRUE(dir.read("users/bob/settings.dat").startsWith("[Options]\r\nKey=0\r\n"));
}

// ---- The backup at login -------------------------------------------------------

// The backup is written once the window shows, not on the way to it: one
// that cannot be written (a folder of its name, or a failing write) is told
// then, and the close writes it before the vault and stops while it cannot.
TEST_F(WriteFailure, BackupThatCannotBeWrittenIsToldAndWrittenAtTheLatestBeforeTheVault) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass", {"T|L|P"});
    dir.mkdir(QStringLiteral("users/bob/passwords.dat.bak"));
    const auto before = dir.snapshot();
    FaultyFileSystem fs;
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    EXPECT_EQ(form->ui.ListModel->rowCount(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.errors().isEmpty(); }));
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("passwords.dat.bak"))});
    EXPECT_EQ(dir.snapshot(), before);
    QDir().rmdir(bobFile("passwords.dat.bak"));
    fs.failWrite(bobFile("passwords.dat.bak"));
    EXPECT_FALSE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), before.value("users/bob/passwords.dat"));
    EXPECT_EQ(fs.writes.last(), QStringLiteral("passwords.dat.bak"));  // the vault not reached
    fs.heal();
    ASSERT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat.bak"), crlf({core::Scramble("T|L|P")}));
}

// ---- The category file ---------------------------------------------------------

TEST_F(WriteFailure, CategoriesAtCloseStopTheCloseBeforeTheVault) {
    openBob();
    ui.answerInput(QStringLiteral("Mail"));
    form->ui.MCatNew->trigger();
    FaultyFileSystem fs;
    fs.failWrite(bobFile("categories.dat"));
    EXPECT_FALSE(closeMain());
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("categories.dat"))});
    EXPECT_EQ(fs.writes, (QStringList{"vorrel.ini", "settings.dat", "categories.dat"}));
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Work", "Home"}));
    EXPECT_EQ(form->session().categories().size(), 3);
    // The window works on: one more category, then a close that stores both.
    ui.answerInput(QStringLiteral("Bank"));
    form->ui.MCatNew->trigger();
    fs.heal();
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Bank", "Home", "Mail", "Work"}));
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vaultAtLogin());
}

TEST_F(WriteFailure, CategoriesAtAddOkKeepTheDialogAndStoreTheEntryOnce) {
    openBob();
    FaultyFileSystem fs;
    fs.failWrite(bobFile("categories.dat"));
    QByteArray generated;
    inDialog<TFormAdd>(form->ui.AAdd, [&](TFormAdd* d) {
        generated = d->EditPassword->text().toLatin1();
        fill(d, QStringLiteral("n"), QStringLiteral("l"));
        click(d->ButtonOk);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(form->session().entries().size(), 2);
        EXPECT_EQ(dir.read("users/bob/passwords.dat"), vaultAtLogin());
        EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Work", "Home"}));
        fs.heal();
        click(d->ButtonOk);
    });
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("categories.dat"))});
    EXPECT_EQ(form->session().entries().size(), 3);
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")).last(), "n|l|" + generated + "|Work|||||");
}

// A category made with New while its file cannot be written is still a
// category: the entry that uses it and the close both keep it.
TEST_F(WriteFailure, CategoryNewInTheAddDialogIsKeptWhenItsFileFails) {
    openBob();
    FaultyFileSystem fs;
    QByteArray generated;
    inDialog<TFormAdd>(form->ui.AAdd, [&](TFormAdd* d) {
        generated = d->EditPassword->text().toLatin1();
        fill(d, QStringLiteral("n"), QStringLiteral("l"));
        fs.failWrite(bobFile("categories.dat"));
        ui.answerInput(QStringLiteral("Mail"));
        click(d->ButtonNewCat);
        EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("categories.dat"))});
        EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Work", "Home"}));
        EXPECT_EQ(d->ComboBoxCat->currentText(), QStringLiteral("Mail"));
        EXPECT_EQ(form->session().categories().size(), 3);
        EXPECT_EQ(form->ui.TreeViewCat->topLevelItem(0)->childCount(), 3);
        fs.heal();
        click(d->ButtonOk);
    });
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Work", "Home", "Mail"}));
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Home", "Mail", "Work"}));
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")).last(), "n|l|" + generated + "|Mail|||||");
}

TEST_F(WriteFailure, CategoryNewInTheEditDialogIsKeptWhenItsFileFails) {
    openBob();
    selectRows({0});
    FaultyFileSystem fs;
    fs.failWrite(bobFile("categories.dat"));
    inDialog<TFormEdit>(form->ui.AEdit, [&](TFormEdit* d) {
        ui.answerInput(QStringLiteral("Mail"));
        click(d->ButtonNewCat);
        click(d->ButtonOk);
    });
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("categories.dat"))});
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Work", "Home"}));
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")).first(), QByteArray("T|L|P|Mail|||||"));
    fs.heal();
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Home", "Mail", "Work"}));
}

// ---- settings.dat and vorrel.ini -------------------------------------------------

TEST_F(WriteFailure, SettingsAtSetFontKeepTheFontForTheClose) {
    openBob();
    const QByteArray before = dir.read("users/bob/settings.dat");
    FaultyFileSystem fs;
    fs.failWrite(bobFile("settings.dat"));
    ui.answerFont(font(QStringLiteral("DejaVu Sans"), 13));
    form->ui.MFont->trigger();
    EXPECT_EQ(ui.errors(), QStringList{unableToWrite(bobFile("settings.dat"))});
    EXPECT_EQ(dir.read("users/bob/settings.dat"), before);
    EXPECT_EQ(form->ListFont.font.pointSize(), 13);
    EXPECT_EQ(form->ui.ListView1->font().pointSize(), 13);
    // The close stops at the same file, then stores the font once it can.
    EXPECT_FALSE(closeMain());
    fs.heal();
    EXPECT_TRUE(closeMain());
    const QByteArray after = dir.read("users/bob/settings.dat");
    EXPECT_TRUE(after.contains("Font Size=13\r\n")) << after.toStdString();
    EXPECT_TRUE(after.contains("Font Color=clRed\r\n")) << after.toStdString();
}

TEST_F(WriteFailure, ProgramSettingsThatAreAFolderKeepTheWindowOpen) {
    openBob();
    dir.mkdir(QStringLiteral("vorrel.ini"));
    EXPECT_FALSE(closeMain());
    EXPECT_EQ(ui.errors(), QStringList{unableToWrite(dir.path("vorrel.ini"))});
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vaultAtLogin());
    QDir().rmdir(dir.path("vorrel.ini"));
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("vorrel.ini"),
              QByteArray("[Options]\r\nLanguage=English\r\nhidden=0\r\nUsers=0\r\n"));
}

// ---- The password file ---------------------------------------------------------

TEST_F(WriteFailure, AnyFileOfANewUserFailingMakesNoUserAndNewUserWorksAgain) {
    installLanguage();
    FaultyFileSystem fs;
    const QStringList files{dir.path("users/ann/passwords.dat"), dir.path("users/ann/ann.dat"),
                            dir.path("users/ann/categories.dat")};
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("ann"), QStringLiteral("pw12"));
        for (const QString& file : files) {
            SCOPED_TRACE(file.toStdString());
            fs.heal();
            fs.failWrite(file);
            click(d->ButtonNewUser);
            EXPECT_TRUE(d->isVisible());
            EXPECT_FALSE(form->loggedIn());
            EXPECT_TRUE(form->Settings.users.isEmpty());
            EXPECT_EQ(form->Settings.usersCount, 0);
            // Nothing half made is left that would stop the next try.
            EXPECT_FALSE(dir.exists(QStringLiteral("users/ann")));
        }
        fs.heal();
        click(d->ButtonNewUser);
    });
    EXPECT_EQ(ui.errors(), (QStringList{cannotCreate(files[0]), cannotCreate(files[1]),
                                        cannotCreate(files[2])}));
    EXPECT_TRUE(ui.messages().isEmpty());
    ASSERT_TRUE(form->loggedIn());
    EXPECT_EQ(form->Settings.users, QStringList{QStringLiteral("ann")});
    EXPECT_EQ(form->Settings.usersCount, 1);
    EXPECT_EQ(dir.read("users/ann/ann.dat"), core::Scramble("pw12") + "\r\n");
}

TEST_F(WriteFailure, NewUserWithoutAUsersFolderReportsTheVaultAndChangesNothing) {
    installLanguage();
    dir.write(QStringLiteral("users"), "a file, not a folder");
    const auto before = dir.snapshot();
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("ann"), QStringLiteral("pw12"));
        click(d->ButtonNewUser);
        EXPECT_TRUE(d->isVisible());
        click(d->ButtonExit);
    });
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(dir.path("users/ann/passwords.dat"))});
    EXPECT_TRUE(form->Settings.users.isEmpty());
    EXPECT_EQ(dir.snapshot(), before);
}

TEST_F(WriteFailure, PasswordFileAtChangeKeepsTheOldPasswordWorking) {
    openBob();
    FaultyFileSystem fs;
    fs.failWrite(bobFile("bob.dat"));
    ui.answerInput(QStringLiteral("other12"));
    form->ui.MChangePass->trigger();
    EXPECT_EQ(ui.errors(), QStringList{cannotCreate(bobFile("bob.dat"))});
    EXPECT_EQ(dir.read("users/bob/bob.dat"), core::Scramble("pass") + "\r\n");
    // Lock and unlock still take the old password; a later change goes through.
    form->MLockClick();
    ui.answerInput(QStringLiteral("pass"));
    EXPECT_TRUE(form->PMUnlockClick());
    fs.heal();
    ui.answerInput(QStringLiteral("other12"));
    form->ui.MChangePass->trigger();
    EXPECT_EQ(dir.read("users/bob/bob.dat"), core::Scramble("other12") + "\r\n");
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vaultAtLogin());
}

// ---- The key file --------------------------------------------------------------

TEST_F(WriteFailure, KeyFileOverTheOneInUseKeepsItAndItsSetting) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass", {"T|L|P"});
    QByteArray key(1048576, '\0');
    key.replace(0, 4, core::Scramble("pass"));
    dir.write(QStringLiteral("k.vrx"), key);
    dir.write(QStringLiteral("users/bob/settings.dat"),
              "[Options]\r\nKey=1\r\nKeyFile=" + dir.path("k.vrx").toUtf8() + "\r\n");
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    FaultyFileSystem fs;
    fs.failWrite(dir.path("k.vrx"));
    ui.answerSaveFile(dir.path("k.vrx"));
    form->ui.MCreateKeyFile->trigger();
    ui.answerSaveFile(dir.path("gone/new.vrx"));
    form->ui.MCreateKeyFile->trigger();
    EXPECT_EQ(ui.errors(), (QStringList{cannotCreate(dir.path("k.vrx")),
                                        cannotCreate(dir.path("gone/new.vrx"))}));
    EXPECT_EQ(dir.read("k.vrx"), key);
    EXPECT_TRUE(form->session().settings().key);
    EXPECT_EQ(form->session().settings().keyFile, dir.path("k.vrx"));
    fs.heal();
    EXPECT_TRUE(closeMain());
    // The next login still asks for and accepts the old key file.
    ui.clearShown();
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(ui.messages().isEmpty());
}

// ---- List Save and Export -------------------------------------------------------

TEST_F(WriteFailure, ListSaveLeavesTheOldCopyAndTheListAsTheyWere) {
    openBob();
    dir.write(QStringLiteral("copy.dat"), "an older copy\r\n");
    dir.mkdir(QStringLiteral("adir.dat"));
    FaultyFileSystem fs;
    fs.failWrite(dir.path("copy.dat"));
    for (const char* target : {"copy.dat", "adir.dat", "gone/copy.dat"}) {
        ui.answerSaveFile(dir.path(QLatin1String(target)));
        form->ui.ASave->trigger();
    }
    EXPECT_EQ(ui.errors(),
              (QStringList{cannotCreate(dir.path("copy.dat")), cannotCreate(dir.path("adir.dat")),
                           cannotCreate(dir.path("gone/copy.dat"))}));
    EXPECT_EQ(dir.read("copy.dat"), QByteArray("an older copy\r\n"));
    EXPECT_FALSE(dir.exists(QStringLiteral("gone")));
    EXPECT_EQ(form->session().entries().size(), 2);
    EXPECT_EQ(form->ui.ListModel->rowCount(), 2);
    fs.heal();
    ui.answerSaveFile(dir.path("copy.dat"));
    form->ui.ASave->trigger();
    EXPECT_EQ(dir.read("copy.dat"), vaultAtLogin());
}

TEST_F(WriteFailure, TextAndHtmlExportsLeaveTheOldFilesWhole) {
    openBob();
    dir.write(QStringLiteral("out.txt"), "old text\r\n");
    dir.write(QStringLiteral("out.htm"), "<p>old page\r\n");
    dir.mkdir(QStringLiteral("adir.htm"));
    FaultyFileSystem fs;
    fs.failWrite(dir.path("out.txt"));
    fs.failWrite(dir.path("out.htm"));
    const std::pair<const char*, int> targets[] = {
        {"out.txt", 1}, {"out.htm", 2}, {"adir.htm", 2}, {"gone/out.htm", 2}};
    for (const auto& [target, type] : targets) {
        ui.answerSaveFile(dir.path(QLatin1String(target)), type);
        inDialog<TFormExport>(form->ui.MExport, [](TFormExport* e) { click(e->ButtonOk); });
    }
    EXPECT_EQ(
        ui.errors(),
        (QStringList{cannotCreate(dir.path("out.txt")), cannotCreate(dir.path("out.htm")),
                     cannotCreate(dir.path("adir.htm")), cannotCreate(dir.path("gone/out.htm"))}));
    EXPECT_EQ(dir.read("out.txt"), QByteArray("old text\r\n"));
    EXPECT_EQ(dir.read("out.htm"), QByteArray("<p>old page\r\n"));
    EXPECT_FALSE(form->ui.FormExport->isVisible());
    fs.heal();
    ui.answerSaveFile(dir.path("out.htm"), 2);
    inDialog<TFormExport>(form->ui.MExport, [](TFormExport* e) { click(e->ButtonOk); });
    EXPECT_TRUE(dir.read("out.htm").startsWith("<html>\r\n"));
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vaultAtLogin());
}
