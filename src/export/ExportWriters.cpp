#include "export/ExportWriters.h"

namespace exporting {

QList<QByteArray> textExportLines(const ExportColumns& columns, const QList<ExportRow>& rows) {
    QList<QByteArray> lines;
    lines.reserve(rows.size() + 1);
    QByteArray line;
    for (const ExportColumn& c : columns) {
        if (c.checked) {
            line += c.caption + '|';
        }
    }
    lines.append(line);
    for (const ExportRow& row : rows) {
        line.clear();
        for (int k = 0; k < core::kFieldCount; ++k) {
            if (columns[size_t(k)].checked) {
                line += row[size_t(k)] + '|';
            }
        }
        lines.append(line);
    }
    return lines;
}

QByteArray escapeHtml(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

QList<QByteArray> htmlExportLines(const QByteArray& login, const QByteArray& charset,
                                  const ExportColumns& columns, const QList<ExportRow>& rows) {
    const QByteArray who = escapeHtml(login);
    QList<QByteArray> lines;
    lines.reserve(rows.size() + 12);
    lines << "<html>"
          << "<head>"
          << "<meta charset=" + charset + '>' << "<title>Passwords of " + who + "</title>"
          << "</head>"
          << "<body>"
          << "<h2 align=center>Passwords of " + who + ":</h2>"
          << "<p><table bgcolor=silver cellpadding=4 cellspacing=1 width=100%>";
    QByteArray line = "<tr>";
    for (const ExportColumn& c : columns) {
        if (c.checked) {
            line += "<td>" + escapeHtml(c.caption) + "</td>";
        }
    }
    lines.append(line + "</tr>");
    for (const ExportRow& row : rows) {
        line = "<tr bgcolor=white>";
        for (int k = 0; k < core::kFieldCount; ++k) {
            if (columns[size_t(k)].checked) {
                line += "<td>" + escapeHtml(row[size_t(k)]) + "</td>";
            }
        }
        lines.append(line + "</tr>");
    }
    lines << "</table>"
          << "</body>"
          << "</html>";
    return lines;
}

}  // namespace exporting
