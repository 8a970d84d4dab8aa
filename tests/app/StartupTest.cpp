#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FaultyFileSystem.h"
#include "about/AboutBox.h"
#include "accounts/FormLogin.h"
#include "mainwindow/EntryListModel.h"
#include "shell/TrayIcon.h"

using testing_support::AppFixture;

class Startup : public AppFixture {};

TEST_F(Startup, FirstStartThenNewUserThenCloseWritesTheProgramSettings) {
    installLanguage();
    QString captionAtLogin;
    QString titleAtLogin;
    bool mainVisibleAtLogin = true;
    start([&](TFormLogin* d) {
        captionAtLogin = form->windowTitle();
        titleAtLogin = platform::applicationTitle();
        mainVisibleAtLogin = form->isVisible();
        EXPECT_EQ(d->ComboBoxLogin->count(), 0);
        fillLogin(d, QStringLiteral("alice"), QStringLiteral("secret"));
        click(d->ButtonNewUser);
    });
    EXPECT_EQ(captionAtLogin, QStringLiteral("Vorrel 1.8"));
    EXPECT_EQ(titleAtLogin, QStringLiteral("Vorrel 1.8"));
    EXPECT_FALSE(mainVisibleAtLogin);
    EXPECT_EQ(form->ui.StTrayIcon1->hint(), QStringLiteral("Vorrel 1.8"));
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Vorrel 1.8 - alice"));
    EXPECT_FALSE(dir.exists(QStringLiteral("vorrel.ini")));

    EXPECT_TRUE(closeMain());
    EXPECT_EQ(
        dir.read("vorrel.ini"),
        QByteArray("[Options]\r\nLanguage=English\r\nhidden=0\r\nUsers=1\r\nUser 1=alice\r\n"));
    EXPECT_EQ(dir.read("users/alice/settings.dat"),
              QByteArray("[Options]\r\nKey=0\r\nKeyFile=\r\nFont Name=MS Sans Serif\r\n"
                         "Font Size=8\r\nFont Color=clWindowText\r\n"));
    EXPECT_EQ(dir.read("users/alice/categories.dat"), QByteArray());
    EXPECT_EQ(dir.read("users/alice/passwords.dat"), QByteArray());
}

TEST_F(Startup, ExitInTheLoginDialogWritesNothing) {
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nUsers=1\r\nUser 1=bob\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|b|c"});
    const auto before = dir.snapshot();
    start([&](TFormLogin* d) { click(d->ButtonExit); });
    EXPECT_TRUE(form->terminated());
    EXPECT_FALSE(form->loggedIn());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(dir.snapshot(), before);
}

TEST_F(Startup, UsersCountBeyondTheKeysAddsTheNameZero) {
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nUsers=2\r\nUser 1=zed\r\n");
    QStringList items;
    start([&](TFormLogin* d) {
        for (int i = 0; i < d->ComboBoxLogin->count(); ++i) {
            items << d->ComboBoxLogin->itemText(i);
        }
        click(d->ButtonExit);
    });
    EXPECT_EQ(form->Settings.users, (QStringList{QStringLiteral("zed"), QStringLiteral("0")}));
    EXPECT_EQ(items, (QStringList{QStringLiteral("0"), QStringLiteral("zed")}));
}

TEST_F(Startup, NegativeUsersCountIsWrittenBackWithoutUserKeys) {
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nLanguage=English\r\nUsers=-1\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass");
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    EXPECT_TRUE(form->Settings.users.isEmpty());
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("vorrel.ini"),
              QByteArray("[Options]\r\nLanguage=English\r\nUsers=-1\r\nhidden=0\r\n"));
}

TEST_F(Startup, HiddenSettingSetsTheCheckMarkAndMasksTheList) {
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nhidden=1\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass", {"T|L|secret"});
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    EXPECT_TRUE(form->HidePasswords);
    EXPECT_TRUE(form->ui.MHidePasswords->isChecked());
    ASSERT_EQ(form->ui.ListModel->rowCount(), 1);
    EXPECT_EQ(form->ui.ListModel->cellText(0, 2), QStringLiteral("**********"));
}

TEST_F(Startup, CloseWritesInOrderProgramSettingsUserSettingsCategoriesVault) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"T|L|P"}, {"Work"});
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    testing_support::FaultyFileSystem fs;
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(fs.writes,
              (QStringList{QStringLiteral("vorrel.ini"), QStringLiteral("settings.dat"),
                           QStringLiteral("categories.dat"), QStringLiteral("passwords.dat")}));
}

