#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "platform/CodePage.h"

namespace core {

using LineList = QList<QByteArray>;

// The files of one user: program directory + "users/" + login + "/" + name.
struct UserPaths {
    QString usersFolder;  // program directory + "users/"
    QString folder;       // usersFolder + login + "/"
    QString vault;
    QString backup;
    QString categories;
    QString settings;
    QString passwordFile;  // folder + login + ".dat"

    static UserPaths of(const QString& programDir, const QString& login);
    // The folder as a dialog's initial folder, without its final separator.
    QString folderForDialogs() const;
};

extern const char* const kUsersFolderName;
extern const char* const kVaultFileName;
extern const char* const kBackupFileName;
extern const char* const kCategoryFileName;
extern const char* const kSettingsFileName;
extern const char* const kDefaultKeyFileName;

// Takes the rights of other accounts off the user's folder and the files the
// program keeps in it, where the running account owns them: folders and files
// made before they were created private stay readable by everyone otherwise.
void restrictToOwner(const UserPaths& paths);

// A login name may hold only A-Z, a-z and 0-9, 1 to 16 of them, so it can
// never reach outside the users folder.
bool isValidLoginName(const QString& login);

// The vault's lines, and whether they are to refresh the backup: at least
// one line, and no NUL cut the vault short (the backup, which may hold the
// whole list, is kept then).
struct VaultLines {
    LineList lines;
    bool backupDue = false;
};
VaultLines readVaultLines(const QString& vaultPath);
// Reads the vault and, when due, writes its lines to the backup.
LineList loadPasswordsWithBackup(const QString& vaultPath, const QString& backupPath);

// Writes the category names sorted without regard to letter case (the
// locale's order); the list passed in is not changed.
void saveSortedCategories(const QString& path, const LineList& names);
LineList sortedCategories(LineList names, platform::Encoding encoding);

// The number of lines that contain the scrambled name; an empty name counts 0.
int categoryCount(const LineList& passwordList, const QByteArray& name);
// The same for several names in one pass over the lines.
QList<int> categoryCounts(const LineList& passwordList, const LineList& names);

// The Password field of the stored line at index, unscrambled.
QByteArray entryPassword(const LineList& passwordList, int index);

}  // namespace core
