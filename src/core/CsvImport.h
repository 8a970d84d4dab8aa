#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "core/PasswordEntry.h"
#include "core/UserFiles.h"
#include "platform/CodePage.h"

namespace core {

// The CSV exports the import recognises, each by its header row.
enum class ImportFormat {
    Unknown,
    Chrome,
    Firefox,
    Bitwarden,
    KeePassXC,
    OnePassword,
    LastPass,
    Vorrel
};
QString importFormatName(ImportFormat format);

// The header of the program's own CSV: the nine fields in stored order.
QStringList vorrelCsvColumns();

// What the user's vault holds: the first character it cannot store (none
// when the text is storable), and a storable text as stored bytes.
struct StorageRules {
    std::function<std::optional<QChar>(const QString&)> forbidden;
    std::function<QByteArray(const QString&)> encode;
};
// The rules of a user's vault, by the encoding of its lines.
StorageRules storageRules(platform::Encoding encoding);

struct UnstorableEntry {
    QString title;  // the entry's title, else its login or link
    QChar character;
};

// Everything an import would change, worked out before anything changes.
struct ImportPlan {
    ImportFormat format = ImportFormat::Unknown;
    QStringList columns;           // the header row as found
    LineList lines;                // the new entries as stored lines, in file order
    LineList newCategories;        // stored names not yet known, in order of first use
    QStringList newCategoryNames;  // the same names as text
    int duplicates = 0;            // same title, login and password as an entry already there
    QList<UnstorableEntry> unstorable;
    int lineBreaks = 0;   // entries whose notes had line breaks, joined by " / "
    int totpLeftOut = 0;  // TOTP secrets, never imported
    int notLogins = 0;    // cards, notes and other rows that are not logins
};

// The file's bytes (UTF-8, with or without a byte-order mark) against the
// user's stored lines and category names. The rules are asked about one
// character (or surrogate pair) at a time, once each: whether a character is
// storable does not depend on its neighbours in any storage encoding.
// Printable ASCII other than "|" is taken as storable and stored byte for
// byte without asking: every storage encoding carries it so, and most of a
// large file is nothing else.
ImportPlan planImport(const QByteArray& file, const LineList& storedLines,
                      const LineList& categories, const StorageRules& rules);

}  // namespace core
