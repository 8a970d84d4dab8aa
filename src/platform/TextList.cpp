#include "platform/TextList.h"

#include <cstring>

#include "platform/Files.h"

namespace platform {

TextLines parseTextLines(const QByteArray& data) {
    TextLines lines;
    const char* p = data.constData();
    qsizetype size = data.size();
    if (const void* nul = std::memchr(p, '\0', size_t(size))) {
        size = static_cast<const char*>(nul) - p;
    }
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char c = p[i];
        if (c == '\r' || c == '\n') {
            lines.append(QByteArray(p + start, i - start));
            ++i;
            if (c == '\r' && i < size && p[i] == '\n') {
                ++i;
            }
            start = i;
        } else {
            ++i;
        }
    }
    if (start < size) {
        lines.append(QByteArray(p + start, size - start));
    }
    return lines;
}

QByteArray joinTextLines(const TextLines& lines) {
    qsizetype total = 0;
    for (const QByteArray& line : lines) {
        total += line.size() + 2;
    }
    QByteArray out;
    out.reserve(total);
    for (const QByteArray& line : lines) {
        out.append(line);
        out.append("\r\n", 2);
    }
    return out;
}

TextLines loadTextList(const QString& path) {
    return parseTextLines(readFile(path));
}

void saveTextList(const QString& path, const TextLines& lines) {
    writeFile(path, joinTextLines(lines));
}

QByteArray withoutUtf8Bom(const QByteArray& data) {
    return data.startsWith(kUtf8Bom) ? data.mid(3) : data;
}

std::optional<QByteArray> firstTextLine(const QByteArray& data) {
    if (data.isEmpty() || data.at(0) == '\0') {
        return std::nullopt;
    }
    qsizetype end = 0;
    while (end < data.size() && data.at(end) != '\0' && data.at(end) != '\r' &&
           data.at(end) != '\n') {
        ++end;
    }
    return data.left(end);
}

}  // namespace platform
