// Another program or a sync tool replaces the user's files while the window
// is open: the next write merges, nothing of either side is lost.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

#include "AppFixture.h"
#include "core/EncryptedVault.h"
#include "core/PasswordEntry.h"
#include "core/Settings.h"
#include "core/UserStore.h"
#include "core/VaultCrypto.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/ListView.h"
#include "platform/Errors.h"
#include "platform/TextList.h"

using testing_support::AppFixture;

class MergeWindow : public AppFixture {
protected:
    testing_support::CheapKeyDerivation cheap;
    core::UserPaths paths() const { return core::UserPaths::of(dir.path(), QStringLiteral("bob")); }
    // A second program logged in as bob, as a sync tool would bring its work.
    std::unique_ptr<core::UserStore> otherProgram(const QByteArray& password = "pass") {
        auto login = core::UserLogin::check(paths(), password, core::FileTexts());
        return login ? login->open() : nullptr;
    }
    // Written beside, then renamed over the file, as sync tools do.
    void replaceByRename(const QString& file, const core::LineList& lines) {
        const QString target = QStringLiteral("users/bob/") + file;
        dir.write(target + QStringLiteral(".sync"), platform::joinTextLines(lines));
        ASSERT_EQ(std::rename(QFile::encodeName(dir.path(target + QStringLiteral(".sync"))),
                              QFile::encodeName(dir.path(target))),
                  0);
    }
    void add(const QString& title) {
        ui.answerModal([&](QDialog* d) {
            auto* add = static_cast<TFormAdd*>(d);
            add->EditName->setText(title);
            add->EditLogin->setText(QStringLiteral("me"));
            add->ComboBoxCat->setCurrentIndex(0);
            click(add->ButtonOk);
        });
        form->AAdd->trigger();
    }
    QStringList nodes() const {
        QStringList texts;
        QTreeWidgetItem* root = form->TreeViewCat->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i) {
            texts << root->child(i)->text(0);
        }
        return texts;
    }
    // Sorted titles of plain lines, or of stored (scrambled) ones.
    QList<QByteArray> titles(const core::LineList& lines, bool stored = false) const {
        QList<QByteArray> t;
        for (const QByteArray& line : lines) {
            t << (stored ? core::Scramble(line) : line).split('|').first();
        }
        std::sort(t.begin(), t.end());
        return t;
    }
};

TEST_F(MergeWindow, FilesReplacedByRenameWhileOpenKeepBothSidesAndTheViewShowsThem) {
    openUser({"Old|a|p|Work|||||", "Gone|a|p|Work|||||"}, {"Work"});
    replaceByRename(QStringLiteral("passwords.dat"), {core::Scramble("Old|a|p|Work|||||"),
                                                      core::Scramble("FromLaptop|a|p|Home|||||")});
    replaceByRename(QStringLiteral("categories.dat"), {"Work", "Home"});
    add(QStringLiteral("FromDesk"));
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join('\n').toStdString();
    // The vault's write found two changes: Gone deleted, FromLaptop added.
    EXPECT_EQ(form->StatusPanels[2]->text(),
              QStringLiteral("2 changes made elsewhere were merged in."));
    EXPECT_EQ(nodes(), (QStringList{"Work (2)", "Home (1)"}));
    clickNode(0);
    EXPECT_TRUE(column(0).contains(QStringLiteral("FromLaptop")));
    ASSERT_TRUE(closeMain());
    const QList<QByteArray> vault = vaultPlain(QStringLiteral("bob"));
    EXPECT_EQ(titles(vault), (QList<QByteArray>{"FromDesk", "FromLaptop", "Old"}));
    EXPECT_EQ(platform::parseTextLines(dir.read(QStringLiteral("users/bob/categories.dat"))),
              (core::LineList{"Home", "Work"}));
}

TEST_F(MergeWindow, AnEncryptedVaultMergesItsDecryptedLinesWithAnotherProgramsAdd) {
    openUser({"Old|a|p|Work|||||"}, {"Work"});
    encryptVault(QStringLiteral("one passphrase"));
    ui.clearShown();
    const auto other = otherProgram("one passphrase");
    ASSERT_TRUE(other);
    other->readCategories();
    other->saveVault(other->loadVault() << core::Scramble("FromLaptop|a|p|Work|||||"));
    other->writeCategories({"Work", "Laptop"});
    add(QStringLiteral("FromDesk"));
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join('\n').toStdString();
    ASSERT_TRUE(closeMain());
    const auto again = otherProgram("one passphrase");
    again->readCategories();
    EXPECT_EQ(titles(again->loadVault(), true),
              (QList<QByteArray>{"FromDesk", "FromLaptop", "Old"}));
    EXPECT_EQ(again->readCategories(), (core::LineList{"Laptop", "Work"}));
}

