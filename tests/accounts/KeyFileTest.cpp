#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "AppFixture.h"
#include "accounts/FormLogin.h"
#include "core/PasswordEntry.h"

using testing_support::AppFixture;

class KeyFile : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        installLanguage();
        dir.makeUser(QStringLiteral("bob"), "right", {"T|L|P"});
    }
    void requireKey(const QString& keyFile) {
        dir.write(QStringLiteral("users/bob/settings.dat"),
                  "[Options]\r\nKey=1\r\nKeyFile=" + keyFile.toUtf8() + "\r\n");
    }
    QByteArray keyBytes(const QByteArray& password) {
        QByteArray key(1048576, '\0');
        const QByteArray s = core::Scramble(password);
        key.replace(0, s.size(), s);
        return key;
    }
};

TEST_F(KeyFile, CreatedThenVerifiedAtTheNextLogin) {
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    ui.answerSaveFile(dir.path("keys/my.vrx"));
    dir.mkdir(QStringLiteral("keys"));
    form->ui.MCreateKeyFile->trigger();
    ASSERT_EQ(ui.fileRequests.size(), 1);
    EXPECT_EQ(ui.fileRequests[0].initialDir, dir.path());
    EXPECT_EQ(ui.fileRequests[0].fileName, QStringLiteral("Vorrel.vrx"));
    EXPECT_EQ(ui.fileRequests[0].filter, QStringLiteral("Key File (*.vrx)|*.vrx"));
    const QByteArray key = dir.read("keys/my.vrx");
    EXPECT_EQ(key.size(), 1048576);
    EXPECT_EQ(key, keyBytes("right"));
    EXPECT_TRUE(form->session().settings().key);
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(
        dir.read("users/bob/settings.dat")
            .startsWith("[Options]\r\nKey=1\r\nKeyFile=" + dir.path("keys/my.vrx").toUtf8()));

    ui.clearShown();
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_TRUE(ui.fileRequests.isEmpty());
}

TEST_F(KeyFile, MovedKeyFileIsPickedAndItsNewPlaceReachesTheSettingsAtClose) {
    requireKey(dir.path("old/Vorrel.vrx"));
    dir.write(QStringLiteral("new/Vorrel.vrx"), keyBytes("right"));
    ui.answerOpenFile(dir.path("new/Vorrel.vrx"));
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral(
                                 "The key file of this account was not found. Please choose it.")});
    ASSERT_EQ(ui.fileRequests.size(), 1);
    EXPECT_EQ(ui.fileRequests[0].initialDir, dir.path());
    EXPECT_EQ(ui.fileRequests[0].fileName, QStringLiteral("Vorrel.vrx"));
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("users/bob/settings.dat")
                    .contains("KeyFile=" + dir.path("new/Vorrel.vrx").toUtf8() + "\r\n"));
}

TEST_F(KeyFile, WrongKeyFileEndsTheProgramWithoutWritingAnything) {
    dir.write(QStringLiteral("k.vrx"), keyBytes("other"));
    requireKey(dir.path("k.vrx"));
    const auto before = dir.snapshot();
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    EXPECT_EQ(ui.messages(),
              QStringList{QStringLiteral("This key file does not belong to this account.")});
    EXPECT_TRUE(form->terminated());
    EXPECT_FALSE(form->loggedIn());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(dir.snapshot(), before);
}

TEST_F(KeyFile, CancelledOrWrongPickEndsTheProgram) {
    requireKey(QString());
    ui.answerOpenFile(std::nullopt);
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    EXPECT_TRUE(form->terminated());
    EXPECT_EQ(ui.messages().size(), 1);

    dir.write(QStringLiteral("wrong.vrx"), keyBytes("other"));
    ui.clearShown();
    ui.answerOpenFile(dir.path("wrong.vrx"));
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    EXPECT_TRUE(form->terminated());
    EXPECT_EQ(ui.messages().last(),
              QStringLiteral("This key file does not belong to this account."));
}

TEST_F(KeyFile, KeyFilesWithoutAFirstLineMatchNoPassword) {
    for (const QByteArray& content : {QByteArray(), QByteArray(16, '\0')}) {
        dir.write(QStringLiteral("k.vrx"), content);
        requireKey(dir.path("k.vrx"));
        ui.clearShown();
        loginAs(QStringLiteral("bob"), QStringLiteral("right"));
        EXPECT_TRUE(form->terminated());
        EXPECT_EQ(ui.messages(),
                  QStringList{QStringLiteral("This key file does not belong to this account.")});
    }
}

TEST_F(KeyFile, AnyFileWhoseFirstLineUnscramblesToThePasswordPasses) {
    dir.write(QStringLiteral("short.vrx"), core::Scramble("right") + "\r\nanything after");
    requireKey(dir.path("short.vrx"));
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    EXPECT_TRUE(form->loggedIn());
    // Another user's key file with the same password passes too.
    dir.makeUser(QStringLiteral("ann"), "right");
    dir.write(QStringLiteral("users/ann/settings.dat"),
              "[Options]\r\nKey=1\r\nKeyFile=" + dir.path("short.vrx").toUtf8() + "\r\n");
    loginAs(QStringLiteral("ann"), QStringLiteral("right"));
    EXPECT_TRUE(form->loggedIn());
}

TEST_F(KeyFile, UserWithoutKeyIsNeverAsked) {
    dir.write(QStringLiteral("users/bob/settings.dat"),
              "[Options]\r\nKey=0\r\nKeyFile=" + dir.path("nowhere.vrx").toUtf8() + "\r\n");
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    EXPECT_TRUE(form->loggedIn());
    EXPECT_TRUE(ui.fileRequests.isEmpty());
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(KeyFile, UnwrittenKeyFileIsReportedAndNoKeyIsDemanded) {
    loginAs(QStringLiteral("bob"), QStringLiteral("right"));
    dir.mkdir(QStringLiteral("adir.vrx"));
    ui.answerSaveFile(dir.path("adir.vrx"));
    form->ui.MCreateKeyFile->trigger();
    EXPECT_EQ(ui.errors(),
              QStringList{QStringLiteral("Cannot create file ") + dir.path("adir.vrx")});
    EXPECT_FALSE(form->session().settings().key);
    ui.answerSaveFile(std::nullopt);
    form->ui.MCreateKeyFile->trigger();
    EXPECT_FALSE(form->session().settings().key);
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("users/bob/settings.dat").contains("Key=0\r\n"));
}

TEST_F(KeyFile, UnreadablePickedFileStopsTheLoginWithTheDialogOpen) {
    requireKey(QString());
    ui.answerOpenFile(dir.path("missing.vrx"));
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("right"));
        click(d->ButtonLogin);
        EXPECT_TRUE(d->isVisible());
        click(d->ButtonExit);
    });
    EXPECT_EQ(ui.errors(),
              QStringList{QStringLiteral("Cannot open file ") + dir.path("missing.vrx")});
    EXPECT_FALSE(form->loggedIn());
}
