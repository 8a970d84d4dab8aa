#include "core/UserFiles.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/PasswordEntry.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/SysUtils.h"
#include "platform/TextList.h"

namespace core {

const char* const kUsersFolderName = "users";
const char* const kVaultFileName = "passwords.dat";
const char* const kBackupFileName = "passwords.dat.bak";
const char* const kCategoryFileName = "categories.dat";
const char* const kSettingsFileName = "settings.dat";
const char* const kDefaultKeyFileName = "Vorrel.vrx";

UserPaths UserPaths::of(const QString& programDir, const QString& login) {
    const QString sep = platform::pathSeparator();
    UserPaths p;
    p.usersFolder = programDir + QLatin1String(kUsersFolderName) + sep;
    p.folder = p.usersFolder + login + sep;
    p.vault = p.folder + QLatin1String(kVaultFileName);
    p.backup = p.folder + QLatin1String(kBackupFileName);
    p.categories = p.folder + QLatin1String(kCategoryFileName);
    p.settings = p.folder + QLatin1String(kSettingsFileName);
    p.passwordFile = p.folder + login + QLatin1String(".dat");
    return p;
}

QString UserPaths::folderForDialogs() const {
    return platform::withoutTrailingSeparator(folder);
}

bool isValidLoginName(const QString& login) {
    if (login.isEmpty() || login.size() > 16) {
        return false;
    }
    for (QChar c : login) {
        const char16_t u = c.unicode();
        if (!((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))) {
            return false;
        }
    }
    return true;
}

LineList loadPasswordsWithBackup(const QString& vaultPath, const QString& backupPath) {
    LineList lines = platform::loadTextList(vaultPath);
    if (!lines.isEmpty()) {
        platform::saveTextList(backupPath, lines);
    }
    return lines;
}

LineList sortedCategories(LineList names) {
    QList<QString> texts;
    texts.reserve(names.size());
    for (const QByteArray& n : names) {
        texts.append(platform::toUi(n));
    }
    std::vector<int> order(static_cast<size_t>(names.size()));
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = int(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return platform::AnsiCompareText(texts[a], texts[b]) < 0;
    });
    LineList sorted;
    sorted.reserve(names.size());
    for (int i : order) {
        sorted.append(names[i]);
    }
    return sorted;
}

void saveSortedCategories(const QString& path, const LineList& names) {
    platform::saveTextList(path, sortedCategories(names));
}

namespace {

bool lineContains(const QByteArray& line, const QByteArray& needle) {
    return std::string_view(line.constData(), size_t(line.size()))
               .find(std::string_view(needle.constData(), size_t(needle.size()))) !=
           std::string_view::npos;
}

}  // namespace

int categoryCount(const LineList& passwordList, const QByteArray& name) {
    return categoryCounts(passwordList, LineList{name}).value(0);
}

QList<int> categoryCounts(const LineList& passwordList, const LineList& names) {
    QList<int> counts(names.size(), 0);
    for (qsizetype k = 0; k < names.size(); ++k) {
        if (names[k].isEmpty()) {
            continue;
        }
        const QByteArray scrambled = Scramble(names[k]);
        int n = 0;
        for (const QByteArray& line : passwordList) {
            if (lineContains(line, scrambled)) {
                ++n;
            }
        }
        counts[k] = n;
    }
    return counts;
}

int findEntryIndex(const LineList& passwordList, const QByteArray& title, const QByteArray& login) {
    if (login.isEmpty()) {
        return -1;
    }
    // Search the stored lines with the scrambled texts: scrambling maps each
    // byte on its own, so no line needs decoding.
    const QByteArray scrambledTitle = Scramble(title);
    const QByteArray scrambledLogin = Scramble(login);
    const char bar = char('|' ^ kScrambleKey);
    for (qsizetype k = passwordList.size() - 1; k >= 0; --k) {
        const QByteArray& line = passwordList[k];
        const qsizetype barAt = line.indexOf(bar);
        const qsizetype titleLength = barAt < 0 ? 0 : barAt;
        if (titleLength != scrambledTitle.size() ||
            std::memcmp(line.constData(), scrambledTitle.constData(), size_t(titleLength)) != 0) {
            continue;
        }
        if (lineContains(line, scrambledLogin)) {
            return int(k);
        }
    }
    return -1;
}

namespace {

// The stored Title: the bytes before the first scrambled "|", none without one.
QByteArray storedTitle(const QByteArray& line) {
    const qsizetype bar = line.indexOf(char('|' ^ kScrambleKey));
    return bar < 0 ? QByteArray() : line.left(bar);
}

}  // namespace

EntryLookup::EntryLookup(const LineList& passwordList) : list_(passwordList) {
    byTitle_.reserve(passwordList.size());
    for (qsizetype k = passwordList.size() - 1; k >= 0; --k) {
        byTitle_[storedTitle(passwordList[k])].append(int(k));
    }
}

int EntryLookup::find(const QByteArray& title, const QByteArray& login) const {
    if (login.isEmpty()) {
        return -1;
    }
    const auto it = byTitle_.constFind(Scramble(title));
    if (it == byTitle_.constEnd()) {
        return -1;
    }
    const QByteArray scrambledLogin = Scramble(login);
    for (int k : *it) {
        if (lineContains(list_[k], scrambledLogin)) {
            return k;
        }
    }
    return -1;
}

QByteArray entryPassword(const LineList& passwordList, int index) {
    if (index < 0 || index >= passwordList.size()) {
        return QByteArray();
    }
    return DecodeRecord(passwordList[index])[Password];
}

}  // namespace core
