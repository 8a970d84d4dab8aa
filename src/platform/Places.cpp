#include "platform/Places.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "platform/Files.h"

namespace platform {

namespace {

QString asFolder(const QString& path) {
    return withoutTrailingSeparator(QDir::cleanPath(QFileInfo(path).absoluteFilePath())) +
           pathSeparator();
}

// What the portable layout leaves in the program's folder.
bool holdsPortableData(const QString& executablePath) {
    const QString folder = ExtractFilePath(executablePath);
    return FileExists(folder + settingsFileName(executablePath)) ||
           DirectoryExists(folder + QStringLiteral("users")) ||
           DirectoryExists(folder + QStringLiteral("data"));
}

// A file made and removed at once: the one test that also sees read-only
// mounts, access lists and the folders Windows keeps from ordinary users.
bool canMakeFilesIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral(".vorrel-probe-XXXXXX"));
    return probe.open();
}

}  // namespace

DataFolderSources dataFolderSources(const QString& executablePath, const QString& option) {
    DataFolderSources s;
    s.executablePath = executablePath;
    s.option = option;
    s.environment = qEnvironmentVariable("VORREL_DATA");
    s.perUser = perUserDataFolder();
    s.writable = canMakeFilesIn;
    return s;
}

QString perUserDataFolder() {
#ifdef Q_OS_WIN
    // The roaming profile, which follows the person from machine to machine.
    // Qt names it only with the application's name appended, which the
    // executable's name would then decide.
    return QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA")) + QStringLiteral("/vorrel");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/vorrel");
#endif
}

QString decideDataFolder(const DataFolderSources& sources) {
    if (!sources.option.isEmpty()) {
        return asFolder(sources.option);
    }
    if (!sources.environment.isEmpty()) {
        return asFolder(sources.environment);
    }
    const QString programFolder = asFolder(ExtractFilePath(sources.executablePath));
    if (holdsPortableData(sources.executablePath) && sources.writable(programFolder)) {
        return programFolder;
    }
    return asFolder(sources.perUser);
}

bool makeDataFolder(const QString& folder) {
    const QString path = withoutTrailingSeparator(folder);
    if (DirectoryExists(path)) {
        return true;
    }
    QDir().mkpath(QFileInfo(path).path());
    return CreatePrivateDir(path);
}

QString settingsFileName(const QString& executablePath) {
    const QString name = executablePath.mid(ExtractFilePath(executablePath).size());
    return ChangeFileExt(name, QStringLiteral(".ini"));
}

QStringList languageFolders(const QString& executablePath) {
    const QString beside = ExtractFilePath(executablePath);
    return {QStringLiteral("language/"), beside + QStringLiteral("language/"),
            asFolder(beside + QStringLiteral("../share/vorrel/language"))};
}

}  // namespace platform
