#include <QLabel>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FaultyFileSystem.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"

using testing_support::AppFixture;
using testing_support::crlf;

class ListCommands : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        installLanguage();
        dir.makeUser(QStringLiteral("bob"), "pass", {"b|u|p|Work", "a|u|p|Home"}, {"Work", "Home"});
        loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
        ASSERT_TRUE(form->loggedIn());
    }
    QByteArray atLogin() const {
        return crlf({core::Scramble("b|u|p|Work"), core::Scramble("a|u|p|Home")});
    }
};

TEST_F(ListCommands, LoginRefreshesTheBackup) {
    EXPECT_EQ(dir.read("users/bob/passwords.dat.bak"), atLogin());
}

TEST_F(ListCommands, ClearThenCloseWritesAnEmptyVaultAndKeepsTheBackup) {
    form->ui.AClear->trigger();
    EXPECT_EQ(form->ui.ListModel->rowCount(), 0);
    EXPECT_TRUE(form->session().entries().isEmpty());
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords: 0"));
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), QByteArray());
    EXPECT_EQ(dir.read("users/bob/passwords.dat.bak"), atLogin());
}

TEST_F(ListCommands, RestoreRightAfterLoginGivesTheVaultAsLoaded) {
    form->ui.AClear->trigger();
    form->ui.MRestore->trigger();
    EXPECT_EQ(form->ui.ListModel->rowCount(), 2);
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), atLogin());
}

TEST_F(ListCommands, SaveWritesTheScrambledLinesWhateverTheFilter) {
    ui.answerSaveFile(dir.path("out.txt"), 2);
    form->ui.ASave->trigger();
    ASSERT_EQ(ui.fileRequests.size(), 1);
    EXPECT_EQ(ui.fileRequests[0].initialDir, dir.path("users/bob"));
    EXPECT_EQ(ui.fileRequests[0].fileName, QStringLiteral("passwords.dat"));
    EXPECT_EQ(ui.fileRequests[0].filter,
              QStringLiteral("Passwords List (*.dat)|*.dat|Text Files (*.txt)|*.txt"));
    EXPECT_EQ(dir.read("out.txt"), atLogin());
    ui.answerSaveFile(std::nullopt);
    form->ui.ASave->trigger();
}

TEST_F(ListCommands, LoadReplacesTheListAndReachesTheVaultAtClose) {
    dir.write(QStringLiteral("other.dat"), crlf({core::Scramble("x|y|z")}) + "junk-no-cr");
    ui.answerOpenFile(dir.path("other.dat"));
    form->ui.ALoad->trigger();
    EXPECT_EQ(ui.fileRequests[0].fileName, QString());
    EXPECT_EQ(ui.fileRequests[0].filter,
              QStringLiteral(
                  "Passwords List (*.dat)|*.dat|Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    EXPECT_EQ(form->session().entries().size(), 2);
    EXPECT_EQ(form->ui.ListModel->rowCount(), 2);
    // The next open proposes the name chosen last.
    ui.answerOpenFile(std::nullopt);
    form->ui.ALoad->trigger();
    EXPECT_EQ(ui.fileRequests[1].fileName, dir.path("other.dat"));
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"),
              crlf({core::Scramble("x|y|z"), QByteArray("junk-no-cr")}));
}

TEST_F(ListCommands, UnreadableLoadOrRestoreKeepsTheListAndTheRows) {
    ui.answerOpenFile(dir.path("missing.dat"));
    form->ui.ALoad->trigger();
    EXPECT_EQ(ui.errors(),
              QStringList{QStringLiteral("Cannot open file ") + dir.path("missing.dat")});
    EXPECT_EQ(form->session().entries().size(), 2);
    EXPECT_EQ(form->ui.ListModel->rowCount(), 2);

    QFile::remove(dir.path("users/bob/passwords.dat.bak"));
    form->ui.MRestore->trigger();
    EXPECT_EQ(ui.errors().size(), 2);
    EXPECT_EQ(form->session().entries().size(), 2);

    // A readable list but an unreadable category file: nothing changes either.
    dir.write(QStringLiteral("other.dat"), crlf({core::Scramble("x|y|z")}));
    dir.write(QStringLiteral("users/bob/passwords.dat.bak"), crlf({core::Scramble("r|s|t")}));
    testing_support::FaultyFileSystem fs;
    fs.failRead(dir.path("users/bob/categories.dat"));
    clickNode(1);
    const QStringList tree = {form->CategoryNode(0)->text(0), form->CategoryNode(1)->text(0)};
    ui.answerOpenFile(dir.path("other.dat"));
    form->ui.ALoad->trigger();
    form->ui.MRestore->trigger();
    form->ui.AClear->trigger();
    EXPECT_EQ(ui.errors().size(), 5);
    EXPECT_EQ(ui.errors().last(),
              QStringLiteral("Cannot open file ") + dir.path("users/bob/categories.dat"));
    EXPECT_EQ(form->session().entries().size(), 2);
    EXPECT_EQ(column(0), QStringList{QStringLiteral("b")});
    EXPECT_EQ((QStringList{form->CategoryNode(0)->text(0), form->CategoryNode(1)->text(0)}), tree);
    EXPECT_EQ(form->SelectedNodeIndex(), 1);
    fs.heal();
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), atLogin());
}

TEST_F(ListCommands, CategoryMadeInTheTreeDisappearsOnClear) {
    ui.answerInput(QStringLiteral("Temp"));
    form->ui.MCatNew->trigger();
    EXPECT_EQ(form->session().categories().size(), 3);
    form->ui.AClear->trigger();
    EXPECT_EQ(form->session().categories().size(), 2);
    EXPECT_EQ(form->ui.TreeViewCat->topLevelItem(0)->childCount(), 2);
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Home", "Work"}));
}

TEST_F(ListCommands, CategoriesAreWrittenSortedIgnoringCase) {
    for (const char* name : {"beta", "Alpha", "gamma"}) {
        ui.answerInput(QString::fromLatin1(name));
        form->ui.MCatNew->trigger();
    }
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/bob/categories.dat"),
              crlf({"Alpha", "beta", "gamma", "Home", "Work"}));
}

class EmptyVault : public AppFixture {};

TEST_F(EmptyVault, NoBackupAndRootShowsZero) {
    installLanguage();
    dir.makeUser(QStringLiteral("ann"), "pass");
    loginAs(QStringLiteral("ann"), QStringLiteral("pass"));
    EXPECT_TRUE(form->session().entries().isEmpty());
    EXPECT_FALSE(dir.exists(QStringLiteral("users/ann/passwords.dat.bak")));
    EXPECT_EQ(form->ui.TreeViewCat->topLevelItem(0)->text(0), QStringLiteral("All Passwords (0)"));
}

TEST_F(EmptyVault, LastLineWithoutLineEndIsLoadedAndSavedWithOne) {
    dir.makeUser(QStringLiteral("ann"), "pass");
    dir.write(QStringLiteral("users/ann/passwords.dat"),
              core::Scramble("a|b|c") + "\n" + core::Scramble("d|e|f"));
    loginAs(QStringLiteral("ann"), QStringLiteral("pass"));
    EXPECT_EQ(form->session().entries().size(), 2);
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(dir.read("users/ann/passwords.dat"),
              crlf({core::Scramble("a|b|c"), core::Scramble("d|e|f")}));
}
