#pragma once

#include <QByteArray>
#include <QList>
#include <array>

#include "core/PasswordEntry.h"

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
// field is followed by "|".
QList<QByteArray> textExportLines(const ExportColumns& columns, const QList<ExportRow>& rows);

// HTML: one table, the header row and one white row per entry. Inserted
// texts are escaped, and the page names its character set.
QList<QByteArray> htmlExportLines(const QByteArray& login, const QByteArray& charset,
                                  const ExportColumns& columns, const QList<ExportRow>& rows);

QByteArray escapeHtml(const QByteArray& text);

}  // namespace exporting
