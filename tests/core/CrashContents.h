#pragma once

// The two contents the crash test alternates between, shared by the test and
// its child process so both know exactly what a whole file looks like.
#include <QByteArray>
#include <QString>
#include <optional>

#include "core/PasswordEntry.h"
#include "core/Settings.h"
#include "core/UserFiles.h"
#include "platform/TextList.h"

namespace crash_contents {

enum class Kind { Vault, Categories, Settings };

inline std::optional<Kind> kindNamed(const QString& name) {
    if (name == QLatin1String("vault")) {
        return Kind::Vault;
    }
    if (name == QLatin1String("categories")) {
        return Kind::Categories;
    }
    if (name == QLatin1String("settings")) {
        return Kind::Settings;
    }
    return std::nullopt;
}

constexpr int kVaultEntries = 10000;

// The second variant has longer lines, so a file cut short or put together
// from both can never equal either one.
inline core::LineList vaultLines(int variant) {
    core::LineList lines;
    lines.reserve(kVaultEntries);
    for (int i = 0; i < kVaultEntries; ++i) {
        core::PasswordEntry e;
        const QByteArray n = QByteArray::number(i);
        e[core::Title] = "Site " + n;
        e[core::Login] = "user" + n + (variant ? "@example.org" : "");
        e[core::Password] = (variant ? "second-" : "first-") + n;
        e[core::Category] = variant ? "Mail" : "Work";
        e[core::Link] = "https://example.org/" + n;
        e[core::Comments] = variant ? QByteArray("changed in the second save") : QByteArray();
        lines.append(core::EncodeRecord(e));
    }
    return lines;
}

inline core::LineList categoryNames(int variant) {
    core::LineList names;
    const int count = variant ? 3000 : 2000;
    for (int i = 0; i < count; ++i) {
        names.append((variant ? "Group " : "Category ") + QByteArray::number(count - i));
    }
    return names;
}

inline core::UserSettings userSettings(int variant) {
    core::UserSettings s;
    s.key = variant != 0;
    s.keyFile = variant ? QStringLiteral("/media/usb/keys/a-rather-long-folder-name/Vorrel.vrx")
                        : QString();
    s.fontName = variant ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("MS Sans Serif");
    s.fontSize = variant ? 12 : 8;
    s.fontColor = variant ? 0x123456 : platform::clWindowText;
    return s;
}

// One save of a variant, through the program's own writer for that file.
inline void save(Kind kind, const QString& path, int variant) {
    switch (kind) {
        case Kind::Vault:
            platform::saveTextList(path, vaultLines(variant));
            break;
        case Kind::Categories:
            core::saveSortedCategories(path, categoryNames(variant));
            break;
        case Kind::Settings:
            core::writeUserSettings(path, userSettings(variant));
            break;
    }
}

}  // namespace crash_contents
