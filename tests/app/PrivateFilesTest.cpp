#include <QLineEdit>
#include <QPushButton>

#include "AppFixture.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using testing_support::AppFixture;

#ifdef Q_OS_UNIX

class PrivateFiles : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        oldMask_ = ::umask(022);  // the usual default, so "default" has one meaning here
    }
    void TearDown() override {
        ::umask(oldMask_);
        AppFixture::TearDown();
    }
    int mode(const QString& relative) const {
        struct stat info;
        if (::stat(QFile::encodeName(dir.path(relative)).constData(), &info) != 0) {
            return -1;
        }
        return int(info.st_mode & 07777);
    }
    void setMode(const QString& relative, int mode) const {
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path(relative)).constData(), mode_t(mode)), 0);
    }
    // Every file the program wrote for alice so far, and the modes they must have.
    void expectModes(const QMap<QString, int>& wanted) const {
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
            EXPECT_EQ(mode(it.key()), it.value())
                << it.key().toStdString() << " is "
                << QString::number(mode(it.key()), 8).toStdString();
        }
    }

private:
    mode_t oldMask_ = 022;
};

TEST_F(PrivateFiles, EveryFileAndFolderOfAUserIsItsOwnersAloneTheUsersListIsNot) {
    dir.write(QStringLiteral("probe"), "x");
    setMode(QStringLiteral("probe"), 0640);
    if (mode(QStringLiteral("probe")) != 0640) {
        GTEST_SKIP() << "this file system keeps no modes";
    }
    installLanguage();
    newUser(QStringLiteral("alice"), QStringLiteral("pass1"));
    ASSERT_TRUE(form->loggedIn());
    // The users folder stays open, so that other accounts can add their own users.
    expectModes({{"users", 0755},
                 {"users/alice", 0700},
                 {"users/alice/passwords.dat", 0600},
                 {"users/alice/alice.dat", 0600},
                 {"users/alice/categories.dat", 0600}});

    ui.answerModal([](QDialog* d) {
        auto* add = static_cast<TFormAdd*>(d);
        type(add->EditName, QStringLiteral("Mail"));
        type(add->EditLogin, QStringLiteral("me"));
        click(add->ButtonOk);
    });
    form->ui.AAdd->trigger();
    ui.answerSaveFile(dir.path("alice.vrx"));
    form->ui.MCreateKeyFile->trigger();
    ui.answerSaveFile(dir.path("list.dat"));
    form->ui.ASave->trigger();
    ui.answerModal([](QDialog* d) { click(static_cast<TFormExport*>(d)->ButtonOk); });
    ui.answerSaveFile(dir.path("export.htm"), 2);
    form->ui.MExport->trigger();
    // A file replaced after it was made wider is narrow again.
    setMode(QStringLiteral("list.dat"), 0644);
    ui.answerSaveFile(dir.path("list.dat"));
    form->ui.ASave->trigger();
    ASSERT_TRUE(closeMain());
    expectModes({{"users/alice/passwords.dat", 0600},
                 {"users/alice/settings.dat", 0600},
                 {"users/alice/categories.dat", 0600},
                 {"alice.vrx", 0600},
                 {"list.dat", 0600},
                 {"export.htm", 0600},
                 {"vorrel.ini", 0644}});

    // Made readable by all before: the next login narrows, and never widens.
    setMode(QStringLiteral("users/alice"), 0755);
    setMode(QStringLiteral("users/alice/passwords.dat"), 0644);
    setMode(QStringLiteral("users/alice/alice.dat"), 0664);
    setMode(QStringLiteral("users/alice/settings.dat"), 0646);
    setMode(QStringLiteral("users/alice/categories.dat"), 0400);
    loginAs(QStringLiteral("alice"), QStringLiteral("pass1"));
    ASSERT_TRUE(form->loggedIn());
    expectModes({{"users/alice", 0700},
                 {"users/alice/passwords.dat", 0600},
                 {"users/alice/passwords.dat.bak", 0600},
                 {"users/alice/alice.dat", 0600},
                 {"users/alice/settings.dat", 0600},
                 {"users/alice/categories.dat", 0400}});
    setMode(QStringLiteral("users/alice/categories.dat"), 0600);
    ASSERT_TRUE(closeMain());
    EXPECT_EQ(mode(QStringLiteral("vorrel.ini")), 0644);
}

#endif
