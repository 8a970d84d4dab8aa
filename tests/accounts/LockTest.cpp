#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "AppFixture.h"
#include "FaultyFileSystem.h"
#include "accounts/FormLogin.h"
#include "core/PasswordEntry.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/InactivityWatch.h"
#include "mainwindow/ListView.h"
#include "shell/TrayIcon.h"

using testing_support::AppFixture;

class Lock : public AppFixture {
protected:
    static void settle() { QTest::qWait(20); }
    void lockByKey() {
        activate();
        QTest::keyClick(form->ui.ListView1, Qt::Key_L, Qt::ControlModifier);
        settle();
    }
};

TEST_F(Lock, CtrlLHidesAtOnceAndTheTrayOffersUnlock) {
    openUser({"a|u|p"});
    lockByKey();
    EXPECT_TRUE(form->locked());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->ui.PMUnlock->isVisible());
    EXPECT_FALSE(form->centralWidget()->isVisible());
}

TEST_F(Lock, WrongThenRightPasswordUnlocks) {
    openUser({"a|u|p"});
    lockByKey();
    form->ui.Inactivity->timer()->start();
    ui.answerInput(QStringLiteral("PASS"));
    ui.answerInput(QStringLiteral("pass"));
    form->ui.PMUnlock->trigger();
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
    EXPECT_FALSE(form->locked());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->ui.PMUnlock->isVisible());
    EXPECT_TRUE(form->ui.Inactivity->timer()->isActive());  // unlocked, the count runs again from 0
    EXPECT_EQ(form->ui.Inactivity->counter(), 0);
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
    EXPECT_TRUE(form->locked());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Lock, InactivityLocksAfter300TicksOnly) {
    openUser({"a|u|p"});
    activate();
    form->ui.Inactivity->update();
    EXPECT_TRUE(form->ui.Inactivity->timer()->isActive());
    EXPECT_EQ(form->ui.Inactivity->timer()->interval(), 1000);
    for (int i = 0; i < 299; ++i) {
        form->ui.Inactivity->tick();
    }
    EXPECT_FALSE(form->locked());
    form->ui.Inactivity->restart();
    EXPECT_TRUE(
        form->ui.Inactivity->timer()->isActive());  // counting input-free time in front as well
    EXPECT_EQ(form->ui.Inactivity->counter(), 0);
    form->ui.Inactivity->update();
    for (int i = 0; i < 299; ++i) {
        form->ui.Inactivity->tick();
    }
    EXPECT_FALSE(form->locked());
    form->ui.Inactivity->tick();
    settle();
    EXPECT_TRUE(form->locked());
    EXPECT_EQ(form->ui.Inactivity->counter(), 0);
    EXPECT_FALSE(form->ui.Inactivity->timer()->isActive());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Lock, LockClosesAnOpenContextMenu) {
    openUser({"A|u|p||||||"});
    form->ui.PopupMenu1->popup(form->ui.ListView1->viewport()->mapToGlobal(QPoint(5, 5)));
    ASSERT_TRUE(QApplication::activePopupWidget());
    form->MLockClick();
    EXPECT_FALSE(QApplication::activePopupWidget());
    // The real interface layer closes them the same way.
    form->ui.PopupMenu2->popup(QPoint(5, 5));
    ASSERT_TRUE(QApplication::activePopupWidget());
    platform::QtUi real;
    real.cancelModals();
    real.allowModals();
    EXPECT_FALSE(QApplication::activePopupWidget());
}

