#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "TestDir.h"
#include "platform/Places.h"

using testing_support::TestDir;

// The first rule that applies: a named folder, the portable program folder,
// the per-user folder; made private when it is made.
TEST(Places, DataFolderIsNamedElsePortableElsePerUser) {
    const TestDir dir;  // also the working directory
    bool writable = true;
    platform::DataFolderSources s;
    s.executablePath = dir.path(QStringLiteral("program/vorrel"));
    s.perUser = dir.path(QStringLiteral("home/.local/share/vorrel"));
    s.writable = [&](const QString& folder) {
        EXPECT_EQ(folder, dir.path(QStringLiteral("program/")));
        return writable;
    };
    const QString perUser = s.perUser + QLatin1Char('/');
    dir.mkdir(QStringLiteral("program"));
    EXPECT_EQ(platform::decideDataFolder(s), perUser);  // an installed program

    for (const char* mark : {"vorrel.ini", "users/", "data/"}) {
        const QString path = QStringLiteral("program/") + QLatin1String(mark);
        path.endsWith(QLatin1Char('/')) ? dir.mkdir(path) : dir.write(path, "");
        writable = true;
        EXPECT_EQ(platform::decideDataFolder(s), dir.path(QStringLiteral("program/"))) << mark;
        writable = false;  // a program folder only root may write
        EXPECT_EQ(platform::decideDataFolder(s), perUser) << mark;
        if (!QDir().rmdir(dir.path(path))) {
            QFile::remove(dir.path(path));
        }
    }

    s.environment = dir.path(QStringLiteral("synced"));
    EXPECT_EQ(platform::decideDataFolder(s), dir.path(QStringLiteral("synced/")));
    s.option = QStringLiteral("chosen/./");  // from the working directory
    EXPECT_EQ(platform::decideDataFolder(s), dir.path(QStringLiteral("chosen/")));

    ASSERT_TRUE(platform::makeDataFolder(perUser));
#ifdef Q_OS_UNIX
    const auto user = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    EXPECT_EQ(QFileInfo(perUser).permissions() & ~user,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
    EXPECT_TRUE(platform::makeDataFolder(perUser));  // already there
    EXPECT_TRUE(QDir(perUser).isEmpty());
}
