// The logged-in user's session without a window: what each operation leaves
// in memory and on disk, against another program changing the same files.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <algorithm>

#include "FaultyFileSystem.h"
#include "TestDir.h"
#include "core/PasswordEntry.h"
#include "core/VaultCrypto.h"
#include "platform/Errors.h"
#include "session/Accounts.h"
#include "session/UserSession.h"

using testing_support::TestDir;

namespace {

core::PasswordEntry entry(const QByteArray& plain) {
    return core::SplitRecord(plain);
}

QByteArray stored(const QByteArray& title) {
    return core::Scramble(title + "|a|p|Work|||||");
}

}  // namespace

class UserSessionTest : public ::testing::Test {
protected:
    void SetUp() override { core::crypto::setNewFileKdfParams(core::crypto::KdfParams{1, 8192}); }
    void TearDown() override { core::crypto::setNewFileKdfParams(std::nullopt); }

    TestDir dir;
    session::Accounts accounts{dir.path()};
    session::UserSession session;

    void open(const QByteArray& password = "pass") {
        auto login = accounts.check(QStringLiteral("bob"), password, core::FileTexts());
        ASSERT_TRUE(login);
        session.open(login->open(), QStringLiteral("bob"), password,
                     [](const QString&) { return false; });
    }
    // A second program logged in as bob.
    std::unique_ptr<core::UserStore> other(const QByteArray& password = "pass") {
        auto store = accounts.check(QStringLiteral("bob"), password, core::FileTexts())->open();
        store->readCategories();
        return store;
    }
    QList<QByteArray> titles(const core::LineList& lines) const {
        QList<QByteArray> t;
        for (const QByteArray& line : lines) {
            t << core::Scramble(line).split('|').first();
        }
        std::sort(t.begin(), t.end());
        return t;
    }
};

// New User makes the folder and its three files, private; a file that
// cannot be written takes back all of it, so the name stays free.
TEST_F(UserSessionTest, NewUserIsMadeWholeOrNotAtAll) {
    {
        testing_support::FaultyFileSystem fs;
        fs.failWrite(dir.path("users/carol/categories.dat"));
        EXPECT_THROW(accounts.create(QStringLiteral("carol"), "pw12"), platform::PlatformError);
        EXPECT_FALSE(dir.exists(QStringLiteral("users/carol")));
    }
    EXPECT_EQ(accounts.create(QStringLiteral("carol"), "pw12"), session::Accounts::Created::Done);
    EXPECT_EQ(accounts.create(QStringLiteral("carol"), "pw12"), session::Accounts::Created::Exists);
    EXPECT_EQ(accounts.create(QStringLiteral("no-dash"), "pw12"),
              session::Accounts::Created::InvalidName);
    EXPECT_EQ(QFileInfo(dir.path("users/carol")).permissions() & 0x0077, QFile::Permissions());
    EXPECT_TRUE(accounts.check(QStringLiteral("carol"), "pw12", core::FileTexts()));
    EXPECT_FALSE(accounts.encrypted(QStringLiteral("carol")));
}

// A write that fails leaves the lists as they were and keeps the other
// program's change for the retry, which writes both.
TEST_F(UserSessionTest, AFailedWriteKeepsTheListsAndTheRetryWritesBothSides) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"A|a|p|Work|||||"}, {"Work"});
    open();
    {
        auto o = other();
        o->saveVault(o->loadVault() << stored("Laptop"));
    }
    {
        testing_support::FaultyFileSystem fs;
        fs.failWrite(dir.path("users/bob/passwords.dat"));
        EXPECT_THROW(session.addEntry(entry("Desk|a|p|Work")), platform::PlatformError);
        EXPECT_EQ(titles(session.entries()), (QList<QByteArray>{"A"}));
        EXPECT_TRUE(session.unsaved());
    }
    session.addEntry(entry("Desk|a|p|Work"));
    EXPECT_FALSE(session.unsaved());
    EXPECT_EQ(titles(other()->loadVault()), (QList<QByteArray>{"A", "Desk", "Laptop"}));
}

// Each kind of change here against another program's change meanwhile, in
// both formats: the close keeps both sides.
enum MergeCase {
    AddAdd,
    AddDelete,
    DeleteDelete,
    EditEdit,
    ClearAdd,
    CatAdd,
    CatRename,
    CatDelete
};

