#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Where the program finds its own files and keeps its data.
namespace platform {

// The data folder holds the settings file, users/ and data/. It is decided
// once at start, by the first rule that applies:
//   1. the folder the person named: --data DIR, else VORREL_DATA;
//   2. the executable's own folder, when it already holds the settings file,
//      users/ or data/ and files can be made in it (the portable layout);
//   3. the per-user data folder: $XDG_DATA_HOME/vorrel, %APPDATA%\vorrel.
struct DataFolderSources {
    QString executablePath;
    QString option;       // --data; empty when not given
    QString environment;  // VORREL_DATA; empty when not set
    QString perUser;
    // Whether files can be made in a folder.
    std::function<bool(const QString& folder)> writable;
};

// The sources of this run: the environment, the platform's per-user folder
// and a real attempt at making a file.
DataFolderSources dataFolderSources(const QString& executablePath, const QString& option);
QString perUserDataFolder();

// The folder, absolute and with its final separator. Nothing is created.
QString decideDataFolder(const DataFolderSources& sources);

// Makes the folder where it is missing, its parents too; only its owner may
// enter it. A folder that exists is left as it is. False when it cannot be made.
bool makeDataFolder(const QString& folder);

// The program settings file's name: the executable's, with ".ini" for its
// extension (vorrel.ini, Vorrel.ini for Vorrel.exe).
QString settingsFileName(const QString& executablePath);

// The folders that may hold the language files, each with its final
// separator, in the order they are tried: language/ in the working
// directory, beside the executable, then an installed program's
// <prefix>/share/vorrel/language/ (the executable in <prefix>/bin).
QStringList languageFolders(const QString& executablePath);

}  // namespace platform