TEST_F(Lock, NoWidgetHoldsTheVaultWhileLockedAndUnlockBringsTheViewBack) {
    openUser({"Zeta|zlogin|zpass|Work||||||", "Alpha|alogin|apass|Work||||||",
              "Mid|mlogin|mpass|Work||||||", "Home1|hlogin|hpass|Home||||||"},
             {"Home", "Work"});
    clickNode(2);  // Work
    form->ListView1ColumnClick(1);
    form->ListView1ColumnClick(1);  // by Login, descending
    selectRows({1});
    form->ui.EditSearch->setText(QStringLiteral("Mi"));
    const QStringList titles = column(0);
    ui.answerModal([](QDialog* d) { d->reject(); });
    form->ui.AEdit->trigger();  // the edit dialog keeps the fields it showed

    form->MLockClick();
    const QStringList secrets = {"Zeta",   "Alpha", "Mid",   "Home1", "zlogin", "alogin", "mlogin",
                                 "hlogin", "zpass", "apass", "mpass", "hpass",  "Work",   "Mi"};
    QStringList held;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        QStringList texts = {w->accessibleName(), w->windowTitle(), w->toolTip()};
        if (auto* label = qobject_cast<QLabel*>(w)) {
            texts << label->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            texts << edit->text();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < combo->count(); ++i) {
                texts << combo->itemText(i);
            }
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            const QAbstractItemModel* m = view->model();
            std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
                for (int r = 0; r < m->rowCount(parent); ++r) {
                    for (int c = 0; c < m->columnCount(parent); ++c) {
                        texts << m->index(r, c, parent).data().toString();
                    }
                    walk(m->index(r, 0, parent));
                }
            };
            walk(QModelIndex());
        }
        for (const QString& text : texts) {
            for (const QString& secret : secrets) {
                if (text.contains(secret)) {
                    held << w->objectName() + QStringLiteral(": ") + text;
                }
            }
        }
    }
    EXPECT_TRUE(held.isEmpty()) << held.join(QStringLiteral("; ")).toStdString();

    ui.answerInput(QStringLiteral("pass"));
    ASSERT_TRUE(form->PMUnlockClick());
    EXPECT_EQ(form->SelectedNodeIndex(), 2);
    EXPECT_EQ(column(0), titles);
    EXPECT_EQ(selectedRows(), QList<int>{1});
    EXPECT_EQ(form->ui.EditSearch->text(), QStringLiteral("Mi"));
    EXPECT_EQ(form->ui.StatusPanels[0]->text().trimmed(), QStringLiteral("Passwords: 4"));
}

TEST_F(Lock, ChangePasswordLengthRuleAndTheBoxAgain) {
    openUser({"a|u|p"});
    const QByteArray vault = dir.read("users/bob/passwords.dat");
    ui.answerInput(QStringLiteral("abc"));
    ui.answerInput(QStringLiteral("abcdefghijklmnop"));  // 16: the login takes it, this does not
    ui.answerInput(QString());
    ui.answerInput(QStringLiteral("ab-cd"));
    ui.answerInput(QStringLiteral("abcdefghijklmno"));  // 15
    form->ui.MChangePass->trigger();
    EXPECT_EQ(ui.texts(QStringLiteral("input")).size(), 5);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Change Account Password"));
    const QString tooShortOrLong = QStringLiteral("The password must be 4 to 15 characters long.");
    EXPECT_EQ(ui.messages(), (QStringList{tooShortOrLong, tooShortOrLong, tooShortOrLong,
                                          form->texts.StringPasswordCharacters}));
    EXPECT_EQ(form->session().password(), QByteArray("abcdefghijklmno"));
    EXPECT_EQ(dir.read("users/bob/bob.dat"), core::Scramble("abcdefghijklmno") + "\r\n");
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vault);
    ui.answerInput(std::nullopt);
    form->MChangePassClick();
    EXPECT_EQ(form->session().password(), QByteArray("abcdefghijklmno"));
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
    EXPECT_FALSE(form->locked());
    EXPECT_TRUE(closeMain());
    dir.write(QStringLiteral("users/bob/settings.dat"),
              "[Options]\r\nKey=1\r\nKeyFile=" + dir.path("old.vrx").toUtf8() + "\r\n");
    ui.clearShown();
    loginAs(QStringLiteral("bob"), QStringLiteral("newpass1"));
    EXPECT_TRUE(form->terminated());
    EXPECT_EQ(ui.messages().last(),
              QStringLiteral("This key file does not belong to this account."));
}

