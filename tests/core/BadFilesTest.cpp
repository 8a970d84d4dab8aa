// Damaged and hostile files at the core level: each reads to a defined
// result, quickly, and what was read is what gets written back.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <random>
#include <string_view>

#include "TestDir.h"
#include "core/PasswordEntry.h"
#include "core/Settings.h"
#include "core/UserFiles.h"
#include "core/UserStore.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Memory.h"
#include "platform/TextList.h"

using core::LineList;
using testing_support::crlf;
using testing_support::junk;
using testing_support::TestDir;

namespace {

QByteArray separators(int count) {
    QByteArray plain("f0");
    for (int i = 1; i <= count; ++i) {
        plain += '|' + ("f" + QByteArray::number(i));
    }
    return plain;
}

// Counted the slow way: the lines that hold the scrambled name.
int countByHand(const LineList& lines, const QByteArray& name) {
    if (name.isEmpty()) {
        return 0;
    }
    const QByteArray scrambled = core::Scramble(name);
    int n = 0;
    for (const QByteArray& line : lines) {
        n += std::string_view(line.constData(), size_t(line.size()))
                         .find(std::string_view(scrambled.constData(), size_t(scrambled.size()))) !=
                     std::string_view::npos
                 ? 1
                 : 0;
    }
    return n;
}

}  // namespace

// ---- Vaults and list files --------------------------------------------------------

TEST(BadVaultFiles, EveryDamagedVaultLoadsAndIsWrittenBackAsTheSameLines) {
    TestDir dir;
    const std::pair<const char*, QByteArray> files[] = {
        {"binary junk", junk(200000, 1, false)},
        {"binary junk with NULs", junk(200000, 2, true)},
        {"empty", QByteArray()},
        {"one 5 MB line", QByteArray(5 * 1024 * 1024, 'x')},
        {"only CRs", QByteArray(1000, '\r')},
        {"only LFs and CRs", QByteArray("\n\r\n\r\r\n\n")},
        {"NUL in the middle", core::Scramble("a|b|c") + "\r\n" + core::Scramble("d|e") +
                                  QByteArray("\0", 1) + core::Scramble("lost|x") + "\r\n"},
        {"separators", crlf({core::Scramble(separators(0)), core::Scramble(separators(8)),
                             core::Scramble(separators(9)), core::Scramble(separators(200))})},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        dir.write(QStringLiteral("v.dat"), bytes);
        QFile::remove(dir.path("v.bak"));
        QElapsedTimer timer;
        timer.start();
        const LineList lines = core::loadPasswordsWithBackup(dir.path("v.dat"), dir.path("v.bak"));
        for (const QByteArray& line : lines) {
            const core::PasswordEntry e = core::DecodeRecord(line);
            qsizetype total = 0;
            for (const QByteArray& f : e.fields) {
                total += f.size();
            }
            EXPECT_LE(total, line.size());
        }
        EXPECT_EQ(core::categoryCount(lines, "x"), countByHand(lines, "x"));
        EXPECT_LT(timer.elapsed(), 5000);
        // What was read is what the backup and the next save hold.
        const bool backedUp = !lines.isEmpty() && !bytes.contains('\0');
        EXPECT_EQ(dir.exists(QStringLiteral("v.bak")), backedUp);
        if (backedUp) {
            EXPECT_EQ(platform::loadTextList(dir.path("v.bak")), lines);
        }
        platform::saveTextList(dir.path("again.dat"), lines);
        EXPECT_EQ(platform::loadTextList(dir.path("again.dat")), lines);
    }
}

TEST(BadVaultFiles, VaultCutShortByANulKeepsTheBackup) {
    TestDir dir;
    dir.write(QStringLiteral("v.bak"), crlf({"whole1", "whole2", "whole3"}));
    dir.write(QStringLiteral("v.dat"), "whole1\r\n" + QByteArray("\0", 1) + "whole2\r\nwhole3\r\n");
    EXPECT_EQ(core::loadPasswordsWithBackup(dir.path("v.dat"), dir.path("v.bak")),
              LineList{"whole1"});
    EXPECT_EQ(dir.read("v.bak"), crlf({"whole1", "whole2", "whole3"}));
}

