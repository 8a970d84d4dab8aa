#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace platform {

// 8-bit text files as lists of lines.
//
// Reading: CR LF, a lone CR and a lone LF each end a line; a last line without
// a line end is still read; a NUL byte ends the text; an empty file gives an
// empty list. Writing: every item, the last one too, is followed by CR LF.
using TextLines = QList<QByteArray>;

TextLines parseTextLines(const QByteArray& data);
QByteArray joinTextLines(const TextLines& lines);

// The same lines kept in the text's own buffer instead of one allocation per
// line: each line shares the buffer, ended by a NUL written over its line
// end, so it stays an ordinary byte array (a change to one copies only it).
// inPlace, when given, changes each line's bytes where they lie first. cut
// tells whether a NUL ended the text early.
TextLines shareTextLines(QByteArray data, void (*inPlace)(char*, qsizetype) = nullptr,
                         bool* cut = nullptr);
// Whether the text is exactly what joinTextLines gives for its lines: it can
// then be written as it is.
bool isJoinedForm(const QByteArray& data);

TextLines loadTextList(const QString& path);                     // "Cannot open file %s"
void saveTextList(const QString& path, const TextLines& lines);  // "Cannot create file %s"

// Text files written by an editor may start with a UTF-8 byte-order mark.
// Only files read as text skip it; in the scrambled files those bytes are data.
inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
QByteArray withoutUtf8Bom(const QByteArray& data);

// The first line of a text, as the text-list reader sees it; nothing when the
// text holds no line at all (empty, or a NUL in the first byte).
std::optional<QByteArray> firstTextLine(const QByteArray& data);

}  // namespace platform
