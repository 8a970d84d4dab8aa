#include "export/ExportWriters.h"

#include <csv.h>

#include <cstring>

#include "core/CsvImport.h"

#include "platform/CodePage.h"
#include "platform/TextList.h"

namespace exporting {

namespace {

void endLine(QByteArray& out) {
    out.append("\r\n", 2);
}

}  // namespace

namespace {

ExportRow fetch(const RowSource& rowAt, int r) {
    ExportRow row;
    rowAt(r, row);
    return row;
}

RowSource fromList(const QList<ExportRow>& rows) {
    return [&rows](int r, ExportRow& out) { out = rows[r]; };
}

}  // namespace

QByteArray textExport(const ExportColumns& columns, const QList<ExportRow>& rows) {
    return textExport(columns, int(rows.size()), fromList(rows));
}

QByteArray htmlExport(const QByteArray& login, const QByteArray& charset,
                      const ExportColumns& columns, const QList<ExportRow>& rows) {
    return htmlExport(login, charset, columns, int(rows.size()), fromList(rows));
}

QByteArray textExport(const ExportColumns& columns, int rowCount, const RowSource& rowAt) {
    QByteArray out;
    out.reserve(qsizetype(rowCount) * 160);
    for (const ExportColumn& c : columns) {
        if (c.checked) {
            out += c.caption + '|';
        }
    }
    endLine(out);
    for (int r = 0; r < rowCount; ++r) {
        const ExportRow row = fetch(rowAt, r);
        for (int k = 0; k < core::kFieldCount; ++k) {
            if (columns[size_t(k)].checked) {
                out += row[size_t(k)];
                out += '|';
            }
        }
        endLine(out);
    }
    return out;
}

namespace {

void appendEscaped(QByteArray& out, const QByteArray& text) {
    const char* p = text.constData();
    const char* end = p + text.size();
    while (p < end) {
        // Copy the plain run up to the next character that needs escaping.
        const char* q = p;
        while (q < end && *q != '&' && *q != '<' && *q != '>' && *q != '"') {
            ++q;
        }
        out.append(p, q - p);
        if (q == end) {
            break;
        }
        switch (*q) {
            case '&':
                out.append("&amp;");
                break;
            case '<':
                out.append("&lt;");
                break;
            case '>':
                out.append("&gt;");
                break;
            default:
                out.append("&quot;");
        }
        p = q + 1;
    }
}

}  // namespace

ExportEncoding chooseExportEncoding(const QStringList& insertedTexts, platform::Encoding stored) {
    using platform::Encoding;
    ExportEncoding encoding;
    encoding.stored = stored;
    encoding.utf8 = stored == Encoding::Utf8;
    for (const QString& text : insertedTexts) {
        encoding.utf8 =
            encoding.utf8 || platform::firstUnencodable(text, Encoding::CodePage).has_value();
    }
    return encoding;
}

QByteArray ExportEncoding::charset() const {
    return utf8 ? QByteArray("UTF-8") : platform::encodingName(platform::Encoding::CodePage);
}

QByteArray ExportEncoding::fileStart() const {
    return utf8 ? QByteArray(platform::kUtf8Bom) : QByteArray();
}

QByteArray ExportEncoding::text(const QString& text) const {
    return utf8 ? text.toUtf8() : platform::fromUi(text, platform::Encoding::CodePage);
}

QByteArray ExportEncoding::field(const QByteArray& bytes) const {
    if (!utf8 || stored == platform::Encoding::Utf8) {
        return bytes;
    }
    return platform::toUi(bytes, stored).toUtf8();
}

QByteArray escapeHtml(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

QByteArray htmlExport(const QByteArray& login, const QByteArray& charset,
                      const ExportColumns& columns, int rowCount, const RowSource& rowAt) {
    const QByteArray who = escapeHtml(login);
    QByteArray out;
    out.reserve(qsizetype(rowCount) * 240);
    for (const QByteArray& line :
         {QByteArray("<html>"), QByteArray("<head>"), "<meta charset=" + charset + '>',
          "<title>Passwords of " + who + "</title>", QByteArray("</head>"), QByteArray("<body>"),
          "<h2 align=center>Passwords of " + who + ":</h2>",
          QByteArray("<p><table bgcolor=silver cellpadding=4 cellspacing=1 width=100%>")}) {
        out += line;
        endLine(out);
    }
    out += "<tr>";
    for (const ExportColumn& c : columns) {
        if (c.checked) {
            out += "<td>";
            appendEscaped(out, c.caption);
            out += "</td>";
        }
    }
    out += "</tr>";
    endLine(out);
    for (int r = 0; r < rowCount; ++r) {
        const ExportRow row = fetch(rowAt, r);
        out += "<tr bgcolor=white>";
        for (int k = 0; k < core::kFieldCount; ++k) {
            if (columns[size_t(k)].checked) {
                out += "<td>";
                appendEscaped(out, row[size_t(k)]);
                out += "</td>";
            }
        }
        out += "</tr>";
        endLine(out);
    }
    for (const char* line : {"</table>", "</body>", "</html>"}) {
        out += line;
        endLine(out);
    }
    return out;
}

namespace {

void appendCsvField(QByteArray& out, const QByteArray& field) {
    // libcsv quotes the field and doubles its quotes; at most two bytes per
    // byte and the two quotes.
    const qsizetype at = out.size();
    out.resize(at + 2 * field.size() + 2);
    const size_t written = csv_write(out.data() + at, size_t(out.size() - at), field.constData(),
                                     size_t(field.size()));
    out.resize(at + qsizetype(written));
}

}  // namespace

QByteArray csvExport(int rowCount, const RowSource& rowAt) {
    QByteArray out;
    out.reserve(qsizetype(rowCount) * 200);
    const QStringList header = core::vorrelCsvColumns();
    for (int k = 0; k < header.size(); ++k) {
        if (k > 0) {
            out += ',';
        }
        appendCsvField(out, header[k].toUtf8());
    }
    endLine(out);
    for (int r = 0; r < rowCount; ++r) {
        const ExportRow row = fetch(rowAt, r);
        for (int k = 0; k < core::kFieldCount; ++k) {
            if (k > 0) {
                out += ',';
            }
            appendCsvField(out, row[size_t(k)]);
        }
        endLine(out);
    }
    return out;
}

}  // namespace exporting
