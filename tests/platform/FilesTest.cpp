#include <gtest/gtest.h>

#include "TestDir.h"
#include "platform/Errors.h"
#include "platform/Files.h"

using platform::ChangeFileExt;
using platform::ExtractFilePath;

TEST(Paths, ChangeFileExt) {
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/opt/vorrel/vorrel"), QStringLiteral(".ini")),
              QStringLiteral("/opt/vorrel/vorrel.ini"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/opt/v/Vorrel.exe"), QStringLiteral(".ini")),
              QStringLiteral("/opt/v/Vorrel.ini"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/a.b/c"), QStringLiteral(".ini")),
              QStringLiteral("/a.b/c.ini"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("a.tar.gz"), QStringLiteral(".htm")),
              QStringLiteral("a.tar.htm"));
}

TEST(Paths, ExtractFilePathKeepsTheSeparator) {
    EXPECT_EQ(ExtractFilePath(QStringLiteral("/opt/vorrel/vorrel")),
              QStringLiteral("/opt/vorrel/"));
    EXPECT_EQ(ExtractFilePath(QStringLiteral("vorrel")), QString());
    EXPECT_EQ(platform::withoutTrailingSeparator(QStringLiteral("/a/b/")), QStringLiteral("/a/b"));
}

TEST(Paths, ExistenceTests) {
    testing_support::TestDir dir;
    dir.write(QStringLiteral("f"), "x");
    dir.mkdir(QStringLiteral("d"));
    EXPECT_TRUE(platform::FileExists(dir.path("f")));
    EXPECT_FALSE(platform::FileExists(dir.path("d")));
    EXPECT_FALSE(platform::FileExists(QString()));
    EXPECT_TRUE(platform::DirectoryExists(dir.path("d")));
    EXPECT_FALSE(platform::DirectoryExists(dir.path("f")));
    EXPECT_TRUE(platform::CreateDir(dir.path("e")));
    EXPECT_FALSE(platform::CreateDir(dir.path("missing/e")));
}

// A save is reported as failed when its folder cannot be synced after the
// rename: until then a power cut may still take the new file back.
TEST(Files, FailedFolderSyncIsAFailedWrite) {
    struct NoSync : platform::DiskFileSystem {
        QStringList synced;
        bool syncFolder(const QString& folder) override {
            synced << folder;
            return false;
        }
    } fs;
    testing_support::TestDir dir;
    platform::setFileSystem(&fs);
    EXPECT_THROW(platform::writeFile(dir.path("f"), "x"), platform::PlatformError);
    platform::setFileSystem(nullptr);
    EXPECT_EQ(fs.synced, QStringList{dir.path("f").chopped(2)});
    platform::writeFile(dir.path("f"), "y");
    EXPECT_EQ(dir.read("f"), QByteArray("y"));
}