TEST(BadVaultFiles, ShapesGiveTheDocumentedLines) {
    EXPECT_TRUE(platform::parseTextLines(QByteArray()).isEmpty());
    EXPECT_EQ(platform::parseTextLines(QByteArray(1000, '\r')).size(), 1000);
    EXPECT_EQ(platform::parseTextLines("\n\r\n\r\r\n\n"), (LineList{"", "", "", "", ""}));
    // A NUL ends the text: the rest of the file is not read.
    EXPECT_EQ(platform::parseTextLines(QByteArray("a\r\nb\0c\r\nd", 10)), (LineList{"a", "b"}));
    const LineList big = platform::parseTextLines(QByteArray(5 * 1024 * 1024, 'x'));
    ASSERT_EQ(big.size(), 1);
    EXPECT_EQ(big[0].size(), 5 * 1024 * 1024);
    EXPECT_EQ(core::SplitRecord(big[0])[core::Login].size(), 5 * 1024 * 1024);
}

TEST(BadVaultFiles, SeparatorCountsFollowTheRecordRules) {
    // None: all Login.
    core::PasswordEntry e = core::SplitRecord(separators(0));
    EXPECT_EQ(e[core::Title], QByteArray());
    EXPECT_EQ(e[core::Login], QByteArray("f0"));
    // Eight: nine fields, and the line is rebuilt exactly.
    e = core::SplitRecord(separators(8));
    EXPECT_EQ(e[core::Title], QByteArray("f0"));
    EXPECT_EQ(e[core::SoftwareSerial], QByteArray("f8"));
    EXPECT_EQ(core::Scramble(core::EncodeRecord(e)), separators(8));
    // Nine and 200: the text after the ninth field is dropped.
    for (int count : {9, 200}) {
        e = core::SplitRecord(separators(count));
        EXPECT_EQ(e[core::SoftwareSerial], QByteArray("f8")) << count;
        EXPECT_EQ(core::Scramble(core::EncodeRecord(e)), separators(8)) << count;
    }
    // Empty fields between separators and a line of separators only.
    e = core::SplitRecord(QByteArray(200, '|'));
    for (const QByteArray& f : e.fields) {
        EXPECT_TRUE(f.isEmpty());
    }
    // The spans always lie inside the line.
    for (const QByteArray& plain : {separators(0), separators(9), QByteArray("|"), QByteArray()}) {
        const core::FieldSpans spans = core::splitSpans(plain.constData(), plain.size());
        for (int f = 0; f < core::kFieldCount; ++f) {
            EXPECT_GE(spans.start[size_t(f)], 0);
            EXPECT_GE(spans.length[size_t(f)], 0);
            EXPECT_LE(spans.start[size_t(f)] + spans.length[size_t(f)], plain.size());
        }
    }
}

TEST(BadVaultFiles, LookUpsOnJunkLinesMatchTheSlowWay) {
    const LineList lines = platform::parseTextLines(junk(300000, 3, false));
    ASSERT_GT(lines.size(), 100);
    // Short names (one automaton) and names long enough to take the other path.
    for (int nameLength : {1, 2, 3, 40}) {
        LineList names;
        std::mt19937 random{unsigned(nameLength)};
        for (int k = 0; k < 500; ++k) {
            const QByteArray& line = lines[qsizetype(random() % lines.size())];
            names << line.left(nameLength);
        }
        names << QByteArray() << names.first();
        const QList<int> counts = core::categoryCounts(lines, names);
        ASSERT_EQ(counts.size(), names.size());
        for (qsizetype k = 0; k < names.size(); ++k) {
            EXPECT_EQ(counts[k], countByHand(lines, names[k])) << nameLength << " " << k;
        }
    }
}

TEST(BadCategoryFiles, JunkNamesSortAndWriteBackWhole) {
    TestDir dir;
    const LineList names = platform::parseTextLines(junk(100000, 4, false)) +
                           LineList{QByteArray(), QByteArray(), QByteArray(70000, 'n')};
    core::saveSortedCategories(dir.path("c.dat"), names);
    LineList back = platform::loadTextList(dir.path("c.dat"));
    LineList sortedIn = names;
    std::sort(sortedIn.begin(), sortedIn.end());
    std::sort(back.begin(), back.end());
    EXPECT_EQ(back, sortedIn);
}

