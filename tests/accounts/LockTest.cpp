#include <QLineEdit>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "FaultyFileSystem.h"
#include "core/PasswordEntry.h"
#include "mainwindow/ListView.h"
#include "shell/TrayIcon.h"

using testing_support::AppFixture;

class Lock : public AppFixture {
protected:
    static void settle() { QTest::qWait(20); }
    void lockByKey() {
        activate();
        QTest::keyClick(form->ListView1, Qt::Key_L, Qt::ControlModifier);
        settle();
    }
};

TEST_F(Lock, CtrlLHidesAtOnceAndTheTrayOffersUnlock) {
    openUser({"a|u|p"});
    lockByKey();
    EXPECT_TRUE(form->Locked);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->PMUnlock->isVisible());
    EXPECT_FALSE(form->centralWidget()->isVisible());
}

TEST_F(Lock, WrongThenRightPasswordUnlocks) {
    openUser({"a|u|p"});
    lockByKey();
    form->Timer1->start();
    ui.answerInput(QStringLiteral("PASS"));
    ui.answerInput(QStringLiteral("pass"));
    form->PMUnlock->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Wrong password.")});
    ASSERT_EQ(ui.texts(QStringLiteral("input")).size(), 2);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Unlock Vorrel"));
    // The account password is never shown as it is typed; a new one is, as
    // there is no second box to confirm it.
    EXPECT_EQ(ui.secretInputs, (QList<bool>{true, true}));
    ui.secretInputs.clear();
    ui.answerInput(std::nullopt);
    form->MChangePassClick();
    EXPECT_EQ(ui.secretInputs, QList<bool>{false});
    EXPECT_FALSE(form->Locked);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->PMUnlock->isVisible());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->centralWidget()->isVisible());
    // Unlock does nothing when the program is not locked.
    form->PMUnlockClick();
    EXPECT_EQ(ui.texts(QStringLiteral("input")).size(), 3);  // two unlock boxes, one change box
}

TEST_F(Lock, CancelKeepsItLockedAndHidden) {
    openUser({"a|u|p"});
    lockByKey();
    ui.answerInput(std::nullopt);
    form->PMUnlockClick();
    settle();
    EXPECT_TRUE(form->Locked);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Lock, InactivityLocksAfter300TicksOnly) {
    openUser({"a|u|p"});
    activate();
    form->ApplicationEvents1Deactivate();
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);
    for (int i = 0; i < 299; ++i) {
        form->Timer1Timer();
    }
    EXPECT_FALSE(form->Locked);
    form->ApplicationEvents1Activate();
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->InactivityCounter, 0);
    form->ApplicationEvents1Deactivate();
    for (int i = 0; i < 299; ++i) {
        form->Timer1Timer();
    }
    EXPECT_FALSE(form->Locked);
    form->Timer1Timer();
    settle();
    EXPECT_TRUE(form->Locked);
    EXPECT_EQ(form->InactivityCounter, 0);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Lock, ChangePasswordLengthRuleAndTheBoxAgain) {
    openUser({"a|u|p"});
    const QByteArray vault = dir.read("users/bob/passwords.dat");
    ui.answerInput(QStringLiteral("abc"));
    ui.answerInput(QStringLiteral("abcdefghijklmnop"));  // 16: the login takes it, this does not
    ui.answerInput(QString());
    ui.answerInput(QStringLiteral("ab-cd"));
    ui.answerInput(QStringLiteral("abcdefghijklmno"));  // 15
    form->MChangePass->trigger();
    EXPECT_EQ(ui.texts(QStringLiteral("input")).size(), 5);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Change Account Password"));
    const QString tooShortOrLong = QStringLiteral("The password must be 4 to 15 characters long.");
    EXPECT_EQ(ui.messages(), (QStringList{tooShortOrLong, tooShortOrLong, tooShortOrLong,
                                          form->StringPasswordCharacters}));
    EXPECT_EQ(form->AccountPassword, QByteArray("abcdefghijklmno"));
    EXPECT_EQ(dir.read("users/bob/bob.dat"), core::Scramble("abcdefghijklmno") + "\r\n");
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vault);
    ui.answerInput(std::nullopt);
    form->MChangePassClick();
    EXPECT_EQ(form->AccountPassword, QByteArray("abcdefghijklmno"));
}

TEST_F(Lock, AfterAChangeOnlyTheNewPasswordUnlocksAndLogsIn) {
    openUser({"a|u|p"});
    ui.answerInput(QStringLiteral("newpass1"));
    form->MChangePassClick();
    // A key file made before the change no longer matches.
    dir.write(QStringLiteral("old.vrx"), core::Scramble("pass"));
    lockByKey();
    ui.answerInput(QStringLiteral("pass"));
    ui.answerInput(QStringLiteral("newpass1"));
    form->PMUnlockClick();
    EXPECT_FALSE(form->Locked);
    EXPECT_TRUE(closeMain());
    dir.write(QStringLiteral("users/bob/settings.dat"),
              "[Options]\r\nKey=1\r\nKeyFile=" + dir.path("old.vrx").toUtf8() + "\r\n");
    ui.clearShown();
    loginAs(QStringLiteral("bob"), QStringLiteral("newpass1"));
    EXPECT_TRUE(form->Terminated);
    EXPECT_EQ(ui.messages().last(),
              QStringLiteral("This key file does not belong to this account."));
}

TEST_F(Lock, UnwritablePasswordFileKeepsTheOldPasswordAndFile) {
    openUser({"a|u|p"});
    testing_support::FaultyFileSystem fs;
    fs.failWrite(dir.path("users/bob/bob.dat"));
    ui.answerInput(QStringLiteral("other12"));
    form->MChangePass->trigger();
    EXPECT_EQ(ui.errors(),
              QStringList{QStringLiteral("Cannot create file ") + dir.path("users/bob/bob.dat")});
    EXPECT_EQ(form->AccountPassword, QByteArray("pass"));
    EXPECT_EQ(dir.read("users/bob/bob.dat"), core::Scramble("pass") + "\r\n");
}

class LockWithoutTray : public Lock {
protected:
    void SetUp() override {
        Lock::SetUp();
        ui.tray = false;
    }
};

TEST_F(LockWithoutTray, LockMinimizesWithContentsHiddenAndRestoringAsksThePassword) {
    openUser({"a|u|p"});
    EXPECT_FALSE(form->StTrayIcon1->active());
    lockByKey();
    EXPECT_TRUE(form->Locked);
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(form->centralWidget()->isVisible());
    EXPECT_FALSE(form->menuBar()->isEnabled());
    // Brought back while locked: the password first; Cancel sends it down again.
    ui.answerInput(std::nullopt);
    form->showNormal();
    settle();
    EXPECT_TRUE(form->Locked);
    EXPECT_TRUE(form->isMinimized());
    ui.answerInput(QStringLiteral("nope"));
    ui.answerInput(QStringLiteral("pass"));
    form->showNormal();
    settle();
    EXPECT_FALSE(form->Locked);
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(form->centralWidget()->isVisible());
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Wrong password.")});
    // Without a tray, minimizing is plain minimizing.
    form->showMinimized();
    settle();
    EXPECT_TRUE(form->isVisible());
}

TEST_F(LockWithoutTray, ClosingWhileLockedStillSaves) {
    openUser({"a|u|p"});
    lockByKey();
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")), QList<QByteArray>{"a|u|p"});
}
