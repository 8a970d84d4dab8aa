// Another program or a sync tool replaces the user's files while the window
// is open: the next write merges, nothing of either side is lost.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
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
        form->ui.AAdd->trigger();
    }
    QStringList nodes() const {
        QStringList texts;
        QTreeWidgetItem* root = form->ui.TreeViewCat->topLevelItem(0);
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
    EXPECT_EQ(form->ui.StatusPanels[2]->text(),
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

// Another program encrypts the vault and adds an entry while this window,
// compatible, holds one of its own: nothing is written until the passphrase
// is given, no compatible copy lands beside the encrypted vault, the status
// bar tells (no box pops up), and then the window goes on encrypted with
// both entries.
TEST_F(MergeWindow, AVaultEncryptedElsewhereIsOpenedAgainWithItsPassphraseAndBothSidesKept) {
    openUser({"Old|a|p|Work|||||", "Unsaved|me|p|Work|||||"}, {"Work"});
    form->session().deleteEntries({1});  // not saved yet
    ASSERT_TRUE(core::encryptUserFiles(paths(), "one passphrase", std::nullopt));
    {
        const auto other = otherProgram("one passphrase");
        other->readCategories();
        other->saveVault(other->loadVault() << core::Scramble("FromLaptop|a|p|Work|||||"));
    }
    const auto dataFiles = [&] {
        QByteArrayList files;
        for (const char* name : {"passwords.dat", "categories.dat", "bob.dat"}) {
            files << dir.read(QStringLiteral("users/bob/") + QLatin1String(name));
        }
        return files;
    };
    const QByteArrayList encrypted = dataFiles();
    for (int round = 0; round < 2; ++round) {
        form->session().watch().changed();
        form->session().watch().settle();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->session().watch().pending(); }));
    }
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join('\n').toStdString();
    EXPECT_EQ(form->ui.StatusPanels[2]->text(), form->texts.Files.changedElsewhereStatus);
    // Cancelled at a command and at the close: nothing starts, the window
    // stays open with its unsaved entry, nothing is written over.
    ui.answerInput(std::nullopt);
    form->ui.AAdd->trigger();
    ui.answerInput(std::nullopt);
    EXPECT_FALSE(closeMain());
    EXPECT_FALSE(form->session().encrypted());
    EXPECT_EQ(dataFiles(), encrypted);
    ui.clearShown();
    ui.answerInput(QStringLiteral("pass"));
    ui.answerInput(QStringLiteral("one passphrase"));
    add(QStringLiteral("FromDesk"));
    EXPECT_EQ(ui.messages(), QStringList{form->texts.StringWrongPassword});
    EXPECT_TRUE(form->session().encrypted());
    EXPECT_EQ(form->session().password(), "one passphrase");
    ASSERT_TRUE(closeMain());
    EXPECT_TRUE(QDir(dir.path(QStringLiteral("users/bob")))
                    .entryList({QStringLiteral("*-unsaved-*")})
                    .isEmpty());
    const auto again = otherProgram("one passphrase");
    again->readCategories();
    EXPECT_EQ(titles(again->loadVault(), true),
              (QList<QByteArray>{"FromDesk", "FromLaptop", "Old"}));
}

// The other way: this window encrypted, with a random key file; another
// program decrypts (dropping the key file). Change Password first opens the
// files as they are now and then writes a compatible password file, and the
// close keeps the dropped key file dropped: the user is not locked out.
TEST_F(MergeWindow, AVaultDecryptedElsewhereTakesThePasswordChangeAndKeepsTheKeyFileDropped) {
    openUser({"Old|a|p|Work|||||"}, {"Work"});
    encryptVault(QStringLiteral("passphrase12"));
    ui.answerSaveFile(dir.path("bob.vrx"));
    form->ui.MCreateKeyFile->trigger();
    ASSERT_TRUE(form->session().settings().key);
    {
        auto login = core::UserLogin::check(paths(), "passphrase12", core::FileTexts());
        ASSERT_TRUE(login && login->keyFileFits(dir.path("bob.vrx")));
        auto other = login->open();
        core::LineList names = other->readCategories();
        core::LineList lines = other->loadVault() << core::Scramble("FromLaptop|a|p|Work|||||");
        other->saveVault(lines);
        ASSERT_TRUE(other->convert("passphrase12", lines, names).store);
    }
    ui.clearShown();
    ui.answerInput(QStringLiteral("passphrase12"));  // opens the files as they are now
    ui.answerInput(QStringLiteral("newpass1"));      // the compatible rules
    form->ui.MChangePass->trigger();
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join('\n').toStdString();
    EXPECT_FALSE(form->session().encrypted());
    ASSERT_TRUE(closeMain());
    auto login = core::UserLogin::check(paths(), "newpass1", core::FileTexts());
    ASSERT_TRUE(login);
    EXPECT_FALSE(login->keyFileDue());
    EXPECT_EQ(titles(vaultPlain(QStringLiteral("bob"))), (QList<QByteArray>{"FromLaptop", "Old"}));
}