// ---- Program settings --------------------------------------------------------------

TEST(BadProgramSettings, ShapesOfTheFileGiveDefinedSettings) {
    TestDir dir;
    auto read = [&](const QByteArray& bytes) {
        dir.write(QStringLiteral("vorrel.ini"), bytes);
        return core::readProgramSettings(dir.path("vorrel.ini"));
    };
    // No section: nothing is found.
    core::ProgramSettings s = read("Users=1\nUser 1=bob\nLanguage=Russian\nhidden=1\n");
    EXPECT_EQ(s.usersCount, 0);
    EXPECT_EQ(s.language, QStringLiteral("English"));
    EXPECT_FALSE(s.hidden);
    // Duplicate sections and keys: the first of each counts.
    s = read("[Options]\nUsers=1\nUsers=3\nUser 1=bob\nUser 1=eve\n[Options]\nhidden=1\nUsers=9\n");
    EXPECT_EQ(s.users, QStringList{QStringLiteral("bob")});
    EXPECT_FALSE(s.hidden);
    // Lines without "=" are no keys; odd letter case is the same key.
    s = read("[oPTIONS]\ngarbage\nUsers\n=5\nuSERS=2\nuser 1=bob\nUSER 2=ann\nHIDDEN=1\n");
    EXPECT_EQ(s.users, (QStringList{QStringLiteral("bob"), QStringLiteral("ann")}));
    EXPECT_TRUE(s.hidden);
    // Huge values are cut at 2047 bytes.
    s = read("[Options]\nLanguage=" + QByteArray(5000, 'L') +
             "\nUsers=1\nUser 1=" + QByteArray(3000, 'u') + "\n");
    EXPECT_EQ(s.language.size(), 2047);
    EXPECT_EQ(s.users.value(0).size(), 2047);
    // Binary junk: the defaults.
    s = read(junk(100000, 5, true));
    EXPECT_EQ(s.language, QStringLiteral("English"));
    // A folder in its place reads as a missing file.
    dir.mkdir(QStringLiteral("folder.ini"));
    EXPECT_EQ(core::readProgramSettings(dir.path("folder.ini")).usersCount, 0);
}

// A damaged user count must not make the start-up build billions of names.
TEST(BadProgramSettings, HugeUserCountsReadQuicklyAndStayBounded) {
    TestDir dir;
    for (auto [count, value] : {std::pair<const char*, int>{"2147483647", 2147483647},
                                {"$7FFFFFFF", 2147483647},
                                {"100000000", 100000000}}) {
        dir.write(QStringLiteral("vorrel.ini"),
                  QByteArray("[Options]\nUsers=") + count + "\nUser 1=bob\n");
        QElapsedTimer timer;
        timer.start();
        const core::ProgramSettings s = core::readProgramSettings(dir.path("vorrel.ini"));
        EXPECT_LT(timer.elapsed(), 5000) << count;
        EXPECT_EQ(s.usersCount, value) << count;  // kept, so a close writes it back
        ASSERT_EQ(s.users.size(), core::kMaxUsers) << count;
        EXPECT_EQ(s.users.first(), QStringLiteral("bob"));
        EXPECT_EQ(s.users.last(), QStringLiteral("0"));
    }
}

TEST(BadProgramSettings, WritingOverAJunkFileKeepsItsOtherLines) {
    TestDir dir;
    const QByteArray junkLines = "no section line\r\n[Other]\r\nkept=1\r\n";
    dir.write(QStringLiteral("vorrel.ini"), junkLines + "[Options]\r\nUsers=1\r\nUser 1=bob\r\n");
    core::ProgramSettings s = core::readProgramSettings(dir.path("vorrel.ini"));
    core::writeProgramSettings(dir.path("vorrel.ini"), s);
    EXPECT_EQ(dir.read("vorrel.ini"), junkLines +
                                          "[Options]\r\nUsers=1\r\nUser 1=bob\r\n"
                                          "Language=English\r\nhidden=0\r\n");
}

