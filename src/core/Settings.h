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
    QStringList users;    // "User 1" ... "User <usersCount>"
    QByteArray codePage;  // "CodePage": read, never written
};

// Reads in the order Language, hidden, Users, User 1..N (a missing user key
// gives the name "0"); a missing or unreadable file gives the defaults. A
// count above kMaxUsers reads as kMaxUsers.
ProgramSettings readProgramSettings(const QString& path);
constexpr int kMaxUsers = 1000;
// Writes Language, hidden, Users and one "User N" per listed name, in one
// piece; "Unable to write to %s" when that fails.
void writeProgramSettings(const QString& path, const ProgramSettings& settings);

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