// A vault replaced by bytes this program cannot read, while the folder keeps
// changing (each copy kept beside it is itself a change): one message and at
// most one copy for the same bytes, the copy follows the list, and never a
// compatible copy beside an encrypted vault.
TEST_F(MergeWindow, AnUnreadableVaultIsToldOnceAndKeptAsideAtMostOnce) {
    openUser({"Old|a|p|Work|||||"}, {"Work"});
    form->session().setSettling({20, 200});
    const auto watchRounds = [&] {
        for (int round = 0; round < 3; ++round) {
            form->session().watch().changed();
            form->session().watch().settle();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !form->session().watch().pending(); }));
        }
    };
    const auto copies = [&] {
        return QDir(dir.path(QStringLiteral("users/bob")))
            .entryList({QStringLiteral("passwords-unsaved-*.dat")});
    };
    dir.makeUser(QStringLiteral("eve"), "pass", {"Eve|a|p|Work|||||"});
    ASSERT_TRUE(core::encryptUserFiles(core::UserPaths::of(dir.path(), QStringLiteral("eve")),
                                       "pass", std::nullopt));
    dir.write(QStringLiteral("users/bob/passwords.dat"),
              dir.read(QStringLiteral("users/eve/passwords.dat")));
    watchRounds();
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(copies().isEmpty());

    const QByteArray junk = testing_support::junk(300, 7, true);
    dir.write(QStringLiteral("users/bob/passwords.dat"), junk);
    watchRounds();
    add(QStringLiteral("FromDesk"));
    watchRounds();
    EXPECT_EQ(ui.messages().size(), 2) << ui.messages().join('\n').toStdString();
    ASSERT_EQ(copies().size(), 1);
    EXPECT_EQ(
        titles(platform::parseTextLines(dir.read(QStringLiteral("users/bob/") + copies().first())),
               true),
        (QList<QByteArray>{"FromDesk", "Old"}));
    EXPECT_EQ(form->ui.StatusPanels[2]->text(), form->texts.Files.unsaved);
    // The list is safe beside it: the program may end, the file stays.
    ASSERT_TRUE(closeMain());
    EXPECT_EQ(dir.read(QStringLiteral("users/bob/passwords.dat")), junk);
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
    ASSERT_TRUE(form->loggedIn());
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

// A lock that closes the question declines nothing: the copy is asked
// about again after the unlock. A copy this store cannot read is told once,
// not at every change. The question counts entries.
TEST_F(MergeWindow, OnlyTheUserDeclinesACopyAndAnUnreadableOneIsToldOnce) {
    openUser({"Old|a|p|Work|||||"}, {"Work"});
    const QString folder = QStringLiteral("users/bob/");
    const QString copy =
        folder + QStringLiteral("passwords.sync-conflict-20261209-101500-AAAAAAA.dat");
    dir.write(copy, platform::joinTextLines({core::Scramble("FromCopy|a|p|Work|||||")}));
    dir.makeUser(QStringLiteral("eve"), "pass", {"Eve|a|p|Work|||||"});
    ASSERT_TRUE(core::encryptUserFiles(core::UserPaths::of(dir.path(), QStringLiteral("eve")),
                                       "pass", std::nullopt));
    dir.write(folder + QStringLiteral("passwords.sync-conflict-20261209-101500-BBBBBBB.dat"),
              dir.read(QStringLiteral("users/eve/passwords.dat")));
    const auto watchRound = [&] {
        form->session().watch().changed();
        form->session().watch().settle();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->session().watch().pending(); }));
    };
    ui.whileOpen(QStringLiteral("question"), [&] { form->MLockClick(); });
    form->session().watch().changed();
    form->session().watch().settle();
    EXPECT_TRUE(form->locked());
    EXPECT_TRUE(dir.exists(copy));
    ui.answerInput(QStringLiteral("pass"));
    ui.answerQuestion(true);
    ASSERT_TRUE(form->PMUnlockClick());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dir.exists(copy + QStringLiteral(".merged")); }));
    watchRound();
    EXPECT_EQ(ui.texts(QStringLiteral("question")).size(), 2);
    EXPECT_TRUE(ui.texts(QStringLiteral("question"))
                    .last()
                    .contains(QStringLiteral("Add its 1 entry that yours lack?")));
    EXPECT_EQ(ui.errors().size(), 1) << ui.errors().join('\n').toStdString();
    EXPECT_TRUE(column(0).contains(QStringLiteral("FromCopy")));
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