TEST_F(Lock, UnwritablePasswordFileKeepsTheOldPasswordAndFile) {
    openUser({"a|u|p"});
    testing_support::FaultyFileSystem fs;
    fs.failWrite(dir.path("users/bob/bob.dat"));
    ui.answerInput(QStringLiteral("other12"));
    form->ui.MChangePass->trigger();
    EXPECT_EQ(ui.errors(),
              QStringList{QStringLiteral("Cannot create file ") + dir.path("users/bob/bob.dat")});
    EXPECT_EQ(form->session().password(), QByteArray("pass"));
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
    EXPECT_FALSE(form->ui.StTrayIcon1->active());
    lockByKey();
    EXPECT_TRUE(form->locked());
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(form->centralWidget()->isVisible());
    EXPECT_FALSE(form->menuBar()->isEnabled());
    // Brought back while locked: the password first; Cancel sends it down again.
    ui.answerInput(std::nullopt);
    form->showNormal();
    settle();
    EXPECT_TRUE(form->locked());
    EXPECT_TRUE(form->isMinimized());
    ui.answerInput(QStringLiteral("nope"));
    ui.answerInput(QStringLiteral("pass"));
    form->showNormal();
    settle();
    EXPECT_FALSE(form->locked());
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

class LockWithBoxesOpen : public Lock {
protected:
    // The inactivity timer's ticks as they arrive through an open box's loop.
    void tickToLock() {
        for (int i = 0; i < InactivityWatch::kLimit && !form->locked(); ++i) {
            form->ui.Inactivity->tick();
        }
        ASSERT_TRUE(form->locked());
    }
    void unlock() {
        ui.answerInput(QStringLiteral("pass"));
        ASSERT_TRUE(form->PMUnlockClick());
        settle();
    }
};

TEST_F(LockWithBoxesOpen, EveryBoxClosesAsCancelledAndTheWindowComesBackAsItWas) {
    openUser({"a|u|p|Work", "b|v|q|Home", "c|w|r|Work"}, {"Work", "Home"});
    activate();
    clickNode(1);
    selectRows({1});
    const QStringList rows = column(0);
    const auto files = dir.snapshot();

    // The edit dialog, with a changed password typed, and a category box over it.
    ui.whileOpen(QStringLiteral("input"), [&] { tickToLock(); });
    ui.answerModal([&](QDialog* d) {
        auto* edit = static_cast<TFormEdit*>(d);
        edit->EditPassword->setText(QStringLiteral("changed"));
        click(edit->ButtonNewCat);
        EXPECT_FALSE(d->isVisible());
    });
    form->ui.AEdit->trigger();
    EXPECT_FALSE(form->ui.FormEdit->isVisible());
    EXPECT_EQ(form->session().categories().size(), 2);  // no category from the cancelled box
    unlock();

    // The change-password box, answered and then locked by the timer.
    ui.whileOpen(QStringLiteral("input"), [&] { tickToLock(); });
    form->MChangePassClick();
    unlock();
    // Its message box after a too short password: the box it would offer
    // again is refused too.
    ui.answerInput(QStringLiteral("abc"));
    ui.whileOpen(QStringLiteral("message"), [&] { form->MLockClick(); });
    form->MChangePassClick();
    EXPECT_EQ(ui.cancelled.mid(ui.cancelled.size() - 2), (QStringList{"message", "input"}));
    unlock();
    EXPECT_EQ(form->session().password(), QByteArray("pass"));

    // A file dialog and the font dialog.
    ui.whileOpen(QStringLiteral("save"), [&] { tickToLock(); });
    form->ui.ASave->trigger();
    unlock();
    ui.whileOpen(QStringLiteral("font"), [&] { tickToLock(); });
    form->ui.MFont->trigger();
    unlock();

    EXPECT_EQ(ui.cancelled,
              (QStringList{"input", "modal", "input", "message", "input", "save", "font"}));
    EXPECT_EQ(dir.snapshot(), files);  // nothing of any box was written
    EXPECT_EQ(form->SelectedCategoryIndex, 1);
    EXPECT_EQ(form->ui.TreeViewCat->currentItem(), form->CategoryNode(1));
    EXPECT_EQ(column(0), rows);
    EXPECT_EQ(selectedRows(), QList<int>{1});
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->centralWidget()->isVisible());
    EXPECT_TRUE(ui.allAnswersUsed());
}

