// A save killed at any moment leaves the file whole: the old content or the
// new one, never a cut or mixed file. A child process saves in a loop and is
// killed with SIGKILL at random moments.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <iostream>
#include <optional>
#include <random>
#include <thread>

#include "CrashContents.h"
#include "CrashConversion.h"
#include "TestDir.h"

using crash_contents::Kind;
using testing_support::TestDir;

#ifdef Q_OS_UNIX

namespace {

constexpr int kKills = 200;

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray("<missing>");
    }
    return f.readAll();
}

// Every file of a snapshot written back.
void restore(TestDir& dir, const QMap<QString, QByteArray>& files) {
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (!it.key().endsWith(QLatin1Char('/'))) {
            dir.write(it.key(), it.value());
        }
    }
}

// The child run to its end: its exit code, or nothing when it was killed.
std::optional<int> runWriter(const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(VORREL_CRASH_WRITER), arguments);
    EXPECT_TRUE(child.waitForFinished(60000));
    if (child.exitStatus() != QProcess::NormalExit) {
        return std::nullopt;
    }
    return child.exitCode();
}

struct Outcome {
    int kills = 0;
    int first = 0;   // the file held the first content after the kill
    int second = 0;  // the second
    QStringList damaged;
};

// Kills the child kKills times while it saves, checking the file after each kill.
Outcome killWhileSaving(Kind kind, const char* kindName, const QString& fileName) {
    TestDir dir;
    const QString path = dir.path(fileName);
    crash_contents::save(kind, dir.path(QStringLiteral("second")), 1);
    const QByteArray second = readAll(dir.path(QStringLiteral("second")));
    QFile::remove(dir.path(QStringLiteral("second")));

    // One save's time, measured with the same writer, sets the range of the
    // kill delays: three saves long, so every part of a save gets hit.
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 4; ++i) {
        crash_contents::save(kind, path, (i + 1) % 2);  // the first content comes last
    }
    const qint64 windowUs = std::max<qint64>(2000, timer.nsecsElapsed() / 1000 / 4 * 3);
    const QByteArray first = readAll(path);
    EXPECT_TRUE(first != second);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> delayUs(0, windowUs);

    Outcome out;
    for (int round = 0; round < kKills; ++round) {
        QProcess child;
        child.setProgram(QStringLiteral(VORREL_CRASH_WRITER));
        child.setArguments({QString::fromLatin1(kindName), path});
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        if (!child.waitForStarted(10000)) {
            ADD_FAILURE() << "crash_writer did not start";
            break;
        }
        QByteArray said;
        while (!said.contains("ready\n") && child.waitForReadyRead(10000)) {
            said += child.readAllStandardOutput();
        }
        if (!said.contains("ready\n")) {
            ADD_FAILURE() << "crash_writer never got ready";
            child.kill();
            child.waitForFinished();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        child.kill();
        child.waitForFinished(10000);
        if (child.exitStatus() != QProcess::CrashExit) {
            ADD_FAILURE() << "crash_writer ended by itself with code " << child.exitCode();
            break;
        }
        ++out.kills;
        const QByteArray now = readAll(path);
        if (now == first) {
            ++out.first;
        } else if (now == second) {
            ++out.second;
        } else {
            out.damaged << QStringLiteral("kill %1: %2 bytes").arg(round + 1).arg(now.size());
        }
        // A temporary file a killed save left behind; the next round starts clean.
        for (const QString& left : QDir(dir.path()).entryList(QDir::Files)) {
            if (left != fileName) {
                QFile::remove(dir.path(left));
            }
        }
    }
    std::cout << "[ crash    ] " << kindName << ": " << out.kills << " kills, "
              << out.first + out.second << " whole (" << out.first << " first, " << out.second
              << " second), delays 0-" << windowUs << " us, seed " << seed << std::endl;
    return out;
}

void expectWhole(const Outcome& out) {
    EXPECT_EQ(out.kills, kKills);
    EXPECT_TRUE(out.damaged.isEmpty()) << out.damaged.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(out.first + out.second, out.kills);
    // Both contents seen: the kills landed all through the saving, not only
    // before the first save ended.
    EXPECT_GT(out.first, 0);
    EXPECT_GT(out.second, 0);
}

}  // namespace

TEST(CrashSafety, KilledVaultSaveLeavesTheOldOrTheNewVault) {
    expectWhole(killWhileSaving(Kind::Vault, "vault", QStringLiteral("passwords.dat")));
}

TEST(CrashSafety, KilledCategorySaveLeavesTheOldOrTheNewFile) {
    expectWhole(killWhileSaving(Kind::Categories, "categories", QStringLiteral("categories.dat")));
}

TEST(CrashSafety, KilledSettingsSaveLeavesTheOldOrTheNewFile) {
    expectWhole(killWhileSaving(Kind::Settings, "settings", QStringLiteral("settings.dat")));
}

