#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "AppFixture.h"
#include "accounts/FormLogin.h"
#include "core/PasswordEntry.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"

using testing_support::AppFixture;

class Login : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        installLanguage();
    }
    // Starts, runs drive() in the open dialog, then leaves by Exit unless it logged in.
    void inDialog(const std::function<void(TFormLogin*)>& drive) {
        start([&](TFormLogin* d) {
            drive(d);
            if (d->isVisible()) {
                click(d->ButtonExit);
            }
        });
    }
};

TEST_F(Login, FirstRunNewUserCreatesExactlyThreeFilesAndOpensTheEmptyVault) {
    newUser(QStringLiteral("alice"), QStringLiteral("pw12"));
    ASSERT_TRUE(form->loggedIn());
    const auto files = dir.snapshot();
    QStringList userFiles;
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (it.key().startsWith(QLatin1String("users/alice/")) &&
            !it.key().endsWith(QLatin1Char('/'))) {
            userFiles << it.key();
        }
    }
    EXPECT_EQ(userFiles, (QStringList{QStringLiteral("users/alice/alice.dat"),
                                      QStringLiteral("users/alice/categories.dat"),
                                      QStringLiteral("users/alice/passwords.dat")}));
    EXPECT_EQ(dir.read("users/alice/alice.dat"), core::Scramble("pw12") + "\r\n");
    EXPECT_EQ(dir.read("users/alice/passwords.dat"), QByteArray());
    EXPECT_EQ(dir.read("users/alice/categories.dat"), QByteArray());
    EXPECT_EQ(form->Settings.users, QStringList{QStringLiteral("alice")});
    EXPECT_EQ(form->Settings.usersCount, 1);
    EXPECT_EQ(form->session().login(), QStringLiteral("alice"));
    EXPECT_EQ(form->session().password(), QByteArray("pw12"));
    EXPECT_EQ(form->ui.TreeViewCat->topLevelItemCount(), 1);
    EXPECT_EQ(form->ui.TreeViewCat->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(form->ui.TreeViewCat->topLevelItem(0)->text(0), QStringLiteral("All Passwords (0)"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Vorrel 1.8 - alice"));
}

TEST_F(Login, EmptyFieldMessagesJoinWithCarriageReturns) {
    inDialog([&](TFormLogin* d) {
        for (QPushButton* button : {d->ButtonLogin, d->ButtonNewUser}) {
            fillLogin(d, QString(), QStringLiteral("pw"));
            click(button);
            fillLogin(d, QStringLiteral("bob"), QString());
            click(button);
            fillLogin(d, QString(), QString());
            click(button);
        }
    });
    const QStringList one{QStringLiteral("Please enter a login name.\r"),
                          QStringLiteral("Please enter a password."),
                          QStringLiteral("Please enter a login name.\rPlease enter a password.")};
    EXPECT_EQ(ui.messages(), one + one);
    EXPECT_FALSE(dir.exists(QStringLiteral("users")));
}

TEST_F(Login, WrongPasswordKeepsBothFieldsAndTheNextTryWorks) {
    dir.makeUser(QStringLiteral("bob"), "right");
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("Right"));
        click(d->ButtonLogin);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->ComboBoxLogin->currentText(), QStringLiteral("bob"));
        EXPECT_EQ(d->EditPassword->text(), QStringLiteral("Right"));
        EXPECT_FALSE(form->isVisible());
        d->EditPassword->clear();
        type(d->EditPassword, QStringLiteral("right"));
        click(d->ButtonLogin);
    });
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Wrong password.")});
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Login, NewUserOnAnExistingNameTouchesNothing) {
    dir.makeUser(QStringLiteral("bob"), "right", {"a|b|c"});
    const auto before = dir.snapshot();
    inDialog([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("other"));
        click(d->ButtonNewUser);
    });
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("User bob already exists.")});
    EXPECT_EQ(dir.snapshot(), before);
    EXPECT_TRUE(form->Settings.users.isEmpty());
}

TEST_F(Login, UnlistedFolderOpensByNameAndListedNameWithoutFolderDoesNot) {
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nUsers=1\r\nUser 1=ghost\r\n");
    dir.makeUser(QStringLiteral("bob"), "right", {"T|L|P"});
    start([&](TFormLogin* d) {
        EXPECT_EQ(d->ComboBoxLogin->currentText(), QStringLiteral("ghost"));
        type(d->EditPassword, QStringLiteral("x"));
        click(d->ButtonLogin);
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("right"));
        click(d->ButtonLogin);
    });
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("User ghost does not exist.")});
    EXPECT_TRUE(form->loggedIn());
    EXPECT_EQ(form->Settings.users, QStringList{QStringLiteral("ghost")});
    EXPECT_EQ(form->ui.ListModel->rowCount(), 1);
}