TEST_F(MergeWindow, AVaultEncryptedElsewhereIsNotWrittenOverAndTheListIsKeptBeside) {
    openUser({"Old|a|p|Work|||||"}, {"Work"});
    ASSERT_TRUE(core::encryptUserFiles(paths(), "pass", std::nullopt));
    const QByteArray encrypted = dir.read(QStringLiteral("users/bob/passwords.dat"));
    form->PasswordList << core::Scramble("FromDesk|me|p|Work|||||");
    try {
        form->SavePasswords();
        ADD_FAILURE() << "written over";
    } catch (const platform::PlatformError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("log in again")));
    }
    // The close is not stopped a second time; the vault stays as the other program wrote it.
    ASSERT_TRUE(closeMain());
    EXPECT_EQ(dir.read(QStringLiteral("users/bob/passwords.dat")), encrypted);
    const QStringList kept = QDir(dir.path(QStringLiteral("users/bob")))
                                 .entryList({QStringLiteral("passwords-unsaved-*.dat")});
    ASSERT_FALSE(kept.isEmpty());
    const core::LineList first =
        platform::parseTextLines(dir.read(QStringLiteral("users/bob/") + kept.first()));
    EXPECT_EQ(titles(first, true), (QList<QByteArray>{"FromDesk", "Old"}));
}

TEST_F(MergeWindow, ConflictCopiesOfEachToolAreOfferedAddedOrDeclinedAndKeptRenamed) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass", {"Old|a|p|Work|||||"}, {"Work"});
    const auto stored = [](const char* plain) {
        return platform::joinTextLines(
            {core::Scramble(plain), core::Scramble("Old|a|p|Work|||||")});
    };
    const QString folder = QStringLiteral("users/bob/");
    dir.write(folder + QStringLiteral("categories (conflicted copy 2026-12-08 101500).dat"),
              "Work\r\nBank\r\n");
    dir.write(folder + QStringLiteral("passwords (Alice's conflicted copy 2026-12-08).dat"),
              stored("FromDropbox|a|p|Bank|||||"));
    dir.write(folder + QStringLiteral("passwords (conflicted copy 2026-12-08 101500).dat"),
              stored("FromNextcloud|a|p|Bank|||||"));
    // Nothing the vault lacks: no question.
    dir.write(folder + QStringLiteral("passwords.sync-conflict-20261208-101500-ABCDEFG.dat"),
              platform::joinTextLines({core::Scramble("Old|a|p|Work|||||")}));
    ui.answerQuestion(true);   // categories: Bank
    ui.answerQuestion(false);  // Dropbox
    ui.answerQuestion(true);   // Nextcloud
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->LoggedIn);
    EXPECT_TRUE(ui.unexpected.isEmpty()) << ui.unexpected.join('\n').toStdString();
    EXPECT_EQ(titles(vaultPlain(QStringLiteral("bob"))),
              (QList<QByteArray>{"FromNextcloud", "Old"}));
    EXPECT_EQ(nodes(), (QStringList{"Work (1)", "Bank (1)"}));
    EXPECT_EQ(QDir(dir.path(folder))
                  .entryList({QStringLiteral("*.merged"), QStringLiteral("*.declined")},
                             QDir::Files, QDir::Name),
              (QStringList{"categories (conflicted copy 2026-12-08 101500).dat.merged",
                           "passwords (Alice's conflicted copy 2026-12-08).dat.declined",
                           "passwords (conflicted copy 2026-12-08 101500).dat.merged",
                           "passwords.sync-conflict-20261208-101500-ABCDEFG.dat.merged"}));
}

TEST_F(MergeWindow, UsersAnotherProgramAddedAreKeptInTheProgramSettingsAtClose) {
    openUser({});
    // As read at start: bob, whose folder exists, and dave, whose does not.
    form->Settings.users = {QStringLiteral("bob"), QStringLiteral("dave")};
    form->Settings.usersRead = 2;
    form->Settings.usersCount = 2;
    // Another program wrote the list meanwhile: carol only, in Russian.
    core::ProgramSettings other;
    other.users = {QStringLiteral("carol")};
    other.usersCount = 1;
    other.language = QStringLiteral("Russian");
    core::writeProgramSettings(form->ProgramSettingsPath(), other);
    ASSERT_TRUE(closeMain());
    const core::ProgramSettings s = core::readProgramSettings(form->ProgramSettingsPath());
    EXPECT_EQ(s.users, (QStringList{"carol", "bob"}));
    EXPECT_EQ(s.usersCount, 2);
    EXPECT_EQ(s.language, QStringLiteral("English"));  // the last writer's
}
