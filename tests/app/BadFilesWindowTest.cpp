// Damaged files met by the real window: the program starts, shows what can
// be read, stays usable, and writes back what it read.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <random>

#include "AppFixture.h"
#include "accounts/FormLogin.h"
#include "core/PasswordEntry.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"
#include "platform/Memory.h"
#include "platform/TextList.h"

using testing_support::AppFixture;
using testing_support::crlf;
using testing_support::junk;

namespace {

QByteArray withSeparators(int count) {
    QByteArray plain("title");
    for (int i = 1; i <= count; ++i) {
        plain += '|' + ("v" + QByteArray::number(i));
    }
    return core::Scramble(plain);
}

}  // namespace

class BadFiles : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        installLanguage();
    }
    // Logs bob in with this vault file as it is on disk.
    void loginWithVault(const QByteArray& bytes) {
        dir.makeUser(QStringLiteral("bob"), "pass");
        dir.write(QStringLiteral("users/bob/passwords.dat"), bytes);
        QFile::remove(dir.path("users/bob/passwords.dat.bak"));
        loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    }
    QByteArray userFile(const char* name) const {
        return dir.read(QStringLiteral("users/bob/") + QLatin1String(name));
    }
};

TEST_F(BadFiles, DamagedVaultsOpenAndCloseWritesBackTheSameLines) {
    const std::pair<const char*, QByteArray> vaults[] = {
        {"binary junk", junk(300000, 11, false)},
        {"binary junk with NULs", junk(300000, 12, true)},
        {"empty", QByteArray()},
        {"one 5 MB line", QByteArray(5 * 1024 * 1024, 'x')},
        {"only CRs", QByteArray(500, '\r')},
        {"NUL in the middle",
         crlf({core::Scramble("a|u|p")}) + QByteArray("\0", 1) + crlf({core::Scramble("b|u|p")})},
        {"0, 8, 9 and 200 separators",
         crlf({withSeparators(0), withSeparators(8), withSeparators(9), withSeparators(200)})},
    };
    for (const auto& [what, bytes] : vaults) {
        SCOPED_TRACE(what);
        const core::LineList lines = platform::parseTextLines(bytes);
        QElapsedTimer timer;
        timer.start();
        loginWithVault(bytes);
        ASSERT_TRUE(form->loggedIn());
        EXPECT_EQ(form->session().entries(), lines);
        EXPECT_EQ(form->ui.ListModel->rowCount(), lines.size());
        EXPECT_EQ(form->CategoryNode(0)->text(0),
                  QStringLiteral("All Passwords (%1)").arg(lines.size()));
        // The window works: sorting by each column, the search, the masked view.
        for (int c = 0; c < 9; ++c) {
            form->ListView1ColumnClick(c);
        }
        form->ui.EditSearch->setFocus();
        type(form->ui.EditSearch, QStringLiteral("t"));
        form->MHidePasswordsClick();
        form->MHidePasswordsClick();
        EXPECT_TRUE(closeMain());
        EXPECT_LT(timer.elapsed(), 20000);
        EXPECT_EQ(platform::parseTextLines(userFile("passwords.dat")), lines);
        EXPECT_EQ(userFile("passwords.dat"), platform::joinTextLines(lines));
        if (!lines.isEmpty() && !bytes.contains('\0')) {
            EXPECT_EQ(userFile("passwords.dat.bak"), platform::joinTextLines(lines));
        }
        EXPECT_TRUE(ui.errors().isEmpty());
    }
}

TEST_F(BadFiles, RowsOfOddShapeCanBeEditedAndDeleted) {
    loginWithVault(
        crlf({withSeparators(0), withSeparators(8), withSeparators(9), withSeparators(200)}));
    ASSERT_EQ(form->ui.ListModel->rowCount(), 4);
    // The 200-separator row: the edit keeps its nine fields and drops the rest.
    form->ListView1ColumnClick(8);  // Software Serial: "", v8, v8, v8
    selectRows({3});
    ui.answerModal([&](QDialog* d) {
        auto* e = static_cast<TFormEdit*>(d);
        EXPECT_EQ(e->EditSoftwareSerial->text(), QStringLiteral("v8"));
        click(e->ButtonOk);
    });
    form->ui.AEdit->trigger();
    // The row without separators has no title: all of it is the login.
    selectRows({0});
    ui.answerQuestion(true);
    form->ui.ADelete->trigger();
    EXPECT_EQ(form->session().entries().size(), 3);
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(platform::parseTextLines(userFile("passwords.dat")).size(), 3);
}

