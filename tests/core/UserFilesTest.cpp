#include <gtest/gtest.h>

#include <random>

#include "FaultyFileSystem.h"
#include "TestDir.h"
#include "core/PasswordEntry.h"
#include "core/UserFiles.h"
#include "platform/Errors.h"

using core::LineList;
using core::Scramble;
using testing_support::crlf;
using testing_support::TestDir;

namespace {
LineList stored(std::initializer_list<const char*> plain) {
    LineList out;
    for (const char* p : plain) {
        out << Scramble(p);
    }
    return out;
}
}  // namespace

TEST(UserPaths, FolderAndFileNames) {
    const core::UserPaths p =
        core::UserPaths::of(QStringLiteral("/opt/v/"), QStringLiteral("alice"));
    EXPECT_EQ(p.folder, QStringLiteral("/opt/v/users/alice/"));
    EXPECT_EQ(p.vault, QStringLiteral("/opt/v/users/alice/passwords.dat"));
    EXPECT_EQ(p.backup, QStringLiteral("/opt/v/users/alice/passwords.dat.bak"));
    EXPECT_EQ(p.categories, QStringLiteral("/opt/v/users/alice/categories.dat"));
    EXPECT_EQ(p.settings, QStringLiteral("/opt/v/users/alice/settings.dat"));
    EXPECT_EQ(p.passwordFile, QStringLiteral("/opt/v/users/alice/alice.dat"));
    EXPECT_EQ(p.folderForDialogs(), QStringLiteral("/opt/v/users/alice"));
}

TEST(UserPaths, LoginNamesStayInsideTheUsersFolder) {
    EXPECT_TRUE(core::isValidLoginName(QStringLiteral("Alice01")));
    EXPECT_TRUE(core::isValidLoginName(QStringLiteral("abcdefghijklmnop")));
    EXPECT_FALSE(core::isValidLoginName(QStringLiteral("abcdefghijklmnopq")));
    EXPECT_FALSE(core::isValidLoginName(QString()));
    EXPECT_FALSE(core::isValidLoginName(QStringLiteral("../x")));
    EXPECT_FALSE(core::isValidLoginName(QStringLiteral("a b")));
    EXPECT_FALSE(core::isValidLoginName(QString::fromUtf8("\u00e9")));
}

TEST(Vault, LoadRefreshesTheBackupOnlyWhenTheVaultHasLines) {
    TestDir dir;
    dir.write(QStringLiteral("v.dat"), "");
    dir.write(QStringLiteral("v.bak"), "old backup\r\n");
    EXPECT_TRUE(core::loadPasswordsWithBackup(dir.path("v.dat"), dir.path("v.bak")).isEmpty());
    EXPECT_EQ(dir.read("v.bak"), QByteArray("old backup\r\n"));

    // An empty line counts as a line; LF-only ends and a last line without an end load too.
    dir.write(QStringLiteral("v.dat"), "a\nb\r\n\r\nc");
    EXPECT_EQ(core::loadPasswordsWithBackup(dir.path("v.dat"), dir.path("v.bak")),
              (LineList{"a", "b", "", "c"}));
    EXPECT_EQ(dir.read("v.bak"), QByteArray("a\r\nb\r\n\r\nc\r\n"));

    // A vault already in the written form is the backup byte for byte.
    dir.write(QStringLiteral("v.dat"), "x\r\n\r\ny\r\n");
    EXPECT_EQ(core::loadPasswordsWithBackup(dir.path("v.dat"), dir.path("v.bak")),
              (LineList{"x", "", "y"}));
    EXPECT_EQ(dir.read("v.bak"), QByteArray("x\r\n\r\ny\r\n"));

    EXPECT_THROW(core::loadPasswordsWithBackup(dir.path("none.dat"), dir.path("v.bak")),
                 platform::PlatformError);
}

TEST(Categories, SortedWithoutRegardToCaseListUnchanged) {
    TestDir dir;
    const LineList names{"beta", "Alpha", "gamma", "alpha2"};
    core::saveSortedCategories(dir.path("c.dat"), names);
    EXPECT_EQ(dir.read("c.dat"), crlf({"Alpha", "alpha2", "beta", "gamma"}));
    EXPECT_EQ(names, (LineList{"beta", "Alpha", "gamma", "alpha2"}));
    core::saveSortedCategories(dir.path("e.dat"), {});
    EXPECT_EQ(dir.read("e.dat"), QByteArray());
}

TEST(Categories, CountIsACaseSensitiveSubstringTestOverWholeLines) {
    const LineList list =
        stored({"a|u|p|Mail", "b|u|p|Mail", "Mail Server|u|p|Work", "x|mail|p|Other"});
    EXPECT_EQ(core::categoryCount(list, "Mail"), 3);
    EXPECT_EQ(core::categoryCount(list, "mail"), 1);
    EXPECT_EQ(core::categoryCount(list, "Work"), 1);
    EXPECT_EQ(core::categoryCount(list, ""), 0);
    EXPECT_EQ(core::categoryCounts(list, {"Mail", "", "Other", "None"}), (QList<int>{3, 0, 1, 0}));
}

TEST(Categories, CountsOfManyNamesEqualTheSubstringCountOfEach) {
    // Few distinct bytes, so names overlap, share first bytes and end lines.
    std::mt19937 random(7);
    auto text = [&](int most) {
        QByteArray t;
        for (int i = int(random() % unsigned(most + 1)); i > 0; --i) {
            t += "abAB|\xe9"[random() % 6];
        }
        return t;
    };
    LineList names{"a",
                   "ab",
                   "ba",
                   "aab",
                   "B",
                   "",
                   "\xe9"
                   "a",
                   "abababab"};
    for (int i = 0; i < 30; ++i) {
        names << text(6);
    }
    LineList lines;
    for (int i = 0; i < 400; ++i) {
        lines << Scramble(text(40));
    }
    const QList<int> counts = core::categoryCounts(lines, names);
    for (qsizetype k = 0; k < names.size(); ++k) {
        int expected = 0;
        for (const QByteArray& line : lines) {
            expected += !names[k].isEmpty() && Scramble(line).contains(names[k]) ? 1 : 0;
        }
        EXPECT_EQ(counts[k], expected) << names[k].toStdString();
    }
}

TEST(EntryPassword, IsTheThirdField) {
    const LineList list = stored({"T|L|secret|C", "T|L", "abc", "T|L|last"});
    EXPECT_EQ(core::entryPassword(list, 0), QByteArray("secret"));
    EXPECT_EQ(core::entryPassword(list, 1), QByteArray());
    EXPECT_EQ(core::entryPassword(list, 2), QByteArray());
    EXPECT_EQ(core::entryPassword(list, 3), QByteArray("last"));
    EXPECT_EQ(core::entryPassword(list, -1), QByteArray());
    EXPECT_EQ(core::entryPassword(list, 9), QByteArray());
}