class SessionMerge : public UserSessionTest,
                     public testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(SessionMerge, BothSidesChangesSurviveTheClose) {
    const auto [c, encrypted] = GetParam();
    dir.makeUser(QStringLiteral("bob"), "pass", {"A|a|p|Work|||||", "B|a|p|Work|||||"}, {"Work"});
    if (encrypted) {
        ASSERT_TRUE(
            core::encryptUserFiles(accounts.paths(QStringLiteral("bob")), "pass", std::nullopt));
    }
    open();
    {
        const auto o = other();
        core::LineList names = o->readCategories();
        core::LineList lines = o->loadVault();
        if (c == DeleteDelete) {
            lines.removeAll(stored("A"));
        } else if (c == EditEdit) {
            lines.replace(lines.indexOf(stored("A")), stored("A1"));
        } else {
            lines << stored("Laptop");
            if (c == CatRename || c == CatDelete) {
                names << "Bank";
            }
        }
        o->saveVault(lines);
        o->writeCategories(names);
    }
    const int a = int(session.entries().indexOf(stored("A")));
    switch (c) {
        case AddAdd:
            session.addEntry(entry("Desk|a|p|Work"));
            break;
        case AddDelete:
        case DeleteDelete:
            session.deleteEntries({a});
            break;
        case EditEdit:
            session.replaceEntry(a, entry("A2|a|p|Work"));
            break;
        case ClearAdd:
            session.clear();
            break;
        case CatAdd:
            session.addCategory("Home");
            break;
        case CatRename:
            session.renameCategory(0, "Job");
            break;
        default:
            session.deleteCategory(0);
            break;
    }
    session.saveAll();
    const QList<QList<QByteArray>> titlesAfter = {{"A", "B", "Desk", "Laptop"},
                                                  {"B", "Laptop"},
                                                  {"B"},
                                                  {"A1", "A2", "B"},
                                                  {"Laptop"},
                                                  {"A", "B", "Laptop"},
                                                  {"A", "B", "Laptop"},
                                                  {"A", "B", "Laptop"}};
    const QList<core::LineList> namesAfter = {{"Work"},        {"Work"}, {"Work"},
                                              {"Work"},        {"Work"}, {"Home", "Work"},
                                              {"Bank", "Job"}, {"Bank"}};
    const auto after = other();
    core::LineList names = after->readCategories();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(titles(after->loadVault()), titlesAfter[c]);
    EXPECT_EQ(names, namesAfter[c]);
}

std::string mergeCaseName(const testing::TestParamInfo<std::tuple<int, bool>>& p) {
    static const char* const names[] = {"AddAdd",   "AddDelete", "DeleteDelete", "EditEdit",
                                        "ClearAdd", "CatAdd",    "CatRename",    "CatDelete"};
    return std::string(names[std::get<0>(p.param)]) +
           (std::get<1>(p.param) ? "Encrypted" : "Compatible");
}

INSTANTIATE_TEST_SUITE_P(EachCaseBothFormats, SessionMerge,
                         testing::Combine(testing::Range(0, 8), testing::Bool()), mergeCaseName);

// The backup is refreshed only when asked (the window asks once it shows),
// and at the latest before Restore reads it or the close writes the vault.
TEST_F(UserSessionTest, TheBackupWaitsForTheWindowButNeverForRestoreOrTheClose) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"A|a|p|Work|||||"}, {"Work"});
    dir.write(QStringLiteral("users/bob/passwords.dat.bak"), "old\r\n");
    open();
    EXPECT_TRUE(session.backupDue());
    EXPECT_EQ(dir.read(QStringLiteral("users/bob/passwords.dat.bak")), QByteArray("old\r\n"));
    session.addEntry(entry("B|a|p|Work"));
    session.restore();
    EXPECT_EQ(titles(session.entries()), (QList<QByteArray>{"A"}));
    EXPECT_FALSE(session.backupDue());
}

// Locked, an encrypted vault is only on disk; the unlock asks the password
// file again and reads what changed meanwhile, the backup left as the login
// wrote it. What cannot be written at the
// lock stays in memory rather than being lost. A compatible user's files
// stay open, but the password goes.
TEST_F(UserSessionTest, ALockedEncryptedVaultIsOnlyOnDiskUnlessItCouldNotBeWritten) {
    dir.makeUser(QStringLiteral("bob"), "pass", {"A|a|p|Work|||||"}, {"Work"});
    ASSERT_TRUE(
        core::encryptUserFiles(accounts.paths(QStringLiteral("bob")), "pass", std::nullopt));
    open();
    const auto noKeyFile = [](core::UserLogin&) { return false; };
    session.lock();
    EXPECT_FALSE(session.isOpen());
    EXPECT_TRUE(session.entries().isEmpty() && session.password().isEmpty());
    {
        auto o = other();
        o->saveVault(o->loadVault() << stored("Laptop"));
    }
    EXPECT_FALSE(session.unlock(QStringLiteral("wrong"), noKeyFile));
    ASSERT_TRUE(session.unlock(QStringLiteral("pass"), noKeyFile));
    EXPECT_EQ(titles(session.entries()), (QList<QByteArray>{"A", "Laptop"}));
    EXPECT_FALSE(session.unchangedWhileLocked());
    session.restore();  // the backup is still the login's
    EXPECT_EQ(titles(session.entries()), (QList<QByteArray>{"A"}));

    testing_support::FaultyFileSystem fs;
    fs.failWrite(dir.path("users/bob/passwords.dat"));
    EXPECT_THROW(session.addEntry(entry("Desk|a|p|Work")), platform::PlatformError);
    session.lock();
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(titles(session.entries()), (QList<QByteArray>{"A"}));
    EXPECT_TRUE(session.unsaved());
}

TEST_F(UserSessionTest, ALockedCompatibleUserKeepsTheFilesButNotThePassword) {
    dir.makeUser(QStringLiteral("bob"), "1234", {"A|a|p|Work|||||"}, {"Work"});
    open("1234");
    session.lock();
    EXPECT_TRUE(session.isOpen());
    EXPECT_FALSE(session.passwordIs(QStringLiteral("1234")));
    EXPECT_FALSE(session.unlock(QStringLiteral("1235"), nullptr));
    EXPECT_TRUE(session.unlock(QStringLiteral("1234"), nullptr));
    EXPECT_TRUE(session.passwordIs(QStringLiteral("1234")));
}