// ---- settings.dat ------------------------------------------------------------------

TEST(BadUserSettings, ShapesOfTheFileGiveDefinedSettings) {
    TestDir dir;
    auto read = [&](const QByteArray& bytes) {
        dir.write(QStringLiteral("settings.dat"), bytes);
        return core::readUserSettings(dir.path("settings.dat"));
    };
    core::UserSettings s = read("Font Size=12\nKey=1\n");
    EXPECT_EQ(s.fontSize, 8);
    EXPECT_FALSE(s.key);
    s = read("[OPTIONS]\nfont size=12\nFONT COLOR=CLRED\nkey=1\n[Options]\nFont Size=20\n");
    EXPECT_EQ(s.fontSize, 12);
    EXPECT_EQ(s.fontColor, 0x0000FF);
    EXPECT_TRUE(s.key);
    for (const char* size : {"0", "-5", "100000", "2147483648", "$FFFFFFFF", "145", ""}) {
        EXPECT_EQ(read(QByteArray("[Options]\nFont Size=") + size + "\n").fontSize, 8) << size;
    }
    EXPECT_EQ(read("[Options]\nFont Size=144\n").fontSize, 144);
    s = read("[Options]\nFont Name=" + QByteArray(5000, 'F') +
             "\nKeyFile=" + QByteArray(4000, 'k') + "\nFont Color=$\n");
    EXPECT_EQ(s.fontName.size(), 2047);
    EXPECT_EQ(s.keyFile.size(), 2047);
    EXPECT_EQ(s.fontColor, platform::clWindowText);
    s = read(junk(50000, 6, false));
    EXPECT_GE(s.fontSize, 1);
    EXPECT_LE(s.fontSize, core::kMaxFontSize);
    dir.mkdir(QStringLiteral("dir.dat"));
    EXPECT_EQ(core::readUserSettings(dir.path("dir.dat")).fontName,
              QStringLiteral("MS Sans Serif"));
}

// ---- Language files, as the loader reads them ----------------------------------------

TEST(BadLanguageFiles, KeysAreFoundOrMissingAndTextsDecodeWithoutFailing) {
    TestDir dir;
    dir.write(QStringLiteral("l.ini"),
              "MFile->Caption=before any section\n[interface]\nmfile->caption=Fichier\n"
              "MFile->Caption=second\nno equals sign\nStringPasswords=" +
                  QByteArray(3000, 'p') +
                  "\nbytes=\xff\xfe\xc3\x28\n[Interface]\nAAdd->Caption=x\n");
    const platform::IniFile ini(dir.path("l.ini"));
    EXPECT_EQ(ini.value("Interface", "MFile->Caption"), QByteArray("Fichier"));
    EXPECT_EQ(ini.value("Interface", "StringPasswords")->size(), 2047);
    EXPECT_FALSE(ini.value("Interface", "AAdd->Caption"));
    EXPECT_FALSE(ini.value("Interface", "no equals sign"));
    // Not UTF-8: the storage code page reads every byte.
    platform::setStorageCodePage("windows-1252");
    EXPECT_EQ(platform::decodeSettingText(*ini.value("Interface", "bytes")).size(), 4);
    platform::setStorageCodePage(QByteArray());
    // Junk and a folder read as files without keys.
    dir.write(QStringLiteral("junk.ini"), junk(100000, 7, true));
    EXPECT_FALSE(platform::IniFile(dir.path("junk.ini")).value("Interface", "MFile->Caption"));
    dir.mkdir(QStringLiteral("dir.ini"));
    EXPECT_FALSE(platform::IniFile(dir.path("dir.ini")).value("Interface", "MFile->Caption"));
}