TEST_F(Lock, InactivityCountsOnlyWhileLoggedInAndUnlocked) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p"});
    start([&](TFormLogin* d) {
        // Away from the login dialog for longer than the limit.
        form->ui.Inactivity->update();
        EXPECT_FALSE(form->ui.Inactivity->timer()->isActive());
        for (int i = 0; i < 2 * InactivityWatch::kLimit; ++i) {
            form->ui.Inactivity->tick();
        }
        EXPECT_FALSE(form->locked());
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("pass"));
        click(d->ButtonLogin);
    });
    ASSERT_TRUE(form->loggedIn());
    EXPECT_FALSE(form->locked());
    EXPECT_TRUE(form->centralWidget()->isVisible());
    EXPECT_TRUE(form->menuBar()->isEnabled());
    EXPECT_TRUE(form->ui.Inactivity->timer()->isActive());
    EXPECT_EQ(form->ui.Inactivity->counter(), 0);
    // Locked, nothing counts; unlocked, it starts again from 0.
    form->MLockClick();
    EXPECT_FALSE(form->ui.Inactivity->timer()->isActive());
    form->ui.Inactivity->update();
    form->ui.Inactivity->tick();
    EXPECT_FALSE(form->ui.Inactivity->timer()->isActive());
    EXPECT_EQ(form->ui.Inactivity->counter(), 0);
}

TEST_F(Lock, FiveMinutesWithoutInputLockAlsoWhileActive) {
    openUser({"a|u|p", "b|v|q"});
    activate();
    ASSERT_TRUE(form->isActiveWindow());
    auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i) {
            form->ui.Inactivity->tick();
        }
    };
    ticks(InactivityWatch::kLimit - 1);
    QTest::keyClick(form->ui.ListView1, Qt::Key_Down);
    EXPECT_EQ(form->ui.Inactivity->counter(), 0);
    ticks(InactivityWatch::kLimit - 1);
    QTest::mouseClick(form->ui.EditSearch, Qt::LeftButton);
    EXPECT_EQ(form->ui.Inactivity->counter(), 0);
    ticks(InactivityWatch::kLimit - 1);
    EXPECT_FALSE(form->locked());
    ticks(1);
    settle();
    EXPECT_TRUE(form->locked());
    EXPECT_FALSE(form->isVisible());
}

// The real boxes: a lock that comes through the loop of an inner box closes it
// and the box under it, and the code after them can open no other.
TEST(LockRealBoxes, NestedBoxesCloseAsCancelledAndNoneOpensUntilAllowed) {
    platform::QtUi real;
    // Only reached when the lock fails to close the boxes: the test then ends
    // with a failure instead of waiting for ever.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        ADD_FAILURE() << "a box stayed open";
        while (QWidget* box = QApplication::activeModalWidget()) {
            box->close();
        }
    });
    guard.start(10000);
    std::optional<bool> inner;
    std::optional<bool> after;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] { real.cancelModals(); });
        QString value = QStringLiteral("typed");
        inner = real.inputQuery(QStringLiteral("title"), QStringLiteral("prompt"), value);
        after = real.askOkCancel(QStringLiteral("again?"), QStringLiteral("title"));
    });
    real.showMessage(QStringLiteral("outer"));
    EXPECT_EQ(inner, std::optional<bool>(false));
    EXPECT_EQ(after, std::optional<bool>(false));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Allowed again, a box opens and answers as it is answered.
    real.allowModals();
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            box->accept();
        }
    });
    QString value = QStringLiteral("kept");
    EXPECT_TRUE(real.inputQuery(QStringLiteral("title"), QStringLiteral("prompt"), value));
    EXPECT_EQ(value, QStringLiteral("kept"));
}
