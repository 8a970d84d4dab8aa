#pragma once

#include <QString>
#include <QStringList>

#include "platform/Colors.h"

namespace core {

// The program settings file, section "Options".
struct ProgramSettings {
    QString language = QStringLiteral("English");
    bool hidden = false;
    int usersCount = 0;
    QStringList users;     // "User 1" ... as read, then the users created since
    int usersRead = 0;     // how many of users came from the file
    int usersSkipped = 0;  // "User N" keys past the bound, left in the file unread
    QByteArray codePage;   // "CodePage": read, never written

    // The key number of the name at this position of users: the names
    // created during the run come after every name the file holds.
    qint64 userNumber(int position) const {
        return qint64(position) + 1 + (position >= usersRead ? usersSkipped : 0);
    }
};

// Reads in the order Language, hidden, Users, User 1..N (a missing user key
// gives the name "0"); a missing or unreadable file gives the defaults. At
// most kMaxUsers names are read, so a damaged count cannot stall the start;
// the count itself is kept as read.
ProgramSettings readProgramSettings(const QString& path);
constexpr int kMaxUsers = 1000;
// Writes Language, hidden, Users and one "User N" per listed name, in one
// piece; "Unable to write to %s" when that fails. Keys past the bound that
// were never read are left as the file holds them.
void writeProgramSettings(const QString& path, const ProgramSettings& settings);
// Before the write at close: the users list as the file holds it now (another
// program may have added users), plus the users this program knew whose
// folder under usersFolder still exists, plus the users it created. Language
// and "hidden" are this program's: the last writer wins.
ProgramSettings withUsersOnDisk(const QString& path, const ProgramSettings& ours,
                                const QString& usersFolder);

// The user's settings.dat, section "Options".
struct UserSettings {
    bool key = false;
    QString keyFile;
    QString fontName = QStringLiteral("MS Sans Serif");
    int fontSize = 8;
    platform::TColor fontColor = platform::clWindowText;
};

// A missing key gives its default; so do a colour that is neither a colour
// name nor a number and a size outside 1..kMaxFontSize, so that a damaged
// file never keeps a user from their vault.
UserSettings readUserSettings(const QString& path);
void writeUserSettings(const QString& path, const UserSettings& settings);

constexpr int kMaxFontSize = 144;

}  // namespace core