TEST_F(Login, DropDownIsSortedWithTheFirstNameSelected) {
    dir.write(QStringLiteral("vorrel.ini"),
              "[Options]\r\nUsers=3\r\nUser 1=zoe\r\nUser 2=Adam\r\nUser 3=bob\r\n");
    QStringList items;
    QWidget* focused = nullptr;
    inDialog([&](TFormLogin* d) {
        for (int i = 0; i < d->ComboBoxLogin->count(); ++i) {
            items << d->ComboBoxLogin->itemText(i);
        }
        EXPECT_EQ(d->ComboBoxLogin->currentText(), QStringLiteral("Adam"));
        EXPECT_EQ(d->ComboBoxLogin->maxVisibleItems(), 10);
        focused = d->focusWidget();
    });
    EXPECT_EQ(items,
              (QStringList{QStringLiteral("Adam"), QStringLiteral("bob"), QStringLiteral("zoe")}));
    EXPECT_EQ(focused, login()->EditPassword);
}

TEST_F(Login, EnterLogsInFromThePasswordFieldOnly) {
    dir.makeUser(QStringLiteral("bob"), "right");
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("right"));
        QTest::keyClick(d->ComboBoxLogin->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        EXPECT_FALSE(form->loggedIn());
        QTest::keyClick(d, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
        QTest::keyClick(d->EditPassword, Qt::Key_Return);
    });
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Login, OnlyLettersAndDigitsEverReachTheFields) {
    inDialog([&](TFormLogin* d) {
        QLineEdit* name = d->ComboBoxLogin->lineEdit();
        for (QLineEdit* field : {name, d->EditPassword}) {
            type(field, QString::fromUtf8("a b!c-\u00e9d"));
            EXPECT_EQ(field->text(), QStringLiteral("abcd"));
            field->clear();
            type(field, QStringLiteral("abcdefghijklmnopq"));
            EXPECT_EQ(field->text(), QStringLiteral("abcdefghijklmnop"));
            field->clear();
            // Pasting, by keyboard and otherwise.
            QApplication::clipboard()->setText(QStringLiteral("../x"));
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(field->text(), QStringLiteral("x"));
            field->clear();
            field->insert(QStringLiteral("0123456789ABCDEFGH"));
            EXPECT_EQ(field->text(), QStringLiteral("0123456789ABCDEF"));
            field->setText(QStringLiteral("../../etc"));
            EXPECT_EQ(field->text(), QStringLiteral("etc"));
            field->clear();
        }
        EXPECT_EQ(d->EditPassword->echoMode(), QLineEdit::Password);
    });
}

TEST_F(Login, EmptyPasswordFileAnswersLikeAWrongPassword) {
    dir.makeUser(QStringLiteral("bob"), "right");
    dir.write(QStringLiteral("users/bob/bob.dat"), "");
    inDialog([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("right"));
        click(d->ButtonLogin);
    });
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Wrong password.")});
    EXPECT_FALSE(form->loggedIn());
}

TEST_F(Login, MissingVaultStopsTheLoginWithTheDialogOpen) {
    dir.makeUser(QStringLiteral("bob"), "right");
    QFile::remove(dir.path("users/bob/passwords.dat"));
    inDialog([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("right"));
        click(d->ButtonLogin);
        EXPECT_TRUE(d->isVisible());
        click(d->ButtonLogin);
    });
    EXPECT_EQ(ui.errors().size(), 2);
    EXPECT_EQ(ui.errors().first(),
              QStringLiteral("Cannot open file ") + dir.path("users/bob/passwords.dat"));
    EXPECT_FALSE(form->loggedIn());
    EXPECT_FALSE(form->isVisible());
    // Retrying does not stack the login name onto the caption.
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Vorrel 1.8 - bob"));
}

TEST_F(Login, DialogLayoutAndTabOrder) {
    inDialog([&](TFormLogin* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Login"));
        EXPECT_FALSE(d->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(d->windowFlags() & Qt::WindowMinMaxButtonsHint);
        EXPECT_GE(d->width(), 227);
        EXPECT_GE(d->height(), 171);
        EXPECT_EQ(d->minimumSize(), d->maximumSize());
        // The next widget Tab reaches.
        auto next = [](QWidget* w) {
            do {
                w = w->nextInFocusChain();
            } while (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy());
            return w;
        };
        EXPECT_EQ(next(d->ButtonLogin), d->ButtonNewUser);
        EXPECT_EQ(next(d->ButtonNewUser), d->ButtonExit);
        EXPECT_EQ(next(d->ButtonExit), d->EditPassword);
        QWidget* afterPassword = next(d->EditPassword);
        EXPECT_TRUE(afterPassword == d->ComboBoxLogin ||
                    afterPassword == d->ComboBoxLogin->lineEdit());
        EXPECT_FALSE(d->ButtonLogin->autoDefault());
        EXPECT_EQ(d->GroupBoxLogin->title(), QStringLiteral(" Enter Data  "));
    });
}