// Encrypt Vault and Decrypt Vault killed after every single file write (each
// write is atomic, as the tests above show): the user still logs in with the
// same password and has every entry, and a further conversion finishes.
TEST(CrashSafety, ConversionsKilledAtEveryStepLeaveEveryEntry) {
    crash_conversion::prepare();
    TestDir dir;
    const core::UserPaths paths = crash_conversion::paths(dir.path());
    crash_conversion::makeUser(dir.path());
    const QMap<QString, QByteArray> compatible = dir.snapshot();
    const std::optional<crash_conversion::Seen> expected = crash_conversion::login(paths);
    ASSERT_TRUE(expected);
    crash_conversion::convert(paths);
    const QMap<QString, QByteArray> encrypted = dir.snapshot();
    for (const bool fromEncrypted : {false, true}) {
        int steps = 0;
        bool finished = false;
        int converting = 0;
        for (int killAt = 0; !finished && killAt < 20; ++killAt) {
            restore(dir, fromEncrypted ? encrypted : compatible);
            const std::optional<int> code =
                runWriter({QStringLiteral("convert"), dir.path(), QString::number(killAt)});
            finished = code.has_value();
            if (finished) {
                EXPECT_EQ(*code, 0);
            }
            const std::optional<crash_conversion::Seen> seen = crash_conversion::login(paths);
            ASSERT_TRUE(seen) << "no login after " << killAt << " writes";
            EXPECT_TRUE(*seen == *expected) << "entries changed after " << killAt << " writes";
            converting += seen->converting ? 1 : 0;
            if (finished) {
                EXPECT_EQ(seen->encrypted, !fromEncrypted);
                EXPECT_FALSE(seen->converting);
            } else {
                ++steps;
                // Whatever was cut short, the next conversion goes through.
                crash_conversion::convert(paths);
                const std::optional<crash_conversion::Seen> after = crash_conversion::login(paths);
                ASSERT_TRUE(after);
                EXPECT_TRUE(*after == *expected);
            }
        }
        EXPECT_TRUE(finished);
        EXPECT_GE(steps, 4);  // the password file, three data files, ...
        EXPECT_GT(converting, 0);
        std::cout << "[ crash    ] " << (fromEncrypted ? "decrypt" : "encrypt") << ": killed at "
                  << steps << " steps, " << converting << " of them mid-conversion" << std::endl;
    }
}

// Create Key File of an encrypted user killed after every write, the new key
// file in the old one's place or elsewhere: the key file the settings name
// always opens the vault.
TEST(CrashSafety, NewKeyFileKilledAtEveryStepKeepsAKeyThatOpens) {
    crash_conversion::prepare();
    TestDir dir;
    const core::UserPaths paths = crash_conversion::paths(dir.path());
    crash_conversion::makeUser(dir.path());
    const std::optional<crash_conversion::Seen> expected = crash_conversion::login(paths);
    ASSERT_TRUE(expected);
    const QString first = dir.path(QStringLiteral("Vorrel.vrx"));
    dir.write(QStringLiteral("Vorrel.vrx"), QByteArray(1048576, 'k'));
    dir.write(QStringLiteral("keyfile.txt"), first.toUtf8());
    core::encryptUserFiles(paths, crash_conversion::kPassword, platform::readFile(first));
    const QMap<QString, QByteArray> start = dir.snapshot();

    for (const QString& target : {first, dir.path(QStringLiteral("other.vrx"))}) {
        bool finished = false;
        int steps = 0;
        for (int killAt = 0; !finished && killAt < 10; ++killAt) {
            QFile::remove(dir.path(QStringLiteral("other.vrx")));
            restore(dir, start);
            finished = runWriter({QStringLiteral("keyfile"), dir.path(), QString::number(killAt),
                                  target}) == 0;
            steps += finished ? 0 : 1;
            const auto s = crash_conversion::openWithKeyFile(dir.path());
            ASSERT_TRUE(s) << "no login after " << killAt << " writes";
            EXPECT_EQ(
                core::readEntryFile(paths.vault, *s, {core::crypto::FileKind::Vault}, false).size(),
                expected->vault.size());
        }
        EXPECT_TRUE(finished);
        EXPECT_GE(steps, 4);
        // At the end only the new key file opens the vault.
        EXPECT_NE(platform::readFile(target), QByteArray(1048576, 'k'));
        EXPECT_EQ(crash_conversion::keyFileNamed(dir.path()), target);
        auto old = core::VaultSession::checkPassword(paths.passwordFile,
                                                     platform::readFile(paths.passwordFile),
                                                     crash_conversion::kPassword);
        ASSERT_TRUE(old);
        EXPECT_FALSE(old->openWithKeyFile(QByteArray(1048576, 'k')));
    }
}

// A save that merges another program's add, killed after every write, in
// both formats: the vault holds the other program's entry, then both.
TEST(CrashSafety, MergingSaveKilledAtEveryStepKeepsTheOtherProgramsEntry) {
    crash_conversion::prepare();
    TestDir dir;
    const core::UserPaths paths = crash_conversion::paths(dir.path());
    for (const bool encrypted : {false, true}) {
        crash_conversion::makeUser(dir.path());
        if (encrypted) {
            crash_conversion::convert(paths);
        }
        const QStringList base = crash_conversion::login(paths)->vault;
        const QMap<QString, QByteArray> start = dir.snapshot();
        bool finished = false;
        int steps = 0, onlyTheirs = 0, both = 0;
        for (int killAt = 0; !finished && killAt < 10; ++killAt) {
            restore(dir, start);
            finished =
                runWriter({QStringLiteral("merge"), dir.path(), QString::number(killAt)}) == 0;
            steps += finished ? 0 : 1;
            const std::optional<crash_conversion::Seen> seen = crash_conversion::login(paths);
            ASSERT_TRUE(seen) << "no login after " << killAt << " writes";
            QStringList expected = base;
            expected << QString::fromLatin1(crash_conversion::kTheirs);
            if (seen->vault.size() > expected.size()) {
                expected << QString::fromLatin1(crash_conversion::kOurs);
            }
            EXPECT_EQ(seen->vault, expected) << "after " << killAt << " writes";
            (seen->vault.size() > base.size() + 1 ? both : onlyTheirs)++;
        }
        EXPECT_TRUE(finished);
        EXPECT_GE(steps, 1);
        EXPECT_GT(onlyTheirs, 0);
        EXPECT_GT(both, 0);
    }
}

#else

TEST(CrashSafety, NeedsSigkill) {
    GTEST_SKIP() << "the crash test kills its child with SIGKILL";
}

#endif
