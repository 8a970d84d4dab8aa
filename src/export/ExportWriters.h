#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <array>
#include <functional>

#include "core/PasswordEntry.h"
#include "platform/CodePage.h"

namespace exporting {

// One column of the export: its caption and whether it is chosen.
struct ExportColumn {
    QByteArray caption;
    bool checked = true;
};
using ExportColumns = std::array<ExportColumn, core::kFieldCount>;
// The nine texts of one shown row, with the real password.
using ExportRow = std::array<QByteArray, core::kFieldCount>;

// Text: a header line of the checked captions, then one line per row; every
// field is followed by "|". Returns the whole file, every line ended by CR LF.
QByteArray textExport(const ExportColumns& columns, const QList<ExportRow>& rows);
// The same with the rows fetched one at a time, so no copy of them is held.
using RowSource = std::function<void(int row, ExportRow& out)>;
QByteArray textExport(const ExportColumns& columns, int rowCount, const RowSource& rowAt);

// HTML: one table, the header row and one white row per entry. Inserted
// texts are escaped, and the page names its character set.
QByteArray htmlExport(const QByteArray& login, const QByteArray& charset,
                      const ExportColumns& columns, const QList<ExportRow>& rows);
QByteArray htmlExport(const QByteArray& login, const QByteArray& charset,
                      const ExportColumns& columns, int rowCount, const RowSource& rowAt);

QByteArray escapeHtml(const QByteArray& text);

// CSV for other programs and for List > Import: a header row of the nine
// field names, then all nine fields of every row, each quoted as RFC 4180
// has it; lines end with CR LF. The rows' texts go in unchanged.
QByteArray csvExport(int rowCount, const RowSource& rowAt);

// The bytes of one export. The storage code page when it carries every text
// the program inserts (column captions, the login): then the file is exactly
// what it always was. Otherwise the whole file is UTF-8, so nothing is ever
// replaced; a text file then starts with a byte-order mark, and the HTML page
// names UTF-8 as its character set.
struct ExportEncoding {
    bool utf8 = false;
    platform::Encoding stored = platform::Encoding::CodePage;  // of the fields

    QByteArray charset() const;
    QByteArray fileStart() const;                     // the byte-order mark, if any
    QByteArray text(const QString& text) const;       // an inserted text
    QByteArray field(const QByteArray& bytes) const;  // a stored field
};
// The one place the choice is made; fields stored as UTF-8 make it UTF-8
// whatever the texts.
ExportEncoding chooseExportEncoding(const QStringList& insertedTexts, platform::Encoding stored);

}  // namespace exporting