TEST_F(Startup, FailedProgramSettingsWriteStopsTheCloseAndKeepsTheWindow) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"T|L|P"}, {"Work"});
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    const auto before = dir.snapshot();
    testing_support::FaultyFileSystem fs;
    fs.failWrite(dir.path("vorrel.ini"));
    EXPECT_FALSE(closeMain());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ui.errors(),
              QStringList{QStringLiteral("Unable to write to ") + dir.path("vorrel.ini")});
    EXPECT_EQ(fs.writes, QStringList{QStringLiteral("vorrel.ini")});
    EXPECT_EQ(dir.snapshot(), before);
    // Once the file can be written, closing works and nothing was lost.
    fs.heal();
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")), QList<QByteArray>{"T|L|P"});
    EXPECT_EQ(dir.read("users/bob/categories.dat"), QByteArray("Work\r\n"));
}

TEST_F(Startup, FailedUserFileWriteStopsTheLaterSteps) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"T|L|P"}, {"Work"});
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    testing_support::FaultyFileSystem fs;
    fs.failWrite(dir.path("users/bob/settings.dat"));
    EXPECT_FALSE(closeMain());
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Unable to write to ") +
                                       dir.path("users/bob/settings.dat")});
    EXPECT_EQ(fs.writes,
              (QStringList{QStringLiteral("vorrel.ini"), QStringLiteral("settings.dat")}));

    fs.heal();
    fs.writes.clear();
    fs.failWrite(dir.path("users/bob/passwords.dat"));
    EXPECT_FALSE(closeMain());
    EXPECT_EQ(ui.errors().last(),
              QStringLiteral("Cannot create file ") + dir.path("users/bob/passwords.dat"));
    // The categories written before the failure stay written; the root label stays in memory.
    EXPECT_EQ(dir.read("users/bob/categories.dat"), QByteArray("Work\r\n"));
    EXPECT_EQ(form->session().categories().size(), 1);
    fs.heal();
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/categories.dat"), QByteArray("Work\r\n"));
}

TEST_F(Startup, CodePageSettingIsReadAndNeverWritten) {
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nCodePage=1251\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass", {"\xcf\xf0\xe8|L|P"});
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_EQ(form->ui.ListModel->rowCount(), 1);
    EXPECT_EQ(form->ui.ListModel->cellText(0, 0), QString::fromUtf8("При"));
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("vorrel.ini").startsWith("[Options]\r\nCodePage=1251\r\n"));
}

TEST_F(Startup, TrayExitDuringLoginWritesNothing) {
    dir.makeUser(QStringLiteral("bob"), "pass");
    const auto before = dir.snapshot();
    start([&](TFormLogin*) { form->ui.PMTrayExit->trigger(); });
    EXPECT_TRUE(form->terminated());
    EXPECT_EQ(dir.snapshot(), before);
}

// An installed program: the executable in bin/, the language files in
// share/vorrel/language/, the data in the folder main() chose.
TEST_F(Startup, InstalledProgramReadsShareAndKeepsItsDataInTheDataFolder) {
    QFile english(testing_support::sourcePath(QStringLiteral("language/English.ini")));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    dir.write(QStringLiteral("usr/share/vorrel/language/English.ini"), english.readAll());
    dir.mkdir(QStringLiteral("home/vorrel"));
    executable = dir.path(QStringLiteral("usr/bin/vorrel"));
    dataFolder = dir.path(QStringLiteral("home/vorrel/"));
    const testing_support::TestDir elsewhere;  // the working directory
    newUser(QStringLiteral("alice"), QStringLiteral("secret"));
    EXPECT_EQ(form->texts.StringAllPasswords, QStringLiteral("All Passwords"));
    EXPECT_EQ(form->ui.AboutBox->LabelData->text(), dir.path(QStringLiteral("home/vorrel")));
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.exists(QStringLiteral("home/vorrel/vorrel.ini")));
    EXPECT_TRUE(dir.exists(QStringLiteral("home/vorrel/users/alice/passwords.dat")));
    EXPECT_FALSE(dir.exists(QStringLiteral("usr/bin/users")));
    EXPECT_TRUE(elsewhere.snapshot().isEmpty());
}
