#include "core/Settings.h"

#include <QDir>
#include <QSet>
#include <algorithm>
#include <limits>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

namespace core {

namespace {
const QByteArray kOptions = QByteArrayLiteral("Options");

QByteArray userKey(qint64 n) {
    return "User " + QByteArray::number(n);
}
}  // namespace

ProgramSettings readProgramSettings(const QString& path) {
    platform::IniFile ini(path);
    ProgramSettings s;
    s.codePage = ini.readString(kOptions, "CodePage", QByteArray());
    s.language = platform::decodeSettingText(ini.readString(kOptions, "Language", "English"));
    s.hidden = ini.readBool(kOptions, "hidden", false);
    // A damaged count must not build billions of names; what is not read is
    // not written either, so the file keeps it.
    s.usersCount = ini.readInteger(kOptions, "Users", 0);
    const int names = std::min(s.usersCount, kMaxUsers);
    for (int n = 1; n <= names; ++n) {
        s.users.append(platform::decodeSettingText(ini.readString(kOptions, userKey(n), "0")));
    }
    s.usersRead = int(s.users.size());
    s.usersSkipped = std::max(0, s.usersCount - names);
    return s;
}

void writeProgramSettings(const QString& path, const ProgramSettings& settings) {
    platform::IniFile ini(path);
    ini.setShared(true);  // other accounts read the list of users and add theirs
    ini.writeString(kOptions, "Language", platform::encodeSettingText(settings.language));
    ini.writeBool(kOptions, "hidden", settings.hidden);
    ini.writeInteger(kOptions, "Users", settings.usersCount);
    for (int i = 0; i < settings.users.size(); ++i) {
        ini.writeString(kOptions, userKey(settings.userNumber(i)),
                        platform::encodeSettingText(settings.users[i]));
    }
    ini.updateFile();
}

ProgramSettings withUsersOnDisk(const QString& path, const ProgramSettings& ours,
                                const QString& usersFolder) {
    ProgramSettings merged = readProgramSettings(path);
    merged.language = ours.language;
    merged.hidden = ours.hidden;
    // Login names name folders, and Windows folders ignore letter case.
    QSet<QString> known;
    for (const QString& name : merged.users) {
        known.insert(name.toLower());
    }
    for (int i = 0; i < ours.users.size(); ++i) {
        const QString& name = ours.users[i];
        const bool created = i >= ours.usersRead;
        if (known.contains(name.toLower()) ||
            (!created && !platform::DirectoryExists(usersFolder + name))) {
            continue;
        }
        known.insert(name.toLower());
        merged.users.append(name);
        if (merged.usersCount < std::numeric_limits<int>::max()) {
            ++merged.usersCount;
        }
    }
    return merged;
}

UserSettings readUserSettings(const QString& path) {
    platform::IniFile ini(path);
    UserSettings s;
    s.key = ini.readBool(kOptions, "Key", false);
    s.keyFile = QDir::fromNativeSeparators(
        platform::decodeSettingText(ini.readString(kOptions, "KeyFile", QByteArray())));
    s.fontName =
        platform::decodeSettingText(ini.readString(kOptions, "Font Name", "MS Sans Serif"));
    s.fontSize = ini.readInteger(kOptions, "Font Size", 8);
    if (s.fontSize < 1 || s.fontSize > kMaxFontSize) {
        s.fontSize = 8;
    }
    const QByteArray color = ini.readString(kOptions, "Font Color", "clWindowText");
    s.fontColor = platform::StringToColor(color).value_or(platform::clWindowText);
    return s;
}

void writeUserSettings(const QString& path, const UserSettings& settings) {
    platform::IniFile ini(path);
    ini.writeBool(kOptions, "Key", settings.key);
    ini.writeString(kOptions, "KeyFile",
                    platform::encodeSettingText(QDir::toNativeSeparators(settings.keyFile)));
    ini.writeString(kOptions, "Font Name", platform::encodeSettingText(settings.fontName));
    ini.writeInteger(kOptions, "Font Size", settings.fontSize);
    ini.writeString(kOptions, "Font Color", platform::ColorToString(settings.fontColor));
    ini.updateFile();
}

}  // namespace core
