#include <gtest/gtest.h>

#include "FaultyFileSystem.h"
#include "TestDir.h"
#include "core/Settings.h"
#include "platform/Errors.h"

using testing_support::TestDir;

TEST(ProgramSettings, MissingFileGivesDefaults) {
    TestDir dir;
    const core::ProgramSettings s = core::readProgramSettings(dir.path("vorrel.ini"));
    EXPECT_EQ(s.language, QStringLiteral("English"));
    EXPECT_FALSE(s.hidden);
    EXPECT_EQ(s.usersCount, 0);
    EXPECT_TRUE(s.users.isEmpty());
}

TEST(ProgramSettings, MissingUserKeyReadsAsZero) {
    TestDir dir;
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nUsers=2\r\nUser 1=alice\r\n");
    const core::ProgramSettings s = core::readProgramSettings(dir.path("vorrel.ini"));
    EXPECT_EQ(s.users, (QStringList{QStringLiteral("alice"), QStringLiteral("0")}));
}

TEST(ProgramSettings, NegativeOrNonNumericUsersReadNoNames) {
    TestDir dir;
    dir.write(QStringLiteral("a.ini"), "[Options]\r\nUsers=-1\r\nUser 1=alice\r\nhidden=x\r\n");
    core::ProgramSettings s = core::readProgramSettings(dir.path("a.ini"));
    EXPECT_EQ(s.usersCount, -1);
    EXPECT_TRUE(s.users.isEmpty());
    EXPECT_FALSE(s.hidden);
    // Written back as read, without user keys.
    core::writeProgramSettings(dir.path("b.ini"), s);
    EXPECT_EQ(dir.read("b.ini"),
              QByteArray("[Options]\r\nLanguage=English\r\nhidden=0\r\nUsers=-1\r\n"));
    dir.write(QStringLiteral("c.ini"), "[Options]\r\nUsers=many\r\n");
    EXPECT_EQ(core::readProgramSettings(dir.path("c.ini")).usersCount, 0);
}

TEST(ProgramSettings, WriteKeepsOtherKeysAndCodePage) {
    TestDir dir;
    dir.write(QStringLiteral("v.ini"), "[Options]\r\nCodePage=1251\r\nhidden=1\r\n");
    core::ProgramSettings s = core::readProgramSettings(dir.path("v.ini"));
    EXPECT_EQ(s.codePage, QByteArray("1251"));
    EXPECT_TRUE(s.hidden);
    s.users = QStringList{QStringLiteral("bob"), QStringLiteral("ann")};
    s.usersCount = 2;
    s.language = QStringLiteral("Russian");
    core::writeProgramSettings(dir.path("v.ini"), s);
    EXPECT_EQ(dir.read("v.ini"),
              QByteArray("[Options]\r\nCodePage=1251\r\nhidden=1\r\nLanguage=Russian\r\n"
                         "Users=2\r\nUser 1=bob\r\nUser 2=ann\r\n"));
}

TEST(UserSettings, DefaultsAndExactBytes) {
    TestDir dir;
    core::UserSettings s = core::readUserSettings(dir.path("settings.dat"));
    EXPECT_FALSE(s.key);
    EXPECT_EQ(s.keyFile, QString());
    EXPECT_EQ(s.fontName, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(s.fontSize, 8);
    EXPECT_EQ(s.fontColor, platform::clWindowText);
    core::writeUserSettings(dir.path("settings.dat"), s);
    EXPECT_EQ(dir.read("settings.dat"),
              QByteArray("[Options]\r\nKey=0\r\nKeyFile=\r\nFont Name=MS Sans Serif\r\n"
                         "Font Size=8\r\nFont Color=clWindowText\r\n"));
    s.key = true;
    s.keyFile = QStringLiteral("/home/u/Vorrel.vrx");
    s.fontName = QStringLiteral("DejaVu Sans");
    s.fontSize = 11;
    s.fontColor = 0x123456;
    core::writeUserSettings(dir.path("settings.dat"), s);
    EXPECT_EQ(
        dir.read("settings.dat"),
        QByteArray("[Options]\r\nKey=1\r\nKeyFile=/home/u/Vorrel.vrx\r\nFont Name=DejaVu Sans\r\n"
                   "Font Size=11\r\nFont Color=$00123456\r\n"));
    const core::UserSettings back = core::readUserSettings(dir.path("settings.dat"));
    EXPECT_TRUE(back.key);
    EXPECT_EQ(back.keyFile, s.keyFile);
    EXPECT_EQ(back.fontName, s.fontName);
    EXPECT_EQ(back.fontSize, 11);
    EXPECT_EQ(back.fontColor, 0x123456);
}

TEST(UserSettings, DamagedValuesFallBackToDefaults) {
    TestDir dir;
    for (const char* size : {"abc", "0", "-5", "100000"}) {
        dir.write(QStringLiteral("s.dat"), QByteArray("[Options]\nFont Size=") + size +
                                               "\nFont Color=not a colour\nKey=yes\n");
        const core::UserSettings s = core::readUserSettings(dir.path("s.dat"));
        EXPECT_EQ(s.fontSize, 8) << size;
        EXPECT_EQ(s.fontColor, platform::clWindowText);
        EXPECT_FALSE(s.key);
    }
    dir.write(QStringLiteral("s.dat"), "[Options]\nFont Color=clRed\nFont Size=12\nKey=1\n");
    const core::UserSettings s = core::readUserSettings(dir.path("s.dat"));
    EXPECT_EQ(s.fontColor, 0x0000FF);
    EXPECT_EQ(s.fontSize, 12);
    EXPECT_TRUE(s.key);
}

TEST(UserSettings, FailedWriteIsUnableToWrite) {
    TestDir dir;
    dir.mkdir(QStringLiteral("settings.dat"));
    try {
        core::writeUserSettings(dir.path("settings.dat"), core::UserSettings());
        FAIL() << "no error";
    } catch (const platform::PlatformError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to write to ") + dir.path("settings.dat"));
    }
}

// Names past the bound read at start are neither dropped nor overwritten: the
// file comes back from a close as it was, and a new user goes after them all.
TEST(ProgramSettings, UsersPastTheBoundSurviveAClose) {
    TestDir dir;
    QByteArray file = "[Options]\r\nLanguage=English\r\nhidden=0\r\nUsers=1500\r\n";
    for (int n = 1; n <= 1500; ++n) {
        file += "User " + QByteArray::number(n) + "=u" + QByteArray::number(n) + "\r\n";
    }
    dir.write(QStringLiteral("vorrel.ini"), file);
    core::ProgramSettings s = core::readProgramSettings(dir.path("vorrel.ini"));
    EXPECT_EQ(s.usersCount, 1500);
    EXPECT_EQ(s.users.size(), core::kMaxUsers);
    core::writeProgramSettings(dir.path("vorrel.ini"), s);
    EXPECT_EQ(dir.read("vorrel.ini"), file);
    s.users.append(QStringLiteral("fresh"));
    ++s.usersCount;
    core::writeProgramSettings(dir.path("vorrel.ini"), s);
    file.replace("Users=1500", "Users=1501");
    EXPECT_EQ(dir.read("vorrel.ini"), file + "User 1501=fresh\r\n");
}