TEST_F(MergeWindow, ChangesElsewhereAreTakenAtOnceButNeverBehindTheLock) {
    openUser({"Old|a|p|Work|||||"}, {"Work"});
    // The real watch reports a file replaced by rename.
    replaceByRename(QStringLiteral("passwords.dat"), {core::Scramble("Old|a|p|Work|||||"),
                                                      core::Scramble("FromLaptop|a|p|Home|||||")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->session().watch().pending(); }));
    replaceByRename(QStringLiteral("categories.dat"), {"Work", "Home"});
    const QMap<QString, QByteArray> before = dir.snapshot();
    form->session().watch().changed();
    form->session().watch().settle();
    // Taken once two reads apart agree that the files are whole.
    ASSERT_TRUE(QTest::qWaitFor([&] { return nodes() == QStringList{"Work (1)", "Home (1)"}; }));
    EXPECT_TRUE(column(0).contains(QStringLiteral("FromLaptop")));
    EXPECT_EQ(form->ui.StatusPanels[2]->text(),
              QStringLiteral("2 changes made elsewhere were merged in."));
    EXPECT_EQ(dir.snapshot(), before);  // taken in, nothing written

    // The window's own write is no change from elsewhere.
    add(QStringLiteral("FromDesk"));
    form->ui.StatusPanels[2]->clear();
    form->session().watch().changed();
    form->session().watch().settle();
    EXPECT_TRUE(form->ui.StatusPanels[2]->text().isEmpty());

    // Behind the lock nothing changes; the unlock takes it, and a new
    // conflict copy is offered.
    form->MLockClick();
    replaceByRename(QStringLiteral("passwords.dat"),
                    core::LineList(form->session().entries())
                        << core::Scramble("WhileLocked|a|p|Work|||||"));
    dir.write(QStringLiteral("users/bob/passwords.sync-conflict-20261208-101500-ABCDEFG.dat"),
              platform::joinTextLines({core::Scramble("FromCopy|a|p|Work|||||")}));
    form->session().watch().changed();
    form->session().watch().settle();
    EXPECT_EQ(form->session().entries().size(), 3);
    ui.answerInput(QStringLiteral("pass"));
    ui.answerQuestion(true);
    ASSERT_TRUE(form->PMUnlockClick());
    ASSERT_TRUE(QTest::qWaitFor([&] { return column(0).contains(QStringLiteral("FromCopy")); }));
    EXPECT_TRUE(column(0).contains(QStringLiteral("WhileLocked")));
    ASSERT_TRUE(closeMain());
    EXPECT_EQ(titles(vaultPlain(QStringLiteral("bob"))),
              (QList<QByteArray>{"FromCopy", "FromDesk", "FromLaptop", "Old", "WhileLocked"}));
}

TEST_F(MergeWindow, APasswordChangedOnAnotherComputerStaysChangedAndTheWindowGoesOn) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass", {"Old|a|p|Work|||||"}, {"Work"});
    ASSERT_TRUE(core::encryptUserFiles(paths(), "pass", std::nullopt));
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    otherProgram()->changePassword("changed elsewhere");
    add(QStringLiteral("FromDesk"));
    ui.answerInput(QStringLiteral("New"));
    form->ui.MCatNew->trigger();
    ASSERT_TRUE(closeMain());
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join('\n').toStdString();
    EXPECT_FALSE(core::UserLogin::check(paths(), "pass", core::FileTexts()));
    auto login = core::UserLogin::check(paths(), "changed elsewhere", core::FileTexts());
    ASSERT_TRUE(login);
    const auto store = login->open();
    EXPECT_EQ(store->readCategories(), (core::LineList{"New", "Work"}));
    EXPECT_EQ(titles(store->loadVault(), true), (QList<QByteArray>{"FromDesk", "Old"}));
}

TEST_F(MergeWindow, AnOlderEncryptedVaultPutBackIsNotTakenButAnOlderConflictCopyIs) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass", {"Old|a|p|Work|||||"}, {"Work"});
    ASSERT_TRUE(core::encryptUserFiles(paths(), "pass", std::nullopt));
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    QByteArray older;
    {
        // Another program adds an entry and deletes it again: the copy
        // between the two saves is an older one.
        const auto other = otherProgram();
        other->readCategories();
        const core::LineList lines = other->loadVault();
        other->saveVault(core::LineList(lines) << core::Scramble("OnlyInCopy|a|p|Work|||||"));
        older = dir.read(QStringLiteral("users/bob/passwords.dat"));
        other->saveVault(lines);
    }
    add(QStringLiteral("New"));
    // A sync tool restores the older version: deleting "New" would lose it.
    dir.write(QStringLiteral("users/bob/passwords.dat"), older);
    form->session().watch().changed();
    form->session().watch().settle();
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join('\n').toStdString();
    EXPECT_EQ(column(0), (QStringList{"New", "Old"}));
    // The same bytes as a conflict copy: offered, and its entry added.
    dir.write(QStringLiteral("users/bob/passwords.sync-conflict-20261208-101500-ABCDEFG.dat"),
              older);
    ui.answerQuestion(true);
    form->session().watch().changed();
    form->session().watch().settle();
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join('\n').toStdString();
    EXPECT_TRUE(ui.allAnswersUsed());
    ASSERT_TRUE(closeMain());
    auto login = core::UserLogin::check(paths(), "pass", core::FileTexts());
    const auto store = login->open();
    store->readCategories();
    EXPECT_EQ(titles(store->loadVault(), true), (QList<QByteArray>{"New", "Old", "OnlyInCopy"}));
}