// Texts whose code-page bytes happen to be valid UTF-8 must not turn into
// other texts between a save and the next read.
TEST(SettingsText, TextsThatLookLikeUtf8InTheCodePageComeBackAsWritten) {
    TestDir dir;
    platform::setStorageCodePage("windows-1252");
    core::UserSettings s;
    s.fontName = QString::fromUtf8("Ã©tude");
    s.keyFile = QString::fromUtf8("/media/Â®/Vorrel.vrx");
    core::writeUserSettings(dir.path("settings.dat"), s);
    const core::UserSettings back = core::readUserSettings(dir.path("settings.dat"));
    EXPECT_EQ(back.fontName, s.fontName);
    EXPECT_EQ(back.keyFile, s.keyFile);
    core::ProgramSettings p;
    p.language = QString::fromUtf8("Ã©");
    core::writeProgramSettings(dir.path("vorrel.ini"), p);
    EXPECT_EQ(core::readProgramSettings(dir.path("vorrel.ini")).language, p.language);
    // Texts the code page carries without that clash stay single-byte.
    s.fontName = QString::fromUtf8("Français");
    core::writeUserSettings(dir.path("settings.dat"), s);
    EXPECT_TRUE(dir.read("settings.dat")
                    .contains("Font Name=Fran\xe7"
                              "ais\r\n"));
    platform::setStorageCodePage(QByteArray());
}

// A user with many categories: the counts at login build one large automaton,
// under the allocator settings the program runs with.
TEST(BadCategoryFiles, ManyNamesAreCountedLikeTheSlowWay) {
    platform::returnLargeBuffersToTheSystem();
    LineList names;
    for (int k = 0; k < 1500; ++k) {
        names << "Cat" + QByteArray::number(k * 7919 % 100000);
    }
    LineList lines;
    for (int i = 0; i < 2000; ++i) {
        lines << core::EncodeRecord({{"t", "u", "p", names[i % names.size()], "", "", "", "", ""}});
    }
    const QList<int> counts = core::categoryCounts(lines, names);
    for (qsizetype k = 0; k < names.size(); k += 37) {
        EXPECT_EQ(counts[k], countByHand(lines, names[k])) << k;
    }
}

// ---- Links ------------------------------------------------------------------------

#ifdef Q_OS_UNIX
// A symbolic link where a user's file should be, as a sync peer can plant
// one: the login refuses it by name and says what to do instead; one planted
// while logged in receives nothing; one named like a conflict copy is skipped.
TEST(UserFileLinks, NothingIsReadOrWrittenThroughALink) {
    TestDir dir;
    dir.makeUser(QStringLiteral("bob"), "pass", {"Old|a|p|Work|||||"}, {"Work"});
    const core::UserPaths paths = core::UserPaths::of(dir.path(), QStringLiteral("bob"));
    dir.write(QStringLiteral("target"), "the user's own file\r\n");
    const QByteArray target = dir.read(QStringLiteral("target"));
    const auto plant = [&](const QString& path) {
        QFile::remove(path);
        ASSERT_TRUE(QFile::link(dir.path("target"), path));
    };
    for (const QString& path : {paths.backup, paths.vault}) {
        const QByteArray before = dir.read(QStringLiteral("users/bob/passwords.dat"));
        plant(path);
        try {
            core::UserLogin::check(paths, "pass", core::FileTexts());
            ADD_FAILURE() << "logged in through a link";
        } catch (const platform::PlatformError& e) {
            EXPECT_TRUE(e.message().contains(platform::fullNativePath(path)));
            EXPECT_TRUE(e.message().contains(QStringLiteral("link the whole user folder")));
        }
        QFile::remove(path);
        if (path == paths.vault) {
            dir.write(QStringLiteral("users/bob/passwords.dat"), before);
        }
    }
    auto store = core::UserLogin::check(paths, "pass", core::FileTexts())->open();
    core::LineList lines = store->loadVault();
    store->readCategories();
    plant(paths.folder + QStringLiteral("passwords.sync-conflict-20261209-101010-AAAAAAA.dat"));
    EXPECT_TRUE(store->conflictCopies().isEmpty());
    plant(paths.vault);
    EXPECT_THROW(store->saveVault(lines << core::Scramble("New|a|p|Work|||||")),
                 platform::PlatformError);
    EXPECT_THROW(store->takeVaultChanges(lines), platform::PlatformError);
    EXPECT_EQ(dir.read(QStringLiteral("target")), target);
}
#endif