TEST_F(BadFiles, JunkListFileLoadsAndSavesAsTheSameLines) {
    openUser({"a|u|p"});
    const QByteArray bytes = junk(200000, 13, false);
    dir.write(QStringLiteral("junk.dat"), bytes);
    ui.answerOpenFile(dir.path("junk.dat"));
    form->ui.ALoad->trigger();
    const core::LineList lines = platform::parseTextLines(bytes);
    EXPECT_EQ(form->session().entries(), lines);
    ui.answerSaveFile(dir.path("again.dat"));
    form->ui.ASave->trigger();
    EXPECT_EQ(dir.read("again.dat"), platform::joinTextLines(lines));
    EXPECT_TRUE(ui.errors().isEmpty());
}

TEST_F(BadFiles, JunkCategoryFileGivesATreeAndIsWrittenBackWhole) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p"});
    const QByteArray bytes = junk(50000, 14, false) + "\r\n\r\n" + QByteArray(100000, 'c');
    dir.write(QStringLiteral("users/bob/categories.dat"), bytes);
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    core::LineList names = platform::parseTextLines(bytes);
    EXPECT_EQ(form->ui.TreeViewCat->topLevelItem(0)->childCount(), names.size());
    for (int k = 1; k <= 5 && k <= names.size(); ++k) {
        clickNode(k);
    }
    EXPECT_TRUE(closeMain());
    core::LineList back = platform::parseTextLines(userFile("categories.dat"));
    std::sort(names.begin(), names.end());
    std::sort(back.begin(), back.end());
    EXPECT_EQ(back, names);
}

TEST_F(BadFiles, FontSizesOutOfRangeFallBackToEightAndAreWrittenAsEight) {
    for (const char* size : {"0", "-5", "100000"}) {
        SCOPED_TRACE(size);
        dir.makeUser(QStringLiteral("bob"), "pass");
        dir.write(QStringLiteral("users/bob/settings.dat"),
                  QByteArray("[Options]\r\nFont Size=") + size + "\r\n");
        loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
        ASSERT_TRUE(form->loggedIn());
        EXPECT_EQ(form->ui.ListView1->font().pointSize(), 8);
        EXPECT_TRUE(closeMain());
        EXPECT_TRUE(userFile("settings.dat").contains("\r\nFont Size=8\r\n"));
    }
}

TEST_F(BadFiles, SettingsFileThatIsAFolderReadsAsDefaultsAndIsReported) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p"});
    dir.mkdir(QStringLiteral("users/bob/settings.dat"));
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    EXPECT_FALSE(form->session().settings().key);
    EXPECT_EQ(form->ui.ListView1->font().pointSize(), 8);
    EXPECT_FALSE(closeMain());
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Unable to write to ") +
                                       dir.path("users/bob/settings.dat")});
    EXPECT_TRUE(form->isVisible());
    QDir().rmdir(dir.path("users/bob/settings.dat"));
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(userFile("settings.dat").startsWith("[Options]\r\nKey=0\r\n"));
}

TEST_F(BadFiles, DamagedProgramSettingsStillStartAndCloseCleanly) {
    const std::pair<const char*, QByteArray> files[] = {
        {"binary junk", junk(100000, 15, true)},
        {"no section", "Users=1\r\nUser 1=bob\r\nLanguage=Russian\r\n"},
        {"duplicates",
         "[Options]\r\nUsers=1\r\nUser 1=bob\r\n[options]\r\nUsers=7\r\nUser 1=x\r\n"},
        {"no equals signs", "[Options]\r\nUsers\r\nLanguage\r\n"},
        {"huge values", "[Options]\r\nLanguage=" + QByteArray(5000, 'E') + "\r\n"},
        {"odd letter case", "[OPTIONS]\r\nusers=1\r\nuSER 1=bob\r\nLANGUAGE=English\r\n"},
        {"huge user count", "[Options]\r\nUsers=2147483647\r\nUser 1=bob\r\n"},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        dir.write(QStringLiteral("vorrel.ini"), bytes);
        dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p"});
        QElapsedTimer timer;
        timer.start();
        loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
        ASSERT_TRUE(form->loggedIn());
        EXPECT_LE(form->Settings.users.size(), core::kMaxUsers);
        EXPECT_EQ(form->ui.ListModel->rowCount(), 1);
        EXPECT_TRUE(closeMain());
        EXPECT_LT(timer.elapsed(), 20000);
        // Read again, the written file gives the same users and language.
        const core::ProgramSettings back = core::readProgramSettings(dir.path("vorrel.ini"));
        EXPECT_EQ(back.users, form->Settings.users);
        EXPECT_EQ(back.language, form->Settings.language);
    }
    // The count stays as the file holds it and cannot overflow; the new user
    // goes after every name the file may hold.
    newUser(QStringLiteral("ann"), QStringLiteral("pw12"));
    ASSERT_TRUE(form->loggedIn());
    EXPECT_EQ(form->Settings.usersCount, 2147483647);
    EXPECT_EQ(form->Settings.users.last(), QStringLiteral("ann"));
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("vorrel.ini").contains("\r\nUser 2147483648=ann\r\n"));
}

