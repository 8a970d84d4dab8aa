#include "core/UserFiles.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/EncryptedVault.h"
#include "core/PasswordEntry.h"
#include "core/VaultCrypto.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
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

void restrictToOwner(const UserPaths& paths) {
    for (const QString& path : {paths.folder, paths.vault, paths.backup, paths.categories,
                                paths.settings, paths.passwordFile}) {
        platform::fileSystem().restrictToOwner(path);
    }
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

VaultLines readVaultLines(const QString& vaultPath) {
    QByteArray data = readBoundedFile(vaultPath, kMaxContainerBytes);
    // An encrypted vault read as compatible lines would be junk, and the
    // next save would write that junk over it.
    if (crypto::isContainer(data)) {
        throw FileRefused(FileRefused::Reason::EncryptedList, vaultPath);
    }
    bool cut = false;
    VaultLines v;
    v.lines = platform::shareTextLines(std::move(data), nullptr, &cut);
    // A NUL ends the text, so a damaged vault reads short: then the backup,
    // which may hold the whole list, is kept rather than replaced by the rest.
    v.backupDue = !v.lines.isEmpty() && !cut;
    return v;
}

LineList loadPasswordsWithBackup(const QString& vaultPath, const QString& backupPath) {
    VaultLines v = readVaultLines(vaultPath);
    if (v.backupDue) {
        platform::saveTextList(backupPath, v.lines);
    }
    return std::move(v.lines);
}

LineList sortedCategories(LineList names, platform::Encoding encoding) {
    QList<QString> texts;
    texts.reserve(names.size());
    for (const QByteArray& n : names) {
        texts.append(platform::toUi(n, encoding));
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
    platform::saveTextList(path, sortedCategories(names, platform::Encoding::CodePage));
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

namespace {

// All names searched in one pass over each line (Aho-Corasick over bytes).
class NameMatcher {
public:
    explicit NameMatcher(const LineList& scrambledNames) {
        states_.emplace_back();
        for (qsizetype k = 0; k < scrambledNames.size(); ++k) {
            const QByteArray& name = scrambledNames[k];
            if (name.isEmpty()) {
                continue;
            }
            int s = 0;
            for (char c : name) {
                // By value: the emplace_back below may move every state.
                int next = states_[size_t(s)].next[uchar(c)];
                if (next == 0) {
                    next = int(states_.size());
                    states_[size_t(s)].next[uchar(c)] = next;
                    states_.emplace_back();
                }
                s = next;
            }
            states_[size_t(s)].names.push_back(int(k));
        }
        // Breadth-first: failure links, then every missing move filled in.
        std::vector<int> queue;
        for (int c = 0; c < 256; ++c) {
            if (const int t = states_[0].next[size_t(c)]) {
                queue.push_back(t);
            }
        }
        for (size_t head = 0; head < queue.size(); ++head) {
            const int s = queue[head];
            const int fail = states_[size_t(s)].fail;
            // Names that end where the failure link ends end here too.
            const std::vector<int>& inherited = states_[size_t(fail)].names;
            states_[size_t(s)].names.insert(states_[size_t(s)].names.end(), inherited.begin(),
                                            inherited.end());
            for (int c = 0; c < 256; ++c) {
                int& t = states_[size_t(s)].next[size_t(c)];
                if (t) {
                    states_[size_t(t)].fail = states_[size_t(fail)].next[size_t(c)];
                    queue.push_back(t);
                } else {
                    t = states_[size_t(fail)].next[size_t(c)];
                }
            }
        }
        // The byte pairs a name can start with; a name of one byte starts
        // every pair that begins with it.
        pairStartsName_.assign(65536 / 64, 0);
        for (const QByteArray& name : scrambledNames) {
            if (name.isEmpty()) {
                continue;
            }
            const unsigned first = uchar(name[0]);
            startsAName_[first] = true;
            for (unsigned second = 0; second < 256; ++second) {
                if (name.size() == 1 || uchar(name[1]) == second) {
                    const unsigned pair = first << 8 | second;
                    pairStartsName_[pair / 64] |= quint64(1) << (pair % 64);
                }
            }
        }
        // One flat table; a move into a state where names end carries a flag,
        // so the scan of a line looks at nothing else for most bytes.
        table_.resize(states_.size() * 256);
        for (size_t st = 0; st < states_.size(); ++st) {
            for (int c = 0; c < 256; ++c) {
                const int t = states_[st].next[size_t(c)];
                table_[st * 256 + size_t(c)] =
                    quint32(t) | (states_[size_t(t)].names.empty() ? 0u : kEndsName);
            }
        }
    }

    // Adds 1 to counts[k] for every name k the line contains (once per line).
    void count(const QByteArray& line, QList<int>& counts, std::vector<qsizetype>& seenOnLine,
               qsizetype lineNumber) const {
        quint32 s = 0;
        const quint32* table = table_.data();
        const uchar* p = reinterpret_cast<const uchar*>(line.constData());
        const qsizetype size = line.size();
        for (qsizetype i = 0; i < size; ++i) {
            if (s == 0) {
                // At the root, a pair of bytes that starts no name leads back
                // to the root after its first byte: skip that byte unread.
                const bool* first = startsAName_.data();
                for (;;) {
                    // Four bytes at a time while none of them can start a name.
                    while (i + 4 < size &&
                           !(first[p[i]] | first[p[i + 1]] | first[p[i + 2]] | first[p[i + 3]])) {
                        i += 4;
                    }
                    if (i + 1 >= size || (first[p[i]] && startsName(p[i], p[i + 1]))) {
                        break;
                    }
                    ++i;
                }
            }
            s = table[size_t(s & ~kEndsName) * 256 + p[i]];
            if (s & kEndsName) {
                for (int k : states_[s & ~kEndsName].names) {
                    if (seenOnLine[size_t(k)] != lineNumber) {
                        seenOnLine[size_t(k)] = lineNumber;
                        ++counts[k];
                    }
                }
            }
        }
    }

private:
    bool startsName(uchar first, uchar second) const {
        const unsigned pair = unsigned(first) << 8 | second;
        return (pairStartsName_[pair / 64] >> (pair % 64)) & 1;
    }

    static constexpr quint32 kEndsName = 0x80000000u;
    struct State {
        std::array<int, 256> next{};
        int fail = 0;
        std::vector<int> names;
    };
    std::vector<State> states_;
    std::vector<quint32> table_;
    std::vector<quint64> pairStartsName_;  // a bit for each pair of bytes
    std::array<bool, 256> startsAName_{};  // the first test: most bytes start none
};

}  // namespace

QList<int> categoryCounts(const LineList& passwordList, const LineList& names) {
    QList<int> counts(names.size(), 0);
    qsizetype patternBytes = 0;
    for (const QByteArray& name : names) {
        patternBytes += name.size();
    }
    if (patternBytes > 16384) {
        // So many names that the automaton would outgrow the cache: one scan per name.
        for (qsizetype k = 0; k < names.size(); ++k) {
            if (names[k].isEmpty()) {
                continue;
            }
            const QByteArray scrambled = Scramble(names[k]);
            for (const QByteArray& line : passwordList) {
                counts[k] += lineContains(line, scrambled) ? 1 : 0;
            }
        }
        return counts;
    }
    LineList scrambled;
    scrambled.reserve(names.size());
    for (const QByteArray& name : names) {
        scrambled.append(Scramble(name));
    }
    const NameMatcher matcher(scrambled);
    std::vector<qsizetype> seenOnLine(size_t(names.size()), -1);
    for (qsizetype i = 0; i < passwordList.size(); ++i) {
        matcher.count(passwordList[i], counts, seenOnLine, i);
    }
    return counts;
}

QByteArray entryPassword(const LineList& passwordList, int index) {
    if (index < 0 || index >= passwordList.size()) {
        return QByteArray();
    }
    // Only the third field is needed: cut it from the stored line, then unscramble.
    const QByteArray& line = passwordList[index];
    const core::FieldSpans spans =
        splitSpans(line.constData(), line.size(), char('|' ^ kScrambleKey));
    return Scramble(line.mid(spans.start[Password], spans.length[Password]));
}

}  // namespace core