TEST_F(BadFiles, DamagedLanguageFilesSetWhatTheyCanAndChangeNothingElse) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p"});
    dir.write(QStringLiteral("language/English.ini"),
              "MFile->Caption=outside any section\r\n"
              "[interface]\r\n"
              "mfile->caption=Fichier\r\n"
              "MFile->Caption=second\r\n"
              "AAdd->Caption\r\n"
              "StringAllPasswords=" +
                  QByteArray(3000, 'A') +
                  "\r\n"
                  "MData->Caption=\xff\xfe\r\n"
                  "[Interface]\r\n"
                  "MList->Caption=second section\r\n");
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    EXPECT_EQ(form->ui.MFile->title(), QStringLiteral("Fichier"));
    EXPECT_EQ(form->ui.AAdd->text(), QStringLiteral("&Add"));
    EXPECT_EQ(form->ui.MList->title(), QStringLiteral("List"));
    EXPECT_EQ(form->ui.MData->title(), QString::fromUtf8("\u00ff\u00fe"));
    EXPECT_EQ(form->texts.StringAllPasswords.size(), 2047);
    EXPECT_TRUE(form->CategoryNode(0)->text(0).endsWith(QStringLiteral(" (1)")));
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/categories.dat"), QByteArray());
}

TEST_F(BadFiles, LanguageFileThatIsAFolderOrJunkLeavesTheProgramUsable) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p"});
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        QFile::remove(dir.path("language/English.ini"));
        QDir().rmdir(dir.path("language/English.ini"));
        if (round == 0) {
            dir.mkdir(QStringLiteral("language/English.ini"));
        } else {
            dir.write(QStringLiteral("language/English.ini"), junk(100000, 16, true));
        }
        loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
        ASSERT_TRUE(form->loggedIn());
        EXPECT_EQ(form->ui.MFile->title(), QStringLiteral("File"));
        // The commands that reload the language still run.
        ui.answerModal([](QDialog* d) { click(static_cast<TFormAdd*>(d)->ButtonCancel); });
        form->ui.AAdd->trigger();
        form->ui.MLangEnglish->trigger();
        EXPECT_TRUE(ui.errors().isEmpty());
        EXPECT_TRUE(closeMain());
        EXPECT_EQ(userFile("passwords.dat"), crlf({core::Scramble("a|u|p")}));
    }
}

TEST_F(BadFiles, ManyCategoriesAreCountedAtLogin) {
    platform::returnLargeBuffersToTheSystem();  // as the program's start does
    QList<QByteArray> names;
    QList<QByteArray> plain;
    for (int k = 0; k < 1200; ++k) {
        names << "C" + QByteArray::number(k);
        plain << "t|u|p|C" + QByteArray::number(k);
    }
    dir.makeUser(QStringLiteral("bob"), "pass", plain, names);
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    ASSERT_EQ(form->ui.TreeViewCat->topLevelItem(0)->childCount(), 1200);
    // "C1" is also part of C10-C19, C100-C199 and C1000-C1199: 311 lines.
    EXPECT_EQ(form->CategoryNode(2)->text(0), QStringLiteral("C1 (311)"));
    EXPECT_EQ(form->CategoryNode(1200)->text(0), QStringLiteral("C1199 (1)"));
    EXPECT_TRUE(closeMain());
}
